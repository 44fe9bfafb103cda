#include "SessionWatch.h"

#include <string>

#include "wincommon/DllSearch.h"

namespace orvanta::win {

namespace {

constexpr DWORD kNotifyForThisSession = 0;  // NOTIFY_FOR_THIS_SESSION
// EVENT_SYSTEM_DESKTOPSWITCH. The desktop is asked only when it switches, never
// in between: a system that does not raise the event (Wine, older Windows)
// leaves touches free rather than held for good on an answer that cannot be
// had.
constexpr DWORD kDesktopSwitchEvent = 0x0020;

std::wstring DesktopName(HDESK desktop) {
  wchar_t name[256] = {};
  DWORD needed = 0;
  if (!::GetUserObjectInformationW(desktop, UOI_NAME, name, sizeof(name) - sizeof(wchar_t), &needed)) return {};
  return name;
}

// The secure desktop (Winlogon) cannot even be opened by a user's program;
// any other desktop than this thread's is not where the user sees the driver
// at work either.
bool InputOnOtherDesktop() {
  const HDESK input = ::OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS);
  if (!input) return true;
  const bool other = DesktopName(input) != DesktopName(::GetThreadDesktop(::GetCurrentThreadId()));
  ::CloseDesktop(input);
  return other;
}

}  // namespace

void SessionWatch::Start(HWND window, DriverCore& core) {
  Stop();
  core_ = &core;
  if (!::ProcessIdToSessionId(::GetCurrentProcessId(), &session_)) session_ = 0;
  // No notification says that a session was away from the console from its
  // start (a remote desktop log-on): the driver there must not take the
  // panel from the user at the console. 0xFFFFFFFF, no session attached
  // (the console is being switched), counts as away too; the attaching
  // session is told.
  if (::WTSGetActiveConsoleSessionId() != session_) core.OnSessionChange(SessionChange::ConsoleDisconnect);
  // The session notifications come from wtsapi32 (Windows XP and later).
  wtsapi_.reset(wincommon::LoadSystemLibrary(L"wtsapi32.dll"));
  if (wtsapi_) {
    using RegisterFn = BOOL(WINAPI*)(HWND, DWORD);
    using UnregisterFn = BOOL(WINAPI*)(HWND);
    // GetProcAddress hands back a generic pointer; the cast through void*
    // gives it its real type.
    const auto registerFn = reinterpret_cast<RegisterFn>(
        reinterpret_cast<void*>(::GetProcAddress(wtsapi_.get(), "WTSRegisterSessionNotification")));
    unregister_ = reinterpret_cast<UnregisterFn>(
        reinterpret_cast<void*>(::GetProcAddress(wtsapi_.get(), "WTSUnRegisterSessionNotification")));
    if (registerFn && unregister_ && registerFn(window, kNotifyForThisSession)) window_ = window;
  }
  // Out of context: the event comes through this thread's message queue.
  watching_ = this;
  hook_ = ::SetWinEventHook(kDesktopSwitchEvent, kDesktopSwitchEvent, nullptr, &SessionWatch::OnDesktopSwitch, 0, 0,
                            WINEVENT_OUTOFCONTEXT);
}

void SessionWatch::Stop() {
  if (hook_) ::UnhookWinEvent(hook_);
  hook_ = nullptr;
  if (watching_ == this) watching_ = nullptr;
  if (window_ && unregister_) unregister_(window_);
  window_ = nullptr;
  unregister_ = nullptr;
  wtsapi_.reset();
  core_ = nullptr;
}

void SessionWatch::OnSessionChange(WPARAM code, LPARAM sessionId) {
  if (!core_ || static_cast<DWORD>(sessionId) != session_) return;
  core_->OnSessionChange(static_cast<SessionChange>(code));
}

void CALLBACK SessionWatch::OnDesktopSwitch(HWINEVENTHOOK hook, DWORD event, HWND, LONG, LONG, DWORD, DWORD) {
  if (watching_ && hook == watching_->hook_ && event == kDesktopSwitchEvent) watching_->CheckInputDesktop();
}

void SessionWatch::CheckInputDesktop() {
  if (core_) core_->SetOtherDesktopActive(InputOnOtherDesktop());
}

}  // namespace orvanta::win
