// The link text channel to the touch-data program, against its stand-in
// TouchDataSim, and the calibration-set action over it.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "actions/ClassActTpdrv.h"
#include "actions/win/TpdrvLinkPort.h"
#include "common/Harness.h"
#include "common/RecordingNotifier.h"

namespace {

using namespace std::chrono_literals;
using orvanta::LinkTextPort;
using orvanta::win::TpdrvLinkPort;

constexpr const wchar_t* kCaption = L"Ｔｏｕｃｈ　Ｄａｔａ";

class TouchDataTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(::FindWindowW(L"ThunderRT6FormDC", kCaption), nullptr) << "a touch-data window is already open";
    ASSERT_EQ(::FindWindowW(L"ThunderFormDC", kCaption), nullptr) << "a touch-data window is already open";
  }

  // Starts the stand-in and waits until its window carries the caption (it
  // is given once the text box exists).
  void StartTouchData(const std::wstring& options) {
    const std::wstring args = options + L" \"" + folder_.File(L"links.log") + L"\"";
    ASSERT_TRUE(sim_.Start(harness::Join(harness::BinDir(), L"TouchDataSim.exe"), args));
    const wchar_t* cls = options.find(L"--old") != std::wstring::npos ? L"ThunderFormDC" : L"ThunderRT6FormDC";
    ASSERT_NE(harness::WaitForWindow(cls, kCaption, 15s), nullptr);
  }

  [[nodiscard]] std::string Log() const { return folder_.ReadText(L"links.log"); }

  harness::TestFolder folder_;
  harness::Process sim_;
};

// ---- the port ---------------------------------------------------------------

TEST_F(TouchDataTest, NoProgramNoBox) {
  TpdrvLinkPort port;
  EXPECT_EQ(port.FindLinkTextBox("TextLinkExecute"), 0u);
  EXPECT_FALSE(port.SendLinkText(0, "DATACHANG"));
}

struct ClassCase {
  const wchar_t* options;
  const wchar_t* formClass;
  const wchar_t* boxClass;
};

TEST_F(TouchDataTest, PortFindsTheBoxUnderEitherRuntimeAndDeliversInOrder) {
  const ClassCase cases[] = {
      {L"", L"ThunderRT6FormDC", L"ThunderRT6TextBox"},
      {L"--old", L"ThunderFormDC", L"ThunderTextBox"},
  };
  for (const ClassCase& c : cases) {
    SCOPED_TRACE(c.formClass);
    folder_ = harness::TestFolder();
    StartTouchData(c.options);
    TpdrvLinkPort port;
    const LinkTextPort::WindowId box = port.FindLinkTextBox("TextLinkExecute");
    ASSERT_NE(box, 0u);
    const HWND hwnd = reinterpret_cast<HWND>(box);
    EXPECT_EQ(harness::ClassOf(hwnd), c.boxClass);
    EXPECT_EQ(harness::ClassOf(::GetParent(hwnd)), c.formClass);

    EXPECT_TRUE(port.SendLinkText(box, "TPNamedID=Orvanta-16:9"));
    // Sent, not posted: the program has handled the text when the call returns.
    EXPECT_EQ(Log(), "TPNamedID=Orvanta-16:9\r\n");
    // The box keeps its name whatever it holds: it is found again.
    EXPECT_EQ(port.FindLinkTextBox("TextLinkExecute"), box);
    EXPECT_TRUE(port.SendLinkText(box, "DATACHANG"));
    EXPECT_EQ(Log(), "TPNamedID=Orvanta-16:9\r\nDATACHANG\r\n");

    EXPECT_EQ(port.FindLinkTextBox("TextLinkExecuteX"), 0u);
    EXPECT_EQ(port.FindLinkTextBox("Other"), 0u);

    ::PostMessageW(::GetParent(hwnd), WM_CLOSE, 0, 0);
    EXPECT_TRUE(sim_.WaitExit(10s));
    EXPECT_EQ(port.FindLinkTextBox("TextLinkExecute"), 0u);
  }
}

TEST_F(TouchDataTest, CaptionWithoutTextBoxIsNotFound) {
  StartTouchData(L"--no-box");
  TpdrvLinkPort port;
  EXPECT_EQ(port.FindLinkTextBox("TextLinkExecute"), 0u);
}

TEST_F(TouchDataTest, HungProgramFailsWithinTheTimeOut) {
  StartTouchData(L"--hang=60");
  TpdrvLinkPort port(1000);
  const LinkTextPort::WindowId box = port.FindLinkTextBox("TextLinkExecute");
  ASSERT_NE(box, 0u);
  EXPECT_FALSE(port.SendLinkText(box, "TPNamedID=Orvanta-4:3"));
  // Returned while the program still sat on the text: it has logged nothing.
  EXPECT_TRUE(sim_.Running());
  EXPECT_EQ(Log(), "");
}

// ---- the action over the port ---------------------------------------------

class TpdrvActionTest : public TouchDataTest {
protected:
  orvanta::ClassActTpdrv MakeHandler(TpdrvLinkPort& port) {
    return orvanta::ClassActTpdrv(settings_, [this] { ++saves_; }, port, notes_);
  }
  orvanta::MainSettings settings_;
  int saves_ = 0;
  harness::RecordingNotifier notes_;
};

struct PressCase {
  std::int32_t before;
  const char* setName;
  std::int32_t after;
  const char* modeLine;
};

TEST_F(TpdrvActionTest, EachPressSwitchesToTheOtherSet) {
  StartTouchData(L"");
  TpdrvLinkPort port;
  auto handler = MakeHandler(port);
  const PressCase presses[] = {
      {-1, "Orvanta-16:9", 0, u8"  16:9 モード"},
      {0, "Orvanta-4:3", 1, u8"  4:3 モード"},
      {1, "Orvanta-16:9", 0, u8"  16:9 モード"},
      {0, "Orvanta-4:3", 1, u8"  4:3 モード"},
  };
  settings_.TpdrvChangeTPNamedID = -1;
  std::string expectedLog;
  int press = 0;
  for (const PressCase& p : presses) {
    SCOPED_TRACE(++press);
    ASSERT_EQ(settings_.TpdrvChangeTPNamedID, p.before);
    EXPECT_TRUE(handler.Action("ChangeTPNamedID"));
    expectedLog += std::string("TPNamedID=") + p.setName + "\r\nDATACHANG\r\n";
    EXPECT_EQ(Log(), expectedLog);
    EXPECT_EQ(settings_.TpdrvChangeTPNamedID, p.after);
    EXPECT_EQ(saves_, press);
    ASSERT_EQ(notes_.texts.size(), static_cast<size_t>(press));
    EXPECT_EQ(notes_.texts.back(), std::string(u8"「キャリブレーション切替」\r\n") + p.modeLine);
  }
}

TEST_F(TpdrvActionTest, OldRuntimeWindowIsUsed) {
  StartTouchData(L"--old");
  TpdrvLinkPort port;
  auto handler = MakeHandler(port);
  settings_.TpdrvChangeTPNamedID = 7;
  EXPECT_TRUE(handler.Action("ChangeTPNamedID"));
  EXPECT_EQ(Log(), "TPNamedID=Orvanta-16:9\r\nDATACHANG\r\n");
  EXPECT_EQ(settings_.TpdrvChangeTPNamedID, 0);
}

TEST_F(TpdrvActionTest, FailuresLeaveTheSettingAndSayTheProgramIsNotRunning) {
  const std::string failed = u8"「キャリブレーション切替」\r\n  タッチパネルドライバが起動していません。";
  const wchar_t* situations[] = {L"(none)", L"--no-box", L"--hang=60"};
  for (const wchar_t* situation : situations) {
    SCOPED_TRACE(::testing::Message() << situation);
    folder_ = harness::TestFolder();
    notes_.texts.clear();
    saves_ = 0;
    if (std::wstring(situation) != L"(none)") StartTouchData(situation);
    TpdrvLinkPort port(1000);
    auto handler = MakeHandler(port);
    settings_.TpdrvChangeTPNamedID = 1;
    EXPECT_TRUE(handler.Action("ChangeTPNamedID"));
    EXPECT_EQ(settings_.TpdrvChangeTPNamedID, 1);
    EXPECT_EQ(saves_, 0);
    ASSERT_EQ(notes_.texts.size(), 1u);
    EXPECT_EQ(notes_.texts[0], failed);
    EXPECT_EQ(Log(), "");
    sim_.Kill();
    ASSERT_TRUE(sim_.WaitExit(10s));
  }
}

TEST_F(TpdrvActionTest, NameInOtherCaseIsAcceptedAndDoesNothing) {
  StartTouchData(L"");
  TpdrvLinkPort port;
  auto handler = MakeHandler(port);
  settings_.TpdrvChangeTPNamedID = -1;
  EXPECT_TRUE(handler.Action("changetpnamedid"));
  EXPECT_FALSE(handler.Action("ChangeTPNamedID2"));
  EXPECT_EQ(settings_.TpdrvChangeTPNamedID, -1);
  EXPECT_TRUE(notes_.texts.empty());
  EXPECT_EQ(Log(), "");
}

}  // namespace
