#pragma once
// What Windows tells the driver about its session, handed to the driver core:
// the session notifications of this session (locked and unlocked, the console
// given to another session or to a remote client and back) and switches of
// the input desktop (the secure desktop of a credentials prompt).
#include <windows.h>

#include "core/DriverCore.h"
#include "wincommon/Handles.h"

namespace orvanta::win {

class SessionWatch {
public:
  SessionWatch() = default;
  ~SessionWatch() { Stop(); }
  SessionWatch(const SessionWatch&) = delete;
  SessionWatch& operator=(const SessionWatch&) = delete;

  // Registers window for this session's notifications and watches desktop
  // switches. Both are looked up at run time; without them the driver runs
  // as if the session were always unlocked and at the console. A session
  // away from the console already is told so at once: called before the
  // core starts, the driver then never opens the panel there.
  void Start(HWND window, DriverCore& core);
  // Before the window goes.
  void Stop();
  // The window's WM_WTSSESSION_CHANGE.
  void OnSessionChange(WPARAM code, LPARAM sessionId);

private:
  static void CALLBACK OnDesktopSwitch(HWINEVENTHOOK hook, DWORD event, HWND, LONG, LONG, DWORD, DWORD);
  void CheckInputDesktop();

  // The desktop-switch callback carries no context; one driver per process.
  static inline SessionWatch* watching_ = nullptr;
  DriverCore* core_ = nullptr;
  HWND window_ = nullptr;
  DWORD session_ = 0;
  wincommon::Module wtsapi_;
  BOOL(WINAPI* unregister_)(HWND) = nullptr;
  HWINEVENTHOOK hook_ = nullptr;
};

}  // namespace orvanta::win
