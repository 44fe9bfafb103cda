// Latency of touch reports through the driver's receive path: the simulated
// panel sends reports back to back at its line rate (11 bytes at 38400 8N2,
// 3.15 ms a report); ClassFNTD2XX, set up as the driver sets it (the line
// feed as the converter chip's event character, a 2 ms latency timer),
// reads them, Receiver cuts lines, and ParseReportLine makes the touch
// point. Latency runs from the moment the report's last byte reaches the
// chip to the moment its point is made.
//
// The stream is read on the library's receive event and, as with a library
// without it, by the 1 ms poll; each also with the simulated library taking
// 50 and 400 us a call. Every report must arrive, in order, without a
// backlog that grows.
//
//   bench_receive_latency [reports, default 2000]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/Receiver.h"
#include "base/win/WinTimers.h"
#include "fntd2xx/PanelSim.h"
#include "serial/ClassFNTD2XX.h"
#include "serial/win/D2xxLibrary.h"
#include "winbench/DriverLink.h"
#include "winbench/WinBench.h"

namespace {

using panelsim::PanelSim;

struct Result {
  winbench::Summary latency;
  std::size_t expected = 0;
  std::size_t received = 0;
  std::size_t outOfOrder = 0;
  std::size_t invalid = 0;
  // Bytes left in the device queue after each report was handled: a backlog
  // that grows shows as a later quarter waiting on more than the first.
  std::vector<std::size_t> waiting;
  double streamMs = 0;
  double queriesPerReport = 0, readsPerReport = 0;
};

// Reports carry their index in X and Y so each is matched to its due time.
// The driver's own loop runs the link's ticks and wakes.
Result RunPhase(PanelSim& panel, orvanta::win::FastTimer& poll, bool events, std::size_t count) {
  orvanta::win::MessageTimer blockTimer;
  orvanta::ClassFNTD2XX link([] { return orvanta::win::LoadD2xxLibrary(); });
  winbench::SetUpAsTheDriver(link);
  link.RThreshold = 1;
  link.InputLen = 1;
  link.SetTimerRxCheck(&poll);
  link.SetRxSignal(events ? &poll : nullptr);

  Result r;
  r.expected = count;
  std::vector<std::int64_t> due(count, 0);
  std::vector<double> latencies;
  latencies.reserve(count);
  std::size_t next = 0;

  orvanta::SerialSource adapter(link);
  orvanta::Receiver receiver(adapter, blockTimer, [&](const std::string& line) {
    const std::int64_t now = winbench::Qpc();
    const auto point = orvanta::ParseReportLine(line);
    if (!point) {
      ++r.invalid;
      return;
    }
    const auto index = static_cast<std::size_t>(point->dY) * 10000 + static_cast<std::size_t>(point->dX);
    if (index >= count) {
      ++r.invalid;
      return;
    }
    if (index != next) ++r.outOfOrder;
    next = index + 1;
    ++r.received;
    latencies.push_back(winbench::QpcToMs(now - due[index]));
    r.waiting.push_back(panel.Waiting());
    if (r.received + r.invalid == count) ::PostQuitMessage(0);
  });
  link.OnRx = [&] { receiver.OnRx(); };

  link.SetPortOpen(true);
  if (!link.PortOpen() || link.EventDriven() != events) {
    std::fprintf(stderr, "the link did not open %s (FNTD2XX.dll beside the program?)\n",
                 events ? "reading on the receive event" : "polling");
    return r;
  }
  const auto callsBefore = panel.CountDataCalls();
  const std::int64_t start = PanelSim::Now() + PanelSim::MsToTicks(100);
  std::int64_t at = start;
  for (std::size_t i = 0; i < count; ++i) {
    due[i] = panel.QueueReport(static_cast<int>(i % 10000), static_cast<int>(i / 10000), 'B', at);
    if (due[i] < 0) {
      std::fprintf(stderr, "device queue full at report %zu\n", i);
      return r;
    }
    at = due[i] + PanelSim::ByteTicks();
  }
  r.streamMs = PanelSim::TicksToMs(due[count - 1] - start);

  // Until every report is in, or a second after the last one was due.
  const std::int64_t deadline = due[count - 1] + PanelSim::MsToTicks(1000);
  const double leftMs = PanelSim::TicksToMs(deadline - PanelSim::Now());
  const UINT_PTR quit = ::SetTimer(nullptr, 0, static_cast<UINT>(leftMs > 1 ? leftMs : 1),
                                   winbench::QuitLoopTimerProc);
  orvanta::win::RunMessageLoop(poll);
  ::KillTimer(nullptr, quit);
  // A second quit (deadline and completion together) must not end the next phase.
  MSG stray;
  while (::PeekMessageW(&stray, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  link.SetPortOpen(false);
  r.latency = winbench::Summarise(latencies);
  const auto calls = panel.CountDataCalls();
  r.queriesPerReport = static_cast<double>(calls.queriesWithBytes - callsBefore.queriesWithBytes) / count;
  r.readsPerReport = static_cast<double>(calls.reads - callsBefore.reads) / count;
  return r;
}

double MeanOf(const std::vector<std::size_t>& v, std::size_t from, std::size_t to) {
  double sum = 0;
  for (std::size_t i = from; i < to; ++i) sum += static_cast<double>(v[i]);
  return to > from ? sum / static_cast<double>(to - from) : 0;
}

// More than a whole report more waiting in the last quarter than in the first.
bool BacklogGrew(const Result& r) {
  const std::size_t n = r.waiting.size();
  return MeanOf(r.waiting, n - n / 4, n) > MeanOf(r.waiting, 0, n / 4) + 11;
}

void Print(const char* label, const Result& r) {
  winbench::Print(label, r.latency);
  const bool lost = r.received != r.expected;
  const std::size_t n = r.waiting.size();
  const double first = MeanOf(r.waiting, 0, n / 4);
  const double last = MeanOf(r.waiting, n - n / 4, n);
  std::size_t peak = 0;
  for (std::size_t w : r.waiting) peak = w > peak ? w : peak;
  const bool grew = BacklogGrew(r);
  std::printf("%-34s %zu of %zu reports over %.0f ms, %zu lost, %zu out of order, %zu invalid\n", "", r.received,
              r.expected, r.streamMs, r.expected - r.received, r.outOfOrder, r.invalid);
  std::printf("%-34s bytes still queued after a report: mean %.1f (first quarter), %.1f (last quarter), max %zu: "
              "%s\n",
              "", first, last, peak, lost ? "LOST REPORTS" : grew ? "BACKLOG GREW" : "no backlog");
  std::printf("%-34s library calls per report: %.2f queries that found bytes + %.2f reads\n", "",
              r.queriesPerReport, r.readsPerReport);
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t count = argc > 1 ? static_cast<std::size_t>(std::atoi(argv[1])) : 2000;
  if (count < 2 || count > 10000) {
    std::fprintf(stderr, "reports: 2 to 10000\n");
    return 2;
  }
  PanelSim panel(PanelSim::UniqueName(L"BenchRx"));
  if (!panel.Valid()) {
    std::fprintf(stderr, "simulated panel not available\n");
    return 2;
  }
  panel.Export();

  std::printf("report latency, last byte at the converter chip -> touch point, %zu reports at 38400 8N2 (%.2f ms "
              "each)\n",
              count, PanelSim::TicksToMs(11 * PanelSim::ByteTicks()));
  orvanta::win::FastTimer poll;
  bool ok = true;
  double eventMedian = 0, pollMedian = 0;
  for (const bool events : {true, false}) {
    for (const std::uint32_t cost : {0u, 50u, 400u}) {
      panel.SetCallCost(cost);
      const Result r = RunPhase(panel, poll, events, count);
      panel.SetCallCost(0);
      char label[64];
      std::snprintf(label, sizeof(label), "%s, %u us per call", events ? "receive event" : "1 ms poll", cost);
      Print(label, r);
      ok = ok && r.received == count && r.outOfOrder == 0 && !BacklogGrew(r);
      if (cost == 0) (events ? eventMedian : pollMedian) = r.latency.median;
    }
  }
  if (eventMedian > 0) std::printf("1 ms poll / receive event, 0 us per call: median %.2fx\n", pollMedian / eventMedian);
  return ok ? 0 : 1;
}
