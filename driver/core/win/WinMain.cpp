// Orvanta: the resident touch-panel driver.
#include <windows.h>

#include "FormMain.h"
#include "wincommon/DllSearch.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before anything loads a library by name (the panel library, sound and
  // shell components): no copy from the current folder or PATH.
  wincommon::UseSafeDllSearch();
  // A second driver ends at once, silently, before it has made any window.
  auto instance = orvanta::win::FormMain::ClaimSingleInstance();
  if (!instance) return 0;
  int code = 0;
  {
    orvanta::win::FormMain form;
    if (form.Load()) code = form.Run();
  }
  // The form is gone: the next start may run, even should this process
  // linger in its exit.
  orvanta::win::FormMain::ReleaseSingleInstance(instance);
  return code;
}
