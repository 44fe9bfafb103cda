// The calibration dialog in this process, over panel data of the test's own
// and touches raised by the test: its picture drawn at another DPI. And the
// delivered button resources, whose pictures it draws.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <vector>

#include "base/win/WinProfileStore.h"
#include "common/Harness.h"
#include "panel/win/ButtonResFilesWin.h"
#include "panel/win/ButtonResPicture.h"
#include "panel/win/FormCal.h"
#include "wincommon/Com.h"
#include "wincommon/Text.h"

namespace {

using namespace std::chrono_literals;

constexpr COLORREF kRed = 0xFF0000;  // as a 32-bit DIB holds RGB(255, 0, 0)
constexpr COLORREF kBlack = 0x000000;

class CalibrationForm : public ::testing::Test {
protected:
  CalibrationForm() {
    folder.WriteText(L"Data\\QV-LK2048.def",
                     "[Header]\r\nButtonX=1\r\nButtonY=1\r\n[Button.1.1]\r\nName=Camera.Run\r\nRect=0,0,99,99\r\n");
    panel.DataName = "QV-LK2048";
    panel.Load();
  }
  ~CalibrationForm() override { form.Destroy(); }

  void Raise(char state) { (void)touches.Raise(orvanta::TouchPoint{5000, 5000, state}); }
  [[nodiscard]] HWND Picture() const {
    // The owner-drawn picture box is the first of the dialog's STATICs.
    const auto statics = harness::ChildWindows(form.hwnd(), L"Static");
    return statics.empty() ? nullptr : statics.front();
  }

  harness::TestFolder folder;
  orvanta::win::WinProfileStore store;
  orvanta::ClassPanelData panel{store, wincommon::WideToUtf8(folder.File(L"Data"))};
  orvanta::win::ButtonResFilesWin resFiles;
  orvanta::ClassButtonRes res{&resFiles};  // no resource file: a plain grey face
  orvanta::TouchEvent touches;
  orvanta::win::FormCal form{orvanta::PanelParts{panel, res, touches}};
};

TEST_F(CalibrationForm, AtOneAndAHalfTimesTheDpiTheTargetAndTheFrameAreStillOnePixelLines) {
  ASSERT_TRUE(form.Show(nullptr, false));
  Raise('N');  // the start touch: the first corner's target, red and shown
  const int dpi = form.Dpi();
  const int next = dpi * 3 / 2;  // 144 on a 96 DPI screen
  const RECT now = harness::WindowRect(form.hwnd());
  RECT suggested{now.left, now.top, now.left + ::MulDiv(now.right - now.left, next, dpi),
                 now.top + ::MulDiv(now.bottom - now.top, next, dpi)};
  ::SendMessageW(form.hwnd(), WM_DPICHANGED, MAKEWPARAM(next, next), reinterpret_cast<LPARAM>(&suggested));
  ASSERT_EQ(form.Dpi(), next);

  const harness::Drawing d = harness::PrintClient(Picture());
  ASSERT_GT(d.width, 0);
  // The picture grew with the DPI: its inner width is its twips at 144 DPI
  // (3435 twips less the sunken edge).
  EXPECT_NEAR(d.width, wincommon::TwipsToPixels(3435, next) - 4, 2);
  // The target's horizontal line reaches further left than its circles:
  // its leftmost red pixel, and the column one further in, cross only the
  // line. The frame's left edge, in the middle row of the picture, is black.
  int left = d.width, row = -1;
  for (int y = 0; y < d.height; ++y) {
    for (int x = 0; x < left; ++x) {
      if (d.At(x, y) == kRed) {
        left = x;
        row = y;
      }
    }
  }
  ASSERT_GE(row, 0) << "no target drawn";
  int top = row;
  while (top > 0 && d.At(left + 1, top - 1) == kRed) --top;
  EXPECT_EQ(d.RunDown(left + 1, top, kRed), 1) << "the target's line";

  const int middle = d.height / 3;
  int frame = 0;
  while (frame < d.width && d.At(frame, middle) != kBlack) ++frame;
  ASSERT_LT(frame, d.width) << "no frame drawn";
  EXPECT_EQ(d.RunRight(frame, middle, kBlack), 1) << "the frame's line";
}

// Every printed button of the delivered layout has a record in the
// delivered resources, with a display name and a picture that the OLE
// picture loader decodes and that draws more than one colour: the file is
// generated at build time, and the loader takes no format but its own few.
TEST(DeliveredButtonRes, EveryButtonOfTheLayoutHasAPictureTheOlePictureLoaderDecodes) {
  const wincommon::ComScope com;
  harness::TestFolder folder;
  ASSERT_TRUE(folder.CopyFromBin(L"Data\\QV-LK2048.def"));
  ASSERT_TRUE(folder.CopyFromBin(L"Orvanta.dat"));
  orvanta::win::WinProfileStore store;
  orvanta::ClassPanelData layout{store, wincommon::WideToUtf8(folder.File(L"Data"))};
  layout.DataName = "QV-LK2048";
  layout.Load();
  ASSERT_GT(layout.ButtonData_Counts(), 0);
  orvanta::win::ButtonResFilesWin files;
  orvanta::ClassButtonRes res{&files};
  res.SetPath(wincommon::WideToUtf8(folder.File(L"Orvanta.dat")));
  res.Load();
  for (std::int32_t i = 0; i < layout.ButtonData_Counts(); ++i) {
    const orvanta::AnsiString& name = layout.ButtonData(i)->Name;
    SCOPED_TRACE(name.bytes());
    const std::int32_t index = res.IndexOf(name);
    ASSERT_GE(index, 0) << "no record";
    EXPECT_FALSE(res.DispOfIndex(index).empty());
    const orvanta::win::ButtonPicture picture = orvanta::win::PicOfIndex(res, index);
    ASSERT_TRUE(picture) << "not decoded";
    const harness::Drawing d = harness::Draw(48, 48, [&](HDC dc) { EXPECT_TRUE(picture.Render(dc, RECT{0, 0, 48, 48})); });
    ASSERT_FALSE(d.pixels.empty());
    EXPECT_FALSE(std::all_of(d.pixels.begin(), d.pixels.end(), [&](std::uint32_t p) { return (p & 0xFFFFFF) == d.At(0, 0); }))
        << "a picture of one colour";
  }
}

}  // namespace
