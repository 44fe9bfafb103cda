// The pen buttons of the delivered layout with the real driver, driven by
// touches on the simulated panel, against the PenPlus stand-in (major
// versions 4 and 3), which logs every press, dialog and command it receives.
// How the tool bar is recognised, what each action presses, the sheet state
// of either version, the run time-out, RunOnOff, refusals while a dialog is
// open and an open sub-panel are rules checked natively over a fake.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>

#include "common/DriverTestSupport.h"
#include "penplus/PenPlusLog.h"
#include "penplus/PenPlusWindows.h"
#include "wincommon/Files.h"
#include "wincommon/Text.h"

namespace drivertest {
namespace {

struct Step {
  const char* action;
  std::vector<std::string> presses;  // added to the log by this touch
  const wchar_t* dialog;             // opened, brought forward, then cancelled by the test
};

class PenDriver : public PanelDriverTest {
protected:
  ~PenDriver() override {
    // The driver first: with PenPlus gone under a running action, it would
    // start PenPlus anew. A hung PenPlus is ended after a while.
    f.CloseAndWait();
    penplus::CloseAll(2s);
  }

  // PenPlus of this major version in a sub-folder of the test folder (by
  // default named after the version), not started; args go to the file it
  // reads when the shell starts it without any.
  std::wstring InstallPenPlus(int major, const std::string& args = "", std::wstring sub = L"") {
    if (sub.empty()) sub = L"penplus" + std::to_wstring(major);
    const std::wstring exe = penplus::Install(harness::BinDir(), major, f.folder.File(sub), args);
    EXPECT_FALSE(exe.empty());
    penLog = f.folder.File(sub + L"\\PenPlus.log");
    return exe;
  }
  void StartDriver(const std::wstring& penPath, const std::string& extraIni = "") {
    PanelDriverTest::StartDriver(nullptr, "[Main]\r\nNotifyMsg=800\r\n[PenPlus]\r\nPath=\"" +
                                              wincommon::WideToAnsi(penPath) + "\"\r\n" + extraIni);
  }

  // Touches the delivered layout's button that carries the action: once for
  // a click action, twice in quick succession for a double-click action.
  void Touch(const std::string& action) {
    int x = 0, y = 0;
    bool twice = false;
    ASSERT_TRUE(simcommon::FindButtonCentre(f.folder.File(L"Data\\QV-LK2048.def"), action, x, y, true, &twice))
        << "no button for " << action;
    // The driver's double-click window (400 ms) opens when the last action
    // returns, not when its touch was queued: a touch is queued 600 ms after
    // this call, and the callers touch only once they saw the last action's
    // final effect (its last press in the log, its dialog brought forward).
    const auto at = std::max(panelsim::PanelSim::Now(), lastTouch) + panelsim::PanelSim::MsToTicks(600);
    for (int i = 0; i < (twice ? 2 : 1); ++i) {
      lastTouch = at + panelsim::PanelSim::MsToTicks(150.0 * i);
      panel.QueueReport(x, y, 'B', lastTouch);
    }
  }

  std::size_t Count(const std::string& event) const { return penplus::CountEvents(penplus::ReadLog(penLog), event); }
  // The captions pressed (field 1), or the ids of the buttons (field 2).
  std::vector<std::string> Presses(std::size_t field = 1) const {
    return penplus::Presses(penplus::ReadLog(penLog), field);
  }

  // Waits for the dialog, checks the driver brought it forward, and cancels it.
  void ExpectForwardAndCancel(const std::wstring& caption) {
    HWND d = nullptr;
    const std::string name = wincommon::WideToUtf8(caption);
    ASSERT_TRUE(harness::WaitUntil([&] { return (d = penplus::Dialog(caption)) != nullptr; }, 6s)) << name;
    EXPECT_TRUE(harness::WaitUntil([&] { return (::GetWindowLongW(d, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }, 3s))
        << "top-most: " << name;
    EXPECT_EQ(::GetWindow(d, GW_OWNER), penplus::Toolbar()) << "owned by the tool bar: " << name;
    ::PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(harness::WaitUntil([&] { return !penplus::Dialog(caption) && ::IsWindowEnabled(penplus::Toolbar()); }, 5s));
  }

  // The steps in order, each after the last one's presses have arrived.
  void Run(const std::vector<Step>& steps) {
    for (const auto& s : steps) {
      Touch(s.action);
      expected.insert(expected.end(), s.presses.begin(), s.presses.end());
      ASSERT_TRUE(harness::WaitUntil([&] { return Presses().size() >= expected.size(); }, 10s)) << s.action;
      if (s.dialog) ExpectForwardAndCancel(s.dialog);
      ASSERT_TRUE(harness::WaitUntil([&] { return panel.Pending() == 0; }, 5s));
      EXPECT_EQ(Presses(), expected) << s.action;
    }
  }

  harness::Process penPlus;
  std::wstring penLog;
  std::vector<std::string> expected;  // presses so far, for Run
  std::int64_t lastTouch = 0;
};

TEST_F(PenDriver, PenButtonsActOnVersion4FromCold) {
  const std::wstring exe = InstallPenPlus(4);
  StartDriver(exe);
  // From cold: the first pen button starts PenPlus, hides its tool bar and
  // then presses; the notification says so.
  Touch("PenPlus.Btn.Pen1");
  ASSERT_TRUE(harness::WaitUntil([&] { return Presses().size() == 1; }, 15s));
  ASSERT_TRUE(harness::WaitUntil([&] { return Count("command") == 1; }, 2s));
  EXPECT_FALSE(::IsWindowVisible(penplus::Toolbar()));
  expected = Presses();
  EXPECT_EQ(expected, (std::vector<std::string>{u8"ペン"}));
  const std::string pen1 = Presses(2).at(0);

  Run({{"PenPlus.ToolBarOnOff", {}, nullptr}});
  ASSERT_TRUE(harness::WaitUntil([&] { return ::IsWindowVisible(penplus::Toolbar()) != FALSE; }, 3s));
  // Every action's presses, sub-panels and sheet states are native rules;
  // here a double-click setting whose dialog is brought forward (the tool is
  // pressed on each click, the settings on the second), then the pen again.
  Run({{"PenPlus.Btn.PenSetting1", {u8"ペン", u8"ペン", u8"ペンの設定"}, L"ペンの設定"},
       {"PenPlus.Btn.Pen1", {u8"ペン"}, nullptr}});
  // The same pen both times, and the last of the two in the tool bar's order.
  EXPECT_EQ(Presses(2).at(expected.size() - 1), pen1);
  HWND last = nullptr;
  for (const HWND b : harness::ChildWindows(penplus::Toolbar())) {
    if (harness::WindowText(b) == L"ペン") last = b;
  }
  EXPECT_EQ(std::to_string(::GetDlgCtrlID(last)), pen1);
}

// The driver waits for the tool bar of the PenPlus it started as long as it
// may, and is asked to close meanwhile: the wait ends with the request, the
// driver ends at once, and nothing reaches the tool bar that comes later.
TEST_F(PenDriver, AClosingRequestEndsTheWaitAndNothingReachesTheToolbarThatComesLater) {
  StartDriver(InstallPenPlus(4, "--start-delay=3000"), "RunTimeOut=2147483647\r\n");
  Touch("PenPlus.Btn.PageNext");
  // Its main window up, so that the test can end it afterwards.
  ASSERT_TRUE(harness::WaitUntil([&] { return penplus::MainWindow() != nullptr; }, 10s));
  const auto asked = std::chrono::steady_clock::now();
  ASSERT_TRUE(f.CloseAndWait());
  EXPECT_LT(std::chrono::steady_clock::now() - asked, 5s);
  EXPECT_EQ(f.driver.ExitCode(), 0u) << "ended normally, not by a fault";
  ASSERT_TRUE(harness::WaitUntil([&] { return Count("toolbar") == 1; }, 10s));
  // A close request of the test's own reaches PenPlus after anything the
  // driver posted before it ended (one thread's queue keeps its order).
  ::PostMessageW(penplus::Toolbar(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(harness::WaitUntil([&] { return Count("close-request") == 1; }, 5s));
  EXPECT_EQ(Count("command"), 0u) << "the driver hid the tool bar after it was told to close";
  EXPECT_TRUE(Presses().empty());
}

// A shortcut in the all-users Start Menu, made for one test and removed after.
class StartMenuShortcut {
public:
  StartMenuShortcut(const std::wstring& folder, const std::wstring& target) {
    wchar_t menu[MAX_PATH] = {};
    EXPECT_TRUE(SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_COMMON_STARTMENU, nullptr, 0, menu)));
    folder_ = std::wstring(menu) + L"\\" + folder + L" " + std::to_wstring(::GetCurrentProcessId());
    ::CreateDirectoryW(folder_.c_str(), nullptr);
    EXPECT_TRUE(harness::MakeShortcut(folder_ + L"\\PenPlus.lnk", target));
  }
  ~StartMenuShortcut() {
    ::DeleteFileW((folder_ + L"\\PenPlus.lnk").c_str());
    ::RemoveDirectoryW(folder_.c_str());
  }

private:
  std::wstring folder_;
};

TEST_F(PenDriver, AnEmptyPathIsFoundThroughTheStartMenuAndStoredQuoted) {
  // Version 3 names its product in other letter case, under its first
  // translation (English, Western code page); it is accepted all the same.
  // The shortcut's folder and PenPlus's own hold characters whose second
  // byte in code page 932 is a backslash (ソ, 表, 能).
  const std::wstring exe = InstallPenPlus(3, "", L"ペンソフト 表能");
  const StartMenuShortcut shortcut(L"Orvanta ソ表能", exe);
  StartDriver(L"");
  Touch("PenPlus.Btn.Pen1");
  ASSERT_TRUE(harness::WaitUntil([&] { return Presses().size() == 1; }, 15s));
  EXPECT_EQ(harness::IniRead(f.Ini(), "PenPlus", "Path"), wincommon::WideToAnsi(exe));
  EXPECT_NE(f.folder.ReadText(L"Orvanta.ini").find("Path=\"" + wincommon::WideToAnsi(exe) + "\"\r\n"), std::string::npos);
}

TEST_F(PenDriver, AHungPenPlusDoesNotStopTheNextButton) {
  const std::wstring exe = InstallPenPlus(4);
  ASSERT_TRUE(penplus::Start(exe, L"--hang-on=ページ送り", penPlus));
  StartDriver(exe);
  StartTouchData();

  Touch("PenPlus.Btn.PageNext");
  ASSERT_TRUE(harness::WaitUntil([&] { return Count("hang") == 1; }, 5s));
  Touch("Tpdrv.ChangeTPNamedID");
  // The press gives up after its time-out; the next button then works.
  EXPECT_TRUE(harness::WaitUntil([&] { return Received().size() >= 2; }, 12s));
  // Further pen presses give up at once on the hung program.
  Touch("PenPlus.Btn.PagePrev");
  Touch("Tpdrv.ChangeTPNamedID");
  EXPECT_TRUE(harness::WaitUntil([&] { return Received().size() >= 4; }, 12s));
  EXPECT_EQ(Presses(), (std::vector<std::string>{u8"ページ送り"}));
}

}  // namespace
}  // namespace drivertest
