#pragma once
// The PenPlus stand-in from outside, as the Wine tests, the pen benchmark and
// the demo need it: put where a program expects PenPlus, started and waited
// for, its windows found as a person's tools find them, and ended.
#include <windows.h>

#include <chrono>
#include <string>

#include "simcommon/Programs.h"

namespace penplus {

// The stand-in's main window class.
inline constexpr wchar_t kMainClass[] = L"PenPlusSimMain";

// Copies the stand-in of this major version from bin (penplus<major>\) to
// folder\PenPlus.exe, the folder made as needed, with args in the file it
// reads when started without any (none: no file). Returns the program's
// path; empty when it could not be copied.
[[nodiscard]] std::wstring Install(const std::wstring& bin, int major, const std::wstring& folder,
                                   const std::string& args = "");
// Starts it there and waits until its log (PenPlus.log beside it) says its
// tool bar is up.
bool Start(const std::wstring& exe, const std::wstring& args, simcommon::Process& process,
           std::chrono::milliseconds timeout = std::chrono::seconds(10));

// The main window; the tool bar, a dialog-class window without a caption
// that the main window owns; a visible dialog by its caption; and a visible
// tool bar button by its caption. Null when there is none.
[[nodiscard]] HWND MainWindow();
[[nodiscard]] HWND Toolbar();
[[nodiscard]] HWND Dialog(const std::wstring& caption);
[[nodiscard]] HWND ToolbarButton(const std::wstring& caption);

// Asks every running stand-in to close and waits; one that is still there
// after the wait is ended by its process id.
void CloseAll(std::chrono::milliseconds wait = std::chrono::seconds(5));

}  // namespace penplus
