#pragma once
// File and process information from Windows: version resources, shortcut
// files (through the shell-link interfaces), a process's image path.
#include <cstdint>
#include <string>

#include "base/FileInf.h"

namespace orvanta::win {

class ModuleFileInf : public FileInfo {
public:
  [[nodiscard]] std::string GetFileVerInfo(const std::string& path, int item) override;
  [[nodiscard]] FixedFileVerInfo GetFixedFileVerInfo(const std::string& path) override;
  [[nodiscard]] std::string GetShortcutInfo(const std::string& shortcutPath, int property) override;
  [[nodiscard]] std::string GetProcessImagePath(std::uint32_t pid) override;
  [[nodiscard]] bool FileExists(const std::string& path) override;

private:
  // The last fixed block read, with the file's size and write time: the pen
  // handler asks for it before every action, and reading a version resource
  // costs milliseconds where a file's time stamp costs microseconds.
  struct CachedBlock {
    std::string path;
    std::uint64_t size = 0, written = 0;
    FixedFileVerInfo block;
  };
  CachedBlock cached_;
};

}  // namespace orvanta::win
