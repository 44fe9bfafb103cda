// The link text channel to the touch-data program, against its stand-in
// TouchDataSim. The calibration-set action's rules are checked natively over
// a fake port, and the press end to end in the driver's touch tests.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "actions/win/TouchDataPortWin.h"
#include "common/Harness.h"
#include "identities/WindowIdentities.h"

namespace {

using namespace std::chrono_literals;
using orvanta::TouchDataPort;
using orvanta::win::TouchDataPortWin;

using namespace orvanta::identity;
constexpr const wchar_t* kCaption = kTouchDataCaption;
constexpr const char* kBox = kLinkBoxNameAscii;

class TouchDataTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(::FindWindowW(kFormClass, kCaption), nullptr) << "a touch-data window is already open";
    ASSERT_EQ(::FindWindowW(kFormClassOld, kCaption), nullptr) << "a touch-data window is already open";
  }

  // Starts the stand-in and waits until its window carries the caption (it
  // is given once the text box exists).
  void StartTouchData(const std::wstring& options) {
    const std::wstring args = options + L" \"" + folder_.File(L"links.log") + L"\"";
    ASSERT_TRUE(sim_.Start(harness::Join(harness::BinDir(), L"TouchDataSim.exe"), args));
    const wchar_t* cls = options.find(L"--old") != std::wstring::npos ? kFormClassOld : kFormClass;
    ASSERT_NE(harness::WaitForWindow(cls, kCaption, 15s), nullptr);
  }

  [[nodiscard]] std::string Log() const { return folder_.ReadText(L"links.log"); }

  harness::TestFolder folder_;
  harness::Process sim_;
};

TEST_F(TouchDataTest, NoProgramOrACaptionWithoutTextBoxGivesNoBox) {
  TouchDataPortWin port;
  EXPECT_EQ(port.FindLinkTextBox(kBox), 0u);
  EXPECT_FALSE(port.SendLinkText(0, "DATACHANG"));
  StartTouchData(L"--no-box");
  EXPECT_EQ(port.FindLinkTextBox(kBox), 0u);
}

struct ClassCase {
  const wchar_t* options;
  const wchar_t* formClass;
  const wchar_t* boxClass;
};

TEST_F(TouchDataTest, PortFindsTheBoxUnderEitherRuntimeAndDeliversInOrder) {
  const ClassCase cases[] = {
      {L"", kFormClass, kTextBoxClass},
      {L"--old", kFormClassOld, kTextBoxClassOld},
  };
  for (const ClassCase& c : cases) {
    SCOPED_TRACE(c.formClass);
    folder_ = harness::TestFolder();
    StartTouchData(c.options);
    TouchDataPortWin port;
    const TouchDataPort::WindowId box = port.FindLinkTextBox(kBox);
    ASSERT_NE(box, 0u);
    const HWND hwnd = reinterpret_cast<HWND>(box);
    EXPECT_EQ(harness::ClassOf(hwnd), c.boxClass);
    EXPECT_EQ(harness::ClassOf(::GetParent(hwnd)), c.formClass);

    EXPECT_TRUE(port.SendLinkText(box, "TPNamedID=Orvanta-16:9"));
    // Sent, not posted: the program has handled the text when the call returns.
    EXPECT_EQ(Log(), "TPNamedID=Orvanta-16:9\r\n");
    // The box keeps its name whatever it holds: it is found again.
    EXPECT_EQ(port.FindLinkTextBox(kBox), box);
    EXPECT_TRUE(port.SendLinkText(box, "DATACHANG"));
    EXPECT_EQ(Log(), "TPNamedID=Orvanta-16:9\r\nDATACHANG\r\n");

    EXPECT_EQ(port.FindLinkTextBox(std::string(kBox) + "X"), 0u) << "the whole name, not a prefix";

    ::PostMessageW(::GetParent(hwnd), WM_CLOSE, 0, 0);
    EXPECT_TRUE(sim_.WaitExit(10s));
    EXPECT_EQ(port.FindLinkTextBox(kBox), 0u);
  }
}

TEST_F(TouchDataTest, HungProgramFailsWithinTheTimeOut) {
  StartTouchData(L"--hang=60");
  TouchDataPortWin port(1000);
  const TouchDataPort::WindowId box = port.FindLinkTextBox(kBox);
  ASSERT_NE(box, 0u);
  EXPECT_FALSE(port.SendLinkText(box, "TPNamedID=Orvanta-4:3"));
  // Returned while the program still sat on the text: it has logged nothing.
  EXPECT_TRUE(sim_.Running());
  EXPECT_EQ(Log(), "");
}

}  // namespace
