// How regularly the serial link is polled: the real ClassFNTD2XX on the real
// FastTimer, against the simulated panel (plugged, silent). RThreshold 0
// makes every poll tick raise OnRx, whose time is taken.
//
//   bench_ticks [seconds per phase, default 3] [idle seconds per loop shape,
//               default 5] [rounds of the idle loop shapes, default 3]
#include <windows.h>

#include <mmsystem.h>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/win/WinTimers.h"
#include "fntd2xx/PanelSim.h"
#include "link/ClassFNTD2XX.h"
#include "link/win/D2xxLibrary.h"
#include "winbench/WinBench.h"

namespace {

struct Targets {
  double medianMs = 1.5;
  double p99Ms = 3.0;
  double idleCpuPercent = 3.0;
};

struct Idle {
  double wallMs = 0, cpuMs = 0, cpuPercent = 0;
};

// The driver's own loop (which runs the poll ticks itself) for ms.
void RunDriverLoopFor(orvanta::win::FastTimer& poll, DWORD ms) {
  const UINT_PTR quit = ::SetTimer(nullptr, 0, ms, winbench::QuitLoopTimerProc);
  orvanta::win::RunMessageLoop(poll);
  ::KillTimer(nullptr, quit);
}

// Other ways the driver's loop could wait between poll ticks, for the idle
// figures: each runs the same link tick. Under Wine a wait that also watches
// the message queue (MsgWaitForMultipleObjectsEx) is a round trip to the
// Wine server, while Sleep is a local nanosleep that cannot see messages.
enum class LoopKind { DriverLoop, QueueWaitEveryTick, QueueWaitEvery2, QueueWaitEvery8 };

const char* LoopName(LoopKind k) {
  switch (k) {
    case LoopKind::DriverLoop:
      return "driver loop: queue wait every 4th tick";
    case LoopKind::QueueWaitEveryTick:
      return "queue wait every tick (the loop before)";
    case LoopKind::QueueWaitEvery2:
      return "sleep, queue wait every 2nd tick";
    case LoopKind::QueueWaitEvery8:
      return "sleep, queue wait every 8th tick";
  }
  return "";
}

int LookEvery(LoopKind k) {
  switch (k) {
    case LoopKind::QueueWaitEvery2:
      return 2;
    case LoopKind::QueueWaitEvery8:
      return 8;
    default:
      return 1;
  }
}

// The loop shape under test, until WM_QUIT: every n-th wait watches the
// queue, the others sleep until the tick is due.
void RunLoopFor(orvanta::win::FastTimer& poll, LoopKind kind, DWORD ms) {
  const UINT_PTR quit = ::SetTimer(nullptr, 0, ms, winbench::QuitLoopTimerProc);
  const int every = LookEvery(kind);
  int sinceLook = 0;
  for (bool done = false; !done;) {
    const DWORD due = poll.MsUntilDue();
    if (++sinceLook >= every || due == INFINITE) {
      sinceLook = 0;
      const DWORD woke = ::MsgWaitForMultipleObjectsEx(0, nullptr, due, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
      if (woke != WAIT_TIMEOUT) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
          if (msg.message == WM_QUIT) {
            done = true;
            break;
          }
          ::DispatchMessageW(&msg);
        }
      }
    } else if (due > 0) {
      ::Sleep(due);
    }
    poll.RunFromLoop();
  }
  ::KillTimer(nullptr, quit);
}

Idle MeasureLoop(orvanta::win::FastTimer& poll, LoopKind kind, DWORD ms) {
  Idle r;
  const std::uint64_t cpu0 = winbench::ProcessCpu();
  const std::int64_t t0 = winbench::Qpc();
  if (kind == LoopKind::DriverLoop) {
    RunDriverLoopFor(poll, ms);
  } else {
    RunLoopFor(poll, kind, ms);
  }
  r.wallMs = winbench::QpcToMs(winbench::Qpc() - t0);
  r.cpuMs = static_cast<double>(winbench::ProcessCpu() - cpu0) / 10000.0;
  r.cpuPercent = 100.0 * r.cpuMs / r.wallMs;
  return r;
}

// A bare Sleep(1) loop with nothing else: what a thousand wakes a second
// cost by themselves.
double BareSleepCpu(DWORD ms, double* perSecond) {
  std::uint64_t waits = 0;
  ::timeBeginPeriod(1);
  const std::uint64_t cpu0 = winbench::ProcessCpu();
  const std::int64_t t0 = winbench::Qpc();
  const ULONGLONG stop = ::GetTickCount64() + ms;
  while (::GetTickCount64() < stop) {
    ++waits;
    ::Sleep(1);
  }
  const double wallMs = winbench::QpcToMs(winbench::Qpc() - t0);
  ::timeEndPeriod(1);
  *perSecond = static_cast<double>(waits) * 1000.0 / wallMs;
  return 100.0 * static_cast<double>(winbench::ProcessCpu() - cpu0) / 10000.0 / wallMs;
}

const char* Verdict(bool ok) { return ok ? "ok" : "MISSED"; }

bool Report(const char* label, const std::vector<std::int64_t>& stamps, const Targets& t) {
  const auto s = winbench::Summarise(winbench::Intervals(stamps));
  winbench::Print(label, s);
  const bool ok = s.count > 0 && s.median <= t.medianMs && s.p99 <= t.p99Ms;
  std::printf("%-34s target median <= %.1f ms, p99 <= %.1f ms: %s\n", "", t.medianMs, t.p99Ms, Verdict(ok));
  return ok;
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
  link.FT_Open_By = 2;
  link.FT_Open_Option = "Orvanta TouchPanel";
  link.Settings = "38400,0,8,2";
  link.RThreshold = 0;
  link.InputLen = 1;
  link.SetTimerRxCheck(&timer);

  std::vector<std::int64_t> stamps;
  stamps.reserve(100000);
  link.OnRx = [&] { stamps.push_back(winbench::Qpc()); };
  link.SetPortOpen(true);
  if (!link.PortOpen()) {
    std::fprintf(stderr, "the link did not open (FNTD2XX.dll beside the program?)\n");
    return 2;
  }

  std::printf("poll tick intervals, FastTimer, %lu ms per phase\n", static_cast<unsigned long>(phaseMs));
  RunDriverLoopFor(timer, phaseMs);
  const bool loopOk = Report("own message loop", stamps, targets);

  stamps.clear();
  winbench::RunModalDialogFor(phaseMs);
  const bool modalOk = Report("inside a modal dialog", stamps, targets);

  // Idle as the driver is: the panel silent, RThreshold 1, so every tick
  // asks the queue and finds nothing. The loop shapes are interleaved and
  // repeated so that a busy spell of the machine falls on all of them alike;
  // CPU time comes in 10 ms steps under Wine, so each runs for seconds.
  link.RThreshold = 1;
  const LoopKind kinds[] = {LoopKind::DriverLoop, LoopKind::QueueWaitEveryTick, LoopKind::QueueWaitEvery2,
                            LoopKind::QueueWaitEvery8};
  std::vector<std::vector<double>> cpu(std::size(kinds));
  std::vector<double> bareSleep;
  double sleepRate = 0;
  for (int r = 0; r < rounds; ++r) {
    for (std::size_t k = 0; k < std::size(kinds); ++k) cpu[k].push_back(MeasureLoop(timer, kinds[k], idleMs).cpuPercent);
    bareSleep.push_back(BareSleepCpu(idleMs, &sleepRate));
  }
  link.SetPortOpen(false);
  const auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  const auto range = [&](const std::vector<double>& v) {
    char text[64];
    std::snprintf(text, sizeof(text), "%5.2f-%5.2f %% (median %5.2f)", *std::min_element(v.begin(), v.end()),
                  *std::max_element(v.begin(), v.end()), median(v));
    return std::string(text);
  };
  std::printf("idle CPU, link open and panel silent, %d rounds of %lu ms, %% of one core:\n", rounds,
              static_cast<unsigned long>(idleMs));
  for (std::size_t k = 0; k < std::size(kinds); ++k) {
    std::printf("  %-42s %s\n", LoopName(kinds[k]), range(cpu[k]).c_str());
  }
  std::printf("  %-42s %s, %.0f wakes/s\n", "bare Sleep(1) loop, no link (a floor)", range(bareSleep).c_str(),
              sleepRate);
  const bool idleOk = median(cpu[0]) <= targets.idleCpuPercent;
  std::printf("  driver loop median target <= %.1f %%: %s\n", targets.idleCpuPercent, Verdict(idleOk));

  return loopOk && modalOk && idleOk ? 0 : 1;
}
