#pragma once
// The Windows side of the driver's fault record: each fault goes to the
// debugger's output (DebugView, a debugger attached) and as one line to a
// small log file beside the INI file, so that a driver that seemed to stop
// answering the panel leaves a trace its user can send in.
#include <cstdint>
#include <string>

namespace orvanta::win {

class FaultLog {
public:
  // Past this size the file is started afresh: a fault that repeats every
  // second must not fill the disk.
  static constexpr std::uint64_t kMaxBytes = 64 * 1024;

  explicit FaultLog(std::wstring path) : path_(std::move(path)) {}

  // One line: local time and what. The text is UTF-8; one that is not (an
  // exception text the runtime took from the system in the ANSI code page)
  // is read as ANSI. A file that cannot be written (a folder the user may
  // not write to) leaves only the debugger's output. Never throws.
  void Record(const std::string& what) const noexcept;

private:
  std::wstring path_;
};

}  // namespace orvanta::win
