// Keeping the panel connected, end to end, with a library that sets a
// receive event and with one that must be polled: an absent panel tried
// silently, the start-up commands and the converter chip's settings after
// every open, a lost panel noticed and opened again. The line set-up, the
// purge before the commands and the order of it all are rules of the
// driver's core, checked natively over a fake library.
#include <gtest/gtest.h>

#include "common/DriverTestSupport.h"

namespace drivertest {
namespace {

class DriverConnection : public PanelDriverTest, public ::testing::WithParamInterface<bool> {
protected:
  std::size_t Count(const char* name, bool succeeded) const {
    std::size_t n = 0;
    for (const auto& c : panel.Calls(name)) n += (c.status == 0) == succeeded ? 1 : 0;
    return n;
  }
};

TEST_P(DriverConnection, AbsentPanelIsTriedSilentlyAndEveryOpenSendsTheStartupCommands) {
  const bool events = GetParam();
  if (!events) {
    ASSERT_TRUE(::CopyFileW(harness::Join(harness::BinDir(), L"without-chip-calls\\FNTD2XX.dll").c_str(),
                            f.folder.File(L"FNTD2XX.dll").c_str(), FALSE));
  }
  panel.Plug(false);
  StartDriver();
  // The first attempt happens during start-up, then one a second.
  ASSERT_TRUE(harness::WaitUntil([&] { return Count("FT_OpenEx", false) >= 2; }, 5s));
  EXPECT_EQ(Count("FT_OpenEx", true), 0u);
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
    // 2 ms, and sets the driver's receive event, where the library can.
    const auto chip = panel.Chip();
    EXPECT_EQ(chip.notifyMask, events ? 1u : 0u);
    if (events) {
      EXPECT_TRUE(chip.eventCharOn && chip.eventChar == '\n');
      EXPECT_EQ(chip.latencyMs, 2u);
    }
    if (open == 2) break;
    // A silent panel: with the receive event only the connection check asks,
    // once a second; without it the library is polled every millisecond.
    panel.ClearLog();
    harness::PumpFor(1500ms);
    const std::size_t polls = panel.Calls("FT_GetQueueStatus").size();
    if (events) {
      EXPECT_LE(polls, 3u);
    } else {
      EXPECT_GE(polls, 50u);
    }
    panel.Plug(false);
    ASSERT_TRUE(harness::WaitUntil([&] { return !panel.Calls("FT_Close").empty(); }, 3s));
    ASSERT_TRUE(harness::WaitUntil([&] { return Count("FT_OpenEx", false) >= 1; }, 3s));
    EXPECT_TRUE(f.driver.Running());
  }
  harness::PumpFor(1500ms);
  EXPECT_EQ(Count("FT_OpenEx", true), 1u) << "an open link is not reopened";
}

INSTANTIATE_TEST_SUITE_P(Table, DriverConnection, ::testing::Bool(),
                         [](const auto& p) { return std::string(p.param ? "ReceiveEvent" : "Polled"); });

}  // namespace
}  // namespace drivertest
