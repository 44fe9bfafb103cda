#pragma once
// The simulated touch panel behind FNTD2XX.dll: one USB serial device whose
// state lives in a named shared-memory block, so that a test or bench in one
// process can plug it, feed it report bytes and read what the driver did in
// another. A named mutex guards the block's creation; every operation then
// takes a small lock word inside the block. Under Wine each wait on a named
// mutex is a round trip to the wine server (~0.1 ms, several ms on a busy
// machine), far dearer than the real library's call, and the driver polls
// 1000 times a second: a stand-in that slow would measure itself, not the
// driver.
//
// The device behaves like the real converter, not kinder:
//  - a byte reaches the converter chip at its due time (a
//    QueryPerformanceCounter value); a helper spreads a report at the
//    panel's line rate (38400 baud, 8 data bits, 2 stop bits: 11 bits a
//    byte, ~286 us), and a byte never arrives before the one ahead of it
//    has left the line;
//  - the chip does not hand bytes to the host as they arrive: it holds them
//    until it holds a whole packet (62 bytes), until the event character
//    arrives (when one is enabled, FT_SetChars), or until its latency timer
//    runs out (16 ms at power-on and at every open, FT_SetLatencyTimer). The
//    timer runs from the chip's last packet to the host; an idle chip sends
//    a status-only packet every period, so a lone report waits 0-16 ms.
//    FT_GetQueueStatus, FT_Read and the receive event
//    (FT_SetEventNotification) see bytes only once the chip has handed them
//    over;
//  - bytes read while the host's line settings differ from the panel's come
//    out garbled, as framing errors would;
//  - unplugging drops what the device held; the open handle stays dead (I/O
//    error on every call but FT_Close) even after the device comes back, as
//    a re-enumerated device is a new device;
//  - a receive purge drops the bytes that have arrived, not those still on
//    the wire.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "wincommon/Handles.h"

namespace panelsim {

// D2XX status values the device returns.
inline constexpr ULONG kOk = 0;
inline constexpr ULONG kInvalidHandle = 1;
inline constexpr ULONG kDeviceNotFound = 2;
inline constexpr ULONG kDeviceNotOpened = 3;  // also "busy": opened elsewhere
inline constexpr ULONG kIoError = 4;
inline constexpr ULONG kInvalidParameter = 6;

inline constexpr const char* kDescription = "Orvanta TouchPanel";
inline constexpr const char* kSerialNumber = "ORV00001";
inline constexpr const wchar_t* kNameVariable = L"ORVANTA_PANELSIM_NAME";
inline constexpr const wchar_t* kDefaultName = L"OrvantaPanelSim";

inline constexpr std::size_t kRxCapacity = 1u << 17;
// About a minute of 1 ms polling; older calls drop out of the log first.
inline constexpr std::size_t kLogCapacity = 1u << 16;
inline constexpr std::size_t kWrittenCapacity = 1u << 16;
inline constexpr std::size_t kMaxDeadHandles = 16;

struct LineSettings {
  std::uint32_t baud = 0;
  std::uint8_t wordLength = 0;
  std::uint8_t stopBits = 0;  // D2XX encoding: 0 one stop bit, 2 two
  std::uint8_t parity = 0;    // D2XX encoding: 0 none
  bool operator==(const LineSettings& o) const {
    return baud == o.baud && wordLength == o.wordLength && stopBits == o.stopBits && parity == o.parity;
  }
  bool operator!=(const LineSettings& o) const { return !(*this == o); }
};

struct RxByte {
  std::int64_t due;
  std::uint8_t value;
};

struct LogEntry {
  std::uint64_t seq;
  std::int64_t qpc;
  char name[28];
  ULONG status;
  std::uint64_t handle;
  std::uint32_t args[3];
  char text[64];
};

// A packet to the host carries two status bytes and at most this many data bytes.
inline constexpr std::size_t kPacketBytes = 62;
inline constexpr std::uint32_t kDefaultLatencyMs = 16;
// FT_SetEventNotification's mask bits.
inline constexpr ULONG kEventRxChar = 1;
inline constexpr ULONG kEventModemStatus = 2;

// The shared block. Plain data only: it is mapped at different addresses in
// different processes. Indices into the rings only ever grow.
struct Block {
  volatile LONG lockOwner;  // thread id of the holder, 0 when free; kept by InitBlock
  std::uint32_t magic;
  std::uint32_t size;
  std::int32_t plugged;
  std::uint32_t readTimeoutMs;
  // Time every library call takes before it does its work, to try the
  // driver against a slower library (a real one reaches the converter over
  // USB); 0 leaves only the simulation's own cost of a few microseconds.
  std::uint32_t callCostUs;
  // Calls that dealt with data: queue queries that found bytes, and reads.
  std::uint64_t queriesWithBytes;
  std::uint64_t readCalls;
  std::uint64_t nextHandle;
  std::uint64_t openHandle;  // 0: not open
  std::uint64_t deadHandles[kMaxDeadHandles];
  LineSettings panelLine;  // what the panel sends with
  LineSettings hostLine;   // what the host last set
  // The converter chip: its settings, when it last sent the host a packet
  // (its latency timer runs from there), and how far the received bytes
  // have come. Ring indices: rxHead <= rxHandedOver <= rxAtChip <= rxTail;
  // the host holds rxHead..rxHandedOver, the chip up to rxAtChip, the rest is
  // still on the line.
  std::uint32_t latencyMs;
  std::uint8_t eventChar;
  std::uint8_t eventCharOn;
  std::uint32_t notifyMask;  // FT_SetEventNotification's mask for the open handle
  std::int64_t chipLastSend;
  std::uint64_t rxHandedOver;
  std::uint64_t rxAtChip;
  std::uint64_t rxHead;
  std::uint64_t rxTail;
  std::uint64_t rxPurged;
  std::uint64_t rxOverflow;  // bytes refused because the queue was full
  RxByte rx[kRxCapacity];
  std::uint64_t logNext;    // sequence number of the next entry (from 1)
  std::uint64_t logFirst;   // oldest sequence number still wanted
  LogEntry log[kLogCapacity];
  std::uint64_t writtenLen;  // total since the last clear; only the first kWrittenCapacity kept
  std::uint8_t written[kWrittenCapacity];
  // An injected fault: the next failCount calls of failName that would have
  // succeeded return failStatus instead and do nothing.
  char failName[28];
  std::uint32_t failCount;
  ULONG failStatus;
};

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

// Operations on a locked block; the DLL's entry points and PanelSim share them.
void InitBlock(Block& b);
void Log(Block& b, const char* name, ULONG status, std::uint64_t handle, std::uint32_t a0 = 0,
         std::uint32_t a1 = 0, std::uint32_t a2 = 0, const char* text = nullptr);
// Runs the chip on to `now` and returns the bytes the host holds: handed
// over by the chip and not yet read.
std::size_t HostCount(Block& b, std::int64_t now);
// When the chip will next hand bytes over (run on to now first), or -1 when
// it holds none and none are on the line.
[[nodiscard]] std::int64_t NextHandOver(const Block& b);
// The chip's settings as at power-on (and, on this device, at every open):
// latency timer 16 ms, no event character, its timer restarting from now.
void ResetChip(Block& b, std::int64_t now);
void SetChipLatency(Block& b, std::uint32_t ms, std::int64_t now);
void SetChipEventChar(Block& b, std::uint8_t value, bool on, std::int64_t now);
// Drops what has reached the host and the chip; bytes on the line stay.
// Returns the bytes dropped.
std::uint64_t PurgeReceived(Block& b, std::int64_t now);
void Unplug(Block& b);
// Returns the due time of the last byte queued, or -1 when the queue is full.
// No byte is due before now, nor before the byte ahead of it has left the
// line (spacing: one byte time; 0 lets a test pile bytes up at once).
std::int64_t Queue(Block& b, const std::uint8_t* bytes, std::size_t n, std::int64_t due, std::int64_t spacing);

// status, or the injected fault's status when one is due for this call.
[[nodiscard]] ULONG Injected(Block& b, const char* name, ULONG status);

enum class HandleState { Live, Dead, Unknown };
[[nodiscard]] HandleState StateOf(const Block& b, std::uint64_t handle);
void ForgetDead(Block& b, std::uint64_t handle);

}  // namespace panelsim
