#pragma once
// What the programs that run the driver and its stand-ins share (the Wine
// tests, the demo, the benchmarks): child processes, waits that pump this
// thread's messages until a condition holds or a deadline passes, window
// lookups, and a driver folder with the touch-data stand-in beside it.
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "wincommon/Handles.h"

namespace simcommon {

[[nodiscard]] std::wstring Join(const std::wstring& folder, const std::wstring& name);

// A child process; terminated and waited for on destruction if still running.
class Process {
public:
  Process() = default;
  ~Process();
  Process(Process&&) noexcept = default;
  Process& operator=(Process&&) noexcept = default;

  // exe is a full path; args the command line after the program name.
  bool Start(const std::wstring& exe, const std::wstring& args = L"", const std::wstring& workDir = L"");
  // Started with its first thread suspended, so that a caller can watch it
  // from its very first step; Resume lets it run.
  bool StartSuspended(const std::wstring& exe, const std::wstring& args = L"", const std::wstring& workDir = L"");
  void Resume();
  [[nodiscard]] bool Running() const;
  // Waits for the end, pumping messages; false on time-out.
  bool WaitExit(std::chrono::milliseconds timeout);
  [[nodiscard]] DWORD ExitCode() const;
  [[nodiscard]] DWORD Id() const { return pid_; }
  [[nodiscard]] HANDLE Handle() const { return process_.get(); }
  void Kill();

private:
  bool Launch(const std::wstring& exe, const std::wstring& args, const std::wstring& workDir, DWORD flags);

  wincommon::KernelHandle process_;
  wincommon::KernelHandle thread_;
  DWORD pid_ = 0;
};

// Pumps this thread's messages and polls pred every few milliseconds until it
// holds or the timeout passes. Returns pred's last value.
bool WaitUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout);
// Pumps messages for the given time (for letting time pass, or for checking
// that something does NOT happen).
void PumpFor(std::chrono::milliseconds duration);

// Runs a modal dialog of the system's own loop on this thread, as a message
// box or a window being moved runs one: onInit runs as it opens, and a timer
// of its own ends it at the first of its ticks (every tickMs) at which done()
// holds.
void RunModalDialog(const std::function<void()>& onInit, const std::function<bool()>& done, UINT tickMs = 10);

// A top-level window by class and title (either may be null), waiting up to timeout.
HWND WaitForWindow(const wchar_t* cls, const wchar_t* title, std::chrono::milliseconds timeout);
// Every top-level window, and every child window of a parent, in the
// system's order. (Named callbacks behind them: a lambda does not convert to
// the stdcall callback type on 32-bit x86 with every compiler.)
std::vector<HWND> TopLevelWindows();
std::vector<HWND> ChildWindows(HWND parent);
// A parent's children of one class (letter case ignored), and their texts.
std::vector<HWND> ChildWindows(HWND parent, const wchar_t* cls);
std::vector<std::wstring> ChildTexts(HWND parent, const wchar_t* cls);
// The top-level windows of a process with the given class (any when null),
// the visible ones only unless told otherwise.
std::vector<HWND> WindowsOfProcess(DWORD pid, const wchar_t* cls = nullptr, bool visibleOnly = true);
[[nodiscard]] std::wstring WindowText(HWND hwnd);
[[nodiscard]] std::wstring ClassOf(HWND hwnd);

// The first top-level window of that class and title (either may be null),
// shown or not, that belongs to the process pid.
[[nodiscard]] HWND FindWindowOf(DWORD pid, const wchar_t* cls, const wchar_t* title);
// The windows of the driver running as the process pid, found as other
// programs find them: its application window, its main form, and the link
// text box on that (by an ANSI search, as OrvantaLink and the touch-data
// program look it up).
[[nodiscard]] HWND DriverAppWindow(DWORD pid);
[[nodiscard]] HWND DriverMainWindow(DWORD pid);
[[nodiscard]] HWND DriverLinkBox(DWORD pid);
// Sets the driver's link box's text as OrvantaLink does, with a send that
// gives up after 5 s on a hung driver; false when the driver does not answer.
bool SendLinkCommand(const Process& driver, const char* command);
// Asks the driver's application window to close (a timed send) and waits for
// its process to end.
bool CloseDriver(Process& driver, std::chrono::milliseconds timeout);

// Copies the driver's delivered files (Orvanta.exe, Orvanta.wav,
// Data\QV-LK2048.def) and, withPanelLibrary, the simulated FNTD2XX.dll from
// bin into dir (sub-folders made as needed). Returns the first file that
// could not be copied, empty text when all were.
[[nodiscard]] std::wstring CopyDriverFiles(const std::wstring& bin, const std::wstring& dir,
                                           bool withPanelLibrary = true);
// Starts the touch-data stand-in of dir there with args and waits for its
// main form; false when the form does not come in time.
bool StartTouchData(const std::wstring& dir, const std::wstring& args, Process& process,
                    std::chrono::milliseconds timeout);
// The centre of the first button of a layout file whose action text holds
// `action` as its click element, or (withDoubleClick) as its double-click
// element; doubleClick says which matched.
bool FindButtonCentre(const std::wstring& defFile, const std::string& action, int& x, int& y,
                      bool withDoubleClick = false, bool* doubleClick = nullptr);

}  // namespace simcommon
