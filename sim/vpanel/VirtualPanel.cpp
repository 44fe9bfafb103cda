// VirtualPanel: the touch panel on the screen, for trying the driver without
// the hardware. It draws the printed sheet at panel scale from the driver
// folder's delivered layout, with the pictures and display names of the
// button resources, and a mouse press on the sheet reaches the driver exactly
// as a touch does: "B" where the button goes down, "N" where it comes up,
// through the simulated panel library the driver has loaded.
//
//   VirtualPanel.exe [--unplugged] [DRIVER FOLDER]     (default: its own folder)
//
// The device is the one named by ORVANTA_PANELSIM_NAME, as for the library
// the driver loads; the panel is plugged in at start unless --unplugged.
#include <windows.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "actions/ClassButtonAction.h"
#include "base/win/AnsiText.h"
#include "base/win/WinProfileStore.h"
#include "panel/ClassButtonRes.h"
#include "panel/win/ButtonResFilesWin.h"
#include "panel/win/ButtonResPicture.h"
#include "fntd2xx/PanelSim.h"
#include "panel/ClassPanelData.h"
#include "identities/WindowIdentities.h"
#include "simcommon/ProgramArgs.h"
#include "wincommon/Handles.h"
#include "wincommon/Text.h"
#include "wincommon/Window.h"

namespace {

constexpr wchar_t kSheetClass[] = L"OrvantaVirtualPanel";
constexpr wchar_t kButtonClass[] = L"OrvantaVirtualPanelButton";
constexpr WORD kIdPlugged = 100;
constexpr WORD kIdSettings = 101;
constexpr WORD kIdDriverWindow = 102;
constexpr UINT_PTR kStateTimer = 1;
constexpr std::size_t kReportsShown = 14;
// Sheet height on screen at 96 DPI; the panel's units are scaled to it.
constexpr int kSheetHeight96 = 680;
constexpr int kSideWidth96 = 220;
constexpr int kMargin96 = 10;

// The printed sheet never moves, so only the delivered layout counts: the
// driver's current data (.dat) holds calibrated rectangles, which follow the
// sheet but are not it.
class DeliveredLayoutStore : public orvanta::ProfileStore {
public:
  orvanta::AnsiString Read(const std::string& file, const orvanta::AnsiString& section, const orvanta::AnsiString& key,
                           const orvanta::AnsiString& def) override {
    if (file.size() >= 4 && _stricmp(file.c_str() + file.size() - 4, ".dat") == 0) return def;
    return store_.Read(file, section, key, def);
  }
  bool Write(const std::string&, const orvanta::AnsiString&, const orvanta::AnsiString&,
             const orvanta::AnsiString&) override {
    return false;
  }

private:
  orvanta::win::WinProfileStore store_;
};

struct PrintedButton {
  RECT units{};  // panel units, edges in order
  std::wstring dispName;
  std::wstring action;
  orvanta::win::ButtonPicture picture;
};

class Sheet;

// One printed button: its picture with its display name under it. Presses
// go to the sheet, which reports them in panel units.
class ButtonWindow : public wincommon::Window {
public:
  ButtonWindow(Sheet& sheet, const PrintedButton& button) : sheet_(sheet), button_(button) {}

protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  bool OnPaint() override;

private:
  Sheet& sheet_;
  const PrintedButton& button_;
  bool down_ = false;
};

class Sheet : public wincommon::Window {
public:
  Sheet(panelsim::PanelSim& panel, std::vector<PrintedButton> buttons, bool plugged)
      : panel_(panel), buttons_(std::move(buttons)), plugged_(plugged) {}

  bool Open();
  // A touch at a point of a window of this program (its client coordinates).
  void Touch(HWND from, POINT at, char state);
  // The printed names are cut to the button's width; the one under the
  // mouse is shown whole beside the sheet, with its action.
  void Hover(const PrintedButton& button);

protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  void OnTimer(UINT_PTR id) override;
  void OnDestroy() override { ::PostQuitMessage(0); }

private:
  int Px(int dip96) const { return ::MulDiv(dip96, dpi_, 96); }
  RECT ToPixels(const RECT& units) const;
  void ShowState();

  panelsim::PanelSim& panel_;
  std::vector<PrintedButton> buttons_;
  std::vector<std::unique_ptr<ButtonWindow>> buttonWindows_;
  bool plugged_;
  int dpi_ = 96;
  SIZE sheetUnits_{};
  double scale_ = 1;  // pixels per panel unit
  HWND plug_ = nullptr, state_ = nullptr, hover_ = nullptr, reports_ = nullptr;
  const PrintedButton* hovered_ = nullptr;
  wincommon::GdiObject font_;
  std::deque<std::wstring> sent_;
  std::wstring shownState_;
};

LRESULT ButtonWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  const POINT at{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
  switch (msg) {
    case WM_LBUTTONDOWN:
      ::SetCapture(hwnd());
      down_ = true;
      ::InvalidateRect(hwnd(), nullptr, FALSE);
      sheet_.Touch(hwnd(), at, 'B');
      return 0;
    case WM_LBUTTONUP:
      if (::GetCapture() == hwnd()) ::ReleaseCapture();
      down_ = false;
      ::InvalidateRect(hwnd(), nullptr, FALSE);
      sheet_.Touch(hwnd(), at, 'N');
      return 0;
    case WM_MOUSEMOVE:
      sheet_.Hover(button_);
      return 0;
    default:
      return Window::HandleMessage(msg, wp, lp);
  }
}

bool ButtonWindow::OnPaint() {
  PAINTSTRUCT ps;
  const HDC dc = ::BeginPaint(hwnd(), &ps);
  RECT rc;
  ::GetClientRect(hwnd(), &rc);
  ::FillRect(dc, &rc, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  const int nameHeight = std::min<int>(rc.bottom / 4, ::MulDiv(16, ::GetDeviceCaps(dc, LOGPIXELSY), 96));
  RECT pic{rc.left + 2, rc.top + 2, rc.right - 2, rc.bottom - nameHeight};
  // Keep the picture square, as printed.
  const int side = std::min(pic.right - pic.left, pic.bottom - pic.top);
  pic.left += (pic.right - pic.left - side) / 2;
  pic.right = pic.left + side;
  if (!button_.picture.Render(dc, pic)) ::FillRect(dc, &pic, static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH)));
  RECT name{rc.left, rc.bottom - nameHeight, rc.right, rc.bottom};
  const HGDIOBJ oldFont = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(::GetParent(hwnd()), WM_GETFONT, 0, 0)));
  ::SetBkMode(dc, TRANSPARENT);
  ::DrawTextW(dc, button_.dispName.c_str(), -1, &name, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
  ::SelectObject(dc, oldFont);
  // A pressed button is framed in red, as long as the "finger" rests on it.
  const wincommon::GdiObject pen(::CreatePen(PS_SOLID, down_ ? 3 : 1, down_ ? RGB(220, 0, 0) : RGB(0, 0, 0)));
  const HGDIOBJ oldPen = ::SelectObject(dc, pen.get());
  const HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(NULL_BRUSH));
  ::Rectangle(dc, rc.left, rc.top, rc.right, rc.bottom);
  ::SelectObject(dc, oldBrush);
  ::SelectObject(dc, oldPen);
  ::EndPaint(hwnd(), &ps);
  return true;
}

RECT Sheet::ToPixels(const RECT& units) const {
  const int m = Px(kMargin96);
  return RECT{m + static_cast<int>(units.left * scale_), m + static_cast<int>(units.top * scale_),
              m + static_cast<int>(units.right * scale_), m + static_cast<int>(units.bottom * scale_)};
}

bool Sheet::Open() {
  dpi_ = wincommon::ScreenDpi();
  // The sheet: the buttons' extent with the same border below and right as
  // above and left.
  LONG minX = LONG_MAX, minY = LONG_MAX, maxX = 0, maxY = 0;
  for (const PrintedButton& b : buttons_) {
    minX = std::min(minX, b.units.left);
    minY = std::min(minY, b.units.top);
    maxX = std::max(maxX, b.units.right);
    maxY = std::max(maxY, b.units.bottom);
  }
  if (buttons_.empty()) minX = minY = 0, maxX = maxY = 1000;
  sheetUnits_ = SIZE{maxX + minX, maxY + minY};
  scale_ = static_cast<double>(Px(kSheetHeight96)) / sheetUnits_.cy;
  const int sheetW = static_cast<int>(sheetUnits_.cx * scale_), sheetH = Px(kSheetHeight96);
  const int m = Px(kMargin96), sideX = 2 * m + sheetW, sideW = Px(kSideWidth96);

  RECT frame{0, 0, sideX + sideW + m, sheetH + 2 * m};
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  ::AdjustWindowRectEx(&frame, style, FALSE, 0);
  // At the screen's right edge: the stand-ins' windows open at the top left,
  // the notification in the middle.
  RECT work{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  if (!Create({kSheetClass, L"Orvanta Virtual Panel", style, 0, work.right - (frame.right - frame.left) - Px(16), Px(16),
               frame.right - frame.left, frame.bottom - frame.top, nullptr,
               reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)})) {
    return false;
  }
  NONCLIENTMETRICSW ncm{};
  ncm.cbSize = sizeof(ncm);
  ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0);
  font_.reset(::CreateFontIndirectW(&ncm.lfMessageFont));
  const HINSTANCE inst = ::GetModuleHandleW(nullptr);
  const auto control = [&](const wchar_t* cls, const wchar_t* text, DWORD st, int y, int h, WORD id) {
    const HWND c = ::CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | st, sideX, y, sideW, h, hwnd(),
                                     reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), inst, nullptr);
    ::SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
    return c;
  };
  plug_ = control(L"BUTTON", L"Panel plugged in", BS_AUTOCHECKBOX | WS_TABSTOP, m, Px(24), kIdPlugged);
  state_ = control(L"STATIC", L"", SS_LEFT, m + Px(28), Px(40), 0);
  control(L"BUTTON", L"Driver settings...", BS_PUSHBUTTON | WS_TABSTOP, m + Px(74), Px(26), kIdSettings);
  control(L"BUTTON", L"Show/hide driver window", BS_PUSHBUTTON | WS_TABSTOP, m + Px(104), Px(26), kIdDriverWindow);
  hover_ = control(L"STATIC", L"", SS_LEFT | SS_NOPREFIX, m + Px(140), Px(40), 0);
  control(L"STATIC", L"Reports sent (newest first):", SS_LEFT, m + Px(184), Px(20), 0);
  reports_ = control(L"LISTBOX", L"", WS_BORDER | WS_VSCROLL | LBS_NOSEL, m + Px(206), sheetH - Px(206), 0);
  ::SendMessageW(plug_, BM_SETCHECK, plugged_ ? BST_CHECKED : BST_UNCHECKED, 0);

  for (const PrintedButton& b : buttons_) {
    auto w = std::make_unique<ButtonWindow>(*this, b);
    const RECT px = ToPixels(b.units);
    if (w->Create({kButtonClass, b.dispName.c_str(), WS_CHILD | WS_VISIBLE, 0, px.left, px.top, px.right - px.left,
                   px.bottom - px.top, hwnd(), static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH))})) {
      buttonWindows_.push_back(std::move(w));
    }
  }
  panel_.Plug(plugged_);
  ShowState();
  ::SetTimer(hwnd(), kStateTimer, 250, nullptr);
  ::ShowWindow(hwnd(), SW_SHOWNORMAL);
  return true;
}

LRESULT Sheet::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_.get());
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP: {
      // Between the printed buttons the panel still reports the touch.
      const POINT at{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
      if (at.x >= Px(kMargin96) + static_cast<int>(sheetUnits_.cx * scale_) + Px(kMargin96)) break;
      if (msg == WM_LBUTTONDOWN) ::SetCapture(hwnd());
      else if (::GetCapture() == hwnd()) ::ReleaseCapture();
      Touch(hwnd(), at, msg == WM_LBUTTONDOWN ? 'B' : 'N');
      return 0;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      const HDC dc = ::BeginPaint(hwnd(), &ps);
      const int m = Px(kMargin96);
      RECT sheet{m, m, m + static_cast<int>(sheetUnits_.cx * scale_), m + static_cast<int>(sheetUnits_.cy * scale_)};
      const wincommon::GdiObject paper(::CreateSolidBrush(RGB(235, 235, 225)));
      ::FillRect(dc, &sheet, static_cast<HBRUSH>(paper.get()));
      ::FrameRect(dc, &sheet, static_cast<HBRUSH>(::GetStockObject(DKGRAY_BRUSH)));
      ::EndPaint(hwnd(), &ps);
      return 0;
    }
    default:
      break;
  }
  return Window::HandleMessage(msg, wp, lp);
}

void Sheet::Touch(HWND from, POINT at, char state) {
  ::MapWindowPoints(from, hwnd(), &at, 1);
  const int m = Px(kMargin96);
  const int x = std::clamp(static_cast<int>((at.x - m) / scale_), 0, 9999);
  const int y = std::clamp(static_cast<int>((at.y - m) / scale_), 0, 9999);
  const bool queued = panel_.QueueReport(x, y, state, panelsim::PanelSim::Now()) >= 0;
  std::string line = panelsim::PanelSim::ReportText(x, y, state).substr(0, 9);
  line.insert(8, " ").insert(4, " ");
  if (!panel_.Plugged()) line += "  (unplugged: lost)";
  else if (!queued) line += "  (queue full: lost)";
  sent_.push_front(wincommon::Utf8ToWide(line));
  if (sent_.size() > kReportsShown) sent_.pop_back();
  ::SendMessageW(reports_, LB_RESETCONTENT, 0, 0);
  for (const std::wstring& s : sent_) ::SendMessageW(reports_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str()));
}

// A link command to the running driver, as OrvantaLink hands it over.
void SendLinkCommand(const wchar_t* command) {
  using namespace orvanta::identity;
  const HWND main = ::FindWindowW(kFormClass, kDriverCaption);
  const HWND box = main ? ::FindWindowExW(main, nullptr, kTextBoxClass, kLinkBoxName) : nullptr;
  DWORD_PTR result = 0;
  if (box) {
    ::AllowSetForegroundWindow(ASFW_ANY);
    ::SendMessageTimeoutW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(command), SMTO_ABORTIFHUNG, 5000, &result);
  }
}

void Sheet::Hover(const PrintedButton& button) {
  if (hovered_ == &button) return;
  hovered_ = &button;
  ::SetWindowTextW(hover_, (button.dispName + L"\n" + button.action).c_str());
}

bool Sheet::OnCommand(WORD id, WORD code, HWND) {
  if (code != BN_CLICKED) return false;
  if (id == kIdSettings || id == kIdDriverWindow) {
    SendLinkCommand(id == kIdSettings ? L"Cmd_Setting" : L"Cmd_Debug");
    return true;
  }
  if (id != kIdPlugged) return false;
  panel_.Plug(::SendMessageW(plug_, BM_GETCHECK, 0, 0) == BST_CHECKED);
  ShowState();
  return true;
}

void Sheet::OnTimer(UINT_PTR id) {
  if (id == kStateTimer) ShowState();
}

void Sheet::ShowState() {
  std::wstring text = !panel_.Plugged() ? L"Unplugged: the driver retries once a second."
                      : panel_.IsOpen() ? L"The driver has the panel open."
                                        : L"Plugged in, waiting for the driver.";
  if (text != shownState_) ::SetWindowTextW(state_, text.c_str());
  shownState_ = std::move(text);
}

std::vector<PrintedButton> ReadSheet(const std::wstring& folder) {
  DeliveredLayoutStore store;
  orvanta::ClassPanelData layout(store, wincommon::WideToUtf8(folder + L"\\Data"));
  layout.DataName = "QV-LK2048";
  layout.Load();
  orvanta::win::ButtonResFilesWin files;
  orvanta::ClassButtonRes res(&files);
  res.SetPath(wincommon::WideToUtf8(folder + L"\\" + L"Orvanta.dat"));
  res.Load();
  res.SetLockWrite(false);  // the driver holds it; one reader is enough

  std::vector<PrintedButton> buttons;
  for (std::int32_t i = 0; i < layout.ButtonData_Counts(); ++i) {
    const orvanta::ClassPanelButtonData* d = layout.ButtonData(i);
    PrintedButton b;
    b.units = RECT{std::min(d->Left, d->Right), std::min(d->Top, d->Bottom), std::max(d->Left, d->Right),
                   std::max(d->Top, d->Bottom)};
    if (b.units.right <= b.units.left || b.units.bottom <= b.units.top) continue;
    // Resources are keyed by the whole action text; the click action alone
    // names a button that has none of its own.
    orvanta::AnsiString key = d->Name;
    if (res.IndexOf(key) < 0) (void)orvanta::ActionElement(d->Name, 0, key);
    b.dispName = orvanta::win::ToWide(res.DispOfName(key));
    if (b.dispName.empty()) b.dispName = orvanta::win::ToWide(d->Name);
    b.action = orvanta::win::ToWide(d->Name);
    b.picture = orvanta::win::PicOfName(res, key);
    buttons.push_back(std::move(b));
  }
  return buttons;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  std::wstring folder = wincommon::ModuleFolder();
  bool plugged = true;
  for (const std::wstring& arg : simcommon::ProgramArgs()) {
    if (arg == L"--unplugged") plugged = false;
    else if (!arg.empty()) folder = arg;
  }
  while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  if (FAILED(::OleInitialize(nullptr))) return 1;
  int code = 1;
  {
    panelsim::PanelSim panel;
    Sheet sheet(panel, ReadSheet(folder), plugged);
    if (panel.Valid() && sheet.Open()) code = wincommon::RunMessageLoop();
  }
  ::OleUninitialize();
  return code;
}
