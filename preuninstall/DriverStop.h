#pragma once
// Stopping the running driver before its files are removed: a close request
// to its application window and, when the driver does not end, termination.
// The driver's window goes when it starts shutting down, but its process and
// the files it holds open (its program, FNTD2XX.dll) only go once its threads
// are joined; so "stopped" means the process has ended, not that the window
// has gone. Platform-free: the system's side is handed in.
#include <chrono>

namespace orvanta::preuninstall {

// How long the driver gets to drop its window after the close request, and
// how long its process gets to end after the window went or after a
// termination.
inline constexpr std::chrono::milliseconds kWindowGoneBound{5000};
inline constexpr std::chrono::milliseconds kProcessEndBound{5000};

// The running driver as the system shows it.
class DriverProcess {
public:
  virtual ~DriverProcess() = default;
  // Looks for the driver's application window; false when there is none.
  [[nodiscard]] virtual bool WindowPresent() = 0;
  // Names the process that owns the window found; false when it cannot be
  // named (the window went in between).
  [[nodiscard]] virtual bool NameProcess() = 0;
  // The close request; false when it is not answered in time.
  [[nodiscard]] virtual bool RequestClose() = 0;
  [[nodiscard]] virtual bool WaitWindowGone(std::chrono::milliseconds bound) = 0;
  // True once the named process has ended; false when it still runs after
  // the bound or cannot be watched.
  [[nodiscard]] virtual bool WaitProcessEnded(std::chrono::milliseconds bound) = 0;
  // False when the system refuses (a driver of another user, seen from an
  // over-the-shoulder elevation).
  [[nodiscard]] virtual bool Terminate() = 0;
};

// True when no driver runs any more: there was none, it closed and its
// process ended, or it was terminated and its process ended.
[[nodiscard]] bool StopDriver(DriverProcess& driver);

}  // namespace orvanta::preuninstall
