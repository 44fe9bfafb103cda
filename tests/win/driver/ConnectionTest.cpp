// Keeping the panel connected, end to end: the start-up commands after every
// open and reconnection after unplugging. The line set-up, the purge before
// the commands and the order of it all are rules of the driver's core,
// checked natively over a fake library.
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

}  // namespace
}  // namespace drivertest
