#include "core/TouchHandler.h"

#include <gtest/gtest.h>

#include <utility>

#include "Fakes.h"
#include "actions/ClassButtonAction.h"
#include "profile/ProfileEmulation.h"
#include "panel/ClassPanelData.h"

namespace orvanta {
namespace {

using testing::FakeClock;
using testing::FakeTimer;
using testing::TempDir;

// Button A (1,1) at 0..99 x 0..99 with a double-click action, B (2,1) at
// 200..299 with a click action only.
constexpr const char* kLayout =
    "[Header]\r\nButtonX=2\r\nButtonY=1\r\n"
    "[Button.1.1]\r\nName=A.Click&A.Dbl\r\nRect=0,0,99,99\r\n"
    "[Button.2.1]\r\nName=B.Click\r\nRect=200,0,299,99\r\n";

constexpr TouchPoint kOnA{50, 50, 'B'};
constexpr TouchPoint kOnB{250, 50, 'B'};
constexpr TouchPoint kOutside{150, 50, 'B'};

class TouchHandlerTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.Ok());
    panel_.DataName = "QV-LK2048";
    testing::WriteFile(panel_.DefPath(), kLayout);
    panel_.Load();
    ASSERT_EQ(panel_.ButtonData_Counts(), 2);
  }

  TouchHandler::Hooks RecordingHooks() {
    TouchHandler::Hooks hooks;
    hooks.playClickSound = [this] { calls_.push_back("sound"); };
    hooks.action = [this](const AnsiString& text, int index) {
      calls_.push_back(text.bytes() + "#" + std::to_string(index));
      return onAction_ ? onAction_(text, index) : true;
    };
    hooks.dblClickTime = [this] { return dblClickTime_; };
    return hooks;
  }

  void Touch(const TouchPoint& p, std::uint64_t atMs) {
    clock_.AdvanceTo(atMs);
    handler_.HandleTouch(p);
  }

  TempDir dir_;
  profilesim::EmulatedProfileFiles store_;
  ClassPanelData panel_{store_, dir_.Path() + "/Data"};
  FakeClock clock_;
  FakeTimer timer_{&clock_};
  std::int32_t dblClickTime_ = 400;
  std::vector<std::string> calls_;
  std::function<bool(const AnsiString&, int)> onAction_;
  TouchHandler handler_{panel_, timer_, RecordingHooks()};
};

const std::vector<std::string> kClick{"sound", "A.Click&A.Dbl#0"};
const std::vector<std::string> kClickThenDouble{"sound", "A.Click&A.Dbl#0", "A.Click&A.Dbl#1"};

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST_F(TouchHandlerTest, SecondTouchOnTheSameButtonWithinTheTimeIsADoubleClick) {
  const struct {
    std::int32_t dblClickTime;
    std::uint64_t gapMs;
    bool doubleClick;
  } cases[] = {{400, 399, true}, {400, 400, false},
               // 0: the window never closes; out of the timer's range: clamped to 0 and 65535 ms.
               {0, 600000, true}, {-5, 600000, true}, {70000, 65000, true}, {70000, 66000, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.gapMs << " ms apart, DblClickTime " << c.dblClickTime);
    TouchHandler handler{panel_, timer_, RecordingHooks()};  // a window of its own
    calls_.clear();
    dblClickTime_ = c.dblClickTime;
    clock_.Advance(1000);
    handler.HandleTouch(kOnA);
    clock_.Advance(c.gapMs);
    handler.HandleTouch(kOnA);
    EXPECT_EQ(calls_, Concat(kClick, c.doubleClick ? kClickThenDouble : kClick));
  }
}

// Another button starts a window of its own; a touch outside every button
// leaves the window open; a third quick touch is again a double-click.
TEST_F(TouchHandlerTest, TouchSequences) {
  const struct {
    const char* name;
    std::vector<std::pair<TouchPoint, std::uint64_t>> touches;
    std::vector<std::string> calls;
    const char* window;
  } cases[] = {
      {"other button", {{kOnA, 0}, {kOnB, 100}}, {"sound", "A.Click&A.Dbl#0", "sound", "B.Click#0"}, "2,1"},
      {"outside between", {{kOnA, 0}, {kOutside, 100}, {kOnA, 200}}, Concat(kClick, kClickThenDouble), "1,1"},
      {"third quick touch", {{kOnA, 0}, {kOnA, 300}, {kOnA, 600}},
       Concat(Concat(kClick, kClickThenDouble), kClickThenDouble), "1,1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TouchHandler handler{panel_, timer_, RecordingHooks()};
    calls_.clear();
    const std::uint64_t start = clock_.Now() + 100000;
    for (const auto& [point, at] : c.touches) {
      clock_.AdvanceTo(start + at);
      handler.HandleTouch(point);
    }
    EXPECT_EQ(calls_, c.calls);
    EXPECT_EQ(handler.WindowKey(), c.window);
  }
}

TEST_F(TouchHandlerTest, StatesOtherThanBDoNothing) {
  Touch(kOnA, 0);
  calls_.clear();
  for (char state : {'N', 'b', '\n', '\r', 'X'}) Touch(TouchPoint{50, 50, state}, 100);
  EXPECT_TRUE(calls_.empty());
  EXPECT_EQ(handler_.WindowKey(), "1,1");
  EXPECT_TRUE(timer_.Enabled());
}

TEST_F(TouchHandlerTest, TimerTickClosesTheWindowAndDblClickTimeIsReadAtEachClick) {
  Touch(kOnA, 0);
  EXPECT_EQ(timer_.Interval(), 400u);
  clock_.AdvanceTo(400);
  EXPECT_FALSE(timer_.Enabled());
  EXPECT_TRUE(handler_.WindowKey().empty());
  dblClickTime_ = 1000;
  Touch(kOnB, 500);
  EXPECT_EQ(timer_.Interval(), 1000u);
}

TEST_F(TouchHandlerTest, ClickActionOutlastingTheWindowMakesAPlainClick) {
  Touch(kOnA, 0);
  // The second click's action pumps messages for half a second.
  onAction_ = [this](const AnsiString&, int) {
    clock_.Advance(500);
    return true;
  };
  Touch(kOnA, 100);
  EXPECT_EQ(calls_, Concat(kClick, kClick));
  EXPECT_EQ(handler_.WindowKey(), "1,1") << "the click still opens a new window";
}

TEST_F(TouchHandlerTest, CalibratedRectangleIsUsedAtOnce) {
  ClassPanelButtonData* a = panel_.ButtonData(0);
  ASSERT_NE(a, nullptr);
  a->Left = 1000;
  a->Right = 1099;
  Touch(kOnA, 0);
  EXPECT_TRUE(calls_.empty());
  Touch(TouchPoint{1050, 50, 'B'}, 10);
  EXPECT_EQ(calls_, kClick);
}

// With the real dispatcher: a button with a click action only runs it on both
// touches; the double-click call finds no element and reaches no handler.
TEST_F(TouchHandlerTest, SingleActionButtonRunsItsClickOnBothTouches) {
  std::vector<std::string> seen;
  ClassButtonAction::Factories factories;
  factories.tpdrv = [&] { return std::make_unique<testing::RecordingHandler>(std::vector<std::string>{"Click"}, &seen); };
  ClassButtonAction dispatcher(factories);
  onAction_ = [&](const AnsiString& text, int index) { return dispatcher.Action(text, index); };
  testing::WriteFile(panel_.DefPath(),
                     "[Header]\r\nButtonX=1\r\nButtonY=1\r\n[Button.1.1]\r\nName=Tpdrv.Click\r\nRect=0,0,99,99\r\n");
  panel_.Load();
  Touch(kOnA, 0);
  Touch(kOnA, 100);
  EXPECT_EQ(calls_, (std::vector<std::string>{"sound", "Tpdrv.Click#0", "sound", "Tpdrv.Click#0", "Tpdrv.Click#1"}));
  EXPECT_EQ(seen, (std::vector<std::string>{"Click", "Click"}));
}

}  // namespace
}  // namespace orvanta
