#include "core/Receiver.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "Fakes.h"

namespace orvanta {
namespace {

using testing::FakeClock;
using testing::FakeTimer;
using testing::ScriptedLink;

TEST(ParseReportLineTest, AcceptsEightDigitsAndANonDigit) {
  const struct {
    const char* line;
    bool valid;
    std::int32_t x, y;
    char state;
  } cases[] = {{"01230456B\r\n", true, 123, 456, 'B'}, {"99990000N\r\n", true, 9999, 0, 'N'},
               // Eight digits and the line end: the state is the line end itself.
               {"12345678\n", true, 1234, 5678, '\n'}, {"12345678\r\n", true, 1234, 5678, '\r'},
               {"12345678B and anything\n", true, 1234, 5678, 'B'},
               {"123456789B\n", false, 0, 0, 0}, {"ABCDEFGHB\n", false, 0, 0, 0}, {"\n", false, 0, 0, 0},
               {"", false, 0, 0, 0}, {"1234567\n", false, 0, 0, 0}, {"1234 5678B\n", false, 0, 0, 0},
               {"-1234567B\n", false, 0, 0, 0}, {"+1234567B\n", false, 0, 0, 0}, {"12345678", false, 0, 0, 0}};
  for (const auto& c : cases) {
    const auto point = ParseReportLine(c.line);
    ASSERT_EQ(point.has_value(), c.valid) << '"' << c.line << '"';
    if (!c.valid) continue;
    EXPECT_EQ(point->dX, c.x) << '"' << c.line << '"';
    EXPECT_EQ(point->dY, c.y) << '"' << c.line << '"';
    EXPECT_EQ(point->dS, c.state) << '"' << c.line << '"';
  }
}

class ReceiverTest : public ::testing::Test {
protected:
  ReceiverTest()
      : timer_(&clock_), receiver_(link_, timer_, [this](const std::string& line) { OnLine(line); }) {}

  // What the link's poll tick does.
  void Poll() {
    if (link_.InBufferCount() >= link_.rThreshold) receiver_.OnRx();
  }
  void PollUntilIdle(int maxTicks = 1000) {
    for (int i = 0; i < maxTicks && !link_.queue.empty(); ++i) Poll();
  }
  // Each millisecond one poll tick, with the block time-out running on the
  // same clock.
  void RunFor(std::uint64_t ms) {
    for (std::uint64_t i = 0; i < ms; ++i) {
      Poll();
      clock_.Advance(1);
    }
  }

  void OnLine(const std::string& line) {
    lines_.push_back(line);
    busySeen_.push_back(receiver_.Busy());
    if (const auto p = ParseReportLine(line)) events_.push_back(*p);
    if (duringLine_) duringLine_();
  }

  void ExpectEvents(std::initializer_list<TouchPoint> expected) {
    std::vector<std::string> want, got;
    for (const TouchPoint& e : expected) want.push_back(Str(e));
    for (const TouchPoint& e : events_) got.push_back(Str(e));
    EXPECT_EQ(got, want);
  }
  static std::string Str(const TouchPoint& p) { return std::to_string(p.dX) + "," + std::to_string(p.dY) + p.dS; }

  void ExpectMode(std::int32_t length) {
    EXPECT_EQ(link_.rThreshold, length);
    EXPECT_EQ(link_.inputLen, length);
  }

  // Teaches the receiver 11-byte reports and clears the record.
  void LearnElevenByteBlocks() {
    link_.queue = "00010002B\r\n";
    PollUntilIdle();
    ExpectMode(11);
    lines_.clear();
    events_.clear();
  }

  FakeClock clock_;
  FakeTimer timer_;
  ScriptedLink link_;
  Receiver receiver_;
  std::vector<std::string> lines_;
  std::vector<bool> busySeen_;
  std::vector<TouchPoint> events_;
  std::function<void()> duringLine_;
};

TEST_F(ReceiverTest, EveryLineIsHandedOnAndOnlyReportsRaiseEvents) {
  link_.queue = "\n";  // a lone line feed does not leave byte mode
  PollUntilIdle();
  ExpectMode(1);
  EXPECT_FALSE(timer_.Enabled());
  link_.queue = "12345678\n";  // eight digits and a line feed: the line feed is the state
  PollUntilIdle();
  ExpectEvents({{1234, 5678, '\n'}});
  ExpectMode(9);
  timer_.Fire();  // back to byte mode
  lines_.clear();
  events_.clear();
  link_.queue = std::string("123456789B\n") + "ABCDEFGHB\n" + "\n";
  PollUntilIdle();
  EXPECT_EQ(lines_, (std::vector<std::string>{"123456789B\n", "ABCDEFGHB\n", "\n"}));
  EXPECT_TRUE(events_.empty());
}

TEST_F(ReceiverTest, TwoReportsWaitingInBlockModeComeOutInOrderOnOneOnRx) {
  LearnElevenByteBlocks();
  link_.queue = "01000200B\r\n03000400N\r\n";
  const int readsBefore = link_.reads;
  receiver_.OnRx();
  ExpectEvents({{100, 200, 'B'}, {300, 400, 'N'}});
  EXPECT_EQ(link_.reads - readsBefore, 2) << "one library read per report in block mode";
  ExpectMode(11);
}

// A shorter report after 11-byte ones: followed by longer ones the receiver
// resynchronises; followed by its like it learns the new length.
TEST_F(ReceiverTest, ShorterReportAfterElevenByteOnesResynchronisesOrTeachesItsLength) {
  for (const auto& [next, mode] : {std::pair<const char*, std::int32_t>{"05000600B\r\n", 11}, {"05000600B\n", 10}}) {
    SCOPED_TRACE(mode);
    LearnElevenByteBlocks();
    link_.queue = std::string("03000400B\n") + next;
    receiver_.OnRx();
    ExpectEvents({{300, 400, 'B'}, {500, 600, 'B'}});
    ExpectMode(mode);
    EXPECT_TRUE(link_.queue.empty());
    timer_.Fire();  // back to byte mode for the next case
  }
}

TEST_F(ReceiverTest, OnRxWhileAReportIsHandledReadsNothing) {
  LearnElevenByteBlocks();
  int nestedCalls = 0;
  duringLine_ = [&] {
    if (nestedCalls++ > 0) return;
    // The action pumps messages: more data arrives, the poll tick and the
    // block time-out both come in.
    link_.queue += "05000600B\r\n";
    const int readsBefore = link_.reads;
    receiver_.OnRx();
    receiver_.OnBlockTimeout();
    EXPECT_EQ(link_.reads, readsBefore);
    EXPECT_EQ(link_.queue.size(), 11u);
    EXPECT_EQ(events_.size(), 1u);
  };
  link_.queue = "01000200B\r\n";
  receiver_.OnRx();
  // The OnRx that was running goes on to read the report that came in.
  ExpectEvents({{100, 200, 'B'}, {500, 600, 'B'}});
  EXPECT_FALSE(receiver_.Busy());
  EXPECT_TRUE(std::all_of(busySeen_.begin(), busySeen_.end(), [](bool b) { return b; }));
}

// Whatever the owner's handling throws reaches the caller, and the receiver
// is not left busy: the next report is handled.
TEST_F(ReceiverTest, AHandlerThatThrowsLeavesTheReceiverReadyForTheNextReport) {
  for (const bool blockMode : {false, true}) {
    SCOPED_TRACE(blockMode ? "block mode" : "byte mode");
    if (blockMode) LearnElevenByteBlocks();
    events_.clear();
    duringLine_ = [] { throw std::runtime_error("handler failed"); };
    link_.queue = "01000200B\r\n";
    EXPECT_THROW(receiver_.OnRx(), std::runtime_error);
    EXPECT_FALSE(receiver_.Busy());
    duringLine_ = nullptr;
    link_.queue = "03000400B\r\n";
    PollUntilIdle();
    ExpectEvents({{100, 200, 'B'}, {300, 400, 'B'}});
    timer_.Fire();  // back to byte mode
  }
}

TEST_F(ReceiverTest, DeviceLostInsideInBufferCountEndsTheLoop) {
  link_.queue = "0123045";
  link_.unplugAtCount = 4;
  receiver_.OnRx();
  EXPECT_FALSE(link_.open);
  EXPECT_LE(link_.countCalls, 6);
  EXPECT_TRUE(events_.empty());
}

TEST_F(ReceiverTest, LinkThatYieldsNoBytesDoesNotSpin) {
  link_.queue = "01230456B\r\n";
  link_.readsYieldNothing = true;
  receiver_.OnRx();
  EXPECT_EQ(link_.reads, 1);
}

TEST_F(ReceiverTest, BlockTimeoutConsumesAPartialReportAndReturnsToByteMode) {
  LearnElevenByteBlocks();
  RunFor(250);  // nothing waiting: only back to byte mode
  ExpectMode(1);
  EXPECT_FALSE(timer_.Enabled());
  EXPECT_TRUE(lines_.empty());
  LearnElevenByteBlocks();
  link_.queue = "01230";
  RunFor(199);
  ExpectMode(11);
  EXPECT_EQ(link_.queue, "01230") << "fewer bytes than a block wait in the device";
  RunFor(2);
  ExpectMode(1);
  EXPECT_FALSE(timer_.Enabled());
  link_.queue += "456B\r\n";
  RunFor(20);
  ExpectEvents({{123, 456, 'B'}});
  ExpectMode(11);
}

TEST_F(ReceiverTest, EachBlockRestartsTheTimeout) {
  LearnElevenByteBlocks();
  for (int i = 0; i < 5; ++i) {
    link_.queue += "01000200B\r\n";
    RunFor(150);
  }
  ExpectMode(11);
  EXPECT_EQ(events_.size(), 5u);
}

TEST_F(ReceiverTest, FloodInBlockModeDropsBackToByteModeAndResynchronises) {
  LearnElevenByteBlocks();
  link_.queue = std::string(1000, '7') + "\n" + "05000600B\r\n";
  PollUntilIdle(5000);
  ExpectEvents({{500, 600, 'B'}});
  ExpectMode(11);
}

TEST_F(ReceiverTest, LinesUpToTheCapAreKept) {
  for (const std::size_t length : {Receiver::kRxBufferCap - 1, Receiver::kRxBufferCap, Receiver::kRxBufferCap + 1}) {
    SCOPED_TRACE(length);  // line feed included
    events_.clear();
    link_.queue = "01230456B" + std::string(length - 10, ' ') + "\n" + "05000600B\r\n";
    // After a long line is learned, the short report waits for the time-out.
    RunFor(1000);
    if (length <= Receiver::kRxBufferCap) {
      ExpectEvents({{123, 456, 'B'}, {500, 600, 'B'}});
    } else {
      ExpectEvents({{500, 600, 'B'}});
    }
  }
}

}  // namespace
}  // namespace orvanta
