// The demonstration behind scripts/run: the real driver under Wine against
// the simulated panel, with the virtual panel in front of it and the
// touch-data, camera and PenPlus 4 stand-ins behind it.
//
//   orvanta_demo.exe                 a person presses the virtual panel
//   orvanta_demo.exe --script FILE   replays FILE, a picture of every step
//
// Script lines (blank lines and lines from "#" are skipped):
//   say TEXT                 prints TEXT
//   plug on|off              ticks or clears the virtual panel's plug box
//   press ACTION [HOLD_MS]   presses the printed button whose click action is
//                            ACTION with the mouse (released after HOLD_MS, 80)
//   touch X Y STATE          one report straight into the panel
//   link COMMAND             a link command to the driver
//   wait MS                  lets the recorded time pass
//   steps on|off             a picture after every step (on at start)
//   shot NAME [panel|notification]   a picture, cut to that window
// Before a press, touch or link step the demo waits until the driver shows
// no notification (an earlier step's is gone for good), so that a
// notification that comes after the step is the step's own; it then waits up
// to 3 s for one and checks that its pixels are in the picture, or says that
// the step shows none. Stand-in windows that would cover the virtual panel are
// moved to its left before every picture.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "DemoSupport.h"
#include "Screens.h"
#include "actions/ClassButtonAction.h"
#include "base/win/AnsiText.h"
#include "base/win/WinProfileStore.h"
#include "panel/ClassButtonRes.h"
#include "panel/win/ButtonResFilesWin.h"
#include "fntd2xx/PanelSim.h"
#include "penplus/PenPlusWindows.h"
#include "panel/ClassPanelData.h"
#include "identities/WindowIdentities.h"
#include "wincommon/Files.h"
#include "wincommon/Text.h"

namespace {

using namespace std::chrono_literals;

void Say(const std::string& text) {
  std::printf("%s\n", text.c_str());
  std::fflush(stdout);
}

std::string U8(const std::wstring& w) { return wincommon::WideToUtf8(w); }

// New lines of a log that another program appends to.
class LogTail {
public:
  explicit LogTail(std::wstring file) : file_(std::move(file)) {}
  std::string Next() {
    const std::string all = wincommon::ReadFileBytes(file_);
    const std::size_t end = all.rfind('\n');
    if (end == std::string::npos || end + 1 <= shown_) return {};
    std::string fresh = all.substr(shown_, end + 1 - shown_);
    shown_ = end + 1;
    return fresh;
  }

private:
  std::wstring file_;
  std::size_t shown_ = 0;
};

class Demo {
public:
  Demo() : bin_(wincommon::ModuleFolder()), dir_(bin_ + L"\\demo"), panel_(panelsim::PanelSim::UniqueName(L"Demo")),
           screens_(dir_ + L"\\screens"), touchLog_(dir_ + L"\\touchdata.log"),
           penLog_(dir_ + L"\\PenPlus\\PenPlus.log") {}
  ~Demo() { Stop(); }

  bool Start();
  int Live();
  int Replay(const std::wstring& file);

private:
  bool LayOut();
  void Stop();
  [[nodiscard]] HWND Sheet() const {
    const auto w = simcommon::WindowsOfProcess(vpanel_.Id(), L"OrvantaVirtualPanel");
    return w.empty() ? nullptr : w.front();
  }
  [[nodiscard]] std::vector<HWND> Notifications() const {
    return simcommon::WindowsOfProcess(driver_.Id(), orvanta::identity::kInfoClass);
  }
  HWND PrintedButton(const std::string& action);
  bool Plug(bool on);
  void KeepPanelClear() const;
  bool WaitNoNotification();
  bool Step(const std::string& what, const std::function<bool()>& act);
  void ShowLogs();

  std::wstring bin_, dir_;
  panelsim::PanelSim panel_;
  demo::Screens screens_;
  LogTail touchLog_, penLog_;
  simcommon::Process touchData_, driver_, vpanel_;
  int step_ = 0;
  bool stepPictures_ = true;
  bool stopped_ = false;
};

bool Demo::LayOut() {
  if (const std::wstring missing = demo::LayOutDriverFolder(bin_, dir_); !missing.empty()) {
    Say("missing in the build folder: " + U8(missing));
    return false;
  }
  ::CreateDirectoryW((dir_ + L"\\PenPlus").c_str(), nullptr);
  for (const auto& [from, to] : {std::pair{L"Orvanta.dat", L"Orvanta.dat"}, {L"CameraSim.exe", L"CameraSim.exe"},
                                 {L"penplus4\\PenPlus.exe", L"PenPlus\\PenPlus.exe"}}) {
    if (!::CopyFileW((bin_ + L"\\" + from).c_str(), (dir_ + L"\\" + to).c_str(), FALSE)) {
      Say("missing in the build folder: " + U8(from));
      return false;
    }
  }
  for (const wchar_t* log : {L"\\touchdata.log", L"\\PenPlus\\PenPlus.log"}) ::DeleteFileW((dir_ + log).c_str());
  // The stand-ins where a user would have registered the real programs.
  const std::string ini = "[Main]\r\nNotifyMsg=2000\r\n[PenPlus]\r\nPath=\"" +
                          wincommon::WideToAnsi(dir_ + L"\\PenPlus\\PenPlus.exe") + "\"\r\n[Camera]\r\nPath=\"" +
                          wincommon::WideToAnsi(dir_ + L"\\CameraSim.exe") + "\"\r\n";
  return wincommon::WriteFileBytes(dir_ + L"\\Orvanta.ini", ini);
}

bool Demo::Start() {
  if (!LayOut()) return false;
  Say("Demo driver folder: " + U8(dir_));
  panel_.Export();
  panel_.Plug(false);
  if (!simcommon::StartTouchData(dir_, L"\"" + dir_ + L"\\touchdata.log\"", touchData_, 10s)) {
    Say("the touch-data stand-in did not start");
    return false;
  }
  if (!driver_.Start(dir_ + L"\\Orvanta.exe", L"", dir_) ||
      !simcommon::WaitForWindow(orvanta::identity::kAppClass, orvanta::identity::kDriverTitle, 15s)) {
    Say("the driver did not start");
    return false;
  }
  Say("Driver running (pid " + std::to_string(driver_.Id()) + "), touch-data stand-in beside it.");
  if (!vpanel_.Start(bin_ + L"\\VirtualPanel.exe", L"\"" + dir_ + L"\"", dir_) ||
      !simcommon::WaitUntil([&] { return Sheet() != nullptr; }, 15s)) {
    Say("the virtual panel did not start");
    return false;
  }
  if (!simcommon::WaitUntil([&] { return panel_.IsOpen() && panel_.Written().size() >= 8; }, 5s)) {
    Say("the driver did not open the panel");
    return false;
  }
  Say("Virtual panel plugged in; the driver opened it at 38400 baud 8N2 and sent CR J1 CR TC1 CR.");
  return true;
}

void Demo::Stop() {
  if (stopped_ || driver_.Id() == 0) return;
  stopped_ = true;
  simcommon::SendLinkCommand(driver_, "Cmd_Exit");
  const bool ended = driver_.WaitExit(10s);
  Say(std::string("Driver ended on Cmd_Exit: ") + (ended ? "yes" : "no"));
  for (const wchar_t* cls : {L"OrvantaVirtualPanel", L"OrvantaCameraSim", penplus::kMainClass}) {
    HWND h = nullptr;
    while ((h = ::FindWindowExW(nullptr, h, cls, nullptr)) != nullptr) ::PostMessageW(h, WM_CLOSE, 0, 0);
  }
  if (touchData_.Id() != 0) demo::CloseTouchData(touchData_);
  vpanel_.WaitExit(5s);
}

void Demo::ShowLogs() {
  if (const std::string t = touchLog_.Next(); !t.empty()) Say("  touch-data program received:\n" + t);
  if (std::string p = penLog_.Next(); !p.empty()) {
    // Stamps first on every line; a person wants the events.
    std::istringstream lines(p);
    for (std::string line; std::getline(lines, line);) {
      if (const auto tab = line.find('\t'); tab != std::string::npos) Say("  PenPlus stand-in: " + line.substr(tab + 1));
    }
  }
}

int Demo::Live() {
  // PenPlus runs from the start, as in a classroom, so that its tool bar
  // shows each press; the camera program is the driver's to start.
  simcommon::Process penPlus;
  if (penPlus.Start(dir_ + L"\\PenPlus\\PenPlus.exe", L"", dir_ + L"\\PenPlus")) {
    Say("PenPlus 4 stand-in started.");
  }
  Say("\nThe virtual panel is on the screen (top right). Press its printed buttons with the mouse:\n"
      "  画面比率切替 (bottom right)  switches the touch-data program's calibration set; a notification shows\n"
      "  カメラ                       starts the camera stand-in (once while it runs)\n"
      "  ペン, 次のページ and the other pen buttons press the PenPlus stand-in's tool bar\n"
      "                               (ペン, 図形ペン and 消しゴム have a double-click action too)\n"
      "  ペンソフト起動/終了 (top left) asks PenPlus to close, or starts it again\n"
      "  \"Panel plugged in\"           clear it: the driver loses the panel and reconnects when it is back\n"
      "  \"Driver settings...\"         the driver's settings dialog, with the calibration\n"
      "What the stand-ins receive is printed here. Close the virtual panel to end the demo.\n");
  while (!vpanel_.WaitExit(200ms)) {
    KeepPanelClear();
    ShowLogs();
  }
  ShowLogs();
  Stop();
  penPlus.WaitExit(5s);  // asked to close by Stop
  return 0;
}

HWND Demo::PrintedButton(const std::string& action) {
  // The virtual panel titles each printed button with its display name.
  orvanta::win::WinProfileStore store;
  orvanta::ClassPanelData layout(store, U8(dir_ + L"\\Data"));
  layout.DataName = "QV-LK2048";
  layout.Load();
  orvanta::win::ButtonResFilesWin files;
  orvanta::ClassButtonRes res(&files);
  res.SetPath(U8(dir_ + L"\\Orvanta.dat"));
  res.Load();
  const orvanta::AnsiString click = orvanta::win::Utf8ToAnsi(action);
  for (std::int32_t i = 0; i < layout.ButtonData_Counts(); ++i) {
    const orvanta::AnsiString& name = layout.ButtonData(i)->Name;
    orvanta::AnsiString element;
    if (!orvanta::ActionElement(name, 0, element) || element != click) continue;
    const orvanta::AnsiString key = res.IndexOf(name) >= 0 ? name : click;
    return ::FindWindowExW(Sheet(), nullptr, L"OrvantaVirtualPanelButton",
                           orvanta::win::ToWide(res.DispOfName(key)).c_str());
  }
  return nullptr;
}

bool Demo::Plug(bool on) {
  const HWND box = ::FindWindowExW(Sheet(), nullptr, L"BUTTON", nullptr);
  if ((::SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED) != on) ::PostMessageW(box, BM_CLICK, 0, 0);
  const bool done = simcommon::WaitUntil([&] { return on ? panel_.IsOpen() : !panel_.Plugged(); }, 5s);
  Say(on ? (done ? "Panel plugged in; the driver opened it." : "Panel plugged in, but the driver did not open it.")
         : "Panel unplugged.");
  return done;
}

// The stand-ins open their windows where they like (the PenPlus stand-in's
// sheet beside its tool bar, right over the virtual panel on a small
// screen). A picture must show what a person sees, the whole printed sheet
// included, so every window of theirs that overlaps the virtual panel is
// moved to its left; the driver finds PenPlus's windows by class, caption
// and owner, never by where they are.
void Demo::KeepPanelClear() const {
  const HWND sheet = Sheet();
  RECT panel{};
  if (!sheet || !::GetWindowRect(sheet, &panel)) return;
  std::vector<DWORD> standIns{touchData_.Id()};
  for (const wchar_t* cls : {penplus::kMainClass, L"OrvantaCameraSim"}) {
    HWND h = nullptr;
    while ((h = ::FindWindowExW(nullptr, h, cls, nullptr)) != nullptr) {
      DWORD pid = 0;
      ::GetWindowThreadProcessId(h, &pid);
      standIns.push_back(pid);
    }
  }
  for (const DWORD pid : standIns) {
    if (pid == 0) continue;  // not started
    for (const HWND w : simcommon::WindowsOfProcess(pid)) {
      RECT rc{}, overlap{};
      if (!::GetWindowRect(w, &rc) || !::IntersectRect(&overlap, &rc, &panel)) continue;
      constexpr int kGap = 16;
      const int x = std::max(0, static_cast<int>(panel.left) - static_cast<int>(rc.right - rc.left) - kGap);
      ::SetWindowPos(w, nullptr, x, rc.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    }
  }
}

// True once the driver has shown no notification for a while. An action can
// put up one notification after another ("starting PenPlus", then
// "PenPlus started"), and between the two its windows are hidden for a
// moment: a single look could take that moment for the end.
bool Demo::WaitNoNotification() {
  constexpr ULONGLONG kQuietMs = 800;
  ULONGLONG quietSince = ::GetTickCount64();
  return simcommon::WaitUntil([&] {
    const ULONGLONG now = ::GetTickCount64();
    if (!Notifications().empty()) quietSince = now;
    return now - quietSince >= kQuietMs;
  },
  30s);
}

bool Demo::Step(const std::string& what, const std::function<bool()>& act) {
  ++step_;
  const std::wstring name = std::wstring(step_ < 10 ? L"step-0" : L"step-") + std::to_wstring(step_);
  // The picture to compare with shows no notification: an earlier step's
  // must be gone for good, also while the picture is taken. An earlier
  // action may still be under way meanwhile; what the stand-ins log of it
  // is shown before this step begins.
  std::optional<demo::ScreenPicture> before;
  for (int attempt = 0; attempt < 3 && !before; ++attempt) {
    if (!WaitNoNotification()) break;
    KeepPanelClear();
    before = screens_.Take(name + L"-before", nullptr, true);
    if (!Notifications().empty()) before.reset();
  }
  ShowLogs();
  Say("Step " + std::to_string(step_) + ": " + what);
  if (!before) {
    Say("  an earlier notification did not go away; this step cannot be judged");
    return false;
  }
  if (!act()) {
    Say("  could not do that");
    return false;
  }
  // Nothing was on screen when the step began, so what comes now is this
  // step's own notification.
  const bool shown = simcommon::WaitUntil([&] { return !Notifications().empty(); }, 3s);
  bool ok = true;
  if (shown) {
    RECT area{};
    ::GetWindowRect(Notifications().front(), &area);
    KeepPanelClear();
    const auto after = screens_.Take(stepPictures_ ? name : name + L"-check", nullptr, !stepPictures_);
    ok = after && demo::ShowsIn(*before, *after, area);
    Say(ok ? "  notification on screen: yes, its pixels are in the picture" +
                 (stepPictures_ ? " " + U8(screens_.Describe(name)) : std::string())
           : "  notification window shown, but its pixels are NOT in the picture of the screen");
  } else {
    Say("  this step shows no notification (none came within 3 s)");
    if (stepPictures_) {
      KeepPanelClear();
      screens_.Take(name);
      Say("  screen: " + U8(screens_.Describe(name)));
    }
  }
  ShowLogs();
  return ok;
}

int Demo::Replay(const std::wstring& file) {
  std::ifstream in(file.c_str(), std::ios::binary);
  if (!in) {
    Say("cannot read " + U8(file));
    return 1;
  }
  int failures = 0;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream words(line);
    std::string cmd;
    words >> cmd;
    if (cmd.empty() || cmd[0] == '#') continue;
    std::string rest;
    std::getline(words >> std::ws, rest);
    std::istringstream args(rest);
    if (cmd == "say") {
      Say(rest);
    } else if (cmd == "plug") {
      failures += !Plug(rest == "on");
    } else if (cmd == "steps") {
      stepPictures_ = rest != "off";
    } else if (cmd == "wait") {
      int ms = 0;
      args >> ms;
      simcommon::PumpFor(std::chrono::milliseconds(ms));
    } else if (cmd == "press") {
      std::string action;
      int hold = 80;
      args >> action >> hold;
      failures += !Step("press " + action + " on the virtual panel", [&] {
        const HWND button = PrintedButton(action);
        if (!button) return false;
        RECT rc{};
        ::GetClientRect(button, &rc);
        const LPARAM centre = MAKELPARAM(rc.right / 2, rc.bottom / 2);
        // The mouse comes over the button before it goes down, as a hand's would.
        ::PostMessageW(button, WM_MOUSEMOVE, 0, centre);
        ::PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, centre);
        simcommon::PumpFor(std::chrono::milliseconds(hold));
        return ::PostMessageW(button, WM_LBUTTONUP, 0, centre) != FALSE;
      });
    } else if (cmd == "touch") {
      int x = 0, y = 0;
      char state = 'B';
      args >> x >> y >> state;
      failures += !Step("report " + panelsim::PanelSim::ReportText(x, y, state).substr(0, 9),
                        [&] { return panel_.QueueReport(x, y, state, panelsim::PanelSim::Now()) >= 0; });
    } else if (cmd == "link") {
      failures += !Step("link command " + rest, [&] { return simcommon::SendLinkCommand(driver_, rest.c_str()); });
    } else if (cmd == "shot") {
      std::string shot, what;
      args >> shot >> what;
      RECT area{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
      KeepPanelClear();
      if (what == "panel") {
        ::GetWindowRect(Sheet(), &area);
      } else if (what == "notification") {
        simcommon::WaitUntil([&] { return !Notifications().empty(); }, 3s);
        if (!Notifications().empty()) ::GetWindowRect(Notifications().front(), &area);
        ::InflateRect(&area, 40, 30);
      }
      const bool taken = screens_.Take(wincommon::Utf8ToWide(shot), &area).has_value();
      failures += !taken;
      Say("Picture " + (taken ? U8(screens_.Describe(wincommon::Utf8ToWide(shot))) : shot + ": not taken"));
    } else {
      Say("unknown script line: " + line);
      ++failures;
    }
  }
  Stop();
  Say(failures == 0 ? "Script done." : "Script done, " + std::to_string(failures) + " step(s) failed.");
  return failures == 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring script;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::wstring(argv[i]) == L"--script") script = argv[i + 1];
  }
  Demo demo;
  if (!demo.Start()) return 1;
  return script.empty() ? demo.Live() : demo.Replay(script);
}
