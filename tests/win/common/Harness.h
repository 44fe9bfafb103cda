#pragma once
// Shared harness of the tests that run under Wine: fresh driver folders,
// child processes, and waiting for a condition while pumping messages (no
// bare sleeps: every wait has a condition and a deadline).
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "wincommon/Handles.h"

namespace harness {

// Names the cases of a table after their name field.
struct CaseName {
  template <typename T>
  std::string operator()(const ::testing::TestParamInfo<T>& info) const {
    return info.param.name;
  }
};

// The window class of the camera program's stand-in.
inline constexpr wchar_t kCameraSimClass[] = L"OrvantaCameraSim";

// The folder that holds the built programs, stand-ins and data (build/.../bin).
[[nodiscard]] std::wstring BinDir();
[[nodiscard]] std::wstring Join(const std::wstring& folder, const std::wstring& name);

// A fresh, empty folder under BinDir()\e2e named after the running test (the
// folder is emptied first if it exists). Files are copied into it from BinDir().
class TestFolder {
public:
  explicit TestFolder(const std::wstring& name = L"");  // default: test suite + test name
  [[nodiscard]] const std::wstring& Path() const { return path_; }
  [[nodiscard]] std::wstring File(const std::wstring& relative) const { return Join(path_, relative); }
  // Copies BinDir()\relative to Path()\relative (sub-folders made as needed).
  bool CopyFromBin(const std::wstring& relative) const;
  // The driver's delivered files plus the simulated panel library:
  // Orvanta.exe, Orvanta.wav, Data\QV-LK2048.def, FNTD2XX.dll (withPanelLibrary).
  [[nodiscard]] bool InstallDriver(bool withPanelLibrary = true) const;
  bool WriteText(const std::wstring& relative, const std::string& bytes) const;
  [[nodiscard]] std::string ReadText(const std::wstring& relative) const;  // empty when missing
  [[nodiscard]] bool Exists(const std::wstring& relative) const;

private:
  std::wstring path_;
};

// A child process; terminated and waited for on destruction if still running.
class Process {
public:
  Process() = default;
  ~Process();
  Process(Process&&) noexcept = default;
  Process& operator=(Process&&) noexcept = default;

  // exe is a full path; args the command line after the program name.
  bool Start(const std::wstring& exe, const std::wstring& args = L"", const std::wstring& workDir = L"");
  // Started with its first thread suspended, so that a test can watch it
  // from its very first step; Resume lets it run.
  bool StartSuspended(const std::wstring& exe, const std::wstring& args = L"", const std::wstring& workDir = L"");
  void Resume();
  [[nodiscard]] bool Running() const;
  // Waits for the end; false on time-out.
  bool WaitExit(std::chrono::milliseconds timeout);
  [[nodiscard]] DWORD ExitCode() const;
  [[nodiscard]] DWORD Id() const { return pid_; }
  void Kill();

private:
  bool Launch(const std::wstring& exe, const std::wstring& args, const std::wstring& workDir, DWORD flags);

  wincommon::KernelHandle process_;
  wincommon::KernelHandle thread_;
  DWORD pid_ = 0;
};

// Copies the touch-data stand-in into the folder, starts it there with args
// and waits for its main form; false when the form does not come.
bool StartTouchData(const TestFolder& folder, Process& process, const std::wstring& args);

// Pumps this thread's messages and polls pred every few milliseconds until it
// holds or the timeout passes. Returns pred's last value.
bool WaitUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout);
// Pumps messages for the given time (for checking that something does NOT happen).
void PumpFor(std::chrono::milliseconds duration);

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
// A parent's button by its caption, and a click on it as a user's arrives:
// the notification its parent gets.
HWND Button(HWND parent, const wchar_t* caption);
void Click(HWND parent, const wchar_t* caption);
// The top-level windows of a process with the given class (any when null),
// the visible ones only unless told otherwise.
std::vector<HWND> WindowsOfProcess(DWORD pid, const wchar_t* cls = nullptr, bool visibleOnly = true);
[[nodiscard]] std::wstring WindowText(HWND hwnd);
[[nodiscard]] std::wstring ClassOf(HWND hwnd);

// The class of the system's standard dialogs: message boxes and the
// common file dialogs.
inline constexpr wchar_t kDialogClass[] = L"#32770";

// A message box as a user sees it: its title, the text of its labels, the
// button drawn as the default and the one with the focus.
struct Box {
  HWND hwnd = nullptr;
  std::wstring title;
  std::wstring text;
  int defaultId = 0;
  int focusId = 0;
  [[nodiscard]] bool Has(int id) const { return hwnd && ::GetDlgItem(hwnd, id) != nullptr; }
};
// The visible message boxes of a process.
[[nodiscard]] std::vector<HWND> Boxes(DWORD pid);
// The first message box of the process (with this title when one is given),
// read once its text is there; an empty Box when none comes in time or the
// process ends first.
[[nodiscard]] Box WaitForBox(DWORD pid, std::chrono::milliseconds timeout, const wchar_t* title = nullptr);
// Presses one of its buttons as a click does and waits for the box to go.
bool Answer(const Box& box, int id, std::chrono::milliseconds timeout = std::chrono::seconds(20));

// What a window's paint code draws, asked for with WM_PRINTCLIENT into a
// 32-bit bitmap of our own (not a copy of the screen). Every pixel starts
// as a colour that nothing here paints, so an unpainted one shows.
struct Drawing {
  static constexpr std::uint32_t kUnpainted = 0x123456;
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  [[nodiscard]] std::uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x] & 0xFFFFFF; }
  // The length of the run of a colour from (x, y) down, and to the right.
  [[nodiscard]] int RunDown(int x, int y, std::uint32_t colour) const;
  [[nodiscard]] int RunRight(int x, int y, std::uint32_t colour) const;
};
[[nodiscard]] Drawing Draw(int width, int height, const std::function<void(HDC)>& paint);
[[nodiscard]] Drawing PrintClient(HWND window);

// For the screenshot tool that tools/take_screenshots.sh runs: writes
// "<name>.ready" holding the window's place on the screen (for cropping)
// into the folder named by ORVANTA_SHOTS, then waits up to a minute for
// "<name>.done" back while the screen is copied.
bool PoseForScreenshot(const wchar_t* name, HWND window);

// A shell link at lnk that points at target, as Explorer makes one.
bool MakeShortcut(const std::wstring& lnk, const std::wstring& target);

// Lines of a text file without line ends and blank lines.
[[nodiscard]] std::vector<std::string> Lines(const std::string& text);

// Reads an INI value the way the driver does (GetPrivateProfileStringA, ANSI).
[[nodiscard]] std::string IniRead(const std::wstring& file, const char* section, const char* key,
                                  const char* def = "\x01missing");

}  // namespace harness
