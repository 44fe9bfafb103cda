#pragma once
// The driver's main form: the hidden windows that carry its identities (the
// application window other programs close, the main window with the link text
// box), the timers, and the Windows services behind the driver core.
#include <windows.h>

#include <memory>
#include <string>

#include "ModuleSound.h"
#include "SessionWatch.h"
#include "base/win/Forms.h"
#include "base/win/WinProfileStore.h"
#include "base/win/WinTimers.h"
#include "actions/win/FormInfo.h"
#include "actions/win/PenPlusPortWin.h"
#include "actions/win/ProcessPortWin.h"
#include "actions/win/TouchDataPortWin.h"
#include "core/DriverCore.h"
#include "identities/WindowIdentities.h"
#include "panel/PanelParts.h"
#include "panel/win/ButtonResFilesWin.h"
#include "panel/win/FormCal.h"
#include "panel/win/FormDetailCal.h"
#include "settings/win/FormSetting.h"
#include "settings/win/ModuleFileInf.h"
#include "wincommon/Com.h"
#include "wincommon/Window.h"

namespace orvanta::win {

class FormMain;

// Hidden top-level window of class "ThunderRT6Main" titled "Orvanta": the
// uninstaller closes the driver by sending it WM_CLOSE. Being top-level, it
// also gets the session notifications and the power broadcasts.
class AppWindow : public wincommon::Window {
public:
  explicit AppWindow(FormMain& form) : form_(form) {}
  [[nodiscard]] bool Create();

private:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  bool OnClose() override;
  FormMain& form_;
};

// The link text box, class "ThunderRT6TextBox". Senders find it by the window
// name "TextLinkExecute" and set its text; the window name must stay
// "TextLinkExecute" whatever the contents. Window searches (FindWindowEx)
// compare the window's own name, which DefWindowProc's WM_SETTEXT replaces, so
// the box keeps its contents apart and never hands WM_SETTEXT on. (A box made
// by superclassing EDIT loses the name on the first WM_SETTEXT, as seen under
// Wine.)
class LinkTextBox : public wincommon::Window {
public:
  explicit LinkTextBox(FormMain& form) : form_(form) {}
  [[nodiscard]] bool Create(HWND parent, const RECT& rect);
  [[nodiscard]] const std::wstring& Contents() const { return contents_; }
  void SetContents(const std::wstring& text);

private:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  FormMain& form_;
  std::wstring contents_ = identity::kLinkBoxName;
};

// Hidden main window, class "ThunderRT6FormDC", caption "OrvantaPanelDriver".
class MainWindow : public Form {
public:
  explicit MainWindow(FormMain& form);
  [[nodiscard]] bool Create(HWND owner);
  [[nodiscard]] LinkTextBox& TextLinkExecute() { return textLinkExecute_; }

private:
  bool OnCommand(WORD id, WORD code, HWND control) override;
  bool OnClose() override;
  void OnDpiChanged() override;
  FormMain& form_;
  LinkTextBox textLinkExecute_;
};

class FormMain {
public:
  // The name a driver holds while it runs, one per user's session.
  static constexpr const wchar_t* kInstanceName = L"Local\\Orvanta.PanelDriver.Instance";

  // The previous-instance test, made before the form (and any of its
  // windows, timers included) exists: a second start must end without
  // having made a single window. Returns the instance token to keep for the
  // life of the process, or an empty one when another driver runs. (Tests
  // claim names of their own.)
  [[nodiscard]] static wincommon::KernelHandle ClaimSingleInstance(const wchar_t* name = kInstanceName);
  // Gives the name up for the next start, once the form is gone.
  static void ReleaseSingleInstance(wincommon::KernelHandle& claim);

  FormMain();
  ~FormMain();
  FormMain(const FormMain&) = delete;
  FormMain& operator=(const FormMain&) = delete;

  // Start-up after the single-instance claim; false when the windows or
  // the timers cannot be made.
  [[nodiscard]] bool Load();
  // Shutdown: the link is released, every form closed, the message loop ends.
  void Unload();
  // The driver's message loop, with the serial link's poll tick; until the
  // driver is unloaded.
  int Run() { return RunMessageLoop(timerForD2xxRxCheck_); }

  void TextLinkExecute_Change();
  [[nodiscard]] DriverCore& Core() { return *core_; }
  // WM_WTSSESSION_CHANGE and the resume of WM_POWERBROADCAST.
  void OnSessionChange(WPARAM code, LPARAM sessionId) { sessionWatch_.OnSessionChange(code, sessionId); }
  void OnResume();

  // Opens the calibration dialog owned by ownerForm; with modal, returns
  // when it has closed. An open one is brought to the front instead, and a
  // modal caller waits until it has closed, with ownerForm disabled as if
  // the calibration were its own.
  void Cmd_Cal(HWND ownerForm, bool modal);
  // Opens the settings dialog owned by ownerForm, attached to the driver
  // core; an open one is brought forward instead.
  void Cmd_Setting(HWND ownerForm, bool modal);
  // The main window's "DetailCal" button: the calibration view, the same
  // window again while it is open.
  void CommandDetailCal_Click();

private:
  ClassButtonAction::Factories MakeActionFactories();
  [[nodiscard]] PanelParts Parts() {
    return PanelParts{core_->ClsPanelData(), core_->ClsButtonRes(), core_->OnRecvTouchPoint};
  }

  // OLE on the driver's thread before anything else, gone after everything
  // else: the shell may hand a start (ShellExecuteEx) to extensions that
  // need an apartment, and the selection dialog takes dropped files.
  wincommon::OleScope ole_;
  WinProfileStore store_;
  // The live settings every part reads; the driver core loads and saves them.
  MainSettings settings_;
  MessageTimer timerConnectCheck_;
  FastTimer timerForD2xxRxCheck_;
  MessageTimer timerBlkRcvTimeOut_;
  MessageTimer timerDblClick_;
  std::wstring clickSoundPath_;
  // Made at load; outlives the driver core, whose presses ask for it.
  std::unique_ptr<ClickSound> clickSound_;
  // Made before the driver core, whose action handlers report to it.
  std::unique_ptr<FormInfo> formInfo_;
  ButtonResFilesWin buttonResFiles_;
  std::string iniFile_;
  TouchDataPortWin tpdrvPort_;
  ProcessPortWin processPort_;
  PenPlusPortWin penPlusPort_;
  ModuleFileInf fileInf_;
  std::unique_ptr<DriverCore> core_;
  // Their windows go before the objects (WindowPtr), so that each form's
  // own unloading runs.
  wincommon::WindowPtr<FormCal> formCal_;
  wincommon::WindowPtr<FormDetailCal> formDetailCal_;
  wincommon::WindowPtr<FormSetting> formSetting_;
  AppWindow appWindow_;
  MainWindow mainWindow_;
  SessionWatch sessionWatch_;
  bool unloaded_ = false;
};

}  // namespace orvanta::win
