#pragma once
// The driver's eight main settings, kept in the INI file beside the driver.
#include <cstdint>
#include <string>

#include "AnsiString.h"
#include "ProfileStore.h"

namespace orvanta {

struct MainSettings {
  std::int32_t Priority = 5;                 // [Main] Priority
  std::int32_t DblClickTime = 400;           // [Main] DblClickTime, ms
  std::int32_t NotifyMsg = 3000;             // [Main] NotifyMsg, ms; < 1 turns notifications off
  std::int32_t NotifyMsgPos = 0;             // [Main] NotifyMsgPos, 0..4
  AnsiString PenPlusPath;                    // [PenPlus] Path
  std::int32_t PenPlusRunTimeOut = 20000;    // [PenPlus] RunTimeOut, ms
  std::int32_t TpdrvChangeTPNamedID = -1;    // [Tpdrv] ChangeTPNamedID
  AnsiString CameraPath;                     // [Camera] Path
};

// The INI file: the executable's folder, "\" unless the folder already ends
// with one, the executable name, ".ini". exeFolder and exeName without
// extension as the platform reports them, in UTF-8.
[[nodiscard]] std::string IniFilePath(const std::string& exeFolder, const std::string& exeName);

// Reads the eight settings in table order, each with its default; numbers
// leniently (DblClickTime = 350ms reads 350, abc reads 0).
[[nodiscard]] MainSettings LoadSettings(ProfileStore& store, const std::string& iniPath);

// Writes all eight back in the same order; numbers in decimal, each path
// between double quotes so that leading and trailing blanks survive.
void SaveSettings(ProfileStore& store, const std::string& iniPath, const MainSettings& s);

// The priority class for Priority 1..6 (idle .. real time), or 0 when the
// value selects none and the priority stays as it is.
[[nodiscard]] std::uint32_t PriorityClassFor(std::int32_t priority);

}  // namespace orvanta
