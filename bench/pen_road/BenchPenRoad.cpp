// A pen button's road with the delivered driver in a folder of its own: from
// the moment a report on the page-turn button is complete in the simulated
// panel's queue to the moment the PenPlus stand-in logs the press.
//  - PenPlus running: single presses, beside the floor of a press sent
//    straight to the same button by this program (what the press itself
//    costs, with nothing of the driver's in it).
//  - PenPlus started from cold by the press: beside the time PenPlus itself
//    takes until its tool bar shows, which bounds what the driver can do.
//
//   bench_pen_road [presses, default 100] [spacing ms, default 400] [cold starts, default 5]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "DemoSupport.h"
#include "actions/ClassActPenPlus.h"
#include "actions/win/PenPlusPortWin.h"
#include "actions/win/ProcessPortWin.h"
#include "settings/win/ModuleFileInf.h"
#include "fntd2xx/PanelSim.h"
#include "winbench/WinBench.h"
#include "wincommon/Files.h"
#include "wincommon/Handles.h"
#include "wincommon/Text.h"

namespace {

using panelsim::PanelSim;

// QPC stamps of the stand-in's log lines whose event (and first detail,
// when given) match.
std::vector<std::int64_t> Stamps(const std::wstring& log, const std::string& event, const std::string& detail = "") {
  std::vector<std::int64_t> out;
  const std::string text = wincommon::ReadFileBytes(log);
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t end = text.find('\n', pos);
    std::string line = text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t tab = line.find('\t');
    if (tab != std::string::npos) {
      const std::string rest = line.substr(tab + 1);
      const std::string wanted = detail.empty() ? event : event + "\t" + detail;
      if (rest.compare(0, wanted.size(), wanted) == 0 &&
          (rest.size() == wanted.size() || rest[wanted.size()] == '\t')) {
        out.push_back(std::strtoll(line.c_str(), nullptr, 10));
      }
    }
    if (end == std::string::npos) break;
    pos = end + 1;
  }
  return out;
}

class NoNotes : public orvanta::Notifier {
public:
  void SetText(const std::string&, std::int32_t, std::int32_t) override {}
};

HWND PenPlusMain() { return ::FindWindowW(L"PenPlusSimMain", nullptr); }

HWND PageNextButton() {
  // The tool bar: a dialog-class window owned by PenPlus's main window.
  HWND bar = nullptr;
  while ((bar = ::FindWindowExW(nullptr, bar, L"#32770", L"")) != nullptr) {
    if (::GetWindow(bar, GW_OWNER) == PenPlusMain()) break;
  }
  if (!bar) return nullptr;
  for (HWND b = ::GetWindow(bar, GW_CHILD); b; b = ::GetWindow(b, GW_HWNDNEXT)) {
    wchar_t text[64] = {};
    ::GetWindowTextW(b, text, 64);
    if (std::wstring(text) == L"ページ送り" && (::GetWindowLongW(b, GWL_STYLE) & WS_VISIBLE)) return b;
  }
  return nullptr;
}

void ClosePenPlus() {
  if (const HWND main = PenPlusMain()) ::PostMessageW(main, WM_CLOSE, 0, 0);
  demo::WaitFor([] { return PenPlusMain() == nullptr; }, 10000);
}

}  // namespace

int main(int argc, char** argv) {
  const int presses = argc > 1 ? std::atoi(argv[1]) : 100;
  const double spacingMs = argc > 2 ? std::atof(argv[2]) : 400.0;
  const int coldStarts = argc > 3 ? std::atoi(argv[3]) : 5;

  const std::wstring bin = wincommon::ModuleFolder();
  std::wstring dir;
  int x = -1, y = -1;
  if (!demo::LayOutBenchFolder(bin, L"bench-pen-road", "PenPlus.Btn.PageNext", dir, x, y)) return 2;
  const std::wstring penDir = dir + L"\\PenPlus";
  const std::wstring exe = penDir + L"\\PenPlus.exe";
  const std::wstring log = penDir + L"\\PenPlus.log";
  ::CreateDirectoryW(penDir.c_str(), nullptr);
  if (!::CopyFileW((bin + L"\\penplus4\\PenPlus.exe").c_str(), exe.c_str(), FALSE) ||
      !wincommon::WriteFileBytes(dir + L"\\Orvanta.ini",
                                 "[PenPlus]\r\nPath=\"" + wincommon::WideToAnsi(exe) + "\"\r\n")) {
    std::fprintf(stderr, "could not lay out PenPlus\n");
    return 2;
  }

  PanelSim panel(PanelSim::UniqueName(L"PenRoad"));
  panel.Export();
  wincommon::KernelHandle driver, penPlus;
  if (!demo::StartProgram(dir + L"\\Orvanta.exe", L"", dir, driver) ||
      !demo::WaitFor([&] { return panel.IsOpen() && panel.Written().size() >= 8; }, 10000)) {
    std::fprintf(stderr, "the driver did not connect\n");
    return 2;
  }

  // ---- PenPlus running
  if (!demo::StartProgram(exe, L"", penDir, penPlus) ||
      !demo::WaitFor([&] { return !Stamps(log, "toolbar").empty(); }, 10000)) {
    std::fprintf(stderr, "PenPlus did not come up\n");
    return 2;
  }
  std::vector<double> floor;
  for (int i = 0; i < presses; ++i) {
    const HWND button = PageNextButton();
    const std::size_t seen = Stamps(log, "press", "ページ送り").size();
    const std::int64_t t0 = winbench::Qpc();
    ::SendMessageW(button, BM_CLICK, 0, 0);
    // The log is read while the stand-in may still be writing to it.
    std::vector<std::int64_t> stamps;
    demo::WaitFor([&] { return (stamps = Stamps(log, "press", "ページ送り")).size() > seen; }, 2000);
    if (stamps.size() > seen) floor.push_back(winbench::QpcToMs(stamps.back() - t0));
    ::Sleep(20);
  }
  // What the window searches cost here: the driver's own tool bar and button
  // search, run in this process. A press makes about three of them.
  std::vector<double> search;
  {
    orvanta::MainSettings settings;
    orvanta::win::PenPlusPortWin port;
    orvanta::win::ProcessPortWin process;
    orvanta::win::ModuleFileInf files;
    NoNotes notes;
    orvanta::ClassActPenPlus pen(settings, {}, {port, process, files, notes});
    for (int i = 0; i < presses; ++i) {
      const std::int64_t t0 = winbench::Qpc();
      if (pen.FindPenButton({u8"ページ送り"}) != 0) search.push_back(winbench::QpcToMs(winbench::Qpc() - t0));
    }
  }
  const std::size_t before = Stamps(log, "press", "ページ送り").size();
  std::vector<std::int64_t> due;
  std::int64_t at = PanelSim::Now() + PanelSim::MsToTicks(300);
  for (int i = 0; i < presses; ++i) {
    due.push_back(panel.QueueReport(x, y, 'B', at));
    at += PanelSim::MsToTicks(spacingMs);
  }
  demo::WaitFor([&] { return Stamps(log, "press", "ページ送り").size() >= before + presses; },
                static_cast<DWORD>(presses * spacingMs + 10000));
  const auto warm = Stamps(log, "press", "ページ送り");
  std::vector<double> road;
  for (std::size_t i = before; i < warm.size() && i - before < due.size(); ++i) {
    road.push_back(winbench::QpcToMs(warm[i] - due[i - before]));
  }
  std::printf("pen road, report complete -> press logged by PenPlus, %d single presses %.0f ms apart\n", presses,
              spacingMs);
  winbench::Print("PenPlus running: delivered driver", winbench::Summarise(road));
  winbench::Print("floor: press sent directly", winbench::Summarise(floor));
  winbench::Print("reference: one tool bar+button search", winbench::Summarise(search));
  std::printf("%zu of %d presses arrived\n", road.size(), presses);

  // ---- PenPlus started from cold by the press
  std::vector<double> coldRoad, coldUp;
  for (int i = 0; i < coldStarts; ++i) {
    ClosePenPlus();
    ::DeleteFileW(log.c_str());
    const std::int64_t start = panel.QueueReport(x, y, 'B', PanelSim::Now() + PanelSim::MsToTicks(300));
    if (!demo::WaitFor([&] { return !Stamps(log, "press", "ページ送り").empty(); }, 30000)) continue;
    coldRoad.push_back(winbench::QpcToMs(Stamps(log, "press", "ページ送り").front() - start));
    if (const auto up = Stamps(log, "toolbar"); !up.empty()) coldUp.push_back(winbench::QpcToMs(up.front() - start));
  }
  std::printf("cold: the press starts PenPlus (its start delay 700 ms), %d starts\n", coldStarts);
  winbench::Print("cold: report -> press", winbench::Summarise(coldRoad));
  winbench::Print("reference: report -> tool bar shown", winbench::Summarise(coldUp));

  ClosePenPlus();
  demo::SendLinkCommand("Cmd_Exit");
  ::WaitForSingleObject(driver.get(), 10000);
  return static_cast<int>(road.size()) == presses && static_cast<int>(coldRoad.size()) == coldStarts ? 0 : 1;
}
