#pragma once
// The simulated touch panel behind FNTD2XX.dll: the device of Device.h in a
// named shared-memory block, so that a test or bench in one process can plug
// it, feed it report bytes and read what the driver did in another, on the
// clock of QueryPerformanceCounter, which Wine keeps common to all
// processes. A named mutex guards the block's creation; every operation then
// takes a small lock word inside the block. Under Wine each wait on a named
// mutex is a round trip to the wine server (~0.1 ms, several ms on a busy
// machine), far dearer than the real library's call, and the driver polls
// 1000 times a second: a stand-in that slow would measure itself, not the
// driver.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "Device.h"
#include "wincommon/Handles.h"

namespace panelsim {

inline constexpr const wchar_t* kNameVariable = L"ORVANTA_PANELSIM_NAME";
inline constexpr const wchar_t* kDefaultName = L"OrvantaPanelSim";

// The name that both sides use: ORVANTA_PANELSIM_NAME, else the default.
[[nodiscard]] std::wstring CurrentName();

[[nodiscard]] std::int64_t QpcNow();
[[nodiscard]] std::int64_t QpcFrequency();
// One byte on the panel's line: 11 bits at 38400 baud.
[[nodiscard]] std::int64_t ByteTicks();

// A process's view of one block. Open creates the block if nobody has yet
// and initialises it (plugged, empty) under the mutex.
class Mapping {
public:
  bool Open(const std::wstring& name);
  [[nodiscard]] bool Valid() const { return block_ != nullptr; }
  // Spends the block's call cost, without its lock (the cost is set between runs).
  void SpendCallCost() const;
  [[nodiscard]] const std::wstring& Name() const { return name_; }
  // A named auto-reset event set whenever the schedule of the bytes changes
  // (bytes queued, a plug, a purge, a chip setting), so that a receive-event
  // watcher waiting for the next hand-over computes it again.
  [[nodiscard]] HANDLE Changed() const { return changed_.get(); }
  void Nudge() const {
    if (changed_) ::SetEvent(changed_.get());
  }

  // Holds the block's lock word for its lifetime. A holder that died (a
  // test killed at its time-out) has its lock taken over; the block is still
  // consistent enough to go on with.
  class Lock {
  public:
    explicit Lock(const Mapping& m);
    ~Lock();
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
    Block& operator*() const { return *block_; }
    Block* operator->() const { return block_; }

  private:
    Block* block_;
  };

  Mapping() = default;
  ~Mapping();
  Mapping(const Mapping&) = delete;
  Mapping& operator=(const Mapping&) = delete;

private:
  void Close();
  std::wstring name_;
  wincommon::KernelHandle mutex_;
  wincommon::KernelHandle section_;
  wincommon::KernelHandle changed_;
  Block* block_ = nullptr;
};

}  // namespace panelsim
