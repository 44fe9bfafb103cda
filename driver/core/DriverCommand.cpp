#include "DriverCommand.h"

namespace orvanta {

DriverCommand ReadDriverCommand(std::wstring_view text) {
  if (text == L"Cmd_Setting") return DriverCommand::Setting;
  if (text == L"Cmd_Debug") return DriverCommand::Debug;
  if (text == L"Cmd_Exit") return DriverCommand::Exit;
  return DriverCommand::None;
}

}  // namespace orvanta
