#pragma once
// The driver's pen handler over the real Windows ports, as the driver builds
// it, without notifications: for the tests and the benchmarks that drive
// PenPlus, or its stand-in, from their own process. Windows only; whoever
// includes it links the driver's action and settings shells.
#include <windows.h>

#include <cstdint>
#include <string>

#include "actions/ClassActPenPlus.h"
#include "actions/win/PenPlusPortWin.h"
#include "actions/win/ProcessPortWin.h"
#include "settings/win/ModuleFileInf.h"

namespace penplus {

struct InProcessHandler {
  struct NoNotes : orvanta::Notifier {
    void SetText(const std::string&, std::int32_t, std::int32_t) override {}
  };
  explicit InProcessHandler(DWORD clickTimeoutMs = 5000) : windows(clickTimeoutMs) {}

  orvanta::MainSettings settings;
  orvanta::win::PenPlusPortWin windows;
  orvanta::win::ProcessPortWin process;
  orvanta::win::ModuleFileInf files;
  NoNotes notes;
  orvanta::ClassActPenPlus act{settings, {}, {windows, process, files, notes}};
};

}  // namespace penplus
