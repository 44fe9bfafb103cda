// Any text handed to the driver's link text box, read as a command: exactly
// the three command texts are commands, and nothing near them (case, blanks,
// a longer or shorter text, a NUL inside) is.
#include "core/DriverCommand.h"
#include "FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // UTF-16 units two bytes at a time, as the box receives them.
  std::wstring text;
  for (std::size_t i = 0; i + 1 < size; i += 2) text += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
  using orvanta::DriverCommand;
  const DriverCommand c = orvanta::ReadDriverCommand(text);
  const wchar_t* expected = c == DriverCommand::Setting ? L"Cmd_Setting"
                            : c == DriverCommand::Debug ? L"Cmd_Debug"
                            : c == DriverCommand::Exit  ? L"Cmd_Exit"
                                                      : nullptr;
  Check(expected ? text == expected : text != L"Cmd_Setting" && text != L"Cmd_Debug" && text != L"Cmd_Exit");
  // A text cut anywhere short of its end, or with anything added, is no command.
  if (expected) Check(orvanta::ReadDriverCommand(text.substr(0, text.size() - 1)) == DriverCommand::None);
  Check(orvanta::ReadDriverCommand(text + L' ') == DriverCommand::None);
  return 0;
}
