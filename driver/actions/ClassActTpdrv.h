#pragma once
// Group "Tpdrv": ChangeTPNamedID switches the touch-data program between its
// 16:9 and 4:3 calibration sets by link text commands, alternating each press.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ActionHandler.h"
#include "base/Notifier.h"
#include "base/Settings.h"

namespace orvanta {

// The touch-data program's link text box, as the Windows shell reaches it.
class TouchDataPort {
public:
  virtual ~TouchDataPort() = default;
  using WindowId = std::uintptr_t;  // 0: not found
  // The box whose window name is `name` under the touch-data program's main
  // window ("ThunderRT6FormDC", else "ThunderFormDC", caption "Ｔｏｕｃｈ　Ｄａｔａ";
  // box class "ThunderRT6TextBox", else "ThunderTextBox").
  [[nodiscard]] virtual WindowId FindLinkTextBox(const std::string& name) = 0;
  // Sets the box's text and waits until the program handled it; false when the
  // window is 0, the result is zero, or the program does not answer in time.
  virtual bool SendLinkText(WindowId box, const std::string& text) = 0;
};

class ClassActTpdrv : public ActionHandler {
public:
  // settings is the driver's live copy; saveSettings writes all eight keys.
  ClassActTpdrv(MainSettings& settings, std::function<void()> saveSettings, TouchDataPort& port,
                Notifier& notifier);
  const std::vector<std::string>& ActionList() const override { return list_; }
  bool Action(const std::string& actName) override;

private:
  void ChangeTPNamedID();

  std::vector<std::string> list_{"ChangeTPNamedID"};
  MainSettings& settings_;
  std::function<void()> saveSettings_;
  TouchDataPort& port_;
  Notifier& notifier_;
};

}  // namespace orvanta
