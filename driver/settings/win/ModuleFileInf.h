#pragma once
// File and process information from Windows: version resources, shortcut
// files (through the shell-link interfaces), a process's image path.
#include <cstdint>
#include <string>

#include "base/FileInf.h"

namespace orvanta::win {

class ModuleFileInf : public FileInfo {
public:
  [[nodiscard]] AnsiString GetFileVerInfo(const AnsiString& path, int item) override;
  [[nodiscard]] FixedFileVerInfo GetFixedFileVerInfo(const AnsiString& path) override;
  [[nodiscard]] AnsiString GetShortcutInfo(const AnsiString& shortcutPath, int property) override;
  [[nodiscard]] AnsiString GetProcessImagePath(std::uint32_t pid) override;
  [[nodiscard]] bool FileExists(const AnsiString& path) override;

private:
  // The last fixed block read, with the file's size and write time: the pen
  // handler asks for it before every action, and reading a version resource
  // costs milliseconds where a file's time stamp costs microseconds.
  struct CachedBlock {
    AnsiString path;
    std::uint64_t size = 0, written = 0;
    FixedFileVerInfo block;
  };
  CachedBlock cached_;
};

}  // namespace orvanta::win
