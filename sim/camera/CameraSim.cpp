// CameraSim: stands in for the PC camera program the user registers. A window
// that stays until it is closed (WM_CLOSE), or, as a launcher, a program that
// ends at once after handing over to another.
//
//   CameraSim.exe [--pid-file=FILE] [--cwd-file=FILE] [--exit]
//
//   --pid-file=FILE  appends this process's id as one line to FILE on start
//   --cwd-file=FILE  appends the working folder it was started in to FILE
//   --exit           ends at once (after writing the id)
//
// The driver starts the registered path through the shell without arguments.
// Started without any, the program therefore reads its options from the file
// beside it named like the program with the extension ".args" (one line in
// the form of a command line), when there is one.
#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "simcommon/ProgramArgs.h"
#include "wincommon/Files.h"
#include "wincommon/Handles.h"
#include "wincommon/Text.h"
#include "wincommon/Window.h"

namespace {

struct Options {
  std::wstring pidFile;
  std::wstring cwdFile;
  bool exitAtOnce = false;
};

Options ParseOptions() {
  const std::vector<std::wstring> args = simcommon::ProgramArgs();
  Options o;
  for (const std::wstring& arg : args) {
    if (arg == L"--exit") {
      o.exitAtOnce = true;
    } else if (arg.rfind(L"--pid-file=", 0) == 0) {
      o.pidFile = arg.substr(11);
    } else if (arg.rfind(L"--cwd-file=", 0) == 0) {
      o.cwdFile = arg.substr(11);
    }
  }
  return o;
}

void AppendLine(const std::wstring& file, const std::wstring& text) {
  if (file.empty()) return;
  const wincommon::FileHandle out(::CreateFileW(file.c_str(), FILE_APPEND_DATA,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out) return;
  const std::string line = wincommon::WideToUtf8(text) + "\r\n";
  DWORD written = 0;
  ::WriteFile(out.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

class CameraForm : public wincommon::Window {
public:
  bool Open() {
    CreateArgs args;
    args.className = L"OrvantaCameraSim";
    args.title = L"Camera";
    args.width = 320;
    args.height = 240;
    if (!Create(args)) return false;
    ::ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
    return true;
  }

protected:
  void OnDestroy() override { ::PostQuitMessage(0); }
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const Options options = ParseOptions();
  AppendLine(options.pidFile, std::to_wstring(::GetCurrentProcessId()));
  if (!options.cwdFile.empty()) {
    wchar_t cwd[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, cwd);
    AppendLine(options.cwdFile, cwd);
  }
  if (options.exitAtOnce) return 0;
  CameraForm form;
  if (!form.Open()) return 1;
  return wincommon::RunMessageLoop();
}
