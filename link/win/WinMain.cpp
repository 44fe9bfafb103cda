// OrvantaLink: passes its command line to the running driver as a link
// command, for example "Cmd_Setting". No window of its own.
#include <windows.h>

#include "ModuleOrvantaLink.h"
#include "wincommon/DllSearch.h"

// The command line after the program name as the system hands it over:
// quotes and trailing blanks are part of the command.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  wincommon::UseSafeDllSearch();
  return orvantalink::Main(commandLine ? commandLine : L"");
}
