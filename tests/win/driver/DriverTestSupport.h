#pragma once
// A driver in a fresh folder of its own, started and stopped by the test.
#include <windows.h>

#include <string>
#include <vector>

#include "common/Harness.h"

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

}  // namespace drivertest
