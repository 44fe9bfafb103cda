#pragma once
// The commands another program hands the driver through its link text box
// (OrvantaLink passes its command line as it is). Only the whole text counts,
// exactly: "cmd_setting" or "Cmd_Setting " is no command.
#include <string_view>

namespace orvanta {

enum class DriverCommand { None, Setting, Debug, Exit };

[[nodiscard]] DriverCommand ReadDriverCommand(std::wstring_view text);

}  // namespace orvanta
