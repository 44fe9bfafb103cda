#include "FileInf.h"

#include <cstdio>
#include <iterator>

namespace orvanta {

std::string VerInfoKeyName(int item) {
  static constexpr const char* kKeys[] = {"FileDescription", "LegalCopyright", "FileVersion", "ProductVersion",
                                          "ProductName",     "CompanyName",    "Comments",    "LegalTrademarks"};
  if (item < 0 || item >= static_cast<int>(std::size(kKeys))) return {};
  return kKeys[item];
}

std::string VerInfoQuery(std::uint16_t language, std::uint16_t codePage, int item) {
  const std::string key = VerInfoKeyName(item);
  if (key.empty()) return {};
  char block[9];
  std::snprintf(block, sizeof block, "%04X%04X", static_cast<unsigned>(language), static_cast<unsigned>(codePage));
  return std::string("\\StringFileInfo\\") + block + "\\" + key;
}

std::string ShortcutPropertyName(int property) {
  static constexpr const char* kNames[] = {"Arguments",  "Description", "FullName",    "Hotkey",
                                           "IconLocation", "TargetPath", "WindowStyle", "WorkingDirectory"};
  if (property < 0 || property >= static_cast<int>(std::size(kNames))) return {};
  return kNames[property];
}

}  // namespace orvanta
