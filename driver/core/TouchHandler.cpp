#include "TouchHandler.h"

#include <algorithm>

#include "base/Settings.h"
#include "panel/ClassPanelData.h"

namespace orvanta {

namespace {

// The double-click window's timer takes 0..65535 ms, as the forms' timers
// did. Out-of-range settings come only from a hand-edited INI: they are
// clamped rather than refused, so a negative time behaves like 0 (the window
// never closes) and a huge one like the longest window the timer knows.
constexpr std::int32_t kMaxDblClickTimeMs = 65535;

std::uint32_t DblClickInterval(std::int32_t ms) {
  return static_cast<std::uint32_t>(std::clamp<std::int32_t>(ms, 0, kMaxDblClickTimeMs));
}

}  // namespace

TouchHandler::TouchHandler(ClassPanelData& panel, UiTimer& dblClickTimer, Hooks hooks)
    : panel_(panel), timer_(dblClickTimer), hooks_(std::move(hooks)) {
  timer_.SetHandler([this] { TimerDblClick_Timer(); });
}

void TouchHandler::HandleTouch(const TouchPoint& point) {
  if (point.dS != 'B') return;
  const ClassPanelButtonData* button = panel_.PointCheck(point.dX, point.dY);
  // A touch outside every button neither opens nor closes the window.
  if (!button) return;

  const std::string key = std::to_string(button->ButtonX) + "," + std::to_string(button->ButtonY);
  // The action may pump messages, and a calibration finishing meanwhile can
  // reload the panel data; keep our own copy of the text.
  const AnsiString name = button->Name;

  if (hooks_.playClickSound) hooks_.playClickSound();
  if (hooks_.action) (void)hooks_.action(name, 0);
  // Tested only after the click action returns: a click action that outlasts
  // the window lets the timer close it, and the touch stays a plain click.
  if (timer_.Enabled() && key_ == key && hooks_.action) (void)hooks_.action(name, 1);

  timer_.SetEnabled(false);
  key_ = key;
  timer_.SetInterval(DblClickInterval(hooks_.dblClickTime ? hooks_.dblClickTime() : MainSettings{}.DblClickTime));
  timer_.SetEnabled(true);
}

void TouchHandler::TimerDblClick_Timer() {
  timer_.SetEnabled(false);
  key_.clear();
}

}  // namespace orvanta
