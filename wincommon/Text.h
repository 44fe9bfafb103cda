#pragma once
// Text conversion in one place: UTF-8 inside the programs, UTF-16 at the
// user-interface edge, the system ANSI code page where a file format or a peer
// demands it (INI files, window searches of the A functions, the serial line).
// The ANSI side here is plain bytes; the driver keeps its ANSI texts in a type
// of their own and converts them through base/win/AnsiText.h.
#include <string>
#include <string_view>

namespace wincommon {

[[nodiscard]] std::wstring Utf8ToWide(std::string_view utf8);
[[nodiscard]] std::string WideToUtf8(std::wstring_view wide);
[[nodiscard]] std::wstring AnsiToWide(std::string_view ansi);
[[nodiscard]] std::string WideToAnsi(std::wstring_view wide);
// Whether a byte begins a double-byte character in the system ANSI code page
// (0x81-0x9F and 0xE0-0xFC under code page 932); the test the driver's text
// rules take to walk ANSI text by characters.
[[nodiscard]] bool IsAnsiLeadByte(unsigned char byte);

// The running program's full path, folder (without trailing "\") and name
// without extension.
[[nodiscard]] std::wstring ModulePath();
[[nodiscard]] std::wstring ModuleFolder();
[[nodiscard]] std::wstring ModuleBaseName();

}  // namespace wincommon
