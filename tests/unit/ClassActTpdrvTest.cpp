#include "actions/ClassActTpdrv.h"

#include <gtest/gtest.h>

#include <climits>
#include <utility>

#include "Fakes.h"

namespace orvanta {
namespace {

using testing::RecordingNotifier;

// The touch-data program's link box as seen through the port: which window
// each lookup finds and what each send answers.
class FakeTouchDataPort : public TouchDataPort {
public:
  std::vector<WindowId> finds{0x10, 0x10};  // one entry per lookup, the last repeats
  std::vector<bool> answers{true, true};    // one entry per send, the last repeats
  std::vector<std::string> lookups;
  std::vector<std::pair<WindowId, std::string>> sent;

  WindowId FindLinkTextBox(const std::string& name) override {
    lookups.push_back(name);
    return Next(finds, lookups.size() - 1);
  }
  bool SendLinkText(WindowId box, const std::string& text) override {
    sent.emplace_back(box, text);
    return box != 0 && Next(answers, sent.size() - 1);
  }

private:
  template <typename T>
  static T Next(const std::vector<T>& v, std::size_t i) {
    return v.empty() ? T{} : v[std::min(i, v.size() - 1)];
  }
};

const std::string kTitle = u8"「キャリブレーション切替」";
const std::string k169 = kTitle + "\r\n" + u8"  16:9 モード";
const std::string k43 = kTitle + "\r\n" + u8"  4:3 モード";
const std::string kNotRunning = kTitle + "\r\n" + u8"  タッチパネルドライバが起動していません。";

class ClassActTpdrvTest : public ::testing::Test {
protected:
  std::vector<std::string> SentTexts() const {
    std::vector<std::string> out;
    for (const auto& s : port_.sent) out.push_back(s.second);
    return out;
  }

  MainSettings settings_;
  int saves_ = 0;
  FakeTouchDataPort port_;
  RecordingNotifier notifier_;
  ClassActTpdrv handler_{settings_, [this] { ++saves_; }, port_, notifier_};
};

// Only 0 moves on to 4:3; any other stored number (-1: never switched)
// starts at 16:9. The first three presses are one alternating run.
TEST_F(ClassActTpdrvTest, PressesAlternateBetweenTheTwoSets) {
  int n = 0;
  for (const std::int32_t before : {-1, 0, 1, 7, -2, INT_MAX, INT_MIN}) {
    SCOPED_TRACE(before);
    settings_.TpdrvChangeTPNamedID = before;
    port_.sent.clear();
    EXPECT_TRUE(handler_.Action("ChangeTPNamedID"));
    const bool to43 = before == 0;
    EXPECT_EQ(SentTexts(), (std::vector<std::string>{to43 ? "TPNamedID=Orvanta-4:3" : "TPNamedID=Orvanta-16:9",
                                                     "DATACHANG"}));
    EXPECT_EQ(settings_.TpdrvChangeTPNamedID, to43 ? 1 : 0);
    EXPECT_EQ(saves_, ++n);
    ASSERT_EQ(notifier_.notes.size(), static_cast<std::size_t>(n));
    EXPECT_EQ(notifier_.notes.back().text, to43 ? k43 : k169);
    EXPECT_EQ(notifier_.notes.back().timeoutMs, -1);
    EXPECT_EQ(notifier_.notes.back().style, 1);
  }
  EXPECT_EQ(port_.lookups, std::vector<std::string>(14, "TextLinkExecute"));
}

// No link box, or the set name refused: nothing changes.
TEST_F(ClassActTpdrvTest, ProgramNotRunningOrRefusingChangesNothing) {
  for (const bool found : {false, true}) {
    port_.sent.clear();
    notifier_.notes.clear();
    port_.finds = {found ? TouchDataPort::WindowId{0x10} : TouchDataPort::WindowId{0}};
    port_.answers = {false};
    settings_.TpdrvChangeTPNamedID = 0;
    EXPECT_TRUE(handler_.Action("ChangeTPNamedID"));
    EXPECT_EQ(SentTexts(), found ? std::vector<std::string>{"TPNamedID=Orvanta-4:3"} : std::vector<std::string>{});
    EXPECT_EQ(settings_.TpdrvChangeTPNamedID, 0);
    EXPECT_EQ(saves_, 0);
    ASSERT_EQ(notifier_.notes.size(), 1u);
    EXPECT_EQ(notifier_.notes[0].text, kNotRunning);
  }
}

TEST_F(ClassActTpdrvTest, LostSecondCommandStillCountsAsSwitched) {
  for (const bool boxGone : {true, false}) {
    port_.sent.clear();
    port_.lookups.clear();
    port_.finds = boxGone ? std::vector<TouchDataPort::WindowId>{0x10, 0} : std::vector<TouchDataPort::WindowId>{0x10};
    port_.answers = boxGone ? std::vector<bool>{true} : std::vector<bool>{true, false};
    settings_.TpdrvChangeTPNamedID = -1;
    EXPECT_TRUE(handler_.Action("ChangeTPNamedID"));
    EXPECT_EQ(settings_.TpdrvChangeTPNamedID, 0);
    EXPECT_EQ(notifier_.notes.back().text, k169);
    EXPECT_EQ(port_.lookups.size(), 2u) << "the box is looked up again for the second command";
  }
  EXPECT_EQ(saves_, 2);
}

}  // namespace
}  // namespace orvanta
