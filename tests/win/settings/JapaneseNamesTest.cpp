// A program registered from Japanese folder and file names, in this process
// over the real INI access and file information: the settings list shows its
// whole name and place, read from the INI file in code page 932, where the
// second byte of ソ, 表 and 能 is a backslash. (Where a name is split is the
// registration's rule, tested natively.)
#include <gtest/gtest.h>

#include "base/win/WinProfileStore.h"
#include "common/Harness.h"
#include "settings/win/FormSetting.h"
#include "settings/win/ModuleFileInf.h"
#include "wincommon/Text.h"
// After windows.h.
#include <commctrl.h>

namespace {

std::wstring ListText(HWND list, int row, int column) {
  wchar_t text[512] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 512;
  ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return text;
}

TEST(JapaneseNames, TheSettingsListShowsTheWholeName) {
  harness::TestFolder folder;
  // No version information: the name shown is the file name itself.
  ASSERT_TRUE(folder.WriteText(L"ソフト表能\\カメラソフト.exe", "not a program"));
  const std::wstring camera = folder.File(L"ソフト表能\\カメラソフト.exe");
  const std::string ansi = wincommon::WideToAnsi(camera);
  ASSERT_TRUE(folder.WriteText(L"Orvanta.ini", "[Camera]\r\nPath=\"" + ansi + "\"\r\n"));

  orvanta::win::WinProfileStore store;
  orvanta::win::ModuleFileInf files;
  orvanta::TouchEvent touches;
  const std::string ini = wincommon::WideToUtf8(folder.File(L"Orvanta.ini"));
  orvanta::win::FormSetting settings(
      orvanta::win::FormSetting::Services{store, ini, files, {}, touches, [] { return false; }, {}});
  ASSERT_TRUE(settings.Show(nullptr, false));
  const HWND list = ::FindWindowExW(settings.hwnd(), nullptr, L"SysListView32", nullptr);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(ListText(list, 1, 2), L"カメラソフト");
  EXPECT_EQ(ListText(list, 1, 3), camera);
  settings.Destroy();
}

}  // namespace
