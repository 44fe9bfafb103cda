// The notification window, in process: real windows, state read back from
// the system.
#include <gtest/gtest.h>

#include <windows.h>

#include <climits>
#include <memory>
#include <vector>

#include "actions/InfoLayout.h"
#include "actions/win/FormInfo.h"
#include "common/Harness.h"
#include "wincommon/Handles.h"
#include "wincommon/Window.h"

namespace {

using namespace std::chrono_literals;
using orvanta::win::FormInfo;

// Every window of the notification class in this process, shown or not.
std::vector<HWND> InfoWindows(bool visibleOnly) {
  return harness::WindowsOfProcess(::GetCurrentProcessId(), FormInfo::kClassName, visibleOnly);
}

using harness::WindowRect;

bool SameRect(const RECT& a, const RECT& b) { return ::EqualRect(&a, &b) != FALSE; }

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kMagenta = 0xFF00FF;

class FormInfoTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(InfoWindows(false).empty()) << "a notification window was left over";
    settings_.NotifyMsg = 3000;
    settings_.NotifyMsgPos = 0;
    form_ = std::make_unique<FormInfo>(settings_);
  }
  void TearDown() override {
    form_.reset();
    EXPECT_TRUE(InfoWindows(false).empty()) << "the notification outlived its FormInfo";
  }
  [[nodiscard]] bool Shown() const {
    return form_->TextWindow() && form_->Backdrop() && ::IsWindowVisible(form_->TextWindow()) &&
           ::IsWindowVisible(form_->Backdrop());
  }
  [[nodiscard]] static bool NothingShown() { return InfoWindows(true).empty(); }

  orvanta::MainSettings settings_;
  std::unique_ptr<FormInfo> form_;
};

TEST_F(FormInfoTest, NotificationsOffShowNothingAndCreateNoWindow) {
  for (const std::int32_t notifyMsg : {0, -1, -3000, INT_MIN}) {
    SCOPED_TRACE(notifyMsg);
    settings_.NotifyMsg = notifyMsg;
    form_->SetText(u8"ペンソフトを起動しました。", 0, 3);
    EXPECT_EQ(form_->TextWindow(), nullptr);
    EXPECT_EQ(form_->Backdrop(), nullptr);
    EXPECT_TRUE(InfoWindows(false).empty());
  }
}

TEST_F(FormInfoTest, ShowsTextWindowOverBackdropOfEqualSizeAndPosition) {
  form_->SetText(u8"PCカメラを起動しました。");
  ASSERT_TRUE(Shown());
  const HWND text = form_->TextWindow();
  const HWND back = form_->Backdrop();
  EXPECT_EQ(form_->Text(), u8"PCカメラを起動しました。");

  // EnumWindows lists top-level windows from the top of the z-order down:
  // the text window lies above its backdrop.
  EXPECT_EQ(InfoWindows(true), (std::vector<HWND>{text, back}));

  // (Equal places and sizes that fit the text: PlacesTheWindowsByNotifyMsgPos...)
  EXPECT_EQ(::GetWindow(text, GW_OWNER), back);

  for (const HWND h : {text, back}) {
    const LONG style = ::GetWindowLongW(h, GWL_STYLE);
    const LONG ex = ::GetWindowLongW(h, GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME | WS_BORDER), 0);
    EXPECT_TRUE(ex & WS_EX_TOOLWINDOW) << "no task-bar button";
    EXPECT_TRUE(ex & WS_EX_TOPMOST);
    EXPECT_TRUE(ex & WS_EX_LAYERED);
    EXPECT_EQ(harness::WindowText(h), L"");
    EXPECT_NE(::GetForegroundWindow(), h) << "a notification never takes the focus";
  }

  COLORREF key = 0;
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(::GetLayeredWindowAttributes(back, &key, &alpha, &flags));
  EXPECT_TRUE(flags & LWA_ALPHA);
  EXPECT_EQ(alpha, 153);
  ASSERT_TRUE(::GetLayeredWindowAttributes(text, &key, &alpha, &flags));
  EXPECT_TRUE(flags & LWA_COLORKEY);
  EXPECT_EQ(key, RGB(255, 0, 255));
}

// A pen stroke in the middle of the screen on an interactive whiteboard must
// reach the program below, and a tap must not activate the notification.
TEST_F(FormInfoTest, PenStrokesAndTapsPassThroughToTheWindowBelow) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"FormInfoTestBelow";
  ::RegisterClassW(&wc);
  const int sw = ::GetSystemMetrics(SM_CXSCREEN);
  const int sh = ::GetSystemMetrics(SM_CYSCREEN);
  const wincommon::WindowHandle below(::CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0, sw, sh,
                                                        nullptr, nullptr, wc.hInstance, nullptr));
  ASSERT_TRUE(below);
  form_->SetText(u8"ペンソフトを起動しました。", 0);
  ASSERT_TRUE(Shown());
  for (const HWND h : {form_->TextWindow(), form_->Backdrop()}) {
    constexpr LONG kClickThrough = WS_EX_TRANSPARENT | WS_EX_LAYERED | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW;
    EXPECT_EQ(::GetWindowLongW(h, GWL_EXSTYLE) & kClickThrough, kClickThrough);
  }
  const RECT r = WindowRect(form_->TextWindow());
  const POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  EXPECT_EQ(::WindowFromPoint(centre), below.get());
}

TEST_F(FormInfoTest, DisappearsWhenTheDisplayTimeIsOver) {
  // The configured time for any negative TimeOut; a given TimeOut otherwise.
  const struct {
    std::int32_t notifyMsg, timeOut;
  } cases[] = {{250, -1}, {250, -7}, {600000, 250}, {1, 300}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.notifyMsg << " / " << c.timeOut);
    settings_.NotifyMsg = c.notifyMsg;
    form_->SetText(u8"ペンソフトを終了しました。", c.timeOut);
    ASSERT_TRUE(Shown());
    const HWND back = form_->Backdrop();
    EXPECT_TRUE(harness::WaitUntil(NothingShown, 10s));
    EXPECT_EQ(form_->Backdrop(), nullptr);
    EXPECT_EQ(form_->TextWindow(), nullptr);
    EXPECT_FALSE(::IsWindow(back)) << "the backdrop is closed, not just hidden";
  }
}

TEST_F(FormInfoTest, ANewTextReusesTheWindowsAndRestartsTheDisplayTime) {
  settings_.NotifyMsg = 100;
  form_->SetText(u8"一つ目", 150);
  const HWND back = form_->Backdrop();
  const HWND text = form_->TextWindow();
  form_->SetText(u8"二つ目の通知です", 0);  // 0: stays until the next text
  harness::PumpFor(1000ms);                 // past the first text's time and ten configured ones
  EXPECT_TRUE(Shown());
  EXPECT_EQ(form_->Text(), u8"二つ目の通知です");
  EXPECT_EQ(form_->Backdrop(), back);
  EXPECT_EQ(form_->TextWindow(), text);
  EXPECT_EQ(InfoWindows(false).size(), 2u);
  form_->SetText(u8"三つ目", 100);
  EXPECT_TRUE(harness::WaitUntil(NothingShown, 10s));
}

TEST_F(FormInfoTest, ClosingEitherWindowClosesTheOther) {
  for (const bool closeText : {true, false}) {
    SCOPED_TRACE(closeText ? "text window" : "backdrop");
    form_->SetText(u8"PCカメラを起動しました。", 0);
    ASSERT_TRUE(Shown());
    ::SendMessageW(closeText ? form_->TextWindow() : form_->Backdrop(), WM_CLOSE, 0, 0);
    EXPECT_EQ(form_->Backdrop(), nullptr);
    EXPECT_TRUE(InfoWindows(false).empty()) << "both windows destroyed";
  }
  // And the next notification builds both windows again.
  form_->SetText(u8"PCカメラを起動しました。", 0);
  EXPECT_TRUE(Shown());
  EXPECT_EQ(::GetWindow(form_->TextWindow(), GW_OWNER), form_->Backdrop());
}

// The position table is a native rule; here the screen and window sizes it
// is fed, measured by the system, and the place the windows end up; and
// window sizes that fit the text with margins of 150 twips.
TEST_F(FormInfoTest, PlacesTheWindowsByNotifyMsgPosAndFitsThemToTheText) {
  const int sw = ::GetSystemMetrics(SM_CXSCREEN);
  const int sh = ::GetSystemMetrics(SM_CYSCREEN);
  const int dpi = wincommon::ScreenDpi();
  for (const std::int32_t pos : {0, 1, 2, 3, 4}) {
    SCOPED_TRACE(pos);
    settings_.NotifyMsgPos = pos;
    form_->SetText(u8"キャリブレーション切替", 0);
    const RECT r = WindowRect(form_->TextWindow());
    EXPECT_TRUE(SameRect(r, WindowRect(form_->Backdrop())));
    const orvanta::TwipPoint at = orvanta::PlaceWindow(
        pos, wincommon::PixelsToTwips(sw, dpi), wincommon::PixelsToTwips(sh, dpi),
        wincommon::PixelsToTwips(r.right - r.left, dpi), wincommon::PixelsToTwips(r.bottom - r.top, dpi));
    EXPECT_NEAR(r.left, static_cast<double>(at.left) * dpi / 1440, 1.0);
    EXPECT_NEAR(r.top, static_cast<double>(at.top) * dpi / 1440, 1.0);
  }

  const int lineHeight = ::MulDiv(1425, dpi, 7200);  // one line of a 14.25 pt font
  // A wider text makes a wider window by exactly its own extra width.
  form_->SetText(u8"起動", 0);
  const RECT small = WindowRect(form_->TextWindow());
  form_->SetText(u8"起動起動起動起動", 0);
  const RECT wide = WindowRect(form_->TextWindow());
  EXPECT_EQ(small.bottom - small.top, wide.bottom - wide.top);
  EXPECT_GT(wide.right - wide.left, small.right - small.left);
  // 300 twips more than the text each way: the text's own height is the
  // window's less the margins.
  const int textHeight = (small.bottom - small.top) - wincommon::TwipsToPixels(300, dpi);
  EXPECT_GE(textHeight, lineHeight);
  EXPECT_LT(textHeight, 2 * lineHeight);

  // A second, shorter line: one line taller, as wide as the first line.
  form_->SetText(u8"起動起動起動起動\r\n  起動", 0);
  const RECT two = WindowRect(form_->TextWindow());
  EXPECT_TRUE(SameRect(two, WindowRect(form_->Backdrop())));
  EXPECT_GE((two.bottom - two.top) - (wide.bottom - wide.top), lineHeight);
  EXPECT_LT((two.bottom - two.top) - (wide.bottom - wide.top), 2 * lineHeight);
  EXPECT_EQ(two.right - two.left, wide.right - wide.left);
}

// The backdrop is black, with a checkered mesh for style bit 0; the text
// white with a black outline on the colour key, framed for bit 1.
TEST_F(FormInfoTest, DrawsTheBackdropAndTheOutlinedTextByStyle) {
  for (const std::int32_t style : {0, 1, 2, 3}) {
    SCOPED_TRACE(style);
    form_->SetText(u8"ペンソフトを起動しました。\r\n設定を確認して下さい。", 0, style);
    const harness::Drawing back = harness::PrintClient(form_->Backdrop());
    ASSERT_GT(back.width, 0);
    int wrong = 0;
    for (int y = 0; y < back.height; ++y) {
      for (int x = 0; x < back.width; ++x) {
        wrong += back.At(x, y) != (((style & 1) && (x + y) % 2 == 0) ? kWhite : kBlack);
      }
    }
    EXPECT_EQ(wrong, 0) << "backdrop";

    const harness::Drawing d = harness::PrintClient(form_->TextWindow());
    ASSERT_GT(d.width, 2);
    int white = 0, black = 0, other = 0, whiteTouchingKey = 0, whiteInMargin = 0;
    const int margin = wincommon::TwipsToPixels(150, wincommon::ScreenDpi());
    for (int y = 1; y < d.height - 1; ++y) {
      for (int x = 1; x < d.width - 1; ++x) {
        const std::uint32_t p = d.At(x, y);
        if (p == kBlack) ++black;
        if (p != kWhite && p != kBlack && p != kMagenta) ++other;
        if (p != kWhite) continue;
        ++white;
        if (x < margin - 1 || y < margin - 1) ++whiteInMargin;
        for (int dy = -1; dy <= 1; ++dy) {
          for (int dx = -1; dx <= 1; ++dx) {
            if (d.At(x + dx, y + dy) == kMagenta) ++whiteTouchingKey;
          }
        }
      }
    }
    EXPECT_GT(white, 50);
    EXPECT_GT(black, white / 2);
    EXPECT_EQ(whiteInMargin, 0) << "the text starts 150 twips in";
    EXPECT_EQ(other, 0) << "only white, black and the colour key: no blended edges";
    EXPECT_EQ(whiteTouchingKey, 0) << "every white pixel is ringed by the outline";

    // Bit 1: a one-pixel white frame round the edge; otherwise the edge is
    // the colour key (the text keeps a margin).
    int frame = 0;
    for (int x = 0; x < d.width; ++x) frame += (d.At(x, 0) == kWhite) + (d.At(x, d.height - 1) == kWhite);
    for (int y = 0; y < d.height; ++y) frame += (d.At(0, y) == kWhite) + (d.At(d.width - 1, y) == kWhite);
    EXPECT_EQ(frame, (style & 2) ? 2 * (d.width + d.height) : 0);
    if (!(style & 2)) {
      EXPECT_EQ(d.At(1, 1), kMagenta);
    }
  }
}

TEST_F(FormInfoTest, FontDrawsJapaneseRatherThanBoxes) {
  ASSERT_FALSE(form_->FontFace().empty());
  LOGFONTW lf{};
  lf.lfHeight = -19;
  lf.lfWeight = FW_BOLD;
  lf.lfCharSet = SHIFTJIS_CHARSET;
  lstrcpynW(lf.lfFaceName, form_->FontFace().c_str(), LF_FACESIZE);
  const wincommon::GdiObject font(::CreateFontIndirectW(&lf));
  const HDC dc = ::GetDC(nullptr);
  const HGDIOBJ old = ::SelectObject(dc, font.get());
  wchar_t face[LF_FACESIZE] = {};
  ::GetTextFaceW(dc, LF_FACESIZE, face);
  const std::wstring sample = L"ＰＣカメラはすでに起動されています。キャリブレーション切替タッチパネル";
  std::vector<WORD> glyphs(sample.size());
  const DWORD n = ::GetGlyphIndicesW(dc, sample.c_str(), static_cast<int>(sample.size()), glyphs.data(),
                                     GGI_MARK_NONEXISTING_GLYPHS);
  ::SelectObject(dc, old);
  ::ReleaseDC(nullptr, dc);
  EXPECT_EQ(std::wstring(face), form_->FontFace()) << "the face asked for is the face drawn with";
  ASSERT_EQ(n, sample.size());
  for (size_t i = 0; i < glyphs.size(); ++i) EXPECT_NE(glyphs[i], 0xFFFF) << "no glyph at " << i;
}

}  // namespace
