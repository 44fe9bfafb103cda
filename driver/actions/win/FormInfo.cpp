#include "FormInfo.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "actions/InfoLayout.h"
#include "wincommon/Text.h"
#include "wincommon/Window.h"

namespace orvanta::win {

namespace {

// Layout of the form in twips.
constexpr int kLabelLeftTwips = 150;
constexpr int kLabelTopTwips = 150;
constexpr int kMarginTwips = 300;  // 150 on each side
constexpr int kOutlineStepTwips = 15;  // one pixel at 96 DPI
constexpr int kFontSizeCentiPoints = 1425;  // 14.25 pt

constexpr std::uint32_t kPixelBlack = 0x000000;
constexpr std::uint32_t kPixelWhite = 0xFFFFFF;
// A 32-bit DIB stores blue, green, red: magenta reads the same either way.
constexpr std::uint32_t kPixelKey = 0xFF00FF;

// The face the notification was designed with. Windows without the Japanese
// fonts, and Wine, which ships none, lack it.
constexpr const wchar_t* kDesignFace = L"ＭＳ Ｐゴシック";
// Japanese gothic faces that stand in for it, proportional ones first: the
// face's English name (Windows lists it under either name), then the IPA
// fonts that Linux distributions install and Wine picks up through
// fontconfig. Wine lists those under their Japanese names when the locale is
// Japanese and under the English ones otherwise, so both are asked for.
constexpr const wchar_t* kStandInFaces[] = {L"MS PGothic", L"IPA Pゴシック", L"IPAPGothic", L"MS UI Gothic",
                                            L"ＭＳ ゴシック", L"MS Gothic", L"IPAゴシック", L"IPAGothic"};
// Characters every notification uses: a face that lacks any of them would
// draw boxes.
constexpr const wchar_t* kJapaneseSample = L"ペンソフトを起動しました。「」設定確認";

LOGFONTW DesignFont(const wchar_t* face, int dpi) {
  LOGFONTW lf{};
  lf.lfHeight = -::MulDiv(kFontSizeCentiPoints, dpi, 7200);
  lf.lfWeight = FW_BOLD;
  lf.lfCharSet = SHIFTJIS_CHARSET;
  lf.lfOutPrecision = OUT_TT_PRECIS;
  // Antialiased edges blend the text into magenta, and those blended pixels
  // are not the colour key: they would show as a pink fringe round the
  // outline. Plain pixels only.
  lf.lfQuality = NONANTIALIASED_QUALITY;
  lf.lfPitchAndFamily = VARIABLE_PITCH | FF_MODERN;
  lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
  return lf;
}

int CALLBACK NoteFace(const LOGFONTW* lf, const TEXTMETRICW*, DWORD, LPARAM param) {
  auto* faces = reinterpret_cast<std::vector<std::wstring>*>(param);
  faces->push_back(lf->lfFaceName);
  return 1;
}

// Shift_JIS faces of the system by name; all of them when face is empty.
std::vector<std::wstring> ShiftJisFaces(HDC dc, const wchar_t* face) {
  LOGFONTW lf{};
  lf.lfCharSet = SHIFTJIS_CHARSET;
  lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
  std::vector<std::wstring> faces;
  ::EnumFontFamiliesExW(dc, &lf, &NoteFace, reinterpret_cast<LPARAM>(&faces), 0);
  return faces;
}

bool DrawsJapanese(HDC dc, const std::wstring& face, int dpi) {
  const LOGFONTW lf = DesignFont(face.c_str(), dpi);
  const wincommon::GdiObject font(::CreateFontIndirectW(&lf));
  if (!font) return false;
  const HGDIOBJ old = ::SelectObject(dc, font.get());
  const int n = lstrlenW(kJapaneseSample);
  std::vector<WORD> glyphs(static_cast<size_t>(n));
  const DWORD done = ::GetGlyphIndicesW(dc, kJapaneseSample, n, glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS);
  ::SelectObject(dc, old);
  return done == static_cast<DWORD>(n) &&
         std::none_of(glyphs.begin(), glyphs.end(), [](WORD g) { return g == 0xFFFF; });
}

// The design face when the system has it; otherwise the first stand-in that
// draws Japanese, then any Shift_JIS face that does. Under Wine the design
// face never exists, and leaving the choice to the font mapper can land on a
// Latin face that draws every Japanese character as a box.
std::wstring ChooseFace(int dpi) {
  const wincommon::ScreenDc screen(::GetDC(nullptr));
  const HDC dc = screen.get();
  std::wstring chosen;
  if (!ShiftJisFaces(dc, kDesignFace).empty()) {
    chosen = kDesignFace;
  } else {
    for (const wchar_t* face : kStandInFaces) {
      if (!ShiftJisFaces(dc, face).empty() && DrawsJapanese(dc, face, dpi)) {
        chosen = face;
        break;
      }
    }
    if (chosen.empty()) {
      for (const std::wstring& face : ShiftJisFaces(dc, L"")) {
        // "@" faces are the vertical-writing variants.
        if (!face.empty() && face[0] != L'@' && DrawsJapanese(dc, face, dpi)) {
          chosen = face;
          break;
        }
      }
    }
  }
  return chosen.empty() ? std::wstring(kDesignFace) : chosen;
}

using SetLayeredWindowAttributesFn = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);

// Looked up at run time: a system without layered windows leaves the
// notification opaque instead of refusing to start the driver.
void SetLayered(HWND window, COLORREF key, BYTE alpha, DWORD flags) {
  const LONG exStyle = ::GetWindowLongW(window, GWL_EXSTYLE);
  ::SetWindowLongW(window, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
  const wincommon::Module user32(::LoadLibraryW(L"user32.dll"));
  if (!user32) return;
  const auto fn = reinterpret_cast<SetLayeredWindowAttributesFn>(
      reinterpret_cast<void*>(::GetProcAddress(user32.get(), "SetLayeredWindowAttributes")));
  if (fn) fn(window, key, alpha, flags);
}

void SetWindowAlpha(HWND window, BYTE alpha) { SetLayered(window, 0, alpha, LWA_ALPHA); }
void SetWindowColorKey(HWND window, COLORREF key) { SetLayered(window, key, 0, LWA_COLORKEY); }

// TwipsToPixels for the wide positions of the layout arithmetic, rounded the
// same way (MulDiv rounds half away from zero).
int ToPixels(std::int64_t twips, int dpi) {
  const std::int64_t scaled = twips * dpi;
  const std::int64_t px = scaled >= 0 ? (scaled + 720) / 1440 : -((-scaled + 720) / 1440);
  return static_cast<int>(std::clamp<std::int64_t>(px, INT32_MIN / 2, INT32_MAX / 2));
}

// The notification is placed on the primary monitor (by the screen's size):
// its DPI there, which on Windows 8.1 and later may differ from the other
// monitors' and change while the driver runs (Wine gives every monitor the
// screen's DPI).
int NotificationDpi() { return wincommon::MonitorDpi(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY)); }

}  // namespace

// ---- InfoWindow ------------------------------------------------------------

class FormInfo::InfoWindow : public wincommon::Window {
public:
  enum class Role { Text, Backdrop };
  InfoWindow(FormInfo& form, Role role) : form_(form), role_(role) {}
  [[nodiscard]] Role role() const { return role_; }

protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
    switch (msg) {
      case WM_ERASEBKGND:
        return 1;  // WM_PAINT covers every pixel; erasing first only flickers
      case WM_PRINTCLIENT:
        form_.Paint(*this, reinterpret_cast<HDC>(wp));
        return 0;
      case WM_MOUSEACTIVATE:
        // A touch on the notification must not take the focus away from the
        // program the user works in (the pen software above all).
        return MA_NOACTIVATE;
      case WM_DPICHANGED:
        // The primary monitor's scale changed while a notification shows: it
        // is laid out again at the new DPI, in its own place (the suggested
        // rectangle would only stretch the old layout).
        if (role_ == Role::Text) form_.Relayout();
        return 0;
      default:
        return Window::HandleMessage(msg, wp, lp);
    }
  }
  bool OnPaint() override {
    PAINTSTRUCT ps;
    const HDC dc = ::BeginPaint(hwnd(), &ps);
    form_.Paint(*this, dc);
    ::EndPaint(hwnd(), &ps);
    return true;
  }
  bool OnClose() override {
    if (role_ == Role::Text) return false;  // destroyed; OnDestroy takes the backdrop along
    // Closing the backdrop closes the whole notification.
    form_.Unload(true);
    return true;
  }
  void OnDestroy() override {
    if (role_ == Role::Text) form_.OnTextWindowDestroyed();
  }

private:
  FormInfo& form_;
  Role role_;
};

// ---- FormInfo ---------------------------------------------------------------

FormInfo::FormInfo(const MainSettings& settings)
    : settings_(settings),
      textWindow_(std::make_unique<InfoWindow>(*this, InfoWindow::Role::Text)),
      backdrop_(std::make_unique<InfoWindow>(*this, InfoWindow::Role::Backdrop)) {
  ::InitCommonControls();
  const int dpi = NotificationDpi();
  fontFace_ = ChooseFace(dpi);
  UseDpi(dpi);
  timerUnload_.SetHandler([this] { Unload(true); });
}

void FormInfo::UseDpi(int dpi) {
  if (dpi == dpi_ && font_) return;
  const LOGFONTW lf = DesignFont(fontFace_.c_str(), dpi);
  wincommon::GdiObject font(::CreateFontIndirectW(&lf));
  if (!font) return;
  font_ = std::move(font);
  dpi_ = dpi;
}

FormInfo::~FormInfo() { Unload(true); }

HWND FormInfo::TextWindow() const { return textWindow_->hwnd(); }
HWND FormInfo::Backdrop() const { return backdrop_->hwnd(); }

bool FormInfo::CreateInfoWindow(InfoWindow& window) {
  wincommon::Window::CreateArgs args;
  args.className = kClassName;
  args.title = L"";
  // No border, no title bar, no task-bar button. Pen strokes and taps pass
  // through to whatever lies below (on an interactive whiteboard the
  // notification sits in the middle of the teacher's writing), and the
  // windows never take activation. WS_EX_TRANSPARENT lets clicks through
  // only together with WS_EX_LAYERED, which both windows get before they
  // are first shown (SetLayered); on a plain window it merely changes the
  // painting order of siblings.
  args.style = WS_POPUP;
  args.exStyle = WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_TRANSPARENT;
  args.x = 0;
  args.y = 0;
  args.width = 1;
  args.height = 1;
  args.background = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
  if (!window.Create(args)) return false;
  // Above every other window, where it is, without taking the focus, and
  // without dragging the owner along in the z-order.
  ::SetWindowPos(window.hwnd(), HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
  return true;
}

void FormInfo::SetText(const std::string& text, std::int32_t timeoutMs, std::int32_t style) {
  if (settings_.NotifyMsg < 1) return;
  const std::int32_t timeout = EffectiveTimeout(timeoutMs, settings_.NotifyMsg);
  style_ = style;

  if (!backdrop_->hwnd()) {
    if (!textWindow_->hwnd() && !CreateInfoWindow(*textWindow_)) return;
    if (!CreateInfoWindow(*backdrop_)) return;
    SetWindowAlpha(backdrop_->hwnd(), kBackdropAlpha);
    SetWindowColorKey(textWindow_->hwnd(), kColorKey);
  }
  const HWND textHwnd = textWindow_->hwnd();
  const HWND backHwnd = backdrop_->hwnd();
  // GWLP_HWNDPARENT of a top-level window is its owner, not a parent: the
  // owned text window always stays above the backdrop.
  ::SetWindowLongPtrW(textHwnd, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(backHwnd));

  if (::IsWindowVisible(textHwnd)) ::ShowWindow(textHwnd, SW_HIDE);
  if (::IsWindowVisible(backHwnd)) ::ShowWindow(backHwnd, SW_HIDE);

  text_ = text;
  wideText_ = wincommon::Utf8ToWide(text);
  LayoutInfo();

  // Any 32-bit display time fits the timer: SetTimer takes up to
  // USER_TIMER_MAXIMUM (0x7FFFFFFF ms, about 24.8 days). 0 never fires.
  timerUnload_.Restart(static_cast<std::uint32_t>(std::max<std::int32_t>(timeout, 0)));

  // Not activated: the notification must not take the focus from the
  // program the user works in.
  ::ShowWindow(backHwnd, SW_SHOWNOACTIVATE);
  ::ShowWindow(textHwnd, SW_SHOWNOACTIVATE);
  // An owner set through GWLP_HWNDPARENT does not restack windows that
  // already exist: the backdrop, created after the text window, would stay
  // above it (on Windows and under Wine alike) until the owner next moves in
  // the z-order. Stacked here explicitly: the text on top, the backdrop right
  // under it, both in the top-most band.
  constexpr UINT keep = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
  ::SetWindowPos(textHwnd, HWND_TOPMOST, 0, 0, 0, 0, keep);
  ::SetWindowPos(backHwnd, textHwnd, 0, 0, 0, 0, keep);
  // Painted now rather than when the message loop next runs: the pen actions
  // block this thread while they wait for the pen software, and their
  // progress message must be readable meanwhile.
  ::InvalidateRect(backHwnd, nullptr, FALSE);
  ::InvalidateRect(textHwnd, nullptr, FALSE);
  ::UpdateWindow(backHwnd);
  ::UpdateWindow(textHwnd);
}

void FormInfo::LayoutInfo() {
  UseDpi(NotificationDpi());
  const int dpi = dpi_;

  // The label sizes itself to its text, line breaks included.
  RECT label{0, 0, 0, 0};
  {
    const wincommon::ScreenDc dc(::GetDC(nullptr));
    const HGDIOBJ old = ::SelectObject(dc.get(), font_.get());
    ::DrawTextW(dc.get(), wideText_.c_str(), static_cast<int>(wideText_.size()), &label,
                DT_CALCRECT | DT_LEFT | DT_NOPREFIX);
    ::SelectObject(dc.get(), old);
  }

  const std::int64_t widthTwips = wincommon::PixelsToTwips(label.right - label.left, dpi) + kMarginTwips;
  const std::int64_t heightTwips = wincommon::PixelsToTwips(label.bottom - label.top, dpi) + kMarginTwips;
  // The primary monitor, where the taskbar and the pen software live.
  const std::int64_t screenW = wincommon::PixelsToTwips(::GetSystemMetrics(SM_CXSCREEN), dpi);
  const std::int64_t screenH = wincommon::PixelsToTwips(::GetSystemMetrics(SM_CYSCREEN), dpi);
  const TwipPoint at = PlaceWindow(settings_.NotifyMsgPos, screenW, screenH, widthTwips, heightTwips);

  const int x = ToPixels(at.left, dpi);
  const int y = ToPixels(at.top, dpi);
  const int w = ToPixels(widthTwips, dpi);
  const int h = ToPixels(heightTwips, dpi);
  constexpr UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER;
  ::SetWindowPos(textWindow_->hwnd(), nullptr, x, y, w, h, flags);
  ::SetWindowPos(backdrop_->hwnd(), nullptr, x, y, w, h, flags);

  labelOrigin_ = {wincommon::TwipsToPixels(kLabelLeftTwips, dpi), wincommon::TwipsToPixels(kLabelTopTwips, dpi)};
  for (int i = 0; i < 8; ++i) {
    const OutlineOffset d = OutlineOffsetFor(i);
    outlineOrigin_[i] = {wincommon::TwipsToPixels(kLabelLeftTwips + d.dx * kOutlineStepTwips, dpi),
                         wincommon::TwipsToPixels(kLabelTopTwips + d.dy * kOutlineStepTwips, dpi)};
  }
}

void FormInfo::Relayout() {
  if (!textWindow_->hwnd() || !backdrop_->hwnd()) return;
  LayoutInfo();
  ::InvalidateRect(backdrop_->hwnd(), nullptr, FALSE);
  ::InvalidateRect(textWindow_->hwnd(), nullptr, FALSE);
}

void FormInfo::Paint(const InfoWindow& window, HDC dc) {
  RECT client;
  ::GetClientRect(window.hwnd(), &client);
  const int width = client.right;
  const int height = client.bottom;
  if (width <= 0 || height <= 0) return;

  // Drawn off screen in one 32-bit bitmap: the mesh is set pixel by pixel,
  // and the window never shows a half-drawn outline.
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;  // top-down rows
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const wincommon::GdiObject dib(::CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  const wincommon::MemoryDc memory(::CreateCompatibleDC(dc));
  if (!dib || !bits || !memory) return;
  const HDC mem = memory.get();
  const HGDIOBJ oldBitmap = ::SelectObject(mem, dib.get());
  auto* pixels = static_cast<std::uint32_t*>(bits);
  if (window.role() == InfoWindow::Role::Backdrop) {
    PaintBackdrop(pixels, width, height);
  } else {
    PaintText(mem, pixels, width, height);
  }
  ::GdiFlush();
  ::BitBlt(dc, 0, 0, width, height, mem, 0, 0, SRCCOPY);
  ::SelectObject(mem, oldBitmap);
}

void FormInfo::PaintBackdrop(std::uint32_t* pixels, int width, int height) const {
  const bool mesh = (style_ & 1) != 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      pixels[static_cast<size_t>(y) * width + x] = mesh && (x + y) % 2 == 0 ? kPixelWhite : kPixelBlack;
    }
  }
}

void FormInfo::PaintText(HDC dc, std::uint32_t* pixels, int width, int height) const {
  std::fill(pixels, pixels + static_cast<size_t>(width) * height, kPixelKey);

  const HGDIOBJ oldFont = ::SelectObject(dc, font_.get());
  ::SetBkMode(dc, TRANSPARENT);
  const auto draw = [&](POINT at, COLORREF colour) {
    RECT r{at.x, at.y, width, height};
    ::SetTextColor(dc, colour);
    ::DrawTextW(dc, wideText_.c_str(), static_cast<int>(wideText_.size()), &r, DT_LEFT | DT_NOPREFIX);
  };
  // The eight black copies behind, the white text on top: a one-pixel outline.
  for (const POINT& at : outlineOrigin_) draw(at, RGB(0, 0, 0));
  draw(labelOrigin_, RGB(255, 255, 255));
  ::SelectObject(dc, oldFont);

  if ((style_ & 2) != 0) {
    ::GdiFlush();  // GDI may still be writing into the bitmap
    for (int x = 0; x < width; ++x) {
      pixels[x] = kPixelWhite;
      pixels[static_cast<size_t>(height - 1) * width + x] = kPixelWhite;
    }
    for (int y = 0; y < height; ++y) {
      pixels[static_cast<size_t>(y) * width] = kPixelWhite;
      pixels[static_cast<size_t>(y) * width + width - 1] = kPixelWhite;
    }
  }
}

void FormInfo::Unload(bool closeText) {
  if (unloading_) return;
  unloading_ = true;
  timerUnload_.SetEnabled(false);
  // Owner first released: destroying an owner destroys the windows it owns,
  // and the text window's end is decided here, not by the system.
  if (textWindow_->hwnd()) ::SetWindowLongPtrW(textWindow_->hwnd(), GWLP_HWNDPARENT, 0);
  backdrop_->Destroy();
  if (closeText) textWindow_->Destroy();
  unloading_ = false;
}

void FormInfo::OnTextWindowDestroyed() {
  // The text window closed on its own (WM_CLOSE, the driver ending): the
  // backdrop must not stay behind as a dark rectangle.
  Unload(false);
}

}  // namespace orvanta::win
