#pragma once
// Ending the running driver before its files are removed: first politely
// through the close message to its application window, then by force; done
// only once its process has ended (DriverStop.h).

namespace orvanta::preuninstall {

// True when no driver runs any more (or none ran); false when it could not be
// stopped: its process could not be terminated, or did not end in time.
[[nodiscard]] bool StopRunningDriver();

}  // namespace orvanta::preuninstall
