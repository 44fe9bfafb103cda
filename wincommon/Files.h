#pragma once
// Whole-file reads and writes of bytes, shared for reading while another
// process may be writing (logs of the stand-ins, INI files under test).
#include <string>

namespace wincommon {

// The file's bytes; empty when it is missing or cannot be read.
[[nodiscard]] std::string ReadFileBytes(const std::wstring& path);
// Creates or truncates the file; false when it cannot be written whole.
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);

}  // namespace wincommon
