// Orvanta: the resident touch-panel driver.
#include <windows.h>

#include "FormMain.h"
#include "wincommon/DllSearch.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before anything loads a library by name (the panel library, sound and
  // shell components): no copy from the current folder or PATH.
  wincommon::UseSafeDllSearch();
  // A second driver ends at once, silently, before it has made any window.
  const auto instance = orvanta::win::FormMain::ClaimSingleInstance();
  if (!instance) return 0;
  orvanta::win::FormMain form;
  if (!form.Load()) return 0;
  return form.Run();
}
