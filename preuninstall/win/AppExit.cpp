#include "AppExit.h"

#include <windows.h>

#include "identities/WindowIdentities.h"
#include "wincommon/Handles.h"

namespace orvanta::preuninstall {

namespace {

HWND FindAppWindow() { return ::FindWindowW(identity::kAppClass, identity::kDriverTitle); }

void PumpPendingMessages() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

}  // namespace

bool CloseAppWindow() {
  const HWND window = FindAppWindow();
  if (!window) return true;
  // Sent, not posted: a driver that is stuck in a long action or a modal loop
  // must show up as a time-out here so that it can be ended by force. No
  // SMTO_ABORTIFHUNG: a driver busy for less than the time-out still gets to
  // close itself cleanly (releasing the panel's serial device).
  DWORD_PTR result = 0;
  if (!::SendMessageTimeoutW(window, WM_CLOSE, 0, 0, SMTO_NORMAL, 1000, &result)) return false;
  // The driver unloads its forms and releases the device before its window
  // goes; give it about five seconds.
  for (int i = 0; i < 50; ++i) {
    PumpPendingMessages();
    ::Sleep(100);
    if (!FindAppWindow()) return true;
  }
  return !FindAppWindow();
}

bool KillAppProcess() {
  const HWND window = FindAppWindow();
  if (!window) return true;
  DWORD pid = 0;
  const DWORD thread = ::GetWindowThreadProcessId(window, &pid);
  if (thread == 0 && pid == 0) return false;
  wincommon::KernelHandle process(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, TRUE, pid));
  if (process) {
    ::TerminateProcess(process.get(), 0);
    // TerminateProcess only starts the ending; the driver's files stay locked
    // until the process is gone, and the removal program starts right after.
    ::WaitForSingleObject(process.get(), 5000);
  }
  return true;
}

bool StopDriver() { return CloseAppWindow() || KillAppProcess(); }

}  // namespace orvanta::preuninstall
