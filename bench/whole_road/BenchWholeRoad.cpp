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

#include "fntd2xx/PanelSim.h"
#include "winbench/WinBench.h"
#include "wincommon/Handles.h"
#include "wincommon/Text.h"

namespace {

using panelsim::PanelSim;

std::wstring Folder(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

std::string ReadAll(const std::wstring& path) {
  wincommon::FileHandle f(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
  std::string text;
  if (!f) return text;
  char buf[8192];
  DWORD n = 0;
  while (::ReadFile(f.get(), buf, sizeof(buf), &n, nullptr) && n > 0) text.append(buf, n);
  return text;
}

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

bool Start(const std::wstring& exe, const std::wstring& args, const std::wstring& dir, wincommon::KernelHandle& out) {
  std::wstring cmd = L"\"" + exe + L"\" " + args;
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi)) {
    return false;
  }
  ::CloseHandle(pi.hThread);
  out.reset(pi.hProcess);
  return true;
}

template <typename Pred>
bool WaitFor(Pred pred, DWORD ms) {
  const ULONGLONG end = ::GetTickCount64() + ms;
  while (!pred()) {
    if (::GetTickCount64() > end) return false;
    ::Sleep(5);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const int presses = argc > 1 ? std::atoi(argv[1]) : 300;
  const double spacingMs = argc > 2 ? std::atof(argv[2]) : 120.0;

  wchar_t self[MAX_PATH];
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring bin = Folder(self);
  const std::wstring dir = bin + L"\\bench-whole-road";
  ::CreateDirectoryW(dir.c_str(), nullptr);
  ::CreateDirectoryW((dir + L"\\Data").c_str(), nullptr);
  for (const wchar_t* f : {L"Orvanta.exe", L"Orvanta.wav", L"Data\\QV-LK2048.def", L"FNTD2XX.dll", L"TouchDataSim.exe"}) {
    if (!::CopyFileW((bin + L"\\" + f).c_str(), (dir + L"\\" + f).c_str(), FALSE)) {
      std::fprintf(stderr, "missing in the build folder: %ls\n", f);
      return 2;
    }
  }
  ::DeleteFileW((dir + L"\\Orvanta.ini").c_str());
  ::DeleteFileW((dir + L"\\Data\\QV-LK2048.dat").c_str());
  const std::wstring log = dir + L"\\touchdata.log";
  ::DeleteFileW(log.c_str());

  // The calibration-set button of the delivered layout.
  const std::string def = wincommon::WideToAnsi(dir + L"\\Data\\QV-LK2048.def");
  int x = -1, y = -1;
  for (int c = 1; c <= 8 && x < 0; ++c) {
    for (int r = 1; r <= 32 && x < 0; ++r) {
      char name[256], rect[256];
      const std::string section = "Button." + std::to_string(c) + "." + std::to_string(r);
      ::GetPrivateProfileStringA(section.c_str(), "Name", "", name, sizeof(name), def.c_str());
      ::GetPrivateProfileStringA(section.c_str(), "Rect", "", rect, sizeof(rect), def.c_str());
      int l = 0, t = 0, rr = 0, b = 0;
      if (std::string(name) == "Tpdrv.ChangeTPNamedID" && std::sscanf(rect, "%d,%d,%d,%d", &l, &t, &rr, &b) == 4) {
        x = (l + rr) / 2;
        y = (t + b) / 2;
      }
    }
  }
  if (x < 0) {
    std::fprintf(stderr, "no calibration-set button in the delivered layout\n");
    return 2;
  }

  PanelSim panel(PanelSim::UniqueName(L"WholeRoad"));
  panel.Export();
  wincommon::KernelHandle touchData, driver;
  if (!Start(dir + L"\\TouchDataSim.exe", L"--stamp \"" + log + L"\"", dir, touchData) ||
      !Start(dir + L"\\Orvanta.exe", L"", dir, driver)) {
    std::fprintf(stderr, "could not start the programs\n");
    return 2;
  }
  if (!WaitFor([&] { return panel.IsOpen() && panel.Written().size() >= 8; }, 10000) ||
      !WaitFor([] { return ::FindWindowW(L"ThunderRT6FormDC", L"Ｔｏｕｃｈ　Ｄａｔａ") != nullptr; }, 10000)) {
    std::fprintf(stderr, "the driver did not connect or the stand-in did not start\n");
    return 2;
  }

  // Reports spaced beyond the double-click time would be slower to run;
  // spacing only needs to keep actions apart. Each report's last byte due
  // time is the start of its road.
  std::vector<std::int64_t> due;
  std::int64_t at = PanelSim::Now() + PanelSim::MsToTicks(200);
  for (int i = 0; i < presses; ++i) {
    due.push_back(panel.QueueReport(x, y, 'B', at));
    at += PanelSim::MsToTicks(spacingMs);
  }
  WaitFor([&] { return static_cast<int>(SwitchStamps(ReadAll(log)).size()) >= presses; },
          static_cast<DWORD>(presses * spacingMs + 5000));

  const auto stamps = SwitchStamps(ReadAll(log));
  std::vector<double> road;
  for (std::size_t i = 0; i < stamps.size() && i < due.size(); ++i) road.push_back(winbench::QpcToMs(stamps[i] - due[i]));
  std::printf("whole road, report complete -> first text at the touch-data program, %d presses %.0f ms apart\n",
              presses, spacingMs);
  winbench::Print("delivered driver", winbench::Summarise(road));
  std::printf("%zu of %d presses reached the touch-data program\n", stamps.size(), presses);

  const HWND main = ::FindWindowW(L"ThunderRT6FormDC", L"OrvantaPanelDriver");
  const HWND box = main ? ::FindWindowExA(main, nullptr, "ThunderRT6TextBox", "TextLinkExecute") : nullptr;
  DWORD_PTR result = 0;
  if (box) ::SendMessageTimeoutA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Cmd_Exit"), SMTO_ABORTIFHUNG, 5000, &result);
  ::WaitForSingleObject(driver.get(), 10000);
  if (const HWND td = ::FindWindowW(L"ThunderRT6FormDC", L"Ｔｏｕｃｈ　Ｄａｔａ")) ::PostMessageW(td, WM_CLOSE, 0, 0);
  ::WaitForSingleObject(touchData.get(), 5000);
  return static_cast<int>(stamps.size()) == presses ? 0 : 1;
}
