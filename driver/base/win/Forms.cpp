#include "Forms.h"

#include <vector>

#include "wincommon/Window.h"

namespace orvanta::win {

namespace {

// Proportional faces first; the Windows names, then the IPA fonts under the
// names Wine lists them by (Japanese ones in a Japanese locale).
constexpr const wchar_t* kFaces[] = {L"MS UI Gothic", L"ＭＳ Ｐゴシック", L"MS PGothic", L"IPA Pゴシック",
                                     L"IPAPGothic", L"IPAゴシック", L"IPAGothic"};

int CALLBACK NoteFace(const LOGFONTW* lf, const TEXTMETRICW*, DWORD, LPARAM param) {
  reinterpret_cast<std::vector<std::wstring>*>(param)->push_back(lf->lfFaceName);
  return 1;
}

std::wstring ChooseFace() {
  LOGFONTW lf{};
  lf.lfCharSet = SHIFTJIS_CHARSET;
  std::vector<std::wstring> faces;
  {
    const wincommon::ScreenDc dc(::GetDC(nullptr));
    ::EnumFontFamiliesExW(dc.get(), &lf, &NoteFace, reinterpret_cast<LPARAM>(&faces), 0);
  }
  for (const wchar_t* face : kFaces) {
    for (const auto& have : faces) {
      if (have == face) return have;
    }
  }
  // Vertical faces ("@...") turn the text sideways.
  for (const auto& have : faces) {
    if (!have.empty() && have[0] != L'@') return have;
  }
  return L"MS UI Gothic";
}

// The form a window belongs to, for its keys; set while the form's window
// lives.
constexpr wchar_t kFormProp[] = L"Orvanta.Form";

RECT ControlRect(const ControlSpec& c, int dpi) {
  // Edges rather than sizes are converted, so that controls that meet in
  // twips meet in pixels too.
  const int x = wincommon::TwipsToPixels(c.left, dpi);
  const int y = wincommon::TwipsToPixels(c.top, dpi);
  return RECT{x, y, wincommon::TwipsToPixels(c.left + c.width, dpi), wincommon::TwipsToPixels(c.top + c.height, dpi)};
}

bool IsPushButton(HWND control) {
  return (::SendMessageW(control, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

// A modal loop over form: until its window is gone. Dialog keys go to the
// forms, and the poll tick keeps coming through the tick hand-over. A WM_QUIT
// (the driver ending) is handed on to the outer loop.
void PumpWhileOpen(HWND form) {
  MSG msg;
  while (::IsWindow(form)) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (IsFormKeyMessage(msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

// Creates the controls of a table as children of parent at the given DPI,
// each with the font; false when one cannot be made.
bool CreateControls(HWND parent, const ControlSpec* specs, std::size_t count, int dpi, HFONT font) {
  for (std::size_t i = 0; i < count; ++i) {
    const ControlSpec& c = specs[i];
    const RECT r = ControlRect(c, dpi);
    const HWND control = ::CreateWindowExW(c.exStyle, c.cls, c.text, WS_CHILD | WS_VISIBLE | c.style, r.left, r.top,
                                           r.right - r.left, r.bottom - r.top, parent,
                                           reinterpret_cast<HMENU>(static_cast<UINT_PTR>(c.id)),
                                           ::GetModuleHandleW(nullptr), nullptr);
    if (!control) return false;
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  return true;
}

// Moves the table's controls (found by their ids) to their places at dpi and
// gives them the font.
void LayoutControls(HWND parent, const ControlSpec* specs, std::size_t count, int dpi, HFONT font) {
  for (std::size_t i = 0; i < count; ++i) {
    const HWND control = ::GetDlgItem(parent, specs[i].id);
    if (!control) continue;
    const RECT r = ControlRect(specs[i], dpi);
    ::MoveWindow(control, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  ::RedrawWindow(parent, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// Where a window of this size goes: centred on the owner when it is on
// screen, else on the work area (the driver's main window, for one, is
// hidden).
POINT CentredOrigin(HWND owner, int width, int height) {
  RECT area{};
  if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) {
    ::GetWindowRect(owner, &area);
  } else {
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  }
  return POINT{area.left + (area.right - area.left - width) / 2, area.top + (area.bottom - area.top - height) / 2};
}

}  // namespace

wincommon::GdiObject MakeJapaneseUiFont(int points, int dpi, bool bold) {
  static const std::wstring face = ChooseFace();
  LOGFONTW lf{};
  lf.lfHeight = -::MulDiv(points, dpi, 72);
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = SHIFTJIS_CHARSET;
  lf.lfQuality = DEFAULT_QUALITY;
  lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
  return wincommon::GdiObject(::CreateFontIndirectW(&lf));
}

BufferedPaint::BufferedPaint(HDC target, const RECT& rect) : target_(target), rect_(rect) {
  memory_.reset(::CreateCompatibleDC(target));
  if (memory_) bitmap_.reset(::CreateCompatibleBitmap(target, rect.right - rect.left, rect.bottom - rect.top));
  if (!bitmap_) {
    memory_.reset();
    return;
  }
  old_ = ::SelectObject(memory_.get(), bitmap_.get());
  ::SetWindowOrgEx(memory_.get(), rect.left, rect.top, nullptr);
}

BufferedPaint::~BufferedPaint() {
  if (!memory_) return;
  const HDC memory = memory_.get();
  ::SetWindowOrgEx(memory, 0, 0, nullptr);
  ::BitBlt(target_, rect_.left, rect_.top, rect_.right - rect_.left, rect_.bottom - rect_.top, memory, 0, 0, SRCCOPY);
  // The bitmap goes before the memory context (members in reverse order),
  // once it is no longer selected into it.
  ::SelectObject(memory, old_);
}

// ---- keys --------------------------------------------------------------------

bool IsFormKeyMessage(MSG& msg) {
  // Only keys: every other message is dispatched as usual, and the loop's
  // common case (ticks, timers, painting) costs nothing here.
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || !msg.hwnd) return false;
  auto* form = static_cast<Form*>(::GetPropW(::GetAncestor(msg.hwnd, GA_ROOT), kFormProp));
  return form && form->TakeKey(msg);
}

bool Form::TakeKey(MSG& msg) {
  const HWND form = hwnd();
  if (!form || !::IsWindowEnabled(form) || !::IsDialogMessageW(form, &msg)) return false;
  // The key may have ended the form (Escape, Enter), and its object with it;
  // a window never outlives its form object, so only the window is asked.
  if (::IsWindow(form)) ShowDefaultButton();
  return true;
}

WORD Form::DefaultButtonNow() const {
  // As in a dialog box: the focused push button is the default while it
  // has the focus (Enter on "キャンセル" cancels), else the form's own.
  const HWND focus = ::GetFocus();
  if (focus && ::IsChild(hwnd(), focus) && IsPushButton(focus)) return static_cast<WORD>(::GetDlgCtrlID(focus));
  return design_.defaultButton;
}

void Form::ShowDefaultButton() const {
  // The thick frame follows the default, as the dialog manager draws it.
  const WORD current = DefaultButtonNow();
  for (HWND child = ::GetWindow(hwnd(), GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    const LRESULT code = ::SendMessageW(child, WM_GETDLGCODE, 0, 0);
    if ((code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) == 0) continue;
    const bool wanted = current != 0 && ::GetDlgCtrlID(child) == current;
    if (wanted != ((code & DLGC_DEFPUSHBUTTON) != 0)) {
      ::SendMessageW(child, BM_SETSTYLE, wanted ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
    }
  }
}

void Form::RestoreFocus() {
  HWND target = lastFocus_;
  if (!target || !::IsChild(hwnd(), target) || !::IsWindowEnabled(target) || !::IsWindowVisible(target)) {
    target = ::GetNextDlgTabItem(hwnd(), nullptr, FALSE);
  }
  if (target) ::SetFocus(target);
}

// ---- Form ------------------------------------------------------------------

Form::~Form() {
  // Deleted with its window still there (an owner that did not destroy it
  // first): the window must no longer lead to this object.
  if (hwnd()) ::RemovePropW(hwnd(), kFormProp);
}

bool Form::CreateForm(HWND owner, const std::wstring& caption, Placement placement) {
  if (hwnd()) return false;
  owner_ = owner;
  ownerDisabled_ = false;
  lastFocus_ = nullptr;
  // Laid out for the monitor it goes to: the owner's when the owner is on
  // screen, else the primary one, where the system places a new window.
  const bool overOwner = placement == Placement::CentredOnOwner && owner && ::IsWindowVisible(owner);
  dpi_ = wincommon::MonitorDpi(overOwner ? ::MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST)
                                         : ::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY));
  const SIZE size = wincommon::FrameSizeForClient(Px(design_.clientWidth), Px(design_.clientHeight), design_.style,
                                                  design_.exStyle, dpi_);
  CreateArgs args;
  args.className = design_.className;
  args.title = caption.c_str();
  args.style = design_.style;
  args.exStyle = design_.exStyle;
  args.width = size.cx;
  args.height = size.cy;
  // Owned windows get no task-bar button.
  args.parent = owner;
  if (placement == Placement::CentredOnOwner) {
    const POINT at = CentredOrigin(owner, size.cx, size.cy);
    args.x = at.x;
    args.y = at.y;
  }
  if (!Create(args)) return false;
  font_ = MakeJapaneseUiFont(design_.fontPoints, dpi_);
  if (!CreateControls(hwnd(), design_.controls, design_.controlCount, dpi_, Font())) {
    Destroy();
    return false;
  }
  ::SetPropW(hwnd(), kFormProp, this);
  ShowDefaultButton();
  // The system may have put it on a monitor of another scale (an owner that
  // straddles two monitors).
  if (const int actual = wincommon::WindowDpi(hwnd()); actual != dpi_) ApplyDpi(actual, nullptr);
  return true;
}

void Form::ShowForm(bool modal, int show) {
  const HWND form = hwnd();
  if (!form) return;
  // The owner is disabled before the form shows, as a dialog box does: a
  // click on the owner in between would otherwise still be taken. An owner
  // that was disabled already stays so afterwards.
  if (modal && owner_ && ::IsWindowEnabled(owner_)) {
    ::EnableWindow(owner_, FALSE);
    ownerDisabled_ = true;
  }
  ::ShowWindow(form, show);
  ::SetForegroundWindow(form);
  if (modal) PumpWhileOpen(form);
}

void Form::EndForm() {
  GiveOwnerBack();
  Destroy();
}

void Form::GiveOwnerBack() {
  if (!ownerDisabled_) return;
  ownerDisabled_ = false;
  if (::IsWindow(owner_)) ::EnableWindow(owner_, TRUE);
}

void Form::BringForward() const {
  if (!hwnd()) return;
  if (::IsIconic(hwnd())) ::ShowWindow(hwnd(), SW_RESTORE);
  ::SetForegroundWindow(hwnd());
}

void Form::WaitWhileOpen(HWND blocked) {
  const HWND form = hwnd();
  if (!form) return;
  const bool disable = blocked && ::IsWindowEnabled(blocked);
  if (disable) ::EnableWindow(blocked, FALSE);
  BringForward();
  PumpWhileOpen(form);
  // Only what was ours: the form, and this object perhaps, are gone. The
  // system activated the form's own owner; the waiting caller goes on in
  // blocked, which comes to the front.
  if (disable && ::IsWindow(blocked)) {
    ::EnableWindow(blocked, TRUE);
    ::SetForegroundWindow(blocked);
  }
}

bool Form::OnClose() {
  EndForm();
  return true;
}

void Form::ApplyDpi(int dpi, const RECT* suggested) {
  if (dpi <= 0 || !hwnd()) return;
  dpi_ = dpi;
  wincommon::GdiObject font = MakeJapaneseUiFont(design_.fontPoints, dpi_);
  LayoutControls(hwnd(), design_.controls, design_.controlCount, dpi_, font ? static_cast<HFONT>(font.get()) : Font());
  // The old font goes only now that no control uses it.
  if (font) font_ = std::move(font);
  RECT place{};
  if (suggested) {
    place = *suggested;
  } else {
    // Around the same centre, at the design's size for the new DPI.
    RECT now{};
    ::GetWindowRect(hwnd(), &now);
    const SIZE size = wincommon::FrameSizeForClient(Px(design_.clientWidth), Px(design_.clientHeight),
                                                    design_.style, design_.exStyle, dpi_);
    place.left = (now.left + now.right - size.cx) / 2;
    place.top = (now.top + now.bottom - size.cy) / 2;
    place.right = place.left + size.cx;
    place.bottom = place.top + size.cy;
  }
  ::SetWindowPos(hwnd(), nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  OnDpiChanged();
}

LRESULT Form::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ACTIVATE:
      // A dialog box keeps its focused control while another window is
      // active, and gives the focus back to it (never to itself: Tab and
      // the screen reader start from the focused control).
      if (LOWORD(wp) == WA_INACTIVE) {
        const HWND focus = ::GetFocus();
        if (focus && ::IsChild(hwnd(), focus)) lastFocus_ = focus;
      } else if (HIWORD(wp) == 0) {
        RestoreFocus();
      }
      return 0;
    case WM_SETFOCUS:
      RestoreFocus();
      return 0;
    case DM_GETDEFID: {
      const WORD id = DefaultButtonNow();
      return id != 0 ? MAKELRESULT(id, DC_HASDEFID) : 0;
    }
    case WM_WINDOWPOSCHANGING:
      // However the form goes (EndForm, the driver ending, the system), it
      // is hidden first, and the system chooses the window to activate right
      // then: the owner must be enabled by that moment.
      if ((reinterpret_cast<const WINDOWPOS*>(lp)->flags & SWP_HIDEWINDOW) != 0) GiveOwnerBack();
      break;
    case WM_DPICHANGED:
      // Moved to a monitor of another scale (or its scale changed): Windows
      // suggests the new place and size and stretches nothing itself.
      ApplyDpi(HIWORD(wp), reinterpret_cast<const RECT*>(lp));
      return 0;
    case WM_DESTROY:
      GiveOwnerBack();
      ::RemovePropW(hwnd(), kFormProp);
      break;
    default:
      break;
  }
  return Window::HandleMessage(msg, wp, lp);
}

void SetText(HWND control, const std::wstring& text) {
  // An unchanged label is not set again: every set repaints it.
  const int n = ::GetWindowTextLengthW(control);
  std::wstring now(static_cast<size_t>(n) + 1, L'\0');
  ::GetWindowTextW(control, now.data(), n + 1);
  now.resize(static_cast<size_t>(n));
  if (now != text) ::SetWindowTextW(control, text.c_str());
}

}  // namespace orvanta::win
