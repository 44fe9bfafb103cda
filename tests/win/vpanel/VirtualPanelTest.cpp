// The virtual panel in front of the real driver: a mouse press on a printed
// button is a touch the driver acts on; its plug box plugs the device.
#include <gtest/gtest.h>

#include "panel/ClassButtonRes.h"
#include "panel/win/ButtonResFilesWin.h"
#include "common/Harness.h"
#include "fntd2xx/PanelSim.h"
#include "wincommon/Text.h"

namespace {

using namespace std::chrono_literals;

class VirtualPanel : public ::testing::Test {
protected:
  VirtualPanel() : panel(panelsim::PanelSim::UniqueName(L"VPanel")) { panel.Export(); }

  void StartAll() {
    folder.InstallDriver();
    ASSERT_TRUE(folder.CopyFromBin(L"Orvanta.dat"));
    ASSERT_TRUE(touchData.Start(harness::Join(harness::BinDir(), L"TouchDataSim.exe"),
                                L"\"" + folder.File(L"touchdata.log") + L"\"", folder.Path()));
    ASSERT_NE(harness::WaitForWindow(L"ThunderRT6FormDC", L"Ｔｏｕｃｈ　Ｄａｔａ", 5s), nullptr);
    ASSERT_TRUE(driver.Start(folder.File(L"Orvanta.exe"), L"", folder.Path()));
    ASSERT_TRUE(vpanel.Start(harness::Join(harness::BinDir(), L"VirtualPanel.exe"), L"\"" + folder.Path() + L"\""));
    ASSERT_TRUE(harness::WaitUntil([&] { return Sheet() != nullptr; }, 10s));
    ASSERT_TRUE(harness::WaitUntil([&] { return panel.IsOpen() && panel.Written().size() >= 8; }, 10s));
  }

  HWND Sheet() const {
    const auto w = harness::WindowsOfProcess(vpanel.Id(), L"OrvantaVirtualPanel");
    return w.empty() ? nullptr : w.front();
  }

  // The printed button that shows the display name the resources give the action.
  HWND PrintedButton(const std::string& action) const {
    orvanta::win::ButtonResFilesWin files;
    orvanta::ClassButtonRes res(&files);
    res.SetPath(wincommon::WideToUtf8(folder.File(L"Orvanta.dat")));
    res.Load();
    const std::wstring name = wincommon::AnsiToWide(res.DispOfName(action));
    return name.empty() ? nullptr : ::FindWindowExW(Sheet(), nullptr, L"OrvantaVirtualPanelButton", name.c_str());
  }

  static void Press(HWND button) {
    RECT rc{};
    ::GetClientRect(button, &rc);
    const LPARAM centre = MAKELPARAM(rc.right / 2, rc.bottom / 2);
    ::PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, centre);
    ::PostMessageW(button, WM_LBUTTONUP, 0, centre);
  }

  std::vector<std::wstring> ReportsShown() const {
    const HWND list = ::FindWindowExW(Sheet(), nullptr, L"LISTBOX", nullptr);
    std::vector<std::wstring> out;
    const auto n = ::SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
      wchar_t text[128] = {};
      if (::SendMessageW(list, LB_GETTEXTLEN, i, 0) < 128) ::SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
      out.emplace_back(text);
    }
    return out;
  }

  panelsim::PanelSim panel;
  harness::TestFolder folder;
  // Ended by their owners when the test ends.
  harness::Process touchData, driver, vpanel;
};

TEST_F(VirtualPanel, PressingThePrintedCalibrationSetButtonSwitchesTheSet) {
  StartAll();
  const HWND button = PrintedButton("Tpdrv.ChangeTPNamedID");
  ASSERT_NE(button, nullptr) << "the button shows its display name";
  Press(button);
  ASSERT_TRUE(harness::WaitUntil([&] { return folder.ReadText(L"touchdata.log").find("DATACHANG") != std::string::npos; }, 5s));
  EXPECT_EQ(folder.ReadText(L"touchdata.log").find("TPNamedID=Orvanta-16:9"), 0u);
  // Newest first: the release, then the press, at the same point.
  const auto shown = ReportsShown();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].back(), L'N');
  EXPECT_EQ(shown[1].back(), L'B');
  EXPECT_EQ(shown[0].substr(0, 9), shown[1].substr(0, 9));
}

TEST_F(VirtualPanel, ThePlugBoxUnplugsThePanelAndTheDriverReconnects) {
  StartAll();
  const HWND plug = ::FindWindowExW(Sheet(), nullptr, L"BUTTON", nullptr);
  ::PostMessageW(plug, BM_CLICK, 0, 0);
  ASSERT_TRUE(harness::WaitUntil([&] { return !panel.Plugged() && !panel.IsOpen(); }, 5s));
  Press(PrintedButton("Tpdrv.ChangeTPNamedID"));
  ASSERT_TRUE(harness::WaitUntil([&] { return ReportsShown().size() == 2; }, 5s));
  ::PostMessageW(plug, BM_CLICK, 0, 0);
  EXPECT_TRUE(harness::WaitUntil([&] { return panel.IsOpen(); }, 5s)) << "the driver opens it again";
  EXPECT_FALSE(folder.Exists(L"touchdata.log")) << "a touch while unplugged is lost";
}

}  // namespace
