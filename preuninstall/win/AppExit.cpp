#include "AppExit.h"

#include <windows.h>
#include <tlhelp32.h>

#include "DriverStop.h"
#include "identities/WindowIdentities.h"
#include "wincommon/Handles.h"

namespace orvanta::preuninstall {

namespace {

using Clock = std::chrono::steady_clock;

HWND FindAppWindow() { return ::FindWindowW(identity::kAppClass, identity::kDriverTitle); }

void PumpPendingMessages() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

DWORD MillisecondsUntil(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<DWORD>(left) : 0;
}

// Looks every 100 ms, pumping this thread's messages, until done() or the
// deadline; done() is asked once more at the deadline.
template <typename Done>
bool PollUntil(Clock::time_point deadline, Done done) {
  for (;;) {
    PumpPendingMessages();
    if (done()) return true;
    if (Clock::now() >= deadline) return false;
    ::Sleep(100);
  }
}

// Whether the system still lists a process with this id. For a process that
// may not be opened at all (another user's, without the debug privilege).
bool ProcessListed(DWORD pid) {
  wincommon::FileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return true;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
    if (entry.th32ProcessID == pid) return true;
  }
  return false;
}

class RunningDriver final : public DriverProcess {
public:
  bool WindowPresent() override {
    window_ = FindAppWindow();
    return window_ != nullptr;
  }

  bool NameProcess() override {
    pid_ = 0;
    ::GetWindowThreadProcessId(window_, &pid_);
    if (pid_ == 0) return false;
    // Not inheritable: the removal program started later must not hold the
    // driver's process object. A driver of another user may refuse the
    // terminate right but grant waiting; one that refuses both is watched in
    // the process list instead.
    process_.reset(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid_));
    if (!process_) process_.reset(::OpenProcess(SYNCHRONIZE, FALSE, pid_));
    return true;
  }

  bool RequestClose() override {
    // Sent, not posted: a driver that is stuck in a long action or a modal
    // loop must show up as a time-out here so that it can be ended by force.
    // No SMTO_ABORTIFHUNG: a driver busy for less than the time-out still
    // gets to close itself cleanly (releasing the panel's serial device).
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutW(window_, WM_CLOSE, 0, 0, SMTO_NORMAL, 1000, &result) != 0;
  }

  bool WaitWindowGone(std::chrono::milliseconds bound) override {
    return PollUntil(Clock::now() + bound, [this] { return !::IsWindow(window_) || !FindAppWindow(); });
  }

  bool WaitProcessEnded(std::chrono::milliseconds bound) override {
    const auto deadline = Clock::now() + bound;
    if (!process_) return PollUntil(deadline, [this] { return !ProcessListed(pid_); });
    const HANDLE handle = process_.get();
    for (;;) {
      PumpPendingMessages();
      const DWORD got = ::MsgWaitForMultipleObjects(1, &handle, FALSE, MillisecondsUntil(deadline), QS_ALLINPUT);
      if (got == WAIT_OBJECT_0) return true;
      // Time-out or failure; messages that keep coming do not stretch the bound.
      if (got != WAIT_OBJECT_0 + 1 || Clock::now() >= deadline) {
        return ::WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
      }
    }
  }

  bool Terminate() override { return process_ && ::TerminateProcess(process_.get(), 0); }

private:
  HWND window_ = nullptr;
  DWORD pid_ = 0;
  wincommon::KernelHandle process_;
};

}  // namespace

bool StopRunningDriver() {
  RunningDriver driver;
  return StopDriver(driver);
}

}  // namespace orvanta::preuninstall
