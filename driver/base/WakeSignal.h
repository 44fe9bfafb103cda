#pragma once
// A wake-up that another thread may set: on Windows an auto-reset event
// object, which the panel library sets from a thread of its own when bytes
// arrive. While armed, every set runs the wake handler once, soon after, on
// the UI thread (also inside modal loops); sets that come faster than the
// handler runs are served by one run. Tests: a fake that runs the handler
// when the test sets it.
#include <functional>

namespace orvanta {

class WakeSignal {
public:
  virtual ~WakeSignal() = default;
  // What a library is handed to set; null when none could be made.
  [[nodiscard]] virtual void* Handle() = 0;
  virtual void SetArmed(bool on) = 0;
  virtual void SetWakeHandler(std::function<void()> handler) = 0;
};

}  // namespace orvanta
