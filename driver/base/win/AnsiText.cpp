#include "AnsiText.h"

#include "wincommon/Text.h"

namespace orvanta::win {

std::wstring ToWide(const AnsiString& ansi) { return wincommon::AnsiToWide(ansi.bytes()); }

AnsiString ToAnsi(std::wstring_view wide) { return AnsiString::FromBytes(wincommon::WideToAnsi(wide)); }

AnsiString Utf8ToAnsi(std::string_view utf8) { return ToAnsi(wincommon::Utf8ToWide(utf8)); }

std::string AnsiToUtf8(const AnsiString& ansi) { return wincommon::WideToUtf8(ToWide(ansi)); }

}  // namespace orvanta::win
