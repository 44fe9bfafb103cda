#pragma once
// The simulated touch panel's device, portable: one USB serial device whose
// whole state is a block of plain data, what each D2XX call answers and
// changes, and the converter chip. The library (FtExports.cpp) keeps the
// block in named shared memory, so that a test or bench in one process can
// plug it, feed it report bytes and read what the driver did in another;
// MemoryDevice.h keeps one in ordinary memory for the native tests. Times are
// ticks of a clock the owner gives (QueryPerformanceCounter in the library).
//
// The device behaves like the real converter, not kinder:
//  - a byte reaches the converter chip at its due time; a helper spreads a
//    report at the panel's line rate (38400 baud, 8 data bits, 2 stop bits:
//    11 bits a byte, ~286 us), and a byte never arrives before the one ahead
//    of it has left the line;
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
#include <cstddef>
#include <cstdint>

namespace panelsim {

// D2XX status values the device returns.
inline constexpr std::uint32_t kOk = 0;
inline constexpr std::uint32_t kInvalidHandle = 1;
inline constexpr std::uint32_t kDeviceNotFound = 2;
inline constexpr std::uint32_t kDeviceNotOpened = 3;  // also "busy": opened elsewhere
inline constexpr std::uint32_t kIoError = 4;
inline constexpr std::uint32_t kInvalidParameter = 6;

inline constexpr const char* kDescription = "Orvanta TouchPanel";
// What the panel sends with: 38400 baud, 8 data bits, 2 stop bits, so 11
// bits a byte with the start bit.
inline constexpr std::uint32_t kPanelBaud = 38400;
inline constexpr std::uint32_t kBitsPerByte = 11;
inline constexpr const char* kSerialNumber = "ORV00001";

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
  std::uint32_t status;
  std::uint64_t handle;
  std::uint32_t args[3];
  char text[64];
};

// A packet to the host carries two status bytes and at most this many data bytes.
inline constexpr std::size_t kPacketBytes = 62;
inline constexpr std::uint32_t kDefaultLatencyMs = 16;
// FT_SetEventNotification's mask bits.
inline constexpr std::uint32_t kEventRxChar = 1;
inline constexpr std::uint32_t kEventModemStatus = 2;

// Marks a block laid out as this build lays it out ("OPS3").
inline constexpr std::uint32_t kBlockMagic = 0x4F505333;

// The device's state. Plain data only: the library maps it at different
// addresses in different processes. Indices into the rings only ever grow.
struct Block {
  volatile std::int32_t lockOwner;  // the library's lock word: thread id of the holder, 0 when free
  std::uint32_t magic;
  std::uint32_t size;
  std::int64_t ticksPerSecond;  // of the owner's clock
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
  std::uint32_t failStatus;
};

// Plugged, empty, the converter at its power-on settings. The lock word is
// the caller's and stays as it is.
void InitBlock(Block& b, std::int64_t now, std::int64_t ticksPerSecond);
void Log(Block& b, std::int64_t now, const char* name, std::uint32_t status, std::uint64_t handle,
         std::uint32_t a0 = 0, std::uint32_t a1 = 0, std::uint32_t a2 = 0, const char* text = nullptr);
// The calls the log still holds since its last clear, oldest first: sequence
// numbers [first, next). Entries older than the ring holds are gone.
struct LogRange {
  std::uint64_t first, next;
};
[[nodiscard]] inline LogRange KeptLog(const Block& b) {
  return {b.logNext - b.logFirst > kLogCapacity ? b.logNext - kLogCapacity : b.logFirst, b.logNext};
}
[[nodiscard]] inline const LogEntry& LogAt(const Block& b, std::uint64_t seq) {
  return b.log[(seq - 1) % kLogCapacity];
}
// How many of the bytes written since the last clear the block keeps.
[[nodiscard]] inline std::size_t WrittenKept(const Block& b) {
  return static_cast<std::size_t>(b.writtenLen < kWrittenCapacity ? b.writtenLen : kWrittenCapacity);
}
// Runs the chip on to `now` and returns the bytes the host holds: handed
// over by the chip and not yet read.
std::size_t HostCount(Block& b, std::int64_t now);
// When the chip will next hand bytes over (run on to now first), or -1 when
// it holds none and none are on the line.
[[nodiscard]] std::int64_t NextHandOver(const Block& b);
// The chip's settings as at power-on (and, on this device, at every open):
// latency timer 16 ms, no event character, its timer restarting from now.
void ResetChip(Block& b, std::int64_t now);
// Plugged in, the chip starts afresh; pulled out, what the device held goes
// and the open handle dies.
void Plug(Block& b, bool plugged, std::int64_t now);
// Bytes from the panel: the first due at `due` (never before now), the rest
// `spacing` apart (0: all at once). Nothing overtakes a byte already on its
// way. Returns the due time of the last byte, or -1 when the device is
// pulled out or its queue is full.
std::int64_t Queue(Block& b, const std::uint8_t* bytes, std::size_t n, std::int64_t due, std::int64_t spacing,
                   std::int64_t now);

// The calls: the status each answers, what it changes, and its log entry.
// What a library does besides (waiting, setting events) is its own.
std::uint32_t Open(Block& b, const char* name, bool matches, std::uint32_t flags, const char* text,
                   std::uint64_t* handle, std::int64_t now);
// FT_OpenEx: the device by its description (flags 2) or serial number (1).
std::uint32_t OpenEx(Block& b, const char* arg, std::uint32_t flags, std::uint64_t* handle, std::int64_t now);
std::uint32_t SetBaudRate(Block& b, std::uint64_t handle, std::uint32_t baud, std::int64_t now);
std::uint32_t SetDataCharacteristics(Block& b, std::uint64_t handle, std::uint8_t wordLength, std::uint8_t stopBits,
                                     std::uint8_t parity, std::int64_t now);
std::uint32_t Purge(Block& b, std::uint64_t handle, std::uint32_t mask, std::int64_t now);
std::uint32_t GetQueueStatus(Block& b, std::uint64_t handle, std::uint32_t* rxBytes, std::int64_t now);
// Answers kReadWaits while the host holds fewer than length bytes and the
// read may wait on (not final); the first try alone takes an injected fault.
inline constexpr std::uint32_t kReadWaits = 0xFFFFFFFF;
std::uint32_t Read(Block& b, std::uint64_t handle, void* buffer, std::uint32_t length, std::uint32_t* read,
                   std::int64_t now, bool firstTry, bool final);
std::uint32_t Write(Block& b, std::uint64_t handle, const void* buffer, std::uint32_t length, std::uint32_t* written,
                    std::int64_t now);
std::uint32_t Close(Block& b, std::uint64_t handle, std::int64_t now);
std::uint32_t SetChars(Block& b, std::uint64_t handle, std::uint8_t eventChar, std::uint8_t eventCharEnabled,
                       std::uint8_t errorChar, std::uint8_t errorCharEnabled, std::int64_t now);
std::uint32_t SetLatencyTimer(Block& b, std::uint64_t handle, std::uint8_t ms, std::int64_t now);
std::uint32_t SetEventNotification(Block& b, std::uint64_t handle, std::uint32_t mask, bool withEvent,
                                   std::int64_t now);
// The next `count` calls named `call` that would succeed fail with `status`.
void FailNext(Block& b, const char* call, std::uint32_t count, std::uint32_t status);

enum class HandleState { Live, Dead, Unknown };
[[nodiscard]] HandleState StateOf(const Block& b, std::uint64_t handle);

}  // namespace panelsim
