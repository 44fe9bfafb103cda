#include "actions/ClassActCamera.h"

#include <gtest/gtest.h>

#include <set>

#include "Fakes.h"

namespace orvanta {
namespace {

using testing::RecordingNotifier;

// The shell and the process table: started processes run until ended.
class FakeProcessPort : public ProcessPort {
public:
  bool startWorks = true;
  std::uint32_t pidToHand = 4242;  // 0: the shell gave the file to a running program
  std::vector<AnsiString> opened;
  std::vector<std::uint32_t> asked;
  std::set<std::uint32_t> running;

  bool ShellOpen(const AnsiString& path, std::uint32_t& pid) override {
    opened.push_back(path);
    if (!startWorks) return false;
    pid = pidToHand;
    if (pid != 0) running.insert(pid);
    if (pidToHand != 0) ++pidToHand;
    return true;
  }
  bool IsRunning(std::uint32_t pid) override {
    asked.push_back(pid);
    return running.count(pid) != 0;
  }
};

const std::string kStarted = u8"PCカメラを起動しました。";
const std::string kCannotStart = std::string(u8"PCカメラを起動できません。") + "\r\n" + u8"設定を確認して下さい。";
const std::string kAlreadyRunning = u8"PCカメラはすでに起動されています。";

class ClassActCameraTest : public ::testing::Test {
protected:
  ClassActCameraTest() { settings_.CameraPath = "C:\\Cam\\cam.exe"; }

  MainSettings settings_;
  FakeProcessPort port_;
  RecordingNotifier notifier_;
  ClassActCamera handler_{settings_, port_, notifier_};
};

TEST_F(ClassActCameraTest, SecondPressWhileRunningStartsNothing) {
  EXPECT_TRUE(handler_.Action("Run"));
  EXPECT_TRUE(handler_.Action("Run"));
  EXPECT_EQ(port_.opened, (std::vector<AnsiString>{"C:\\Cam\\cam.exe"}));
  EXPECT_EQ(notifier_.Texts(), (std::vector<std::string>{kStarted, kAlreadyRunning}));
  for (const auto& note : notifier_.notes) {
    EXPECT_EQ(note.timeoutMs, -1);
    EXPECT_EQ(note.style, 1);
  }
}

TEST_F(ClassActCameraTest, AnEndedCameraIsStartedAgainFromThePathAsItIsThen) {
  EXPECT_TRUE(handler_.Action("Run"));
  port_.running.clear();  // closed, or a launcher that handed over and quit
  settings_.CameraPath = "D:\\Other\\cam2.exe";
  EXPECT_TRUE(handler_.Action("Run"));
  EXPECT_EQ(port_.opened, (std::vector<AnsiString>{"C:\\Cam\\cam.exe", "D:\\Other\\cam2.exe"}));
  EXPECT_EQ(notifier_.Texts(), (std::vector<std::string>{kStarted, kStarted}));
}

TEST_F(ClassActCameraTest, StartWithoutANewProcessIsNotRemembered) {
  port_.pidToHand = 0;
  EXPECT_TRUE(handler_.Action("Run"));
  EXPECT_TRUE(handler_.Action("Run"));
  EXPECT_EQ(notifier_.Texts(), (std::vector<std::string>{kStarted, kStarted}));
  EXPECT_TRUE(port_.asked.empty()) << "id 0 is never looked up";
}

TEST_F(ClassActCameraTest, EndedProcessIsForgottenSoAReusedIdIsNotTheCamera) {
  EXPECT_TRUE(handler_.Action("Run"));  // pid 4242
  port_.running.clear();
  port_.startWorks = false;
  EXPECT_TRUE(handler_.Action("Run"));
  // The system hands 4242 to some other program now.
  port_.running.insert(4242);
  EXPECT_TRUE(handler_.Action("Run"));
  EXPECT_EQ(notifier_.Texts(), (std::vector<std::string>{kStarted, kCannotStart, kCannotStart}));
}

TEST_F(ClassActCameraTest, FailedStartIsReportedAndTriedAgainNextTime) {
  settings_.CameraPath.clear();
  EXPECT_TRUE(handler_.Action("Run"));
  EXPECT_TRUE(port_.opened.empty()) << "an empty path leaves the shell alone";
  settings_.CameraPath = "C:\\Cam\\cam.exe";
  port_.startWorks = false;
  EXPECT_TRUE(handler_.Action("Run"));
  port_.startWorks = true;
  EXPECT_TRUE(handler_.Action("Run"));
  EXPECT_EQ(notifier_.Texts(), (std::vector<std::string>{kCannotStart, kCannotStart, kStarted}));
}

}  // namespace
}  // namespace orvanta
