// The whole road, with the delivered driver in a folder of its own: from the
// moment a report on the calibration-set button is complete in the simulated
// panel's queue to the moment the touch-data stand-in receives the first
// text of the switch. Presses are spaced so that actions do not overlap.
//
//   bench_whole_road [presses, default 300] [spacing ms, default 120]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "DemoSupport.h"
#include "fntd2xx/PanelSim.h"
#include "winbench/WinBench.h"
#include "wincommon/Files.h"
#include "wincommon/Handles.h"
#include "wincommon/Text.h"

namespace {

using panelsim::PanelSim;

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

}  // namespace

int main(int argc, char** argv) {
  const int presses = argc > 1 ? std::atoi(argv[1]) : 300;
  const double spacingMs = argc > 2 ? std::atof(argv[2]) : 120.0;

  const std::wstring bin = wincommon::ModuleFolder();
  const std::wstring dir = bin + L"\\bench-whole-road";
  if (const std::wstring missing = demo::LayOutDriverFolder(bin, dir); !missing.empty()) {
    std::fprintf(stderr, "missing in the build folder: %ls\n", missing.c_str());
    return 2;
  }
  const std::wstring log = dir + L"\\touchdata.log";
  ::DeleteFileW(log.c_str());
  int x = -1, y = -1;
  if (!demo::FindButtonCentre(dir + L"\\Data\\QV-LK2048.def", "Tpdrv.ChangeTPNamedID", x, y)) {
    std::fprintf(stderr, "no calibration-set button in the delivered layout\n");
    return 2;
  }

  PanelSim panel(PanelSim::UniqueName(L"WholeRoad"));
  panel.Export();
  wincommon::KernelHandle touchData, driver;
  if (!demo::StartProgram(dir + L"\\TouchDataSim.exe", L"--stamp \"" + log + L"\"", dir, touchData) ||
      !demo::StartProgram(dir + L"\\Orvanta.exe", L"", dir, driver)) {
    std::fprintf(stderr, "could not start the programs\n");
    return 2;
  }
  if (!demo::WaitFor([&] { return panel.IsOpen() && panel.Written().size() >= 8; }, 10000) ||
      !demo::WaitFor([] { return ::FindWindowW(L"ThunderRT6FormDC", L"Ｔｏｕｃｈ　Ｄａｔａ") != nullptr; }, 10000)) {
    std::fprintf(stderr, "the driver did not connect or the stand-in did not start\n");
    return 2;
  }

  // Each report's last byte due time is the start of its road.
  std::vector<std::int64_t> due;
  std::int64_t at = PanelSim::Now() + PanelSim::MsToTicks(200);
  for (int i = 0; i < presses; ++i) {
    due.push_back(panel.QueueReport(x, y, 'B', at));
    at += PanelSim::MsToTicks(spacingMs);
  }
  demo::WaitFor([&] { return static_cast<int>(SwitchStamps(wincommon::ReadFileBytes(log)).size()) >= presses; },
                static_cast<DWORD>(presses * spacingMs + 5000));

  const auto stamps = SwitchStamps(wincommon::ReadFileBytes(log));
  std::vector<double> road;
  for (std::size_t i = 0; i < stamps.size() && i < due.size(); ++i) road.push_back(winbench::QpcToMs(stamps[i] - due[i]));
  std::printf("whole road, report complete -> first text at the touch-data program, %d presses %.0f ms apart\n",
              presses, spacingMs);
  winbench::Print("delivered driver", winbench::Summarise(road));
  std::printf("%zu of %d presses reached the touch-data program\n", stamps.size(), presses);

  demo::SendLinkCommand("Cmd_Exit");
  ::WaitForSingleObject(driver.get(), 10000);
  demo::CloseTouchData(touchData.get());
  return static_cast<int>(stamps.size()) == presses ? 0 : 1;
}
