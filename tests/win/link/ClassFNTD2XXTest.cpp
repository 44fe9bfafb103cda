// The serial link as the driver runs it: the real ClassFNTD2XX, the panel
// library loaded from the program folder and the 1 ms FastTimer, against the
// simulated panel. Every wait pumps messages until a condition holds or a
// deadline passes.
#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include "common/Harness.h"
#include "base/win/WinTimers.h"
#include "fntd2xx/PanelSim.h"
#include "link/ClassFNTD2XX.h"
#include "link/win/D2xxLibrary.h"

namespace {

using namespace std::chrono_literals;
using orvanta::ClassFNTD2XX;
using panelsim::PanelSim;

constexpr const char* kPanel = "Orvanta TouchPanel";
constexpr auto kDeadline = 5s;

class LinkTest : public ::testing::Test {
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

  PanelSim panel_{PanelSim::UniqueName(L"LinkTest")};
  orvanta::win::FastTimer timer_;
  ClassFNTD2XX link_{[] { return orvanta::win::LoadD2xxLibrary(); }};
  int rxEvents_ = 0;
  int disconnects_ = 0;
  bool readOnRx_ = true;
  std::vector<std::int64_t> rxTimes_;
  std::string received_;
};

TEST_F(LinkTest, OpenByDescriptionSetsTheLineUpAndPurges) {
  link_.SetPortOpen(true);
  ASSERT_TRUE(link_.PortOpen());
  EXPECT_TRUE(panel_.IsOpen());
  EXPECT_TRUE(timer_.Enabled());
  EXPECT_EQ(timer_.Interval(), 1u);

  struct Expected {
    const char* name;
    std::uint32_t args[3];
  };
  const Expected expected[] = {
      {"FT_OpenEx", {2, 0, 0}},
      {"FT_SetBaudRate", {38400, 0, 0}},
      {"FT_SetDataCharacteristics", {8, 2, 0}},
      {"FT_Purge", {1, 0, 0}},
  };
  const auto calls = panel_.Calls();
  ASSERT_GE(calls.size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    SCOPED_TRACE(expected[i].name);
    EXPECT_EQ(calls[i].name, expected[i].name);
    EXPECT_EQ(calls[i].status, 0u);
    for (int a = 0; a < 3; ++a) EXPECT_EQ(calls[i].args[a], expected[i].args[a]) << "argument " << a;
  }
  EXPECT_EQ(calls[0].text, kPanel);
  // The handle from the open is the one every later call uses.
  for (std::size_t i = 1; i < calls.size(); ++i) EXPECT_EQ(calls[i].handle, calls[0].handle) << calls[i].name;
  EXPECT_EQ(panel_.HostLine(), (panelsim::LineSettings{38400, 8, 2, 0}));
}

TEST_F(LinkTest, TicksRaiseOnRxOnlyOnceBytesHaveArrived) {
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

TEST_F(LinkTest, ThresholdZeroRaisesOnRxOnEveryTickWithNothingWaiting) {
  link_.RThreshold = 0;
  readOnRx_ = false;
  link_.SetPortOpen(true);
  ASSERT_TRUE(link_.PortOpen());
  ASSERT_TRUE(harness::WaitUntil([&] { return rxEvents_ >= 20; }, kDeadline));
  EXPECT_EQ(panel_.Pending(), 0u);
}

TEST_F(LinkTest, ThresholdAboveWaitingRaisesNothing) {
  link_.RThreshold = 12;
  readOnRx_ = false;
  link_.SetPortOpen(true);
  ASSERT_TRUE(link_.PortOpen());
  panel_.QueueReport(1, 2, 'B', PanelSim::Now(), false);
  // Polls go on (the queue is asked) but 11 < 12 never raises OnRx.
  const std::uint64_t mark = panel_.NextSeq();
  ASSERT_TRUE(harness::WaitUntil(
      [&] {
        int polls = 0;
        for (const auto& c : panel_.Calls("FT_GetQueueStatus")) polls += c.seq >= mark && c.args[0] == 11;
        return polls >= 20;
      },
      kDeadline));
  EXPECT_EQ(rxEvents_, 0);
  EXPECT_EQ(panel_.Waiting(), 11u);
}

TEST_F(LinkTest, OpenPurgesWhatArrivedButNotWhatIsOnTheWire) {
  const std::int64_t now = PanelSim::Now();
  panel_.QueueBytes("stale\n", now - PanelSim::MsToTicks(5));
  link_.InputLen = 0;
  const std::string fresh = PanelSim::ReportText(9, 9, 'N');
  panel_.QueueBytes(fresh, now + PanelSim::MsToTicks(200), true);
  link_.SetPortOpen(true);
  ASSERT_TRUE(link_.PortOpen());
  EXPECT_EQ(panel_.PurgedBytes(), 6u);
  ASSERT_TRUE(harness::WaitUntil([&] { return received_.size() >= fresh.size(); }, kDeadline));
  EXPECT_EQ(received_, fresh);
}

TEST_F(LinkTest, UnplugClosesOnceAndStopsTheTicks) {
  link_.SetPortOpen(true);
  ASSERT_TRUE(link_.PortOpen());
  const std::uint64_t openHandle = panel_.Calls("FT_OpenEx").front().handle;
  panel_.Plug(false);
  ASSERT_TRUE(harness::WaitUntil([&] { return disconnects_ > 0; }, kDeadline));
  EXPECT_FALSE(link_.PortOpen());
  EXPECT_FALSE(timer_.Enabled());

  // The failing query is the last poll: FT_Close on the dead handle follows
  // and the link asks nothing any more.
  const auto failed = panel_.Calls("FT_GetQueueStatus").back();
  EXPECT_EQ(failed.status, 4u);
  const auto close = panel_.Calls("FT_Close");
  ASSERT_EQ(close.size(), 1u);
  EXPECT_EQ(close[0].handle, openHandle);
  EXPECT_GT(close[0].seq, failed.seq);
  const std::uint64_t afterClose = panel_.NextSeq();
  harness::PumpFor(100ms);
  EXPECT_EQ(panel_.NextSeq(), afterClose) << "the link still calls the library after the loss";
  EXPECT_EQ(disconnects_, 1);
}

TEST_F(LinkTest, ReplugOpensAFreshHandle) {
  link_.SetPortOpen(true);
  ASSERT_TRUE(link_.PortOpen());
  panel_.Plug(false);
  ASSERT_TRUE(harness::WaitUntil([&] { return disconnects_ > 0; }, kDeadline));
  // Absent: opening fails quietly.
  link_.SetPortOpen(true);
  EXPECT_FALSE(link_.PortOpen());
  panel_.Plug(true);
  link_.SetPortOpen(true);
  ASSERT_TRUE(link_.PortOpen());
  const auto opens = panel_.Calls("FT_OpenEx");
  ASSERT_EQ(opens.size(), 3u);
  EXPECT_EQ(opens[1].status, 2u);
  EXPECT_EQ(opens[2].status, 0u);
  EXPECT_NE(opens[2].handle, opens[0].handle);
  EXPECT_TRUE(timer_.Enabled());
  EXPECT_EQ(disconnects_, 1);
}

struct FailedOpen {
  const char* label;
  const char* option;
  std::int32_t by;
  bool plugged;
  std::uint32_t status;
};

// Named cases in test names and failure messages instead of a byte dump.
void PrintTo(const FailedOpen& c, std::ostream* os) { *os << c.label; }

class LinkOpenFails : public LinkTest, public ::testing::WithParamInterface<FailedOpen> {};

TEST_P(LinkOpenFails, StaysClosedWithoutEvents) {
  const FailedOpen& c = GetParam();
  panel_.Plug(c.plugged);
  link_.FT_Open_Option = c.option;
  link_.FT_Open_By = c.by;
  link_.SetPortOpen(true);
  EXPECT_FALSE(link_.PortOpen());
  EXPECT_FALSE(timer_.Enabled());
  EXPECT_FALSE(panel_.IsOpen());
  const auto calls = panel_.Calls();
  ASSERT_EQ(calls.size(), 1u) << "only the open may be tried";
  EXPECT_EQ(calls[0].name, "FT_OpenEx");
  EXPECT_EQ(calls[0].status, c.status);
  EXPECT_EQ(calls[0].args[0], static_cast<std::uint32_t>(c.by));
  EXPECT_EQ(link_.InBufferCount(), 0);
  EXPECT_EQ(rxEvents_ + disconnects_, 0);
}

const FailedOpen kFailedOpens[] = {
    {"WrongCase", "Orvanta Touchpanel", 2, true, 2},
    {"Empty", "", 2, true, 2},
    {"DescriptionAsSerialNumber", kPanel, 1, true, 2},
    {"Unplugged", kPanel, 2, false, 2},
};

INSTANTIATE_TEST_SUITE_P(Cases, LinkOpenFails, ::testing::ValuesIn(kFailedOpens),
                         [](const ::testing::TestParamInfo<FailedOpen>& i) { return std::string(i.param.label); });

TEST_F(LinkTest, DeviceHeldByAnotherLinkIsBusy) {
  link_.SetPortOpen(true);
  ASSERT_TRUE(link_.PortOpen());
  orvanta::win::FastTimer otherTimer;
  ClassFNTD2XX other([] { return orvanta::win::LoadD2xxLibrary(); });
  other.FT_Open_By = 2;
  other.FT_Open_Option = kPanel;
  other.Settings = "38400,0,8,2";
  other.SetTimerRxCheck(&otherTimer);
  other.SetPortOpen(true);
  EXPECT_FALSE(other.PortOpen());
  EXPECT_FALSE(otherTimer.Enabled());
  EXPECT_EQ(panel_.Calls("FT_OpenEx").back().status, 3u);
  EXPECT_TRUE(link_.PortOpen());
}

struct ModalTicks {
  const int* ticks;
  int ticksAtStart;
  std::int64_t deadline;
  int ticksInside = 0;
};

// Ends the dialog once enough ticks came through or the deadline passed.
INT_PTR CALLBACK ModalTicksProc(HWND hwnd, UINT msg, WPARAM, LPARAM lp) {
  auto* m = reinterpret_cast<ModalTicks*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
  if (msg == WM_INITDIALOG) {
    ::SetWindowLongPtrW(hwnd, DWLP_USER, lp);
    ::SetTimer(hwnd, 1, 10, nullptr);
    return TRUE;
  }
  if (msg == WM_TIMER && m) {
    m->ticksInside = *m->ticks - m->ticksAtStart;
    if (m->ticksInside >= 100 || PanelSim::Now() > m->deadline) ::EndDialog(hwnd, 1);
    return TRUE;
  }
  return FALSE;
}

// Ticks are window messages of this thread: a modal loop (a message box, a
// dialog) dispatches them too, so the panel keeps being read while one runs.
TEST_F(LinkTest, TicksGoOnInsideAModalDialog) {
  readOnRx_ = false;
  link_.RThreshold = 0;
  link_.SetPortOpen(true);
  ASSERT_TRUE(link_.PortOpen());

  ModalTicks modal{&rxEvents_, rxEvents_, PanelSim::Now() + PanelSim::MsToTicks(5000)};
  // An empty dialog from an in-memory template.
  alignas(4) WORD tmpl[32] = {};
  auto* dlg = reinterpret_cast<DLGTEMPLATE*>(tmpl);
  dlg->style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
  dlg->cx = 80;
  dlg->cy = 40;
  const INT_PTR result = ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), dlg, nullptr, ModalTicksProc,
                                                   reinterpret_cast<LPARAM>(&modal));
  ASSERT_EQ(result, 1);
  EXPECT_GE(modal.ticksInside, 100);
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
TEST_F(LinkTest, DriverLoopTicksAndHandsOverToAModalLoopAndBack) {
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

}  // namespace
