#include "WinProfileStore.h"

#include <windows.h>

#include "base/win/AnsiText.h"

namespace orvanta::win {

namespace {

// What a read gives back after the value was written: its line, as the file
// would hold it after "key=".
AnsiString AsReadBack(const AnsiString& value) {
  std::string_view line = value.bytes();
  line = line.substr(0, line.find('\n'));
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return ProfileValueAsRead(line);
}

}  // namespace

AnsiString WinProfileStore::Read(const std::string& file, const AnsiString& section, const AnsiString& key,
                                 const AnsiString& def) {
  if (!unsaved_.empty()) {
    const auto it = unsaved_.find(Location{file, section, key});
    if (it != unsaved_.end()) return it->second;
  }
  // A 255-character buffer: at most 254 characters of value come back.
  char buffer[kProfileValueMax + 1] = {};
  ::GetPrivateProfileStringA(section.bytes().c_str(), key.bytes().c_str(), def.bytes().c_str(), buffer,
                             sizeof(buffer), Utf8ToAnsi(file).bytes().c_str());
  return AnsiString::FromBytes(buffer);
}

bool WinProfileStore::Write(const std::string& file, const AnsiString& section, const AnsiString& key,
                            const AnsiString& value) {
  const bool written = ::WritePrivateProfileStringA(section.bytes().c_str(), key.bytes().c_str(),
                                                    value.bytes().c_str(), Utf8ToAnsi(file).bytes().c_str()) != FALSE;
  const Location where{file, section, key};
  if (written) {
    // The file holds it now; what it holds is read from there again.
    unsaved_.erase(where);
  } else {
    unsaved_[where] = AsReadBack(value);
  }
  return written;
}

}  // namespace orvanta::win
