// Keeping the panel connected: open by description, line set-up, purge and
// start-up commands after every open, reconnection after unplugging.
#include <gtest/gtest.h>

#include "DriverTestSupport.h"
#include "fntd2xx/PanelSim.h"

namespace drivertest {
namespace {

const std::vector<std::uint8_t> kStartupBytes = {0x0D, 0x4A, 0x31, 0x0D, 0x54, 0x43, 0x31, 0x0D};

class DriverConnection : public ::testing::Test {
protected:
  DriverConnection() : panel(panelsim::PanelSim::UniqueName(L"Conn")) { panel.Export(); }

  // Calls of one name with a given status.
  std::size_t CountCalls(const char* name, bool succeeded) const {
    std::size_t n = 0;
    for (const auto& c : panel.Calls(name)) n += (c.status == 0) == succeeded ? 1 : 0;
    return n;
  }

  panelsim::PanelSim panel;
  DriverFixture f;
};

TEST_F(DriverConnection, OpensThePanelPluggedInAfterStartAndSendsTheStartupCommands) {
  panel.Plug(false);
  ASSERT_TRUE(f.Start());
  // The first attempt happens during start-up, then one a second.
  ASSERT_TRUE(harness::WaitUntil([&] { return CountCalls("FT_OpenEx", false) >= 2; }, 5s));
  EXPECT_EQ(CountCalls("FT_OpenEx", true), 0u);
  EXPECT_TRUE(harness::WindowsOfProcess(f.driver.Id()).empty()) << "no message while the panel is absent";
  panel.ClearLog();

  panel.Plug(true);
  ASSERT_TRUE(harness::WaitUntil([&] { return panel.IsOpen() && panel.Written().size() >= 8; }, 3s));
  EXPECT_EQ(panel.Written(), kStartupBytes);

  const auto opens = panel.Calls("FT_OpenEx");
  ASSERT_FALSE(opens.empty());
  EXPECT_EQ(opens.back().status, 0u);
  EXPECT_EQ(opens.back().args[0], 2u) << "opened by description";
  EXPECT_EQ(opens.back().text, "Orvanta TouchPanel");
  const auto line = panel.HostLine();
  EXPECT_EQ(line.baud, 38400u);
  EXPECT_EQ(line.wordLength, 8u);
  EXPECT_EQ(line.stopBits, 2u);
  EXPECT_EQ(line.parity, 0u);

  // The receive queue is purged before the commands go out.
  const auto calls = panel.Calls();
  std::uint64_t lastPurge = 0, write = 0;
  for (const auto& c : calls) {
    if (c.name == "FT_Purge" && c.args[0] == 1) lastPurge = c.seq;
    if (c.name == "FT_Write" && write == 0) write = c.seq;
  }
  EXPECT_NE(lastPurge, 0u);
  EXPECT_LT(lastPurge, write);
}

TEST_F(DriverConnection, UnplugClosesAndReplugReopensWithTheCommandsSentAgain) {
  ASSERT_TRUE(f.Start());
  ASSERT_TRUE(harness::WaitUntil([&] { return panel.IsOpen() && panel.Written().size() >= 8; }, 5s));
  panel.ClearLog();

  panel.Plug(false);
  ASSERT_TRUE(harness::WaitUntil([&] { return !panel.Calls("FT_Close").empty(); }, 3s));
  // Silent failed attempts while it is away.
  ASSERT_TRUE(harness::WaitUntil([&] { return CountCalls("FT_OpenEx", false) >= 1; }, 3s));
  EXPECT_TRUE(panel.Written().empty());
  EXPECT_TRUE(f.driver.Running());

  // A half-received report from before the loss.
  panel.Plug(true);
  panel.QueueBytes("0123", panelsim::PanelSim::Now());
  ASSERT_TRUE(harness::WaitUntil([&] { return panel.IsOpen() && panel.Written().size() >= 8; }, 3s));
  EXPECT_EQ(panel.Written(), kStartupBytes) << "sent once per open";
  EXPECT_EQ(CountCalls("FT_OpenEx", true), 1u);
  harness::PumpFor(1500ms);
  EXPECT_EQ(CountCalls("FT_OpenEx", true), 1u) << "an open link is not reopened";
  EXPECT_EQ(panel.Calls("FT_Close").size(), 1u);
}

TEST_F(DriverConnection, ExitClosesTheDevice) {
  ASSERT_TRUE(f.Start());
  ASSERT_TRUE(harness::WaitUntil([&] { return panel.IsOpen(); }, 5s));
  ASSERT_TRUE(f.CloseAndWait());
  EXPECT_FALSE(panel.IsOpen());
  EXPECT_FALSE(panel.Calls("FT_Close").empty());
}

}  // namespace
}  // namespace drivertest
