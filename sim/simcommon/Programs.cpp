#include "Programs.h"

#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "identities/WindowIdentities.h"
#include "wincommon/Text.h"

namespace simcommon {

std::wstring Join(const std::wstring& folder, const std::wstring& name) {
  if (folder.empty()) return name;
  if (folder.back() == L'\\') return folder + name;
  return folder + L"\\" + name;
}

Process::~Process() { Kill(); }

bool Process::Launch(const std::wstring& exe, const std::wstring& args, const std::wstring& workDir, DWORD flags) {
  std::wstring cmd = L"\"" + exe + L"\"";
  if (!args.empty()) cmd += L" " + args;
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, flags, nullptr,
                        workDir.empty() ? nullptr : workDir.c_str(), &si, &pi)) {
    return false;
  }
  thread_.reset(pi.hThread);
  process_.reset(pi.hProcess);
  pid_ = pi.dwProcessId;
  return true;
}

bool Process::Start(const std::wstring& exe, const std::wstring& args, const std::wstring& workDir) {
  if (!Launch(exe, args, workDir, 0)) return false;
  // Let the child reach its message loop before anyone talks to it.
  ::WaitForInputIdle(process_.get(), 10000);
  return true;
}

bool Process::StartSuspended(const std::wstring& exe, const std::wstring& args, const std::wstring& workDir) {
  return Launch(exe, args, workDir, CREATE_SUSPENDED);
}

void Process::Resume() {
  if (thread_) ::ResumeThread(thread_.get());
}

bool Process::Running() const {
  return process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

bool Process::WaitExit(std::chrono::milliseconds timeout) {
  if (!process_) return true;
  return WaitUntil([this] { return !Running(); }, timeout);
}

DWORD Process::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (process_) ::GetExitCodeProcess(process_.get(), &code);
  return code;
}

void Process::Kill() {
  if (Running()) {
    ::TerminateProcess(process_.get(), 1);
    ::WaitForSingleObject(process_.get(), 5000);
  }
}

bool WaitUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    if (pred()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return pred();
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
}

void PumpFor(std::chrono::milliseconds duration) {
  WaitUntil([] { return false; }, duration);
}

namespace {

struct ModalDialog {
  const std::function<void()>& onInit;
  const std::function<bool()>& done;
  UINT tickMs;
};

// A named function: a lambda does not convert to the stdcall DLGPROC on
// 32-bit x86 with every compiler.
INT_PTR CALLBACK ModalDialogProc(HWND hwnd, UINT msg, WPARAM, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    ::SetWindowLongPtrW(hwnd, DWLP_USER, lp);
    const auto* dialog = reinterpret_cast<const ModalDialog*>(lp);
    ::SetTimer(hwnd, 1, dialog->tickMs, nullptr);
    if (dialog->onInit) dialog->onInit();
    return TRUE;
  }
  const auto* dialog = reinterpret_cast<const ModalDialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
  if (msg == WM_TIMER && dialog && dialog->done()) {
    ::EndDialog(hwnd, 1);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

void RunModalDialog(const std::function<void()>& onInit, const std::function<bool()>& done, UINT tickMs) {
  ModalDialog dialog{onInit, done, tickMs};
  alignas(4) WORD tmpl[32] = {};
  auto* dlg = reinterpret_cast<DLGTEMPLATE*>(tmpl);
  dlg->style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
  dlg->cx = 120;
  dlg->cy = 40;
  ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), dlg, nullptr, ModalDialogProc,
                            reinterpret_cast<LPARAM>(&dialog));
}

HWND WaitForWindow(const wchar_t* cls, const wchar_t* title, std::chrono::milliseconds timeout) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = ::FindWindowW(cls, title)) != nullptr; }, timeout);
  return found;
}

namespace {

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lp) {
  reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
  return TRUE;
}

}  // namespace

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> out;
  ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&out));
  return out;
}

std::vector<HWND> ChildWindows(HWND parent) {
  std::vector<HWND> out;
  ::EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&out));
  return out;
}

std::vector<HWND> ChildWindows(HWND parent, const wchar_t* cls) {
  std::vector<HWND> out;
  for (const HWND h : ChildWindows(parent)) {
    if (_wcsicmp(ClassOf(h).c_str(), cls) == 0) out.push_back(h);
  }
  return out;
}

std::vector<std::wstring> ChildTexts(HWND parent, const wchar_t* cls) {
  std::vector<std::wstring> out;
  for (const HWND h : ChildWindows(parent, cls)) out.push_back(WindowText(h));
  return out;
}

std::vector<HWND> WindowsOfProcess(DWORD pid, const wchar_t* cls, bool visibleOnly) {
  std::vector<HWND> out;
  for (const HWND h : TopLevelWindows()) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(h, &owner);
    if (owner == pid && (!visibleOnly || ::IsWindowVisible(h)) && (!cls || ClassOf(h) == cls)) out.push_back(h);
  }
  return out;
}

std::wstring WindowText(HWND hwnd) {
  wchar_t buf[1024] = {};
  ::GetWindowTextW(hwnd, buf, 1024);
  return buf;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t buf[256] = {};
  ::GetClassNameW(hwnd, buf, 256);
  return buf;
}

HWND FindWindowOf(DWORD pid, const wchar_t* cls, const wchar_t* title) {
  HWND h = nullptr;
  while ((h = ::FindWindowExW(nullptr, h, cls, title)) != nullptr) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(h, &owner);
    if (owner == pid) return h;
  }
  return nullptr;
}

HWND DriverAppWindow(DWORD pid) {
  return FindWindowOf(pid, orvanta::identity::kAppClass, orvanta::identity::kDriverTitle);
}

HWND DriverMainWindow(DWORD pid) {
  return FindWindowOf(pid, orvanta::identity::kFormClass, orvanta::identity::kDriverCaption);
}

HWND DriverLinkBox(DWORD pid) {
  const HWND main = DriverMainWindow(pid);
  return main ? ::FindWindowExA(main, nullptr, wincommon::WideToUtf8(orvanta::identity::kTextBoxClass).c_str(),
                                orvanta::identity::kLinkBoxNameAscii)
              : nullptr;
}

bool SendLinkCommand(const Process& driver, const char* command) {
  const HWND box = DriverLinkBox(driver.Id());
  DWORD_PTR result = 0;
  return box && ::SendMessageTimeoutA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(command), SMTO_ABORTIFHUNG, 5000,
                                      &result) != 0;
}

bool CloseDriver(Process& driver, std::chrono::milliseconds timeout) {
  if (const HWND app = DriverAppWindow(driver.Id())) {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(app, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
  }
  return driver.WaitExit(timeout);
}

std::wstring CopyDriverFiles(const std::wstring& bin, const std::wstring& dir, bool withPanelLibrary) {
  ::CreateDirectoryW(dir.c_str(), nullptr);
  ::CreateDirectoryW(Join(dir, L"Data").c_str(), nullptr);
  for (const wchar_t* f : {L"Orvanta.exe", L"Orvanta.wav", L"Data\\QV-LK2048.def", L"FNTD2XX.dll"}) {
    if (!withPanelLibrary && std::wcscmp(f, L"FNTD2XX.dll") == 0) continue;
    if (!::CopyFileW(Join(bin, f).c_str(), Join(dir, f).c_str(), FALSE)) return f;
  }
  return {};
}

bool StartTouchData(const std::wstring& dir, const std::wstring& args, Process& process,
                    std::chrono::milliseconds timeout) {
  using namespace orvanta::identity;
  return process.Start(Join(dir, L"TouchDataSim.exe"), args, dir) &&
         WaitForWindow(kFormClass, kTouchDataCaption, timeout) != nullptr;
}

bool FindButtonCentre(const std::wstring& defFile, const std::string& action, int& x, int& y, bool withDoubleClick,
                      bool* doubleClick) {
  const std::string file = wincommon::WideToAnsi(defFile);
  char buf[256];
  ::GetPrivateProfileStringA("Header", "ButtonX", "0", buf, sizeof(buf), file.c_str());
  const int cols = std::atoi(buf);
  ::GetPrivateProfileStringA("Header", "ButtonY", "0", buf, sizeof(buf), file.c_str());
  const int rows = std::atoi(buf);
  for (int c = 1; c <= cols; ++c) {
    for (int r = 1; r <= rows; ++r) {
      const std::string section = "Button." + std::to_string(c) + "." + std::to_string(r);
      ::GetPrivateProfileStringA(section.c_str(), "Name", "", buf, sizeof(buf), file.c_str());
      const std::string name = buf;
      const auto amp = name.find('&');
      const bool click = name.compare(0, amp, action) == 0;
      if (!click && !(withDoubleClick && amp != std::string::npos && name.substr(amp + 1) == action)) continue;
      ::GetPrivateProfileStringA(section.c_str(), "Rect", "", buf, sizeof(buf), file.c_str());
      int left = 0, top = 0, right = 0, bottom = 0;
      if (std::sscanf(buf, "%d,%d,%d,%d", &left, &top, &right, &bottom) != 4) continue;
      x = (left + right) / 2;
      y = (top + bottom) / 2;
      if (doubleClick) *doubleClick = !click;
      return true;
    }
  }
  return false;
}

}  // namespace simcommon
