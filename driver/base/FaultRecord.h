#pragma once
// Faults that nobody could be told of when they happened: something thrown
// inside a timer tick or a touch's handling, a panel library that keeps
// refusing the line set-up. The driver has no window to show them in and
// must go on serving the panel, so they are recorded (on Windows: the
// debugger's output and a small log file beside the INI file) and the driver
// carries on.
#include <functional>
#include <string>

namespace orvanta {

// Takes one line of text (UTF-8), what went wrong; must not throw.
using FaultRecord = std::function<void(const std::string& what)>;

// Inside a catch block: the text of what is being handled, its what() or,
// for anything not derived from std::exception, a fixed text.
[[nodiscard]] std::string CurrentExceptionText();

// Records the text what() makes through record, if any; never throws (a
// text that cannot be made, or a record that fails, is dropped rather than
// let a second fault escape).
template <typename MakeText>
void RecordFault(const FaultRecord& record, MakeText what) noexcept {
  if (!record) return;
  try {
    record(what());
  } catch (...) {
    // Nothing left that could tell anyone.
  }
}

// Inside a catch block: records `where: <exception text>`, as RecordFault.
void RecordCurrentException(const FaultRecord& record, const char* where) noexcept;

}  // namespace orvanta
