// The serial link as the driver runs it: the real ClassFNTD2XX, the panel
// library loaded from the program folder and the FastTimer with its wake
// signal, against the simulated panel. What the link asks of the library
// (line set-up, chip set-up, purge, reads, loss) is checked natively over a
// fake library; here only what Windows adds: ticks and wakes that are window
// messages, and loops that run them.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "common/Harness.h"
#include "base/win/WinTimers.h"
#include "fntd2xx/PanelSim.h"
#include "serial/ClassFNTD2XX.h"
#include "serial/win/D2xxLibrary.h"

namespace {

using namespace std::chrono_literals;
using orvanta::ClassFNTD2XX;
using panelsim::PanelSim;

constexpr const char* kPanel = "Orvanta TouchPanel";

class SerialTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(panel_.Valid());
    panel_.Export();
    link_.FT_Open_By = 2;
    link_.FT_Open_Option = kPanel;
    link_.Settings = "38400,0,8,2";
    link_.RThreshold = 1;
    link_.InputLen = 1;
    link_.SetTimerRxCheck(&timer_);
    link_.OnRx = [this] { OnRx(); };
    link_.OnDisConnect = [this] { ++disconnects_; };
  }

  void OnRx() {
    ++rxEvents_;
    if (readOnRx_) received_ += link_.ReadStrData();
  }

  PanelSim panel_{PanelSim::UniqueName(L"SerialTest")};
  orvanta::win::FastTimer timer_;
  ClassFNTD2XX link_{[] { return orvanta::win::LoadD2xxLibrary(); }};
  int rxEvents_ = 0;
  int disconnects_ = 0;
  bool readOnRx_ = true;
  std::string received_;
};

// Counts ticks in three phases of at least 100 each: in the driver's loop,
// inside a modal dialog opened from a timer of that loop, and back in it.
struct LoopPhases {
  const int* ticks = nullptr;
  int mark = 0;
  int passed = 0;        // phases through: before, inside and after the modal loop
  bool inModal = false;  // the modal loop dispatches this thread's timers too

  [[nodiscard]] bool Passed100() {
    if (*ticks - mark < 100) return false;
    mark = *ticks;
    ++passed;
    return true;
  }
};
LoopPhases* g_phases = nullptr;

// The modal loop opens after the first phase and ends with the second; the
// driver's loop is told to end after the third.
void CALLBACK Watch(HWND, UINT, UINT_PTR id, DWORD) {
  LoopPhases& s = *g_phases;
  if (s.inModal || !s.Passed100()) return;
  if (s.passed == 1) {
    s.inModal = true;
    simcommon::RunModalDialog([] {}, [&] { return s.Passed100(); });
    s.inModal = false;
  } else {
    ::KillTimer(nullptr, id);
    ::PostQuitMessage(0);
  }
}

void CALLBACK QuitLoop(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  ::PostQuitMessage(1);
}

// The driver's own loop runs the ticks itself between its waits; a modal
// dialog opened from inside it (as the settings dialog is) hands the ticks
// over to the worker's messages, and back again when it closes.
TEST_F(SerialTest, DriverLoopTicksAndHandsOverToAModalLoopAndBack) {
  readOnRx_ = false;
  link_.RThreshold = 0;
  link_.SetPortOpen(true);
  ASSERT_TRUE(link_.PortOpen());

  LoopPhases phases;
  phases.ticks = &rxEvents_;
  phases.mark = rxEvents_;
  g_phases = &phases;
  const UINT_PTR watch = ::SetTimer(nullptr, 0, 10, Watch);
  const UINT_PTR deadline = ::SetTimer(nullptr, 0, 15000, QuitLoop);
  const int code = orvanta::win::RunMessageLoop(timer_);
  ::KillTimer(nullptr, watch);
  ::KillTimer(nullptr, deadline);
  g_phases = nullptr;

  EXPECT_EQ(code, 0) << "the deadline ended the loop after " << phases.passed << " of 3 phases of 100 ticks";
}

// Reading on the library's receive event, as the driver does: with the
// panel silent nothing asks the library, and a report that arrives while a
// modal loop runs (a dialog, a message box, a window being moved) is read
// inside it.
TEST_F(SerialTest, ReadsOnTheReceiveEventAndInsideAModalLoop) {
  link_.EventChar = '\n';
  link_.LatencyTimer = 2;
  link_.InputLen = 0;
  link_.SetRxSignal(&timer_);
  link_.SetPortOpen(true);
  ASSERT_TRUE(link_.EventDriven());

  panel_.ClearLog();
  ::SetTimer(nullptr, 0, 300, QuitLoop);
  orvanta::win::RunMessageLoop(timer_);
  EXPECT_TRUE(panel_.Calls("FT_GetQueueStatus").empty()) << "a silent panel is not polled";

  // The report is sent once the dialog's loop runs; the dialog ends when it
  // has been read (or at the deadline).
  const std::string report = PanelSim::ReportText(123, 456, 'B');
  const ULONGLONG deadline = ::GetTickCount64() + 5000;
  bool inModal = false;
  int rxInModal = 0;
  link_.OnRx = [&] {
    OnRx();
    if (inModal) ++rxInModal;
  };
  simcommon::RunModalDialog(
      [&] {
        inModal = true;
        panel_.QueueReport(123, 456, 'B', PanelSim::Now());
      },
      [&] {
        inModal = received_.size() < report.size() && ::GetTickCount64() <= deadline;
        return !inModal;
      });
  EXPECT_EQ(received_, report);
  EXPECT_GE(rxInModal, 1) << "read inside the dialog's loop";
}

}  // namespace
