// Orvanta: the resident touch-panel driver.
#include <windows.h>

#include "FormMain.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  orvanta::win::FormMain form;
  if (!form.Load()) return 0;
  return form.Run();
}
