#pragma once
// PenPlus's windows through the window manager: searches, the button press
// as a timed send, posted commands, owner and z-order changes, and the
// driver's 50 ms polling sleep.
#include <windows.h>

#include "actions/ClassActPenPlus.h"

namespace orvanta::win {

class PenPlusPortWin : public PenPlusPort {
public:
  // clickTimeoutMs bounds each button press: a PenPlus that does not answer
  // within it counts as hung.
  explicit PenPlusPortWin(DWORD clickTimeoutMs = 5000) : clickTimeoutMs_(clickTimeoutMs) {}

  [[nodiscard]] std::vector<WindowId> TopLevelWindows(const std::string& className) override;
  [[nodiscard]] WindowId FirstUntitled(const std::string& className) override;
  [[nodiscard]] std::vector<WindowId> Descendants(WindowId parent) override;
  [[nodiscard]] WindowId Parent(WindowId window) override;
  [[nodiscard]] std::string Text(WindowId window) override;
  [[nodiscard]] std::string ClassName(WindowId window) override;
  [[nodiscard]] WindowId Owner(WindowId window) override;
  [[nodiscard]] bool IsVisible(WindowId window) override;
  [[nodiscard]] bool HasVisibleStyle(WindowId window) override;
  [[nodiscard]] bool IsEnabled(WindowId window) override;
  [[nodiscard]] std::uint32_t ExStyle(WindowId window) override;
  [[nodiscard]] std::uint32_t ProcessId(WindowId window) override;
  SendResult Click(WindowId button) override;
  void PostCommand(WindowId window, std::uint16_t command) override;
  void PostClose(WindowId window) override;
  void SetOwner(WindowId window, WindowId owner) override;
  void MakeTopMost(WindowId window) override;
  void Beep() override;
  void BringForwardAndFlash(WindowId window) override;
  void Sleep(std::uint32_t ms) override;
  [[nodiscard]] bool Cancelled() override { return cancelled_; }
  [[nodiscard]] AnsiString CommonStartMenuFolder() override;
  // A path that names a file lists that file alone; nothing there, nothing.
  [[nodiscard]] std::vector<AnsiString> ListFiles(const AnsiString& path, bool recursive) override;

  // The driver is closing, possibly from inside a wait (a close request
  // sent to the driver is answered while it sends or waits): from now on
  // Sleep returns at once and Cancelled says so, and the action unwinds.
  void Cancel() { cancelled_ = true; }

private:
  DWORD clickTimeoutMs_;
  bool cancelled_ = false;
};

}  // namespace orvanta::win
