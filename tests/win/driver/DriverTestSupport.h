#pragma once
// A driver in a fresh folder of its own, started and stopped by the test,
// and the link program that talks to it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Harness.h"
#include "fntd2xx/PanelSim.h"

namespace drivertest {

using namespace std::chrono_literals;

using harness::Lines;

class DriverFixture {
public:
  explicit DriverFixture(bool withPanelLibrary = true);
  ~DriverFixture();

  bool Start();
  // Sends WM_CLOSE to the application window and waits for the process.
  bool CloseAndWait();
  [[nodiscard]] HWND AppWindow() const;
  [[nodiscard]] HWND MainWindow() const;
  [[nodiscard]] HWND LinkTextBox() const;
  [[nodiscard]] std::wstring Ini() const { return folder.File(L"Orvanta.ini"); }
  [[nodiscard]] DWORD PriorityClass() const;

  harness::TestFolder folder;
  harness::Process driver;
};

// OrvantaLink run with the given command line, as a shortcut or a script
// runs it; its exit code, -1 when it still runs after the wait, -2 when it
// cannot be started.
long RunLink(const std::wstring& args, std::chrono::milliseconds wait = 20s);

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

  // Writes the button layout (unless null: the delivered one stays) and the
  // INI text (unless empty), starts the driver and, with the panel plugged
  // in, waits until the link is open and the start-up commands are sent.
  void StartDriver(const char* layout = nullptr, const std::string& ini = "");
  // The touch-data stand-in with these options before its log's path.
  void StartTouchData(const std::wstring& options = L"");
  [[nodiscard]] std::vector<std::string> Received() const { return Lines(f.folder.ReadText(L"touchdata.log")); }
  // The driver's first visible top-level window of that class (any when
  // null) and title (any when null).
  [[nodiscard]] HWND Window(const wchar_t* cls, const wchar_t* title = nullptr) const;
  // The driver's control that has the keyboard focus (null when none), and
  // a key pressed there as a user presses it.
  [[nodiscard]] HWND Focus() const;
  void PressKey(WORD key) const;

  panelsim::PanelSim panel;
  DriverFixture f;
  harness::Process touchData;
};

}  // namespace drivertest
