#pragma once
// Profile strings through the platform's ANSI profile functions: the INI file
// and the panel data files are in the system ANSI code page. File paths come
// in UTF-8 and are converted once here.
#include "base/ProfileStore.h"

namespace orvanta::win {

class WinProfileStore : public ProfileStore {
public:
  std::string Read(const std::string& file, const std::string& section, const std::string& key,
                   const std::string& def) override;
  bool Write(const std::string& file, const std::string& section, const std::string& key,
             const std::string& value) override;
};

}  // namespace orvanta::win
