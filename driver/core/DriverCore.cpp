#include "DriverCore.h"

namespace orvanta {

DriverCore::DriverCore(ProfileStore& store, MainSettings& settings, Paths paths, Timers timers, Platform platform)
    : store_(store),
      paths_(std::move(paths)),
      timers_(timers),
      platform_(std::move(platform)),
      settings_(settings),
      panel_(store, paths_.dataFolder),
      buttonRes_(platform_.buttonResFiles),
      link_(platform_.d2xx),
      serialSource_(link_),
      receiver_(serialSource_, timers_.blkRcvTimeOut, [this](const std::string& line) { HandleReportLine(line); }),
      buttonAction_(std::move(platform_.actions)),
      touch_(panel_, timers_.dblClick,
             TouchHandler::Hooks{
                 [this] {
                   if (platform_.playClickSound) platform_.playClickSound();
                 },
                 [this](const AnsiString& text, int index) { return buttonAction_.Action(text, index); },
                 [this] { return settings_.DblClickTime; }}) {}

DriverCore::~DriverCore() { Shutdown(); }

void DriverCore::Start() {
  panel_.DataName = kDataName;
  panel_.Load();
  // The start-up write fails silently, as the core does; a calibration's
  // failed save is reported by its dialog.
  (void)panel_.Save();

  // The resource file stays locked against writers from here on; only names,
  // types and display names stay in memory until the calibration loads the
  // pictures again. A missing file leaves the path empty and the table empty.
  buttonRes_.SetPath(paths_.buttonResFile);
  buttonRes_.Load();
  buttonRes_.PicData_Dispose();

  link_.SetTimerRxCheck(&timers_.rxCheck);
  link_.SetRxSignal(timers_.rxSignal);
  // The ticks run from the driver's own loop as well as from window
  // procedures: nothing thrown may leave them unrecorded.
  link_.OnRx = [this] {
    try {
      receiver_.OnRx();
    } catch (...) {
      RecordCurrentException(platform_.recordFault, "receiving from the panel");
    }
  };
  link_.OnDisConnect = [this] { RaisePortOpenCloseChange(); };
  link_.OnFault = platform_.recordFault;

  LoadSettings();
  if (const std::uint32_t cls = PriorityClassFor(settings_.Priority); cls != 0 && platform_.setPriorityClass) {
    platform_.setPriorityClass(cls);
  }
  SaveSettings();

  timers_.connectCheck.SetHandler([this] {
    try {
      // A link that reads on the library's events is not polled: this is
      // where it notices a lost device, and a device back already is opened
      // on the same tick.
      link_.CheckDevice();
      if (!IsPortOpen()) SetPortOpen(true);
    } catch (...) {
      RecordCurrentException(platform_.recordFault, "connection check");
    }
  });
  timers_.connectCheck.SetInterval(kConnectIntervalMs);
  started_ = true;
  FollowSession();
}

void DriverCore::Shutdown() {
  started_ = false;
  timers_.connectCheck.SetEnabled(false);
  link_.SetPortOpen(false);
}

void DriverCore::OnSessionChange(SessionChange change) {
  switch (change) {
    case SessionChange::Lock:
      // Another user may log on at the lock screen ("switch user"), and the
      // panel is one device: it must be free for that user's driver.
      locked_ = true;
      // A touch before the lock and one after it are no double-click.
      touch_.TimerDblClick_Timer();
      break;
    case SessionChange::Unlock:
      // The user is back at the desktop, whatever desktop switch may have
      // gone unseen on the way.
      locked_ = false;
      otherDesktop_ = false;
      break;
    case SessionChange::ConsoleDisconnect:
    case SessionChange::RemoteConnect:
      awayFromConsole_ = true;
      break;
    case SessionChange::ConsoleConnect:
      awayFromConsole_ = false;
      break;
    default:
      return;
  }
  // Locked and away come and go in either order (a user who locks and is
  // then switched away, one who comes back to the lock screen): the panel is
  // held only with neither.
  FollowSession();
}

void DriverCore::SetOtherDesktopActive(bool active) {
  if (active && !otherDesktop_) touch_.TimerDblClick_Timer();
  otherDesktop_ = active;
}

void DriverCore::FollowSession() {
  if (!MayHoldPanel()) {
    timers_.connectCheck.SetEnabled(false);
    SetPortOpen(false);
    return;
  }
  // As at start-up: the first attempt at once, then one a second.
  timers_.connectCheck.SetEnabled(true);
  if (!IsPortOpen()) SetPortOpen(true);
}

void DriverCore::OnResume() {
  if (MayHoldPanel()) SetPortOpen(true);
}

void DriverCore::SetPortOpen(bool open) {
  const bool wasOpen = IsPortOpen();
  if (open) {
    link_.SetPortOpen(false);
    // A half-received line from before a loss is not glued to new data, and
    // the new connection starts reading byte by byte.
    receiver_.Reset();
    link_.FT_Open_By = static_cast<std::int32_t>(kFtOpenByDescription);
    link_.FT_Open_Option = kPanelDescription;
    link_.Settings = kLineSettings;
    link_.EventChar = kEventChar;
    link_.LatencyTimer = kLatencyTimerMs;
    link_.SetPortOpen(true);
    if (link_.PortOpen()) {
      link_.SetInBufferCount(0);
      // A wrongly set line garbles every report, and a panel that missed its
      // start-up commands may send nothing: such an open is closed again and
      // the next connection tick tries anew, a few times. A library that
      // goes on refusing is then taken as it is, as the panel's library
      // always was: the link stays open.
      const bool lineRefused = link_.LineSetUpRefused();
      // On a wrongly set line the commands would reach the panel garbled;
      // they wait for an open that is kept.
      const bool kept = refusedSetUps_ + 1 >= kSetUpAttempts;
      const bool written = (!lineRefused || kept) && link_.WriteStrData(kStartupCommands);
      if (!AcceptSetUp(lineRefused, written)) link_.SetPortOpen(false);
    }
  } else {
    link_.SetPortOpen(false);
  }
  if (IsPortOpen() != wasOpen) RaisePortOpenCloseChange();
}

void DriverCore::LoadSettings() { settings_ = orvanta::LoadSettings(store_, paths_.iniFile); }

void DriverCore::SaveSettings() { orvanta::SaveSettings(store_, paths_.iniFile, settings_); }

bool DriverCore::AcceptSetUp(bool lineRefused, bool written) {
  if (!lineRefused && written) {
    refusedSetUps_ = 0;
    return true;
  }
  // Kept open before: recorded then, until an open succeeds.
  if (refusedSetUps_ >= kSetUpAttempts) return true;
  if (++refusedSetUps_ < kSetUpAttempts) return false;
  RecordFault(platform_.recordFault, [lineRefused] {
    return std::string("the panel library refused ") +
           (lineRefused ? "the line set-up (baud rate, data characteristics)" : "the start-up commands") + " at " +
           std::to_string(kSetUpAttempts) + " opens in a row; the link is kept open as it is";
  });
  return true;
}

void DriverCore::HandleReportLine(const std::string& line) {
  // What a touch's handling throws (a Windows call's wrapper, memory) ends
  // that touch only: recorded, and the next report is handled as usual.
  try {
    const auto point = ParseReportLine(line);
    if (point && !TouchesHeld() && !OnRecvTouchPoint.Raise(*point)) touch_.HandleTouch(*point);
  } catch (...) {
    RecordCurrentException(platform_.recordFault, "handling a touch report");
  }
  if (platform_.reportHandled) platform_.reportHandled();
}

void DriverCore::RaisePortOpenCloseChange() {
  // A copy: a handler may subscribe or unsubscribe while being called.
  const auto handlers = OnPortOpenCloseChange;
  for (const auto& handler : handlers) {
    if (handler) handler();
  }
}

}  // namespace orvanta
