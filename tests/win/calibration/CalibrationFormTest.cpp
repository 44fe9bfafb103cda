// The calibration dialog in this process, over panel data of the test's own
// and touches raised by the test: its picture drawn at another DPI.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "base/win/WinProfileStore.h"
#include "common/Harness.h"
#include "panel/win/ButtonResFilesWin.h"
#include "panel/win/FormCal.h"
#include "wincommon/Handles.h"
#include "wincommon/Text.h"

namespace {

using namespace std::chrono_literals;

constexpr COLORREF kRed = 0xFF0000;  // as a 32-bit DIB holds RGB(255, 0, 0)
constexpr COLORREF kBlack = 0x000000;

// What a control paints, asked for through WM_PRINTCLIENT into a bitmap of
// our own (not a copy of the screen).
struct Drawing {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  [[nodiscard]] std::uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x] & 0xFFFFFF; }
  // The length of the run of colour that starts at (x, y) going down.
  [[nodiscard]] int RunDown(int x, int y, std::uint32_t colour) const {
    int n = 0;
    while (y + n < height && At(x, y + n) == colour) ++n;
    return n;
  }
  [[nodiscard]] int RunRight(int x, int y, std::uint32_t colour) const {
    int n = 0;
    while (x + n < width && At(x + n, y) == colour) ++n;
    return n;
  }
};

Drawing Print(HWND control) {
  Drawing d;
  RECT client{};
  ::GetClientRect(control, &client);
  d.width = client.right;
  d.height = client.bottom;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = d.width;
  bi.bmiHeader.biHeight = -d.height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const wincommon::ScreenDc screen(::GetDC(nullptr));
  const wincommon::GdiObject dib(::CreateDIBSection(screen.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  const wincommon::MemoryDc mem(::CreateCompatibleDC(screen.get()));
  if (!dib || !bits || !mem) return d;
  const HGDIOBJ old = ::SelectObject(mem.get(), dib.get());
  ::SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(mem.get()), PRF_CLIENT);
  ::GdiFlush();
  const auto* px = static_cast<const std::uint32_t*>(bits);
  d.pixels.assign(px, px + static_cast<size_t>(d.width) * d.height);
  ::SelectObject(mem.get(), old);
  return d;
}

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
  RECT now{};
  ::GetWindowRect(form.hwnd(), &now);
  RECT suggested{now.left, now.top, now.left + ::MulDiv(now.right - now.left, next, dpi),
                 now.top + ::MulDiv(now.bottom - now.top, next, dpi)};
  ::SendMessageW(form.hwnd(), WM_DPICHANGED, MAKEWPARAM(next, next), reinterpret_cast<LPARAM>(&suggested));
  ASSERT_EQ(form.Dpi(), next);

  const Drawing d = Print(Picture());
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

}  // namespace
