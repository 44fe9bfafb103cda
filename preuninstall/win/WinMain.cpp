// OrvantaUninst: run by the product's uninstall registration as
//   OrvantaUninst.exe /u <removal program> -n <removal log> [more]
// Asks for confirmation, stops the running driver and starts the installer's
// removal program ST6UNST.EXE. It has no window of its own; it speaks only
// through message boxes that show the removal program's own texts.
//
// Exit code: 0 when nothing was asked for or the removal program was started;
// otherwise the error code of the run (605, 611, 702; 1 for a missing removal
// program), 702 also after a refusal.
#include <windows.h>
#include <objbase.h>

#include "CommandLine.h"
#include "PreUninstall.h"
#include "wincommon/DllSearch.h"

using namespace orvanta::preuninstall;

namespace {

int ExitCodeOf(ErrorCode code) { return code == ErrorCode::FileNotFound ? 1 : static_cast<int>(code); }

int Run() {
  Environment env;
  env.fileReadable = FileReadable;
  env.readText = ReadLogText;
  const UninstallCommand cmd = ParseUninstallCommand(ArgumentsOf(::GetCommandLineW()), env);
  // Started without "/u " (a double-click on the file): nothing to do, nothing to say.
  if (!cmd.requested) return 0;

  if (cmd.error == ErrorCode::FileNotFound) {
    ShowFailure(cmd.error, nullptr);
    return ExitCodeOf(cmd.error);
  }
  const RemovalMessages messages(cmd.removalPath, cmd.appTitle);
  if (cmd.error != ErrorCode::None) {
    ShowFailure(cmd.error, &messages);
    return ExitCodeOf(cmd.error);
  }
  bool refused = false;
  if (!ConfirmAndRun(cmd, messages, &refused)) {
    ShowFailure(ErrorCode::Cancelled, &messages);
    return ExitCodeOf(ErrorCode::Cancelled);
  }
  return refused ? ExitCodeOf(ErrorCode::Cancelled) : 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Elevated, and often started from a download or shared folder: libraries
  // loaded by name (shell, COM) come from the system folder only.
  wincommon::UseSafeDllSearch();
  // ShellExecuteEx may hand the start to shell extensions that need COM on
  // the calling thread; no DDE, the removal program is a plain program.
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  const int code = Run();
  if (SUCCEEDED(com)) ::CoUninitialize();
  return code;
}
