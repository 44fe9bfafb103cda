#include "FormDetailCal.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "base/win/AnsiText.h"
#include "base/win/Forms.h"
#include "wincommon/Text.h"

namespace orvanta::win {

namespace {

enum ControlId : WORD { kIdCombo1 = 300, kIdCommandNewCalData, kIdPictureCal };

// The combo box's height includes its drop-down list. Alt+N presses the
// button (the underline does not change what the caption says).
constexpr ControlSpec kControls[] = {
    {kIdCombo1, L"COMBOBOX", L"Combo1", CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP, 0, 120, 120, 3015, 3000},
    {kIdCommandNewCalData, L"BUTTON", L"&New Cal Data", BS_PUSHBUTTON | WS_TABSTOP, 0, 3600, 120, 2055, 375},
    {kIdPictureCal, L"STATIC", L"", SS_OWNERDRAW, 0, 120, 600, 6255, 3135},
};
constexpr int kPictureTopTwips = 600;
constexpr Form::Design kDesign{FormDetailCal::kClassName, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 9885, 7095,
                               kControls, std::size(kControls), 0, 9};
// The panel reports four digits per axis.
constexpr double kPanelUnits = 10000.0;

struct Mapper {
  RECT area;
  [[nodiscard]] int X(double x) const { return area.left + static_cast<int>(x * (area.right - area.left) / kPanelUnits); }
  [[nodiscard]] int Y(double y) const { return area.top + static_cast<int>(y * (area.bottom - area.top) / kPanelUnits); }
};

void FillRectColor(HDC dc, const RECT& r, COLORREF color) {
  const wincommon::GdiObject brush(::CreateSolidBrush(color));
  ::FillRect(dc, &r, static_cast<HBRUSH>(brush.get()));
}

void FrameRectColor(HDC dc, const RECT& r, COLORREF color, int width) {
  const wincommon::GdiObject pen(::CreatePen(PS_SOLID, width, color));
  const HGDIOBJ oldPen = ::SelectObject(dc, pen.get());
  const HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(NULL_BRUSH));
  ::Rectangle(dc, r.left, r.top, r.right, r.bottom);
  ::SelectObject(dc, oldBrush);
  ::SelectObject(dc, oldPen);
}

void Dot(HDC dc, int x, int y, int radius, COLORREF fill) {
  const wincommon::GdiObject brush(::CreateSolidBrush(fill));
  const HGDIOBJ oldBrush = ::SelectObject(dc, brush.get());
  const HGDIOBJ oldPen = ::SelectObject(dc, ::GetStockObject(BLACK_PEN));
  ::Ellipse(dc, x - radius, y - radius, x + radius + 1, y + radius + 1);
  ::SelectObject(dc, oldPen);
  ::SelectObject(dc, oldBrush);
}

}  // namespace

FormDetailCal::FormDetailCal(PanelParts parts, std::function<void(HWND)> openCal)
    : Form(kDesign), parts_(parts), openCal_(std::move(openCal)) {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&icc);
}

bool FormDetailCal::ShowOrRestore() {
  if (hwnd()) {
    // The same window again, restored if it was minimised.
    BringForward();
    return true;
  }
  // Modeless and without an owner, where the system puts a new window.
  if (!CreateForm(nullptr, L"FormDetailCal", Placement::SystemDefault)) return false;
  smallFont_ = MakeJapaneseUiFont(8, Dpi());
  FillCombo();
  touchToken_ = parts_.touches.Subscribe([this](const TouchPoint& p, bool&) {
    if (p.dS != 'B') return;
    touches_.push_back(Touch{p.dX, p.dY, parts_.panelData.PointCheck(p.dX, p.dY) != nullptr});
    if (touches_.size() > kTouchesShown) touches_.pop_front();
    Refresh();
  });
  subscribed_ = true;
  ShowForm(false, SW_SHOWMAXIMIZED);
  return true;
}

void FormDetailCal::Refresh() {
  if (hwnd()) ::InvalidateRect(Item(kIdPictureCal), nullptr, FALSE);
}

std::wstring FormDetailCal::ShownName(const ClassPanelButtonData& button) const {
  const AnsiString disp = parts_.buttonRes.DispOfName(button.Name);
  return ToWide(disp.empty() ? button.Name : disp);
}

void FormDetailCal::FillCombo() {
  const HWND combo = Item(kIdCombo1);
  ::SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  ClassPanelData& panel = parts_.panelData;
  for (std::int32_t i = 0; i < panel.ButtonData_Counts(); ++i) {
    const ClassPanelButtonData* b = panel.ButtonData(i);
    const std::wstring item = ShownName(*b) + L"  (" + std::to_wstring(b->ButtonX) + L"," +
                              std::to_wstring(b->ButtonY) + L") " + ToWide(b->Name);
    ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  }
  ::SetWindowTextW(combo, L"Combo1");
}

LRESULT FormDetailCal::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SIZE:
      OnSize(static_cast<UINT>(wp), LOWORD(lp), HIWORD(lp));
      return 0;
    case WM_DRAWITEM:
      if (wp == kIdPictureCal) {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        BufferedPaint paint(item->hDC, item->rcItem);
        DrawView(paint.dc(), item->rcItem);
        return TRUE;
      }
      break;
    default:
      break;
  }
  return Form::HandleMessage(msg, wp, lp);
}

void FormDetailCal::OnDpiChanged() {
  smallFont_ = MakeJapaneseUiFont(8, Dpi());
  // The design put the picture back at its designed size: fill the window
  // again.
  RECT client{};
  ::GetClientRect(hwnd(), &client);
  OnSize(::IsIconic(hwnd()) ? SIZE_MINIMIZED : SIZE_RESTORED, client.right, client.bottom);
  Refresh();
}

void FormDetailCal::OnSize(UINT state, int width, int height) {
  if (state == SIZE_MINIMIZED) return;
  const HWND picture = Item(kIdPictureCal);
  if (!picture) return;
  RECT now{};
  ::GetWindowRect(picture, &now);
  const int top = Px(kPictureTopTwips);
  // A window shorter than the top row keeps the picture's height rather
  // than giving it a negative one.
  const int pictureHeight = height - top >= 0 ? height - top : now.bottom - now.top;
  ::MoveWindow(picture, 0, top, width, pictureHeight, TRUE);
}

bool FormDetailCal::OnCommand(WORD id, WORD code, HWND) {
  if (id == kIdCombo1 && code == CBN_SELCHANGE) {
    selected_ = static_cast<std::int32_t>(::SendMessageW(Item(kIdCombo1), CB_GETCURSEL, 0, 0));
    Refresh();
    return true;
  }
  if (id == kIdCommandNewCalData && code == BN_CLICKED) {
    if (openCal_) openCal_(hwnd());
    return true;
  }
  return false;
}

void FormDetailCal::OnDestroy() {
  if (subscribed_) parts_.touches.Unsubscribe(touchToken_);
  subscribed_ = false;
  touches_.clear();
  selected_ = -1;
}

void FormDetailCal::DrawView(HDC dc, const RECT& rect) {
  FillRectColor(dc, rect, RGB(255, 255, 255));
  const int margin = Px(240);
  const int statusHeight = Px(300);
  Mapper map{RECT{rect.left + margin, rect.top + margin + statusHeight, rect.right - margin, rect.bottom - margin}};
  if (map.area.right <= map.area.left || map.area.bottom <= map.area.top) return;

  // The panel's surface with a grid every 1000 units.
  FillRectColor(dc, map.area, RGB(248, 248, 244));
  const wincommon::GdiObject gridPen(::CreatePen(PS_DOT, 1, RGB(200, 200, 200)));
  HGDIOBJ oldPen = ::SelectObject(dc, gridPen.get());
  for (int u = 1000; u < 10000; u += 1000) {
    ::MoveToEx(dc, map.X(u), map.area.top, nullptr);
    ::LineTo(dc, map.X(u), map.area.bottom);
    ::MoveToEx(dc, map.area.left, map.Y(u), nullptr);
    ::LineTo(dc, map.area.right, map.Y(u));
  }
  ::SelectObject(dc, oldPen);
  FrameRectColor(dc, map.area, RGB(120, 120, 120), 1);

  ClassPanelData& panel = parts_.panelData;
  const ClassPanelButtonData* lastHit =
      touches_.empty() ? nullptr : panel.PointCheck(touches_.back().x, touches_.back().y);
  ::SetBkMode(dc, TRANSPARENT);
  HGDIOBJ oldFont = ::SelectObject(dc, smallFont_.get());
  for (std::int32_t i = 0; i < panel.ButtonData_Counts(); ++i) {
    const ClassPanelButtonData* b = panel.ButtonData(i);
    // Reversed rectangles are valid and hit-tested as the same area.
    RECT r{map.X(std::min(b->Left, b->Right)), map.Y(std::min(b->Top, b->Bottom)),
           map.X(std::max(b->Left, b->Right)) + 1, map.Y(std::max(b->Top, b->Bottom)) + 1};
    const bool chosen = i == selected_;
    FillRectColor(dc, r, chosen ? RGB(255, 230, 120) : b == lastHit ? RGB(190, 240, 190) : RGB(215, 230, 250));
    FrameRectColor(dc, r, chosen ? RGB(220, 120, 0) : RGB(40, 80, 160), chosen ? 3 : 1);
    const std::wstring label = ShownName(*b);
    ::SetTextColor(dc, RGB(0, 0, 0));
    RECT text = r;
    ::InflateRect(&text, -2, -2);
    ::DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &text,
                DT_CENTER | DT_WORDBREAK | DT_NOPREFIX | DT_END_ELLIPSIS);
  }

  // Older touches smaller, the latest largest.
  const int radius = std::max(3, Px(75));
  for (std::size_t k = 0; k < touches_.size(); ++k) {
    const Touch& t = touches_[k];
    const int rk = k + 1 == touches_.size() ? radius * 2 : radius;
    Dot(dc, map.X(t.x), map.Y(t.y), rk, t.hit ? RGB(0, 190, 0) : RGB(230, 0, 0));
  }

  // The status line: a legend with the dots' colours, then the last touch.
  ::SelectObject(dc, Font());
  const int lineTop = rect.top + margin / 2;
  int x = rect.left + margin;
  const auto write = [&](const std::wstring& text) {
    RECT r{x, lineTop, rect.right - margin, lineTop + statusHeight};
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
    SIZE extent{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    x += extent.cx;
  };
  TEXTMETRICW tm{};
  ::GetTextMetricsW(dc, &tm);
  const int dotY = lineTop + tm.tmHeight / 2;
  Dot(dc, x + radius, dotY, radius, RGB(0, 190, 0));
  x += 3 * radius;
  write(L"ボタン内のタッチ　　");
  Dot(dc, x + radius, dotY, radius, RGB(230, 0, 0));
  x += 3 * radius;
  write(L"ボタン外のタッチ");
  if (!touches_.empty()) {
    const Touch& t = touches_.back();
    std::wstring status = L"　　最後のタッチ: X=" + std::to_wstring(t.x) + L", Y=" + std::to_wstring(t.y) + L"  ";
    if (lastHit) {
      status += L"→「" + ShownName(*lastHit) + L"」";
    } else {
      status += L"→ ボタンの外";
    }
    write(status);
  }
  ::SelectObject(dc, oldFont);
}

}  // namespace orvanta::win
