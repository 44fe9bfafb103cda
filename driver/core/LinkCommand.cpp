#include "LinkCommand.h"

namespace orvanta {

LinkCommand ReadLinkCommand(std::wstring_view text) {
  if (text == L"Cmd_Setting") return LinkCommand::Setting;
  if (text == L"Cmd_Debug") return LinkCommand::Debug;
  if (text == L"Cmd_Exit") return LinkCommand::Exit;
  return LinkCommand::None;
}

}  // namespace orvanta
