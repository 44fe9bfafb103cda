// The calibration dialog and the calibration view in the real driver, with
// touches from the simulated panel: the steps, saving,
// cancelling, the claim on every touch, the locked resource file.
#include <gtest/gtest.h>

#include "common/DriverTestSupport.h"
#include "wincommon/Text.h"

namespace drivertest {
namespace {

// Four buttons in a row whose action texts the delivered resources know;
// only the calibration-set button's action can be seen from outside.
constexpr char kLayout[] =
    "[Header]\r\nVersion=1\r\nName=test\r\nButtonX=4\r\nButtonY=1\r\n"
    "[Button.1.1]\r\nName=Tpdrv.ChangeTPNamedID\r\nRect=0,0,999,999\r\n"
    "[Button.2.1]\r\nName=Camera.Run\r\nRect=1000,0,1999,999\r\n"
    "[Button.3.1]\r\nName=PenPlus.Btn.PageNext\r\nRect=2000,0,2999,999\r\n"
    "[Button.4.1]\r\nName=PenPlus.Btn.PagePrev\r\nRect=3000,0,3999,999\r\n";

namespace identity = orvanta::identity;

class Calibration : public PanelDriverTest {
protected:
  void StartDriver(const char* layout = kLayout) {
    ASSERT_TRUE(f.folder.CopyFromBin(L"Orvanta.dat"));
    PanelDriverTest::StartDriver(layout);
    StartTouchData();
  }

  HWND Dialog() const { return f.Window(identity::kCalClass, L"キャリブレーション"); }
  HWND Settings() const { return f.Window(identity::kSettingClass); }
  // The calibration runs over the settings dialog, which waits for it.
  void OpenCalibrationDialog() {
    ASSERT_NE(OpenSettings(f), nullptr);
    ASSERT_TRUE(AskForCalibration(f));
    ASSERT_TRUE(harness::WaitUntil([&] { return Dialog() != nullptr; }, 5s));
    EXPECT_EQ(::GetWindow(Dialog(), GW_OWNER), Settings());
    EXPECT_FALSE(::IsWindowEnabled(Settings()));
  }
  void OpenCalibration() {
    OpenCalibrationDialog();
    ASSERT_TRUE(harness::WaitUntil([&] { return Step() == "0/8"; }, 2s)) << Step();
  }
  // Touches act again once the settings dialog is gone.
  void CloseSettings() {
    ASSERT_TRUE(harness::WaitUntil([&] { return Dialog() == nullptr && ::IsWindowEnabled(Settings()); }, 5s));
    harness::Click(Settings(), L"キャンセル");
    ASSERT_TRUE(harness::WaitUntil([&] { return Settings() == nullptr; }, 5s));
  }

  std::string Step() const { return CalibrationStep(Dialog()); }

  // A corner touch that must advance the step counter.
  void Corner(int x, int y, const std::string& next) {
    TouchCorner(panel, x, y);
    ASSERT_TRUE(harness::WaitUntil([&] { return Step() == next || (next.empty() && !Dialog()); }, 5s))
        << "waiting for " << next << ", at " << Step();
  }
  // Presses on the calibration-set button's old place, where no button is
  // any more, and inside the rectangle measured around 5500, 5500: exactly
  // one switch.
  void ExpectOneSwitchFromTheNewRectangle() {
    panel.QueueReport(500, 500, 'B', panelsim::PanelSim::Now());
    panel.QueueReport(5500, 5500, 'B', panelsim::PanelSim::Now());
    ASSERT_TRUE(harness::WaitUntil([&] { return Received().size() >= 2; }, 5s));
    harness::PumpFor(300ms);
    EXPECT_EQ(Received().size(), 2u) << "exactly one switch";
  }

  std::string DatRect(const char* section) const {
    return harness::IniRead(f.folder.File(L"Data\\QV-LK2048.dat"), section, "Rect");
  }
};

TEST_F(Calibration, EightCornersAreSavedTheDialogClosesAndTheHitTestUsesThemAtOnce) {
  StartDriver();
  OpenCalibration();
  // The start touch lands on the calibration-set button: claimed, no action.
  Corner(500, 500, "1/8");
  EXPECT_TRUE(harness::HasLabel(Dialog(), L"「画面比率切替」ボタンの左上", true)) << "display name from the delivered resources";
  // The first button is measured reversed: its "lower right" above and left.
  Corner(5900, 5900, "2/8");
  Corner(5100, 5100, "3/8");
  EXPECT_TRUE(harness::HasLabel(Dialog(), L"「カメラ」ボタンの左上", true));
  Corner(6100, 5100, "4/8");
  Corner(6900, 5900, "5/8");
  Corner(7100, 5100, "6/8");
  Corner(7900, 5900, "7/8");
  Corner(8100, 5100, "8/8");
  Corner(8900, 5900, "");

  EXPECT_EQ(DatRect("Button.1.1"), "5900,5900,5100,5100");
  EXPECT_EQ(DatRect("Button.4.1"), "8100,5100,8900,5900");
  EXPECT_EQ(harness::IniRead(f.folder.File(L"Data\\QV-LK2048.dat"), "Button.4.1", "Name"), "PenPlus.Btn.PagePrev");
  EXPECT_TRUE(Received().empty()) << "no touch reached a button while the dialog was open";

  CloseSettings();
  ExpectOneSwitchFromTheNewRectangle();
}

TEST_F(Calibration, AfterItEndsTheSettingsDialogIsTheActiveWindowAgain) {
  StartDriver();
  // Another program's window, which the system would rather activate than
  // the settings dialog while that is still disabled.
  const wincommon::WindowHandle other(::CreateWindowExW(0, L"STATIC", L"another program", WS_POPUP | WS_CAPTION | WS_VISIBLE,
                                                        0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr));
  ASSERT_TRUE(other);
  for (const bool byKey : {false, true}) {
    SCOPED_TRACE(byKey ? "Escape" : "キャンセル");
    if (Settings()) {
      ASSERT_TRUE(AskForCalibration(f));
      ASSERT_TRUE(harness::WaitUntil([&] { return Dialog() != nullptr; }, 5s));
    } else {
      OpenCalibrationDialog();
    }
    ASSERT_TRUE(harness::WaitUntil([&] { return ::GetForegroundWindow() == Dialog(); }, 3s));
    if (byKey) {
      f.PressKey(VK_ESCAPE);
    } else {
      harness::Click(Dialog(), L"キャンセル");
    }
    ASSERT_TRUE(harness::WaitUntil([&] { return Dialog() == nullptr; }, 5s));
    harness::PumpFor(300ms);
    EXPECT_EQ(::GetForegroundWindow(), Settings());
    EXPECT_TRUE(::IsWindowEnabled(Settings()));
  }
}

TEST_F(Calibration, AskedForWhileTheViewsCalibrationIsOpenTheSettingsDialogWaitsForIt) {
  StartDriver();
  harness::Click(f.MainWindow(), L"DetailCal");
  HWND view = nullptr;
  ASSERT_TRUE(harness::WaitUntil([&] { return (view = f.Window(identity::kDetailCalClass)) != nullptr; }, 5s));
  harness::Click(view, L"&New Cal Data");
  ASSERT_TRUE(harness::WaitUntil([&] { return Dialog() != nullptr; }, 5s));
  const HWND open = Dialog();
  EXPECT_EQ(::GetWindow(open, GW_OWNER), view);

  ASSERT_NE(OpenSettings(f), nullptr);
  ASSERT_TRUE(AskForCalibration(f));
  // The same calibration, to the front; the settings dialog waits as for
  // its own.
  EXPECT_TRUE(harness::WaitUntil([&] { return !::IsWindowEnabled(Settings()); }, 3s));
  EXPECT_TRUE(harness::WaitUntil([&] { return ::GetForegroundWindow() == open; }, 3s));
  EXPECT_EQ(harness::WindowsOfProcess(f.driver.Id(), identity::kCalClass), std::vector<HWND>{open});
  harness::Click(open, L"キャンセル");
  EXPECT_TRUE(harness::WaitUntil([&] { return Dialog() == nullptr && ::IsWindowEnabled(Settings()); }, 5s));
  EXPECT_TRUE(harness::WaitUntil([&] { return ::GetForegroundWindow() == Settings(); }, 3s));
}

TEST_F(Calibration, ADataFileThatCannotBeWrittenIsReportedAndTheNewRectangleActsUntilTheDriverEnds) {
  StartDriver(kOneButtonLayout);
  const std::wstring dat = f.folder.File(L"Data\\QV-LK2048.dat");
  const std::string before = f.folder.ReadText(L"Data\\QV-LK2048.dat");
  const ReadOnly readOnly(dat);
  OpenCalibrationDialog();
  ASSERT_TRUE(harness::WaitUntil([&] { return Step() == "0/2"; }, 2s)) << Step();
  const HWND dialog = Dialog();
  Corner(500, 500, "1/2");
  Corner(5000, 5000, "2/2");
  // The last corner: the failure is told over the calibration, once.
  TouchCorner(panel, 6000, 6000);
  const harness::Box box = harness::WaitForBox(f.driver.Id(), 5s, L"キャリブレーション");
  ASSERT_NE(box.hwnd, nullptr);
  EXPECT_EQ(::GetWindow(box.hwnd, GW_OWNER), dialog);
  EXPECT_NE(box.text.find(L"キャリブレーションの結果を保存できませんでした。"), std::wstring::npos);
  EXPECT_NE(box.text.find(dat), std::wstring::npos) << "what failed, and where";
  ASSERT_TRUE(harness::Answer(box, IDOK));
  ASSERT_TRUE(harness::WaitUntil([&] { return Dialog() == nullptr; }, 5s));
  EXPECT_TRUE(harness::Boxes(f.driver.Id()).empty()) << "told once";
  EXPECT_EQ(f.folder.ReadText(L"Data\\QV-LK2048.dat"), before);

  CloseSettings();
  ExpectOneSwitchFromTheNewRectangle();
}

TEST_F(Calibration, TheResourceFileCannotBeWrittenWhileTheDriverRuns) {
  StartDriver();
  const std::wstring dat = f.folder.File(L"Orvanta.dat");
  const wincommon::FileHandle writer(::CreateFileW(dat.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                   nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(writer);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  EXPECT_FALSE(f.folder.ReadText(L"Orvanta.dat").empty()) << "reading is still possible";
  ASSERT_TRUE(f.CloseAndWait());
  const wincommon::FileHandle after(::CreateFileW(dat.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_TRUE(after) << "released when the driver ends";
}

TEST_F(Calibration, TheViewOpensMaximisedOnceAndItsPictureFillsTheWindowAfterARestore) {
  StartDriver();
  const auto views = [&] { return harness::WindowsOfProcess(f.driver.Id(), identity::kDetailCalClass); };
  harness::Click(f.MainWindow(), L"DetailCal");
  ASSERT_TRUE(harness::WaitUntil([&] { return views().size() == 1; }, 5s));
  const HWND view = views().front();
  EXPECT_TRUE(::IsZoomed(view));
  harness::Click(f.MainWindow(), L"DetailCal");
  harness::PumpFor(300ms);
  EXPECT_EQ(views(), std::vector<HWND>{view}) << "a second press brings the same window";

  const auto pictureFills = [&] {
    const auto statics = harness::ChildWindows(view, L"Static");
    const HWND picture = statics.empty() ? nullptr : statics.back();
    RECT client{}, r{};
    ::GetClientRect(view, &client);
    ::GetWindowRect(picture, &r);
    POINT bottomRight{r.right, r.bottom};
    ::ScreenToClient(view, &bottomRight);
    return picture && bottomRight.x == client.right && bottomRight.y == client.bottom;
  };
  EXPECT_TRUE(harness::WaitUntil(pictureFills, 3s));
  ::PostMessageW(view, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  ASSERT_TRUE(harness::WaitUntil([&] { return ::IsIconic(view) != FALSE; }, 3s));
  harness::Click(f.MainWindow(), L"DetailCal");
  ASSERT_TRUE(harness::WaitUntil([&] { return !::IsIconic(view); }, 3s));
  EXPECT_TRUE(harness::WaitUntil(pictureFills, 3s));
}

}  // namespace
}  // namespace drivertest
