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

TEST_F(DriverSession, ATouchWhileLockedReachesNothingAndOneAfterUnlockActs) {
  StartDriver(kOneButtonLayout);
  StartTouchData();
  Session(WTS_SESSION_LOCK);
  Touch();
  ASSERT_TRUE(harness::WaitUntil([&] { return panel.Pending() == 0; }, 3s)) << "the report is read";
  harness::PumpFor(500ms);
  EXPECT_TRUE(Received().empty());
  EXPECT_TRUE(harness::WindowsOfProcess(f.driver.Id()).empty()) << "no notification behind the lock";

  Session(WTS_SESSION_UNLOCK);
  Touch();
  EXPECT_TRUE(harness::WaitUntil([&] { return Received().size() >= 2; }, 5s));
}

TEST_F(DriverSession, SwitchedAwayItReleasesThePanelAndAResumeOpensItAfresh) {
  StartDriver(kOneButtonLayout);
  panel.ClearLog();
  Session(WTS_CONSOLE_DISCONNECT);
  EXPECT_FALSE(panel.IsOpen());
  EXPECT_EQ(panel.Calls("FT_Close").size(), 1u);
  harness::PumpFor(1500ms);
  EXPECT_TRUE(panel.Calls("FT_OpenEx").empty()) << "left for the session now at the console";

  Session(WTS_CONSOLE_CONNECT);
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
