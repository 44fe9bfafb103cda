#include "PenPlusWindows.h"

#include "PenPlusLog.h"
#include "wincommon/Files.h"

namespace penplus {

std::wstring Install(const std::wstring& bin, int major, const std::wstring& folder, const std::string& args) {
  ::CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring exe = simcommon::Join(folder, L"PenPlus.exe");
  const std::wstring built = simcommon::Join(bin, L"penplus" + std::to_wstring(major) + L"\\PenPlus.exe");
  if (!::CopyFileW(built.c_str(), exe.c_str(), FALSE)) return {};
  if (!args.empty() && !wincommon::WriteFileBytes(simcommon::Join(folder, L"PenPlus.args"), args)) return {};
  return exe;
}

bool Start(const std::wstring& exe, const std::wstring& args, simcommon::Process& process,
           std::chrono::milliseconds timeout) {
  const std::wstring folder = exe.substr(0, exe.find_last_of(L'\\'));
  const std::wstring log = simcommon::Join(folder, L"PenPlus.log");
  return process.Start(exe, args, folder) &&
         simcommon::WaitUntil([&] { return CountEvents(ReadLog(log), "toolbar") > 0; }, timeout);
}

HWND MainWindow() { return ::FindWindowW(kMainClass, nullptr); }

HWND Toolbar() {
  HWND bar = nullptr;
  while ((bar = ::FindWindowExW(nullptr, bar, L"#32770", L"")) != nullptr) {
    if (::GetWindow(bar, GW_OWNER) == MainWindow()) return bar;
  }
  return nullptr;
}

HWND Dialog(const std::wstring& caption) {
  for (const HWND w : simcommon::TopLevelWindows()) {
    if (simcommon::ClassOf(w) == L"#32770" && simcommon::WindowText(w) == caption && ::IsWindowVisible(w)) return w;
  }
  return nullptr;
}

HWND ToolbarButton(const std::wstring& caption) {
  const HWND bar = Toolbar();
  for (HWND b = bar ? ::GetWindow(bar, GW_CHILD) : nullptr; b; b = ::GetWindow(b, GW_HWNDNEXT)) {
    if (simcommon::WindowText(b) == caption && (::GetWindowLongW(b, GWL_STYLE) & WS_VISIBLE)) return b;
  }
  return nullptr;
}

void CloseAll(std::chrono::milliseconds wait) {
  HWND main = nullptr;
  while ((main = ::FindWindowExW(nullptr, main, kMainClass, nullptr)) != nullptr) ::PostMessageW(main, WM_CLOSE, 0, 0);
  if (simcommon::WaitUntil([] { return MainWindow() == nullptr; }, wait)) return;
  while ((main = MainWindow()) != nullptr) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(main, &pid);
    const wincommon::KernelHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    if (!process || !::TerminateProcess(process.get(), 1)) return;
    ::WaitForSingleObject(process.get(), 5000);
  }
}

}  // namespace penplus
