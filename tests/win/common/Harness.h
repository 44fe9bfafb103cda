#pragma once
// Shared harness of the tests that run under Wine: fresh driver folders,
// message boxes and drawings read back, and (from simcommon, which the demo
// and the benchmarks use too) child processes, window lookups and waiting for
// a condition while pumping messages (no bare sleeps: every wait has a
// condition and a deadline).
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "simcommon/Programs.h"
#include "wincommon/Handles.h"

namespace harness {

// Processes, waits and window lookups (Process, WaitUntil, PumpFor, Join,
// WindowsOfProcess ...), shared with the demo and the benchmarks.
using namespace simcommon;

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

// Copies the touch-data stand-in into the folder, starts it there with args
// and waits for its main form; false when the form does not come.
bool StartTouchData(const TestFolder& folder, Process& process, const std::wstring& args);

// The process has ended (or never was).
[[nodiscard]] bool ProcessEnded(DWORD pid);

// A parent's button by its caption, and a click on it as a user's arrives:
// the notification its parent gets.
HWND Button(HWND parent, const wchar_t* caption);
void Click(HWND parent, const wchar_t* caption);
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

// A label (a STATIC child) of the parent reads this text, or holds it (part).
[[nodiscard]] bool HasLabel(HWND parent, const std::wstring& text, bool part = false);
// A window's place on the screen.
[[nodiscard]] RECT WindowRect(HWND window);
// A cell of a list view of any process. A list view answers only with
// pointers into its own process: the item travels through memory there.
[[nodiscard]] std::wstring ListViewText(HWND list, int row, int column);

// A shell link at lnk that points at target, as Explorer makes one.
bool MakeShortcut(const std::wstring& lnk, const std::wstring& target);

// Lines of a text file without line ends and blank lines.
[[nodiscard]] std::vector<std::string> Lines(const std::string& text);

// Reads an INI value the way the driver does (GetPrivateProfileStringA, ANSI).
[[nodiscard]] std::string IniRead(const std::wstring& file, const char* section, const char* key,
                                  const char* def = "\x01missing");

}  // namespace harness
