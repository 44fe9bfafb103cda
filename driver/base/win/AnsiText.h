#pragma once
// The edge between the driver's ANSI texts (AnsiString: the INI file, the
// button resource file, registered programs' paths and version texts) and
// Windows: UTF-16 for the wide functions and the user interface, and the
// system ANSI code page of the A functions. Built on wincommon/Text, which
// converts bytes without knowing what they are.
#include <string>
#include <string_view>

#include "base/AnsiString.h"

namespace orvanta::win {

[[nodiscard]] std::wstring ToWide(const AnsiString& ansi);
[[nodiscard]] AnsiString ToAnsi(std::wstring_view wide);
// The driver's own paths (UTF-8) for the A functions that take them. A
// character the code page cannot spell becomes "?".
[[nodiscard]] AnsiString Utf8ToAnsi(std::string_view utf8);
[[nodiscard]] std::string AnsiToUtf8(const AnsiString& ansi);

}  // namespace orvanta::win
