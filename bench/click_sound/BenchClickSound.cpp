// The click sound against the press's action, in process: the real
// ClickSound playing the delivered click through the system, and the real
// calibration-set action (ClassActTpdrv over the real port: the touch-data
// stand-in found by its window, two timed set-texts) as the press's action.
//
// For each press: from the press (the driver asks for the click right before
// the action) to the click's start (the sound thread calling PlaySound),
// beside the press to the action's end. The ways of starting the click, the
// presses taking turns:
//  - held (the driver): the press wakes the sound thread directly, which
//    starts the click when the report is handled or after its short hold;
//  - at once: the same without the hold;
//  - posted: the press posts a message whose handler wakes the sound thread,
//    so the click starts once the thread is back in its message loop (the
//    driver before);
//  - no click, for the action's own time.
// Two actions:
//  - a slow touch-data program that answers each text after 1 s (--hang=1):
//    the action blocks the thread for 2 s without pumping, as a hung program
//    (5 s, the send's time-out) or PenPlus's start (up to RunTimeOut) do;
//  - a responsive one, which shows whether the sound's start-up holds the
//    action's messages to the other program back.
//
//   bench_click_sound [slow presses per way, default 5] [fast presses per way, default 200]
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "DemoSupport.h"
#include "actions/ClassActTpdrv.h"
#include "actions/win/TouchDataPortWin.h"
#include "base/Notifier.h"
#include "base/Settings.h"
#include "core/win/ModuleSound.h"
#include "winbench/WinBench.h"
#include "wincommon/Text.h"
#include "wincommon/Window.h"

namespace {

using namespace std::chrono_literals;

// Press to the click's start, whatever the action does: a few milliseconds.
struct Targets {
  double clickMedianMs = 5.0;
  double clickP99Ms = 10.0;
};

enum class Way { Held, AtOnce, Posted, NoClick };
constexpr const char* kWayNames[] = {"click held for the press's work (the driver)", "click started at once",
                                     "click posted (before)", "no click"};

struct QuietNotifier : orvanta::Notifier {
  void SetText(const std::string&, std::int32_t, std::int32_t) override {}
};

// The driver before: a message whose handler asks for the click.
class PostedClick : public wincommon::Window {
public:
  explicit PostedClick(orvanta::win::ClickSound& sound) : sound_(sound) {}
  bool Create() {
    CreateArgs args;
    args.className = L"BenchPostedClick";
    args.style = 0;
    args.parent = HWND_MESSAGE;
    return Window::Create(args);
  }
  void Post() { ::PostMessageW(hwnd(), kClick, 0, 0); }

private:
  static constexpr UINT kClick = WM_APP + 1;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
    if (msg != kClick) return Window::HandleMessage(msg, wp, lp);
    sound_.Play();
    return 0;
  }
  orvanta::win::ClickSound& sound_;
};

struct Samples {
  std::vector<double> toClick, toActionEnd;
  std::vector<double> startUp;  // the sound thread's PlaySound call
};

class Bench {
public:
  explicit Bench(const std::wstring& wave)
      : sound_(wave, Recording()), atOnce_(wave, Recording(), 0), posted_(sound_),
        action_(settings_, [] {}, port_, notifier_) {}
  ~Bench() { posted_.Destroy(); }

  bool Ready() { return posted_.Create(); }

  // One press: the click asked for as the way says, the action, then the
  // driver's loop until the click has started.
  bool Press(Way way, Samples& out) {
    clickAt_ = 0;
    const std::int64_t pressed = winbench::Qpc();
    if (way == Way::Held) sound_.Play();
    if (way == Way::AtOnce) atOnce_.Play();
    if (way == Way::Posted) posted_.Post();
    const bool done = action_.Action("ChangeTPNamedID");
    const std::int64_t ended = winbench::Qpc();
    // As the driver says once the report is handled.
    if (way == Way::Held) sound_.Release();
    if (way != Way::NoClick && !simcommon::WaitUntil([&] { return clickAt_ != 0; }, 5s)) return false;
    out.toActionEnd.push_back(winbench::QpcToMs(ended - pressed));
    if (way != Way::NoClick) {
      out.toClick.push_back(winbench::QpcToMs(clickAt_ - pressed));
      out.startUp.push_back(startUp_);
    }
    // The click lasts 60 ms; the next press comes after it, as a person's does.
    simcommon::PumpFor(100ms);
    return done;
  }

private:
  orvanta::win::ClickSound::Player Recording() {
    return [this](const std::string& bytes, const std::wstring& path) {
      if (bytes.empty() && path.empty()) return orvanta::win::PlayClick(bytes, path);
      const std::int64_t at = winbench::Qpc();
      orvanta::win::PlayClick(bytes, path);
      startUp_ = winbench::QpcToMs(winbench::Qpc() - at);
      clickAt_ = at;
    };
  }

  std::atomic<std::int64_t> clickAt_{0};
  double startUp_ = 0;  // written by the sound thread before clickAt_
  orvanta::win::ClickSound sound_;
  orvanta::win::ClickSound atOnce_;
  PostedClick posted_;
  orvanta::MainSettings settings_;
  orvanta::win::TouchDataPortWin port_;
  QuietNotifier notifier_;
  orvanta::ClassActTpdrv action_;
};

// Presses of each way taking turns, so that a busy spell of the machine
// falls on all of them alike.
bool Run(Bench& bench, const std::vector<Way>& ways, int presses, std::vector<Samples>& out) {
  out.assign(ways.size(), {});
  for (int i = 0; i < presses; ++i) {
    for (std::size_t w = 0; w < ways.size(); ++w) {
      if (!bench.Press(ways[w], out[w])) return false;
    }
  }
  return true;
}

void PrintWay(Way way, const Samples& s) {
  std::printf("  %s\n", kWayNames[static_cast<int>(way)]);
  if (!s.toClick.empty()) {
    winbench::Print("    press to click start", winbench::Summarise(s.toClick));
    winbench::Print("    PlaySound call (sound thread)", winbench::Summarise(s.startUp));
  }
  winbench::Print("    press to action end", winbench::Summarise(s.toActionEnd));
}

// The ways measured, and the verdict on the driver's click (ways[0]).
bool Judge(const std::vector<Way>& ways, const std::vector<Samples>& samples, const Targets& targets) {
  for (std::size_t w = 0; w < ways.size(); ++w) PrintWay(ways[w], samples[w]);
  const auto click = winbench::Summarise(samples[0].toClick);
  const bool ok = click.median <= targets.clickMedianMs && click.p99 <= targets.clickP99Ms;
  std::printf("  the driver's click beside an action of %.3f ms, target median <= %.1f ms, p99 <= %.1f ms: %s\n",
              winbench::Summarise(samples[0].toActionEnd).median, targets.clickMedianMs, targets.clickP99Ms,
              winbench::Verdict(ok));
  return ok;
}

bool StartTouchData(const std::wstring& bin, const std::wstring& dir, const wchar_t* options,
                    simcommon::Process& process) {
  const std::wstring log = simcommon::Join(dir, L"touchdata.log");
  return simcommon::StartTouchData(bin, std::wstring(options) + L" \"" + log + L"\"", process, 10s);
}

}  // namespace

int main(int argc, char** argv) {
  const int slowPresses = std::max(1, argc > 1 ? std::atoi(argv[1]) : 5);
  const int fastPresses = std::max(1, argc > 2 ? std::atoi(argv[2]) : 200);
  const Targets targets;
  const std::wstring bin = wincommon::ModuleFolder();
  const std::wstring dir = simcommon::Join(bin, L"bench-click-sound");
  ::CreateDirectoryW(dir.c_str(), nullptr);

  Bench bench(simcommon::Join(bin, L"Orvanta.wav"));
  if (!bench.Ready()) {
    std::fprintf(stderr, "the message window could not be made\n");
    return 2;
  }
  bool ok = true;
  std::vector<Samples> slow, fast;
  const std::vector<Way> slowWays{Way::Held, Way::AtOnce, Way::Posted};
  const std::vector<Way> fastWays{Way::Held, Way::AtOnce, Way::Posted, Way::NoClick};
  {
    simcommon::Process touchData;
    if (!StartTouchData(bin, dir, L"--hang=1", touchData)) {
      std::fprintf(stderr, "the touch-data stand-in did not start (TouchDataSim.exe beside the program?)\n");
      return 2;
    }
    std::printf("a slow touch-data program (each text answered after 1 s), %d presses a way\n", slowPresses);
    if (!Run(bench, slowWays, slowPresses, slow)) {
      std::fprintf(stderr, "a press failed or its click never started\n");
      return 1;
    }
    demo::CloseTouchData(touchData);
  }
  ok = Judge(slowWays, slow, targets) && ok;

  {
    simcommon::Process touchData;
    if (!StartTouchData(bin, dir, L"", touchData)) return 2;
    std::printf("a responsive touch-data program, %d presses a way\n", fastPresses);
    if (!Run(bench, fastWays, fastPresses, fast)) {
      std::fprintf(stderr, "a press failed or its click never started\n");
      return 1;
    }
    demo::CloseTouchData(touchData);
  }
  ok = Judge(fastWays, fast, targets) && ok;
  const double none = winbench::Summarise(fast[3].toActionEnd).median;
  std::printf("  the action's median against no click: %+.3f ms held (the driver), %+.3f ms at once, %+.3f ms posted\n",
              winbench::Summarise(fast[0].toActionEnd).median - none,
              winbench::Summarise(fast[1].toActionEnd).median - none,
              winbench::Summarise(fast[2].toActionEnd).median - none);
  return ok ? 0 : 1;
}
