#include "WinTimers.h"

#include <mmsystem.h>

namespace orvanta::win {

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTickMessage = WM_APP + 1;
constexpr std::uint32_t kFastLimitMs = 10;

bool CreateMessageWindow(wincommon::Window& w, const wchar_t* cls) {
  wincommon::Window::CreateArgs args;
  args.className = cls;
  args.style = 0;
  args.parent = HWND_MESSAGE;
  return w.Create(args);
}

}  // namespace

// ---- MessageTimer ----------------------------------------------------------

MessageTimer::MessageTimer() { CreateMessageWindow(*this, L"OrvantaTimerWindow"); }

MessageTimer::~MessageTimer() {
  enabled_ = false;
  Apply();
}

void MessageTimer::SetInterval(std::uint32_t ms) {
  interval_ = ms;
  Apply();
}

void MessageTimer::SetEnabled(bool on) {
  enabled_ = on;
  Apply();
}

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
  if (id == kTimerId && enabled_ && handler_) handler_();
}

// ---- FastTimer -------------------------------------------------------------

FastTimer::FastTimer() {
  CreateMessageWindow(*this, L"OrvantaFastTimerWindow");
}

FastTimer::~FastTimer() {
  enabled_ = false;
  Apply();
}

void FastTimer::SetInterval(std::uint32_t ms) {
  interval_ = ms;
  Apply();
}

void FastTimer::SetEnabled(bool on) {
  enabled_ = on;
  Apply();
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
  periodRaised_ = ::timeBeginPeriod(1) == TIMERR_NOERROR;
  stop_ = false;
  tickPending_ = false;
  const HWND target = hwnd();
  const DWORD period = interval_;
  std::atomic<bool>* stop = &stop_;
  std::atomic<bool>* pending = &tickPending_;
  worker_ = std::thread([stop, target, period, pending] {
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    // Sleep rather than a timed wait on an event: Wine hands every timed
    // wait on an object to its server, whose time-outs are rounded up to
    // whole milliseconds (a 1 ms wait takes 1-2 ms), while a plain Sleep is
    // a local nanosleep. The stop flag is seen within one period.
    while (!stop->load()) {
      ::Sleep(period);
      if (stop->load()) break;
      if (!pending->exchange(true)) {
        if (!::PostMessageW(target, kTickMessage, 0, 0)) *pending = false;
      }
    }
  });
  workerRunning_ = true;
}

void FastTimer::StopWorker() {
  if (!workerRunning_) return;
  stop_ = true;
  worker_.join();
  workerRunning_ = false;
  if (periodRaised_) ::timeEndPeriod(1);
  periodRaised_ = false;
}

void FastTimer::Tick() {
  if (enabled_ && handler_) handler_();
}

LRESULT FastTimer::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kTickMessage) {
    // Cleared before the handler runs: a tick that falls due while the
    // handler works is posted and handled next.
    tickPending_ = false;
    if (workerRunning_) Tick();
    return 0;
  }
  return Window::HandleMessage(msg, wp, lp);
}

void FastTimer::OnTimer(UINT_PTR id) {
  if (id == kTimerId) Tick();
}

}  // namespace orvanta::win
