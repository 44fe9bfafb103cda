#pragma once
// Running the delivered link program the way a shortcut or a script does.
#include <chrono>
#include <string>

#include "common/Harness.h"

namespace drivertest {

// OrvantaLink with the given command line; its exit code, -1 when it is
// still running after the wait, -2 when it cannot be started.
inline long RunLink(const std::wstring& args, std::chrono::milliseconds wait = std::chrono::seconds(20)) {
  harness::Process link;
  if (!link.Start(harness::Join(harness::BinDir(), L"OrvantaLink.exe"), args)) return -2;
  if (!link.WaitExit(wait)) return -1;
  return static_cast<long>(link.ExitCode());
}

}  // namespace drivertest
