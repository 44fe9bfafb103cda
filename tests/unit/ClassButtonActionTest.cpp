#include "actions/ClassButtonAction.h"

#include <gtest/gtest.h>

namespace orvanta {
namespace {

// Records every name it is handed; answers as a real handler does.
class RecordingHandler : public ActionHandler {
public:
  RecordingHandler(std::string group, std::vector<std::string> list, std::vector<std::string>* log)
      : group_(std::move(group)), list_(std::move(list)), log_(log) {}
  const std::vector<std::string>& ActionList() const override { return list_; }
  bool Action(const std::string& name) override {
    log_->push_back(group_ + ":" + name);
    return InActionList(list_, name);
  }

private:
  std::string group_;
  std::vector<std::string> list_;
  std::vector<std::string>* log_;
};

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
      return std::make_unique<RecordingHandler>(group, list, &log_);
    };
  }

  std::vector<std::string> log_;
  int built_ = 0;
};

struct DispatchCase {
  const char* text;
  int index;
  bool result;
  const char* reached;  // "group:name" the handler got, or "" for none
};

class DispatchTest : public ClassButtonActionTest, public ::testing::WithParamInterface<DispatchCase> {};

TEST_P(DispatchTest, PicksTheElementAndTheGroup) {
  ClassButtonAction dispatcher(AllFactories());
  EXPECT_EQ(dispatcher.Action(GetParam().text, GetParam().index), GetParam().result);
  const std::vector<std::string> expected =
      *GetParam().reached ? std::vector<std::string>{GetParam().reached} : std::vector<std::string>{};
  EXPECT_EQ(log_, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DispatchTest,
    ::testing::Values(DispatchCase{"PenPlus.Btn.Pen1&PenPlus.Btn.PenSetting1", 0, true, "PenPlus:Btn.Pen1"},
                      DispatchCase{"PenPlus.Btn.Pen1&PenPlus.Btn.PenSetting1", 1, true, "PenPlus:Btn.PenSetting1"},
                      DispatchCase{"PenPlus.Btn.Pen1&PenPlus.Btn.PenSetting1", 2, false, ""},
                      DispatchCase{"PenPlus.Btn.Pen1&PenPlus.Btn.PenSetting1", -1, false, ""},
                      DispatchCase{"Camera.Run", 0, true, "Camera:Run"}, DispatchCase{"Camera.Run", 1, false, ""},
                      DispatchCase{"&Camera.Run", 0, false, ""}, DispatchCase{"&Camera.Run", 1, true, "Camera:Run"},
                      DispatchCase{"Tpdrv", 0, false, ""}, DispatchCase{"penplus.Btn.Pen1", 0, false, ""},
                      DispatchCase{"PenPlus.", 0, false, "PenPlus:"},
                      DispatchCase{"Tpdrv.ChangeTPNamedID.x", 0, false, "Tpdrv:ChangeTPNamedID.x"},
                      DispatchCase{"Tpdrv.changetpnamedid", 0, true, "Tpdrv:changetpnamedid"},
                      DispatchCase{"", 0, false, ""}, DispatchCase{"Other.Run", 0, false, ""},
                      DispatchCase{".Run", 0, false, ""},
                      DispatchCase{"A.x&B.y&Camera.Run", 2, true, "Camera:Run"},
                      DispatchCase{"Camera.Run&", 1, false, ""}, DispatchCase{" Camera.Run", 0, false, ""}));

TEST_F(ClassButtonActionTest, HandlersAreBuiltOnceUpFront) {
  ClassButtonAction dispatcher(AllFactories());
  EXPECT_EQ(built_, 3);
  for (int i = 0; i < 5; ++i) {
    (void)dispatcher.Action("Camera.Run", 0);
    (void)dispatcher.Action("PenPlus.Btn.Pen1", 0);
  }
  EXPECT_EQ(built_, 3);
}

TEST_F(ClassButtonActionTest, GroupWithoutFactoryIsNotRouted) {
  ClassButtonAction::Factories f = AllFactories();
  f.penPlus = nullptr;
  ClassButtonAction dispatcher(f);
  EXPECT_FALSE(dispatcher.Action("PenPlus.Btn.Pen1", 0));
  EXPECT_TRUE(dispatcher.Action("Camera.Run", 0));
  EXPECT_EQ(log_, (std::vector<std::string>{"Camera:Run"}));
}

struct ElementCase {
  const char* text;
  int index;
  bool found;
  const char* element;
};

class ActionElementTest : public ::testing::TestWithParam<ElementCase> {};

TEST_P(ActionElementTest, SplitsAtEveryAmpersand) {
  std::string element = "untouched";
  EXPECT_EQ(ActionElement(GetParam().text, GetParam().index, element), GetParam().found);
  EXPECT_EQ(element, GetParam().found ? GetParam().element : "untouched");
}

INSTANTIATE_TEST_SUITE_P(Elements, ActionElementTest,
                         ::testing::Values(ElementCase{"a&b&c", 0, true, "a"}, ElementCase{"a&b&c", 2, true, "c"},
                                           ElementCase{"a&b&c", 3, false, ""}, ElementCase{"a&&c", 1, true, ""},
                                           ElementCase{"&", 1, true, ""}, ElementCase{"", 0, false, ""},
                                           ElementCase{"a", -1, false, ""}));

struct ListCase {
  const char* name;
  bool found;
};

class InActionListTest : public ::testing::TestWithParam<ListCase> {};

TEST_P(InActionListTest, IgnoresAsciiLetterCaseOnly) {
  EXPECT_EQ(InActionList({"Btn.Pen1", "RunOnOff"}, GetParam().name), GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(Names, InActionListTest,
                         ::testing::Values(ListCase{"Btn.Pen1", true}, ListCase{"btn.pen1", true},
                                           ListCase{"RUNONOFF", true}, ListCase{"Btn.Pen", false},
                                           ListCase{"Btn.Pen1 ", false}, ListCase{"", false}));

}  // namespace
}  // namespace orvanta
