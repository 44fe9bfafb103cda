#pragma once
// The application title that the removal log records, used in place of "|1"
// in the removal program's messages.
#include <string>
#include <string_view>

namespace orvanta::preuninstall {

// Scans the log's lines (CR LF, LF or CR) for lines that hold both "CONFIG:"
// and "Title:" (letter case ignored) and returns the text after "Title:",
// without one pair of enclosing quotes; the last such line wins. Empty when
// no line matches.
[[nodiscard]] std::wstring ReadLogTitle(std::wstring_view logText);

}  // namespace orvanta::preuninstall
