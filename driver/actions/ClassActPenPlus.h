#pragma once
// Group "PenPlus": drives the pen program PenPlus through its windows. The
// driver has no programming interface to it: it finds the tool bar by its
// class, empty caption, owner and three "Afx" children, presses tool bar
// buttons by their captions, waits for the dialogs they open and keeps them
// in front, shows or hides the tool bar through command 2003, and starts the
// program through the shell or asks it to close. What each action does is a
// row of one table (ClassActPenPlus.cpp), which Action runs: its kind (start
// or close, tool bar, press, sub-panel, capture) and its captions, dialog,
// alternative and version and sheet conditions.
//
// Every wait polls 50 ms at a time and is bounded: 5 s for a dialog, a button
// or a sheet state, RunTimeOut for the start. A press goes out as a send with
// a time-out; a press that times out (PenPlus hung) counts as not made and
// ends the action, so a hung PenPlus costs one time-out, not the driver. A
// close request to the driver ends every wait at once, and nothing more is
// sent to PenPlus or shown.
//
// An action walks the tool bar once: it finds the tool bar and reads its
// children with their captions in one go, and presses from that list; only a
// wait looks again, at every poll. Each question about a window of another
// program is a round trip to the window manager (about 15-50 us under Wine),
// and a tool bar has a few dozen children.
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ActionHandler.h"
#include "ClassActCamera.h"
#include "base/AnsiString.h"
#include "base/AsciiText.h"
#include "base/FileInf.h"
#include "base/Notifier.h"
#include "base/Settings.h"

namespace orvanta {

// PenPlus's windows as the Windows shell reaches them. Texts are UTF-8, read
// with a 255-character buffer and cut at the first NUL; paths are ANSI, as
// the INI file keeps them.
class PenPlusPort {
public:
  virtual ~PenPlusPort() = default;
  using WindowId = std::uintptr_t;  // 0: none

  // Top-level windows in the order Windows lists them (top of the z-order
  // first), taken in one piece: a window of the session that opens, closes
  // or changes its place meanwhile cannot cut the list short or hide another.
  // With a class name, only those of exactly that class.
  [[nodiscard]] virtual std::vector<WindowId> TopLevelWindows(const std::string& className) = 0;
  // The first top-level window of the class whose text is empty, in one
  // question (0: none).
  [[nodiscard]] virtual WindowId FirstUntitled(const std::string& className) = 0;
  // Every window inside parent, taken in one piece as above: each direct
  // child in the order Windows lists them (top of the z-order first), followed
  // by its own descendants.
  [[nodiscard]] virtual std::vector<WindowId> Descendants(WindowId parent) = 0;
  // The window a child window lies in.
  [[nodiscard]] virtual WindowId Parent(WindowId window) = 0;
  [[nodiscard]] virtual std::string Text(WindowId window) = 0;
  [[nodiscard]] virtual std::string ClassName(WindowId window) = 0;
  // The owner of a top-level window (0 when it has none).
  [[nodiscard]] virtual WindowId Owner(WindowId window) = 0;
  // Shown on screen (the window and all its ancestors visible).
  [[nodiscard]] virtual bool IsVisible(WindowId window) = 0;
  // The window's own visible style bit, whatever its parent's state.
  [[nodiscard]] virtual bool HasVisibleStyle(WindowId window) = 0;
  [[nodiscard]] virtual bool IsEnabled(WindowId window) = 0;
  [[nodiscard]] virtual std::uint32_t ExStyle(WindowId window) = 0;
  [[nodiscard]] virtual std::uint32_t ProcessId(WindowId window) = 0;

  // kDone: PenPlus took the press. kFailed: it was not delivered (the button
  // is gone, or the system dropped the message). kTimedOut: PenPlus did not
  // answer in time; the system withdraws a press it has not yet taken.
  enum class SendResult { kDone, kFailed, kTimedOut };
  // Presses a button (button-click message, sent and waited for, with a
  // time-out that gives up at once on a window the system knows is hung).
  virtual SendResult Click(WindowId button) = 0;
  // Posts WM_COMMAND with this command identifier and long parameter 0.
  virtual void PostCommand(WindowId window, std::uint16_t command) = 0;
  // Posts WM_CLOSE.
  virtual void PostClose(WindowId window) = 0;
  virtual void SetOwner(WindowId window, WindowId owner) = 0;
  // Above every window that is not top-most; no move, no size.
  virtual void MakeTopMost(WindowId window) = 0;
  // The standard beep.
  virtual void Beep() = 0;
  // To the foreground, then its caption and task-bar button flash three times.
  virtual void BringForwardAndFlash(WindowId window) = 0;
  // Returns at once once the driver is closing.
  virtual void Sleep(std::uint32_t ms) = 0;
  // The driver is closing: a close request came, possibly while an action
  // waits for PenPlus (the driver answers messages sent to it meanwhile).
  [[nodiscard]] virtual bool Cancelled() = 0;

  // The all-users Start Menu folder; the files in a folder and (recursive)
  // its sub-folders, a folder's own files before those of its sub-folders.
  // Hidden and system entries are left out, files and folders alike.
  [[nodiscard]] virtual AnsiString CommonStartMenuFolder() = 0;
  [[nodiscard]] virtual std::vector<AnsiString> ListFiles(const AnsiString& folder, bool recursive) = 0;
};

// What became of a press sent with a time-out, from what the send returned,
// the thread's last error (cleared before the send) and whether the button
// still exists afterwards.
[[nodiscard]] PenPlusPort::SendResult ClickOutcome(bool sendSucceeded, std::uint32_t lastError, bool buttonExists);

// One caption, or two that the same tool bar button shows in turn ("ペン" or
// "マーカー"): a button showing either is a match.
struct Captions {
  const char* first = nullptr;
  const char* second = nullptr;
  [[nodiscard]] bool Has(const std::string& text) const {
    return (first != nullptr && text == first) || (second != nullptr && text == second);
  }
};

// A row of the action table (ClassActPenPlus.cpp): what one action does.
struct PenActionRow;

class ClassActPenPlus : public ActionHandler {
public:
  static constexpr std::uint16_t kToolbarCommand = 2003;
  static constexpr std::uint32_t kPollMs = 50;
  static constexpr int kWaitTries = 100;  // 5 s at 50 ms

  // settings is the driver's live copy (Path, RunTimeOut); saveSettings
  // writes all eight keys.
  struct Services {
    PenPlusPort& windows;
    ProcessPort& process;
    FileInfo& files;
    Notifier& notifier;
    // The lead bytes of the system ANSI code page, in which paths come: the
    // driver hands in the system's own test, tests keep code page 932.
    LeadByteTest isLeadByte = IsCp932LeadByte;
  };
  ClassActPenPlus(MainSettings& settings, std::function<void()> saveSettings, Services services);

  const std::vector<std::string>& ActionList() const override { return list_; }
  bool Action(const std::string& actName) override;

  using WindowId = PenPlusPort::WindowId;

  // The operations on PenPlus (public for the tests and the benchmark). Each
  // looks at PenPlus's windows afresh.
  [[nodiscard]] WindowId FindPenMainWindow();
  [[nodiscard]] WindowId FindPenToolbar() { return Walk().window; }
  [[nodiscard]] bool PenIsRunning() { return FindPenToolbar() != 0; }
  [[nodiscard]] bool IsToolbarVisible() { return Shown(Walk()); }
  void SetToolbarVisible(bool wanted) { SetToolbarVisibleIn(Walk(), wanted); }
  [[nodiscard]] WindowId FindPenButton(Captions captions, std::int32_t index = 0) {
    return FindPenButtonIn(Walk(), captions, index);
  }
  bool ClickPenButton(Captions captions, std::int32_t index, bool allowDisabled) {
    return ClickIn(Walk(), captions, index, allowDisabled);
  }
  bool WaitPenButton(Captions captions, std::int32_t index = 0);
  [[nodiscard]] WindowId FindPenDialog(const std::string& caption);
  bool PenPlus_Dialog_Wait(const std::string& caption);
  [[nodiscard]] int GetSheetState() { return SheetStateIn(Walk()); }
  bool WaitSheetState(int state);
  void PenPlus_Run(bool wanted);
  [[nodiscard]] AnsiString PenPlus_FindInstPath();
  [[nodiscard]] AnsiString PenRunningExePath();
  // As last read (an action reads it only when one of its rules needs it).
  [[nodiscard]] std::int16_t MajorVersion() const { return version_.MajorVersion(); }

private:
  // The tool bar as one walk found it: the window (0: none) and every window
  // inside it with its text, in the order Windows lists them.
  struct ToolbarView {
    WindowId window = 0;
    std::vector<std::pair<WindowId, std::string>> inside;
  };
  // Finds the tool bar and reads what is inside it; the view is kept for the
  // presses that follow until the next walk.
  const ToolbarView& Walk();
  // Whether candidate is the tool bar; bar_ then holds what is inside it.
  // untitled: its text is known to be empty.
  [[nodiscard]] bool IsToolbar(WindowId candidate, bool untitled);
  [[nodiscard]] bool Shown(const ToolbarView& bar) { return bar.window != 0 && sv_.windows.IsVisible(bar.window); }
  void SetToolbarVisibleIn(const ToolbarView& bar, bool wanted);
  [[nodiscard]] WindowId FindPenButtonIn(const ToolbarView& bar, Captions captions, std::int32_t index);
  bool ClickIn(const ToolbarView& bar, Captions captions, std::int32_t index, bool allowDisabled);
  [[nodiscard]] int SheetStateIn(const ToolbarView& bar);
  // A press within an action, from the action's last walk.
  bool Press(Captions captions, std::int32_t index = 0) { return ClickIn(bar_, captions, index, false); }
  // Carries out the row's steps on the tool bar of the action's walk.
  void Perform(const PenActionRow& row, WindowId toolbar);
  void SubPanelSequence(Captions panelButton, const char* targetButton, const char* dialog);
  // From the running program whose tool bar this is, else from Path.
  void RefreshVersion(WindowId toolbar);
  // The major version of the PenPlus the action drives, read the first time
  // a rule of the action asks for it: most actions press the same caption
  // in every version, and reading it is a few questions to the system.
  [[nodiscard]] std::int16_t Major();
  // Nothing more is sent or waited for: PenPlus did not answer a press, or
  // the driver is closing.
  [[nodiscard]] bool Halted() { return stalled_ || sv_.windows.Cancelled(); }
  // Shown unless the driver is closing (its notification window is gone).
  void Notify(const std::string& text, std::int32_t timeoutMs = -1);

  // The names of the action table's rows, in its order.
  const std::vector<std::string> list_;
  MainSettings& settings_;
  std::function<void()> saveSettings_;
  Services sv_;
  FixedFileVerInfo version_;
  // The tool bar whose program's version Major reads (0: from Path), and
  // whether it has been read in this action.
  WindowId versionOf_ = 0;
  bool versionRead_ = false;
  ToolbarView bar_;
  // Set when a press timed out: PenPlus does not answer, and the rest of the
  // action (further presses and waits) is skipped.
  bool stalled_ = false;
};

}  // namespace orvanta
