// Soak of the delivered driver, in a folder of its own, against the
// simulated panel and the touch-data stand-in:
//  - replug: cycles of unplugging the panel while reports flow and plugging
//    it back; each cycle the time from plugging to the start-up commands
//    written, the commands themselves, and one press of the calibration-set
//    button with reports outside every button around it, which must all be
//    read and the press reach the touch-data program;
//  - long run: reports through the driver, most outside every button and
//    every few thousandth a press of the calibration-set button, fed as fast
//    as the driver takes them; every byte must be read and every press
//    reach the touch-data program.
// Private bytes and handles of the driver are printed after start-up, after
// a warm-up (the reference: first uses allocate once), during and at the end.
//
//   bench_soak [replug cycles, default 100] [long-run reports, default 1000000]
// Exit code 1 when a report or press was lost, a cycle's start-up bytes were
// wrong, or the driver ended; the figures themselves are not judged.
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "DemoSupport.h"
#include "fntd2xx/PanelSim.h"
#include "winbench/WinBench.h"
#include "wincommon/Files.h"
#include "wincommon/Text.h"

namespace {

using namespace std::chrono_literals;

using panelsim::PanelSim;

const std::vector<std::uint8_t> kStartupBytes = {0x0D, 0x4A, 0x31, 0x0D, 0x54, 0x43, 0x31, 0x0D};
constexpr int kOutsideX = 9000, kOutsideY = 9900;  // beyond every printed button

struct Usage {
  double privateKiB = 0;  // committed private memory (PagefileUsage, which Wine fills; PrivateUsage it leaves 0)
  double workingSetKiB = 0;
  long handles = -1;      // kernel handles, counted in the system's handle table
};

// Kernel handles of a process. GetProcessHandleCount answers 0 under Wine;
// the system handle table (as Process Explorer reads it) is filled.
long HandleCount(DWORD pid) {
  using Query = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
  static const auto query =
      reinterpret_cast<Query>(reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"),
                                                                         "NtQuerySystemInformation")));
  struct Entry {
    ULONG ownerPid;
    BYTE objectType;
    BYTE flags;
    USHORT value;
    void* object;
    ULONG access;
  };
  if (!query) return -1;
  std::vector<std::uint8_t> buf(1 << 20);
  for (int attempt = 0; attempt < 8; ++attempt) {
    ULONG needed = 0;
    const LONG status = query(16 /* SystemHandleInformation */, buf.data(), static_cast<ULONG>(buf.size()), &needed);
    if (status == static_cast<LONG>(0xC0000004)) {  // length mismatch
      buf.resize(std::max<std::size_t>(buf.size() * 2, needed + 4096));
      continue;
    }
    if (status != 0) return -1;
    const ULONG count = *reinterpret_cast<const ULONG*>(buf.data());
    const auto* entries = reinterpret_cast<const Entry*>(buf.data() + sizeof(void*));
    long n = 0;
    for (ULONG i = 0; i < count; ++i) n += entries[i].ownerPid == pid;
    return n;
  }
  return -1;
}

Usage UsageOf(HANDLE process) {
  Usage u;
  PROCESS_MEMORY_COUNTERS pmc = {};
  pmc.cb = sizeof(pmc);
  if (::GetProcessMemoryInfo(process, &pmc, sizeof(pmc))) {
    u.privateKiB = static_cast<double>(pmc.PagefileUsage) / 1024.0;
    u.workingSetKiB = static_cast<double>(pmc.WorkingSetSize) / 1024.0;
  }
  u.handles = HandleCount(::GetProcessId(process));
  return u;
}

void PrintUsage(const char* label, const Usage& u, const Usage& ref) {
  std::printf("  %-28s private %8.0f KiB (%+6.0f)  working set %8.0f KiB (%+6.0f)  handles %4ld (%+3ld)\n", label,
              u.privateKiB, u.privateKiB - ref.privateKiB, u.workingSetKiB, u.workingSetKiB - ref.workingSetKiB,
              u.handles, u.handles - ref.handles);
}

std::size_t Switches(const std::wstring& log) {
  std::size_t n = 0;
  const std::string text = wincommon::ReadFileBytes(log);
  for (std::size_t at = text.find("TPNamedID="); at != std::string::npos; at = text.find("TPNamedID=", at + 1)) ++n;
  return n;
}

class Soak {
public:
  Soak(PanelSim& panel, HANDLE driver, std::wstring log, int pressX, int pressY)
      : panel_(panel), driver_(driver), log_(std::move(log)), x_(pressX), y_(pressY) {}

  bool Alive() const { return ::WaitForSingleObject(driver_, 0) == WAIT_TIMEOUT; }
  Usage Now() const { return UsageOf(driver_); }

  // One press and `outside` reports around it, at line rate; true when every
  // byte was read and the press reached the touch-data program.
  bool PressAndReports(int outside) {
    const std::size_t before = Switches(log_);
    std::int64_t at = PanelSim::Now();
    for (int i = 0; i < outside / 2; ++i) at = panel_.QueueReport(kOutsideX, kOutsideY, 'B', at) + 1;
    at = panel_.QueueReport(x_, y_, 'B', at) + 1;
    for (int i = outside / 2; i < outside; ++i) at = panel_.QueueReport(kOutsideX, kOutsideY, 'B', at) + 1;
    return simcommon::WaitUntil([&] { return panel_.Pending() == 0 && Switches(log_) == before + 1; }, 5s);
  }

  bool Replug(int cycles, bool print) {
    std::vector<double> reconnect;
    int badStartup = 0, lostPresses = 0, late = 0;
    for (int c = 0; c < cycles && Alive(); ++c) {
      // Reports on their way when the panel goes.
      std::int64_t at = PanelSim::Now();
      for (int i = 0; i < 20; ++i) at = panel_.QueueReport(kOutsideX, kOutsideY, 'B', at) + 1;
      ::Sleep(20);
      panel_.ClearLog();
      panel_.Plug(false);
      simcommon::WaitUntil([&] { return !panel_.Calls("FT_Close").empty(); }, 3s);
      ::Sleep(200);
      panel_.ClearLog();
      const std::int64_t plugged = PanelSim::Now();
      panel_.Plug(true);
      std::int64_t connected = 0;
      simcommon::WaitUntil(
          [&] {
            if (panel_.IsOpen() && panel_.Written().size() >= kStartupBytes.size()) connected = PanelSim::Now();
            return connected != 0;
          },
          3s);
      if (connected == 0) {
        ++late;
        continue;
      }
      reconnect.push_back(PanelSim::TicksToMs(connected - plugged));
      if (panel_.Written() != kStartupBytes) ++badStartup;
      if (!PressAndReports(10)) ++lostPresses;
    }
    if (print) {
      std::printf("replug, %d cycles (200 ms unplugged, reports flowing)\n", cycles);
      winbench::Print("  plug -> start-up bytes written", winbench::Summarise(reconnect));
      std::printf("  start-up bytes exactly right in %zu of %d cycles; not reconnected within 3 s: %d; "
                  "presses lost after reconnecting: %d (connection tick: 1000 ms)\n",
                  reconnect.size() - badStartup, cycles, late, lostPresses);
    }
    return Alive() && late == 0 && badStartup == 0 && lostPresses == 0 &&
           static_cast<int>(reconnect.size()) == cycles;
  }

  // Reports in batches of `batch`, a press first in each; a batch is queued
  // once the previous press has been handled and more than the double-click
  // time has passed, so every press is a click of its own.
  bool LongRun(long long reports, int batch, const Usage& ref) {
    const std::size_t switchesBefore = Switches(log_);
    const std::uint64_t purgedBefore = panel_.PurgedBytes();
    long long sent = 0, presses = 0, refused = 0;
    const std::int64_t start = PanelSim::Now();
    std::int64_t lastPress = 0;
    long long nextPrint = reports / 4;
    const std::string outside = PanelSim::ReportText(kOutsideX, kOutsideY, 'B');
    while (sent < reports && Alive()) {
      const int n = static_cast<int>(std::min<long long>(batch, reports - sent));
      const std::int64_t due = std::max(PanelSim::Now(), lastPress + PanelSim::MsToTicks(450));
      std::string bytes = PanelSim::ReportText(x_, y_, 'B');
      for (int i = 1; i < n; ++i) bytes += outside;
      if (panel_.QueueBytes(bytes, due) < 0) ++refused;
      lastPress = due;
      ++presses;
      sent += n;
      // The press must be through before the next batch; the rest is read meanwhile.
      simcommon::WaitUntil([&] { return Switches(log_) >= switchesBefore + presses || !Alive(); }, 10s);
      if (sent >= nextPrint && sent < reports) {
        PrintUsage((std::to_string(sent) + " reports").c_str(), Now(), ref);
        nextPrint += reports / 4;
      }
    }
    simcommon::WaitUntil([&] { return panel_.Pending() == 0; }, 20s);
    const double seconds = PanelSim::TicksToMs(PanelSim::Now() - start) / 1000.0;
    const std::size_t switched = Switches(log_) - switchesBefore;
    const std::uint64_t unread = panel_.Pending() + (panel_.PurgedBytes() - purgedBefore);
    std::printf("long run: %lld reports (%lld presses of the calibration-set button, the rest outside every "
                "button) in %.1f s, %.0f reports/s (the panel's line rate: 349/s)\n",
                sent, presses, seconds, sent / seconds);
    std::printf("  presses that reached the touch-data program: %zu of %lld; bytes not read by the driver: %llu; "
                "batches refused by a full queue: %lld\n",
                switched, presses, static_cast<unsigned long long>(unread), refused);
    return Alive() && switched == static_cast<std::size_t>(presses) && unread == 0 && refused == 0;
  }

private:
  PanelSim& panel_;
  HANDLE driver_;
  std::wstring log_;
  int x_, y_;
};

}  // namespace

int main(int argc, char** argv) {
  const int cycles = argc > 1 ? std::atoi(argv[1]) : 100;
  const long long reports = argc > 2 ? std::atoll(argv[2]) : 1000000;
  const int batch = argc > 3 ? std::atoi(argv[3]) : 2000;
  if (cycles < 0 || reports < 0 || batch < 1 || batch * 11 > static_cast<int>(panelsim::kRxCapacity)) {
    std::fprintf(stderr, "usage: bench_soak [replug cycles] [long-run reports] [reports per press, <= 11900]\n");
    return 2;
  }
  std::wstring dir;
  int x = -1, y = -1;
  if (!demo::LayOutBenchFolder(wincommon::ModuleFolder(), L"bench-soak", "Tpdrv.ChangeTPNamedID", dir, x, y)) return 2;
  const std::wstring log = dir + L"\\touchdata.log";
  ::DeleteFileW(log.c_str());
  PanelSim panel(PanelSim::UniqueName(L"Soak"));
  panel.Export();
  simcommon::Process touchData, driver;
  if (!simcommon::StartTouchData(dir, L"\"" + log + L"\"", touchData, 10s) ||
      !driver.Start(dir + L"\\Orvanta.exe", L"", dir) ||
      !simcommon::WaitUntil([&] { return panel.IsOpen() && panel.Written().size() >= 8; }, 10s)) {
    std::fprintf(stderr, "the touch-data stand-in or the driver did not start\n");
    return 2;
  }
  ::Sleep(1000);  // start-up through
  Soak soak(panel, driver.Handle(), log, x, y);
  const Usage started = soak.Now();
  // Warm-up: one replug and a few presses, so that what is made once on
  // first use (the notification, the sound thread, the INI) is made.
  bool ok = soak.Replug(1, false) && soak.PressAndReports(100) && soak.PressAndReports(100);
  ::Sleep(3500);  // the notification's time runs out once
  const Usage warm = soak.Now();
  // Beside it, the touch-data stand-in, a plain Win32 program that receives
  // a message for every press: what Wine itself drifts by.
  const Usage touchWarm = UsageOf(touchData.Handle());
  std::printf("driver's private bytes and handles:\n");
  PrintUsage("after start-up", started, started);
  PrintUsage("after warm-up (reference)", warm, warm);
  if (cycles > 0) {
    ok = soak.Replug(cycles, true) && ok;
    ::Sleep(3500);
    PrintUsage("after the replug cycles", soak.Now(), warm);
  }
  if (reports > 0) {
    ok = soak.LongRun(reports, batch, warm) && ok;
    ::Sleep(3500);
    PrintUsage("after the long run", soak.Now(), warm);
  }
  PrintUsage("touch-data stand-in, warm", touchWarm, touchWarm);
  PrintUsage("touch-data stand-in, end", UsageOf(touchData.Handle()), touchWarm);
  if (!soak.Alive()) std::printf("THE DRIVER ENDED\n");
  simcommon::SendLinkCommand(driver, "Cmd_Exit");
  ok = driver.WaitExit(10s) && ok;
  demo::CloseTouchData(touchData);
  std::printf("%s\n", ok ? "soak: nothing lost, driver ended normally" : "soak: FAILED");
  return ok ? 0 : 1;
}
