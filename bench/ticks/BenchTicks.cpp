// The serial link's ticks and what an open, silent link costs: the real
// ClassFNTD2XX on the real FastTimer, against the simulated panel.
//
// Poll ticks (a library without the receive event): RThreshold 0 makes
// every tick raise OnRx, whose time is taken, in the driver's own loop and
// inside a modal dialog.
//
// Idle CPU with the panel plugged in and silent, as the driver runs it: the
// link read on the library's receive event, beside the same link polling
// every millisecond, and a bare Sleep(1) loop (what a thousand wakes a
// second cost by themselves). Each runs the driver's once-a-second
// connection check. The shapes are interleaved and repeated so that a busy
// spell of the machine falls on all of them alike; CPU time comes in 10 ms
// steps under Wine, so each runs for seconds.
//
//   bench_ticks [seconds per tick phase, default 3] [idle seconds per shape,
//               default 5] [rounds of the idle shapes, default 3]
#include <windows.h>

#include <mmsystem.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/win/WinTimers.h"
#include "fntd2xx/PanelSim.h"
#include "serial/ClassFNTD2XX.h"
#include "serial/win/D2xxLibrary.h"
#include "simcommon/Programs.h"
#include "winbench/DriverLink.h"
#include "winbench/WinBench.h"

namespace {

struct Targets {
  double medianMs = 1.5;
  double p99Ms = 3.0;
  double eventToPolling = 0.25;  // idle CPU, event-driven over polling
};

// The driver's own loop (which runs the poll ticks itself) for ms.
void RunDriverLoopFor(orvanta::win::FastTimer& poll, DWORD ms) {
  const UINT_PTR quit = ::SetTimer(nullptr, 0, ms, winbench::QuitLoopTimerProc);
  orvanta::win::RunMessageLoop(poll);
  ::KillTimer(nullptr, quit);
}

double CpuPercentOfLoop(orvanta::win::FastTimer& poll, DWORD ms) {
  const std::uint64_t cpu0 = winbench::ProcessCpu();
  const std::int64_t t0 = winbench::Qpc();
  RunDriverLoopFor(poll, ms);
  const double wallMs = winbench::QpcToMs(winbench::Qpc() - t0);
  return 100.0 * static_cast<double>(winbench::ProcessCpu() - cpu0) / 10000.0 / wallMs;
}

double BareSleepCpu(DWORD ms) {
  ::timeBeginPeriod(1);
  const std::uint64_t cpu0 = winbench::ProcessCpu();
  const std::int64_t t0 = winbench::Qpc();
  const ULONGLONG stop = ::GetTickCount64() + ms;
  while (::GetTickCount64() < stop) ::Sleep(1);
  const double wallMs = winbench::QpcToMs(winbench::Qpc() - t0);
  ::timeEndPeriod(1);
  return 100.0 * static_cast<double>(winbench::ProcessCpu() - cpu0) / 10000.0 / wallMs;
}

bool Report(const char* label, const std::vector<std::int64_t>& stamps, const Targets& t) {
  const auto s = winbench::Summarise(winbench::Intervals(stamps));
  winbench::Print(label, s);
  const bool ok = s.count > 0 && s.median <= t.medianMs && s.p99 <= t.p99Ms;
  std::printf("%-34s target median <= %.1f ms, p99 <= %.1f ms: %s\n", "", t.medianMs, t.p99Ms, winbench::Verdict(ok));
  return ok;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

std::string Range(const std::vector<double>& v) {
  char text[64];
  std::snprintf(text, sizeof(text), "%5.2f-%5.2f %% (median %5.2f)", *std::min_element(v.begin(), v.end()),
                *std::max_element(v.begin(), v.end()), Median(v));
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  const DWORD phaseMs = static_cast<DWORD>((argc > 1 ? std::atof(argv[1]) : 3.0) * 1000);
  const DWORD idleMs = static_cast<DWORD>((argc > 2 ? std::atof(argv[2]) : 5.0) * 1000);
  const int rounds = std::max(1, argc > 3 ? std::atoi(argv[3]) : 3);
  const Targets targets;

  panelsim::PanelSim panel(panelsim::PanelSim::UniqueName(L"BenchTicks"));
  if (!panel.Valid()) {
    std::fprintf(stderr, "simulated panel not available\n");
    return 2;
  }
  panel.Export();

  orvanta::win::FastTimer timer;
  orvanta::ClassFNTD2XX link([] { return orvanta::win::LoadD2xxLibrary(); });
  winbench::SetUpAsTheDriver(link);
  link.RThreshold = 0;
  link.InputLen = 1;
  link.SetTimerRxCheck(&timer);
  // Opens the link reading on the library's receive event or polling.
  const auto reopen = [&](bool events) {
    link.SetPortOpen(false);
    link.SetRxSignal(events ? &timer : nullptr);
    link.SetPortOpen(true);
    return link.PortOpen() && link.EventDriven() == events;
  };

  std::vector<std::int64_t> stamps;
  stamps.reserve(100000);
  link.OnRx = [&] { stamps.push_back(winbench::Qpc()); };
  if (!reopen(false)) {
    std::fprintf(stderr, "the link did not open (FNTD2XX.dll beside the program?)\n");
    return 2;
  }

  std::printf("poll tick intervals (a library without the receive event), %lu ms per phase\n",
              static_cast<unsigned long>(phaseMs));
  RunDriverLoopFor(timer, phaseMs);
  const bool loopOk = Report("own message loop", stamps, targets);
  stamps.clear();
  // An empty modal dialog for the phase: the system's modal loop runs, not ours.
  simcommon::RunModalDialog({}, [] { return true; }, phaseMs);
  const bool modalOk = Report("inside a modal dialog", stamps, targets);

  // Idle as the driver is: RThreshold 1, so a poll asks the queue and finds
  // nothing; the connection check once a second.
  link.RThreshold = 1;
  orvanta::win::MessageTimer connectCheck;
  connectCheck.SetHandler([&] { link.CheckDevice(); });
  connectCheck.SetInterval(1000);
  connectCheck.SetEnabled(true);
  std::vector<double> events, polling, bare;
  for (int r = 0; r < rounds; ++r) {
    if (!reopen(true)) {
      std::fprintf(stderr, "the link did not open reading on the receive event\n");
      return 2;
    }
    events.push_back(CpuPercentOfLoop(timer, idleMs));
    if (!reopen(false)) return 2;
    polling.push_back(CpuPercentOfLoop(timer, idleMs));
    bare.push_back(BareSleepCpu(idleMs));
  }
  link.SetPortOpen(false);
  std::printf("idle CPU, link open and panel silent, %d rounds of %lu ms, %% of one core:\n", rounds,
              static_cast<unsigned long>(idleMs));
  std::printf("  %-44s %s\n", "driver loop, reading on the receive event", Range(events).c_str());
  std::printf("  %-44s %s\n", "driver loop, polling every millisecond", Range(polling).c_str());
  std::printf("  %-44s %s\n", "bare Sleep(1) loop, no link", Range(bare).c_str());
  const double ratio = Median(polling) > 0 ? Median(events) / Median(polling) : 0;
  const bool idleOk = ratio <= targets.eventToPolling;
  std::printf("  event-driven / polling: %.3f (target <= %.2f): %s\n", ratio, targets.eventToPolling,
              winbench::Verdict(idleOk));

  return loopOk && modalOk && idleOk ? 0 : 1;
}
