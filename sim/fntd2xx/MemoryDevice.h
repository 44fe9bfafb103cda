#pragma once
// The simulated touch panel in this process's memory, for the native tests:
// the device of Device.h, with the library's rules and converter chip,
// behind the driver's table of library calls. It has no line and no clock of
// its own: every call finds the device a second after the one before, so the
// chip has handed over all that arrived before it, and the receive event is
// set as bytes arrive.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fntd2xx/Device.h"
#include "serial/D2xxApi.h"

namespace panelsim {

class MemoryDevice {
public:
  MemoryDevice();
  MemoryDevice(const MemoryDevice&) = delete;
  MemoryDevice& operator=(const MemoryDevice&) = delete;

  // The plain serial calls; the converter chip's (FT_SetChars,
  // FT_SetLatencyTimer, FT_SetEventNotification) after AddChipCalls, as
  // libraries without them exist. An entry may be replaced or emptied.
  orvanta::D2xxApi api;
  void AddChipCalls();
  [[nodiscard]] orvanta::D2xxApiLoader Loader() {
    return [this] { return &api; };
  }
  // Sets an event that FT_SetEventNotification registered.
  std::function<void(void* event)> setEvent;

  // The panel sends bytes (nothing while it is pulled out).
  void Arrive(std::string_view bytes);
  void Plug(bool plugged);
  void FailNext(const char* call, std::uint32_t count, std::uint32_t status = kIoError);

  // Bytes that arrived and were neither read nor purged.
  [[nodiscard]] std::string Pending() const;
  // What the driver wrote since the last ClearWritten.
  [[nodiscard]] std::string Written() const;
  void ClearWritten() { b_->writtenLen = 0; }
  // The calls since the last ClearLog, by name and the argument that tells
  // them apart ("OpenEx", "Purge:1", "Read:11", "SetChars:10", "SetChars:10
  // off"), with "(bad handle)" after the name of a call on a handle the
  // device never gave or has closed; queue queries only when asked for.
  [[nodiscard]] std::vector<std::string> Calls(bool withQueries = false) const;
  // The calls whose text starts so, queue queries included.
  [[nodiscard]] int Count(std::string_view call) const;
  // The last call of that name ("FT_OpenEx"); null when none was made.
  [[nodiscard]] const LogEntry* Last(std::string_view name) const;
  void ClearLog() { b_->logFirst = b_->logNext; }
  [[nodiscard]] const Block& State() const { return *b_; }

private:
  std::int64_t Tick() { return now_ += b_->ticksPerSecond; }

  std::unique_ptr<Block> b_;
  std::int64_t now_ = 0;
  void* event_ = nullptr;
};

}  // namespace panelsim
