// The settings dialog in the delivered driver, opened through OrvantaLink
// and driven by the messages a user's clicks send: rows, registrations,
// connection state, the claim on touches, OK and Cancel. (The calibration
// command is opened from it in the calibration tests.)
#include <gtest/gtest.h>

#include "common/DriverTestSupport.h"
// After windows.h, which the fixture brings.
#include <commctrl.h>
#include "wincommon/Text.h"

namespace drivertest {
namespace {

namespace identity = orvanta::identity;

class SettingsDialog : public PanelDriverTest {
protected:
  void OpenByLink() { ASSERT_NE(OpenSettings(f, true), nullptr); }
  [[nodiscard]] HWND Dialog() const { return f.Window(identity::kSettingClass); }
  [[nodiscard]] HWND SelApp() const { return f.Window(identity::kSelAppClass); }
  // An edit control's contents: GetWindowText does not ask another
  // process's control, WM_GETTEXT does.
  static std::wstring Contents(HWND edit) {
    wchar_t text[1024] = {};
    ::SendMessageW(edit, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
    return text;
  }
  // A choice in a drop-down list: the list changes, then tells its parent.
  static void Choose(HWND combo, int index) {
    ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ::PostMessageW(::GetParent(combo), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(combo), CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(combo));
  }
  std::vector<int> Selections() const {
    std::vector<int> out;
    for (HWND combo : harness::ChildWindows(Dialog(), L"ComboBox")) {
      out.push_back(static_cast<int>(::SendMessageW(combo, CB_GETCURSEL, 0, 0)));
    }
    return out;
  }
  void CloseWith(const wchar_t* caption) {
    harness::Click(Dialog(), caption);
    ASSERT_TRUE(harness::WaitUntil([&] { return Dialog() == nullptr; }, 5s));
  }
  std::string Ini() const { return f.folder.ReadText(L"Orvanta.ini"); }
  // What a control of the dialog is, for the tab order: a button by its
  // caption, a drop-down list by its row.
  std::string Describe(HWND control) const {
    const auto combos = harness::ChildWindows(Dialog(), L"ComboBox");
    for (size_t i = 0; i < combos.size(); ++i) {
      if (combos[i] == control) return "row " + std::to_string(i);
    }
    const std::wstring cls = harness::ClassOf(control);
    return wincommon::WideToUtf8(cls == L"Button" ? harness::WindowText(control) : cls);
  }
};

TEST_F(SettingsDialog, TheLinkOpensOneDialogBringsItForwardTheSecondTimeAndExitsWithItOpen) {
  StartDriver(kOneButtonLayout);
  OpenByLink();
  const HWND dialog = Dialog();
  EXPECT_EQ(harness::WindowText(dialog), kSettingsCaption) << "from the driver's version resource";
  EXPECT_TRUE(harness::HasLabel(dialog, L"ドライババージョン: 0.8JP 2012.07.18"));
  EXPECT_TRUE(harness::HasLabel(dialog, L"ダブルクリックの時間:"));
  EXPECT_TRUE(harness::HasLabel(dialog, L"メッセージの表示位置:"));
  EXPECT_EQ(harness::ChildWindows(dialog, L"SysListView32").size(), 1u);
  EXPECT_EQ(::SendMessageW(harness::ChildWindows(dialog, L"SysListView32").front(), LVM_GETITEMCOUNT, 0, 0), 2);

  ::ShowWindow(dialog, SW_MINIMIZE);
  ASSERT_TRUE(harness::WaitUntil([&] { return ::IsIconic(dialog) != FALSE; }, 3s));
  ASSERT_EQ(RunLink(L"Cmd_Setting"), 0);
  EXPECT_TRUE(harness::WaitUntil([&] { return !::IsIconic(dialog); }, 3s));
  EXPECT_EQ(harness::WindowsOfProcess(f.driver.Id(), identity::kSettingClass), std::vector<HWND>{dialog});

  // Exit with the dialog open closes the device and ends the driver while
  // the link waits for its text to be taken.
  EXPECT_EQ(RunLink(L"Cmd_Exit"), 0);
  EXPECT_TRUE(f.driver.WaitExit(10s));
  EXPECT_FALSE(panel.IsOpen());
}

TEST_F(SettingsDialog, AProgramChosenInTheFileDialogIsWrittenOnOkAndForgottenOnCancel) {
  ASSERT_TRUE(f.folder.CopyFromBin(L"TouchDataSim.exe"));
  const std::wstring camera = f.folder.File(L"TouchDataSim.exe");
  StartDriver(kOneButtonLayout);
  for (const bool ok : {false, true}) {
    SCOPED_TRACE(ok ? "OK" : "Cancel");
    const std::string before = Ini();
    OpenByLink();
    // The second row, the camera, by the arrow key; then its "設定" button.
    const HWND list = harness::ChildWindows(Dialog(), L"SysListView32").front();
    ::PostMessageW(list, WM_KEYDOWN, VK_DOWN, 0);
    ASSERT_TRUE(harness::WaitUntil(
        [&] { return ::SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED) == 1; }, 3s));
    harness::Click(Dialog(), L"設定");
    ASSERT_TRUE(harness::WaitUntil([&] { return SelApp() != nullptr; }, 5s));
    EXPECT_EQ(harness::WindowText(SelApp()), L"PCカメラの登録");
    EXPECT_FALSE(::IsWindowEnabled(Dialog())) << "modal over the settings";

    harness::Click(SelApp(), L"ファイル参照");
    HWND open = nullptr;
    ASSERT_TRUE(harness::WaitUntil([&] { return (open = f.Window(harness::kDialogClass, L"ファイル参照")) != nullptr; }, 5s));
    // The file name box (a combo box in the explorer-style dialog, an edit
    // control in older ones), then the dialog's default button.
    HWND name = ::GetDlgItem(open, 0x47c);
    if (!name) name = ::GetDlgItem(open, 0x480);
    ASSERT_NE(name, nullptr);
    ::SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(camera.c_str()));
    ::PostMessageW(open, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    const HWND where = harness::ChildWindows(SelApp(), L"Edit").at(1);
    ASSERT_TRUE(harness::WaitUntil([&] { return Contents(where) == camera; }, 5s))
        << wincommon::WideToUtf8(Contents(where));
    EXPECT_EQ(Contents(harness::ChildWindows(SelApp(), L"Edit").at(0)), L"TouchDataSim");
    harness::Click(SelApp(), L"OK");
    ASSERT_TRUE(harness::WaitUntil([&] { return SelApp() == nullptr && ::IsWindowEnabled(Dialog()); }, 5s));
    EXPECT_EQ(::SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 1)
        << "the same row stays selected";
    EXPECT_EQ(harness::ListViewText(list, 1, 0), L"PCカメラ");
    EXPECT_EQ(harness::ListViewText(list, 1, 1), L"使用可") << "the state of the chosen file";
    EXPECT_EQ(harness::ListViewText(list, 1, 2), L"TouchDataSim") << "its name: no version information, so the file's";
    EXPECT_EQ(harness::ListViewText(list, 1, 3), camera) << "its place";
    EXPECT_EQ(::GetForegroundWindow(), Dialog()) << "the settings dialog is active again";
    harness::PumpFor(200ms);
    EXPECT_EQ(Ini(), before) << "held in memory until OK";
    CloseWith(ok ? L"OK" : L"キャンセル");
    if (ok) {
      EXPECT_EQ(harness::IniRead(f.Ini(), "Camera", "Path"), wincommon::WideToAnsi(camera));
      EXPECT_NE(Ini().find("Path=\"" + wincommon::WideToAnsi(camera) + "\""), std::string::npos);
    } else {
      EXPECT_EQ(Ini(), before);
    }
  }
}

// While the dialog is open its connection state follows the panel, and the
// buttons do nothing; they act again once it is closed.
TEST_F(SettingsDialog, WhileOpenTheConnectionStateFollowsThePanelAndTouchesDoNothing) {
  panel.Plug(false);
  StartDriver(kOneButtonLayout);
  StartTouchData();
  OpenByLink();
  const HWND cal = harness::Button(Dialog(), L"キャリブレーション");
  ASSERT_NE(cal, nullptr);
  for (const bool plugged : {false, true, false, true}) {
    SCOPED_TRACE(plugged);
    panel.Plug(plugged);
    const wchar_t* state = plugged ? L"接続状況: OK" : L"接続状況: NG";
    EXPECT_TRUE(harness::WaitUntil([&] { return harness::HasLabel(Dialog(), state); }, 5s));
    EXPECT_EQ(::IsWindowEnabled(cal) != FALSE, plugged);
  }
  panel.QueueReport(500, 500, 'B', panelsim::PanelSim::Now());
  ASSERT_TRUE(harness::WaitUntil([&] { return panel.Pending() == 0; }, 3s));
  harness::PumpFor(500ms);
  EXPECT_EQ(Received().size(), 0u);
  CloseWith(L"キャンセル");
  panel.QueueReport(500, 500, 'B', panelsim::PanelSim::Now());
  EXPECT_TRUE(harness::WaitUntil([&] { return Received().size() >= 2; }, 5s)) << "the button acts once it is closed";
}

TEST_F(SettingsDialog, TabWalksTheControlsEnterMeansOkAndEscapeCancels) {
  StartDriver(kOneButtonLayout, "[Main]\r\nDblClickTime=600\r\n");
  OpenByLink();
  ASSERT_TRUE(harness::WaitUntil([&] { return f.Focus() != nullptr && ::GetParent(f.Focus()) == Dialog(); }, 3s));
  EXPECT_EQ(Selections().front(), 2) << "the row shows the INI's 0.6 s";
  std::vector<std::string> order{Describe(f.Focus())};
  for (int i = 0; i < 8; ++i) {
    const HWND from = f.Focus();
    f.PressKey(VK_TAB);
    ASSERT_TRUE(harness::WaitUntil([&] { return f.Focus() != from; }, 3s)) << "Tab after " << order.back();
    order.push_back(Describe(f.Focus()));
  }
  EXPECT_EQ(order, (std::vector<std::string>{"row 0", "row 1", "row 2", "キャリブレーション", "SysListView32", "設定",
                                             "OK", "キャンセル", "row 0"}));

  // The arrow chooses the next entry of the focused row (0.6 to 0.8 s);
  // Enter is OK, Escape is Cancel.
  f.PressKey(VK_DOWN);
  ASSERT_TRUE(harness::WaitUntil([&] { return Selections().front() == 3; }, 3s));
  f.PressKey(VK_RETURN);
  ASSERT_TRUE(harness::WaitUntil([&] { return Dialog() == nullptr; }, 5s));
  EXPECT_EQ(harness::IniRead(f.Ini(), "Main", "DblClickTime"), "800");
  OpenByLink();
  ASSERT_TRUE(harness::WaitUntil([&] { return f.Focus() != nullptr && ::GetParent(f.Focus()) == Dialog(); }, 3s));
  f.PressKey(VK_DOWN);
  ASSERT_TRUE(harness::WaitUntil([&] { return Selections().front() == 4; }, 3s));
  f.PressKey(VK_ESCAPE);
  ASSERT_TRUE(harness::WaitUntil([&] { return Dialog() == nullptr; }, 5s));
  EXPECT_EQ(harness::IniRead(f.Ini(), "Main", "DblClickTime"), "800");
}

TEST_F(SettingsDialog, OkTakesTheNewDoubleClickAndMessageTimesAtOnce) {
  // A click on the button reports through a notification (no camera is
  // registered); a double-click switches the calibration set.
  StartDriver(
      "[Header]\r\nVersion=1\r\nName=test\r\nButtonX=1\r\nButtonY=1\r\n"
      "[Button.1.1]\r\nName=Camera.Run&Tpdrv.ChangeTPNamedID\r\nRect=0,0,999,999\r\n",
      "[Main]\r\nDblClickTime=200\r\nNotifyMsg=0\r\n");
  StartTouchData();
  OpenByLink();
  const auto combos = harness::ChildWindows(Dialog(), L"ComboBox");
  Choose(combos.at(0), 4);  // 1.0 s to double-click
  Choose(combos.at(1), 2);  // notifications for 1.0 s
  ASSERT_TRUE(harness::WaitUntil([&] { return Selections() == std::vector<int>{4, 2, 0}; }, 2s));
  CloseWith(L"OK");

  // Two presses 600 ms apart, without a restart.
  const auto now = panelsim::PanelSim::Now();
  panel.QueueReport(500, 500, 'B', now);
  panel.QueueReport(500, 500, 'B', now + panelsim::PanelSim::MsToTicks(600));
  EXPECT_TRUE(harness::WaitUntil([&] { return f.Window(identity::kInfoClass) != nullptr; }, 5s)) << "a notification";
  EXPECT_TRUE(harness::WaitUntil([&] { return !Received().empty(); }, 5s)) << "the double-click's action";
}

TEST_F(SettingsDialog, AnIniFileThatCannotBeWrittenIsReportedOnOkAndTheChoiceHoldsUntilTheDriverEnds) {
  StartDriver(kOneButtonLayout, "[Main]\r\nDblClickTime=600\r\n");
  const std::string before = Ini();
  const ReadOnly readOnly(f.Ini());
  OpenByLink();
  Choose(harness::ChildWindows(Dialog(), L"ComboBox").front(), 4);
  ASSERT_TRUE(harness::WaitUntil([&] { return Selections().front() == 4; }, 2s));
  const HWND dialog = Dialog();
  harness::Click(dialog, L"OK");
  const harness::Box box = harness::WaitForBox(f.driver.Id(), 5s, kSettingsCaption);
  ASSERT_NE(box.hwnd, nullptr);
  EXPECT_EQ(::GetWindow(box.hwnd, GW_OWNER), dialog);
  EXPECT_NE(box.text.find(L"設定を保存できませんでした。"), std::wstring::npos);
  EXPECT_NE(box.text.find(f.Ini()), std::wstring::npos) << "what failed, and where";
  ASSERT_TRUE(harness::Answer(box, IDOK));
  ASSERT_TRUE(harness::WaitUntil([&] { return Dialog() == nullptr; }, 5s));
  EXPECT_EQ(Ini(), before);
  // Told once: no second box; the driver holds the choice until it ends.
  EXPECT_TRUE(harness::Boxes(f.driver.Id()).empty());
  OpenByLink();
  EXPECT_EQ(Selections().front(), 4);
  CloseWith(L"キャンセル");
}

}  // namespace
}  // namespace drivertest
