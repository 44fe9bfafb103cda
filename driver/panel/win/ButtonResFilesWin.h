#pragma once
// The button resource file on Windows: paths arrive in UTF-8 and are opened
// with the wide functions, so a driver folder with a Japanese name works on
// any code page.
#include "panel/ClassButtonRes.h"

namespace orvanta::win {

class ButtonResFilesWin : public ButtonResFiles {
public:
  [[nodiscard]] bool Exists(const std::string& path) override;
  std::unique_ptr<Lock> LockAgainstWriters(const std::string& path) override;
  [[nodiscard]] std::optional<std::string> Read(const std::string& path, std::size_t maxBytes) override;
};

}  // namespace orvanta::win
