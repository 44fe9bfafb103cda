// The simulated panel itself, called through the library as the link calls
// it: a stand-in kinder than the real device would let link faults through.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "fntd2xx/PanelSim.h"
#include "link/win/D2xxLibrary.h"

namespace {

using orvanta::FtHandle;
using orvanta::FtStatus;
using panelsim::PanelSim;

class PanelSimTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(panel_.Valid());
    panel_.Export();
    api_ = orvanta::win::LoadD2xxLibrary();
    ASSERT_NE(api_, nullptr) << "FNTD2XX.dll missing beside the test";
  }
  void TearDown() override {
    if (api_ && handle_) api_->Close(handle_);
  }

  FtStatus Open() { return api_->OpenEx("Orvanta TouchPanel", 2, &handle_); }
  void SetLine() {
    ASSERT_EQ(api_->SetBaudRate(handle_, 38400), 0u);
    ASSERT_EQ(api_->SetDataCharacteristics(handle_, 8, 2, 0), 0u);
  }
  std::uint32_t Queued() {
    std::uint32_t n = 0;
    EXPECT_EQ(api_->GetQueueStatus(handle_, &n), 0u);
    return n;
  }
  std::string Read(std::uint32_t length) {
    std::string data(length, '\0');
    std::uint32_t got = 0;
    EXPECT_EQ(api_->Read(handle_, data.data(), length, &got), 0u);
    data.resize(got);
    return data;
  }

  PanelSim panel_{PanelSim::UniqueName(L"PanelSimTest")};
  const orvanta::D2xxApi* api_ = nullptr;
  FtHandle handle_ = 0;
};

TEST_F(PanelSimTest, BytesArriveOneByteTimeApart) {
  ASSERT_EQ(Open(), 0u);
  const std::int64_t first = PanelSim::Now() + PanelSim::MsToTicks(20);
  const std::int64_t last = panel_.QueueReport(1, 2, 'B', first);
  EXPECT_EQ(last - first, 10 * PanelSim::ByteTicks());
  // 11 bits at 38400 baud.
  EXPECT_NEAR(PanelSim::TicksToMs(PanelSim::ByteTicks()), 0.2865, 0.001);

  // Every count seen must match the clock: nothing before its due time,
  // never more than the whole report before the last byte was due.
  std::uint32_t previous = 0;
  const std::int64_t deadline = last + PanelSim::MsToTicks(2000);
  for (;;) {
    const std::int64_t before = PanelSim::Now();
    const std::uint32_t n = Queued();
    const std::int64_t after = PanelSim::Now();
    ASSERT_GE(n, previous);
    if (after < first) {
      ASSERT_EQ(n, 0u);
    }
    if (after < last) {
      ASSERT_LT(n, 11u);
    }
    if (n > 0) {
      ASSERT_GE(after, first + (n - 1) * PanelSim::ByteTicks());
    }
    if (before > last) {
      ASSERT_EQ(n, 11u);
    }
    previous = n;
    if (n == 11 || after > deadline) break;
  }
  EXPECT_EQ(previous, 11u);
}

TEST_F(PanelSimTest, NothingOvertakesBytesOnTheWire) {
  ASSERT_EQ(Open(), 0u);
  SetLine();
  const std::int64_t now = PanelSim::Now();
  const std::int64_t lastA = panel_.QueueBytes("AAAA", now + PanelSim::MsToTicks(30), true);
  const std::int64_t lastB = panel_.QueueBytes("B", now);
  EXPECT_GE(lastB, lastA);
  EXPECT_EQ(Queued(), 0u) << "B arrived before the bytes ahead of it";
  EXPECT_EQ(Read(5), "AAAAB");  // the read waits for them
}

TEST_F(PanelSimTest, ReadWaitsForBytesStillOnTheWireAndGivesUpAfterItsTimeOut) {
  ASSERT_EQ(Open(), 0u);
  SetLine();
  panel_.SetReadTimeout(50);
  const std::int64_t start = PanelSim::Now();
  panel_.QueueBytes("xy", start);
  EXPECT_EQ(Read(3), "xy");
  EXPECT_GE(PanelSim::Now() - start, PanelSim::MsToTicks(50));
}

TEST_F(PanelSimTest, PurgeDropsWhatArrivedOnly) {
  ASSERT_EQ(Open(), 0u);
  SetLine();
  const std::int64_t now = PanelSim::Now();
  panel_.QueueBytes("old", now);
  panel_.QueueBytes("new", now + PanelSim::MsToTicks(100));
  ASSERT_EQ(api_->Purge(handle_, 2), 0u);  // transmit only: receive untouched
  EXPECT_EQ(Queued(), 3u);
  ASSERT_EQ(api_->Purge(handle_, 1), 0u);
  EXPECT_EQ(Queued(), 0u);
  EXPECT_EQ(panel_.Pending(), 3u);
  EXPECT_EQ(Read(3), "new");
}

TEST_F(PanelSimTest, WrongLineSettingsGarbleTheBytes) {
  ASSERT_EQ(Open(), 0u);
  panel_.QueueReport(1234, 5678, 'B', PanelSim::Now(), false);
  // Power-on settings are 9600 8N1: no report survives that.
  const std::string data = Read(11);
  ASSERT_EQ(data.size(), 11u);
  EXPECT_EQ(std::count_if(data.begin(), data.end(), [](char c) { return (c >= '0' && c <= '9') || c == '\n'; }), 0);
  SetLine();
  panel_.QueueReport(1234, 5678, 'B', PanelSim::Now(), false);
  EXPECT_EQ(Read(11), "12345678B\r\n");
}

TEST_F(PanelSimTest, UnplugKillsTheHandleForGood) {
  ASSERT_EQ(Open(), 0u);
  SetLine();
  panel_.QueueBytes("abc", PanelSim::Now());
  panel_.Plug(false);
  std::uint32_t n = 99;
  char buf[4];
  std::uint32_t done = 0;
  struct Case {
    const char* call;
    FtStatus status;
  };
  const Case cases[] = {
      {"FT_GetQueueStatus", api_->GetQueueStatus(handle_, &n)},
      {"FT_Read", api_->Read(handle_, buf, 3, &done)},
      {"FT_Write", api_->Write(handle_, "J1", 2, &done)},
      {"FT_Purge", api_->Purge(handle_, 1)},
      {"FT_SetBaudRate", api_->SetBaudRate(handle_, 38400)},
  };
  for (const Case& c : cases) EXPECT_EQ(c.status, 4u) << c.call;
  EXPECT_EQ(panel_.Pending(), 0u) << "a pulled device keeps no bytes";
  EXPECT_TRUE(panel_.Written().empty());

  // Back in, the old handle stays dead: the device is a new one.
  panel_.Plug(true);
  EXPECT_EQ(api_->GetQueueStatus(handle_, &n), 4u);
  FtHandle fresh = 0;
  ASSERT_EQ(api_->OpenEx("Orvanta TouchPanel", 2, &fresh), 0u);
  EXPECT_NE(fresh, handle_);
  EXPECT_EQ(api_->Close(handle_), 0u);
  EXPECT_EQ(api_->Close(handle_), 1u) << "closed twice";
  handle_ = fresh;
  EXPECT_EQ(Queued(), 0u);
}

TEST_F(PanelSimTest, OpenStatuses) {
  FtHandle other = 0;
  EXPECT_EQ(api_->OpenEx("Orvanta", 2, &other), 2u);
  EXPECT_EQ(api_->OpenEx("ORV00001", 1, &other), 0u) << "by serial number";
  EXPECT_EQ(api_->Close(other), 0u);
  ASSERT_EQ(Open(), 0u);
  EXPECT_EQ(api_->OpenEx("Orvanta TouchPanel", 2, &other), 3u) << "already open: busy";
  EXPECT_EQ(api_->Close(0x7777), 1u);
  const auto opens = panel_.Calls("FT_OpenEx");
  ASSERT_EQ(opens.size(), 4u);
  EXPECT_EQ(opens[0].text, "Orvanta");
  EXPECT_EQ(opens[3].status, 3u);
}

TEST_F(PanelSimTest, LogKeepsOrderAndClears) {
  ASSERT_EQ(Open(), 0u);
  SetLine();
  std::uint32_t done = 0;
  ASSERT_EQ(api_->Write(handle_, "\rJ1\r", 4, &done), 0u);
  EXPECT_EQ(done, 4u);
  const auto calls = panel_.Calls();
  ASSERT_EQ(calls.size(), 4u);
  for (std::size_t i = 1; i < calls.size(); ++i) EXPECT_EQ(calls[i].seq, calls[i - 1].seq + 1);
  EXPECT_EQ(calls[3].name, "FT_Write");
  EXPECT_EQ(calls[3].args[0], 4u);
  EXPECT_EQ(panel_.Written(), (std::vector<std::uint8_t>{'\r', 'J', '1', '\r'}));
  panel_.ClearLog();
  EXPECT_TRUE(panel_.Calls().empty());
  EXPECT_TRUE(panel_.Written().empty());
  EXPECT_EQ(Queued(), 0u);
  EXPECT_EQ(panel_.Calls().size(), 1u);
}

TEST_F(PanelSimTest, CallCostSlowsEveryCallAndDataCallsAreCounted) {
  ASSERT_EQ(Open(), 0u);
  SetLine();
  panel_.QueueBytes("0123", PanelSim::Now());
  const auto before = panel_.CountDataCalls();
  panel_.SetCallCost(2000);
  const std::int64_t start = PanelSim::Now();
  EXPECT_EQ(Queued(), 4u);
  EXPECT_EQ(Read(4), "0123");
  EXPECT_EQ(Queued(), 0u);
  // A lower bound only: the calls cannot be quicker than their cost.
  EXPECT_GE(PanelSim::TicksToMs(PanelSim::Now() - start), 6.0);
  panel_.SetCallCost(0);
  const auto after = panel_.CountDataCalls();
  EXPECT_EQ(after.queriesWithBytes - before.queriesWithBytes, 1u) << "the query that found nothing does not count";
  EXPECT_EQ(after.reads - before.reads, 1u);
}

}  // namespace
