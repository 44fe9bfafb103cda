// PenPlusSim: stands in for PenPlus, Plussoft's pen and annotation program,
// which the driver drives only through its windows. It shows what the driver
// looks for and no more: a hidden main window with the program's caption, a
// tool bar (a dialog-class window with three "Afx" panes and push buttons), an
// annotation window whose state the driver reads, and modal dialogs that the
// buttons open after a short while, as the real program does. The tool bar,
// the sheet and what each press changes are the portable model of
// PenPlusModel.h, which the unit tests' fake shares; this program puts the
// model into windows. Every event is logged with its QueryPerformanceCounter
// stamp, so that tests can check what was pressed, in which order and how
// fast.
//
// Built twice from this file: PENPLUS_MAJOR=4 (version 4.2) and
// PENPLUS_MAJOR=3 (version 3.5), which differ in a few button captions, in
// how the transparent sheet shows, and in their version resources.
//
//   PenPlus.exe [--start-delay=MS] [--sheet=N] [--afx=N] [--owner-caption=TXT]
//               [--dialog-delay=MS] [--capture-delay=MS] [--hang-on=CAPTION]
//               [--stall-after=CAPTION] [--stall-ms=MS] [--log=PATH]
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
#include "PenPlusModel.h"
#include "PenPlusWindows.h"
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

// ---------------------------------------------------------------- options

struct Options {
  DWORD startDelayMs = penplus::kStartDelayMs;
  int sheet = penplus::kSheetHidden;
  int afxCount = penplus::kAfxPanes;
  std::wstring ownerCaption = wincommon::Utf8ToWide(penplus::kMainCaption);
  DWORD dialogDelayMs = penplus::kDialogDelayMs;
  DWORD captureDelayMs = penplus::kCaptureDelayMs;
  std::wstring hangOn;
  std::wstring stallAfter;
  DWORD stallMs = 2000;
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
    if (value(arg, L"--start-delay", &v)) {
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

// Layout at 96 DPI is in twips, scaled to the screen.
constexpr int kMarginTw = 120;
constexpr int kAfxTw = 360;
constexpr int kAfxRowTw = 360;
constexpr int kColumns = 4;
constexpr int kCellWidthTw = 2550;
constexpr int kCellHeightTw = 450;
constexpr int kGapTw = 60;

// The panes are MFC's in the real program; here they only have to exist.
bool RegisterAfxClass(const std::wstring& name) {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  if (::GetClassInfoExW(instance, name.c_str(), &wc)) return true;
  wc = WNDCLASSEXW{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = &::DefWindowProcW;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH));
  wc.lpszClassName = name.c_str();
  return ::RegisterClassExW(&wc) != 0;
}

// ------------------------------------------------------- annotation window

class AnnotationWindow : public wincommon::Window {
public:
  bool Open(int x, int y) {
    const std::wstring cls = wincommon::Utf8ToWide(penplus::kAnnotationClass);
    CreateArgs args;
    args.className = cls.c_str();
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

  void Show(const penplus::Model& model) {
    sheet_ = model.Sheet();
    if (!model.SheetShown()) {
      ::ShowWindow(hwnd(), SW_HIDE);
      return;
    }
    LONG_PTR ex = ::GetWindowLongPtrW(hwnd(), GWL_EXSTYLE);
    ex = model.SheetMarkedTransparent() ? (ex | WS_EX_TRANSPARENT) : (ex & ~static_cast<LONG_PTR>(WS_EX_TRANSPARENT));
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
    const COLORREF back = sheet_ == penplus::kSheetTransparent ? RGB(220, 236, 255) : RGB(255, 255, 255);
    const wincommon::GdiObject brush(::CreateSolidBrush(back));
    ::FillRect(dc, &rc, static_cast<HBRUSH>(brush.get()));
    ::SetBkMode(dc, TRANSPARENT);
    const HGDIOBJ old = ::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT));
    const wchar_t* text = sheet_ == penplus::kSheetTransparent ? L"PenPlus 透明シート" : L"PenPlus ホワイトボード";
    ::DrawTextW(dc, text, -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    ::SelectObject(dc, old);
    ::EndPaint(hwnd(), &ps);
    return true;
  }

private:
  int sheet_ = penplus::kSheetHidden;
};

// ------------------------------------------------------------ the program

// The main window: hidden, found by its caption, owner of the tool bar and
// of every dialog. Timers live here so that nothing waits inside a click.
class PenPlusProgram : public wincommon::Window {
public:
  PenPlusProgram(const Options& options, const EventLog& log) : options_(options), log_(log) {
    for (const penplus::Button& b : model_.Buttons()) captions_.push_back(wincommon::Utf8ToWide(b.caption));
  }

  bool Open() {
    CreateArgs args;
    args.className = penplus::kMainClass;
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
      model_.ShowCaptureArea();
      Apply();
    } else {
      const auto it = pendingDialogs_.find(id);
      if (it == pendingDialogs_.end()) return;
      const std::wstring caption = it->second;
      pendingDialogs_.erase(it);
      RunDialog(caption);
    }
  }

  bool OnCommand(WORD id, WORD /*code*/, HWND control) override {
    if (id != penplus::kToolbarCommand || control) return false;
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
    if (!CreateToolbar()) return;
    RECT rc;
    ::GetWindowRect(toolbar_, &rc);
    if (annotation_.Open(rc.right + 24, rc.top + 24)) annotation_.Show(model_);
    ::ShowWindow(toolbar_, SW_SHOWNOACTIVATE);
    log_.Write({L"toolbar", L"shown"});
  }

  bool CreateToolbar() {
    RegisterAfxClass(wincommon::Utf8ToWide(penplus::kAfxClass));
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
    const std::wstring afx = wincommon::Utf8ToWide(penplus::kAfxClass);
    for (int i = 0; i < options_.afxCount; ++i) {
      ::CreateWindowExW(0, afx.c_str(), L"", WS_CHILD | WS_VISIBLE, px(kMarginTw + i * (kAfxTw + kGapTw)),
                        px(kMarginTw), px(kAfxTw), px(kAfxRowTw - kGapTw), toolbar,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(900 + i)), instance, nullptr);
    }
    const HFONT font = reinterpret_cast<HFONT>(::SendMessageW(toolbar, WM_GETFONT, 0, 0));
    const int top = kMarginTw + kAfxRowTw;
    const int count = static_cast<int>(model_.Buttons().size());
    buttons_.assign(model_.Buttons().size(), nullptr);
    for (int i = 0; i < count; ++i) {
      const auto n = static_cast<std::size_t>(i);
      const penplus::Button& b = model_.Buttons()[n];
      const int x = kMarginTw + (i % kColumns) * kCellWidthTw;
      const int y = top + (i / kColumns) * kCellHeightTw;
      applied_.push_back(model_.Shown(n));
      const DWORD style = WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON | (applied_.back() ? WS_VISIBLE : 0);
      buttons_[n] = ::CreateWindowExW(0, L"Button", captions_[n].c_str(), style, px(x), px(y), px(kCellWidthTw - kGapTw),
                                      px(kCellHeightTw - kGapTw), toolbar,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(b.id)), instance, nullptr);
      if (buttons_[n] && font) ::SendMessageW(buttons_[n], WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    const int rows = (count + kColumns - 1) / kColumns;
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
        self->ScheduleDialog(wincommon::Utf8ToWide(penplus::kExitDialog));
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
    const std::size_t i = model_.IndexOf(id);
    if (i >= captions_.size()) return;
    const std::wstring& caption = captions_[i];
    log_.Write({L"press", caption, std::to_wstring(id)});
    if (!options_.hangOn.empty() && options_.hangOn == caption) Hang();
    if (!options_.stallAfter.empty() && options_.stallAfter == caption) {
      ::PostMessageW(hwnd(), kStallMessage, 0, 0);
    }
    const penplus::Model::Later later = model_.Press(i);
    Apply();
    if (later.dialog) ScheduleDialog(wincommon::Utf8ToWide(later.dialog));
    if (later.captureArea) ::SetTimer(hwnd(), kCaptureTimer, options_.captureDelayMs, nullptr);
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

  // Puts the model into the windows: the sheet, then each button whose
  // visible bit changed.
  void Apply() {
    const bool sheetChanged = model_.Sheet() != sheet_;
    if (sheetChanged) {
      sheet_ = model_.Sheet();
      if (annotation_.hwnd()) annotation_.Show(model_);
    }
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
      if (!buttons_[i] || applied_[i] == model_.Shown(i)) continue;
      applied_[i] = model_.Shown(i);
      // No z-order change: the driver counts on the creation order.
      ::SetWindowPos(buttons_[i], nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE |
                         (applied_[i] ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    }
    if (sheetChanged) log_.Write({L"sheet", std::to_wstring(sheet_)});
  }

  void ScheduleDialog(const std::wstring& caption) {
    const UINT_PTR id = nextDialogTimer_++;
    pendingDialogs_[id] = caption;
    ::SetTimer(hwnd(), id, options_.dialogDelayMs, nullptr);
  }

  void RunDialog(const std::wstring& caption) {
    const bool exitDialog = caption == wincommon::Utf8ToWide(penplus::kExitDialog);
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
  penplus::Model model_{kMajor, options_.sheet};
  std::vector<std::wstring> captions_;  // the model's, in UTF-16
  std::vector<HWND> buttons_;
  std::vector<bool> applied_;  // each button's visible bit as last set
  int sheet_ = model_.Sheet();  // the annotation window's, as last shown
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
