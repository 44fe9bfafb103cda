#pragma once
// Ending the running driver before its files are removed: first politely
// through the close message to its application window, then by force.

namespace orvanta::preuninstall {

// The driver's hidden application window ends the driver on WM_CLOSE.
// Sends WM_CLOSE (1000 ms for an answer) and waits up to about 5 s for the
// window to go. True when no such window is left (or there was none).
[[nodiscard]] bool CloseAppWindow();
// Terminates the process that owns the window (exit code 0). True when there
// was no window or the process could be named; whether the termination took
// effect is not examined, as before.
[[nodiscard]] bool KillAppProcess();
// CloseAppWindow, else KillAppProcess.
[[nodiscard]] bool StopDriver();

}  // namespace orvanta::preuninstall
