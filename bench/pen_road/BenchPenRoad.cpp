// A pen button's road with the delivered driver in a folder of its own: from
// the moment a report on the page-turn button is complete in the simulated
// panel's queue to the moment the PenPlus stand-in logs the press.
//  - PenPlus running: single presses, interleaved with single presses of the
//    calibration-set button on the same road (report complete to the
//    touch-data stand-in receiving its text), and beside the floor of a
//    press sent straight to a tool bar button by this program. The pen
//    action's own cost is the pen road's median less the calibration-set
//    road's, which holds the receiver, the dispatch and one send of its own;
//    the target is at most twice the direct press.
//  - Before the driver runs, the pen action in this program (the tool bar
//    walk, the version read and the press) beside its press alone.
//  - PenPlus started from cold by the press: beside the time PenPlus itself
//    takes until its tool bar shows, which bounds what the driver can do.
//
//   bench_pen_road [presses of each button, default 100] [spacing ms, default 400] [cold starts, default 5]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "DemoSupport.h"
#include "penplus/InProcessHandler.h"
#include "penplus/PenPlusWindows.h"
#include "fntd2xx/PanelSim.h"
#include "winbench/WinBench.h"
#include "wincommon/Files.h"
#include "wincommon/Handles.h"
#include "wincommon/Text.h"

namespace {

using namespace std::chrono_literals;

using panelsim::PanelSim;

// QPC stamps of a stand-in's log lines whose event (and first detail, when
// given) match; the event may also begin with it (touch-data's
// "TPNamedID=...").
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
      const bool prefix = !wanted.empty() && wanted.back() == '=';
      if (rest.compare(0, wanted.size(), wanted) == 0 &&
          (prefix || rest.size() == wanted.size() || rest[wanted.size()] == '\t')) {
        out.push_back(std::strtoll(line.c_str(), nullptr, 10));
      }
    }
    if (end == std::string::npos) break;
    pos = end + 1;
  }
  return out;
}

// The n-th stamp after `before` for each due time, as road times in ms.
std::vector<double> RoadTimes(const std::vector<std::int64_t>& stamps, std::size_t before,
                              const std::vector<std::int64_t>& due) {
  std::vector<double> out;
  for (std::size_t i = before; i < stamps.size() && i - before < due.size(); ++i) {
    out.push_back(winbench::QpcToMs(stamps[i] - due[i - before]));
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  const int presses = argc > 1 ? std::atoi(argv[1]) : 100;
  const double spacingMs = argc > 2 ? std::atof(argv[2]) : 400.0;
  const int coldStarts = argc > 3 ? std::atoi(argv[3]) : 5;
  if (presses < 1 || spacingMs < 250) {
    std::fprintf(stderr, "usage: bench_pen_road [presses >= 1] [spacing ms >= 250] [cold starts]\n");
    return 2;
  }

  const std::wstring bin = wincommon::ModuleFolder();
  std::wstring dir;
  int x = -1, y = -1, calX = -1, calY = -1;
  if (!demo::LayOutBenchFolder(bin, L"bench-pen-road", "PenPlus.Btn.PageNext", dir, x, y)) return 2;
  if (!simcommon::FindButtonCentre(dir + L"\\Data\\QV-LK2048.def", "Tpdrv.ChangeTPNamedID", calX, calY)) {
    std::fprintf(stderr, "no calibration-set button in the layout\n");
    return 2;
  }
  const std::wstring penDir = dir + L"\\PenPlus";
  const std::wstring log = penDir + L"\\PenPlus.log";
  const std::wstring touchLog = dir + L"\\touchdata.log";
  ::DeleteFileW(touchLog.c_str());
  ::DeleteFileW(log.c_str());  // an earlier run's would say at once that the tool bar is up
  const std::wstring exe = penplus::Install(bin, 4, penDir);
  if (exe.empty() ||
      !wincommon::WriteFileBytes(dir + L"\\Orvanta.ini",
                                 "[PenPlus]\r\nPath=\"" + wincommon::WideToAnsi(exe) + "\"\r\n")) {
    std::fprintf(stderr, "could not lay out PenPlus\n");
    return 2;
  }

  PanelSim panel(PanelSim::UniqueName(L"PenRoad"));
  panel.Export();
  simcommon::Process driver, penPlus, touchData;
  if (!simcommon::StartTouchData(dir, L"--stamp \"" + touchLog + L"\"", touchData, 10s)) {
    std::fprintf(stderr, "the touch-data stand-in did not come up\n");
    return 2;
  }
  // ---- PenPlus running
  if (!penplus::Start(exe, L"", penPlus)) {
    std::fprintf(stderr, "PenPlus did not come up\n");
    return 2;
  }
  // The pen action on its own, in this program before the driver runs (the
  // driver's polling would share the window manager with it): the tool bar
  // walk, the version read and the press, beside the press alone.
  std::vector<double> action, pressAlone;
  {
    penplus::InProcessHandler h;
    orvanta::ClassActPenPlus& pen = h.act;
    orvanta::win::PenPlusPortWin& port = h.windows;
    const HWND back = penplus::ToolbarButton(L"ページ戻し");
    for (int i = 0; i < presses && back; ++i) {
      std::int64_t t0 = winbench::Qpc();
      if (pen.Action("Btn.PagePrev")) action.push_back(winbench::QpcToMs(winbench::Qpc() - t0));
      t0 = winbench::Qpc();
      if (port.Click(reinterpret_cast<orvanta::PenPlusPort::WindowId>(back)) == orvanta::PenPlusPort::SendResult::kDone) {
        pressAlone.push_back(winbench::QpcToMs(winbench::Qpc() - t0));
      }
    }
  }
  if (!driver.Start(dir + L"\\Orvanta.exe", L"", dir) ||
      !simcommon::WaitUntil([&] { return panel.IsOpen() && panel.Written().size() >= 8; }, 10s)) {
    std::fprintf(stderr, "the driver did not connect\n");
    return 2;
  }
  ::Sleep(500);  // start-up through

  // The two buttons take turns, each press a click of its own (the same
  // button comes back after twice the spacing, beyond the double-click
  // time). Half-way between a pen press and the next calibration-set press
  // this program presses "ページ戻し" straight: the floor, measured under the
  // same load as the roads.
  const HWND direct = penplus::ToolbarButton(L"ページ戻し");
  const std::size_t penBefore = Stamps(log, "press", "ページ送り").size();
  const std::size_t calBefore = Stamps(touchLog, "TPNamedID=").size();
  std::vector<std::int64_t> penDue, calDue;
  std::int64_t at = PanelSim::Now() + PanelSim::MsToTicks(300);
  for (int i = 0; i < presses; ++i) {
    penDue.push_back(panel.QueueReport(x, y, 'B', at));
    at += PanelSim::MsToTicks(spacingMs);
    calDue.push_back(panel.QueueReport(calX, calY, 'B', at));
    at += PanelSim::MsToTicks(spacingMs);
  }
  std::vector<double> floor;
  for (int i = 0; i < presses && direct; ++i) {
    const std::int64_t due = penDue[static_cast<std::size_t>(i)] + PanelSim::MsToTicks(spacingMs / 2);
    while (PanelSim::Now() < due) ::Sleep(1);
    const std::size_t seen = Stamps(log, "press", "ページ戻し").size();
    const std::int64_t t0 = winbench::Qpc();
    ::SendMessageW(direct, BM_CLICK, 0, 0);
    // The log is read while the stand-in may still be writing to it.
    std::vector<std::int64_t> stamps;
    simcommon::WaitUntil([&] { return (stamps = Stamps(log, "press", "ページ戻し")).size() > seen; }, 2s);
    if (stamps.size() > seen) floor.push_back(winbench::QpcToMs(stamps.back() - t0));
  }
  simcommon::WaitUntil(
      [&] {
        return Stamps(log, "press", "ページ送り").size() >= penBefore + presses &&
               Stamps(touchLog, "TPNamedID=").size() >= calBefore + presses;
      },
      std::chrono::milliseconds(static_cast<long long>(2 * presses * spacingMs + 10000)));
  const auto penRoad = winbench::Summarise(RoadTimes(Stamps(log, "press", "ページ送り"), penBefore, penDue));
  const auto calRoad = winbench::Summarise(RoadTimes(Stamps(touchLog, "TPNamedID="), calBefore, calDue));
  const auto straight = winbench::Summarise(floor);
  std::printf("pen road, report complete -> press logged by PenPlus, %d single presses of each button %.0f ms apart\n",
              presses, spacingMs);
  winbench::Print("PenPlus running: pen button", penRoad);
  winbench::Print("same road: calibration-set button", calRoad);
  winbench::Print("floor: press sent straight", straight);
  winbench::Print("in process: the pen action", winbench::Summarise(action));
  winbench::Print("in process: its press alone", winbench::Summarise(pressAlone));
  const double ownCost = penRoad.median - calRoad.median;
  const bool allArrived = static_cast<int>(penRoad.count) == presses && static_cast<int>(calRoad.count) == presses;
  const bool met = allArrived && ownCost <= 2 * straight.median;
  std::printf("pen action's own cost (pen median - calibration-set median): %.3f ms = %.2fx the direct press "
              "(target <= 2x); %zu + %zu of %d + %d presses arrived: %s\n",
              ownCost, ownCost / straight.median, penRoad.count, calRoad.count, presses, presses,
              winbench::Verdict(met));

  // ---- PenPlus started from cold by the press
  std::vector<double> coldRoad, coldUp;
  for (int i = 0; i < coldStarts; ++i) {
    penplus::CloseAll(10s);
    ::DeleteFileW(log.c_str());
    const std::int64_t start = panel.QueueReport(x, y, 'B', PanelSim::Now() + PanelSim::MsToTicks(300));
    if (!simcommon::WaitUntil([&] { return !Stamps(log, "press", "ページ送り").empty(); }, 30s)) continue;
    coldRoad.push_back(winbench::QpcToMs(Stamps(log, "press", "ページ送り").front() - start));
    if (const auto up = Stamps(log, "toolbar"); !up.empty()) coldUp.push_back(winbench::QpcToMs(up.front() - start));
  }
  std::printf("cold: the press starts PenPlus (its start delay 700 ms), %d starts\n", coldStarts);
  winbench::Print("cold: report -> press", winbench::Summarise(coldRoad));
  winbench::Print("reference: report -> tool bar shown", winbench::Summarise(coldUp));

  penplus::CloseAll(10s);
  simcommon::SendLinkCommand(driver, "Cmd_Exit");
  driver.WaitExit(10s);
  demo::CloseTouchData(touchData);
  return allArrived && static_cast<int>(coldRoad.size()) == coldStarts ? 0 : 1;
}
