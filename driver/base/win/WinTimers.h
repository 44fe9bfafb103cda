#pragma once
// User-interface timers of the Windows shell. Both deliver their ticks as
// window messages on the thread that created them, so the ticks also arrive
// while a modal loop (a message box, a modal dialog, a window being moved)
// runs: every such loop dispatches messages.
#include <windows.h>

#include <atomic>
#include <thread>

#include "base/UiTimer.h"
#include "base/WakeSignal.h"
#include "wincommon/Handles.h"
#include "wincommon/Window.h"

namespace orvanta::win {

// What both timers share: a message-only window of their own, the interval,
// the switch and the handler. A change of the interval or the switch takes
// effect at once (Apply). An interval of 0 never fires, as on the forms'
// timers.
class WindowTimer : public UiTimer, protected wincommon::Window {
public:
  void SetInterval(std::uint32_t ms) override;
  [[nodiscard]] std::uint32_t Interval() const override { return interval_; }
  void SetEnabled(bool on) override;
  [[nodiscard]] bool Enabled() const override { return enabled_; }
  void SetHandler(std::function<void()> handler) override { handler_ = std::move(handler); }
  // False when the timer's message window could not be made: such a timer
  // never ticks, and its owner must not count on it.
  [[nodiscard]] bool Valid() const { return hwnd() != nullptr; }

protected:
  explicit WindowTimer(const wchar_t* windowClass);
  // Applies the interval and the switch to the window's timers.
  virtual void Apply() = 0;
  // Switches the timer off; every derived destructor calls it, since Apply
  // cannot be reached from this class's own destructor.
  void Stop();
  // Runs the handler while the timer is on.
  void Tick();

  std::uint32_t interval_ = 0;
  bool enabled_ = false;

private:
  std::function<void()> handler_;
};

// A plain SetTimer timer. SetTimer cannot tick faster than about 10 ms
// (USER_TIMER_MINIMUM, and the system tick on most machines).
class MessageTimer : public WindowTimer {
public:
  MessageTimer();
  ~MessageTimer() override;

private:
  void OnTimer(UINT_PTR id) override;
  void Apply() override;
};

// The serial link's poll timer and its wake signal.
//
// Poll ticks, about every millisecond, always on the owning thread: in the
// driver's own message loop (RunMessageLoop below) the loop runs the ticks
// itself between its waits. When that loop is not running (a modal loop of
// a message box, a dialog or a window being moved, or a handler that pumps
// messages itself) a small worker thread notices and posts one tick message
// at a time to a message-only window, which every modal loop dispatches; a
// tick is not posted again until the previous one has been handled, so a
// busy thread never finds a pile of stale ticks. Waking a thread by a posted
// message costs a round trip through Wine's server each time (about 9 % of
// a core at 1 ms), the loop's own timed wait far less. While fast ticks run
// the process holds a 1 ms system timer period (timeBeginPeriod). Intervals
// of 10 ms and more use a plain SetTimer instead.
//
// The wake signal (for a panel library that sets an event when bytes
// arrive): an auto-reset event, and while armed a thread that waits for it
// and posts one wake message per set, handled like a tick message in the
// own loop and in every modal loop alike. With the panel silent nothing
// wakes at all.
class FastTimer : public WindowTimer, public WakeSignal {
public:
  FastTimer();
  ~FastTimer() override;

  // For the owning thread's message loop: how long it may wait for messages
  // before the next tick is due (INFINITE while no fast tick runs), and the
  // tick itself when due.
  [[nodiscard]] DWORD MsUntilDue() const;
  void RunFromLoop();

  // WakeSignal.
  [[nodiscard]] void* Handle() override { return wakeEvent_.get(); }
  void SetArmed(bool on) override;
  void SetWakeHandler(std::function<void()> handler) override { wakeHandler_ = std::move(handler); }

private:
  static std::int64_t Now();
  static std::int64_t MsToTicks(double ms);
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnTimer(UINT_PTR id) override;
  void Apply() override;
  void StartWorker();
  void StopWorker();
  void StopWakeWorker();

  bool workerRunning_ = false;
  bool periodRaised_ = false;
  std::atomic<bool> tickPending_{false};
  std::atomic<bool> stop_{false};
  std::atomic<std::int64_t> loopSeen_{0};  // when the own loop last looked in
  std::int64_t nextDue_ = 0;
  std::thread worker_;

  wincommon::KernelHandle wakeEvent_;
  wincommon::KernelHandle wakeStop_;
  bool armed_ = false;
  std::atomic<bool> wakePending_{false};
  std::function<void()> wakeHandler_;
  std::thread wakeWorker_;
};

// The driver's message loop: dispatches messages and runs the poll ticks of
// `poll` between them, until WM_QUIT; returns its exit code.
int RunMessageLoop(FastTimer& poll);

}  // namespace orvanta::win
