#pragma once
// What the driver needs to know about files and processes: version
// information, the fixed version block, shortcut properties, a process's
// image path. The platform supplies it (ModuleFileInf); the rules around it
// (item and property numbers, the query path, the major version) are here.
#include <array>
#include <cstdint>
#include <string>

#include "AnsiString.h"

namespace orvanta {

// Version-information items by number (0 FileDescription ... 7 LegalTrademarks).
enum VerInfoItem : int {
  kVerFileDescription = 0,
  kVerLegalCopyright = 1,
  kVerFileVersion = 2,
  kVerProductVersion = 3,
  kVerProductName = 4,
  kVerCompanyName = 5,
  kVerComments = 6,
  kVerLegalTrademarks = 7,
};

// Shortcut properties by number, named as the shell's shortcut object names them.
enum ShortcutProperty : int {
  kLnkArguments = 0,
  kLnkDescription = 1,
  kLnkFullName = 2,
  kLnkHotkey = 3,
  kLnkIconLocation = 4,
  kLnkTargetPath = 5,
  kLnkWindowStyle = 6,
  kLnkWorkingDirectory = 7,
};

// The key of an item ("ProductName"); empty for numbers outside 0..7. These
// names and queries are the program's own ASCII texts.
[[nodiscard]] std::string VerInfoKeyName(int item);
// The string-table query of an item under one translation, with language and
// code page as four upper-case hexadecimal digits each:
// \StringFileInfo\041104B0\ProductName. Empty for an unknown item.
[[nodiscard]] std::string VerInfoQuery(std::uint16_t language, std::uint16_t codePage, int item);
[[nodiscard]] std::string ShortcutPropertyName(int property);

// The fixed version block: signature, structure version, file version high and
// low, product version high and low, flags mask, flags, OS, file type, file
// subtype, file date high and low. All zero when a file has none.
struct FixedFileVerInfo {
  std::array<std::uint32_t, 13> values{};
  // The file version's major number: the high word of the file version's
  // high half, taken as a signed 16-bit number.
  [[nodiscard]] std::int16_t MajorVersion() const {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(values[2] >> 16));
  }
};

// Paths in and out are in the system ANSI code page, as the INI file keeps
// them; version texts come in that code page too. Every failure gives an
// empty text, an all-zero block or false.
class FileInfo {
public:
  virtual ~FileInfo() = default;
  [[nodiscard]] virtual AnsiString GetFileVerInfo(const AnsiString& path, int item) = 0;
  [[nodiscard]] virtual FixedFileVerInfo GetFixedFileVerInfo(const AnsiString& path) = 0;
  [[nodiscard]] virtual AnsiString GetShortcutInfo(const AnsiString& shortcutPath, int property) = 0;
  [[nodiscard]] virtual AnsiString GetProcessImagePath(std::uint32_t pid) = 0;
  // True when the file's length can be read (it exists and is a file).
  [[nodiscard]] virtual bool FileExists(const AnsiString& path) = 0;
};

}  // namespace orvanta
