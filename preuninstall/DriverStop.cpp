#include "DriverStop.h"

namespace orvanta::preuninstall {

bool StopDriver(DriverProcess& driver) {
  if (!driver.WindowPresent()) return true;
  // Named before the close request: once the window has gone nothing is
  // left to find the process by, and it is the process that holds the files.
  // A window that went before its process could be named leaves a process
  // that cannot be watched, so that counts as not stopped.
  if (!driver.NameProcess()) return false;
  if (driver.RequestClose() && driver.WaitWindowGone(kWindowGoneBound) &&
      driver.WaitProcessEnded(kProcessEndBound)) {
    return true;
  }
  // A termination only starts the ending; the files stay locked until the
  // process is gone.
  return driver.Terminate() && driver.WaitProcessEnded(kProcessEndBound);
}

}  // namespace orvanta::preuninstall
