#include "serial/ClassFNTD2XX.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "core/Receiver.h"

#include "Fakes.h"

namespace orvanta {
namespace {

using testing::FakeD2xxDevice;
using testing::FakeSignal;
using testing::FakeTimer;

class ClassFNTD2XXTest : public ::testing::Test {
protected:
  ClassFNTD2XXTest() {
    Configure(link_, timer_);
    link_.OnRx = [this] { ++rx_; };
    link_.OnDisConnect = [this] { ++disconnects_; };
  }

  // The panel's device and line, polled with the timer.
  static void Configure(ClassFNTD2XX& link, FakeTimer& timer) {
    link.SetTimerRxCheck(&timer);
    link.FT_Open_Option = "Orvanta TouchPanel";
    link.FT_Open_By = static_cast<std::int32_t>(kFtOpenByDescription);
    link.Settings = "38400,0,8,2";
  }

  void Open() {
    link_.SetPortOpen(true);
    ASSERT_TRUE(link_.PortOpen());
  }

  FakeD2xxDevice device_;
  FakeTimer timer_;
  ClassFNTD2XX link_{device_.Loader()};
  int rx_ = 0;
  int disconnects_ = 0;
};

// What the open calls and their order are a table below (ChipSetUpTest).
TEST_F(ClassFNTD2XXTest, OpenPurgesWhatWaitedAndAnOpenLinkIsNotOpenedAgain) {
  device_.Arrive("stale");
  Open();
  EXPECT_STREQ(device_.Last("FT_OpenEx")->text, "Orvanta TouchPanel");
  EXPECT_EQ(device_.Last("FT_OpenEx")->args[0], kFtOpenByDescription);
  EXPECT_TRUE(device_.Pending().empty());
  // Opening an open link again neither reopens nor purges.
  device_.Arrive("0123");
  link_.SetPortOpen(true);
  EXPECT_EQ(device_.Count("OpenEx"), 1);
  EXPECT_EQ(device_.Count("Purge"), 1);
  EXPECT_EQ(device_.Pending(), "0123");
}

TEST_F(ClassFNTD2XXTest, SettingsFieldsGoToTheLibraryInItsOrder) {
  const struct {
    const char* settings;
    std::uint32_t baud;
    int parity, wordLength, stopBits;
  } cases[] = {{"9600,2,7,0", 9600, 2, 7, 0}, {" 19200 , 1 , 8 , 2 ", 19200, 1, 8, 2},
               {"115200.4,1.6,7.4,2", 115200, 2, 7, 2}, {"x,0,8,2", 0, 0, 8, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.settings);
    link_.SetPortOpen(false);
    link_.Settings = c.settings;
    Open();
    const auto& line = device_.State().hostLine;
    EXPECT_EQ(line.baud, c.baud);
    EXPECT_EQ(line.parity, c.parity);
    EXPECT_EQ(line.wordLength, c.wordLength);
    EXPECT_EQ(line.stopBits, c.stopBits);
  }
}

TEST_F(ClassFNTD2XXTest, FailedOpenMissingLibraryOrEntryPointStaysClosedQuietly) {
  device_.Plug(false);
  link_.SetPortOpen(true);
  EXPECT_FALSE(link_.PortOpen() || timer_.Enabled());
  // A closed link reads, writes and purges nothing.
  link_.InputLen = 0;
  EXPECT_TRUE(link_.ReadBinData().empty());
  link_.WriteStrData("J1");
  link_.SetInBufferCount(0);
  EXPECT_EQ(device_.Calls(), (std::vector<std::string>{"OpenEx"}));
  EXPECT_EQ(rx_ + disconnects_, 0);
  int loads = 0;
  ClassFNTD2XX noLibrary([&]() -> const D2xxApi* {
    ++loads;
    return nullptr;
  });
  noLibrary.SetTimerRxCheck(&timer_);
  noLibrary.SetPortOpen(true);
  noLibrary.SetPortOpen(true);
  EXPECT_FALSE(noLibrary.PortOpen());
  EXPECT_FALSE(timer_.Enabled());
  EXPECT_EQ(loads, 2) << "a library that turns up later must be found";
  EXPECT_EQ(noLibrary.InBufferCount(), 0);
  EXPECT_TRUE(noLibrary.ReadBinData().empty());

  device_.Plug(true);
  device_.api.OpenEx = nullptr;
  device_.ClearLog();
  link_.SetPortOpen(true);
  EXPECT_FALSE(link_.PortOpen());
  EXPECT_TRUE(device_.Calls().empty());
}

TEST_F(ClassFNTD2XXTest, UnplugInsideAReadReturnsNothing) {
  Open();
  device_.Arrive("0123");
  device_.Plug(false);
  EXPECT_TRUE(link_.ReadStrData().empty());
  EXPECT_EQ(disconnects_, 1);
  EXPECT_EQ(device_.Count("Read"), 0);
}

TEST_F(ClassFNTD2XXTest, DisconnectHandlerMayReopen) {
  Open();
  link_.OnDisConnect = [this] {
    ++disconnects_;
    device_.Plug(true);
    link_.SetPortOpen(true);
  };
  device_.Plug(false);
  EXPECT_EQ(link_.InBufferCount(), 0);
  EXPECT_TRUE(link_.PortOpen());
  EXPECT_EQ(device_.Count("OpenEx"), 2);
}

TEST_F(ClassFNTD2XXTest, ReadsInputLenBytesOnlyWhenThatManyWait) {
  const std::string bytes = "0123456789ABCDEF";
  const struct {
    std::int32_t inputLen;
    std::size_t waiting, expectRead;
  } cases[] = {{11, 10, 0}, {11, 11, 11}, {11, 16, 11}, {1, 5, 1}, {0, 7, 7}, {0, 0, 0}, {-3, 5, 0}};
  Open();
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.inputLen << " of " << c.waiting);
    link_.SetInBufferCount(0);
    device_.Arrive(bytes.substr(0, c.waiting));
    link_.InputLen = c.inputLen;
    const auto read = link_.ReadBinData();
    EXPECT_EQ(std::string(read.begin(), read.end()), bytes.substr(0, c.expectRead));
    EXPECT_EQ(link_.InBufferCount(), static_cast<std::int32_t>(c.waiting - c.expectRead))
        << "what was not taken still waits";
  }
}

TEST_F(ClassFNTD2XXTest, TickRaisesOnRxWhenEnoughBytesWait) {
  const struct {
    std::int32_t threshold;
    std::size_t waiting;
    bool raised;
  } cases[] = {{0, 0, true}, {1, 0, false}, {1, 1, true}, {11, 10, false}, {11, 11, true}};
  Open();
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.waiting << " waiting, threshold " << c.threshold);
    link_.SetInBufferCount(0);
    rx_ = 0;
    device_.Arrive(std::string(c.waiting, '0'));
    link_.RThreshold = c.threshold;
    timer_.Fire();
    timer_.Fire();
    EXPECT_EQ(rx_, c.raised ? 2 : 0);
    EXPECT_EQ(link_.InBufferCount(), static_cast<std::int32_t>(c.waiting))
        << "bytes fetched ahead still wait for the owner";
  }
}

TEST_F(ClassFNTD2XXTest, CloseAndDestructionCloseTheDeviceOnce) {
  {
    FakeTimer timer;
    ClassFNTD2XX link(device_.Loader());
    Configure(link, timer);
    link.SetPortOpen(true);
    ASSERT_TRUE(timer.Enabled());
    link.SetPortOpen(false);
    EXPECT_FALSE(timer.Enabled());
    link.SetPortOpen(false);
    EXPECT_EQ(device_.Count("Close"), 1);
    link.SetPortOpen(true);
    link.SetTimerRxCheck(nullptr);  // the owner's timer is gone first
  }
  EXPECT_EQ(device_.Count("Close"), 2);
  EXPECT_EQ(device_.Count("Close(bad handle)"), 0);
}

// The converter chip's settings and the receive event, at every open.
TEST_F(ClassFNTD2XXTest, EveryOpenSetsTheChipUpAfterTheLineAndReadsOnEventsWhereItCan) {
  const struct {
    const char* name;
    bool libraryHasChipCalls;
    bool ownerSignal;  // the owner handed the link a wake signal
    std::int32_t eventChar, latencyTimer;
    std::vector<std::string> afterLineSetUp;
    bool eventDriven;
  } cases[] = {
      {"everything", true, true, '\n', 2, {"SetChars:10", "SetLatencyTimer:2", "SetEventNotification:1"}, true},
      {"a library without the chip's calls", false, true, '\n', 2, {}, false},
      {"an owner without a signal", true, false, '\n', 2, {"SetChars:10", "SetLatencyTimer:2"}, false},
      {"no chip settings asked", true, true, -1, 0, {"SetEventNotification:1"}, true}};
  for (const auto& c : cases) {
    FakeD2xxDevice device;
    FakeTimer timer;
    FakeSignal signal;  // outlives the link, which holds it
    ClassFNTD2XX link(device.Loader());
    Configure(link, timer);
    if (c.libraryHasChipCalls) device.AddChipCalls();
    link.SetRxSignal(c.ownerSignal ? &signal : nullptr);
    link.EventChar = c.eventChar;
    link.LatencyTimer = c.latencyTimer;
    std::vector<std::string> expected{"OpenEx", "SetBaudRate", "SetDataCharacteristics", "Purge:1"};
    expected.insert(expected.end(), c.afterLineSetUp.begin(), c.afterLineSetUp.end());
    for (int open = 1; open <= 2; ++open) {
      SCOPED_TRACE(::testing::Message() << c.name << ", open " << open);
      device.ClearLog();
      link.SetPortOpen(true);
      EXPECT_EQ(device.Calls(), expected);
      EXPECT_EQ(link.EventDriven(), c.eventDriven);
      EXPECT_EQ(signal.Armed(), c.eventDriven);
      // Polling ticks every millisecond; event-driven, the timer waits until
      // bytes wait untaken.
      EXPECT_EQ(timer.Enabled(), !c.eventDriven);
      EXPECT_EQ(timer.Interval(), c.eventDriven ? ClassFNTD2XX::kWaitingPollMs : 1u);
      link.SetPortOpen(false);
      EXPECT_FALSE(signal.Armed() || timer.Enabled());
    }
  }
}

TEST_F(ClassFNTD2XXTest, ARefusedChipCallChangesNothingElse) {
  FakeSignal signal;
  link_.SetRxSignal(&signal);
  link_.EventChar = '\n';
  link_.LatencyTimer = 2;
  device_.AddChipCalls();
  const struct {
    const char* call;
    bool eventDriven;
  } cases[] = {{"FT_SetChars", true}, {"FT_SetLatencyTimer", true}, {"FT_SetEventNotification", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.call);
    device_.FailNext(c.call, 1);
    link_.SetPortOpen(false);
    Open();
    EXPECT_EQ(link_.EventDriven(), c.eventDriven);
    EXPECT_EQ(timer_.Enabled(), !c.eventDriven) << "a link that cannot wait for events polls";
    device_.Arrive("0123");
    if (!c.eventDriven) timer_.Fire();
    EXPECT_EQ(rx_, 1);
    rx_ = 0;
  }
  EXPECT_EQ(disconnects_, 0);
}

// A poll timer or receive event that cannot be started: an open link would
// never be polled nor opened again. It stays closed, the device handle
// closed, the fault raised; the next open works.
TEST_F(ClassFNTD2XXTest, AnOpenWhoseReceivingCannotStartStaysClosedAndIsTold) {
  FakeSignal signal;
  std::vector<std::string> faults;
  link_.OnFault = [&](const std::string& what) { faults.push_back(what); };
  for (const bool events : {false, true}) {
    SCOPED_TRACE(events ? "receive event" : "poll timer");
    faults.clear();
    device_.ClearLog();
    if (events) {
      device_.AddChipCalls();
      link_.SetRxSignal(&signal);
      signal.failArms = 1;
    } else {
      timer_.failSwitchOns = 1;
    }
    EXPECT_NO_THROW(link_.SetPortOpen(true));
    EXPECT_FALSE(link_.PortOpen());
    EXPECT_EQ(device_.Count("Close"), 1);
    EXPECT_FALSE(timer_.Enabled() || signal.Armed());
    ASSERT_EQ(faults.size(), 1u);
    EXPECT_NE(faults[0].find("no thread"), std::string::npos) << faults[0];
    Open();
    EXPECT_EQ(link_.EventDriven(), events);
    link_.SetPortOpen(false);
  }
}

// The receiver over the link, as the driver runs them.
class ReadAheadTest : public ClassFNTD2XXTest {
protected:
  ReadAheadTest() {
    link_.RThreshold = 1;
    link_.InputLen = 1;
    link_.OnRx = [this] { receiver_.OnRx(); };
  }

  // One poll tick; returns the library calls it made (queries and reads).
  std::pair<int, int> Tick() {
    const int q = device_.Count("GetQueueStatus"), r = device_.Count("Read");
    timer_.Fire();
    return {device_.Count("GetQueueStatus") - q, device_.Count("Read") - r};
  }

  FakeTimer blockTimer_;
  SerialSource adapter_{link_};
  std::vector<std::string> lines_;
  Receiver receiver_{adapter_, blockTimer_, [this](const std::string& line) { lines_.push_back(line); }};
};

TEST_F(ReadAheadTest, OneQueryPerTickAndOneReadPerTickThatTakesData) {
  const struct {
    const char* name;
    bool blockMode;                     // the receiver has learned 11-byte lines
    std::vector<std::string> arrivals;  // what arrives before each tick
    int queries, reads;                 // library calls over all ticks
    std::size_t lines;
  } cases[] = {
      // After silence the receiver is back in byte mode; a whole report that
      // waits is still one read, not eleven.
      {"byte mode, a whole report", false, {"01230456B\r\n"}, 1, 1, 1},
      {"byte mode, a trickle", false, {"0123", "0456", "B\r\n"}, 3, 3, 1},
      {"block mode, a whole report", true, {"01230456B\r\n"}, 1, 1, 1},
      // Part of a line stays in the library until the line is complete.
      {"block mode, a trickle", true, {"0123", "0456", "B\r\n"}, 3, 1, 1},
      {"block mode, two reports", true, {"01230456B\r\n07890123B\r\n"}, 1, 1, 2},
      {"silence", true, {"", "", ""}, 3, 0, 0}};
  Open();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    blockTimer_.Fire();  // back to byte mode
    if (c.blockMode) {
      device_.Arrive("00010002B\r\n");
      Tick();
      ASSERT_EQ(link_.RThreshold, 11);
    }
    lines_.clear();
    int queries = 0, reads = 0;
    for (const std::string& bytes : c.arrivals) {
      device_.Arrive(bytes);
      const auto [q, r] = Tick();
      EXPECT_EQ(q, 1) << "library queries in one tick";
      EXPECT_LE(r, 1) << "library reads in one tick";
      queries += q;
      reads += r;
    }
    EXPECT_EQ(queries, c.queries);
    EXPECT_EQ(reads, c.reads);
    EXPECT_EQ(lines_.size(), c.lines);
    for (const auto& line : lines_) EXPECT_EQ(line.size(), 11u) << line;
  }
}

TEST_F(ReadAheadTest, ShortReadHandsOnOnlyTheBytesRead) {
  // A library that reads less than asked (and than it reported waiting):
  // the rest of the buffer is not data.
  auto inner = device_.api.Read;
  device_.api.Read = [inner](FtHandle h, void* buffer, std::uint32_t length, std::uint32_t* read) {
    return inner(h, buffer, std::min<std::uint32_t>(length, 4), read);
  };
  Open();
  device_.Arrive("01230456B\r\n");
  for (int i = 0; i < 5; ++i) Tick();
  EXPECT_EQ(lines_, (std::vector<std::string>{"01230456B\r\n"}));
  EXPECT_TRUE(receiver_.RxBuffer().empty());
}

TEST_F(ReadAheadTest, DeviceLossOnTheTickDropsWhatWasFetched) {
  Open();
  link_.OnRx = nullptr;  // an owner that has not taken the bytes yet
  link_.InputLen = 0;
  int disconnects = 0;
  link_.OnDisConnect = [&] { ++disconnects; };
  device_.Arrive("0123");
  Tick();
  ASSERT_TRUE(device_.Pending().empty());
  device_.Plug(false);
  Tick();
  EXPECT_EQ(disconnects, 1) << "noticed on the tick, not at the owner's next read";
  EXPECT_FALSE(link_.PortOpen());
  device_.Plug(true);
  link_.SetPortOpen(true);
  device_.Arrive("45");
  EXPECT_EQ(link_.ReadStrData(), "45") << "no bytes of the lost connection";
}

TEST_F(ReadAheadTest, InBufferCountSetterPurgesOnlyOnZeroAndDropsWhatWasFetched) {
  Open();
  link_.RThreshold = 0;
  link_.OnRx = nullptr;
  device_.Arrive("stale");
  Tick();
  ASSERT_TRUE(device_.Pending().empty());
  device_.Arrive("0123");
  link_.SetInBufferCount(5);
  link_.SetInBufferCount(-1);
  EXPECT_EQ(device_.Pending(), "0123");
  EXPECT_EQ(device_.Count("Purge"), 1);
  link_.SetInBufferCount(0);
  EXPECT_EQ(device_.Calls().back(), "Purge:1");
  EXPECT_EQ(link_.InBufferCount(), 0);
}

TEST_F(ReadAheadTest, BytesFetchedByANestedTickComeOutInOrder) {
  Open();
  link_.InputLen = 1;
  std::string got;
  int depth = 0;
  link_.OnRx = [&] {
    if (depth++ > 0) return;  // a busy owner
    got += link_.ReadStrData();
    device_.Arrive("BC");
    timer_.Fire();  // a handler that pumps messages
    while (link_.InBufferCount() > 0) got += link_.ReadStrData();
  };
  device_.Arrive("A");
  const auto [queries, reads] = Tick();
  EXPECT_EQ(got, "ABC");
  EXPECT_EQ(queries, 2) << "the outer and the nested tick";
  EXPECT_EQ(reads, 2);
}

TEST_F(ReadAheadTest, BacklogBeyondTheCapWaitsInTheLibraryAndComesOutInOrder) {
  Open();
  link_.OnRx = nullptr;
  link_.InputLen = 0;
  std::string sent;
  for (std::size_t i = 0; sent.size() < ClassFNTD2XX::kReadAheadCap + 100; ++i) sent += static_cast<char>('a' + i % 26);
  device_.Arrive(sent);
  EXPECT_EQ(link_.InBufferCount(), static_cast<std::int32_t>(sent.size()));
  std::string got = link_.ReadStrData();
  EXPECT_EQ(got.size(), ClassFNTD2XX::kReadAheadCap);
  got += link_.ReadStrData();
  EXPECT_EQ(got, sent);
}

// Event-driven: the receiver reads on the library's event, and the timer
// polls only for bytes that no further event will announce.
class EventDrivenTest : public ReadAheadTest {
protected:
  EventDrivenTest() {
    device_.AddChipCalls();
    link_.SetRxSignal(&signal_);
  }
  FakeSignal signal_;
};

TEST_F(EventDrivenTest, ReadsOnTheEventAndPollsOnlyWhileBytesWait) {
  Open();
  ASSERT_TRUE(link_.EventDriven());
  device_.Arrive("01230456B\r\n");
  EXPECT_EQ(lines_, std::vector<std::string>{"01230456B\r\n"});
  EXPECT_FALSE(timer_.Enabled()) << "nothing waits";
  // Block mode now: half a report is not read, and waits.
  device_.Arrive("0789");
  EXPECT_EQ(lines_.size(), 1u);
  EXPECT_TRUE(timer_.Enabled());
  device_.Arrive("0123B\r\n");
  EXPECT_EQ(lines_.size(), 2u);
  EXPECT_FALSE(timer_.Enabled());
  EXPECT_EQ(signal_.Sets(), 3);
}

TEST_F(EventDrivenTest, ALineTheBlockTimeOutLeftIsReadWithoutAFurtherEvent) {
  Open();
  device_.Arrive("01230456B\r\n");
  ASSERT_EQ(link_.RThreshold, 11);
  // A whole report one byte short of the block: it waits for the time-out,
  // which goes back to byte mode; no byte more arrives to set the event.
  device_.Arrive("07890123B\n");
  ASSERT_EQ(lines_.size(), 1u);
  blockTimer_.Fire();
  timer_.Fire();
  EXPECT_EQ(lines_, (std::vector<std::string>{"01230456B\r\n", "07890123B\n"}));
  EXPECT_FALSE(timer_.Enabled());
}

}  // namespace
}  // namespace orvanta
