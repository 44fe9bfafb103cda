#pragma once
// The driver's main form without its windows: start-up, configuration, the
// connection to the panel, the receive path and the touch handling. The
// Windows shell (FormMain) supplies the timers, the panel library, the live
// settings and the action handlers, and owns the windows that carry the
// driver's identities.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Receiver.h"
#include "TouchHandler.h"
#include "actions/ClassButtonAction.h"
#include "base/FaultRecord.h"
#include "base/ProfileStore.h"
#include "base/Settings.h"
#include "base/TouchEvent.h"
#include "base/UiTimer.h"
#include "base/WakeSignal.h"
#include "serial/ClassFNTD2XX.h"
#include "panel/ClassButtonRes.h"
#include "panel/ClassPanelData.h"

namespace orvanta {

// What Windows tells a program about its session (WM_WTSSESSION_CHANGE), by
// the numbers Windows gives them.
enum class SessionChange : std::uint32_t {
  ConsoleConnect = 1,     // the session is at the console (again)
  ConsoleDisconnect = 2,  // another session took the console (user switching)
  RemoteConnect = 3,      // a remote desktop client took this session
  RemoteDisconnect = 4,
  Logon = 5,
  Logoff = 6,
  Lock = 7,
  Unlock = 8,
  RemoteControl = 9,
};

class DriverCore {
public:
  // The panel answers to this description; line settings and start-up bytes.
  static constexpr const char* kPanelDescription = "Orvanta TouchPanel";
  static constexpr const char* kLineSettings = "38400,0,8,2";
  static constexpr const char* kStartupCommands = "\rJ1\rTC1\r";
  static constexpr const char* kDataName = "QV-LK2048";
  static constexpr std::uint32_t kConnectIntervalMs = 1000;
  // Reports end with a line feed: with it as the converter's event
  // character a report is handed over as soon as it is complete; the short
  // latency timer bounds the wait for anything else.
  static constexpr std::int32_t kEventChar = '\n';
  static constexpr std::int32_t kLatencyTimerMs = 2;
  // Opens in a row whose line set-up or start-up write the library refused
  // before the link is kept open as it is.
  static constexpr int kSetUpAttempts = 3;

  struct Timers {
    UiTimer& connectCheck;   // TimerConnectCheck
    UiTimer& rxCheck;        // TimerForD2xxRxCheck, handed to the link
    UiTimer& blkRcvTimeOut;  // TimerBlkRcvTimeOut
    UiTimer& dblClick;       // TimerDblClick
    // Set by the panel library when bytes arrive; none: the link polls.
    WakeSignal* rxSignal = nullptr;
  };
  struct Paths {
    std::string iniFile;     // the INI file beside the driver
    std::string dataFolder;  // the driver's folder + "\Data"
    std::string buttonResFile;  // the driver's folder + "\" + program name + ".dat"
  };
  struct Platform {
    D2xxApiLoader d2xx;
    // Asked for at a press, before its action; the click may wait for the
    // press's own work until reportHandled, which comes after every report.
    std::function<void()> playClickSound;
    std::function<void()> reportHandled;
    // Sets the process priority class (a value of PriorityClassFor); the
    // result is ignored.
    std::function<void(std::uint32_t priorityClass)> setPriorityClass;
    // The action handlers of the three groups, made once with the core; a
    // group without one is not routed.
    ClassButtonAction::Factories actions;
    // The button resource file's system; none: no resources.
    ButtonResFiles* buttonResFiles = nullptr;
    // Where faults go that the driver survives; none: they are dropped.
    FaultRecord recordFault;
  };

  // settings: the owner's live copy, which every part reads; the core loads
  // it at start and after the settings dialog.
  DriverCore(ProfileStore& store, MainSettings& settings, Paths paths, Timers timers, Platform platform);
  ~DriverCore();
  DriverCore(const DriverCore&) = delete;
  DriverCore& operator=(const DriverCore&) = delete;

  // Steps after the single-instance test: panel data, link, settings,
  // priority, settings written back, first connection attempt.
  void Start();
  // Releases the link (the device is closed, polling stops).
  void Shutdown();

  void SetPortOpen(bool open);
  [[nodiscard]] bool IsPortOpen() const { return link_.PortOpen(); }

  // The session's state. With another desktop taking the input (the secure
  // desktop) touches reach nothing: no action, no click, no dialog; reports
  // are still read and dropped, so nothing waits to act when the user
  // returns. Locked or away from the console (another user switched in, a
  // remote client took the session), the panel is released, for the session
  // now at the console or the one whose user is to unlock, and not reopened
  // until this one is unlocked and at the console again; then at once. A
  // change told before Start holds from the start.
  void OnSessionChange(SessionChange change);
  void SetOtherDesktopActive(bool active);
  [[nodiscard]] bool TouchesHeld() const { return locked_ || otherDesktop_; }
  // Back from sleep or hibernation: the panel may have lost power and with it
  // the modes its start-up commands set, while the library's handle still
  // answers. The link is opened afresh at once, which sends them again.
  void OnResume();

  // Settings: the live copy every part reads; Save writes all eight keys.
  [[nodiscard]] MainSettings& Settings() { return settings_; }
  void LoadSettings();
  void SaveSettings();

  // OnRecvTouchPoint: subscribers may set Cancel to keep the touch from the
  // driver's own handling.
  TouchEvent OnRecvTouchPoint;
  // OnPortOpenCloseChange: raised when the link's open state changed.
  std::vector<std::function<void()>> OnPortOpenCloseChange;

  [[nodiscard]] ClassPanelData& ClsPanelData() { return panel_; }
  [[nodiscard]] ClassButtonRes& ClsButtonRes() { return buttonRes_; }
  [[nodiscard]] ClassFNTD2XX& Link() { return link_; }
  [[nodiscard]] Receiver& Rx() { return receiver_; }

private:
  void HandleReportLine(const std::string& line);
  void RaisePortOpenCloseChange();
  // Opens the panel and keeps the connection while the session may have it;
  // closes it and stops the connection check otherwise.
  void FollowSession();
  [[nodiscard]] bool MayHoldPanel() const { return started_ && !locked_ && !awayFromConsole_; }
  // The line set-up and the start-up write of a fresh open: false while the
  // link is to be closed and tried again.
  [[nodiscard]] bool AcceptSetUp(bool lineRefused, bool written);

  ProfileStore& store_;
  Paths paths_;
  Timers timers_;
  Platform platform_;
  MainSettings& settings_;
  ClassPanelData panel_;
  ClassButtonRes buttonRes_;
  ClassFNTD2XX link_;
  SerialSource serialSource_;
  Receiver receiver_;
  ClassButtonAction buttonAction_;
  TouchHandler touch_;
  bool started_ = false;
  bool locked_ = false;
  bool otherDesktop_ = false;
  bool awayFromConsole_ = false;
  int refusedSetUps_ = 0;  // opens in a row whose set-up the library refused
};

}  // namespace orvanta
