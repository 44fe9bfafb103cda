#pragma once
// Access to INI ("profile") files. On Windows this is the platform's
// profile-string functions in the ANSI code page; natively it is an in-memory
// implementation with the same rules, used by the unit tests.
#include <string>

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
  [[nodiscard]] virtual std::string Read(const std::string& file, const std::string& section,
                                         const std::string& key, const std::string& def) = 0;
  // Replaces an existing value in place, adds a new key at the end of its
  // section and a new section at the end of the file. False when the file
  // cannot be written: the settings and calibration dialogs tell the user,
  // the driver's own writes at start-up and after an action go on silently.
  virtual bool Write(const std::string& file, const std::string& section, const std::string& key,
                     const std::string& value) = 0;
};

}  // namespace orvanta
