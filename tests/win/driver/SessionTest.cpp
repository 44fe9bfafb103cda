// The driver and its Windows session, end to end: the notifications that
// Windows sends the window that registered for them (the application window)
// and the resume broadcast, sent here by the test. Which change does what is
// a rule of the driver's core, checked natively.
#include <gtest/gtest.h>

#include "common/DriverTestSupport.h"

namespace drivertest {
namespace {

class DriverSession : public PanelDriverTest {
protected:
  // Sent, not posted: the driver has acted on it when the call returns.
  void Tell(UINT msg, WPARAM wp, LPARAM lp) {
    DWORD_PTR result = 0;
    ASSERT_TRUE(::SendMessageTimeoutW(f.AppWindow(), msg, wp, lp, SMTO_ABORTIFHUNG, 5000, &result));
  }
  void Session(WPARAM change) {
    DWORD session = 0;
    ASSERT_TRUE(::ProcessIdToSessionId(f.driver.Id(), &session));
    Tell(WM_WTSSESSION_CHANGE, change, static_cast<LPARAM>(session));
  }
  void Touch() { panel.QueueReport(500, 500, 'B', panelsim::PanelSim::Now()); }
};

// Locked, the panel is left free for whoever logs on at the lock screen, and
// a touch reaches nothing; unlocked, it is opened at once and the next touch
// acts.
TEST_F(DriverSession, LockedItReleasesThePanelAndUnlockedItOpensItAtOnce) {
  StartDriver(kOneButtonLayout);
  StartTouchData();
  panel.ClearLog();
  Session(WTS_SESSION_LOCK);
  EXPECT_FALSE(panel.IsOpen());
  EXPECT_EQ(panel.Calls("FT_Close").size(), 1u);
  Touch();
  harness::PumpFor(1500ms);
  EXPECT_TRUE(panel.Calls("FT_OpenEx").empty()) << "no connection attempt while locked";

  Session(WTS_SESSION_UNLOCK);
  EXPECT_TRUE(panel.IsOpen()) << "at once";
  EXPECT_EQ(panel.Written(), kStartupBytes);
  harness::PumpFor(300ms);
  EXPECT_TRUE(Received().empty()) << "the touch made while locked does nothing";
  EXPECT_TRUE(harness::WindowsOfProcess(f.driver.Id()).empty()) << "no notification";
  Touch();
  EXPECT_TRUE(harness::WaitUntil([&] { return !Received().empty(); }, 5s));
}

// Locked, then another user switched in: the return to the console alone
// (the lock screen) opens nothing, the unlock does.
TEST_F(DriverSession, SwitchedAwayWhileLockedItOpensThePanelOnlyWhenBackAndUnlocked) {
  StartDriver(kOneButtonLayout);
  Session(WTS_SESSION_LOCK);
  Session(WTS_CONSOLE_DISCONNECT);
  Session(WTS_CONSOLE_CONNECT);
  panel.ClearLog();
  harness::PumpFor(1500ms);
  EXPECT_FALSE(panel.IsOpen());
  EXPECT_TRUE(panel.Calls("FT_OpenEx").empty()) << "left for the session whose user is to unlock";

  Session(WTS_SESSION_UNLOCK);
  EXPECT_TRUE(panel.IsOpen()) << "at once";
  EXPECT_EQ(panel.Written(), kStartupBytes);

  // What a resume does is the core's rule; here that the broadcast reaches it.
  panel.ClearLog();
  Tell(WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
  EXPECT_TRUE(panel.IsOpen());
  EXPECT_EQ(panel.Calls("FT_OpenEx").size(), 1u);
}

}  // namespace
}  // namespace drivertest
