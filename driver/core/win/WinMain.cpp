// Orvanta: the resident touch-panel driver.
#include <windows.h>

#include "FormMain.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // A second driver ends at once, silently, before it has made any window.
  const auto instance = orvanta::win::FormMain::ClaimSingleInstance();
  if (!instance) return 0;
  orvanta::win::FormMain form;
  if (!form.Load()) return 0;
  return form.Run();
}
