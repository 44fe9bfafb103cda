#include "ClassActPenPlus.h"

#include <cmath>

#include "base/AsciiText.h"

namespace orvanta {

namespace {

constexpr char kMainCaption[] = "PenPlus ";  // one trailing blank
constexpr char kDialogClass[] = "#32770";
constexpr char kAnnotationClass[] = "PenPlusAnnClass";
constexpr std::uint32_t kExTransparent = 0x20;  // WS_EX_TRANSPARENT
constexpr std::uint32_t kExTopMost = 0x08;      // WS_EX_TOPMOST
constexpr int kToolbarAfxChildren = 3;
constexpr std::uint32_t kErrorAccessDenied = 5;  // ERROR_ACCESS_DENIED

constexpr char kExitConfirm[] = u8"終了の確認";
constexpr char kToolClose[] = u8"ツール閉じる";

std::vector<std::string> ActionNames();

}  // namespace

PenPlusPort::SendResult ClickOutcome(bool sendSucceeded, std::uint32_t lastError, bool buttonExists) {
  // A program running with higher rights than the driver (PenPlus started
  // "as administrator") does not get the press: the system's isolation of
  // integrity levels drops it and sets "access denied", and such a send has
  // been documented to report success all the same. The last error decides.
  if (lastError == kErrorAccessDenied) return PenPlusPort::SendResult::kFailed;
  if (sendSucceeded) return PenPlusPort::SendResult::kDone;
  return buttonExists ? PenPlusPort::SendResult::kTimedOut : PenPlusPort::SendResult::kFailed;
}

ClassActPenPlus::ClassActPenPlus(MainSettings& settings, std::function<void()> saveSettings, Services services)
    : list_(ActionNames()), settings_(settings), saveSettings_(std::move(saveSettings)), sv_(services) {}

void ClassActPenPlus::Notify(const std::string& text, std::int32_t timeoutMs) {
  if (!sv_.windows.Cancelled()) sv_.notifier.SetText(text, timeoutMs);
}

// ---- finding PenPlus's windows ----------------------------------------------

ClassActPenPlus::WindowId ClassActPenPlus::FindPenMainWindow() {
  for (const WindowId w : sv_.windows.TopLevelWindows("")) {
    if (sv_.windows.Text(w) == kMainCaption) return w;
  }
  return 0;
}

const ClassActPenPlus::ToolbarView& ClassActPenPlus::Walk() {
  // The tool bar is as a rule the first dialog-class window without a
  // caption, which one question finds; it then comes first in the list of
  // them all as well. Only when it is not is the whole list gone through.
  const WindowId first = sv_.windows.FirstUntitled(kDialogClass);
  if (first != 0 && IsToolbar(first, true)) return bar_;
  for (const WindowId w : sv_.windows.TopLevelWindows(kDialogClass)) {
    if (w != first && IsToolbar(w, false)) return bar_;
  }
  bar_ = ToolbarView{};
  return bar_;
}

bool ClassActPenPlus::IsToolbar(WindowId candidate, bool untitled) {
  PenPlusPort& port = sv_.windows;
  if (!untitled && !port.Text(candidate).empty()) return false;
  const WindowId owner = port.Owner(candidate);
  if (owner == 0 || !EqualsNoCase(port.Text(owner), kMainCaption)) return false;
  bar_.window = candidate;
  bar_.inside.clear();
  int afx = 0;
  for (const WindowId w : port.Descendants(candidate)) {
    std::string text = port.Text(w);
    // The class and the parent are asked only of the few windows without a
    // text: a question each, and a tool bar has a few dozen children.
    if (text.empty() && StartsWithNoCase(port.ClassName(w), "Afx") && port.Parent(w) == candidate) ++afx;
    bar_.inside.emplace_back(w, std::move(text));
  }
  return afx == kToolbarAfxChildren;
}

void ClassActPenPlus::SetToolbarVisibleIn(const ToolbarView& bar, bool wanted) {
  if (Shown(bar) == wanted || sv_.windows.Cancelled()) return;
  // The command toggles the tool bar. Posting to window 0 would post to the
  // driver's own thread, so without a main window nothing is posted.
  if (const WindowId main = FindPenMainWindow(); main != 0) sv_.windows.PostCommand(main, kToolbarCommand);
}

ClassActPenPlus::WindowId ClassActPenPlus::FindPenButtonIn(const ToolbarView& bar, Captions captions,
                                                           std::int32_t index) {
  if (bar.window == 0) return 0;
  PenPlusPort& port = sv_.windows;
  // Each match goes before the earlier ones: the last match in Windows'
  // order is the first of the collection.
  std::vector<WindowId> matches;
  for (const auto& [w, text] : bar.inside) {
    // The caption first, from the walk; then the questions: a direct child,
    // its own visible bit (the tool bar itself may be hidden), a button.
    if (captions.Has(text) && port.Parent(w) == bar.window && port.HasVisibleStyle(w) &&
        port.ClassName(w) == "Button") {
      matches.insert(matches.begin(), w);
    }
  }
  if (matches.empty()) return 0;
  if (index >= 1 && static_cast<std::size_t>(index) <= matches.size()) return matches[static_cast<std::size_t>(index) - 1];
  return matches.front();
}

bool ClassActPenPlus::ClickIn(const ToolbarView& bar, Captions captions, std::int32_t index, bool allowDisabled) {
  if (Halted()) return false;
  const WindowId button = FindPenButtonIn(bar, captions, index);
  if (button == 0) return false;
  // PenPlus disables its tool bar while one of its modal dialogs is open.
  if (!allowDisabled && !sv_.windows.IsEnabled(bar.window)) {
    sv_.windows.Beep();
    return false;
  }
  switch (sv_.windows.Click(button)) {
    case PenPlusPort::SendResult::kDone:
      return true;
    case PenPlusPort::SendResult::kTimedOut:
      stalled_ = true;
      return false;
    case PenPlusPort::SendResult::kFailed:
      break;
  }
  return false;
}

bool ClassActPenPlus::WaitPenButton(Captions captions, std::int32_t index) {
  for (int i = 0; i < kWaitTries && !Halted(); ++i) {
    if (FindPenButton(captions, index) != 0) return true;
    sv_.windows.Sleep(kPollMs);
  }
  return false;
}

ClassActPenPlus::WindowId ClassActPenPlus::FindPenDialog(const std::string& caption) {
  const WindowId main = FindPenMainWindow();
  if (main == 0) return 0;
  const std::uint32_t pid = sv_.windows.ProcessId(main);
  for (const WindowId w : sv_.windows.TopLevelWindows(kDialogClass)) {
    if (w != main && sv_.windows.ProcessId(w) == pid && sv_.windows.IsVisible(w) && sv_.windows.Text(w) == caption) {
      return w;
    }
  }
  return 0;
}

bool ClassActPenPlus::PenPlus_Dialog_Wait(const std::string& caption) {
  WindowId dialog = 0;
  for (int i = 0; i < kWaitTries && !Halted(); ++i) {
    dialog = FindPenDialog(caption);
    if (dialog != 0) break;
    sv_.windows.Sleep(kPollMs);
  }
  if (dialog == 0 || Halted()) return false;
  // Owned by the tool bar, the dialog stays above it; top-most, above
  // everything else (the presenter's slides included).
  const WindowId toolbar = FindPenToolbar();
  if (toolbar != 0 && sv_.windows.Owner(dialog) != toolbar) sv_.windows.SetOwner(dialog, toolbar);
  if ((sv_.windows.ExStyle(dialog) & kExTopMost) == 0) sv_.windows.MakeTopMost(dialog);
  return true;
}

int ClassActPenPlus::SheetStateIn(const ToolbarView& bar) {
  WindowId annotation = 0;
  for (const WindowId w : sv_.windows.TopLevelWindows(kAnnotationClass)) {
    if (sv_.windows.Text(w).empty()) {
      annotation = w;
      break;
    }
  }
  if (annotation == 0) return 0;
  if (!sv_.windows.IsVisible(annotation)) return 1;
  if ((sv_.windows.ExStyle(annotation) & kExTransparent) != 0) return 3;
  // From version 4 on the sheet no longer says so itself: the tool bar then
  // offers the switch to the whiteboard.
  if (Major() >= 4 && FindPenButtonIn(bar, {u8"ホワイトボード"}, 0) != 0) return 3;
  return 2;
}

bool ClassActPenPlus::WaitSheetState(int state) {
  for (int i = 0; i < kWaitTries && !Halted(); ++i) {
    if (GetSheetState() == state) return true;
    sv_.windows.Sleep(kPollMs);
  }
  return false;
}

// ---- starting and closing ---------------------------------------------------

void ClassActPenPlus::PenPlus_Run(bool wanted) {
  const WindowId toolbar = FindPenToolbar();
  if ((toolbar != 0) == wanted || sv_.windows.Cancelled()) return;
  if (!wanted) {
    if (!sv_.windows.IsEnabled(toolbar)) {
      // A modal dialog is open: PenPlus would not take the close request.
      // The exit confirmation, if it is that dialog, comes forward.
      const WindowId confirm = FindPenDialog(kExitConfirm);
      sv_.windows.Beep();
      if (confirm != 0) sv_.windows.BringForwardAndFlash(confirm);
      return;
    }
    sv_.windows.PostClose(toolbar);
    PenPlus_Dialog_Wait(kExitConfirm);
    return;
  }

  if (settings_.PenPlusPath.empty()) {
    Notify(u8"ペンソフトを検索中...", 0);
    settings_.PenPlusPath = PenPlus_FindInstPath();
    if (saveSettings_) saveSettings_();
  }
  std::uint32_t pid = 0;
  if (!sv_.process.ShellOpen(settings_.PenPlusPath, pid)) {
    Notify(std::string(u8"ペンソフトを起動できません。") + "\r\n" + u8"設定を確認して下さい。");
    return;
  }
  Notify(u8"ペンソフトを起動中...", 0);
  const double quotient = settings_.PenPlusRunTimeOut / static_cast<double>(kPollMs);
  const long tries = quotient > 0 ? std::lround(std::nearbyint(quotient)) : 0;
  for (long i = 0; i < tries && !sv_.windows.Cancelled(); ++i) {
    if (IsToolbarVisible()) break;
    sv_.windows.Sleep(kPollMs);
  }
  // Closing: no command, and no message on a notification that is gone.
  if (sv_.windows.Cancelled()) return;
  // PenPlus's own tool bar is not needed on screen: the printed buttons
  // press its buttons, which stay usable while it is hidden.
  SetToolbarVisible(false);
  Notify(u8"ペンソフトを起動しました。");
}

AnsiString ClassActPenPlus::PenPlus_FindInstPath() {
  const AnsiString folder = sv_.windows.CommonStartMenuFolder();
  if (folder.empty()) return {};
  for (const AnsiString& file : sv_.windows.ListFiles(folder, true)) {
    if (!EndsWithNoCase(file, ".lnk", sv_.isLeadByte)) continue;
    const AnsiString target = sv_.files.GetShortcutInfo(file, kLnkTargetPath);
    // The last 11 characters, not bytes: "...\ケenPlus.exe" is no PenPlus.
    if (!EndsWithNoCase(target, "PenPlus.exe", sv_.isLeadByte)) continue;
    if (EqualsNoCase(sv_.files.GetFileVerInfo(target, kVerProductName), "PenPlus Application", sv_.isLeadByte) &&
        EqualsNoCase(sv_.files.GetFileVerInfo(target, kVerCompanyName), "Plussoft Corporation", sv_.isLeadByte)) {
      return target;
    }
  }
  return {};
}

AnsiString ClassActPenPlus::PenRunningExePath() {
  const WindowId toolbar = FindPenToolbar();
  if (toolbar == 0) return {};
  return sv_.files.GetProcessImagePath(sv_.windows.ProcessId(toolbar));
}

void ClassActPenPlus::RefreshVersion(WindowId toolbar) {
  const AnsiString path =
      toolbar != 0 ? sv_.files.GetProcessImagePath(sv_.windows.ProcessId(toolbar)) : settings_.PenPlusPath;
  version_ = path.empty() ? FixedFileVerInfo{} : sv_.files.GetFixedFileVerInfo(path);
}

std::int16_t ClassActPenPlus::Major() {
  if (!versionRead_) RefreshVersion(versionOf_);
  versionRead_ = true;
  return version_.MajorVersion();
}

// ---- the actions --------------------------------------------------------------

// What a row of the action table does.
enum class PenActionKind {
  kRunOnOff,      // starts PenPlus, or asks it to close
  kToolBarOnOff,  // shows or hides PenPlus's own tool bar
  kPress,         // presses a button; once pressed, brings its dialog forward; else presses the alternative
  kSubPanel,      // opens a sub-panel, presses a button on it, brings its dialog forward, closes the sub-panel
  kCapture,       // presses a button, waits for the button that press brings up and presses that
};

struct PenActionRow {
  const char* name;
  PenActionKind kind;
  Captions button{};       // pressed first (a sub-panel's button from major version 4 on)
  std::int32_t index = 0;  // which of its matches, counted from the last in the tool bar's order
  const char* olderButton = nullptr;  // a sub-panel's button before major version 4
  const char* next = nullptr;         // the button on the sub-panel, or the one the capture button brings up
  const char* dialog = nullptr;       // the dialog the press opens, brought forward
  const char* otherwise = nullptr;    // pressed when button was not (another version's caption)
  std::uint8_t sheets = 0;            // the sheet states (a bit each) the action runs in; 0: every one
  // Before major version 4, pressed first while the sheet is hidden (1),
  // which is then awaited transparent (3).
  Captions sheetFirst{};
  std::int32_t sheetFirstIndex = 0;

  constexpr PenActionRow Dialog(const char* caption) const {
    PenActionRow r = *this;
    r.dialog = caption;
    return r;
  }
  constexpr PenActionRow Otherwise(const char* caption) const {
    PenActionRow r = *this;
    r.otherwise = caption;
    return r;
  }
  constexpr PenActionRow InSheets(int a, int b) const {
    PenActionRow r = *this;
    r.sheets = static_cast<std::uint8_t>((1u << a) | (1u << b));
    return r;
  }
  constexpr PenActionRow SheetShownFirstBy(Captions captions, std::int32_t which) const {
    PenActionRow r = *this;
    r.sheetFirst = captions;
    r.sheetFirstIndex = which;
    return r;
  }
};

namespace {

constexpr PenActionRow PressRow(const char* name, Captions button, std::int32_t index = 0) {
  return PenActionRow{name, PenActionKind::kPress, button, index};
}
constexpr PenActionRow SubPanelRow(const char* name, const char* button, const char* olderButton, const char* target,
                                   const char* dialog) {
  PenActionRow r{name, PenActionKind::kSubPanel, {button}};
  r.olderButton = olderButton;
  r.next = target;
  r.dialog = dialog;
  return r;
}
constexpr PenActionRow CaptureRow(const char* name, const char* button, const char* then) {
  PenActionRow r{name, PenActionKind::kCapture, {button}};
  r.next = then;
  return r;
}

constexpr Captions kPen{u8"ペン", u8"マーカー"};  // the pen shows either

// Every action of the group, in the order of the action list.
constexpr PenActionRow kActions[] = {
    {"RunOnOff", PenActionKind::kRunOnOff},
    {"ToolBarOnOff", PenActionKind::kToolBarOnOff},
    // Older versions zoom only on a shown sheet: the pen brings it up.
    PressRow("Btn.AreaZoom", {u8"領域拡大"}).SheetShownFirstBy(kPen, 1),
    PressRow("Btn.Mouse", {u8"マウス"}),
    PressRow("Btn.Pen1", kPen, 1),
    PressRow("Btn.PenSetting1", {u8"ペンの設定"}, 1).Dialog(u8"ペンの設定"),
    PressRow("Btn.FigPen", {u8"図形ペン"}),
    PressRow("Btn.FigPenSetting", {u8"図形ペンの設定"}).Dialog(u8"図形ペンの設定"),
    PressRow("Btn.Eraser", {u8"消しゴム"}),
    PressRow("Btn.EraserSetting", {u8"消しゴムの設定"}).Dialog(u8"消しゴムの設定"),
    PressRow("Btn.ChangeSheetMode", {u8"ホワイトボード", u8"透明シート"}),
    PressRow("Btn.PagePrev", {u8"ページ戻し"}),
    PressRow("Btn.PageNext", {u8"ページ送り"}),
    // Some versions clear at once under another caption, without a dialog.
    PressRow("Btn.Clear", {u8"クリア"}).Dialog(u8"クリア").Otherwise(u8"手書き線クリア"),
    // The web links only on a hidden or transparent sheet.
    SubPanelRow("Btn.WebLink", u8"便利機能関連", u8"印刷、設定", u8"Webリンク集", u8"WEBリンク集").InSheets(1, 3),
    SubPanelRow("Btn.FileOpenSave", u8"ファイル関連", u8"ファイル、虫めがね", u8"ファイルの読み込みと保存",
                u8"ファイルの読み込みと保存"),
    CaptureRow("Btn.CaptureSelArea", u8"キャプチャ（画面取込）", u8"指定領域のキャプチャ"),
};

std::vector<std::string> ActionNames() {
  std::vector<std::string> names;
  for (const PenActionRow& row : kActions) names.emplace_back(row.name);
  return names;
}

// The row of exactly this name (nullptr: none; a name that matches the list
// only by ignoring case does nothing).
const PenActionRow* RowNamed(const std::string& name) {
  for (const PenActionRow& row : kActions) {
    if (name == row.name) return &row;
  }
  return nullptr;
}

}  // namespace

void ClassActPenPlus::SubPanelSequence(Captions panelButton, const char* targetButton, const char* dialog) {
  const bool wasOpen = FindPenButtonIn(bar_, {kToolClose}, 0) != 0;
  if (!Press(panelButton)) return;
  WaitPenButton({targetButton});
  Press({targetButton});
  PenPlus_Dialog_Wait(dialog);
  // The dialog now disables the tool bar; the sub-panel opened here is
  // closed all the same.
  if (!wasOpen) ClickIn(bar_, {kToolClose}, 0, true);
}

void ClassActPenPlus::Perform(const PenActionRow& row, WindowId toolbar) {
  switch (row.kind) {
    case PenActionKind::kRunOnOff:
      PenPlus_Run(toolbar == 0);
      return;
    case PenActionKind::kToolBarOnOff:
      SetToolbarVisibleIn(bar_, !Shown(bar_));
      return;
    default:
      break;
  }
  // The sheet state is asked only where the row depends on it: finding the
  // annotation window lists every top-level window.
  if (row.sheets != 0 && (row.sheets & (1u << SheetStateIn(bar_))) == 0) return;
  if (row.sheetFirst.first != nullptr && Major() < 4 && SheetStateIn(bar_) == 1) {
    Press(row.sheetFirst, row.sheetFirstIndex);
    WaitSheetState(3);
  }
  const Captions button = row.olderButton != nullptr && Major() < 4 ? Captions{row.olderButton} : row.button;
  switch (row.kind) {
    case PenActionKind::kPress:
      if (Press(button, row.index)) {
        if (row.dialog != nullptr) PenPlus_Dialog_Wait(row.dialog);
      } else if (row.otherwise != nullptr) {
        Press({row.otherwise});
      }
      break;
    case PenActionKind::kSubPanel:
      SubPanelSequence(button, row.next, row.dialog);
      break;
    case PenActionKind::kCapture:
      if (Press(button)) {
        WaitPenButton({row.next});
        Press({row.next});
      }
      break;
    default:
      break;
  }
}

bool ClassActPenPlus::Action(const std::string& actName) {
  if (!InActionList(list_, actName)) return false;
  stalled_ = false;
  if (sv_.windows.Cancelled()) return false;
  const PenActionRow* row = RowNamed(actName);
  // The one walk of the tool bar that a single press needs.
  WindowId toolbar = Walk().window;
  if ((row == nullptr || row->kind != PenActionKind::kRunOnOff) && toolbar == 0) {
    // Not running: started first, with its messages.
    PenPlus_Run(true);
    if (sv_.windows.Cancelled()) return false;
    toolbar = Walk().window;
    if (toolbar == 0) return false;
  }
  versionOf_ = toolbar;
  versionRead_ = false;
  if (row != nullptr) Perform(*row, toolbar);
  return true;
}

}  // namespace orvanta
