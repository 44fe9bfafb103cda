// The main form's logic over a simulated device, fake timers and real INI
// files: start-up, connection keeping and the road of a touch.
#include "core/DriverCore.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "Fakes.h"
#include "profile/ProfileEmulation.h"

namespace orvanta {
namespace {

using testing::FakeClock;
using testing::FakeD2xxDevice;
using testing::FakeSignal;
using testing::FakeTimer;
using testing::TempDir;

const std::string kStartup = "\rJ1\rTC1\r";
const std::vector<std::string> kRun{"Run"};

class DriverCoreTest : public ::testing::Test {
protected:
  DriverCoreTest()
      : connect(&clock), rx(&clock), blk(&clock), dbl(&clock) {
    // One button at 100..200 x 100..200 whose click starts the camera.
    testing::WriteFile(dir.Path() + "/Data\\QV-LK2048.def",
                       "[Header]\r\nButtonX=1\r\nButtonY=1\r\n[Button.1.1]\r\nName=Camera.Run&Camera.Run\r\n"
                       "Rect=100,100,200,200\r\n");
  }

  // Builds the core over the fakes and starts it; with chipCalls the
  // library has the converter chip's calls.
  void Start(bool chipCalls = false) {
    if (chipCalls) device.AddChipCalls();
    DriverCore::Platform platform;
    platform.d2xx = device.Loader();
    platform.playClickSound = [this] {
      ++clicks;
      if (duringClick) duringClick();
    };
    platform.recordFault = [this](const std::string& what) { faults.push_back(what); };
    platform.setPriorityClass = [this](std::uint32_t cls) { priorityClass = cls; };
    platform.actions.camera = [this] { return std::make_unique<testing::RecordingHandler>(kRun, &actions); };
    core = std::make_unique<DriverCore>(store, settings, DriverCore::Paths{dir.Path() + "/Orvanta.ini", dir.Path() + "/Data"},
                                        DriverCore::Timers{connect, rx, blk, dbl, &signal}, std::move(platform));
    core->OnPortOpenCloseChange.push_back([this] { portChanges.push_back(core->IsPortOpen()); });
    for (const SessionChange change : changesBeforeStart) core->OnSessionChange(change);
    core->Start();
  }

  // The panel sends bytes; the receive event or the poll tick picks them up.
  void Send(const std::string& bytes) {
    device.Arrive(bytes);
    clock.Advance(1);
  }

  TempDir dir;
  profilesim::EmulatedProfileFiles store;
  MainSettings settings;
  FakeClock clock;
  FakeTimer connect, rx, blk, dbl;
  FakeD2xxDevice device;
  FakeSignal signal;
  std::unique_ptr<DriverCore> core;
  std::vector<bool> portChanges;
  std::vector<std::string> actions;
  int clicks = 0;
  std::function<void()> duringClick;
  std::vector<SessionChange> changesBeforeStart;  // told before the core starts
  std::vector<std::string> faults;
  std::uint32_t priorityClass = 0;
};

TEST_F(DriverCoreTest, StartOpensAtOnceWithTheStartupCommandsAndShutdownCloses) {
  Start();
  EXPECT_TRUE(core->IsPortOpen());
  EXPECT_EQ(portChanges, std::vector<bool>{true});
  EXPECT_STREQ(device.Last("FT_OpenEx")->text, "Orvanta TouchPanel");
  EXPECT_EQ(device.Last("FT_OpenEx")->args[0], 2u);
  EXPECT_EQ(device.State().hostLine.baud, 38400u);
  EXPECT_EQ(device.Written(), kStartup);
  EXPECT_EQ(priorityClass, 0x80u);
  EXPECT_TRUE(connect.Enabled() && rx.Enabled());
  EXPECT_EQ((std::vector<std::uint32_t>{connect.Interval(), rx.Interval()}), (std::vector<std::uint32_t>{1000, 1}));
  core->Shutdown();
  EXPECT_FALSE(core->IsPortOpen() || rx.Enabled() || connect.Enabled());
  EXPECT_EQ(device.Count("Close"), 1);
}

// After every open: the line, the purge, the converter chip, the purge, the
// start-up commands. Opening an open link closes it first, and raises no
// change. (Without the chip's calls the link leaves them out: ChipSetUpTest.)
TEST_F(DriverCoreTest, EveryOpenSetsTheChipUpBetweenTheLineAndTheStartupCommands) {
  Start(true);
  core->SetPortOpen(true);
  EXPECT_EQ(portChanges, std::vector<bool>{true});
  const std::vector<std::string> open{"OpenEx",     "SetBaudRate",       "SetDataCharacteristics",
                                      "Purge:1",    "SetChars:10",       "SetLatencyTimer:2",
                                      "SetEventNotification:1", "Purge:1", "Write"};
  std::vector<std::string> expected = open;
  expected.push_back("Close");
  expected.insert(expected.end(), open.begin(), open.end());
  EXPECT_EQ(device.Calls(), expected);
  EXPECT_TRUE(core->Link().EventDriven());
}

// Polling notices a lost panel on its next tick; reading on events (no event
// comes for a lost device), the connection check does, within a second.
// Either way the link closes once and raises one change, failed opens raise
// nothing, and the connection check opens the panel again once it is back:
// purged, with the start-up commands, and without the half report read
// before the loss.
TEST_F(DriverCoreTest, ALostPanelIsNoticedWithinASecondAndReopenedWhenBack) {
  for (const bool events : {false, true}) {
    SCOPED_TRACE(events ? "events" : "polling");
    portChanges.clear();
    clicks = 0;
    Start(events);
    device.ClearLog();
    ASSERT_EQ(core->Link().EventDriven(), events);
    clock.Advance(events ? 300 : 3);
    Send("01500150B\r\n");
    EXPECT_EQ(clicks, 1);
    // Past the block time-out, whose read would notice the loss as well.
    clock.Advance(Receiver::kBlockTimeoutMs + 50);
    Send("0123");
    ASSERT_EQ(core->Rx().RxBuffer(), "0123");
    device.Plug(false);
    const std::uint64_t lost = clock.Now();
    while (portChanges.size() < 2 && clock.Now() - lost < 3000) clock.Advance(1);
    EXPECT_EQ(portChanges, (std::vector<bool>{true, false}));
    EXPECT_LE(clock.Now() - lost, events ? 1000u : 1u);
    EXPECT_EQ(device.Count("Close"), 1);
    EXPECT_FALSE(rx.Enabled() || signal.Armed());
    device.ClearLog();
    clock.Advance(3000);
    EXPECT_EQ(portChanges.size(), 2u) << "failed attempts raise nothing";
    EXPECT_EQ(device.Count("OpenEx"), 3) << "one a second";
    device.Plug(true);
    device.Arrive("junk");
    device.ClearWritten();
    clock.Advance(1000);
    EXPECT_EQ(portChanges, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(device.Written(), kStartup);
    EXPECT_TRUE(device.Pending().empty()) << "the receive queue was purged";
    EXPECT_TRUE(core->Rx().RxBuffer().empty()) << "a half report from before the loss is dropped";
    core.reset();
  }
}

TEST_F(DriverCoreTest, TouchOnAButtonClicksAndASecondTouchDoubleClicks) {
  Start();
  Send("01500150B\r\n");
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(actions, std::vector<std::string>{"Run"});
  clock.Advance(300);
  Send("01200180B\r\n");
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(actions, (std::vector<std::string>{"Run", "Run", "Run"}));
}

TEST_F(DriverCoreTest, ASubscriberThatCancelsKeepsTheTouchFromTheDriver) {
  Start();
  std::vector<TouchPoint> seen;
  const auto token = core->OnRecvTouchPoint.Subscribe([&](const TouchPoint& p, bool& cancel) {
    seen.push_back(p);
    cancel = true;
  });
  Send("01500150B\r\n");
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].dX, 150);
  EXPECT_EQ(seen[0].dS, 'B');
  EXPECT_EQ(clicks, 0);
  EXPECT_TRUE(actions.empty());
  core->OnRecvTouchPoint.Unsubscribe(token);
  Send("01500150B\r\n");
  EXPECT_EQ(clicks, 1);
}

// What the handling of a touch or the start of the link's receiving throws
// is recorded, and the driver goes on: the next touch acts, and the next
// connection tick opens the link.
TEST_F(DriverCoreTest, WhatATouchOrAnOpenThrowsIsRecordedAndTheDriverGoesOn) {
  const struct {
    const char* name;
    std::function<void()> fault;  // sets the fault up after the start
    std::function<void()> trigger;
    const char* what;
  } cases[] = {
      {"a touch's click sound", [&] { duringClick = [] { throw std::runtime_error("sound failed"); }; },
       [&] { Send("01500150B\r\n"); }, "sound failed"},
      {"the poll timer at an open", [&] { rx.failSwitchOns = 1; }, [&] { core->OnResume(); }, "no thread"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Start();
    clock.Advance(1000);
    c.fault();
    EXPECT_NO_THROW(c.trigger());
    duringClick = nullptr;
    ASSERT_EQ(faults.size(), 1u);
    EXPECT_NE(faults[0].find(c.what), std::string::npos) << faults[0];
    EXPECT_FALSE(core->Rx().Busy());
    clock.Advance(1000);
    EXPECT_TRUE(core->IsPortOpen()) << "the connection tick opened it again";
    actions.clear();
    Send("01500150B\r\n");
    EXPECT_EQ(actions, std::vector<std::string>{"Run"}) << "the next touch acts";
    faults.clear();
    core.reset();
  }
}

// A library that refuses the line set-up or the start-up write: the open is
// closed and made again by the connection tick, three times in a row; then
// the link is kept as it is (as the library was always taken) and that is
// recorded once. A good open starts the count afresh.
TEST_F(DriverCoreTest, ARefusedSetUpIsTriedThreeTimesThenKeptAndRecordedOnce) {
  const struct {
    const char* call;
    std::uint32_t refusals;
    int opens;  // until the link is kept
    bool kept;  // open after the third refusal
  } cases[] = {
      {"FT_SetBaudRate", 2, 3, false},          {"FT_SetBaudRate", 100, 3, true},
      {"FT_SetDataCharacteristics", 100, 3, true}, {"FT_Write", 2, 3, false},
      {"FT_Write", 100, 3, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.call << " refused " << c.refusals << " times");
    device.FailNext(c.call, c.refusals);
    Start();
    clock.Advance(5000);
    EXPECT_TRUE(core->IsPortOpen());
    EXPECT_EQ(device.Count("OpenEx"), c.opens) << "no open after the link is kept";
    EXPECT_EQ(faults.size(), c.kept ? 1u : 0u);
    // The start-up commands went to the line as it was set up, once.
    if (std::string(c.call) != "FT_Write") EXPECT_EQ(device.Written(), kStartup);
    // A good open starts the count afresh: the next refusal is tried again.
    device.FailNext(c.call, 0);
    device.ClearLog();
    core->OnResume();
    device.FailNext(c.call, 1);
    core->OnResume();
    EXPECT_FALSE(core->IsPortOpen()) << "refused after a good open: tried again";
    clock.Advance(1000);
    EXPECT_TRUE(core->IsPortOpen());
    EXPECT_EQ(faults.size(), c.kept ? 1u : 0u);
    faults.clear();
    device.ClearWritten();
    device.ClearLog();
    core.reset();
  }
}

// The secure desktop: touches are read and dropped before any subscriber,
// click or action; the double-click window closes with them, as it does at a
// lock.
TEST_F(DriverCoreTest, TouchesOnAnotherDesktopReachNothingAndNoDoubleClickSpansAHold) {
  Start();
  int seen = 0;
  core->OnRecvTouchPoint.Subscribe([&](const TouchPoint&, bool&) { ++seen; });
  const struct {
    const char* name;
    std::function<void(bool)> hold;
    bool read;  // reports made meanwhile are read (and dropped)
  } cases[] = {
      {"other desktop", [&](bool on) { core->SetOtherDesktopActive(on); }, true},
      {"locked", [&](bool on) { core->OnSessionChange(on ? SessionChange::Lock : SessionChange::Unlock); }, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    clock.Advance(1000);  // no double-click window left from before
    actions.clear();
    clicks = seen = 0;
    Send("01500150B\r\n");
    c.hold(true);
    EXPECT_TRUE(core->TouchesHeld());
    Send("01500150B\r\n01500150N\r\n");
    EXPECT_EQ(device.Pending().empty(), c.read);
    EXPECT_EQ(seen, 1);
    c.hold(false);
    Send("01500150B\r\n");
    EXPECT_EQ(seen, 2);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(actions, (std::vector<std::string>{"Run", "Run"})) << "no double-click across the hold";
  }
  core->SetOtherDesktopActive(true);
  core->OnSessionChange(SessionChange::Unlock);
  EXPECT_FALSE(core->TouchesHeld()) << "unlocked, the user is back at the desktop";
}

// The panel is one device for every session's driver: it is held only while
// this session is unlocked and at the console. Locked, or with another user
// switched in or a remote client in the session, it is released and the
// connection check stops (a resume opens nothing either); with both over, in
// whatever order, it is opened at once and kept every second again.
TEST_F(DriverCoreTest, ThePanelIsHeldOnlyUnlockedAndAtTheConsole) {
  using S = SessionChange;
  const struct {
    const char* name;
    std::vector<SessionChange> changes;
    bool held;
    std::vector<SessionChange> beforeStart;
  } cases[] = {
      {"locked", {S::Lock}, false},
      {"locked and unlocked", {S::Lock, S::Unlock}, true},
      {"switched away", {S::ConsoleDisconnect}, false},
      {"remote client", {S::RemoteConnect}, false},
      {"switched away and back", {S::ConsoleDisconnect, S::ConsoleConnect}, true},
      {"locked, away, back to the lock screen", {S::Lock, S::ConsoleDisconnect, S::ConsoleConnect}, false},
      {"locked, away, back, unlocked", {S::Lock, S::ConsoleDisconnect, S::ConsoleConnect, S::Unlock}, true},
      {"locked, away, unlocked, back", {S::Lock, S::ConsoleDisconnect, S::Unlock, S::ConsoleConnect}, true},
      {"away, locked, back, unlocked", {S::ConsoleDisconnect, S::Lock, S::ConsoleConnect, S::Unlock}, true},
      {"remote, locked and unlocked", {S::RemoteConnect, S::Lock, S::Unlock}, false},
      {"remote, unlocked, back", {S::RemoteConnect, S::Unlock, S::RemoteDisconnect, S::ConsoleConnect}, true},
      {"others change nothing", {S::Logon, S::RemoteDisconnect, S::RemoteControl, S::Logoff}, true},
      {"started away", {}, false, {S::ConsoleDisconnect}},
      {"started away, then back", {S::ConsoleConnect}, true, {S::ConsoleDisconnect}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    device.ClearLog();
    device.ClearWritten();
    changesBeforeStart = c.beforeStart;
    Start();
    for (const SessionChange change : c.changes) core->OnSessionChange(change);
    EXPECT_EQ(core->IsPortOpen(), c.held) << "at once";
    EXPECT_EQ(connect.Enabled(), c.held);
    const int opens = device.Count("OpenEx");
    EXPECT_EQ(device.Count("Close"), c.held ? opens - 1 : opens);
    std::string startups;
    for (int i = 0; i < opens; ++i) startups += kStartup;
    EXPECT_EQ(device.Written(), startups) << "every open sends the start-up commands";
    device.ClearLog();
    core->OnResume();
    device.Plug(false);
    clock.Advance(2005);
    EXPECT_EQ(device.Count("OpenEx"), c.held ? 3 : 0) << "resumed, then the connection kept (or not) every second";
    device.Plug(true);
    core.reset();
  }
}

// (Locked or away a resume opens nothing: the test above.)
TEST_F(DriverCoreTest, ResumeReopensTheLinkAtOnceWithTheStartupCommands) {
  Start();
  device.ClearWritten();
  device.ClearLog();
  core->OnResume();
  EXPECT_EQ(device.Count("Close"), 1);
  EXPECT_EQ(device.Count("OpenEx"), 1);
  EXPECT_EQ(device.Written(), kStartup);
  EXPECT_EQ(portChanges, std::vector<bool>{true}) << "open before and after";
}

}  // namespace
}  // namespace orvanta
