#include "WinTimers.h"

#include <mmsystem.h>

#include "Forms.h"
#include "identities/WindowIdentities.h"

namespace orvanta::win {

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTickMessage = WM_APP + 1;
constexpr UINT kWakeMessage = WM_APP + 2;
constexpr std::uint32_t kFastLimitMs = 10;
// How often the worker looks whether the owning thread's loop still runs the
// ticks; a modal loop that starts is noticed within this time.
constexpr DWORD kWatchMs = 10;

// From Windows 11 on, a process that owns windows but none visible (the
// driver) may be held to the default 15.6 ms timer resolution despite
// timeBeginPeriod, which would make every 1 ms poll tick late by a whole
// system tick. The opt-out is a power-throttling flag of Windows 11;
// SetProcessInformation exists from Windows 8 and is looked up at run time,
// since the programs also run on Windows 7. Systems that do not know the
// flag do not throttle timer requests either: their refusal is ignored.
void KeepTimerResolution() {
  static const bool done = [] {
    struct PowerThrottlingState {
      ULONG version;
      ULONG controlMask;
      ULONG stateMask;
    };
    constexpr int kProcessPowerThrottling = 4;  // PROCESS_INFORMATION_CLASS
    constexpr ULONG kCurrentVersion = 1;
    constexpr ULONG kIgnoreTimerResolution = 0x4;
    using Fn = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD);
    const auto set = reinterpret_cast<Fn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetProcessInformation")));
    if (!set) return false;
    // The bit in the control mask with the state bit clear: this process's
    // timer resolution requests are never throttled.
    PowerThrottlingState state{kCurrentVersion, kIgnoreTimerResolution, 0};
    return set(::GetCurrentProcess(), kProcessPowerThrottling, &state, sizeof(state)) != FALSE;
  }();
  (void)done;
}

}  // namespace

// ---- WindowTimer -----------------------------------------------------------

WindowTimer::WindowTimer(const wchar_t* windowClass) {
  CreateArgs args;
  args.className = windowClass;
  args.style = 0;
  args.parent = HWND_MESSAGE;
  (void)Create(args);  // the timer's owner asks Valid() whether this worked
}

void WindowTimer::SetInterval(std::uint32_t ms) {
  interval_ = ms;
  Apply();
}

void WindowTimer::SetEnabled(bool on) {
  enabled_ = on;
  Apply();
}

void WindowTimer::Stop() {
  enabled_ = false;
  Apply();
}

void WindowTimer::Tick() {
  if (enabled_ && handler_) handler_();
}

// ---- MessageTimer ----------------------------------------------------------

MessageTimer::MessageTimer() : WindowTimer(identity::kTimerClass) {}

MessageTimer::~MessageTimer() { Stop(); }

void MessageTimer::Apply() {
  if (!hwnd()) return;
  if (enabled_ && interval_ > 0) {
    // SetTimer with a live id restarts the period from now.
    ::SetTimer(hwnd(), kTimerId, interval_, nullptr);
  } else {
    ::KillTimer(hwnd(), kTimerId);
  }
}

void MessageTimer::OnTimer(UINT_PTR id) {
  if (id == kTimerId) Tick();
}

// ---- FastTimer -------------------------------------------------------------

FastTimer::FastTimer()
    : WindowTimer(identity::kFastTimerClass),
      wakeEvent_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      wakeStop_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

FastTimer::~FastTimer() {
  StopWakeWorker();
  Stop();
}

void FastTimer::SetArmed(bool on) {
  if (on == armed_) return;
  if (!on) {
    StopWakeWorker();
    return;
  }
  if (!hwnd() || !wakeEvent_ || !wakeStop_) return;
  wakePending_ = false;
  ::ResetEvent(wakeStop_.get());
  const HWND target = hwnd();
  // Armed only once the thread runs: a thread that cannot be made throws
  // (std::system_error) and leaves the signal disarmed, so that disarming
  // later has no thread to join.
  wakeWorker_ = std::thread([this, target] {
    // Handed on at once: the wake is a report waiting to be read.
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    const HANDLE waits[] = {wakeStop_.get(), wakeEvent_.get()};
    while (::WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
      // One message at a time: a set while one waits to be handled is
      // served by that one, which reads whatever has arrived by then.
      if (!wakePending_.exchange(true) && !::PostMessageW(target, kWakeMessage, 0, 0)) wakePending_ = false;
    }
  });
  armed_ = true;
}

void FastTimer::StopWakeWorker() {
  if (!armed_) return;
  armed_ = false;
  ::SetEvent(wakeStop_.get());
  wakeWorker_.join();
}

void FastTimer::Apply() {
  StopWorker();
  if (!hwnd()) return;
  ::KillTimer(hwnd(), kTimerId);
  if (!enabled_ || interval_ == 0) return;
  if (interval_ < kFastLimitMs) {
    StartWorker();
  } else {
    ::SetTimer(hwnd(), kTimerId, interval_, nullptr);
  }
}

void FastTimer::StartWorker() {
  // Without a 1 ms system timer period a 1 ms sleep lasts a whole system tick
  // (15.6 ms by default on Windows).
  KeepTimerResolution();
  periodRaised_ = ::timeBeginPeriod(1) == TIMERR_NOERROR;
  stop_ = false;
  tickPending_ = false;
  loopSeen_ = 0;
  nextDue_ = Now() + MsToTicks(interval_);
  const HWND target = hwnd();
  const DWORD period = interval_;
  // The owning thread's own loop counts as running while it has looked in
  // within this time; otherwise it is stuck in a modal loop or a long
  // handler, and the worker delivers the ticks as messages.
  const std::int64_t loopGrace = MsToTicks(2.0 * period + 1.0);
  // A thread that cannot be made throws; the period goes back first, and the
  // timer counts as stopped.
  struct PeriodBack {
    bool& raised;
    bool keep = false;
    ~PeriodBack() {
      if (!keep && raised) ::timeEndPeriod(1);
      if (!keep) raised = false;
    }
  } periodBack{periodRaised_};
  worker_ = std::thread([this, target, period, loopGrace] {
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    // Sleep rather than a timed wait on an event: Wine hands every timed
    // wait on an object to its server, whose time-outs are rounded up to
    // whole milliseconds (a 1 ms wait takes 1-2 ms), while a plain Sleep is
    // a local nanosleep. The stop flag is seen within one period.
    while (!stop_.load()) {
      // While the own loop keeps ticking, only watch it, and cheaply: every
      // wake of a thread costs CPU time (about 20 us a time under Wine).
      const bool loopAlive = Now() - loopSeen_.load() <= loopGrace;
      ::Sleep(loopAlive ? kWatchMs : period);
      if (stop_.load()) break;
      if (Now() - loopSeen_.load() <= loopGrace) continue;
      if (!tickPending_.exchange(true)) {
        if (!::PostMessageW(target, kTickMessage, 0, 0)) tickPending_ = false;
      }
    }
  });
  periodBack.keep = true;
  workerRunning_ = true;
}

std::int64_t FastTimer::Now() {
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  return t.QuadPart;
}

std::int64_t FastTimer::MsToTicks(double ms) {
  static const std::int64_t frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return f.QuadPart;
  }();
  return static_cast<std::int64_t>(ms * static_cast<double>(frequency) / 1000.0);
}

DWORD FastTimer::MsUntilDue() const {
  if (!workerRunning_) return INFINITE;
  const std::int64_t left = nextDue_ - Now();
  if (left <= 0) return 0;
  // Rounded up: waking early would only mean another wait.
  const std::int64_t perMs = MsToTicks(1.0);
  return static_cast<DWORD>((left + perMs - 1) / perMs);
}

void FastTimer::RunFromLoop() {
  if (!workerRunning_) return;
  const std::int64_t now = Now();
  loopSeen_ = now;
  if (now < nextDue_) return;
  nextDue_ = now + MsToTicks(interval_);
  Tick();
  // The handler may have run for long (an action); the loop is back now.
  loopSeen_ = Now();
}

int RunMessageLoop(FastTimer& poll) {
  // Between poll ticks the loop sleeps, and only every kQueueWaitEvery-th
  // wait also watches the message queue: under Wine such a wait is a round
  // trip to the Wine server, a plain Sleep a local nanosleep, and at a
  // thousand waits a second the difference is most of the idle cost.
  // Messages wait at most that many ticks (4-5 ms); the panel's reports do
  // not wait at all, since the ticks themselves read them.
  constexpr int kQueueWaitEvery = 4;
  int sinceQueueWait = 0;
  for (;;) {
    const DWORD due = poll.MsUntilDue();
    if (due != INFINITE && ++sinceQueueWait < kQueueWaitEvery) {
      if (due > 0) ::Sleep(due);
      poll.RunFromLoop();
      continue;
    }
    sinceQueueWait = 0;
    // MWMO_INPUTAVAILABLE: wake for messages already in the queue too, not
    // only for ones that arrive during the wait.
    const DWORD woke = ::MsgWaitForMultipleObjectsEx(0, nullptr, due, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    // Only look into the queue when the wait says something is there: under
    // Wine every PeekMessage is a round trip to its server, and doing one on
    // each 1 ms tick would double the idle cost.
    if (woke != WAIT_TIMEOUT) {
      MSG msg;
      while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
        if (!IsFormKeyMessage(msg)) {  // a modeless form's dialog keys
          ::TranslateMessage(&msg);
          ::DispatchMessageW(&msg);
        }
        poll.RunFromLoop();
      }
    }
    poll.RunFromLoop();
  }
}

void FastTimer::StopWorker() {
  if (!workerRunning_) return;
  stop_ = true;
  worker_.join();
  workerRunning_ = false;
  if (periodRaised_) ::timeEndPeriod(1);
  periodRaised_ = false;
}

LRESULT FastTimer::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kWakeMessage) {
    // Cleared first, as for ticks: a set during the handler posts again.
    wakePending_ = false;
    if (armed_ && wakeHandler_) wakeHandler_();
    return 0;
  }
  if (msg == kTickMessage) {
    // Cleared before the handler runs: a tick that falls due while the
    // handler works is posted and handled next.
    tickPending_ = false;
    if (workerRunning_) {
      nextDue_ = Now() + MsToTicks(interval_);
      Tick();
    }
    return 0;
  }
  return Window::HandleMessage(msg, wp, lp);
}

void FastTimer::OnTimer(UINT_PTR id) {
  if (id == kTimerId) Tick();
}

}  // namespace orvanta::win
