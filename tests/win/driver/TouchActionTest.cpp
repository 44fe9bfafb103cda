// From a touch on the simulated panel to the action, with the real driver:
// calibration-set switch into the touch-data stand-in, camera start by a
// double-click, reports held back while an action runs. (When the camera
// is started again is a rule checked natively over a fake port.)
#include <gtest/gtest.h>

#include "common/DriverTestSupport.h"
#include "wincommon/Text.h"

namespace drivertest {
namespace {

// A layout of our own in panel units, replacing the delivered one in the
// test's driver folder: three buttons side by side.
constexpr char kLayout[] =
    "[Header]\r\nVersion=1\r\nName=test\r\nButtonX=3\r\nButtonY=1\r\n"
    "[Button.1.1]\r\nName=Tpdrv.ChangeTPNamedID\r\nRect=0,0,999,999\r\n"
    "[Button.2.1]\r\nName=Camera.Run\r\nRect=1000,0,1999,999\r\n"
    "[Button.3.1]\r\nName=Tpdrv.ChangeTPNamedID&Camera.Run\r\nRect=2000,0,2999,999\r\n";
constexpr int kTpdrvX = 500, kCameraX = 1500, kComboX = 2500, kY = 500;

const std::string kSwitch169 = "TPNamedID=Orvanta-16:9";
const std::string kSwitch43 = "TPNamedID=Orvanta-4:3";

class DriverTouch : public PanelDriverTest {
protected:
  void StartDriver(const std::string& extraIni = "") {
    // In a folder with a Japanese name: the path travels through the INI
    // file in code page 932 and must reach the shell intact.
    ASSERT_TRUE(::CreateDirectoryW(f.folder.File(L"カメラ").c_str(), nullptr));
    ASSERT_TRUE(::CopyFileW(harness::Join(harness::BinDir(), L"CameraSim.exe").c_str(),
                            f.folder.File(L"カメラ\\CameraSim.exe").c_str(), FALSE));
    const std::string camera = wincommon::WideToAnsi(f.folder.File(L"カメラ\\CameraSim.exe"));
    PanelDriverTest::StartDriver(kLayout,
                                 "[Main]\r\nNotifyMsg=1500\r\n[Camera]\r\nPath=\"" + camera + "\"\r\n" + extraIni);
  }

  std::string Stored() const { return harness::IniRead(f.Ini(), "Tpdrv", "ChangeTPNamedID"); }

  void Touch(int x, char state = 'B', double inMs = 0) {
    panel.QueueReport(x, kY, state, panelsim::PanelSim::Now() + panelsim::PanelSim::MsToTicks(inMs));
  }

  std::vector<HWND> InfoWindows() const { return harness::WindowsOfProcess(f.driver.Id(), orvanta::identity::kInfoClass); }
  std::size_t CameraWindows() const {
    std::size_t n = 0;
    HWND h = nullptr;
    while ((h = ::FindWindowExW(nullptr, h, harness::kCameraSimClass, nullptr)) != nullptr) ++n;
    return n;
  }
};

TEST_F(DriverTouch, CalibrationSetButtonAlternatesTheSetsAndShowsTheNotification) {
  StartDriver();
  StartTouchData();
  Touch(kTpdrvX);
  ASSERT_TRUE(harness::WaitUntil([&] { return Received().size() >= 2; }, 5s));
  EXPECT_EQ(Received(), (std::vector<std::string>{kSwitch169, "DATACHANG"}));
  EXPECT_TRUE(harness::WaitUntil([&] { return Stored() == "0"; }, 2s));

  // The notification (its two windows), gone after NotifyMsg. (That the sets
  // alternate is a native rule, seen end to end with the held-back reports.)
  EXPECT_TRUE(harness::WaitUntil([&] { return InfoWindows().size() == 2; }, 3s));
  EXPECT_TRUE(harness::WaitUntil([&] { return InfoWindows().empty(); }, 4s));
}

TEST_F(DriverTouch, WithoutTheTouchDataProgramNothingIsSentAndTheSettingStays) {
  StartDriver("[Tpdrv]\r\nChangeTPNamedID=1\r\n");
  Touch(kTpdrvX);
  ASSERT_TRUE(harness::WaitUntil([&] { return InfoWindows().size() == 2; }, 3s)) << "the failure message shows";
  EXPECT_EQ(Stored(), "1");
  EXPECT_FALSE(f.folder.Exists(L"touchdata.log"));
}

// A double-click starts the camera, from a folder with a Japanese name;
// when two touches make a double-click is a rule checked natively.
TEST_F(DriverTouch, ADoubleClickRunsTheSecondActionAndStartsTheCamera) {
  StartDriver();
  StartTouchData();
  Touch(kComboX, 'B', 100);
  Touch(kComboX, 'B', 400);
  ASSERT_TRUE(harness::WaitUntil([&] { return CameraWindows() == 1; }, 8s));
  harness::PumpFor(1000ms);
  EXPECT_EQ(Received().size(), 4u) << "each touch's click switches the set";
  EXPECT_EQ(CameraWindows(), 1u);
  if (const HWND cam = ::FindWindowW(harness::kCameraSimClass, nullptr)) ::PostMessageW(cam, WM_CLOSE, 0, 0);
  harness::WaitUntil([&] { return CameraWindows() == 0; }, 5s);
}

TEST_F(DriverTouch, ReportsArrivingWhileAnActionRunsAreAllHandledInOrder) {
  StartDriver();
  // The touch-data program answers each text only after a second, so the
  // driver sits in its first action while the other reports arrive.
  StartTouchData(L"--hang=1");
  for (int i = 0; i < 3; ++i) Touch(kTpdrvX, 'B', 600.0 * i);
  ASSERT_TRUE(harness::WaitUntil([&] { return Received().size() >= 6; }, 20s));
  EXPECT_EQ(Received(), (std::vector<std::string>{kSwitch169, "DATACHANG", kSwitch43, "DATACHANG", kSwitch169,
                                                  "DATACHANG"}));
}

}  // namespace
}  // namespace drivertest
