#pragma once
// The link text channel to the touch-data program: its main window found by
// class and caption, its link text box by window name, commands delivered by
// the set-text message.
#include <windows.h>

#include <string>

#include "actions/ClassActTpdrv.h"

namespace orvanta::win {

class TouchDataPortWin : public TouchDataPort {
public:
  // How long one command may take before the touch-data program counts as
  // not answering.
  static constexpr UINT kDefaultSendTimeoutMs = 5000;

  explicit TouchDataPortWin(UINT sendTimeoutMs = kDefaultSendTimeoutMs) : sendTimeoutMs_(sendTimeoutMs) {}

  [[nodiscard]] WindowId FindLinkTextBox(const std::string& name) override;
  bool SendLinkText(WindowId box, const std::string& text) override;

private:
  UINT sendTimeoutMs_;
};

}  // namespace orvanta::win
