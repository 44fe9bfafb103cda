#pragma once
// Opening a file or program through the shell, as the pen and camera actions
// start the programs the user registered.
#include <windows.h>

#include <string>

namespace orvanta::win {

// Starts path with the verb "open", its own folder as working folder and a
// normal window. True when the shell call succeeds; *process then holds the
// new process's handle, or null when the shell started no new process (a
// document handed to a program that was already running). The caller closes
// the handle. An empty path fails without calling the shell. The shell shows
// no error box of its own: callers report failures in their own words.
[[nodiscard]] bool ShellOpen(HWND owner, const std::wstring& path, HANDLE* process);

}  // namespace orvanta::win
