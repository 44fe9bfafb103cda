#pragma once
// The camera action's process services over the shell and the process API.
#include <windows.h>

#include <cstdint>
#include <string>

#include "actions/ClassActCamera.h"

namespace orvanta::win {

class ProcessPortWin : public ProcessPort {
public:
  // owner: the window the shell may parent its own windows to (may be null).
  explicit ProcessPortWin(HWND owner = nullptr) : owner_(owner) {}

  bool ShellOpen(const AnsiString& path, std::uint32_t& pid) override;
  [[nodiscard]] bool IsRunning(std::uint32_t pid) override;

private:
  HWND owner_;
};

}  // namespace orvanta::win
