#include "actions/ClassButtonAction.h"

#include <gtest/gtest.h>

#include "Fakes.h"

namespace orvanta {
namespace {

class ClassButtonActionTest : public ::testing::Test {
protected:
  ClassButtonAction::Factories AllFactories() {
    ClassButtonAction::Factories f;
    f.penPlus = Factory("PenPlus", {"Btn.Pen1", "Btn.PenSetting1"});
    f.tpdrv = Factory("Tpdrv", {"ChangeTPNamedID"});
    f.camera = Factory("Camera", {"Run"});
    return f;
  }
  ClassButtonAction::Factory Factory(const std::string& group, std::vector<std::string> list) {
    return [this, group, list] {
      ++built_;
      return std::make_unique<testing::RecordingHandler>(list, &log_, group);
    };
  }

  std::vector<std::string> log_;
  int built_ = 0;
};

TEST_F(ClassButtonActionTest, DispatchPicksTheElementAndTheGroup) {
  const struct {
    const char* text;
    int index;
    bool result;
    const char* reached;  // "group:name" the handler got, or "" for none
  } cases[] = {{"PenPlus.Btn.Pen1&PenPlus.Btn.PenSetting1", 0, true, "PenPlus:Btn.Pen1"},
               {"PenPlus.Btn.Pen1&PenPlus.Btn.PenSetting1", 1, true, "PenPlus:Btn.PenSetting1"},
               {"PenPlus.Btn.Pen1&PenPlus.Btn.PenSetting1", 2, false, ""},
               {"Camera.Run", 0, true, "Camera:Run"},
               {"&Camera.Run", 1, true, "Camera:Run"},
               {"Tpdrv", 0, false, ""},
               {"penplus.Btn.Pen1", 0, false, ""},
               {"PenPlus.", 0, false, "PenPlus:"},
               {"Tpdrv.ChangeTPNamedID.x", 0, false, "Tpdrv:ChangeTPNamedID.x"},
               {"Tpdrv.changetpnamedid", 0, true, "Tpdrv:changetpnamedid"},
               {"", 0, false, ""},
               {"Other.Run", 0, false, ""},
               {".Run", 0, false, ""},
               {"A.x&B.y&Camera.Run", 2, true, "Camera:Run"},
               {" Camera.Run", 0, false, ""}};
  ClassButtonAction dispatcher(AllFactories());
  for (const auto& c : cases) {
    log_.clear();
    EXPECT_EQ(dispatcher.Action(testing::Ansi(c.text), c.index), c.result) << c.text << " #" << c.index;
    EXPECT_EQ(log_, *c.reached ? std::vector<std::string>{c.reached} : std::vector<std::string>{})
        << c.text << " #" << c.index;
  }
}

TEST_F(ClassButtonActionTest, HandlersAreBuiltOnceUpFrontAndAGroupWithoutFactoryIsNotRouted) {
  ClassButtonAction::Factories f = AllFactories();
  f.penPlus = nullptr;
  ClassButtonAction dispatcher(f);
  EXPECT_EQ(built_, 2);
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(dispatcher.Action("PenPlus.Btn.Pen1", 0));
    EXPECT_TRUE(dispatcher.Action("Camera.Run", 0));
  }
  EXPECT_EQ(built_, 2);
  EXPECT_EQ(log_, std::vector<std::string>(3, "Camera:Run"));
}

TEST(ActionElementTest, SplitsAtEveryAmpersand) {
  const struct {
    const char* text;
    int index;
    bool found;
    const char* element;
  } cases[] = {{"a&b&c", 0, true, "a"}, {"a&b&c", 2, true, "c"}, {"a&b&c", 3, false, ""}, {"a&&c", 1, true, ""},
               {"&", 1, true, ""},      {"", 0, false, ""},      {"a", -1, false, ""}};
  for (const auto& c : cases) {
    AnsiString element = "untouched";
    EXPECT_EQ(ActionElement(testing::Ansi(c.text), c.index, element), c.found) << c.text << " #" << c.index;
    EXPECT_EQ(element.bytes(), c.found ? c.element : "untouched") << c.text << " #" << c.index;
  }
}

TEST(InActionListTest, IgnoresAsciiLetterCaseOnly) {
  for (const auto& [name, found] : {std::pair<const char*, bool>{"Btn.Pen1", true}, {"btn.pen1", true},
                                    {"RUNONOFF", true}, {"Btn.Pen", false}, {"Btn.Pen1 ", false}, {"", false}}) {
    EXPECT_EQ(InActionList({"Btn.Pen1", "RunOnOff"}, name), found) << '"' << name << '"';
  }
}

}  // namespace
}  // namespace orvanta
