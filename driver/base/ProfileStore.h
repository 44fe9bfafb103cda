#pragma once
// Access to INI ("profile") files. On Windows this is the platform's
// profile-string functions in the ANSI code page (base/win/WinProfileStore);
// the tests and fuzzers use an emulation of them (sim/profile). File paths
// are the driver's own, in UTF-8; sections, keys and values are the file's
// ANSI text.
#include <cstddef>
#include <string>
#include <string_view>

#include "AnsiString.h"

namespace orvanta {

// Values come back in at most this many characters (a 255-character buffer
// with its terminating zero).
inline constexpr std::size_t kProfileValueMax = 254;

class ProfileStore {
public:
  virtual ~ProfileStore() = default;
  // Section and key match without regard to case; blanks around the value are
  // dropped and one pair of enclosing double quotes removed; the result is
  // cut to kProfileValueMax characters. Default comes back when the file,
  // section or key is missing.
  [[nodiscard]] virtual AnsiString Read(const std::string& file, const AnsiString& section, const AnsiString& key,
                                        const AnsiString& def) = 0;
  // Replaces an existing value in place, adds a new key at the end of its
  // section and a new section at the end of the file. False when the file
  // cannot be written: the settings and calibration dialogs tell the user,
  // the driver's own writes at start-up and after an action go on silently.
  virtual bool Write(const std::string& file, const AnsiString& section, const AnsiString& key,
                     const AnsiString& value) = 0;
};

// What a read gives back for the text after a key's "=" on its line: blanks
// and tabs around it dropped, then one pair of matching enclosing quotes
// (double or single) removed, cut to kProfileValueMax characters.
[[nodiscard]] AnsiString ProfileValueAsRead(std::string_view stored);

}  // namespace orvanta
