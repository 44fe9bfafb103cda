// Keeping the panel connected, end to end: the start-up commands and the
// converter chip's settings after every open, reconnection after
// unplugging, with a library that sets a receive event and with one that
// must be polled. The line set-up, the purge before the commands and the
// order of it all are rules of the driver's core, checked natively over a
// fake library.
#include <gtest/gtest.h>

#include "DriverTestSupport.h"

namespace drivertest {
namespace {

const std::vector<std::uint8_t> kStartupBytes = {0x0D, 0x4A, 0x31, 0x0D, 0x54, 0x43, 0x31, 0x0D};

using DriverConnection = PanelDriverTest;

TEST_F(DriverConnection, AbsentPanelIsTriedSilentlyAndEveryOpenSendsTheStartupCommands) {
  const auto count = [&](const char* name, bool succeeded) {
    std::size_t n = 0;
    for (const auto& c : panel.Calls(name)) n += (c.status == 0) == succeeded ? 1 : 0;
    return n;
  };
  panel.Plug(false);
  StartDriver();
  // The first attempt happens during start-up, then one a second.
  ASSERT_TRUE(harness::WaitUntil([&] { return count("FT_OpenEx", false) >= 2; }, 5s));
  EXPECT_EQ(count("FT_OpenEx", true), 0u);
  EXPECT_TRUE(harness::WindowsOfProcess(f.driver.Id()).empty()) << "no message while the panel is absent";

  for (int open = 1; open <= 2; ++open) {
    SCOPED_TRACE(open);
    panel.ClearLog();
    panel.Plug(true);
    // A half-received report from before a loss is purged with the rest.
    panel.QueueBytes("0123", panelsim::PanelSim::Now());
    ASSERT_TRUE(harness::WaitUntil([&] { return panel.IsOpen() && panel.Written().size() >= 8; }, 5s));
    EXPECT_EQ(panel.Written(), kStartupBytes) << "sent once per open";
    EXPECT_EQ(panel.Calls("FT_OpenEx").back().text, "Orvanta TouchPanel");
    // The chip hands a report over at its line feed, anything else within
    // 2 ms, and sets the driver's receive event.
    const auto chip = panel.Chip();
    EXPECT_TRUE(chip.eventCharOn && chip.eventChar == '\n');
    EXPECT_EQ(chip.latencyMs, 2u);
    EXPECT_EQ(chip.notifyMask, 1u);
    if (open == 2) break;
    panel.ClearLog();
    panel.Plug(false);
    ASSERT_TRUE(harness::WaitUntil([&] { return !panel.Calls("FT_Close").empty(); }, 3s));
    ASSERT_TRUE(harness::WaitUntil([&] { return count("FT_OpenEx", false) >= 1; }, 3s));
    EXPECT_TRUE(f.driver.Running());
  }
  harness::PumpFor(1500ms);
  EXPECT_EQ(count("FT_OpenEx", true), 1u) << "an open link is not reopened";
}

// A library with the receive event is not polled while the panel is
// silent; one without it is, every millisecond. Either way a lost panel is
// noticed within about a second and opened again once it is back.
class DriverLibraries : public PanelDriverTest, public ::testing::WithParamInterface<bool> {};

TEST_P(DriverLibraries, LostPanelIsNoticedAndReopenedWithOrWithoutTheReceiveEvent) {
  const bool events = GetParam();
  if (!events) {
    ASSERT_TRUE(::CopyFileW(harness::Join(harness::BinDir(), L"without-chip-calls\\FNTD2XX.dll").c_str(),
                            f.folder.File(L"FNTD2XX.dll").c_str(), FALSE));
  }
  StartDriver();
  EXPECT_EQ(panel.Chip().notifyMask, events ? 1u : 0u);
  panel.ClearLog();
  harness::PumpFor(1500ms);
  const std::size_t polls = panel.Calls("FT_GetQueueStatus").size();
  if (events) {
    EXPECT_LE(polls, 3u) << "the connection check, once a second";
  } else {
    EXPECT_GE(polls, 50u);
  }
  panel.Plug(false);
  ASSERT_TRUE(harness::WaitUntil([&] { return !panel.Calls("FT_Close").empty(); }, 3s));
  panel.ClearLog();
  panel.Plug(true);
  ASSERT_TRUE(harness::WaitUntil([&] { return panel.IsOpen() && panel.Written() == kStartupBytes; }, 3s));
  EXPECT_TRUE(f.driver.Running());
}

INSTANTIATE_TEST_SUITE_P(Table, DriverLibraries, ::testing::Bool(),
                         [](const auto& p) { return std::string(p.param ? "ReceiveEvent" : "Polled"); });

}  // namespace
}  // namespace drivertest
