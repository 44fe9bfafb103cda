// PenPlusSim: stands in for PenPlus, Plussoft's pen and annotation program,
// which the driver drives only through its windows. It shows what the driver
// looks for and no more: a hidden main window with the program's caption, a
// tool bar (a dialog-class window with three "Afx" panes and push buttons), an
// annotation window whose state the driver reads, and modal dialogs that the
// buttons open after a short while, as the real program does. Every event is
// logged with its QueryPerformanceCounter stamp, so that tests can check what
// was pressed, in which order and how fast.
//
// Built twice from this file: PENPLUS_MAJOR=4 (version 4.2) and
// PENPLUS_MAJOR=3 (version 3.5), which differ in a few button captions, in
// how the transparent sheet shows, and in their version resources.
//
//   PenPlus.exe [--start-delay=MS] [--sheet=N] [--afx=N] [--owner-caption=TXT]
//               [--dialog-delay=MS] [--capture-delay=MS] [--hang-on=CAPTION]
//               [--stall-after=CAPTION] [--stall-ms=MS] [--no-toolbar] [--log=PATH]
//
//   --start-delay=MS     from process start until the tool bar and the
//                        annotation window come up (default 700)
//   --sheet=N            initial sheet: 1 annotation window hidden (default),
//                        2 whiteboard, 3 transparent sheet
//   --afx=N              number of "Afx" panes in the tool bar (default 3)
//   --owner-caption=TXT  caption of the main window (default "PenPlus ",
//                        with one trailing blank)
//   --dialog-delay=MS    from a button press to its dialog (default 200)
//   --capture-delay=MS   from the capture button to the area-capture button
//                        (default 300)
//   --hang-on=CAPTION    pressing the button with this caption blocks the
//                        program for good inside the click
//   --stall-after=CAPTION  pressing the button with this caption answers the
//                        click, then leaves the program busy (taking no
//                        messages) for --stall-ms (default 2000)
//   --no-toolbar         the tool bar never comes up
//   --log=PATH           the log (default PenPlus.log beside the program)
//
// The driver starts PenPlus through the shell without arguments. Started
// without any, the program therefore reads its options from "PenPlus.args"
// beside it (one line in the form of a command line), when there is one.
//
// Log: UTF-8, one line per event, CR LF, "<QPC stamp>\t<event>[\t<detail>...]":
//   start <major> | toolbar shown | press <caption> <control id> | hang |
//   stall | stall-end |
//   dialog-open <caption> | dialog-close <caption> ok|cancel |
//   command 2003 shown|hidden|none | close-request | sheet <N> | exit
// The program ends when "終了の確認" is confirmed or its main window gets
// WM_CLOSE.
//
// Under Wine on a display without a window manager, hiding a window that
// Wine's X11 driver "manages" (any captioned dialog; the tool bar too, once it
// has been active or has owned a dialog) blocks this program's thread for
// about 2 seconds while Wine waits for a window manager that never answers;
// clicks sent meanwhile wait as long. Setting "Managed"="N" under
// HKCU\Software\Wine\X11 Driver in the Wine prefix removes the wait.
#include <windows.h>

#include <shellapi.h>

#include <cstddef>
#include <cstdlib>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "DialogTemplate.h"
#include "simcommon/ProgramArgs.h"
#include "wincommon/Files.h"
#include "wincommon/Handles.h"
#include "wincommon/Text.h"
#include "wincommon/Window.h"

#ifndef PENPLUS_MAJOR
#error PENPLUS_MAJOR (3 or 4) must be defined
#endif
static_assert(PENPLUS_MAJOR == 3 || PENPLUS_MAJOR == 4, "PenPlus stand-ins exist for major versions 3 and 4");

namespace {

constexpr int kMajor = PENPLUS_MAJOR;
constexpr bool kV4 = kMajor >= 4;
constexpr WORD kToolbarCommand = 2003;
constexpr const wchar_t* kExitDialog = L"終了の確認";

// ---------------------------------------------------------------- options

struct Options {
  DWORD startDelayMs = 700;
  int sheet = 1;
  int afxCount = 3;
  std::wstring ownerCaption = L"PenPlus ";
  DWORD dialogDelayMs = 200;
  DWORD captureDelayMs = 300;
  std::wstring hangOn;
  std::wstring stallAfter;
  DWORD stallMs = 2000;
  bool toolbar = true;
  std::wstring logFile;
};

DWORD ToMs(const std::wstring& text) { return static_cast<DWORD>(std::wcstoul(text.c_str(), nullptr, 10)); }

Options ParseOptions() {
  Options o;
  const auto value = [](const std::wstring& arg, const wchar_t* name, std::wstring* out) {
    const std::wstring prefix = std::wstring(name) + L"=";
    if (arg.rfind(prefix, 0) != 0) return false;
    *out = arg.substr(prefix.size());
    return true;
  };
  for (const std::wstring& arg : simcommon::ProgramArgs()) {
    std::wstring v;
    if (arg == L"--no-toolbar") {
      o.toolbar = false;
    } else if (value(arg, L"--start-delay", &v)) {
      o.startDelayMs = ToMs(v);
    } else if (value(arg, L"--sheet", &v)) {
      const int sheet = std::wcstol(v.c_str(), nullptr, 10);
      if (sheet >= 1 && sheet <= 3) o.sheet = sheet;
    } else if (value(arg, L"--afx", &v)) {
      o.afxCount = std::wcstol(v.c_str(), nullptr, 10);
    } else if (value(arg, L"--owner-caption", &v)) {
      o.ownerCaption = v;
    } else if (value(arg, L"--dialog-delay", &v)) {
      o.dialogDelayMs = ToMs(v);
    } else if (value(arg, L"--capture-delay", &v)) {
      o.captureDelayMs = ToMs(v);
    } else if (value(arg, L"--hang-on", &v)) {
      o.hangOn = v;
    } else if (value(arg, L"--stall-after", &v)) {
      o.stallAfter = v;
    } else if (value(arg, L"--stall-ms", &v)) {
      o.stallMs = ToMs(v);
    } else if (value(arg, L"--log", &v)) {
      o.logFile = v;
    }
  }
  if (o.logFile.empty()) o.logFile = wincommon::ModuleFolder() + L"\\PenPlus.log";
  return o;
}

// -------------------------------------------------------------------- log

class EventLog {
public:
  // Emptied at start, shared like every later write: a test that keeps the
  // log of an earlier run open must not stop this run from logging.
  explicit EventLog(std::wstring path) : path_(std::move(path)) {
    const wincommon::FileHandle emptied = Open(CREATE_ALWAYS);
  }

  void Write(std::initializer_list<std::wstring_view> fields) const {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    std::wstring line = std::to_wstring(now.QuadPart);
    for (const std::wstring_view f : fields) {
      line += L'\t';
      line += f;
    }
    line += L"\r\n";
    // Opened per line: a test reads each line as soon as the event has
    // happened, also from a process that is then killed.
    const wincommon::FileHandle file = Open(OPEN_ALWAYS);
    if (!file) return;
    const std::string bytes = wincommon::WideToUtf8(line);
    DWORD written = 0;
    ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  }

private:
  [[nodiscard]] wincommon::FileHandle Open(DWORD disposition) const {
    const DWORD access = disposition == CREATE_ALWAYS ? GENERIC_WRITE : FILE_APPEND_DATA;
    return wincommon::FileHandle(::CreateFileW(path_.c_str(), access,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                               disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
  }

  std::wstring path_;
};

// ---------------------------------------------------------------- tool bar

enum class Act { None, Pen, Mouse, ToWhiteboard, ToTransparent, Dialog, OpenPanelA, OpenPanelB, ClosePanel, Capture,
                 CaptureArea };
enum class Panel { None, A, B };

struct ButtonDef {
  WORD id;
  const wchar_t* caption;
  Act act;
  bool visible;  // at creation; the sheet buttons follow the sheet instead
  Panel panel = Panel::None;
  const wchar_t* dialog = nullptr;
};

// Two buttons share each of "ペン", "ペンの設定", "ページ送り" and
// "ツール閉じる", as in the real tool bar; the driver has to tell them apart
// by their order and visibility.
constexpr WORD kIdPen1 = 1002;
constexpr WORD kIdPen2 = 1003;
constexpr WORD kIdPenSetting1 = 1005;
constexpr WORD kIdPenSetting2 = 1006;
constexpr WORD kIdWhiteboard = 1012;
constexpr WORD kIdTransparent = 1013;
constexpr WORD kIdCaptureArea = 1025;

// In creation order, which is the order in which Windows lists the children.
const ButtonDef kButtons[] = {
    {1001, L"マウス", Act::Mouse, true},
    {kIdPen1, L"ペン", Act::Pen, true},
    {kIdPen2, L"ペン", Act::Pen, true},
    {1004, L"マーカー", Act::Pen, false},
    {kIdPenSetting1, L"ペンの設定", Act::Dialog, true, Panel::None, L"ペンの設定"},
    {kIdPenSetting2, L"ペンの設定", Act::Dialog, true, Panel::None, L"ペンの設定"},
    {1007, L"領域拡大", Act::None, true},
    {1008, L"図形ペン", Act::None, true},
    {1009, L"図形ペンの設定", Act::Dialog, true, Panel::None, L"図形ペンの設定"},
    {1010, L"消しゴム", Act::None, true},
    {1011, L"消しゴムの設定", Act::Dialog, true, Panel::None, L"消しゴムの設定"},
    {kIdWhiteboard, L"ホワイトボード", Act::ToWhiteboard, false},
    {kIdTransparent, L"透明シート", Act::ToTransparent, false},
    {1014, L"ページ戻し", Act::None, true},
    {1015, L"ページ送り", Act::None, true},
    {1016, L"ページ送り", Act::None, false},  // never shown; pressing it is a fault of the caller
    {1017, kV4 ? L"クリア" : L"手書き線クリア", kV4 ? Act::Dialog : Act::None, true, Panel::None,
     kV4 ? L"クリア" : nullptr},
    {1018, kV4 ? L"便利機能関連" : L"印刷、設定", Act::OpenPanelA, true},
    {1019, kV4 ? L"ファイル関連" : L"ファイル、虫めがね", Act::OpenPanelB, true},
    {1020, L"Webリンク集", Act::Dialog, false, Panel::A, L"WEBリンク集"},
    {1021, L"ツール閉じる", Act::ClosePanel, false, Panel::A},
    {1022, L"ファイルの読み込みと保存", Act::Dialog, false, Panel::B, L"ファイルの読み込みと保存"},
    {1023, L"ツール閉じる", Act::ClosePanel, false, Panel::B},
    {1024, L"キャプチャ（画面取込）", Act::Capture, true},
    {kIdCaptureArea, L"指定領域のキャプチャ", Act::CaptureArea, false},
};
constexpr int kButtonCount = static_cast<int>(sizeof(kButtons) / sizeof(kButtons[0]));

// Layout at 96 DPI is in twips, scaled to the screen.
constexpr int kMarginTw = 120;
constexpr int kAfxTw = 360;
constexpr int kAfxRowTw = 360;
constexpr int kColumns = 4;
constexpr int kCellWidthTw = 2550;
constexpr int kCellHeightTw = 450;
constexpr int kGapTw = 60;

constexpr const wchar_t* kAfxClass = L"AfxWnd140su";

// The panes are MFC's in the real program; here they only have to exist.
bool RegisterAfxClass() {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  if (::GetClassInfoExW(instance, kAfxClass, &wc)) return true;
  wc = WNDCLASSEXW{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = &::DefWindowProcW;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH));
  wc.lpszClassName = kAfxClass;
  return ::RegisterClassExW(&wc) != 0;
}

// ------------------------------------------------------- annotation window

class AnnotationWindow : public wincommon::Window {
public:
  bool Open(int x, int y) {
    CreateArgs args;
    args.className = L"PenPlusAnnClass";
    args.title = L"";
    args.style = WS_POPUP | WS_BORDER;
    args.exStyle = WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
    args.x = x;
    args.y = y;
    args.width = 320;
    args.height = 200;
    args.background = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    return Create(args);
  }

  // Sheet 3 on major 3 carries WS_EX_TRANSPARENT, which is how the driver
  // tells it from the whiteboard; major 4 leaves the style alone and shows
  // the state by its "ホワイトボード" button only.
  void Show(int sheet) {
    sheet_ = sheet;
    if (sheet == 1) {
      ::ShowWindow(hwnd(), SW_HIDE);
      return;
    }
    LONG_PTR ex = ::GetWindowLongPtrW(hwnd(), GWL_EXSTYLE);
    ex = (sheet == 3 && !kV4) ? (ex | WS_EX_TRANSPARENT) : (ex & ~static_cast<LONG_PTR>(WS_EX_TRANSPARENT));
    ::SetWindowLongPtrW(hwnd(), GWL_EXSTYLE, ex);
    ::InvalidateRect(hwnd(), nullptr, TRUE);
    ::ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
  }

protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
    // The sheet lies over other programs and must never take the focus.
    if (msg == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
    return Window::HandleMessage(msg, wp, lp);
  }

  bool OnPaint() override {
    PAINTSTRUCT ps;
    const HDC dc = ::BeginPaint(hwnd(), &ps);
    RECT rc;
    ::GetClientRect(hwnd(), &rc);
    const COLORREF back = sheet_ == 3 ? RGB(220, 236, 255) : RGB(255, 255, 255);
    const wincommon::GdiObject brush(::CreateSolidBrush(back));
    ::FillRect(dc, &rc, static_cast<HBRUSH>(brush.get()));
    ::SetBkMode(dc, TRANSPARENT);
    const HGDIOBJ old = ::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT));
    const wchar_t* text = sheet_ == 3 ? L"PenPlus 透明シート" : L"PenPlus ホワイトボード";
    ::DrawTextW(dc, text, -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    ::SelectObject(dc, old);
    ::EndPaint(hwnd(), &ps);
    return true;
  }

private:
  int sheet_ = 1;
};

// ------------------------------------------------------------ the program

// The main window: hidden, found by its caption, owner of the tool bar and
// of every dialog. Timers live here so that nothing waits inside a click.
class PenPlusProgram : public wincommon::Window {
public:
  PenPlusProgram(const Options& options, const EventLog& log) : options_(options), log_(log) {}

  bool Open() {
    CreateArgs args;
    args.className = L"PenPlusSimMain";
    args.title = options_.ownerCaption.c_str();
    args.style = WS_POPUP;
    args.x = 0;
    args.y = 0;
    args.width = 1;
    args.height = 1;
    if (!Create(args)) return false;
    ::SetTimer(hwnd(), kStartTimer, RemainingStartDelay(), nullptr);
    return true;
  }

protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
    if (msg == kStallMessage) {
      // Busy with its own work: a press sent meanwhile waits, and is
      // withdrawn when its sender gives up first.
      log_.Write({L"stall"});
      ::Sleep(options_.stallMs);
      log_.Write({L"stall-end"});
      return 0;
    }
    return Window::HandleMessage(msg, wp, lp);
  }

  void OnTimer(UINT_PTR id) override {
    ::KillTimer(hwnd(), id);
    if (id == kStartTimer) {
      ComeUp();
    } else if (id == kCaptureTimer) {
      ShowButton(kIdCaptureArea, true);
    } else {
      const auto it = pendingDialogs_.find(id);
      if (it == pendingDialogs_.end()) return;
      const std::wstring caption = it->second;
      pendingDialogs_.erase(it);
      RunDialog(caption);
    }
  }

  bool OnCommand(WORD id, WORD /*code*/, HWND control) override {
    if (id != kToolbarCommand || control) return false;
    if (!toolbar_) {
      log_.Write({L"command", L"2003", L"none"});
    } else if (::GetWindowLongPtrW(toolbar_, GWL_STYLE) & WS_VISIBLE) {
      ::ShowWindow(toolbar_, SW_HIDE);
      log_.Write({L"command", L"2003", L"hidden"});
    } else {
      ::ShowWindow(toolbar_, SW_SHOWNOACTIVATE);
      log_.Write({L"command", L"2003", L"shown"});
    }
    return true;
  }

  bool OnClose() override {
    Exit();
    return true;
  }

  void OnDestroy() override {
    toolbar_ = nullptr;
    ::PostQuitMessage(0);
  }

private:
  static constexpr UINT_PTR kStartTimer = 1;
  static constexpr UINT_PTR kCaptureTimer = 2;
  static constexpr UINT_PTR kFirstDialogTimer = 100;
  static constexpr UINT kShownMessage = WM_APP + 1;
  static constexpr UINT kStallMessage = WM_APP + 2;

  struct DialogContext {
    PenPlusProgram* program;
    std::wstring caption;
  };

  // The delay counts from process creation, as a caller that started the
  // program sees it; Wine takes a good part of a second to reach wWinMain.
  DWORD RemainingStartDelay() const {
    FILETIME created, exited, kernel, user, now;
    if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return options_.startDelayMs;
    ::GetSystemTimeAsFileTime(&now);
    const auto ticks = [](const FILETIME& t) {
      return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    if (ticks(now) < ticks(created)) return options_.startDelayMs;
    const ULONGLONG elapsedMs = (ticks(now) - ticks(created)) / 10000;
    return elapsedMs >= options_.startDelayMs ? 0 : options_.startDelayMs - static_cast<DWORD>(elapsedMs);
  }

  void ComeUp() {
    if (!options_.toolbar) return;
    if (!CreateToolbar()) return;
    RECT rc;
    ::GetWindowRect(toolbar_, &rc);
    if (annotation_.Open(rc.right + 24, rc.top + 24)) annotation_.Show(sheet_);
    ShowSheetButtons();
    ::ShowWindow(toolbar_, SW_SHOWNOACTIVATE);
    log_.Write({L"toolbar", L"shown"});
  }

  bool CreateToolbar() {
    RegisterAfxClass();
    const penplus::DialogTemplate tmpl(WS_POPUP | WS_BORDER | DS_SETFONT, L"", 0, 0);
    // hWndParent of a pop-up dialog becomes its owner: what the driver reads
    // as the tool bar's "parent".
    toolbar_ = ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), tmpl.get(), hwnd(), &ToolbarProc,
                                            reinterpret_cast<LPARAM>(this));
    return toolbar_ != nullptr;
  }

  void BuildToolbar(HWND toolbar) {
    const int dpi = wincommon::ScreenDpi();
    const auto px = [dpi](int twips) { return wincommon::TwipsToPixels(twips, dpi); };
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    for (int i = 0; i < options_.afxCount; ++i) {
      ::CreateWindowExW(0, kAfxClass, L"", WS_CHILD | WS_VISIBLE, px(kMarginTw + i * (kAfxTw + kGapTw)),
                        px(kMarginTw), px(kAfxTw), px(kAfxRowTw - kGapTw), toolbar,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(900 + i)), instance, nullptr);
    }
    const HFONT font = reinterpret_cast<HFONT>(::SendMessageW(toolbar, WM_GETFONT, 0, 0));
    const int top = kMarginTw + kAfxRowTw;
    buttons_.assign(kButtonCount, nullptr);
    for (int i = 0; i < kButtonCount; ++i) {
      const ButtonDef& b = kButtons[i];
      const int x = kMarginTw + (i % kColumns) * kCellWidthTw;
      const int y = top + (i / kColumns) * kCellHeightTw;
      const DWORD style = WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON | (b.visible ? WS_VISIBLE : 0);
      buttons_[i] = ::CreateWindowExW(0, L"Button", b.caption, style, px(x), px(y), px(kCellWidthTw - kGapTw),
                                      px(kCellHeightTw - kGapTw), toolbar,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(b.id)), instance, nullptr);
      if (buttons_[i] && font) ::SendMessageW(buttons_[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    const int rows = (kButtonCount + kColumns - 1) / kColumns;
    RECT rc{0, 0, px(2 * kMarginTw + kColumns * kCellWidthTw - kGapTw), px(top + rows * kCellHeightTw + kMarginTw)};
    ::AdjustWindowRectEx(&rc, static_cast<DWORD>(::GetWindowLongPtrW(toolbar, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongPtrW(toolbar, GWL_EXSTYLE)));
    ::SetWindowPos(toolbar, nullptr, px(360), px(360), rc.right - rc.left, rc.bottom - rc.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
  }

  static INT_PTR CALLBACK ToolbarProc(HWND toolbar, UINT msg, WPARAM wp, LPARAM lp) {
    try {
      if (msg == WM_INITDIALOG) {
        ::SetWindowLongPtrW(toolbar, DWLP_USER, lp);
        reinterpret_cast<PenPlusProgram*>(lp)->BuildToolbar(toolbar);
        return FALSE;  // the tool bar takes no focus
      }
      auto* self = reinterpret_cast<PenPlusProgram*>(::GetWindowLongPtrW(toolbar, DWLP_USER));
      if (!self) return FALSE;
      if (msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED && lp != 0) {
        self->OnPress(LOWORD(wp));
        return TRUE;
      }
      if (msg == WM_CLOSE) {
        // The real program never closes on request: it asks first, and not
        // from inside the close message.
        self->log_.Write({L"close-request"});
        self->ScheduleDialog(kExitDialog);
        return TRUE;
      }
    } catch (...) {
      // Nothing thrown may cross into the system's dispatcher.
    }
    return FALSE;
  }

  // Runs inside the caller's BM_CLICK, which waits for it: everything slow
  // is left to timers.
  void OnPress(WORD id) {
    const int i = IndexOf(id);
    if (i < 0) return;
    const ButtonDef& b = kButtons[i];
    log_.Write({L"press", b.caption, std::to_wstring(id)});
    if (!options_.hangOn.empty() && options_.hangOn == b.caption) Hang();
    if (!options_.stallAfter.empty() && options_.stallAfter == b.caption) {
      ::PostMessageW(hwnd(), kStallMessage, 0, 0);
    }
    switch (b.act) {
      case Act::Pen:
        if (sheet_ == 1) SetSheet(3);
        break;
      case Act::Mouse:
        SetSheet(1);
        break;
      case Act::ToWhiteboard:
        if (sheet_ == 3) SetSheet(2);
        break;
      case Act::ToTransparent:
        if (sheet_ == 2) SetSheet(3);
        break;
      case Act::Dialog:
        ScheduleDialog(b.dialog);
        break;
      case Act::OpenPanelA:
        OpenPanel(Panel::A);
        break;
      case Act::OpenPanelB:
        OpenPanel(Panel::B);
        break;
      case Act::ClosePanel:
        OpenPanel(Panel::None);
        break;
      case Act::Capture:
        ::SetTimer(hwnd(), kCaptureTimer, options_.captureDelayMs, nullptr);
        break;
      case Act::CaptureArea:
        ShowButton(kIdCaptureArea, false);
        break;
      case Act::None:
        break;
    }
  }

  [[noreturn]] void Hang() const {
    log_.Write({L"hang"});
    const wincommon::KernelHandle never(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    for (;;) {
      if (never) {
        ::WaitForSingleObject(never.get(), INFINITE);
      } else {
        ::Sleep(INFINITE);
      }
    }
  }

  void SetSheet(int sheet) {
    if (sheet == sheet_) return;
    sheet_ = sheet;
    if (annotation_.hwnd()) annotation_.Show(sheet);
    ShowSheetButtons();
    log_.Write({L"sheet", std::to_wstring(sheet)});
  }

  // The button offers the other sheet; with the sheet hidden (1) both keep
  // what they showed last.
  void ShowSheetButtons() {
    if (sheet_ == 1) {
      if (!sheetButtonsSet_) {
        ShowButton(kIdWhiteboard, false);
        ShowButton(kIdTransparent, true);
      }
    } else {
      ShowButton(kIdWhiteboard, sheet_ == 3);
      ShowButton(kIdTransparent, sheet_ == 2);
    }
    sheetButtonsSet_ = true;
  }

  // Panel::None closes the open sub-panel.
  void OpenPanel(Panel panel) {
    if (panel == panel_) return;
    if (panel_ != Panel::None) ShowPanelButtons(panel_, false);
    if (panel != Panel::None) ShowPanelButtons(panel, true);
    panel_ = panel;
  }

  void ShowPanelButtons(Panel panel, bool show) {
    for (int i = 0; i < kButtonCount; ++i) {
      if (kButtons[i].panel == panel) ShowButton(kButtons[i].id, show);
    }
  }

  void ShowButton(WORD id, bool show) {
    const int i = IndexOf(id);
    if (i < 0 || static_cast<std::size_t>(i) >= buttons_.size() || !buttons_[i]) return;
    // No z-order change: the driver counts on the creation order.
    ::SetWindowPos(buttons_[i], nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE |
                       (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
  }

  static int IndexOf(WORD id) {
    for (int i = 0; i < kButtonCount; ++i) {
      if (kButtons[i].id == id) return i;
    }
    return -1;
  }

  void ScheduleDialog(const std::wstring& caption) {
    const UINT_PTR id = nextDialogTimer_++;
    pendingDialogs_[id] = caption;
    ::SetTimer(hwnd(), id, options_.dialogDelayMs, nullptr);
  }

  void RunDialog(const std::wstring& caption) {
    const bool exitDialog = caption == kExitDialog;
    penplus::DialogTemplate tmpl(
        WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_MODALFRAME | DS_SETFONT | DS_CENTER, caption, 180, 68);
    tmpl.AddItem(WS_CHILD | WS_VISIBLE | SS_LEFT, 10, 10, 160, 20, 0xFFFF, penplus::DialogTemplate::kStatic,
                 exitDialog ? L"PenPlus を終了しますか？" : caption);
    tmpl.AddItem(WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 34, 44, 50, 14, IDOK,
                 penplus::DialogTemplate::kButton, exitDialog ? L"はい" : L"OK");
    tmpl.AddItem(WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 96, 44, 50, 14, IDCANCEL,
                 penplus::DialogTemplate::kButton, exitDialog ? L"いいえ" : L"キャンセル");
    // The dialog is owned by the main window, so the system disables only
    // that one; the tool bar is disabled here, as the real program does.
    const HWND toolbar = toolbar_;
    if (toolbar && openDialogs_++ == 0) ::EnableWindow(toolbar, FALSE);
    DialogContext context{this, caption};
    const INT_PTR result = ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), tmpl.get(), hwnd(), &DialogProc,
                                                     reinterpret_cast<LPARAM>(&context));
    // The main window may have been closed meanwhile, taking the tool bar.
    // EndDialog re-enables whatever owns the dialog by then (the tool bar,
    // once the driver has re-owned it) and leaves the main window disabled.
    if (toolbar && --openDialogs_ == 0 && ::IsWindow(toolbar)) ::EnableWindow(toolbar, TRUE);
    if (exitDialog && result == IDOK) Exit();
  }

  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
    try {
      if (msg == WM_INITDIALOG) {
        ::SetWindowLongPtrW(dialog, DWLP_USER, lp);
        // WM_INITDIALOG comes before the dialog is shown; the posted
        // message comes after, so "dialog-open" means it can be found.
        ::PostMessageW(dialog, kShownMessage, 0, 0);
        return TRUE;
      }
      const auto* context = reinterpret_cast<const DialogContext*>(::GetWindowLongPtrW(dialog, DWLP_USER));
      if (!context) return FALSE;
      if (msg == kShownMessage) {
        context->program->log_.Write({L"dialog-open", context->caption});
        return TRUE;
      }
      if (msg == WM_COMMAND && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL)) {
        context->program->log_.Write(
            {L"dialog-close", context->caption, LOWORD(wp) == IDOK ? L"ok" : L"cancel"});
        ::EndDialog(dialog, LOWORD(wp));
        return TRUE;
      }
    } catch (...) {
      // Nothing thrown may cross into the system's dispatcher.
    }
    return FALSE;
  }

  void Exit() {
    if (!exited_) log_.Write({L"exit"});
    exited_ = true;
    if (hwnd()) ::DestroyWindow(hwnd());
  }

  const Options& options_;
  const EventLog& log_;
  AnnotationWindow annotation_;
  HWND toolbar_ = nullptr;  // owned by the main window, destroyed with it
  std::vector<HWND> buttons_;
  int sheet_ = options_.sheet;
  bool sheetButtonsSet_ = false;
  Panel panel_ = Panel::None;
  int openDialogs_ = 0;
  std::map<UINT_PTR, std::wstring> pendingDialogs_;
  UINT_PTR nextDialogTimer_ = kFirstDialogTimer;
  bool exited_ = false;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const Options options = ParseOptions();
  const EventLog log(options.logFile);
  log.Write({L"start", std::to_wstring(kMajor)});
  PenPlusProgram program(options, log);
  if (!program.Open()) return 1;
  return wincommon::RunMessageLoop();
}
