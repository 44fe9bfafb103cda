#pragma once
// The panel link of a bench, set up with the driver's own description, line
// settings and converter-chip settings, so that a bench measures the road the
// driver takes and follows it when the driver's settings change.
#include "core/DriverCore.h"
#include "serial/ClassFNTD2XX.h"
#include "serial/D2xxApi.h"

namespace winbench {

// The driver's link settings; the caller chooses the receive mode (threshold,
// input length, poll timer and receive event).
inline void SetUpAsTheDriver(orvanta::ClassFNTD2XX& link) {
  using orvanta::DriverCore;
  link.FT_Open_By = static_cast<std::int32_t>(orvanta::kFtOpenByDescription);
  link.FT_Open_Option = DriverCore::kPanelDescription;
  link.Settings = DriverCore::kLineSettings;
  link.EventChar = DriverCore::kEventChar;
  link.LatencyTimer = DriverCore::kLatencyTimerMs;
}

}  // namespace winbench
