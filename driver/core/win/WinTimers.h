#pragma once
// User-interface timers of the Windows shell. Both deliver their ticks as
// window messages on the thread that created them, so the ticks also arrive
// while a modal loop (a message box, a modal dialog, a window being moved)
// runs: every such loop dispatches messages.
#include <windows.h>

#include <atomic>
#include <thread>

#include "core/UiTimer.h"
#include "wincommon/Handles.h"
#include "wincommon/Window.h"

namespace orvanta::win {

// A plain SetTimer timer on a message-only window. An interval of 0 never
// fires, as on the forms' timers. SetTimer cannot tick faster than about
// 10 ms (USER_TIMER_MINIMUM, and the system tick on most machines).
class MessageTimer : public UiTimer, private wincommon::Window {
public:
  MessageTimer();
  ~MessageTimer() override;

  void SetInterval(std::uint32_t ms) override;
  [[nodiscard]] std::uint32_t Interval() const override { return interval_; }
  void SetEnabled(bool on) override;
  [[nodiscard]] bool Enabled() const override { return enabled_; }
  void SetHandler(std::function<void()> handler) override { handler_ = std::move(handler); }

private:
  void OnTimer(UINT_PTR id) override;
  void Apply();

  std::function<void()> handler_;
  std::uint32_t interval_ = 0;
  bool enabled_ = false;
};

// The serial link's poll timer: ticks about every millisecond. A small worker
// thread sleeps out each period and posts one tick message at a time to a
// message-only window of the owning thread; a tick is not posted again until
// the previous one has been handled, so a busy UI thread never finds a pile
// of stale ticks. The handler always runs on the owning thread. Intervals of
// 10 ms and more use a plain SetTimer instead.
class FastTimer : public UiTimer, private wincommon::Window {
public:
  FastTimer();
  ~FastTimer() override;

  void SetInterval(std::uint32_t ms) override;
  [[nodiscard]] std::uint32_t Interval() const override { return interval_; }
  void SetEnabled(bool on) override;
  [[nodiscard]] bool Enabled() const override { return enabled_; }
  void SetHandler(std::function<void()> handler) override { handler_ = std::move(handler); }

private:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnTimer(UINT_PTR id) override;
  void Apply();
  void StartWorker();
  void StopWorker();
  void Tick();

  std::function<void()> handler_;
  std::uint32_t interval_ = 0;
  bool enabled_ = false;
  bool workerRunning_ = false;
  bool periodRaised_ = false;
  std::atomic<bool> tickPending_{false};
  std::atomic<bool> stop_{false};
  std::thread worker_;
};

}  // namespace orvanta::win
