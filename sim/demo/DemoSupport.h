#pragma once
// What the demo and the benchmarks share beyond simcommon's programs and
// waits: a driver folder laid out beside the build with the simulated panel
// library and the touch-data stand-in, the delivered layout's buttons and a
// copy of the screen.
#include <windows.h>

#include <string>

#include "simcommon/Programs.h"

namespace demo {

// Makes dir (with Data\) a fresh driver folder: copies the driver's files,
// FNTD2XX.dll and TouchDataSim.exe from bin, removes an INI file and current
// panel data left from an earlier run. Returns the name of a file missing in
// bin, or empty text when all were copied.
[[nodiscard]] std::wstring LayOutDriverFolder(const std::wstring& bin, const std::wstring& dir);

// A benchmark's own driver folder, bin\<name>, laid out as above, and the
// centre of the delivered button whose click action is `action`. Says on
// stderr what is missing and returns false.
bool LayOutBenchFolder(const std::wstring& bin, const std::wstring& name, const std::string& action,
                       std::wstring& dir, int& x, int& y);

// Saves the whole screen as a 24-bit BMP file.
bool SaveScreenshot(const std::wstring& file);

// Closes the touch-data stand-in and waits for it.
void CloseTouchData(simcommon::Process& process);

}  // namespace demo
