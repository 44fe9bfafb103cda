// The calibration procedure with a fake clock: steps and labels, the 100 ms
// hold rule, what is stored and saved, cancel, and the drawing geometry.
#include "panel/CalProcedure.h"

#include <gtest/gtest.h>

#include "Fakes.h"
#include "profile/ProfileEmulation.h"

namespace orvanta {
namespace {

using testing::FakeClock;
using testing::FakeTimer;
using testing::TempDir;

constexpr char kFourButtons[] =
    "[Header]\r\nButtonX=2\r\nButtonY=2\r\n"
    "[Button.1.1]\r\nName=Camera.Run\r\nRect=0,0,10,10\r\n"
    "[Button.1.2]\r\nName=Tpdrv.ChangeTPNamedID\r\nRect=0,20,10,30\r\n"
    "[Button.2.1]\r\nName=Unknown.Name\r\nRect=20,0,30,10\r\n"
    "[Button.2.2]\r\nName=Camera.Run&Camera.Run\r\nRect=20,20,30,30\r\n";

class CalProcedureTest : public ::testing::Test {
protected:
  CalProcedureTest() : blink(&clock), hold(&clock) {
    panel.DataName = "QV-LK2048";
    files.files["Orvanta.dat"] = WriteButtonResRecord(testing::Rec("Camera.Run", "Camera", {"camera"}, {1, 2, 3}));
    res.SetPath("Orvanta.dat");
  }

  void Open(const std::string& def = kFourButtons) {
    testing::WriteFile(dir.Path() + "/Data\\QV-LK2048.def", def);
    panel.Load();
    CalProcedure::Hooks hooks;
    hooks.messageBeep = [this](std::uint32_t type) { beeps.push_back(type); };
    hooks.unload = [this] {
      ++unloads;
      cal->Unload();
    };
    hooks.showPicture = [this](const AnsiString& name) { pictures.push_back(name.bytes()); };
    hooks.changed = [this] { steps.push_back(cal->LabelStep()); };
    hooks.saveFailed = [this](const std::string& path) {
      saveFailures.push_back(path);
      if (duringReport) duringReport();
    };
    cal = std::make_unique<CalProcedure>(panel, res, blink, hold, std::move(hooks));
    cal->Open(3375);
  }

  // A touch: "B", the stylus rests heldMs, "N" at (x, y).
  void Touch(int x, int y, std::uint64_t heldMs = 150) {
    Report(x - 5, y - 5, 'B');
    clock.Advance(heldMs);
    Report(x, y, 'N');
    clock.Advance(10);
  }
  // The start touch, then both corners of the four buttons, lo to hi.
  void Calibrate(int lo, int hi) {
    Touch(999, 999);
    for (int k = 1; k <= 8; ++k) Touch(1000 * ((k - 1) / 2) + (k % 2 ? lo : hi), k % 2 ? lo : hi);
  }
  bool Report(int x, int y, char state) {
    bool cancel = false;
    cal->OnRecvTouchPoint(TouchPoint{x, y, state}, cancel);
    return cancel;
  }
  std::string DatRect(const char* section) {
    return store.Read(panel.DatPath(), testing::Ansi(section), "Rect", "missing").bytes();
  }

  TempDir dir;
  testing::RefusingStore store;  // the data file may refuse every write
  ClassPanelData panel{store, dir.Path() + "/Data"};
  testing::MemoryFiles files;
  ClassButtonRes res{&files};
  FakeClock clock;
  FakeTimer blink, hold;
  std::unique_ptr<CalProcedure> cal;
  std::vector<std::uint32_t> beeps;
  std::vector<std::string> pictures;
  std::vector<std::string> steps;
  std::vector<std::string> saveFailures;
  std::function<void()> duringReport;  // touches while the failure is shown
  int unloads = 0;
};

TEST_F(CalProcedureTest, FourButtonsRunFromZeroToEightThenSaveAndCloseWithTheInformationBeep) {
  Open();
  EXPECT_EQ(cal->LabelStep(), "0/8");
  EXPECT_EQ(cal->LabelCal(), CalProcedure::kStartText);
  Calibrate(100, 900);  // the start touch stores nothing
  EXPECT_EQ(unloads, 1);
  ASSERT_EQ(beeps.size(), 9u);
  EXPECT_EQ(beeps.front(), CalProcedure::kBeepSimple);
  EXPECT_EQ(beeps.back(), CalProcedure::kBeepAsterisk);
  std::vector<std::string> seen;
  for (const auto& s : steps) {
    if (seen.empty() || seen.back() != s) seen.push_back(s);
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"0/8", "1/8", "2/8", "3/8", "4/8", "5/8", "6/8", "7/8", "8/8"}));

  // Only the rectangles changed, in memory and in the .dat file; the
  // pictures were asked for once per button by action text.
  const auto* b = panel.ButtonData(3);
  EXPECT_EQ((std::vector<int>{b->Left, b->Top, b->Right, b->Bottom}), (std::vector<int>{3100, 100, 3900, 900}));
  EXPECT_EQ(b->Name, "Camera.Run&Camera.Run");
  EXPECT_EQ(b->ButtonX, 2);
  EXPECT_EQ(DatRect("Button.1.1"), "100,100,900,900");
  EXPECT_EQ(DatRect("Button.2.2"), "3100,100,3900,900");
  EXPECT_EQ(pictures, (std::vector<std::string>{"Camera.Run", "Tpdrv.ChangeTPNamedID", "Unknown.Name",
                                                "Camera.Run&Camera.Run"}));
  EXPECT_TRUE(res.PicDataOf(0).empty()) << "pictures released on unload";
}

TEST_F(CalProcedureTest, ARefusedSaveIsReportedOnceWithTheDataFileAndTheNewRectanglesHoldInMemory) {
  Open();
  store.refuseAll = true;
  // Touches that arrive while the failure is shown count for nothing:
  // nothing is saved or reported twice.
  duringReport = [this] {
    Touch(5, 5);
    Touch(6, 6);
  };
  Calibrate(100, 900);
  EXPECT_EQ(saveFailures, (std::vector<std::string>{panel.DatPath()}));
  EXPECT_EQ(unloads, 1);
  EXPECT_EQ(beeps.back(), CalProcedure::kBeepAsterisk);
  const auto* b = panel.ButtonData(3);
  EXPECT_EQ((std::vector<int>{b->Left, b->Top, b->Right, b->Bottom}), (std::vector<int>{3100, 100, 3900, 900}));
  EXPECT_EQ(DatRect("Button.2.2"), "missing") << "nothing reached the file";

  // Once the file can be written, a calibration saves without a word.
  store.refuseAll = false;
  duringReport = nullptr;
  Open();
  Calibrate(200, 800);
  EXPECT_EQ(saveFailures.size(), 1u);
  EXPECT_EQ(DatRect("Button.2.2"), "3200,200,3800,800");
}

TEST_F(CalProcedureTest, ACornerCountsOnlyAfterTheStylusRested100Ms) {
  const struct {
    const char* name;
    std::uint64_t heldMs;
    bool withB, advances;
  } cases[] = {{"lifted after 99 ms", 99, true, false}, {"lifted after 150 ms", 150, true, true},
               {"N without B", 0, false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Open();
    Touch(1, 1);  // start
    if (c.withB) Report(0, 0, 'B');
    clock.Advance(c.heldMs);
    EXPECT_EQ(cal->Draw().targetColor,
              c.withB && c.heldMs >= 100 ? CalProcedure::Color::Green : CalProcedure::Color::Red);
    EXPECT_EQ(cal->Draw().targetBlink, !c.withB);
    Report(4321, 1234, 'N');
    EXPECT_EQ(cal->CalStep(), c.advances ? 2 : 1);
    EXPECT_EQ(cal->Draw().targetBlink, true);
    EXPECT_EQ(cal->CalButtons()[0].Left, c.advances ? 4321 : 0);
    if (c.advances) EXPECT_EQ(cal->CalButtons()[0].Top, 1234);
  }
}

TEST_F(CalProcedureTest, EveryReportIsClaimedAndOtherStatesChangeNothing) {
  Open();
  for (char state : {'B', 'N', 'X', '\r'}) EXPECT_TRUE(Report(5, 5, state)) << state;
  const int step = cal->CalStep();
  EXPECT_TRUE(Report(5, 5, 'X'));
  EXPECT_EQ(cal->CalStep(), step);
}

TEST_F(CalProcedureTest, ReversedCornersAreStoredAsTouched) {
  Open();
  Touch(0, 0);
  Touch(900, 800);  // upper left
  Touch(100, 50);   // lower right above and left of it
  const auto& b = cal->CalButtons()[0];
  EXPECT_EQ((std::vector<int>{b.Left, b.Top, b.Right, b.Bottom}), (std::vector<int>{900, 800, 100, 50}));
}

TEST_F(CalProcedureTest, UnloadInTheMiddleSavesNothing) {
  Open();
  for (int i = 0; i < 4; ++i) Touch(7000, 7000);
  const std::string before = testing::ReadFile(panel.DatPath());
  cal->Unload();
  EXPECT_FALSE(blink.Enabled());
  EXPECT_FALSE(hold.Enabled());
  Touch(1, 1);  // late reports after unloading are still claimed, and ignored
  EXPECT_EQ(testing::ReadFile(panel.DatPath()), before);
  EXPECT_EQ(panel.ButtonData(0)->Right, 10);
}

TEST_F(CalProcedureTest, LabelsNameTheButtonAndItsCorner) {
  Open();
  Touch(0, 0);
  EXPECT_EQ(cal->LabelCal(), u8"「camera」ボタンの左上（ターゲット位置）をスタイラスでタッチしてください。");
  Touch(0, 0);
  EXPECT_EQ(cal->LabelCal(), u8"「camera」ボタンの右下（ターゲット位置）をスタイラスでタッチしてください。");
  for (int i = 0; i < 3; ++i) Touch(0, 0);
  EXPECT_EQ(cal->LabelCal(), u8"「」ボタンの左上（ターゲット位置）をスタイラスでタッチしてください。")
      << "a name the resources do not know has no display name";
}

TEST_F(CalProcedureTest, GeometryFollowsThePictureWidthAndTheTargetBlinksEvery500Ms) {
  Open();
  const auto& d = cal->Draw();
  // W = 3375: 506.25, 1687.5 (to even: 1688), (3375 - 1688) / 2 = 843.5 (844), 253.
  EXPECT_EQ((std::vector<int>{d.targetSize, d.buttonRectWidth, d.buttonRectHeight, d.buttonRectLeft,
                              d.buttonRectTop}),
            (std::vector<int>{506, 1688, 1688, 844, 253}));
  EXPECT_FALSE(d.showButton);
  Touch(0, 0);
  EXPECT_TRUE(d.showButton && d.TargetVisible());
  EXPECT_EQ(d.targetX, 844);
  EXPECT_EQ(d.targetY, 253);
  // Each step restarts the blink with the target shown.
  clock.Advance(500);
  EXPECT_FALSE(d.TargetVisible());
  clock.Advance(500);
  EXPECT_TRUE(d.TargetVisible());
  Touch(0, 0);
  EXPECT_EQ(d.targetX, 844 + 1688);
  EXPECT_EQ(d.targetY, 253 + 1688);
}

TEST_F(CalProcedureTest, APanelWithoutButtonsWaitsForCancelAndSavesNothing) {
  Open("[Header]\r\nButtonX=-1\r\nButtonY=-1\r\n");
  EXPECT_EQ(cal->LabelStep(), "0/0");
  EXPECT_EQ(cal->LabelCal(), CalProcedure::kNoButtonsText);
  for (int i = 0; i < 3; ++i) Touch(1, 1);
  EXPECT_EQ(unloads, 0);
  EXPECT_TRUE(beeps.empty());
  EXPECT_FALSE(std::ifstream(panel.DatPath()).good());
}

}  // namespace
}  // namespace orvanta
