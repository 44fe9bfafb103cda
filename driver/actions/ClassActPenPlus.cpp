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

bool InCaptions(ClassActPenPlus::Captions captions, const std::string& text) {
  for (const char* c : captions) {
    if (text == c) return true;
  }
  return false;
}

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
    : settings_(settings), saveSettings_(std::move(saveSettings)), sv_(services) {}

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
  if (first != 0 && IsToolbar(first)) return bar_;
  for (const WindowId w : sv_.windows.TopLevelWindows(kDialogClass)) {
    if (w != first && IsToolbar(w)) return bar_;
  }
  bar_ = ToolbarView{};
  return bar_;
}

bool ClassActPenPlus::IsToolbar(WindowId candidate) {
  PenPlusPort& port = sv_.windows;
  if (!port.Text(candidate).empty()) return false;
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
    if (InCaptions(captions, text) && port.Parent(w) == bar.window && port.HasVisibleStyle(w) &&
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
  if (MajorVersion() >= 4 && FindPenButtonIn(bar, {u8"ホワイトボード"}, 0) != 0) return 3;
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

// ---- the actions --------------------------------------------------------------

void ClassActPenPlus::SubPanel(const char* panelButton, const char* targetButton, const char* dialog) {
  const bool wasOpen = FindPenButtonIn(bar_, {kToolClose}, 0) != 0;
  if (!Press({panelButton})) return;
  WaitPenButton({targetButton});
  Press({targetButton});
  PenPlus_Dialog_Wait(dialog);
  // The dialog now disables the tool bar; the sub-panel opened here is
  // closed all the same.
  if (!wasOpen) ClickIn(bar_, {kToolClose}, 0, true);
}

bool ClassActPenPlus::Action(const std::string& actName) {
  if (!InActionList(list_, actName)) return false;
  stalled_ = false;
  if (sv_.windows.Cancelled()) return false;
  // The one walk of the tool bar that a single press needs.
  WindowId toolbar = Walk().window;
  if (actName != "RunOnOff" && toolbar == 0) {
    // Not running: started first, with its messages.
    PenPlus_Run(true);
    if (sv_.windows.Cancelled()) return false;
    toolbar = Walk().window;
    if (toolbar == 0) return false;
  }
  RefreshVersion(toolbar);
  const bool v4 = MajorVersion() >= 4;

  // What is done is chosen by exact comparison: a name that matched above
  // only by ignoring case does nothing more.
  const std::string& a = actName;
  if (a == "RunOnOff") {
    PenPlus_Run(toolbar == 0);
  } else if (a == "ToolBarOnOff") {
    SetToolbarVisibleIn(bar_, !Shown(bar_));
  } else if (a == "Btn.AreaZoom") {
    if (!v4 && SheetStateIn(bar_) == 1) {
      // Older versions zoom only on a shown sheet: the pen brings it up.
      Press({u8"ペン", u8"マーカー"}, 1);
      WaitSheetState(3);
    }
    Press({u8"領域拡大"});
  } else if (a == "Btn.Mouse") {
    Press({u8"マウス"});
  } else if (a == "Btn.Pen1") {
    Press({u8"ペン", u8"マーカー"}, 1);
  } else if (a == "Btn.PenSetting1") {
    if (Press({u8"ペンの設定"}, 1)) PenPlus_Dialog_Wait(u8"ペンの設定");
  } else if (a == "Btn.FigPen") {
    Press({u8"図形ペン"});
  } else if (a == "Btn.FigPenSetting") {
    if (Press({u8"図形ペンの設定"})) PenPlus_Dialog_Wait(u8"図形ペンの設定");
  } else if (a == "Btn.Eraser") {
    Press({u8"消しゴム"});
  } else if (a == "Btn.EraserSetting") {
    if (Press({u8"消しゴムの設定"})) PenPlus_Dialog_Wait(u8"消しゴムの設定");
  } else if (a == "Btn.ChangeSheetMode") {
    Press({u8"ホワイトボード", u8"透明シート"});
  } else if (a == "Btn.PagePrev") {
    Press({u8"ページ戻し"});
  } else if (a == "Btn.PageNext") {
    Press({u8"ページ送り"});
  } else if (a == "Btn.Clear") {
    // Some versions clear at once under another caption, without a dialog.
    if (Press({u8"クリア"})) {
      PenPlus_Dialog_Wait(u8"クリア");
    } else {
      Press({u8"手書き線クリア"});
    }
  } else if (a == "Btn.WebLink") {
    const int sheet = SheetStateIn(bar_);
    if (sheet == 1 || sheet == 3) {
      SubPanel(v4 ? u8"便利機能関連" : u8"印刷、設定", u8"Webリンク集", u8"WEBリンク集");
    }
  } else if (a == "Btn.FileOpenSave") {
    SubPanel(v4 ? u8"ファイル関連" : u8"ファイル、虫めがね", u8"ファイルの読み込みと保存", u8"ファイルの読み込みと保存");
  } else if (a == "Btn.CaptureSelArea") {
    if (Press({u8"キャプチャ（画面取込）"})) {
      WaitPenButton({u8"指定領域のキャプチャ"});
      Press({u8"指定領域のキャプチャ"});
    }
  }
  return true;
}

}  // namespace orvanta
