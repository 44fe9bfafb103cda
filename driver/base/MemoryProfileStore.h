#pragma once
// A portable ProfileStore over real INI text files, for the native tests and
// fuzzers and for any host without the platform's profile-string functions.
// It follows the rules of those functions that the system relies on:
//  - section and key names match without regard to ASCII letter case; the
//    first matching section and, within it, the first matching key win;
//  - blanks and tabs around names and values are dropped, then one pair of
//    matching enclosing quotes (double or single) is removed from a value;
//  - values (and the default) come back cut to kProfileValueMax characters,
//    and the default loses its trailing blanks, as with the platform call;
//  - a write replaces an existing key's value in place (keeping the key's own
//    spelling), adds a new key after the last line of its section and a new
//    section at the end of the file, creating the file if needed.
// Bytes are kept as they are (the files are in the ANSI code page). New lines
// are written with CR LF. The file name is used exactly as given: a Windows
// path such as "dir\Data\QV-LK2048.def" is, on Linux, one file whose name
// holds backslashes, which the tests rely on.
// Every call reads the file anew, so changes made by others are seen at once.
#include <string>

#include "ProfileStore.h"

namespace orvanta {

class MemoryProfileStore : public ProfileStore {
public:
  [[nodiscard]] std::string Read(const std::string& file, const std::string& section, const std::string& key,
                                 const std::string& def) override;
  bool Write(const std::string& file, const std::string& section, const std::string& key,
             const std::string& value) override;
};

}  // namespace orvanta
