#pragma once
// A driver in a fresh folder of its own, started and stopped by the test,
// and the link program that talks to it. DriverFixture and the free steps
// report by their results, so that the screenshot tool can pose the driver
// with them too; PanelDriverTest is the test fixture on top.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Harness.h"
#include "fntd2xx/PanelSim.h"
#include "identities/WindowIdentities.h"

namespace drivertest {

using namespace std::chrono_literals;

// What the driver writes to the panel after every open.
inline const std::vector<std::uint8_t> kStartupBytes = {0x0D, 0x4A, 0x31, 0x0D, 0x54, 0x43, 0x31, 0x0D};

// A layout of one button, the calibration-set switch, over the panel's
// first 1000 x 1000 units (a press at 500, 500 acts).
inline constexpr char kOneButtonLayout[] =
    "[Header]\r\nVersion=1\r\nName=test\r\nButtonX=1\r\nButtonY=1\r\n"
    "[Button.1.1]\r\nName=Tpdrv.ChangeTPNamedID\r\nRect=0,0,999,999\r\n";

// The caption of the settings dialog, which its questions and reports carry too.
inline constexpr wchar_t kSettingsCaption[] = L"Orvanta Panel Driverの設定";

class DriverFixture {
public:
  // folderName: the test folder's name (default: the running test's).
  explicit DriverFixture(bool withPanelLibrary = true, const std::wstring& folderName = L"");
  ~DriverFixture();

  // Starts the driver and waits until its start-up is through: its windows
  // made and, with a panel library, its first connection attempt made.
  [[nodiscard]] bool Start();
  // Writes the button layout (unless null: the delivered one stays) and the
  // INI text (unless empty), starts the driver and, with the panel plugged
  // in, waits until the link is open and the start-up commands are sent.
  [[nodiscard]] bool StartOn(const panelsim::PanelSim& panel, const char* layout = nullptr,
                             const std::string& ini = "");
  // Sends WM_CLOSE to the application window and waits for the process.
  bool CloseAndWait() { return simcommon::CloseDriver(driver, 10s); }
  // Its windows, found as other programs find them.
  [[nodiscard]] HWND AppWindow() const { return simcommon::DriverAppWindow(driver.Id()); }
  [[nodiscard]] HWND MainWindow() const { return simcommon::DriverMainWindow(driver.Id()); }
  [[nodiscard]] HWND LinkTextBox() const { return simcommon::DriverLinkBox(driver.Id()); }
  [[nodiscard]] std::wstring Ini() const { return folder.File(L"Orvanta.ini"); }
  [[nodiscard]] DWORD PriorityClass() const;
  // The driver's first visible top-level window of that class (any when
  // null) and title (any when null).
  [[nodiscard]] HWND Window(const wchar_t* cls, const wchar_t* title = nullptr) const;
  // The driver's control that has the keyboard focus (null when none), and
  // a key pressed there as a user presses it.
  [[nodiscard]] HWND Focus() const;
  void PressKey(WORD key) const;

  harness::TestFolder folder;
  harness::Process driver;

private:
  bool installed_ = false;
};

// OrvantaLink run with the given command line, as a shortcut or a script
// runs it; its exit code, -1 when it still runs after the wait, -2 when it
// cannot be started.
long RunLink(const std::wstring& args, std::chrono::milliseconds wait = 20s);

// The settings dialog, opened with the main window's "Setting" button or
// through OrvantaLink; null when it does not come.
[[nodiscard]] HWND OpenSettings(const DriverFixture& f, bool byLink = false);
// The calibration is the settings dialog's maintenance command, asked for
// once more in a message box: cancelled there first, then confirmed; false
// when a step does not come.
[[nodiscard]] bool AskForCalibration(const DriverFixture& f);
// A corner touch of the calibration: held well past the 100 ms, as a person
// holds a corner, so that on a busy machine the hold timer has still run out
// before the driver reads the lift; "B" first, "N" where the stylus rests
// when lifted.
void TouchCorner(panelsim::PanelSim& panel, int x, int y);
// The calibration dialog's step counter, "k/n" (empty when it shows none).
[[nodiscard]] std::string CalibrationStep(HWND dialog);

// A file the driver may read but not write for as long as this lives: the
// read-only attribute, and a handle that lets others only read it. (The
// tests run as root, whom Wine lets write to a read-only file; the handle
// refuses writers as the attribute refuses a standard user on Windows.)
class ReadOnly {
public:
  explicit ReadOnly(std::wstring path);
  ~ReadOnly();
  ReadOnly(const ReadOnly&) = delete;
  ReadOnly& operator=(const ReadOnly&) = delete;

private:
  std::wstring path_;
  wincommon::FileHandle lock_;
};

// A driver on a simulated panel of the test's own, and the touch-data
// stand-in that logs the texts it receives.
class PanelDriverTest : public ::testing::Test {
protected:
  PanelDriverTest() : panel(panelsim::PanelSim::UniqueName(L"Drv")) { panel.Export(); }

  void StartDriver(const char* layout = nullptr, const std::string& ini = "") {
    ASSERT_TRUE(f.StartOn(panel, layout, ini));
  }
  // The touch-data stand-in with these options before its log's path.
  void StartTouchData(const std::wstring& options = L"");
  [[nodiscard]] std::vector<std::string> Received() const { return harness::Lines(f.folder.ReadText(L"touchdata.log")); }

  panelsim::PanelSim panel;
  DriverFixture f;
  harness::Process touchData;
};

}  // namespace drivertest
