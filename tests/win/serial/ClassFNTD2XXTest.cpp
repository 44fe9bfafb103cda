// The serial link as the driver runs it: the real ClassFNTD2XX, the panel
// library loaded from the program folder and the FastTimer with its wake
// signal, against the simulated panel. What the link asks of the library
// (line set-up, chip set-up, purge, reads, loss) is checked natively over a
// fake library; here only what Windows adds: ticks and wakes that are window
// messages, and loops that run them.
#include <gtest/gtest.h>

#include <chrono>
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
constexpr auto kDeadline = 5s;

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
    rxTimes_.push_back(PanelSim::Now());
    if (readOnRx_) received_ += link_.ReadStrData();
  }

  PanelSim panel_{PanelSim::UniqueName(L"SerialTest")};
  orvanta::win::FastTimer timer_;
  ClassFNTD2XX link_{[] { return orvanta::win::LoadD2xxLibrary(); }};
  int rxEvents_ = 0;
  int disconnects_ = 0;
  bool readOnRx_ = true;
  std::vector<std::int64_t> rxTimes_;
  std::string received_;
};

TEST_F(SerialTest, TicksRaiseOnRxOnlyOnceBytesHaveArrived) {
  link_.SetPortOpen(true);
  ASSERT_TRUE(link_.PortOpen());
  link_.InputLen = 0;  // each OnRx takes all that waits
  const std::string report = PanelSim::ReportText(123, 456, 'B');
  const std::int64_t start = PanelSim::Now() + PanelSim::MsToTicks(30);
  const std::int64_t last = panel_.QueueReport(123, 456, 'B', start);
  ASSERT_GT(last, start);

  ASSERT_TRUE(harness::WaitUntil([&] { return received_.size() >= report.size(); }, kDeadline));
  EXPECT_EQ(received_, report);
  ASSERT_FALSE(rxTimes_.empty());
  EXPECT_GE(rxTimes_.front(), start) << "OnRx before the first byte was on the line";
  // At the line rate the report trickles in over ~3 ms: it cannot all be
  // there before its last byte.
  EXPECT_GE(rxTimes_.back(), last);
}

namespace loopphases {

struct State {
  const int* ticks = nullptr;
  int mark = 0;
  int beforeModal = 0;
  int insideModal = 0;
  int afterModal = 0;
  bool modalDone = false;
  bool inModal = false;  // the modal loop dispatches this thread's timers too
};
State* g_state = nullptr;

INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM, LPARAM) {
  if (msg == WM_INITDIALOG) {
    ::SetTimer(hwnd, 1, 10, nullptr);
    return TRUE;
  }
  if (msg == WM_TIMER && *g_state->ticks - g_state->mark >= 100) {
    g_state->insideModal = *g_state->ticks - g_state->mark;
    g_state->mark = *g_state->ticks;
    ::EndDialog(hwnd, 1);
    return TRUE;
  }
  return FALSE;
}

void CALLBACK Watch(HWND, UINT, UINT_PTR id, DWORD) {
  State& s = *g_state;
  if (s.inModal) return;
  if (!s.modalDone && *s.ticks - s.mark >= 100) {
    s.beforeModal = *s.ticks - s.mark;
    s.mark = *s.ticks;
    alignas(4) WORD tmpl[32] = {};
    auto* dlg = reinterpret_cast<DLGTEMPLATE*>(tmpl);
    dlg->style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
    dlg->cx = 80;
    dlg->cy = 40;
    s.inModal = true;
    ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), dlg, nullptr, DialogProc, 0);
    s.inModal = false;
    s.modalDone = true;
    return;
  }
  if (s.modalDone && *s.ticks - s.mark >= 100) {
    s.afterModal = *s.ticks - s.mark;
    ::KillTimer(nullptr, id);
    ::PostQuitMessage(0);
  }
}

void CALLBACK Deadline(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  ::PostQuitMessage(1);
}

}  // namespace loopphases

// The driver's own loop runs the ticks itself between its waits; a modal
// dialog opened from inside it (as the settings dialog is) hands the ticks
// over to the worker's messages, and back again when it closes.
TEST_F(SerialTest, DriverLoopTicksAndHandsOverToAModalLoopAndBack) {
  readOnRx_ = false;
  link_.RThreshold = 0;
  link_.SetPortOpen(true);
  ASSERT_TRUE(link_.PortOpen());

  loopphases::State state;
  state.ticks = &rxEvents_;
  state.mark = rxEvents_;
  loopphases::g_state = &state;
  const UINT_PTR watch = ::SetTimer(nullptr, 0, 10, loopphases::Watch);
  const UINT_PTR deadline = ::SetTimer(nullptr, 0, 15000, loopphases::Deadline);
  const int code = orvanta::win::RunMessageLoop(timer_);
  ::KillTimer(nullptr, watch);
  ::KillTimer(nullptr, deadline);
  loopphases::g_state = nullptr;

  EXPECT_EQ(code, 0) << "the deadline ended the loop";
  EXPECT_GE(state.beforeModal, 100);
  EXPECT_GE(state.insideModal, 100);
  EXPECT_GE(state.afterModal, 100);
}

namespace modalread {

struct State {
  panelsim::PanelSim* panel = nullptr;
  const std::string* received = nullptr;
  std::size_t want = 0;
  bool inModal = false;
  int rxInModal = 0;
  ULONGLONG deadline = 0;
};
State* g_state = nullptr;

// A dialog whose modal loop is the system's: the report is sent once it
// runs, and the dialog ends when the report has been read (or at the
// deadline).
INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM, LPARAM) {
  State& s = *g_state;
  if (msg == WM_INITDIALOG) {
    s.inModal = true;
    s.panel->QueueReport(123, 456, 'B', PanelSim::Now());
    ::SetTimer(hwnd, 1, 10, nullptr);
    return TRUE;
  }
  if (msg == WM_TIMER && (s.received->size() >= s.want || ::GetTickCount64() > s.deadline)) {
    s.inModal = false;
    ::EndDialog(hwnd, 1);
    return TRUE;
  }
  return FALSE;
}

void CALLBACK QuitLoop(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  ::PostQuitMessage(0);
}

}  // namespace modalread

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
  const auto chip = panel_.Chip();
  EXPECT_EQ(chip.latencyMs, 2u);
  EXPECT_TRUE(chip.eventCharOn && chip.eventChar == '\n');

  panel_.ClearLog();
  ::SetTimer(nullptr, 0, 300, modalread::QuitLoop);
  orvanta::win::RunMessageLoop(timer_);
  EXPECT_TRUE(panel_.Calls("FT_GetQueueStatus").empty()) << "a silent panel is not polled";

  const std::string report = PanelSim::ReportText(123, 456, 'B');
  modalread::State state;
  state.panel = &panel_;
  state.received = &received_;
  state.want = report.size();
  state.deadline = ::GetTickCount64() + 5000;
  modalread::g_state = &state;
  link_.OnRx = [&] {
    OnRx();
    if (state.inModal) ++state.rxInModal;
  };
  alignas(4) WORD tmpl[32] = {};
  auto* dlg = reinterpret_cast<DLGTEMPLATE*>(tmpl);
  dlg->style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
  dlg->cx = 80;
  dlg->cy = 40;
  ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), dlg, nullptr, modalread::DialogProc, 0);
  modalread::g_state = nullptr;
  EXPECT_EQ(received_, report);
  EXPECT_GE(state.rxInModal, 1) << "read inside the dialog's loop";
}

}  // namespace
