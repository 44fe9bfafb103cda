#include "FormMain.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>

#include "ModuleSound.h"
#include "actions/ClassActCamera.h"
#include "actions/ClassActPenPlus.h"
#include "actions/ClassActTpdrv.h"
#include "base/win/FaultLog.h"
#include "core/DriverCommand.h"
#include "serial/win/D2xxLibrary.h"
#include "base/AsciiText.h"
#include "identities/WindowIdentities.h"
#include "wincommon/Security.h"
#include "wincommon/Text.h"

namespace orvanta::win {

namespace {

// How long a second start waits for a first driver that shows no window.
constexpr ULONGLONG kInstanceWaitMs = 10000;

enum ControlId : WORD { kIdTextLinkExecute = 100, kIdCommandSetting, kIdCommandDetailCal };

// The main window's controls, in twips as the form was designed. The link
// text box, a window class of its own, is made beside the table.
constexpr ControlSpec kMainControls[] = {
    {kIdCommandSetting, L"BUTTON", L"Setting", BS_PUSHBUTTON | WS_TABSTOP, 0, 240, 840, 1560, 420},
    {kIdCommandDetailCal, L"BUTTON", L"DetailCal", BS_PUSHBUTTON | WS_TABSTOP, 0, 1920, 840, 1560, 420},
};
constexpr RECT kTextBoxTwips = {240, 240, 240 + 3240, 240 + 360};
constexpr Form::Design kMainDesign{identity::kFormClass, WS_CAPTION | WS_SYSMENU | WS_BORDER | WS_MINIMIZEBOX, 0,
                                   3900, 2000, kMainControls, std::size(kMainControls), 0, 9};

RECT TwipsRect(const RECT& twips, int dpi) {
  return RECT{wincommon::TwipsToPixels(twips.left, dpi), wincommon::TwipsToPixels(twips.top, dpi),
              wincommon::TwipsToPixels(twips.right, dpi), wincommon::TwipsToPixels(twips.bottom, dpi)};
}

}  // namespace

// ---- AppWindow -------------------------------------------------------------

bool AppWindow::Create() {
  CreateArgs args;
  args.className = identity::kAppClass;
  args.title = identity::kDriverTitle;
  args.style = WS_POPUP;
  args.x = args.y = args.width = args.height = 0;
  return Window::Create(args);
}

bool AppWindow::OnClose() {
  form_.Unload();
  return true;
}

LRESULT AppWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_WTSSESSION_CHANGE:
      form_.OnSessionChange(wp, lp);
      return 0;
    case WM_POWERBROADCAST:
      // Sent on every resume, whether or not a user woke the machine.
      if (wp == PBT_APMRESUMEAUTOMATIC) form_.OnResume();
      return TRUE;
    default:
      return Window::HandleMessage(msg, wp, lp);
  }
}

// ---- LinkTextBox -----------------------------------------------------------

bool LinkTextBox::Create(HWND parent, const RECT& r) {
  CreateArgs args;
  args.className = identity::kTextBoxClass;
  args.title = identity::kLinkBoxName;
  args.style = WS_CHILD | WS_VISIBLE | WS_BORDER;
  args.x = r.left;
  args.y = r.top;
  args.width = r.right - r.left;
  args.height = r.bottom - r.top;
  args.parent = parent;
  args.background = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  if (!Window::Create(args)) return false;
  ::SetWindowLongPtrW(hwnd(), GWLP_ID, kIdTextLinkExecute);
  return true;
}

void LinkTextBox::SetContents(const std::wstring& text) {
  contents_ = text;
  if (hwnd()) ::InvalidateRect(hwnd(), nullptr, TRUE);
  form_.TextLinkExecute_Change();
}

LRESULT LinkTextBox::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SETTEXT:
      // The contents change; the window name that searches compare does not.
      SetContents(lp ? reinterpret_cast<const wchar_t*>(lp) : L"");
      return TRUE;
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(contents_.size());
    case WM_GETTEXT: {
      if (wp == 0 || !lp) return 0;
      const size_t n = std::min<size_t>(contents_.size(), static_cast<size_t>(wp) - 1);
      auto* out = reinterpret_cast<wchar_t*>(lp);
      contents_.copy(out, n);
      out[n] = L'\0';
      return static_cast<LRESULT>(n);
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      const HDC dc = ::BeginPaint(hwnd(), &ps);
      RECT rc;
      ::GetClientRect(hwnd(), &rc);
      ::InflateRect(&rc, -2, -1);
      const HGDIOBJ old = ::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT));
      ::SetBkMode(dc, TRANSPARENT);
      ::DrawTextW(dc, contents_.c_str(), static_cast<int>(contents_.size()), &rc,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
      ::SelectObject(dc, old);
      ::EndPaint(hwnd(), &ps);
      return 0;
    }
    default:
      return Window::HandleMessage(msg, wp, lp);
  }
}

// ---- MainWindow ------------------------------------------------------------

MainWindow::MainWindow(FormMain& form) : Form(kMainDesign), form_(form), textLinkExecute_(form) {}

bool MainWindow::Create(HWND owner) {
  // Owned by the hidden application window: owned windows get no task-bar
  // button, which keeps the driver off the task list. It stays hidden
  // unless "Cmd_Debug" shows it.
  return CreateForm(owner, identity::kDriverCaption, Placement::SystemDefault) &&
         textLinkExecute_.Create(hwnd(), TwipsRect(kTextBoxTwips, Dpi()));
}

void MainWindow::OnDpiChanged() {
  const RECT r = TwipsRect(kTextBoxTwips, Dpi());
  ::MoveWindow(textLinkExecute_.hwnd(), r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

bool MainWindow::OnCommand(WORD id, WORD code, HWND) {
  if (code != BN_CLICKED) return false;
  if (id == kIdCommandSetting) {
    form_.Cmd_Setting(nullptr, false);
    return true;
  }
  if (id == kIdCommandDetailCal) {
    form_.CommandDetailCal_Click();
    return true;
  }
  return false;
}

bool MainWindow::OnClose() {
  // Closing the (debug-shown) main window only hides it; the driver runs on.
  ::ShowWindow(hwnd(), SW_HIDE);
  return true;
}

// ---- FormMain --------------------------------------------------------------

FormMain::FormMain() : appWindow_(*this), mainWindow_(*this) {
  // Before anything loads: the common controls library.
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&icc);
}

FormMain::~FormMain() { Unload(); }

wincommon::KernelHandle FormMain::ClaimSingleInstance(const wchar_t* name) {
  // The driver's thread owns the name until its process has ended. A driver
  // whose application window is there is running: a second one ends at once.
  // Without that window the first one is starting or shutting down; the
  // second waits, for a bounded time, for the first to start (then it ends)
  // or to end (then it takes over), so that a driver restarted during the
  // first one's shutdown is not lost.
  //
  // The name is the user's whatever rights the driver runs with: a driver
  // started elevated (from an elevated setup) would otherwise make it with
  // the elevated token's defaults, which leave the user out and label it
  // high, and the same user's normal start could not even open it. (Wine has
  // no split tokens and no integrity levels; there every start of the user
  // opens the name.) A name made before with other rights, which this start
  // may only wait on, follows the same rules as one it could open.
  wincommon::UserObjectSecurity security;
  wincommon::KernelHandle mutex(::CreateMutexW(security.Attributes(), TRUE, name));
  DWORD error = ::GetLastError();
  if (!mutex && error == ERROR_ACCESS_DENIED) {
    mutex.reset(::OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name));
    if (!mutex) mutex.reset(::OpenMutexW(SYNCHRONIZE, FALSE, name));
    error = ERROR_ALREADY_EXISTS;
  }
  if (!mutex || error != ERROR_ALREADY_EXISTS) return mutex;
  const ULONGLONG deadline = ::GetTickCount64() + kInstanceWaitMs;
  while (::FindWindowW(identity::kAppClass, identity::kDriverTitle) == nullptr && ::GetTickCount64() < deadline) {
    const DWORD got = ::WaitForSingleObject(mutex.get(), 50);
    if (got == WAIT_OBJECT_0 || got == WAIT_ABANDONED) return mutex;
  }
  mutex.reset();
  return mutex;
}

void FormMain::ReleaseSingleInstance(wincommon::KernelHandle& claim) {
  // Closing the handle alone would keep the name owned until this thread
  // ends, and a process can linger in its exit (a sound device that does
  // not let go of a thread): the next start would wait and give up.
  if (claim) ::ReleaseMutex(claim.get());
  claim.reset();
}

bool FormMain::Load() {
  // 1. The previous-instance test ran before the form was made (WinMain).
  // 2. Off the task list: the application window stays hidden and the main
  //    window is owned by it.
  if (!appWindow_.Create() || !mainWindow_.Create(appWindow_.hwnd())) return false;
  // Without its timers the driver could neither poll the panel nor keep the
  // connection: it ends like one whose windows cannot be made.
  if (!timerConnectCheck_.Valid() || !timerForD2xxRxCheck_.Valid() || !timerBlkRcvTimeOut_.Valid() ||
      !timerDblClick_.Valid()) {
    return false;
  }

  // 3. The click sound beside the driver.
  const std::wstring folder = wincommon::ModuleFolder();
  const std::wstring name = wincommon::ModuleBaseName();
  clickSoundPath_ = JoinPath(folder, name + L".wav");
  clickSound_ = std::make_unique<ClickSound>(clickSoundPath_);

  const std::string folderUtf8 = wincommon::WideToUtf8(folder);
  const std::string nameUtf8 = wincommon::WideToUtf8(name);
  DriverCore::Paths paths{IniFilePath(folderUtf8, nameUtf8), JoinPath(folderUtf8, "Data"),
                          JoinPath(folderUtf8, nameUtf8 + ".dat")};
  iniFile_ = paths.iniFile;
  // The notification window and the action handlers come first: the
  // handlers are handed to the driver core ready made.
  formInfo_ = std::make_unique<FormInfo>(settings_);
  DriverCore::Timers timers{timerConnectCheck_, timerForD2xxRxCheck_, timerBlkRcvTimeOut_, timerDblClick_,
                            &timerForD2xxRxCheck_};
  DriverCore::Platform platform;
  platform.d2xx = [] { return LoadD2xxLibrary(); };
  platform.playClickSound = [this] { clickSound_->Play(); };
  platform.reportHandled = [this] { clickSound_->Release(); };
  platform.setPriorityClass = [](std::uint32_t cls) { ::SetPriorityClass(::GetCurrentProcess(), cls); };
  platform.actions = MakeActionFactories();
  platform.buttonResFiles = &buttonResFiles_;
  // What the driver survives without anyone to tell goes beside the INI file.
  platform.recordFault = [log = std::make_shared<FaultLog>(JoinPath(folder, name + L".log"))](const std::string& what) {
    log->Record(what);
  };
  core_ = std::make_unique<DriverCore>(store_, settings_, std::move(paths), timers, std::move(platform));
  core_->OnPortOpenCloseChange.push_back([this] {
    if (formSetting_) formSetting_->OnPortOpenCloseChange();
  });

  // 4.-8. Panel data, link, settings, priority, settings written back, and
  //       the connection timer with its first tick at once (not in a
  //       session away from the console: the session watch comes first).
  sessionWatch_.Start(appWindow_.hwnd(), *core_);
  core_->Start();
  return true;
}

void FormMain::OnResume() {
  if (!unloaded_ && core_) core_->OnResume();
}

ClassButtonAction::Factories FormMain::MakeActionFactories() {
  // The pen and calibration-set handlers write all eight settings back.
  const auto save = [this] { SaveSettings(store_, iniFile_, settings_); };
  ClassButtonAction::Factories f;
  f.penPlus = [this, save] {
    return std::make_unique<ClassActPenPlus>(settings_, save,
                                             ClassActPenPlus::Services{penPlusPort_, processPort_, fileInf_, *formInfo_,
                                                                      wincommon::IsAnsiLeadByte});
  };
  f.tpdrv = [this, save] { return std::make_unique<ClassActTpdrv>(settings_, save, tpdrvPort_, *formInfo_); };
  f.camera = [this] { return std::make_unique<ClassActCamera>(settings_, processPort_, *formInfo_); };
  return f;
}

void FormMain::Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  // 1. The link: the device is closed and polling stops.
  sessionWatch_.Stop();
  if (core_) core_->Shutdown();
  // 2. Every other form. The close request may arrive while an action waits
  // for PenPlus or sends to another program (both answer messages sent to
  // the driver), so the action's objects stay until the form goes: the
  // notification only leaves the screen, and PenPlus's waits end.
  penPlusPort_.Cancel();
  if (formInfo_) formInfo_->Close();
  // Windows only: a modal calibration's loop may still be on the stack and
  // returns once its window is gone; the objects go with the form.
  if (formCal_) formCal_->Destroy();
  if (formSetting_) formSetting_->Destroy();
  if (formDetailCal_) formDetailCal_->Destroy();
  mainWindow_.Destroy();
  appWindow_.Destroy();
  // 3. The process ends when the message loop sees this.
  ::PostQuitMessage(0);
}

void FormMain::TextLinkExecute_Change() {
  LinkTextBox& box = mainWindow_.TextLinkExecute();
  const std::wstring text = box.Contents();
  if (text.empty()) return;
  // Emptying the box is itself a change; the nested call finds it empty.
  box.SetContents(L"");
  switch (ReadDriverCommand(text)) {
    case DriverCommand::Setting:
      Cmd_Setting(nullptr, false);
      break;
    case DriverCommand::Debug: {
      const HWND main = mainWindow_.hwnd();
      ::ShowWindow(main, ::IsWindowVisible(main) ? SW_HIDE : SW_SHOW);
      break;
    }
    case DriverCommand::Exit:
      Unload();
      break;
    case DriverCommand::None:
      break;
  }
}

void FormMain::Cmd_Setting(HWND ownerForm, bool modal) {
  if (unloaded_ || !core_) return;
  if (!formSetting_) {
    formSetting_ = wincommon::MakeWindow<FormSetting>(FormSetting::Services{
        store_, iniFile_, fileInf_, [this](HWND owner) { Cmd_Cal(owner, true); }, core_->OnRecvTouchPoint,
        [this] { return core_->IsPortOpen(); }, [this] { core_->LoadSettings(); }});
  }
  formSetting_->Show(ownerForm, modal);
}

void FormMain::Cmd_Cal(HWND ownerForm, bool modal) {
  if (unloaded_ || !core_) return;
  if (formCal_ && formCal_->hwnd()) {
    // One calibration at a time. A modal caller (the settings dialog) goes
    // on only once the open one has ended, as after its own.
    if (modal) {
      formCal_->WaitWhileOpen(ownerForm);
    } else {
      formCal_->BringForward();
    }
    return;
  }
  formCal_ = wincommon::MakeWindow<FormCal>(Parts());
  formCal_->onUnloaded = [this] {
    if (formDetailCal_) formDetailCal_->Refresh();
  };
  formCal_->Show(ownerForm, modal);
}

void FormMain::CommandDetailCal_Click() {
  if (unloaded_ || !core_) return;
  if (!formDetailCal_) {
    // Modeless and without an owner; "New Cal Data" opens the calibration
    // over it.
    formDetailCal_ = wincommon::MakeWindow<FormDetailCal>(Parts(), [this](HWND owner) { Cmd_Cal(owner, false); });
  }
  formDetailCal_->ShowOrRestore();
}

}  // namespace orvanta::win
