#pragma once
// File and process information from Windows: version resources, shortcut
// files (through the shell-link interfaces), a process's image path.
#include "settings/FileInf.h"

namespace orvanta::win {

class ModuleFileInf : public FileInfo {
public:
  [[nodiscard]] std::string GetFileVerInfo(const std::string& path, int item) override;
  [[nodiscard]] FixedFileVerInfo GetFixedFileVerInfo(const std::string& path) override;
  [[nodiscard]] std::string GetShortcutInfo(const std::string& shortcutPath, int property) override;
  [[nodiscard]] std::string GetProcessImagePath(std::uint32_t pid) override;
  [[nodiscard]] bool FileExists(const std::string& path) override;
};

}  // namespace orvanta::win
