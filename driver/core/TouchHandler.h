#pragma once
// Touches that no subscriber claimed: the button under the point, the click
// sound, the click action and, for a second touch on the same button within
// the double-click time, the double-click action.
#include <cstdint>
#include <functional>
#include <string>

#include "base/AnsiString.h"
#include "base/TouchEvent.h"
#include "base/UiTimer.h"

namespace orvanta {

class ClassPanelData;

class TouchHandler {
public:
  struct Hooks {
    std::function<void()> playClickSound;
    // The dispatcher's Action(actionText, index); the result is ignored.
    std::function<bool(const AnsiString& actionText, int index)> action;
    // IniDblClickTime, read at each click (the settings dialog may change it).
    std::function<std::int32_t()> dblClickTime;
  };
  TouchHandler(ClassPanelData& panel, UiTimer& dblClickTimer, Hooks hooks);

  void HandleTouch(const TouchPoint& point);
  // The double-click window's tick closes it.
  void TimerDblClick_Timer();

  // The open window's button key ("x,y"), empty while closed.
  [[nodiscard]] const std::string& WindowKey() const { return key_; }

private:
  ClassPanelData& panel_;
  UiTimer& timer_;
  Hooks hooks_;
  std::string key_;
};

}  // namespace orvanta
