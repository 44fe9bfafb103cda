#include "FormCal.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>

#include "base/win/Forms.h"
#include "wincommon/Text.h"

namespace orvanta::win {

namespace {

enum ControlId : WORD { kIdPictureCal = 200, kIdLabelCal, kIdLabelStep, kIdCommandCancel };

constexpr ControlSpec kControls[] = {
    {kIdPictureCal, L"STATIC", L"", SS_OWNERDRAW, WS_EX_CLIENTEDGE, 240, 120, 3435, 2700},
    {kIdLabelCal, L"STATIC", L"", SS_LEFT | SS_NOPREFIX, 0, 3960, 120, 3015, 1815},
    {kIdLabelStep, L"STATIC", L"", SS_LEFT | SS_NOPREFIX, 0, 360, 2880, 750, 180},
    {kIdCommandCancel, L"BUTTON", L"キャンセル", BS_PUSHBUTTON | WS_TABSTOP, 0, 4560, 2520, 1815, 495},
};
constexpr int kClientWidthTwips = 7110;
constexpr int kClientHeightTwips = 3195;
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;

COLORREF ToColorRef(CalProcedure::Color c) {
  switch (c) {
    case CalProcedure::Color::Red:
      return RGB(255, 0, 0);
    case CalProcedure::Color::Green:
      return RGB(0, 255, 0);
    case CalProcedure::Color::Black:
      break;
  }
  return RGB(0, 0, 0);
}

}  // namespace

FormCal::FormCal(PanelParts parts) : parts_(parts) {
  // The dialog's controls come from the common controls library.
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&icc);
}

// Destroyed while the window lives (the driver ends): the window goes first,
// so its unloading still reaches this object's handlers.
FormCal::~FormCal() { Destroy(); }

bool FormCal::Show(HWND owner, bool modal) {
  // The procedure's blink and hold steps run on these timers.
  if (unloaded_ || hwnd() || !timerTargetBlink_.Valid() || !timerCal_.Valid()) return false;
  owner_ = owner;
  modal_ = modal;
  dpi_ = wincommon::ScreenDpi();
  RECT frame{0, 0, wincommon::TwipsToPixels(kClientWidthTwips, dpi_),
             wincommon::TwipsToPixels(kClientHeightTwips, dpi_)};
  ::AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const POINT at = CentredOrigin(owner, width, height);
  CreateArgs args;
  args.className = kClassName;
  args.title = kCaption;
  args.style = kStyle;
  args.exStyle = kExStyle;
  args.x = at.x;
  args.y = at.y;
  args.width = width;
  args.height = height;
  // Owned windows get no task-bar button.
  args.parent = owner;
  if (!Create(args)) return false;
  font_ = MakeJapaneseUiFont(9, dpi_);
  if (!CreateControls(hwnd(), kControls, dpi_, static_cast<HFONT>(font_.get()))) {
    Destroy();
    return false;
  }
  Load();
  // The owner is disabled before the dialog shows, as a dialog box does: a
  // click on the owner in between would otherwise still be taken.
  if (modal && owner) ::EnableWindow(owner, FALSE);
  ::ShowWindow(hwnd(), SW_SHOW);
  ::SetForegroundWindow(hwnd());
  if (!modal) return true;

  // Returns when the dialog is gone; the object may be gone with it (the
  // driver ended), so nothing after this touches it.
  RunModalLoop(hwnd());
  return true;
}

void FormCal::Load() {
  CalProcedure::Hooks hooks;
  hooks.messageBeep = [](std::uint32_t type) { ::MessageBeep(type); };
  hooks.changed = [this] { ShowState(); };
  hooks.unload = [this] { Destroy(); };
  hooks.showPicture = [this](const std::string& name) {
    buttonPicture_ = PicOfName(parts_.buttonRes, name);
  };
  hooks.ansiToUtf8 = [](const std::string& ansi) { return wincommon::AnsiToUtf8(ansi); };
  procedure_ = std::make_unique<CalProcedure>(parts_.panelData, parts_.buttonRes, timerTargetBlink_, timerCal_,
                                              std::move(hooks));
  touchToken_ = parts_.touches.Subscribe(
      [this](const TouchPoint& point, bool& cancel) { procedure_->OnRecvTouchPoint(point, cancel); });

  RECT inner{};
  ::GetClientRect(::GetDlgItem(hwnd(), kIdPictureCal), &inner);
  procedure_->Open(static_cast<double>(wincommon::PixelsToTwips(inner.right, dpi_)));
  ::SetWindowTextW(hwnd(), kCaption);
}

void FormCal::ShowState() {
  if (!hwnd() || !procedure_) return;
  SetText(::GetDlgItem(hwnd(), kIdLabelCal), wincommon::Utf8ToWide(procedure_->LabelCal()));
  SetText(::GetDlgItem(hwnd(), kIdLabelStep), wincommon::Utf8ToWide(procedure_->LabelStep()));
  ::InvalidateRect(::GetDlgItem(hwnd(), kIdPictureCal), nullptr, FALSE);
}

bool FormCal::OnCommand(WORD id, WORD code, HWND) {
  if ((id == kIdCommandCancel && code == BN_CLICKED) || id == IDCANCEL) {
    Destroy();
    return true;
  }
  return false;
}

LRESULT FormCal::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DRAWITEM && wp == kIdPictureCal) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
    BufferedPaint paint(item->hDC, item->rcItem);
    DrawPicture(paint.dc(), item->rcItem);
    return TRUE;
  }
  if (msg == WM_CTLCOLORSTATIC && reinterpret_cast<HWND>(lp) == ::GetDlgItem(hwnd(), kIdPictureCal)) {
    return reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH));
  }
  return Window::HandleMessage(msg, wp, lp);
}

void FormCal::OnDestroy() {
  // Re-enabled before the dialog goes, or the system activates some other
  // program's window instead of the owner.
  if (modal_ && owner_) {
    ::EnableWindow(owner_, TRUE);
    ::SetActiveWindow(owner_);
  }
  if (procedure_) procedure_->Unload();
  buttonPicture_.reset();
  if (!unloaded_) parts_.touches.Unsubscribe(touchToken_);
  unloaded_ = true;
  if (onUnloaded) onUnloaded();
}

void FormCal::DrawPicture(HDC dc, const RECT& rect) {
  ::FillRect(dc, &rect, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  if (!procedure_) return;
  const CalProcedure::Drawing& d = procedure_->Draw();
  // The picture's scale is twips; one conversion at the window's DPI.
  const double scale = dpi_ / 1440.0;
  const auto px = [&](double twips) { return static_cast<int>(std::lround(twips * scale)); };
  const HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(NULL_BRUSH));

  if (d.showButton) {
    const RECT frame{px(d.buttonRectLeft), px(d.buttonRectTop), px(d.buttonRectLeft + d.buttonRectWidth),
                     px(d.buttonRectTop + d.buttonRectHeight)};
    const wincommon::GdiObject pen(::CreatePen(PS_SOLID, 1, ToColorRef(d.buttonFrameColor)));
    const HGDIOBJ oldPen = ::SelectObject(dc, pen.get());
    ::Rectangle(dc, frame.left, frame.top, frame.right + 1, frame.bottom + 1);
    ::SelectObject(dc, oldPen);
    const RECT inside{frame.left + 1, frame.top + 1, frame.right - 1, frame.bottom - 1};
    if (!buttonPicture_.Render(dc, inside)) {
      // No picture for this button: a plain grey face, so the frame and the
      // target still read as a button.
      const wincommon::GdiObject grey(::CreateSolidBrush(RGB(224, 224, 224)));
      ::FillRect(dc, &inside, static_cast<HBRUSH>(grey.get()));
    }
    const std::wstring name = wincommon::AnsiToWide(procedure_->ButtonDispName());
    const HGDIOBJ oldFont = ::SelectObject(dc, font_.get());
    SIZE extent{};
    ::GetTextExtentPoint32W(dc, name.c_str(), static_cast<int>(name.size()), &extent);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, RGB(0, 0, 0));
    const int width = rect.right - rect.left;
    ::TextOutW(dc, rect.left + (width - extent.cx) / 2,
               px(d.buttonRectTop + d.buttonRectHeight + d.targetSize / 2.0), name.c_str(),
               static_cast<int>(name.size()));
    ::SelectObject(dc, oldFont);
  }

  if (d.TargetVisible()) {
    const wincommon::GdiObject pen(::CreatePen(PS_SOLID, std::max(1, px(15)), ToColorRef(d.targetColor)));
    const HGDIOBJ oldPen = ::SelectObject(dc, pen.get());
    const double half = d.targetSize / 2.0;
    const double outer = half / 1.4;
    const double inner = outer / 2;
    const double cx = d.targetX, cy = d.targetY;
    ::Ellipse(dc, px(cx - outer), px(cy - outer), px(cx + outer), px(cy + outer));
    ::Ellipse(dc, px(cx - inner), px(cy - inner), px(cx + inner), px(cy + inner));
    ::MoveToEx(dc, px(cx - half), px(cy), nullptr);
    ::LineTo(dc, px(cx + half), px(cy));
    ::MoveToEx(dc, px(cx), px(cy - half), nullptr);
    ::LineTo(dc, px(cx), px(cy + half));
    ::SelectObject(dc, oldPen);
  }
  ::SelectObject(dc, oldBrush);
}

}  // namespace orvanta::win
