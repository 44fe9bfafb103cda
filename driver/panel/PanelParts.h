#pragma once
// The parts of the running driver that the calibration dialog and view work
// on: the panel's buttons, their resources and the stream of touch reports.
// The driver core owns them; the forms get them handed in.
#include "base/TouchEvent.h"
#include "panel/ClassButtonRes.h"
#include "panel/ClassPanelData.h"

namespace orvanta {

struct PanelParts {
  ClassPanelData& panelData;
  ClassButtonRes& buttonRes;
  // The driver's touch event; a subscriber that cancels keeps the touch from
  // the button actions.
  TouchEvent& touches;
};

}  // namespace orvanta
