// The whole road, with the delivered driver in a folder of its own: from the
// moment a report on the calibration-set button is complete in the simulated
// panel's queue to the moment the touch-data stand-in receives the first
// text of the switch ("TPNamedID=...").
//
// The simulated panel models its converter chip: a report reaches the host
// when the chip hands it over (at the event character, a full packet, or
// when its latency timer runs out, 16 ms unless set), and it is complete,
// the moment measured from, when its last byte has reached the chip.
//
// Two kinds of presses: a stream 120 ms apart (the receiver stays in block
// mode) and single presses 300-400 ms apart, the common use, each after the
// receiver's block time-out has put it back into byte mode. Beside the
// driver, on the same road and in the same run:
//  - the floor: a bare loop that sets the line feed as the chip's event
//    character, polls every millisecond, reads the whole queue in one call
//    and sends the text as the driver does;
//  - the driver as it was before it set the chip up and read on the
//    library's receive event: the same program with a library that lacks
//    those calls (bin/without-chip-calls), which it then polls every
//    millisecond with the chip left at its defaults.
// Each runs for every cost per library call of the simulated panel library.
//
//   bench_whole_road [stream presses, default 200] [single presses, default 100]
//                    [call costs in us, default 0,50,400]
#include <windows.h>

#include <mmsystem.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "DemoSupport.h"
#include "actions/win/TouchDataPortWin.h"
#include "core/Receiver.h"
#include "fntd2xx/PanelSim.h"
#include "serial/win/D2xxLibrary.h"
#include "winbench/WinBench.h"
#include "wincommon/Files.h"
#include "wincommon/Handles.h"
#include "wincommon/Text.h"

namespace {

using namespace std::chrono_literals;

using panelsim::PanelSim;

struct Targets {
  double medianToFloor = 1.25;
  double aheadOfPolling = 2.0;
};

// QPC stamps of the lines that start a switch ("TPNamedID=...").
std::vector<std::int64_t> SwitchStamps(const std::string& log) {
  std::vector<std::int64_t> stamps;
  std::size_t pos = 0;
  while (pos < log.size()) {
    const std::size_t end = log.find('\n', pos);
    const std::string line = log.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    const std::size_t tab = line.find('\t');
    if (tab != std::string::npos && line.compare(tab + 1, 10, "TPNamedID=") == 0) {
      stamps.push_back(std::strtoll(line.c_str(), nullptr, 10));
    }
    if (end == std::string::npos) break;
    pos = end + 1;
  }
  return stamps;
}

struct Phase {
  winbench::Summary road;
  std::size_t sent = 0, arrived = 0;
  double queriesPerReport = 0, readsPerReport = 0;
};

class Road {
public:
  Road(PanelSim& panel, std::wstring log, int x, int y) : panel_(panel), log_(std::move(log)), x_(x), y_(y) {}

  // Schedules the presses; returns their due times (last byte complete).
  std::vector<std::int64_t> Queue(int count, bool singles) {
    std::vector<std::int64_t> due;
    std::int64_t at = PanelSim::Now() + PanelSim::MsToTicks(singles ? 300 : 200);
    for (int i = 0; i < count; ++i) {
      due.push_back(panel_.QueueReport(x_, y_, 'B', at));
      // Singles: 300-400 ms apart, never in step with the 1 ms tick.
      at += PanelSim::MsToTicks(singles ? 300.0 + (i * 7919 % 1000) / 10.0 : 120.0);
    }
    return due;
  }

  void Mark() {
    stampsBefore_ = SwitchStamps(wincommon::ReadFileBytes(log_)).size();
    calls_ = panel_.CountDataCalls();
  }

  // Waits (without pumping the log all the time: the machine's cores are
  // what is measured) until every press has come through or a second after
  // the last was due, then matches stamps to due times in order.
  Phase Collect(const std::vector<std::int64_t>& due) {
    const double leftMs = PanelSim::TicksToMs(due.back() - PanelSim::Now());
    if (leftMs > 0) ::Sleep(static_cast<DWORD>(leftMs) + 20);
    std::vector<std::int64_t> stamps;
    simcommon::WaitUntil(
        [&] {
          stamps = SwitchStamps(wincommon::ReadFileBytes(log_));
          return stamps.size() >= stampsBefore_ + due.size();
        },
        1s);
    return Finish(due, stamps);
  }

  Phase Finish(const std::vector<std::int64_t>& due, const std::vector<std::int64_t>& stamps) {
    Phase p;
    std::vector<double> road;
    for (std::size_t i = stampsBefore_; i < stamps.size() && i - stampsBefore_ < due.size(); ++i) {
      road.push_back(winbench::QpcToMs(stamps[i] - due[i - stampsBefore_]));
    }
    p.road = winbench::Summarise(road);
    p.sent = due.size();
    p.arrived = road.size();
    const auto calls = panel_.CountDataCalls();
    p.queriesPerReport = static_cast<double>(calls.queriesWithBytes - calls_.queriesWithBytes) / p.sent;
    p.readsPerReport = static_cast<double>(calls.reads - calls_.reads) / p.sent;
    return p;
  }

  [[nodiscard]] const std::wstring& Log() const { return log_; }

private:
  PanelSim& panel_;
  std::wstring log_;
  int x_, y_;
  std::size_t stampsBefore_ = 0;
  PanelSim::DataCalls calls_;
};

// The programs the driver is measured against: the device polled, the whole
// queue read in one call, lines cut, and for each press the text sent to the
// touch-data program through the driver's own port.
class Poller {
public:
  explicit Poller(const orvanta::D2xxApi& api) : api_(api) {}

  bool Open() {
    if (api_.OpenEx("Orvanta TouchPanel", 2, &handle_) != 0) return false;
    api_.SetBaudRate(handle_, 38400);
    api_.SetDataCharacteristics(handle_, 8, 2, 0);
    api_.Purge(handle_, 1);
    // A report is handed over as soon as its line feed reaches the chip.
    return api_.SetChars && api_.SetChars(handle_, '\n', 1, 0, 0) == 0;
  }
  void Close() { api_.Close(handle_); }

  void Poll() {
    std::uint32_t waiting = 0;
    if (api_.GetQueueStatus(handle_, &waiting) != 0 || waiting == 0) return;
    std::string bytes(waiting, '\0');
    std::uint32_t read = 0;
    api_.Read(handle_, bytes.data(), waiting, &read);
    line_.append(bytes, 0, read < waiting ? read : waiting);
    for (auto lf = line_.find('\n'); lf != std::string::npos; lf = line_.find('\n')) {
      const auto point = orvanta::ParseReportLine(line_.substr(0, lf + 1));
      line_.erase(0, lf + 1);
      if (!point || point->dS != 'B') continue;
      port_.SendLinkText(port_.FindLinkTextBox("TextLinkExecute"), "TPNamedID=Orvanta-16:9");
      ++handled_;
    }
  }
  [[nodiscard]] std::size_t Handled() const { return handled_; }

private:
  const orvanta::D2xxApi& api_;
  orvanta::win::TouchDataPortWin port_;
  orvanta::FtHandle handle_ = 0;
  std::string line_;
  std::size_t handled_ = 0;
};

Phase RunFloor(Road& road, Poller& poller, int presses) {
  road.Mark();
  const auto due = road.Queue(presses, true);
  const std::int64_t end = due.back() + PanelSim::MsToTicks(1000);
  const std::size_t target = poller.Handled() + due.size();
  ::timeBeginPeriod(1);
  while (poller.Handled() < target && PanelSim::Now() < end) {
    poller.Poll();
    ::Sleep(1);
  }
  ::timeEndPeriod(1);
  return road.Collect(due);
}

struct DriverRun {
  Phase stream, singles;
  bool ok = false;
};

// The delivered driver from dir; stream presses (none: 0), then singles.
DriverRun RunDriver(Road& road, PanelSim& panel, const std::wstring& dir, int stream, int singles) {
  DriverRun r;
  panel.ClearLog();
  simcommon::Process driver;
  if (!driver.Start(dir + L"\\Orvanta.exe", L"", dir) ||
      !simcommon::WaitUntil([&] { return panel.IsOpen() && panel.Written().size() >= 8; }, 10s)) {
    std::fprintf(stderr, "the driver did not connect\n");
    return r;
  }
  ::Sleep(500);  // start-up through
  if (stream > 0) {
    road.Mark();
    r.stream = road.Collect(road.Queue(stream, false));
  }
  road.Mark();
  r.singles = road.Collect(road.Queue(singles, true));
  simcommon::SendLinkCommand(driver, "Cmd_Exit");
  r.ok = driver.WaitExit(10s);
  return r;
}

void PrintPhase(const char* label, const Phase& p) {
  winbench::Print(label, p.road);
  std::printf("%-34s %zu of %zu arrived; library calls per report: %.2f queries that found bytes + %.2f reads\n", "",
              p.arrived, p.sent, p.queriesPerReport, p.readsPerReport);
}

std::vector<std::uint32_t> ParseCosts(const char* text) {
  std::vector<std::uint32_t> costs;
  for (const char* p = text; *p;) {
    char* end = nullptr;
    costs.push_back(static_cast<std::uint32_t>(std::strtoul(p, &end, 10)));
    p = *end == ',' ? end + 1 : end;
    if (end == p && *p) break;
  }
  return costs;
}

std::string ProcessorName() {
  wchar_t name[128] = {};
  DWORD size = sizeof(name);
  ::RegGetValueW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0", L"ProcessorNameString",
                 RRF_RT_REG_SZ, nullptr, name, &size);
  return wincommon::WideToUtf8(name);
}

// A second driver folder whose panel library lacks the chip's calls.
bool LayOutPollingFolder(const std::wstring& bin, std::wstring& dir) {
  int x = 0, y = 0;
  return demo::LayOutBenchFolder(bin, L"bench-whole-road-polling", "Tpdrv.ChangeTPNamedID", dir, x, y) &&
         ::CopyFileW((bin + L"\\without-chip-calls\\FNTD2XX.dll").c_str(), (dir + L"\\FNTD2XX.dll").c_str(), FALSE);
}

}  // namespace

int main(int argc, char** argv) {
  const int stream = argc > 1 ? std::atoi(argv[1]) : 150;
  const int singles = argc > 2 ? std::atoi(argv[2]) : 100;
  const auto costs = ParseCosts(argc > 3 ? argv[3] : "0,50,400");
  if (stream < 1 || singles < 1 || costs.empty()) {
    std::fprintf(stderr, "usage: bench_whole_road [stream presses] [single presses] [costs in us, e.g. 0,50,400]\n");
    return 2;
  }
  const Targets targets;

  std::wstring dir, pollingDir;
  int x = -1, y = -1;
  const std::wstring bin = wincommon::ModuleFolder();
  if (!demo::LayOutBenchFolder(bin, L"bench-whole-road", "Tpdrv.ChangeTPNamedID", dir, x, y) ||
      !LayOutPollingFolder(bin, pollingDir)) {
    std::fprintf(stderr, "the driver folders could not be laid out\n");
    return 2;
  }
  const std::wstring log = dir + L"\\touchdata.log";
  ::DeleteFileW(log.c_str());

  PanelSim panel(PanelSim::UniqueName(L"WholeRoad"));
  panel.Export();
  const orvanta::D2xxApi* api = orvanta::win::LoadD2xxLibrary();
  simcommon::Process touchData;
  if (!api || !simcommon::StartTouchData(dir, L"--stamp \"" + log + L"\"", touchData, 10s)) {
    std::fprintf(stderr, "the panel library or the touch-data stand-in is missing\n");
    return 2;
  }

  SYSTEM_INFO info;
  ::GetSystemInfo(&info);
  std::printf("whole road, report complete at the converter chip -> first text at the touch-data program\n");
  std::printf("machine: %s, %lu logical processors\n", ProcessorName().c_str(),
              static_cast<unsigned long>(info.dwNumberOfProcessors));
  std::printf("stream: %d presses 120 ms apart; singles: %d presses 300-400 ms apart; chip at its defaults "
              "(latency timer 16 ms, no event character) until a program sets it\n",
              stream, singles);

  Road road(panel, log, x, y);
  bool ok = true;
  for (const std::uint32_t cost : costs) {
    panel.SetCallCost(cost);
    std::printf("\n-- library call cost %u us\n", cost);
    const DriverRun driver = RunDriver(road, panel, dir, stream, singles);
    const DriverRun polling = RunDriver(road, panel, pollingDir, 0, singles);
    Poller poller(*api);
    if (!driver.ok || !polling.ok || !poller.Open()) {
      std::fprintf(stderr, "a driver did not run through or the device did not open for the floor\n");
      return 2;
    }
    const Phase floor = RunFloor(road, poller, singles);
    poller.Close();

    PrintPhase("driver, stream", driver.stream);
    PrintPhase("driver, singles", driver.singles);
    PrintPhase("floor (event char), singles", floor);
    PrintPhase("driver before, singles", polling.singles);
    const double median = driver.singles.road.median / floor.road.median;
    const double p99 = driver.singles.road.p99 / floor.road.p99;
    const double ahead = polling.singles.road.median / driver.singles.road.median;
    const bool allArrived = driver.stream.arrived == driver.stream.sent &&
                            driver.singles.arrived == driver.singles.sent &&
                            polling.singles.arrived == polling.singles.sent;
    const bool met = median <= targets.medianToFloor && ahead >= targets.aheadOfPolling && allArrived;
    std::printf("singles, driver / floor: median %.2fx (<= %.2f), p99 %.2fx; driver before / driver: median %.1fx "
                "(>= %.0f); %s: %s\n",
                median, targets.medianToFloor, p99, ahead, targets.aheadOfPolling,
                allArrived ? "none lost" : "LOST PRESSES", winbench::Verdict(met));
    ok = ok && met;
  }
  panel.SetCallCost(0);
  demo::CloseTouchData(touchData);
  return ok ? 0 : 1;
}
