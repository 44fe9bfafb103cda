#include "panel/ClassPanelData.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "Fakes.h"
#include "actions/ClassButtonAction.h"
#include "profile/ProfileEmulation.h"

namespace orvanta {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

class ClassPanelDataTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.Ok());
    panel_.DataName = "QV-LK2048";
  }

  void Def(const std::string& text) { WriteFile(panel_.DefPath(), text); }
  void Dat(const std::string& text) { WriteFile(panel_.DatPath(), text); }

  std::vector<std::string> Sections() {
    std::vector<std::string> out;
    for (std::int32_t i = 0; i < panel_.ButtonData_Counts(); ++i) {
      const auto* b = panel_.ButtonData(i);
      out.push_back(std::to_string(b->ButtonX) + "." + std::to_string(b->ButtonY));
    }
    return out;
  }

  TempDir dir_;
  profilesim::EmulatedProfileFiles store_;
  ClassPanelData panel_{store_, dir_.Path() + "/Data"};
};

TEST_F(ClassPanelDataTest, LoadThenSaveWithOnlyDefaultsWritesEverything) {
  Def("[Header]\r\nVersion=1.0\r\nName=Sheet\r\nButtonX=1\r\nButtonY=2\r\n"
      "[Button.1.1]\r\nName=Camera.Run\r\nRect=10,20,30,40\r\n"
      "[Button.1.2]\r\n");
  panel_.Load();
  ASSERT_EQ(panel_.ButtonData_Counts(), 2) << "a missing Rect keeps the button, with zero edges";
  EXPECT_TRUE(panel_.Save());
  EXPECT_EQ(ReadFile(panel_.DatPath()),
            "[Header]\r\nVersion=1.0\r\nName=Sheet\r\nButtonX=1\r\nButtonY=2\r\n"
            "[Button.1.1]\r\nName=Camera.Run\r\nRect=10,20,30,40\r\n"
            "[Button.1.2]\r\nName=\r\nRect=0,0,0,0\r\n");
}

TEST_F(ClassPanelDataTest, DatWinsEvenWhenEmptyAndDefFillsTheRest) {
  Def("[Header]\r\nVersion=def\r\nButtonX=1\r\nButtonY=2\r\n"
      "[Button.1.1]\r\nName=FromDef\r\nRect=1,2,3,4\r\n"
      "[Button.1.2]\r\nName=FromDef\r\nRect=5,6,7,8\r\n");
  Dat("[HEADER]\r\nversion=dat\r\n[Button.1.1]\r\nRect=\r\n[button.1.2]\r\nName=FromDat\r\n");
  panel_.Load();
  EXPECT_EQ(panel_.Version, "dat");
  ASSERT_EQ(Sections(), (std::vector<std::string>{"1.2"})) << "an empty Rect in .dat drops the button";
  EXPECT_EQ(panel_.ButtonData(0)->Name, "FromDat");
  EXPECT_EQ(panel_.ButtonData(0)->Left, 5);
}

TEST_F(ClassPanelDataTest, RectMustSplitIntoExactlyFourParts) {
  const struct {
    const char* rect;
    bool kept;
    std::int32_t l, t, r, b;
  } cases[] = {{"10,20,30", false, 0, 0, 0, 0},         {"1,2,3,4,5", false, 0, 0, 0, 0},
               {"", false, 0, 0, 0, 0},                 {"10, 20 ,30,40", true, 10, 20, 30, 40},
               {",,,", true, 0, 0, 0, 0},               {"-5,x,2.5,1e3", true, -5, 0, 2, 1000},
               {"500,0,100,9999", true, 500, 0, 100, 9999}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rect);
    Def(std::string("[Header]\r\nButtonX=1\r\nButtonY=1\r\n[Button.1.1]\r\nName=N\r\nRect=") + c.rect + "\r\n");
    panel_.Load();
    ASSERT_EQ(panel_.ButtonData_Counts(), c.kept ? 1 : 0);
    if (!c.kept) continue;
    const auto* b = panel_.ButtonData(0);
    EXPECT_EQ((std::vector<int>{b->Left, b->Top, b->Right, b->Bottom}), (std::vector<int>{c.l, c.t, c.r, c.b}));
  }
}

// Edges are inside, and reversed edges hold the same closed area.
TEST_F(ClassPanelDataTest, PointCheckTakesTheEdgesAndReversedRectangles) {
  Def("[Header]\r\nButtonX=2\r\nButtonY=1\r\n[Button.1.1]\r\nRect=500,900,100,700\r\n"
      "[Button.2.1]\r\nRect=1100,200,1300,400\r\n");
  panel_.Load();
  const struct {
    std::int32_t x, y;
    bool hit;
  } cases[] = {{100, 800, true},   {300, 800, true},   {500, 800, true},   {99, 800, false},    {501, 800, false},
               {300, 700, true},   {300, 900, true},   {300, 699, false},  {300, 901, false},   {-300, -800, false},
               {1100, 200, true},  {1300, 400, true},  {1100, 400, true},  {1300, 200, true},   {1301, 300, false}};
  for (const auto& c : cases) EXPECT_EQ(panel_.PointCheck(c.x, c.y) != nullptr, c.hit) << c.x << "," << c.y;
}

TEST_F(ClassPanelDataTest, ZeroColumnsScansOneColumnAndTestsYAlone) {
  Def("[Header]\r\nButtonX=0\r\nButtonY=3\r\n"
      "[Button.1.1]\r\nRect=0,0,0,99\r\n[Button.1.2]\r\nRect=0,100,0,199\r\n[Button.1.3]\r\nRect=0,200,0,299\r\n"
      "[Button.2.1]\r\nRect=0,0,9999,9999\r\n");
  panel_.Load();
  EXPECT_EQ(panel_.ButtonX, 0);
  ASSERT_EQ(Sections(), (std::vector<std::string>{"1.1", "1.2", "1.3"}));
  EXPECT_EQ(panel_.PointCheck(-5000, 150), panel_.ButtonData(1));
  EXPECT_EQ(panel_.PointCheck(9999, 299), panel_.ButtonData(2));
  EXPECT_EQ(panel_.PointCheck(0, 300), nullptr);
}

TEST_F(ClassPanelDataTest, HeaderCountsDecideWhatIsScanned) {
  constexpr std::int32_t kMax = ClassPanelData::kMaxGridCount;
  constexpr std::int32_t kCells = ClassPanelData::kMaxGridCells;
  const struct {
    const char *buttonX, *buttonY;
    std::int32_t expectedCount;
  } cases[] = {{"2", "3", 6},        {"0", "4", 4},   {"4", "0", 4},       {"0", "0", 0},         {"-1", "4", 0},
               {"4", "-1", 0},       {"-1", "-1", 0}, {"", "", 0},         {"1.5", "1", 2},       {"100000", "1", kMax},
               {"1", "100", kMax},   {"10", "30", kCells}, {"2147483647", "2147483647", kCells}};
  for (const auto& c : cases) {
    // No button sections: each scanned cell is a button with the default Rect.
    Def(std::string("[Header]\r\nButtonX=") + c.buttonX + "\r\nButtonY=" + c.buttonY + "\r\n");
    panel_.Load();
    EXPECT_EQ(panel_.ButtonData_Counts(), c.expectedCount) << c.buttonX << " x " << c.buttonY;
  }
  // A count beyond the scan bound is kept as read and written back as it was.
  Def("[Header]\r\nButtonX=100000\r\nButtonY=1\r\n");
  panel_.Load();
  EXPECT_TRUE(panel_.Save());
  EXPECT_EQ(store_.Read(panel_.DatPath(), "Header", "ButtonX", ""), "100000");
}

// A start without the layout (held by another program at log-on) must not
// write counts into .dat that would hide the layout's buttons at every later
// start; counts that a file gave are written back as they were, "-1" too.
TEST_F(ClassPanelDataTest, SaveWritesOnlyTheCountsAFileGave) {
  const std::string layout = "[Header]\r\nButtonX=1\r\nButtonY=2\r\n[Button.1.1]\r\nRect=0,0,9,9\r\n";
  const struct {
    const char *name, *def, *savedX, *savedY;  // null: not written
    std::int32_t buttonsOnceTheLayoutIsBack;     // 1 x 2 from the layout, as far as .dat leaves it
  } cases[] = {{"NoLayout", nullptr, nullptr, nullptr, 2},
               {"OnlyColumns", "[Header]\r\nButtonX=2\r\n", "2", nullptr, 4},
               {"LayoutSaysMinusOne", "[Header]\r\nButtonX=-1\r\nButtonY=-1\r\n", "-1", "-1", 0}};
  for (const auto& c : cases) {
    std::filesystem::remove(panel_.DefPath());
    std::filesystem::remove(panel_.DatPath());
    if (c.def) Def(c.def);
    panel_.Load();
    EXPECT_TRUE(panel_.Save()) << c.name;
    for (const auto& [key, saved] : {std::pair{"ButtonX", c.savedX}, std::pair{"ButtonY", c.savedY}}) {
      EXPECT_EQ(store_.Read(panel_.DatPath(), "Header", AnsiString::FromAscii(key), "absent").bytes(),
                saved ? saved : "absent")
          << c.name << " " << key;
    }
    Def(layout);
    panel_.Load();
    EXPECT_EQ(panel_.ButtonData_Counts(), c.buttonsOnceTheLayoutIsBack) << c.name;
  }
}

TEST_F(ClassPanelDataTest, LoadOrderIsColumnMajorAndDecidesOverlaps) {
  Def("[Header]\r\nButtonX=2\r\nButtonY=2\r\n"
      "[Button.1.1]\r\nName=a\r\nRect=0,0,100,100\r\n[Button.1.2]\r\nName=b\r\nRect=50,50,150,150\r\n"
      "[Button.2.1]\r\nName=c\r\nRect=0,0,200,200\r\n[Button.2.2]\r\nName=d\r\nRect=0,0,200,200\r\n");
  panel_.Load();
  EXPECT_EQ(Sections(), (std::vector<std::string>{"1.1", "1.2", "2.1", "2.2"}));
  EXPECT_EQ(panel_.PointCheck(75, 75)->Name, "a");
  EXPECT_EQ(panel_.PointCheck(125, 125)->Name, "b");
  EXPECT_EQ(panel_.PointCheck(175, 175)->Name, "c");
}

TEST_F(ClassPanelDataTest, ButtonDataIndexesFromZeroWithinRange) {
  Def("[Header]\r\nButtonX=1\r\nButtonY=2\r\n[Button.1.1]\r\nName=first\r\nRect=1,1,2,2\r\n"
      "[Button.1.2]\r\nName=second\r\nRect=3,3,4,4\r\n");
  EXPECT_EQ(panel_.ButtonData_Counts(), 0);
  panel_.Load();
  ASSERT_NE(panel_.ButtonData(0), nullptr);
  EXPECT_EQ(panel_.ButtonData(0)->Name, "first");
  EXPECT_EQ(panel_.ButtonData(1)->Name, "second");
  EXPECT_EQ(panel_.ButtonData(2), nullptr);
  EXPECT_EQ(panel_.ButtonData(-1), nullptr);
  Dat("[Header]\r\nButtonY=1\r\n");
  panel_.Load();
  EXPECT_EQ(panel_.ButtonData_Counts(), 1) << "a load replaces the list";
}

TEST_F(ClassPanelDataTest, ChangedRecordIsWhatSaveWritesAndNothingIsDeleted) {
  Def("[Header]\r\nButtonX=1\r\nButtonY=1\r\n[Button.1.1]\r\nName=Camera.Run\r\nRect=0,0,10,10\r\n");
  Dat("[Button.9.9]\r\nName=old\r\n");
  panel_.Load();
  ClassPanelButtonData* b = panel_.PointCheck(5, 5);
  ASSERT_NE(b, nullptr);
  b->Left = -20;
  b->Top = 3000;
  b->Right = 40;
  b->Bottom = 50;
  EXPECT_TRUE(panel_.Save());
  EXPECT_EQ(store_.Read(panel_.DatPath(), "Button.1.1", "Rect", ""), "-20,3000,40,50");
  EXPECT_EQ(store_.Read(panel_.DatPath(), "Button.9.9", "Name", ""), "old");
  EXPECT_EQ(panel_.PointCheck(-20, 3000), b) << "the hit test uses the new edges at once";
}

TEST_F(ClassPanelDataTest, BothCountsZeroOrLessSkipsTheListEntirely) {
  Def("[Header]\r\nButtonX=1\r\nButtonY=1\r\n[Button.1.1]\r\nRect=0,0,10,10\r\n");
  panel_.Load();
  ASSERT_NE(panel_.PointCheck(5, 5), nullptr);
  panel_.ButtonX = 0;
  panel_.ButtonY = -1;
  EXPECT_EQ(panel_.PointCheck(5, 5), nullptr);
}

TEST_F(ClassPanelDataTest, LoadSaveDefaultCopiesDefByteForByte) {
  const std::string def = "[Header]\nButtonX=1\nButtonY=1\n; comment\n[Button.1.1]\nRect=1,2,3,4\n";
  Def(def);
  Dat("[Header]\r\nButtonX=5\r\n");
  int copies = 0;
  panel_.LoadSaveDefault([&](const std::string& from, const std::string& to) {
    copies += from == panel_.DefPath() && to == panel_.DatPath();
    WriteFile(to, ReadFile(from));
    return true;
  });
  EXPECT_EQ(copies, 1);
  EXPECT_EQ(ReadFile(panel_.DatPath()), def);
  EXPECT_EQ(panel_.ButtonX, 1);
  EXPECT_EQ(panel_.ButtonData_Counts(), 1);
}

TEST_F(ClassPanelDataTest, LoadSaveDefaultWithoutDefLeavesAnEmptyDat) {
  Dat("[Header]\r\nButtonX=5\r\nButtonY=5\r\n");
  panel_.LoadSaveDefault([](const std::string&, const std::string&) { return false; });
  EXPECT_EQ(ReadFile(panel_.DatPath()), "");
  EXPECT_EQ(panel_.ButtonX, -1);
  EXPECT_EQ(panel_.ButtonY, -1);
  EXPECT_EQ(panel_.ButtonData_Counts(), 0);
}

// The layout delivered with the driver: every action of the three groups sits
// on some button, buttons do not overlap, and each button's centre hits it.
TEST_F(ClassPanelDataTest, DeliveredLayoutCarriesEveryActionOnSeparateButtons) {
  const auto source = std::filesystem::path(ORVANTA_DATA_DIR) / "Data" / "QV-LK2048.def";
  const std::string def = ReadFile(source.string());
  ASSERT_FALSE(def.empty()) << source;
  Def(def);
  panel_.Load();
  ASSERT_EQ(panel_.ButtonData_Counts(), panel_.ButtonX * panel_.ButtonY);

  std::set<std::string> actions;
  for (std::int32_t i = 0; i < panel_.ButtonData_Counts(); ++i) {
    const auto* b = panel_.ButtonData(i);
    AnsiString element;
    for (int k = 0; ActionElement(b->Name, k, element); ++k) actions.insert(element.bytes());
    EXPECT_EQ(panel_.PointCheck((b->Left + b->Right) / 2, (b->Top + b->Bottom) / 2), b) << b->Name.bytes();
    for (std::int32_t j = i + 1; j < panel_.ButtonData_Counts(); ++j) {
      const auto* o = panel_.ButtonData(j);
      const bool apart = b->Right < o->Left || o->Right < b->Left || b->Bottom < o->Top || o->Bottom < b->Top;
      EXPECT_TRUE(apart) << b->Name.bytes() << " / " << o->Name.bytes();
    }
  }
  const std::set<std::string> expected{
      "PenPlus.RunOnOff", "PenPlus.ToolBarOnOff", "PenPlus.Btn.AreaZoom", "PenPlus.Btn.Mouse",
      "PenPlus.Btn.Pen1", "PenPlus.Btn.PenSetting1", "PenPlus.Btn.FigPen", "PenPlus.Btn.FigPenSetting",
      "PenPlus.Btn.Eraser", "PenPlus.Btn.EraserSetting", "PenPlus.Btn.ChangeSheetMode", "PenPlus.Btn.PagePrev",
      "PenPlus.Btn.PageNext", "PenPlus.Btn.Clear", "PenPlus.Btn.WebLink", "PenPlus.Btn.FileOpenSave",
      "PenPlus.Btn.CaptureSelArea", "Tpdrv.ChangeTPNamedID", "Camera.Run"};
  EXPECT_EQ(actions, expected);
}

}  // namespace
}  // namespace orvanta
