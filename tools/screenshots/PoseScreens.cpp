// Poses the delivered driver for the README's screenshots: brings its
// dialogs on screen in the states the README shows, on a simulated panel of
// its own, and waits at each while tools/take_screenshots.sh copies the X
// screen (a copy made inside Wine would miss layered windows; see
// demo::Screens). It judges nothing but whether each state came, and says on
// the error stream which did not.
//
//   pose_screens calibration         the calibration dialog, then the view
//   pose_screens calibration-144dpi  the calibration dialog only, under that
//                                    name (the script sets the DPI: Wine
//                                    gives every monitor the screen's)
//   pose_screens settings            the settings and selection dialogs
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "Screens.h"
#include "common/DriverTestSupport.h"
#include "identities/WindowIdentities.h"
#include "wincommon/Text.h"

namespace {

using namespace std::chrono_literals;
using drivertest::DriverFixture;
using panelsim::PanelSim;
namespace identity = orvanta::identity;

bool Fail(const char* what) {
  std::fprintf(stderr, "pose_screens: %s\n", what);
  return false;
}

// The demo's hand-over to take_screenshots.sh, cut to the window.
bool Pose(const wchar_t* name, HWND window) {
  harness::PumpFor(500ms);  // painted
  RECT area{};
  ::GetWindowRect(window, &area);
  const bool handOver = ::GetEnvironmentVariableW(L"ORVANTA_SHOTS", nullptr, 0) != 0;
  return (handOver && demo::Screens(L"").Take(name, &area)) || Fail("no picture taken (is ORVANTA_SHOTS set?)");
}

// A driver with the delivered layout and resources on a panel of our own.
class PosedDriver {
public:
  explicit PosedDriver(const wchar_t* folder) : panel(PanelSim::UniqueName(L"Shots")), f(true, folder) {
    panel.Export();
  }
  bool Start(const std::string& ini) {
    return (f.folder.CopyFromBin(L"Orvanta.dat") && f.StartOn(panel, nullptr, ini)) || Fail("the driver did not start");
  }
  [[nodiscard]] HWND Wait(const wchar_t* cls) const {
    HWND found = nullptr;
    harness::WaitUntil([&] { return (found = f.Window(cls)) != nullptr; }, 5s);
    return found;
  }

  PanelSim panel;
  DriverFixture f;
};

// The calibration opened from the view's "New Cal Data": two corners of the
// power button measured, the third held, its target turns green. The view
// then shows every button with the last touches. (Opened over the settings
// dialog instead, the dialog comes out black in the X server's picture under
// Wine: its controls are drawn to no X drawable there. Windows composes each
// window itself and shows it either way.)
bool PoseCalibration(const wchar_t* dialogName, bool withView) {
  PosedDriver d(L"screens-calibration");
  // The view does not claim touches, so the buttons act: their
  // notifications are gone before the screen is taken.
  if (!d.Start("[Main]\r\nNotifyMsg=1\r\n")) return false;
  harness::Click(d.f.MainWindow(), L"DetailCal");
  const HWND view = d.Wait(identity::kDetailCalClass);
  if (!view) return Fail("no calibration view");
  harness::Click(view, L"&New Cal Data");
  const HWND dialog = d.Wait(identity::kCalClass);
  const auto reaches = [&](const char* step) {
    return harness::WaitUntil([&] { return drivertest::CalibrationStep(dialog) == step; }, 5s);
  };
  if (!dialog || !reaches("0/32")) return Fail("no calibration dialog");
  drivertest::TouchCorner(d.panel, 600, 800);
  if (!reaches("1/32")) return Fail("the start touch was not taken");
  drivertest::TouchCorner(d.panel, 160, 310);
  if (!reaches("2/32")) return Fail("the first corner was not taken");
  d.panel.QueueReport(1040, 1290, 'B', PanelSim::Now());
  harness::PumpFor(400ms);  // held long enough
  if (!Pose(dialogName, dialog)) return false;
  d.panel.QueueReport(1040, 1290, 'N', PanelSim::Now());
  if (!reaches("3/32")) return Fail("the second corner was not taken");
  if (!withView) return true;

  harness::Click(dialog, L"キャンセル");
  if (!harness::WaitUntil([&] { return !::IsWindow(dialog); }, 5s)) return Fail("the calibration did not end");
  const int touches[][2] = {{1700, 2000}, {600, 4400}, {1150, 4400}, {1700, 8000}, {3000, 5000}, {1600, 9300}};
  auto at = PanelSim::Now();
  for (const auto& t : touches) {
    at += PanelSim::MsToTicks(500);
    d.panel.QueueReport(t[0], t[1], 'B', at);
  }
  if (!harness::WaitUntil([&] { return d.panel.Pending() == 0; }, 10s)) return Fail("the touches were not read");
  // A button chosen in the selection box is highlighted.
  const HWND combo = ::FindWindowExW(view, nullptr, L"ComboBox", nullptr);
  ::SendMessageW(combo, CB_SETCURSEL, 9, 0);
  ::PostMessageW(view, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(combo), CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
  return Pose(L"calibration-view", view);
}

// The settings with PenPlus registered, and its selection dialog.
bool PoseSettings() {
  PosedDriver d(L"screens-settings");
  if (!d.f.folder.CopyFromBin(L"penplus4\\PenPlus.exe")) return Fail("no PenPlus stand-in");
  const std::string pen = wincommon::WideToAnsi(d.f.folder.File(L"penplus4\\PenPlus.exe"));
  if (!d.Start("[PenPlus]\r\nPath=\"" + pen + "\"\r\n")) return false;
  const HWND settings = drivertest::OpenSettings(d.f, true);
  if (!settings) return Fail("no settings dialog");
  if (!Pose(L"settings", settings)) return false;
  harness::Click(settings, L"設定");
  const HWND selection = d.Wait(identity::kSelAppClass);
  if (!selection) return Fail("no selection dialog");
  if (!Pose(L"settings-selapp", selection)) return false;
  harness::Click(selection, L"キャンセル");
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const char* set = argc == 2 ? argv[1] : "";
  if (std::strcmp(set, "calibration") == 0) return PoseCalibration(L"calibration", true) ? 0 : 1;
  if (std::strcmp(set, "calibration-144dpi") == 0) return PoseCalibration(L"calibration-144dpi", false) ? 0 : 1;
  if (std::strcmp(set, "settings") == 0) return PoseSettings() ? 0 : 1;
  std::fprintf(stderr, "usage: pose_screens calibration|calibration-144dpi|settings\n");
  return 2;
}
