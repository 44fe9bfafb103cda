#include "ProcessPortWin.h"

#include "base/win/AnsiText.h"
#include "base/win/ModuleShell.h"
#include "wincommon/Handles.h"

namespace orvanta::win {

bool ProcessPortWin::ShellOpen(const AnsiString& path, std::uint32_t& pid) {
  pid = 0;
  HANDLE raw = nullptr;
  if (!win::ShellOpen(owner_, ToWide(path), &raw)) return false;
  const wincommon::KernelHandle process(raw);
  if (process) pid = ::GetProcessId(process.get());
  return true;
}

bool ProcessPortWin::IsRunning(std::uint32_t pid) {
  // Id 0 is the idle process on Windows and an invalid argument under Wine:
  // it never names a program this driver started.
  if (pid == 0) return false;
  // Rights to wait for the process, read its exit code and end it; the
  // handle may be inherited.
  wincommon::KernelHandle process(
      ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, TRUE, pid));
  if (!process) {
    // A camera program that elevated itself (or runs under another account)
    // refuses the terminate right to a normal user; the limited query right
    // is still granted and is all the exit code needs.
    process.reset(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, TRUE, pid));
  }
  if (!process) return false;
  DWORD code = 0;
  return ::GetExitCodeProcess(process.get(), &code) && code == STILL_ACTIVE;
}

}  // namespace orvanta::win
