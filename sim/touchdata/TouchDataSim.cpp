// TouchDataSim: stands in for the touch-data program that owns the panel's
// calibration sets. It presents the window the driver searches for and writes
// every text delivered to its link text box, in order, as one line of a log.
//
//   TouchDataSim.exe [--old] [--no-box] [--hang=SECONDS] <logfile>
//
//   --old           the old runtime's classes ("ThunderFormDC", "ThunderTextBox")
//   --no-box        the main window without its link text box
//   --hang=SECONDS  each set-text waits this long before it is answered (and
//                   logged), as a program that hangs
//   --stamp         each line starts with the QueryPerformanceCounter value at
//                   which the text arrived and a tab (for timing the driver)
//
// The log file may also come from the environment variable
// ORVANTA_TOUCHDATA_LOG. The program ends on WM_CLOSE.
#include <windows.h>

#include <shellapi.h>

#include <string>

#include "identities/WindowIdentities.h"
#include "wincommon/Handles.h"
#include "wincommon/Text.h"
#include "wincommon/Window.h"

namespace {

using namespace orvanta;
constexpr const wchar_t* kCaption = identity::kTouchDataCaption;
constexpr const wchar_t* kLinkName = identity::kLinkBoxName;

struct Options {
  bool oldRuntime = false;
  bool withBox = true;
  DWORD hangMs = 0;
  bool stamp = false;
  std::wstring logFile;
};

Options ParseOptions() {
  Options o;
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  for (int i = 1; argv && i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (arg == L"--old") {
      o.oldRuntime = true;
    } else if (arg == L"--no-box") {
      o.withBox = false;
    } else if (arg == L"--stamp") {
      o.stamp = true;
    } else if (arg.rfind(L"--hang=", 0) == 0) {
      o.hangMs = static_cast<DWORD>(std::wcstoul(arg.c_str() + 7, nullptr, 10)) * 1000;
    } else {
      o.logFile = arg;
    }
  }
  if (argv) ::LocalFree(argv);
  if (o.logFile.empty()) {
    wchar_t buf[MAX_PATH];
    const DWORD n = ::GetEnvironmentVariableW(L"ORVANTA_TOUCHDATA_LOG", buf, MAX_PATH);
    if (n > 0 && n < MAX_PATH) o.logFile.assign(buf, n);
  }
  return o;
}

void AppendLine(const std::wstring& file, const std::wstring& line) {
  if (file.empty()) return;
  // Opened per line and shared, so that a test reads every line the moment
  // the set-text message has been answered.
  const wincommon::FileHandle log(::CreateFileW(file.c_str(), FILE_APPEND_DATA,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!log) return;
  const std::string bytes = wincommon::WideToUtf8(line) + "\r\n";
  DWORD written = 0;
  ::WriteFile(log.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// The link text box. Not an EDIT superclass: a window search by name compares
// the name kept by the default window procedure (the creation title, replaced
// by every WM_SETTEXT that reaches DefWindowProc), and an edit control passes
// its contents there, so after the first command the box would no longer be
// found by "TextLinkExecute". This box keeps its contents apart and its name
// for good, as the real program's box behaves towards window searches.
class LinkTextBox : public wincommon::Window {
public:
  explicit LinkTextBox(const Options& options) : options_(options) {}

protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
    if (msg == WM_SETTEXT) {
      LARGE_INTEGER arrived;
      ::QueryPerformanceCounter(&arrived);
      // Handled synchronously: the sender's call returns only after the text
      // has been acted on (here: logged).
      if (options_.hangMs > 0) ::Sleep(options_.hangMs);
      contents_ = lp ? reinterpret_cast<const wchar_t*>(lp) : L"";
      AppendLine(options_.logFile,
                 options_.stamp ? std::to_wstring(arrived.QuadPart) + L"\t" + contents_ : contents_);
      return TRUE;
    }
    return Window::HandleMessage(msg, wp, lp);
  }

private:
  const Options& options_;
  std::wstring contents_;
};

class MainForm : public wincommon::Window {
public:
  explicit MainForm(const Options& options) : options_(options), box_(options) {}

  bool Open() {
    CreateArgs args;
    args.className = options_.oldRuntime ? identity::kFormClassOld : identity::kFormClass;
    // Created without its caption and given it once the text box exists:
    // whoever finds the window by its caption finds it complete.
    args.title = L"";
    args.style = WS_OVERLAPPEDWINDOW;
    args.width = 320;
    args.height = 160;
    if (!Create(args)) return false;
    if (options_.withBox) {
      CreateArgs box;
      box.className = options_.oldRuntime ? identity::kTextBoxClassOld : identity::kTextBoxClass;
      box.title = kLinkName;
      box.style = WS_CHILD | WS_BORDER;  // not shown: a channel between programs, not for users
      box.x = 8;
      box.y = 8;
      box.width = 200;
      box.height = 24;
      box.parent = hwnd();
      if (!box_.Create(box)) return false;
    }
    ::SetWindowTextW(hwnd(), kCaption);
    ::ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
    return true;
  }

protected:
  void OnDestroy() override { ::PostQuitMessage(0); }

private:
  const Options& options_;
  LinkTextBox box_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const Options options = ParseOptions();
  MainForm form(options);
  if (!form.Open()) return 1;
  return wincommon::RunMessageLoop();
}
