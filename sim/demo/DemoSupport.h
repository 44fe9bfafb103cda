#pragma once
// What the demo and the whole-road benchmark share: a driver folder laid out
// beside the build with the simulated panel library, the programs started in
// it, the delivered layout's buttons, and link commands to the driver.
#include <windows.h>

#include <string>

#include "wincommon/Handles.h"

namespace demo {

// Makes dir (with Data\) a fresh driver folder: copies the driver's files,
// FNTD2XX.dll and TouchDataSim.exe from bin, removes an INI file and current
// panel data left from an earlier run. Returns the name of a file missing in
// bin, or empty text when all were copied.
[[nodiscard]] std::wstring LayOutDriverFolder(const std::wstring& bin, const std::wstring& dir);

// The centre of the first button of the layout file whose click action is
// `action` (the action text's first element).
bool FindButtonCentre(const std::wstring& defFile, const std::string& action, int& x, int& y);

// A benchmark's own driver folder, bin\<name>, laid out as above, and the
// centre of the delivered button whose click action is `action`. Says on
// stderr what is missing and returns false.
bool LayOutBenchFolder(const std::wstring& bin, const std::wstring& name, const std::string& action,
                       std::wstring& dir, int& x, int& y);

bool StartProgram(const std::wstring& exe, const std::wstring& args, const std::wstring& workDir,
                  wincommon::KernelHandle& process);

// Sets the running driver's link text box, as OrvantaLink does; false when no
// driver answers.
bool SendLinkCommand(const char* command);

// Saves the whole screen as a 24-bit BMP file.
bool SaveScreenshot(const std::wstring& file);

// Starts the touch-data stand-in of dir there with args and waits up to ms
// for its main form.
bool StartTouchData(const std::wstring& dir, const std::wstring& args, wincommon::KernelHandle& process, DWORD ms);

// Closes the touch-data stand-in and waits for it.
void CloseTouchData(HANDLE process);

template <typename Pred>
bool WaitFor(Pred pred, DWORD ms) {
  const ULONGLONG end = ::GetTickCount64() + ms;
  while (!pred()) {
    if (::GetTickCount64() > end) return false;
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    ::Sleep(5);
  }
  return true;
}

}  // namespace demo
