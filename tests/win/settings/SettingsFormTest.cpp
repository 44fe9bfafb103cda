// The settings and selection dialogs in this process, over an INI file of
// the test's own and the real file information: a change of DPI lays the
// settings out again from its twips, and a program registered from Japanese
// folder and file names shows its whole name in both. (Under code page 932
// the second byte of ソ, 表 and 能 is a backslash.)
#include <gtest/gtest.h>

#include <windows.h>
// After windows.h.
#include <commctrl.h>

#include "base/win/WinProfileStore.h"
#include "common/Harness.h"
#include "settings/win/FormSetting.h"
#include "settings/win/FormSettingSelApp.h"
#include "settings/win/ModuleFileInf.h"
#include "wincommon/Text.h"

namespace {

using orvanta::win::FormSetting;

using harness::WindowRect;

// A control's place in its dialog's client area.
RECT PlaceIn(HWND dialog, HWND control) {
  RECT r = WindowRect(control);
  ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

int FontHeight(HWND control) {
  LOGFONTW lf{};
  const auto font = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
  return font && ::GetObjectW(font, sizeof(lf), &lf) ? lf.lfHeight : 0;
}

struct Placed {
  const char* name;
  int left, top, width, height;  // twips in the dialog
};

class SettingsForm : public ::testing::Test {
protected:
  ~SettingsForm() override { form.Destroy(); }

  harness::TestFolder folder;
  const std::string ini = wincommon::WideToUtf8(folder.File(L"Orvanta.ini"));
  orvanta::win::WinProfileStore store;
  orvanta::win::ModuleFileInf files;
  orvanta::TouchEvent touches;
  FormSetting form{FormSetting::Services{store, ini, files, nullptr, touches, [] { return true; }, nullptr}};
};

TEST_F(SettingsForm, AChangeOfDpiTakesTheSuggestedPlaceAndLaysTheControlsAndFontsOutAgain) {
  ASSERT_TRUE(form.Show(nullptr, false));
  const HWND dialog = form.hwnd();
  const HWND list = harness::ChildWindows(dialog, WC_LISTVIEWW).at(0);
  const std::vector<std::pair<Placed, HWND>> controls = {
      {{"OK", 3960, 4200, 1455, 375}, harness::Button(dialog, L"OK")},
      {{"Cancel", 5640, 4200, 1455, 375}, harness::Button(dialog, L"キャンセル")},
      {{"calibration", 5400, 360, 1695, 375}, harness::Button(dialog, L"キャリブレーション")},
      {{"list", 360, 2400, 6615, 1455}, list},
  };
  const int first = form.Dpi();
  // Moved to a monitor of one and a half times the scale, then back.
  for (const int dpi : {first * 3 / 2, first}) {
    SCOPED_TRACE(dpi);
    const RECT now = WindowRect(dialog);
    const RECT suggested{now.left + 10, now.top + 20, now.left + 10 + ::MulDiv(now.right - now.left, dpi, form.Dpi()),
                         now.top + 20 + ::MulDiv(now.bottom - now.top, dpi, form.Dpi())};
    ::SendMessageW(dialog, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    const RECT placed = WindowRect(dialog);
    EXPECT_TRUE(::EqualRect(&suggested, &placed));
    for (const auto& [want, control] : controls) {
      SCOPED_TRACE(want.name);
      const RECT r = PlaceIn(dialog, control);
      EXPECT_EQ(r.left, wincommon::TwipsToPixels(want.left, dpi));
      EXPECT_EQ(r.top, wincommon::TwipsToPixels(want.top, dpi));
      EXPECT_EQ(r.right, wincommon::TwipsToPixels(want.left + want.width, dpi));
      EXPECT_EQ(r.bottom, wincommon::TwipsToPixels(want.top + want.height, dpi));
    }
    EXPECT_EQ(FontHeight(controls.front().second), -::MulDiv(9, dpi, 72));
    EXPECT_EQ(FontHeight(list), -::MulDiv(11, dpi, 72));
    EXPECT_EQ(ListView_GetColumnWidth(list, 2), wincommon::TwipsToPixels(2250, dpi)) << "名前";
  }
}

using JapaneseNames = SettingsForm;

TEST_F(JapaneseNames, TheSettingsListShowsTheWholeName) {
  // No version information: the name shown is the file name itself. (Where
  // a name is split is the registration's rule, tested natively.)
  ASSERT_TRUE(folder.WriteText(L"ソフト表能\\カメラソフト.exe", "not a program"));
  const std::wstring camera = folder.File(L"ソフト表能\\カメラソフト.exe");
  const std::string ansi = wincommon::WideToAnsi(camera);
  ASSERT_TRUE(folder.WriteText(L"Orvanta.ini", "[Camera]\r\nPath=\"" + ansi + "\"\r\n"));
  ASSERT_TRUE(form.Show(nullptr, false));
  const HWND list = harness::ChildWindows(form.hwnd(), WC_LISTVIEWW).at(0);
  EXPECT_EQ(harness::ListViewText(list, 1, 2), L"カメラソフト");
  EXPECT_EQ(harness::ListViewText(list, 1, 3), camera);
}

}  // namespace
