#include "DriverTestSupport.h"

#include "wincommon/Text.h"

namespace identity = orvanta::identity;

namespace drivertest {

DriverFixture::DriverFixture(bool withPanelLibrary, const std::wstring& folderName)
    : folder(folderName), installed_(folder.InstallDriver(withPanelLibrary)) {}

DriverFixture::~DriverFixture() {
  if (driver.Running()) CloseAndWait();
  driver.Kill();
}

bool DriverFixture::Start() {
  // The driver's windows exist from the start of its start-up; its first
  // connection attempt comes last, after the settings and the priority. The
  // simulated panel the driver will use (the one this process exported, or
  // the default) tells when start-up is through.
  if (!installed_) return false;
  const bool withPanel = folder.Exists(L"FNTD2XX.dll");
  panelsim::PanelSim panel;
  const std::uint64_t mark = panel.NextSeq();
  if (!driver.Start(folder.File(L"Orvanta.exe"), L"", folder.Path())) return false;
  const auto startedUp = [&] {
    if (AppWindow() == nullptr) return false;
    if (!withPanel) return true;
    for (const auto& c : panel.Calls("FT_OpenEx")) {
      if (c.seq >= mark) return true;
    }
    return false;
  };
  return harness::WaitUntil([&] { return startedUp() || !driver.Running(); }, 15s) && startedUp();
}

DWORD DriverFixture::PriorityClass() const {
  const wincommon::KernelHandle h(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, driver.Id()));
  return h ? ::GetPriorityClass(h.get()) : 0;
}

long RunLink(const std::wstring& args, std::chrono::milliseconds wait) {
  harness::Process link;
  if (!link.Start(harness::Join(harness::BinDir(), L"OrvantaLink.exe"), args)) return -2;
  if (!link.WaitExit(wait)) return -1;
  return static_cast<long>(link.ExitCode());
}

bool DriverFixture::StartOn(const panelsim::PanelSim& panel, const char* layout, const std::string& ini) {
  if ((layout && !folder.WriteText(L"Data\\QV-LK2048.def", layout)) || (!ini.empty() && !folder.WriteText(L"Orvanta.ini", ini)) ||
      !Start()) {
    return false;
  }
  return !panel.Plugged() || harness::WaitUntil([&] { return panel.IsOpen() && panel.Written().size() >= 8; }, 5s);
}

void PanelDriverTest::StartTouchData(const std::wstring& options) {
  const std::wstring log = L"\"" + f.folder.File(L"touchdata.log") + L"\"";
  ASSERT_TRUE(harness::StartTouchData(f.folder, touchData, options.empty() ? log : options + L" " + log));
}

HWND DriverFixture::Window(const wchar_t* cls, const wchar_t* title) const {
  for (const HWND h : harness::WindowsOfProcess(driver.Id(), cls)) {
    if (!title || harness::WindowText(h) == title) return h;
  }
  return nullptr;
}

ReadOnly::ReadOnly(std::wstring path) : path_(std::move(path)) {
  ::SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_READONLY);
  lock_.reset(::CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_TRUE(lock_) << "cannot hold " << wincommon::WideToUtf8(path_);
}

ReadOnly::~ReadOnly() {
  lock_.reset();
  ::SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
}

HWND DriverFixture::Focus() const {
  const auto windows = harness::WindowsOfProcess(driver.Id(), nullptr, false);
  if (windows.empty()) return nullptr;
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  return ::GetGUIThreadInfo(::GetWindowThreadProcessId(windows.front(), nullptr), &info) ? info.hwndFocus : nullptr;
}

void DriverFixture::PressKey(WORD key) const {
  const HWND focus = Focus();
  ::PostMessageW(focus, WM_KEYDOWN, key, 1);
  ::PostMessageW(focus, WM_KEYUP, key, 0xC0000001);
}

HWND OpenSettings(const DriverFixture& f, bool byLink) {
  if (!byLink) harness::Click(f.MainWindow(), L"Setting");
  if (byLink && RunLink(L"Cmd_Setting") != 0) return nullptr;
  HWND dialog = nullptr;
  harness::WaitUntil([&] { return (dialog = f.Window(identity::kSettingClass)) != nullptr; }, 5s);
  return dialog;
}

bool AskForCalibration(const DriverFixture& f) {
  for (const int answer : {IDCANCEL, IDOK}) {
    const HWND settings = f.Window(identity::kSettingClass);
    if (!settings || !harness::Button(settings, L"キャリブレーション")) return false;
    harness::Click(settings, L"キャリブレーション");
    const harness::Box question = harness::WaitForBox(f.driver.Id(), 5s, kSettingsCaption);
    if (!question.hwnd || !harness::Answer(question, answer, 5s)) return false;
  }
  return true;
}

void TouchCorner(panelsim::PanelSim& panel, int x, int y) {
  const auto now = panelsim::PanelSim::Now();
  panel.QueueReport(x - 40, y - 40, 'B', now);
  panel.QueueReport(x, y, 'N', now + panelsim::PanelSim::MsToTicks(300));
}

std::string CalibrationStep(HWND dialog) {
  for (const auto& text : harness::ChildTexts(dialog, L"Static")) {
    if (text.find(L'/') != std::wstring::npos && text.size() <= 5) return wincommon::WideToUtf8(text);
  }
  return {};
}

}  // namespace drivertest
