#include "base/Settings.h"

#include <gtest/gtest.h>

#include <utility>

#include "Fakes.h"
#include "profile/ProfileEmulation.h"

namespace orvanta {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

class SettingsTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(dir_.Ok()); }

  MainSettings LoadFrom(const std::string& text) {
    WriteFile(ini_, text);
    return LoadSettings(store_, ini_);
  }

  TempDir dir_;
  profilesim::EmulatedProfileFiles store_;
  std::string ini_ = dir_.File("Orvanta.ini");
};

TEST_F(SettingsTest, FirstRunWritesEveryKeyWithItsDefault) {
  const MainSettings loaded = LoadSettings(store_, ini_);
  SaveSettings(store_, ini_, loaded);
  EXPECT_EQ(ReadFile(ini_),
            "[Main]\r\n"
            "Priority=5\r\n"
            "DblClickTime=400\r\n"
            "NotifyMsg=3000\r\n"
            "NotifyMsgPos=0\r\n"
            "[PenPlus]\r\n"
            "Path=\"\"\r\n"
            "RunTimeOut=20000\r\n"
            "[Tpdrv]\r\n"
            "ChangeTPNamedID=-1\r\n"
            "[Camera]\r\n"
            "Path=\"\"\r\n");
}

TEST_F(SettingsTest, SaveRewritesValuesInPlace) {
  WriteFile(ini_, "[Camera]\r\nPath=old\r\n[Main]\r\nNotifyMsg=1\r\nExtra=kept\r\n");
  MainSettings s;
  s.NotifyMsg = 5000;
  s.CameraPath = "C:\\Cam\\cam.exe";
  SaveSettings(store_, ini_, s);
  EXPECT_EQ(ReadFile(ini_),
            "[Camera]\r\nPath=\"C:\\Cam\\cam.exe\"\r\n"
            "[Main]\r\nNotifyMsg=5000\r\nExtra=kept\r\nPriority=5\r\nDblClickTime=400\r\nNotifyMsgPos=0\r\n"
            "[PenPlus]\r\nPath=\"\"\r\nRunTimeOut=20000\r\n"
            "[Tpdrv]\r\nChangeTPNamedID=-1\r\n");
}

// Numbers are read leniently (the reader has its own table).
TEST_F(SettingsTest, MissingKeysTakeTheirDefaultsAndNumbersAreReadLeniently) {
  const MainSettings s = LoadFrom("[Main]\r\nNotifyMsgPos=3\r\nNotifyMsg=600ms\r\n[Tpdrv]\r\n");
  EXPECT_EQ(s.NotifyMsgPos, 3);
  EXPECT_EQ(s.NotifyMsg, 600);
  EXPECT_EQ(s.Priority, 5);
  EXPECT_EQ(s.DblClickTime, 400);
  EXPECT_EQ(s.PenPlusRunTimeOut, 20000);
  EXPECT_EQ(s.TpdrvChangeTPNamedID, -1);
  EXPECT_TRUE(s.PenPlusPath.empty());
  EXPECT_TRUE(s.CameraPath.empty());
}

TEST(PriorityClassTest, MapsOneToSixAndNothingElse) {
  const std::pair<std::int32_t, std::uint32_t> cases[] = {{1, 0x40},   {2, 0x4000}, {3, 0x20}, {4, 0x8000}, {5, 0x80},
                                                          {6, 0x100}, {0, 0},      {7, 0},    {-1, 0}};
  for (const auto& [priority, cls] : cases) EXPECT_EQ(PriorityClassFor(priority), cls) << priority;
}

}  // namespace
}  // namespace orvanta
