#include "settings/ClassSettingsWindow.h"

#include <gtest/gtest.h>

#include "Fakes.h"
#include "profile/ProfileEmulation.h"

namespace orvanta {
namespace {

struct FakeLabel : SettingLabel {
  std::string caption = "designed";
  void SetCaption(const std::string& text) override { caption = text; }
};

struct FakeCombo : SettingCombo {
  std::vector<std::string> items;
  int selected = -1;
  void Clear() override {
    items.clear();
    selected = -1;
  }
  void AddItem(const std::string& text) override { items.push_back(text); }
  int NewIndex() const override { return static_cast<int>(items.size()) - 1; }
  int ListIndex() const override { return selected; }
  void SetListIndex(int index) override { selected = index; }
};

const std::string kDblClick = DriverSettingRows()[0];
const std::string kNotify = DriverSettingRows()[1];
const std::string kPos = DriverSettingRows()[2];
// Two keys per entry; the second entry repeats the first's values.
const std::string kTwoKeys = "Two:\rA,x\rB,y\none\r1\r2\nsame\r1\r2\nother\r1\r3";

class SettingsWindowTest : public ::testing::Test {
protected:
  std::string Ini() const { return dir.File("Orvanta.ini"); }
  // One row over its own label and list.
  ClassSettingsWindow& Row(const std::string& def) {
    model.SettingAdd(label, combo, def);
    return model;
  }

  testing::TempDir dir;
  profilesim::EmulatedProfileFiles store;
  ClassSettingsWindow model{store, dir.File("Orvanta.ini")};
  FakeLabel label;
  FakeCombo combo;
};

struct LoadCase {
  const char* name;
  std::string ini;
  std::string def;
  int selected;
};

TEST_F(SettingsWindowTest, LoadPreselectsTheEntryWhoseValuesTheIniHolds) {
  const LoadCase cases[] = {
      {"stored 400", "[Main]\r\nDblClickTime=400\r\n", kDblClick, 1},
      {"key missing", "[Main]\r\nPriority=5\r\n", kDblClick, -1},
      {"no INI file", "", kDblClick, -1},
      {"450 matches no entry", "[Main]\r\nDblClickTime=450\r\n", kDblClick, -1},
      {"0400 is not 400", "[Main]\r\nDblClickTime=0400\r\n", kDblClick, -1},
      {"3000 is 3.0s", "[Main]\r\nNotifyMsg=3000\r\n", kNotify, 4},
      {"0 is off", "[Main]\r\nNotifyMsg=0\r\n", kNotify, 0},
      {"no location: the last entry", "", "Caption\na\nb\nc", 2},
      {"identical values: the later entry", "[A]\r\nx=1\r\n[B]\r\ny=2\r\n", kTwoKeys, 1},
      {"every key must match", "[A]\r\nx=1\r\n[B]\r\ny=9\r\n", kTwoKeys, -1},
      {"--None-- is never chosen for a missing key", "", "C:\rMain,K\nnone\r--None--\nset\r1", -1},
      {"--None-- is never chosen for a stored one", "[Main]\r\nK=--None--\r\n", "C:\rMain,K\nx\r--None--", -1},
      {"an entry short of a value does not match", "[Main]\r\nK=1\r\n", "C:\rMain,K\nshort\nfull\r1", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.ini.empty()) testing::WriteFile(Ini(), c.ini);
    profilesim::EmulatedProfileFiles fresh;
    ClassSettingsWindow m(fresh, Ini());
    FakeLabel l;
    FakeCombo box;
    box.items = {"stale"};
    box.selected = 0;
    m.SettingAdd(l, box, c.def);
    m.SettingLoad(0);
    EXPECT_EQ(box.selected, c.selected);
    std::remove(Ini().c_str());
  }
}

struct SaveCase {
  const char* name;
  std::string def;
  int selected;
  std::string expected;  // the INI file afterwards; empty: not written at all
};

TEST_F(SettingsWindowTest, SaveWritesTheSelectedEntrysValuesInHeaderOrder) {
  const SaveCase cases[] = {
      {"0.6s", kDblClick, 2, "[Main]\r\nDblClickTime=600\r\n"},
      {"top right", kPos, 2, "[Main]\r\nNotifyMsgPos=2\r\n"},
      {"nothing selected", kDblClick, -1, ""},
      {"no location", "Caption\na\nb", 1, ""},
      {"two keys", kTwoKeys, 2, "[A]\r\nx=1\r\n[B]\r\ny=3\r\n"},
      {"values are written bare", "C:\rS,K\nq\r\"quoted\"", 0, "[S]\r\nK=\"quoted\"\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    profilesim::EmulatedProfileFiles fresh;
    ClassSettingsWindow m(fresh, Ini());
    FakeLabel l;
    FakeCombo box;
    m.SettingAdd(l, box, c.def);
    m.SettingLoad(0);
    box.selected = c.selected;
    EXPECT_TRUE(m.SettingSave(0));
    EXPECT_EQ(testing::ReadFile(Ini()), c.expected);
    std::remove(Ini().c_str());
  }
}

// A row left unchosen keeps its stored value; a refused write fails the save,
// and the other rows are still written.
TEST_F(SettingsWindowTest, SavingTwoRowsWritesWhatIsChosenAndCanBeWritten) {
  testing::WriteFile(Ini(), "[Main]\r\nDblClickTime=450\r\n");
  testing::RefusingStore refusing;
  ClassSettingsWindow m(refusing, Ini());
  FakeLabel l2;
  FakeCombo c2;
  m.SettingAdd(label, combo, kDblClick);
  m.SettingAdd(l2, c2, kNotify);
  m.SettingsLoad();
  c2.selected = 1;
  EXPECT_TRUE(m.SettingsSave());
  EXPECT_EQ(testing::ReadFile(Ini()), "[Main]\r\nDblClickTime=450\r\nNotifyMsg=500\r\n");
  refusing.refusedKey = "DblClickTime";
  combo.selected = 2;
  c2.selected = 2;
  EXPECT_FALSE(m.SettingsSave());
  EXPECT_EQ(testing::ReadFile(Ini()), "[Main]\r\nDblClickTime=450\r\nNotifyMsg=1000\r\n");
  refusing.refusedKey.clear();
  EXPECT_TRUE(m.SettingsSave());
  EXPECT_EQ(testing::ReadFile(Ini()), "[Main]\r\nDblClickTime=600\r\nNotifyMsg=1000\r\n");
}

TEST_F(SettingsWindowTest, ANewDefinitionTakesEffectAtTheNextLoad) {
  Row("Old:\na").SettingsLoad();
  model.SetSetting(0, "New:\nb\nc");
  EXPECT_EQ(model.Setting(0), "New:\nb\nc");
  EXPECT_EQ(label.caption, "Old:");
  model.SettingLoad(0);
  EXPECT_EQ(label.caption, "New:");
  EXPECT_EQ(combo.items, (std::vector<std::string>{"b", "c"}));
}

TEST_F(SettingsWindowTest, RowsOutsideTheModelAreIgnored) {
  Row(kDblClick);
  EXPECT_EQ(model.SettingCount(), 1);
  for (int index : {-1, 1, 1000}) {
    model.SettingLoad(index);
    EXPECT_TRUE(model.SettingSave(index));
    model.SetSetting(index, "x");
    EXPECT_EQ(model.Setting(index), "");
  }
  EXPECT_EQ(label.caption, "designed");
  EXPECT_EQ(model.Setting(0), kDblClick);
}

TEST_F(SettingsWindowTest, EventsReachEverySubscriberWithTheirSource) {
  int changes = 0;
  std::vector<const void*> sources;
  model.IniDataChange.push_back([&] { ++changes; });
  model.IniDataChange.push_back([&] {
    ++changes;
    model.IniDataChange.clear();  // unsubscribing while raised
  });
  model.MenuSubError.push_back([&](const void* s) { sources.push_back(s); });
  model.RaiseEvent_IniDataChange();
  model.RaiseEvent_IniDataChange();
  model.RaiseEvent_MenuSubError(&label);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(sources, std::vector<const void*>{&label});
}

}  // namespace
}  // namespace orvanta
