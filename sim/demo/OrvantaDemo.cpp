// The demonstration behind scripts/run: the real driver under Wine against
// the simulated panel, with the touch-data stand-in beside it.
#include <windows.h>

#include <cstdio>
#include <string>

#include "DemoSupport.h"
#include "fntd2xx/PanelSim.h"
#include "wincommon/Files.h"
#include "wincommon/Text.h"

namespace {

void Say(const std::string& text) {
  std::printf("%s\n", text.c_str());
  std::fflush(stdout);
}

std::size_t InfoWindowsOf(DWORD pid) {
  std::size_t n = 0;
  HWND h = nullptr;
  while ((h = ::FindWindowExW(nullptr, h, L"OrvantaInfo", nullptr)) != nullptr) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(h, &owner);
    if (owner == pid && ::IsWindowVisible(h)) ++n;
  }
  return n;
}

}  // namespace

int wmain() {
  const std::wstring bin = wincommon::ModuleFolder();
  const std::wstring dir = bin + L"\\demo";
  if (const std::wstring missing = demo::LayOutDriverFolder(bin, dir); !missing.empty()) {
    Say("missing in the build folder: " + wincommon::WideToUtf8(missing));
    return 1;
  }
  const std::wstring log = dir + L"\\touchdata.log";
  ::DeleteFileW(log.c_str());
  Say("Demo driver folder: " + wincommon::WideToUtf8(dir));

  panelsim::PanelSim panel(panelsim::PanelSim::UniqueName(L"Demo"));
  panel.Export();
  panel.Plug(false);

  wincommon::KernelHandle touchData, driver;
  if (!demo::StartProgram(dir + L"\\TouchDataSim.exe", L"\"" + log + L"\"", dir, touchData)) return 1;
  Say("Touch-data stand-in started (window \"Ｔｏｕｃｈ　Ｄａｔａ\").");
  if (!demo::StartProgram(dir + L"\\Orvanta.exe", L"", dir, driver)) return 1;
  const DWORD driverPid = ::GetProcessId(driver.get());
  demo::WaitFor([] { return ::FindWindowW(L"ThunderRT6Main", L"Orvanta") != nullptr; }, 15000);
  Say("Driver running (pid " + std::to_string(driverPid) + "), panel unplugged: it tries once a second.");

  panel.Plug(true);
  Say("Panel plugged in.");
  if (!demo::WaitFor([&] { return panel.IsOpen() && panel.Written().size() >= 8; }, 5000)) {
    Say("the driver did not open the panel");
    return 1;
  }
  Say("Driver opened \"Orvanta TouchPanel\" at 38400 baud 8N2 and sent CR J1 CR TC1 CR.");

  int x = 0, y = 0;
  if (!demo::FindButtonCentre(dir + L"\\Data\\QV-LK2048.def", "Tpdrv.ChangeTPNamedID", x, y)) {
    Say("no calibration-set button in the layout");
    return 1;
  }
  for (int press = 1; press <= 2; ++press) {
    Say("Touch " + std::to_string(press) + " on the calibration-set button at " + std::to_string(x) + "," +
        std::to_string(y) + ": " + panelsim::PanelSim::ReportText(x, y, 'B').substr(0, 9));
    panel.QueueReport(x, y, 'B', panelsim::PanelSim::Now());
    panel.QueueReport(x, y, 'N', panelsim::PanelSim::Now() + panelsim::PanelSim::MsToTicks(80));
    demo::WaitFor([&] { return InfoWindowsOf(driverPid) == 2; }, 3000);
    Say("  notification on screen: " + std::string(InfoWindowsOf(driverPid) == 2 ? "yes" : "no"));
    const std::wstring shot = dir + L"\\notification-" + std::to_wstring(press) + L".bmp";
    if (InfoWindowsOf(driverPid) == 2 && demo::SaveScreenshot(shot)) Say("  screenshot: " + wincommon::WideToUtf8(shot));
    Say("  touch-data program received:\n" + wincommon::ReadFileBytes(log));
    demo::WaitFor([&] { return InfoWindowsOf(driverPid) == 0; }, 5000);
  }

  demo::SendLinkCommand("Cmd_Exit");
  const bool ended = ::WaitForSingleObject(driver.get(), 10000) == WAIT_OBJECT_0;
  Say(std::string("Driver ended on Cmd_Exit: ") + (ended ? "yes" : "no") + "; device closed: " +
      (panel.IsOpen() ? "no" : "yes"));
  demo::CloseTouchData(touchData.get());
  return ended ? 0 : 1;
}
