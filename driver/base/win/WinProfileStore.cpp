#include "WinProfileStore.h"

#include <windows.h>

#include "wincommon/Text.h"

namespace orvanta::win {

std::string WinProfileStore::Read(const std::string& file, const std::string& section, const std::string& key,
                                  const std::string& def) {
  if (!unsavedKeys_.empty() && unsavedKeys_.count(Location{file, section, key}) != 0) {
    return unsaved_[file].Read(section, key, def);
  }
  // A 255-character buffer: at most 254 characters of value come back.
  char buffer[kProfileValueMax + 1] = {};
  ::GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buffer, sizeof(buffer),
                             wincommon::Utf8ToAnsi(file).c_str());
  return buffer;
}

bool WinProfileStore::Write(const std::string& file, const std::string& section, const std::string& key,
                            const std::string& value) {
  const bool written = ::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(),
                                                    wincommon::Utf8ToAnsi(file).c_str()) != FALSE;
  const Location where{file, section, key};
  if (written) {
    // The file holds it now; what it holds is read from there again.
    unsavedKeys_.erase(where);
  } else {
    unsaved_[file].Write(section, key, value);
    unsavedKeys_.insert(where);
  }
  return written;
}

}  // namespace orvanta::win
