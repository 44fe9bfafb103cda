// The demonstration behind scripts/run: the real driver under Wine against
// the simulated panel, with the touch-data stand-in beside it.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "fntd2xx/PanelSim.h"
#include "wincommon/Handles.h"
#include "wincommon/Text.h"

namespace {

std::wstring g_bin;
std::wstring g_demo;

std::wstring In(const std::wstring& folder, const std::wstring& name) { return folder + L"\\" + name; }

void Say(const std::string& text) {
  std::printf("%s\n", text.c_str());
  std::fflush(stdout);
}

bool Copy(const std::wstring& relative) {
  return ::CopyFileW(In(g_bin, relative).c_str(), In(g_demo, relative).c_str(), FALSE) != FALSE;
}

template <typename Pred>
bool WaitFor(Pred pred, DWORD ms) {
  const ULONGLONG end = ::GetTickCount64() + ms;
  while (!pred()) {
    if (::GetTickCount64() > end) return false;
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    ::Sleep(10);
  }
  return true;
}

bool Start(const std::wstring& exe, const std::wstring& args, wincommon::KernelHandle& process) {
  std::wstring cmd = L"\"" + exe + L"\" " + args;
  STARTUPINFOW si{sizeof(si)};
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, g_demo.c_str(), &si, &pi)) {
    return false;
  }
  ::CloseHandle(pi.hThread);
  process.reset(pi.hProcess);
  return true;
}

std::string ReadAll(const std::wstring& path) {
  wincommon::FileHandle f(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
  std::string text;
  if (!f) return text;
  char buf[4096];
  DWORD n = 0;
  while (::ReadFile(f.get(), buf, sizeof(buf), &n, nullptr) && n > 0) text.append(buf, n);
  return text;
}

// The centre of the first button in the delivered layout whose action text
// names the calibration-set switch.
bool FindButton(const std::wstring& def, const char* action, int& x, int& y) {
  const std::string file = wincommon::WideToAnsi(def);
  char buf[256];
  ::GetPrivateProfileStringA("Header", "ButtonX", "0", buf, sizeof(buf), file.c_str());
  const int cols = std::atoi(buf);
  ::GetPrivateProfileStringA("Header", "ButtonY", "0", buf, sizeof(buf), file.c_str());
  const int rows = std::atoi(buf);
  for (int c = 1; c <= cols; ++c) {
    for (int r = 1; r <= rows; ++r) {
      const std::string section = "Button." + std::to_string(c) + "." + std::to_string(r);
      ::GetPrivateProfileStringA(section.c_str(), "Name", "", buf, sizeof(buf), file.c_str());
      if (std::string(buf).find(action) == std::string::npos) continue;
      ::GetPrivateProfileStringA(section.c_str(), "Rect", "", buf, sizeof(buf), file.c_str());
      int l = 0, t = 0, rr = 0, b = 0;
      if (std::sscanf(buf, "%d,%d,%d,%d", &l, &t, &rr, &b) != 4) continue;
      x = (l + rr) / 2;
      y = (t + b) / 2;
      return true;
    }
  }
  return false;
}

std::size_t InfoWindowsOf(DWORD pid) {
  std::size_t n = 0;
  HWND h = nullptr;
  while ((h = ::FindWindowExW(nullptr, h, L"OrvantaInfo", nullptr)) != nullptr) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(h, &owner);
    if (owner == pid && ::IsWindowVisible(h)) ++n;
  }
  return n;
}

}  // namespace

int wmain() {
  const std::wstring self = [] {
    wchar_t path[MAX_PATH];
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path);
  }();
  g_bin = self.substr(0, self.find_last_of(L'\\'));
  g_demo = In(g_bin, L"demo");
  ::CreateDirectoryW(g_demo.c_str(), nullptr);
  ::CreateDirectoryW(In(g_demo, L"Data").c_str(), nullptr);
  ::DeleteFileW(In(g_demo, L"Orvanta.ini").c_str());
  ::DeleteFileW(In(g_demo, L"Data\\QV-LK2048.dat").c_str());
  ::DeleteFileW(In(g_demo, L"touchdata.log").c_str());
  for (const wchar_t* f : {L"Orvanta.exe", L"Orvanta.wav", L"Data\\QV-LK2048.def", L"FNTD2XX.dll", L"TouchDataSim.exe"}) {
    if (!Copy(f)) {
      Say("missing in the build folder: " + wincommon::WideToUtf8(f));
      return 1;
    }
  }
  Say("Demo driver folder: " + wincommon::WideToUtf8(g_demo));

  panelsim::PanelSim panel(panelsim::PanelSim::UniqueName(L"Demo"));
  panel.Export();
  panel.Plug(false);

  wincommon::KernelHandle touchData, driver;
  const std::wstring log = In(g_demo, L"touchdata.log");
  if (!Start(In(g_demo, L"TouchDataSim.exe"), L"\"" + log + L"\"", touchData)) return 1;
  Say("Touch-data stand-in started (window \"Ｔｏｕｃｈ　Ｄａｔａ\").");
  if (!Start(In(g_demo, L"Orvanta.exe"), L"", driver)) return 1;
  const DWORD driverPid = ::GetProcessId(driver.get());
  WaitFor([] { return ::FindWindowW(L"ThunderRT6Main", L"Orvanta") != nullptr; }, 15000);
  Say("Driver running (pid " + std::to_string(driverPid) + "), panel unplugged: it tries once a second.");

  panel.Plug(true);
  Say("Panel plugged in.");
  if (!WaitFor([&] { return panel.IsOpen() && panel.Written().size() >= 8; }, 5000)) {
    Say("the driver did not open the panel");
    return 1;
  }
  Say("Driver opened \"Orvanta TouchPanel\" at 38400 baud 8N2 and sent CR J1 CR TC1 CR.");

  int x = 0, y = 0;
  if (!FindButton(In(g_demo, L"Data\\QV-LK2048.def"), "Tpdrv.ChangeTPNamedID", x, y)) {
    Say("no calibration-set button in the layout");
    return 1;
  }
  for (int press = 1; press <= 2; ++press) {
    Say("Touch " + std::to_string(press) + " on the calibration-set button at " + std::to_string(x) + "," +
        std::to_string(y) + ": " + panelsim::PanelSim::ReportText(x, y, 'B').substr(0, 9));
    panel.QueueReport(x, y, 'B', panelsim::PanelSim::Now());
    panel.QueueReport(x, y, 'N', panelsim::PanelSim::Now() + panelsim::PanelSim::MsToTicks(80));
    WaitFor([&] { return InfoWindowsOf(driverPid) == 2; }, 3000);
    Say("  notification on screen: " + std::string(InfoWindowsOf(driverPid) == 2 ? "yes" : "no"));
    Say("  touch-data program received:\n" + ReadAll(log));
    WaitFor([&] { return InfoWindowsOf(driverPid) == 0; }, 5000);
  }

  // Cmd_Exit through the driver's link text box, as OrvantaLink would.
  const HWND main = ::FindWindowW(L"ThunderRT6FormDC", L"OrvantaPanelDriver");
  const HWND box = main ? ::FindWindowExA(main, nullptr, "ThunderRT6TextBox", "TextLinkExecute") : nullptr;
  DWORD_PTR result = 0;
  if (box) ::SendMessageTimeoutA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Cmd_Exit"), SMTO_ABORTIFHUNG, 5000, &result);
  const bool ended = ::WaitForSingleObject(driver.get(), 10000) == WAIT_OBJECT_0;
  Say(std::string("Driver ended on Cmd_Exit: ") + (ended ? "yes" : "no") + "; device closed: " +
      (panel.IsOpen() ? "no" : "yes"));
  if (const HWND td = ::FindWindowW(L"ThunderRT6FormDC", L"Ｔｏｕｃｈ　Ｄａｔａ")) ::PostMessageW(td, WM_CLOSE, 0, 0);
  ::WaitForSingleObject(touchData.get(), 5000);
  return ended ? 0 : 1;
}
