#include "FormCal.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <iterator>

#include "base/win/AnsiText.h"
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
constexpr Form::Design kDesign{
    FormCal::kClassName, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, WS_EX_DLGMODALFRAME, 7110, 3195,
    kControls, std::size(kControls), 0, 9};

// The picture's own lines (frame and target) are one pixel wide at every
// DPI, as the designer's drawing width counted in pixels.
constexpr int kLineWidthPx = 1;

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

FormCal::FormCal(PanelParts parts) : Form(kDesign), parts_(parts) {
  // The dialog's controls come from the common controls library.
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&icc);
}

bool FormCal::Show(HWND owner, bool modal) {
  // The procedure's blink and hold steps run on these timers.
  if (unloaded_ || hwnd() || !timerTargetBlink_.Valid() || !timerCal_.Valid()) return false;
  if (!CreateForm(owner, kCaption)) return false;
  Load();
  ShowForm(modal);
  return true;
}

void FormCal::Load() {
  CalProcedure::Hooks hooks;
  hooks.messageBeep = [](std::uint32_t type) { ::MessageBeep(type); };
  hooks.changed = [this] { ShowState(); };
  hooks.unload = [this] { EndForm(); };
  hooks.showPicture = [this](const AnsiString& name) { buttonPicture_ = PicOfName(parts_.buttonRes, name); };
  hooks.ansiToUtf8 = [](const AnsiString& ansi) { return AnsiToUtf8(ansi); };
  hooks.saveFailed = [this](const std::string& path) { ReportSaveFailed(path); };
  procedure_ = std::make_unique<CalProcedure>(parts_.panelData, parts_.buttonRes, timerTargetBlink_, timerCal_,
                                              std::move(hooks));
  touchToken_ = parts_.touches.Subscribe(
      [this](const TouchPoint& point, bool& cancel) { procedure_->OnRecvTouchPoint(point, cancel); });

  RECT inner{};
  ::GetClientRect(Item(kIdPictureCal), &inner);
  procedure_->Open(static_cast<double>(wincommon::PixelsToTwips(inner.right, Dpi())));
  ::SetWindowTextW(hwnd(), kCaption);
}

void FormCal::ReportSaveFailed(const std::string& path) {
  // Told once, over the dialog, before it closes: the measured buttons work
  // until the driver ends, and the user knows to run the calibration again
  // once the file can be written.
  const std::wstring text = L"キャリブレーションの結果を保存できませんでした。\r\n" + wincommon::Utf8ToWide(path) +
                            L"\r\n\r\nこのファイルに書き込めません。測定したボタンの位置はドライバを終了するまで有効です。";
  ::MessageBoxW(hwnd(), text.c_str(), kCaption, MB_OK | MB_ICONWARNING);
}

void FormCal::ShowState() {
  if (!hwnd() || !procedure_) return;
  SetText(Item(kIdLabelCal), wincommon::Utf8ToWide(procedure_->LabelCal()));
  SetText(Item(kIdLabelStep), wincommon::Utf8ToWide(procedure_->LabelStep()));
  ::InvalidateRect(Item(kIdPictureCal), nullptr, FALSE);
}

bool FormCal::OnCommand(WORD id, WORD code, HWND) {
  // Escape (IDCANCEL from the dialog keys) cancels like the button.
  if ((id == kIdCommandCancel && code == BN_CLICKED) || id == IDCANCEL) {
    EndForm();
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
  if (msg == WM_CTLCOLORSTATIC && reinterpret_cast<HWND>(lp) == Item(kIdPictureCal)) {
    return reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH));
  }
  return Form::HandleMessage(msg, wp, lp);
}

void FormCal::OnDpiChanged() {
  // The name under the picture is written in the form's font, made anew.
  ::InvalidateRect(Item(kIdPictureCal), nullptr, FALSE);
}

void FormCal::OnDestroy() {
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
  const double scale = Dpi() / 1440.0;
  const auto px = [&](double twips) { return static_cast<int>(std::lround(twips * scale)); };
  const HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(NULL_BRUSH));

  if (d.showButton) {
    const RECT frame{px(d.buttonRectLeft), px(d.buttonRectTop), px(d.buttonRectLeft + d.buttonRectWidth),
                     px(d.buttonRectTop + d.buttonRectHeight)};
    const wincommon::GdiObject pen(::CreatePen(PS_SOLID, kLineWidthPx, ToColorRef(d.buttonFrameColor)));
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
    const std::wstring name = ToWide(procedure_->ButtonDispName());
    const HGDIOBJ oldFont = ::SelectObject(dc, Font());
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
    const wincommon::GdiObject pen(::CreatePen(PS_SOLID, kLineWidthPx, ToColorRef(d.targetColor)));
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
