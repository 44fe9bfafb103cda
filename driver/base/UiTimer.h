#pragma once
// A user-interface timer as the forms use it: an interval, an on/off switch
// and a handler that runs on the UI thread. Windows: SetTimer on a window (or
// the fast poll tick source); tests: a fake driven by a fake clock.
#include <cstdint>
#include <functional>

namespace orvanta {

class UiTimer {
public:
  virtual ~UiTimer() = default;
  virtual void SetInterval(std::uint32_t ms) = 0;
  [[nodiscard]] virtual std::uint32_t Interval() const = 0;
  virtual void SetEnabled(bool on) = 0;
  [[nodiscard]] virtual bool Enabled() const = 0;
  // The handler runs on every tick while the timer is enabled.
  virtual void SetHandler(std::function<void()> handler) = 0;

  // Off, new interval, on: restarts the period from now.
  void Restart(std::uint32_t ms) {
    SetEnabled(false);
    SetInterval(ms);
    SetEnabled(true);
  }
};

}  // namespace orvanta
