#include "Device.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>

namespace panelsim {

namespace {

// Without a read time-out set, a real D2XX read waits for ever; a test must
// not, so a read that asks for more than will come gives up after this.
constexpr std::uint32_t kDefaultReadTimeoutMs = 5000;

void CopyText(char* dst, std::size_t size, const char* src) {
  if (!src) src = "";
  const std::size_t n = std::min(size - 1, std::strlen(src));
  std::memcpy(dst, src, n);
  dst[n] = '\0';
}

struct Chip {
  std::int64_t lastSend;
  std::uint64_t atChip;
  std::uint64_t handedOver;
};

std::int64_t LatencyTicks(const Block& b) { return std::max<std::int64_t>(1, b.ticksPerSecond * b.latencyMs / 1000); }

// Runs the chip c on to `until`, packet by packet. With firstOnly it stops at
// the first packet that carries data and returns its time; otherwise, and
// when there is none by `until`, it returns -1.
std::int64_t RunChip(const Block& b, Chip& c, std::int64_t until, bool firstOnly) {
  const std::int64_t period = LatencyTicks(b);
  for (;;) {
    const bool onLine = c.atChip < b.rxTail;
    const std::int64_t arrival = onLine ? b.rx[c.atChip % kRxCapacity].due : INT64_MAX;
    const std::int64_t expiry = c.lastSend + period;
    if (arrival > until && expiry > until) return -1;
    if (expiry <= arrival) {
      if (c.handedOver != c.atChip) {
        // The timer ran out with bytes held: they go to the host.
        c.lastSend = expiry;
        c.handedOver = c.atChip;
        if (firstOnly) return expiry;
        continue;
      }
      // Status-only packets until the next byte arrives: skip to the last
      // of them at or before it.
      const std::int64_t limit = std::min(arrival, until);
      c.lastSend += (limit - c.lastSend) / period * period;
      continue;
    }
    const std::uint8_t value = b.rx[c.atChip % kRxCapacity].value;
    ++c.atChip;
    if ((b.eventCharOn && value == b.eventChar) || c.atChip - c.handedOver >= kPacketBytes) {
      c.lastSend = arrival;
      c.handedOver = c.atChip;
      if (firstOnly) return arrival;
    }
  }
}

void RunChipTo(Block& b, std::int64_t now) {
  Chip c{b.chipLastSend, b.rxAtChip, b.rxHandedOver};
  RunChip(b, c, now, false);
  b.chipLastSend = c.lastSend;
  b.rxAtChip = c.atChip;
  b.rxHandedOver = c.handedOver;
}

void ForgetDead(Block& b, std::uint64_t handle) {
  for (std::uint64_t& dead : b.deadHandles) {
    if (dead == handle) dead = 0;
  }
}

// status, or the injected fault's status when one is due for this call.
std::uint32_t Injected(Block& b, const char* name, std::uint32_t status) {
  if (status != kOk || b.failCount == 0 || std::strncmp(name, b.failName, sizeof(b.failName)) != 0) return status;
  --b.failCount;
  return b.failStatus;
}

std::uint32_t StatusOf(const Block& b, std::uint64_t handle) {
  switch (StateOf(b, handle)) {
    case HandleState::Live:
      return kOk;
    case HandleState::Dead:
      return kIoError;  // what a real converter answers once pulled out
    case HandleState::Unknown:
      break;
  }
  return kInvalidHandle;
}

// Line bits the host and the panel disagree on come out as framing garbage;
// never a digit or a line end, so a report cannot survive it.
std::uint8_t Garble(std::uint8_t v) { return static_cast<std::uint8_t>((v ^ 0xFFu) | 0x80u); }

}  // namespace

void InitBlock(Block& b, std::int64_t now, std::int64_t ticksPerSecond) {
  // Plain bytes: zeroing is the only construction it gets. The rings (bytes
  // received, the call log, bytes written) are read only between their
  // indices, so only the fields are zeroed, not the 11 MB of the rings: a
  // fuzzer makes two devices per input.
  const std::int32_t owner = b.lockOwner;
  std::memset(static_cast<void*>(&b), 0, offsetof(Block, rx));
  b.writtenLen = 0;
  std::memset(b.failName, 0, sizeof(b.failName));
  b.failCount = 0;
  b.failStatus = 0;
  b.lockOwner = owner;
  b.magic = kBlockMagic;
  b.size = sizeof(Block);
  b.ticksPerSecond = ticksPerSecond;
  b.plugged = 1;
  b.readTimeoutMs = kDefaultReadTimeoutMs;
  b.nextHandle = 0x10;
  b.panelLine = LineSettings{kPanelBaud, 8, 2, 0};
  // The converter's power-on line settings.
  b.hostLine = LineSettings{9600, 8, 0, 0};
  ResetChip(b, now);
  b.logNext = 1;
  b.logFirst = 1;
}

void Log(Block& b, std::int64_t now, const char* name, std::uint32_t status, std::uint64_t handle, std::uint32_t a0,
         std::uint32_t a1, std::uint32_t a2, const char* text) {
  LogEntry& e = b.log[(b.logNext - 1) % kLogCapacity];
  e.seq = b.logNext++;
  e.qpc = now;
  CopyText(e.name, sizeof(e.name), name);
  e.status = status;
  e.handle = handle;
  e.args[0] = a0;
  e.args[1] = a1;
  e.args[2] = a2;
  CopyText(e.text, sizeof(e.text), text);
}

std::size_t HostCount(Block& b, std::int64_t now) {
  RunChipTo(b, now);
  return static_cast<std::size_t>(b.rxHandedOver - b.rxHead);
}

std::int64_t NextHandOver(const Block& b) {
  Chip c{b.chipLastSend, b.rxAtChip, b.rxHandedOver};
  if (c.handedOver == b.rxTail) return -1;
  return RunChip(b, c, INT64_MAX, true);
}

void ResetChip(Block& b, std::int64_t now) {
  RunChipTo(b, now);
  b.latencyMs = kDefaultLatencyMs;
  b.eventChar = 0;
  b.eventCharOn = 0;
  b.notifyMask = 0;
  b.chipLastSend = now;
}

void Plug(Block& b, bool plugged, std::int64_t now) {
  if (plugged) {
    if (!b.plugged) ResetChip(b, now);
    b.plugged = 1;
    return;
  }
  b.plugged = 0;
  if (b.openHandle) {
    auto* slot = std::find(std::begin(b.deadHandles), std::end(b.deadHandles), std::uint64_t{0});
    if (slot != std::end(b.deadHandles)) *slot = b.openHandle;
    b.openHandle = 0;
  }
  b.rxHead = b.rxTail;
  b.rxAtChip = b.rxTail;
  b.rxHandedOver = b.rxTail;
  b.hostLine = LineSettings{9600, 8, 0, 0};
  ResetChip(b, now);
}

std::int64_t Queue(Block& b, const std::uint8_t* bytes, std::size_t n, std::int64_t due, std::int64_t spacing,
                   std::int64_t now) {
  // Bytes sent to a pulled device go nowhere.
  if (!b.plugged) return -1;
  if (b.rxTail - b.rxHead + n > kRxCapacity) {
    b.rxOverflow += n;
    return -1;
  }
  // Nothing arrives in the past, and the line is a FIFO: nothing overtakes a
  // byte already on its way, and a byte follows the one ahead of it by at
  // least its own time on the line.
  RunChipTo(b, now);
  due = std::max(due, now);
  if (b.rxTail > b.rxHead) due = std::max(due, b.rx[(b.rxTail - 1) % kRxCapacity].due + spacing);
  std::int64_t last = due;
  for (std::size_t i = 0; i < n; ++i) {
    last = due + static_cast<std::int64_t>(i) * spacing;
    b.rx[b.rxTail % kRxCapacity] = RxByte{last, bytes[i]};
    ++b.rxTail;
  }
  return last;
}

std::uint32_t Open(Block& b, const char* name, bool matches, std::uint32_t flags, const char* text,
                   std::uint64_t* handle, std::int64_t now) {
  std::uint32_t status = kOk;
  if (!handle) {
    status = kInvalidParameter;
  } else if (!b.plugged || !matches) {
    status = kDeviceNotFound;
  } else if (b.openHandle) {
    status = kDeviceNotOpened;
  } else if ((status = Injected(b, name, status)) == kOk) {
    b.openHandle = b.nextHandle;
    b.nextHandle += 0x10;
    // A new handle finds the chip as at power-on: whatever the previous
    // connection set is gone.
    ResetChip(b, now);
    *handle = b.openHandle;
  }
  Log(b, now, name, status, status == kOk ? b.openHandle : 0, flags, 0, 0, text);
  return status;
}

std::uint32_t OpenEx(Block& b, const char* arg, std::uint32_t flags, std::uint64_t* handle, std::int64_t now) {
  const bool matches = arg && ((flags == 2 && std::strcmp(arg, kDescription) == 0) ||
                               (flags == 1 && std::strcmp(arg, kSerialNumber) == 0));
  return Open(b, "FT_OpenEx", matches, flags, arg, handle, now);
}

std::uint32_t SetBaudRate(Block& b, std::uint64_t handle, std::uint32_t baud, std::int64_t now) {
  const std::uint32_t status = Injected(b, "FT_SetBaudRate", StatusOf(b, handle));
  if (status == kOk) b.hostLine.baud = baud;
  Log(b, now, "FT_SetBaudRate", status, handle, baud);
  return status;
}

std::uint32_t SetDataCharacteristics(Block& b, std::uint64_t handle, std::uint8_t wordLength, std::uint8_t stopBits,
                                     std::uint8_t parity, std::int64_t now) {
  std::uint32_t status = StatusOf(b, handle);
  // D2XX knows 7 or 8 data bits, stop bits 0 (one) or 2 (two), parity 0..4.
  if (status == kOk && ((wordLength != 7 && wordLength != 8) || (stopBits != 0 && stopBits != 2) || parity > 4)) {
    status = kInvalidParameter;
  }
  status = Injected(b, "FT_SetDataCharacteristics", status);
  if (status == kOk) {
    b.hostLine.wordLength = wordLength;
    b.hostLine.stopBits = stopBits;
    b.hostLine.parity = parity;
  }
  Log(b, now, "FT_SetDataCharacteristics", status, handle, wordLength, stopBits, parity);
  return status;
}

std::uint32_t Purge(Block& b, std::uint64_t handle, std::uint32_t mask, std::int64_t now) {
  const std::uint32_t status = Injected(b, "FT_Purge", StatusOf(b, handle));
  if (status == kOk && (mask & 1u)) {
    // What has reached the host and the chip goes; bytes still on the line
    // land after the purge.
    RunChipTo(b, now);
    b.rxPurged += b.rxAtChip - b.rxHead;
    b.rxHead = b.rxAtChip;
    b.rxHandedOver = b.rxAtChip;
  }
  Log(b, now, "FT_Purge", status, handle, mask);
  return status;
}

std::uint32_t GetQueueStatus(Block& b, std::uint64_t handle, std::uint32_t* rxBytes, std::int64_t now) {
  std::uint32_t status = StatusOf(b, handle);
  if (status == kOk && !rxBytes) status = kInvalidParameter;
  status = Injected(b, "FT_GetQueueStatus", status);
  std::uint32_t count = 0;
  if (status == kOk) {
    count = static_cast<std::uint32_t>(HostCount(b, now));
    *rxBytes = count;
    if (count > 0) ++b.queriesWithBytes;
  }
  Log(b, now, "FT_GetQueueStatus", status, handle, count);
  return status;
}

std::uint32_t Read(Block& b, std::uint64_t handle, void* buffer, std::uint32_t length, std::uint32_t* read,
                   std::int64_t now, bool firstTry, bool final) {
  std::uint32_t status = StatusOf(b, handle);
  if (status == kOk && ((!buffer && length) || !read)) status = kInvalidParameter;
  if (firstTry) status = Injected(b, "FT_Read", status);
  if (status != kOk) {
    if (read) *read = 0;
    Log(b, now, "FT_Read", status, handle, length, 0);
    return status;
  }
  const std::size_t due = HostCount(b, now);
  if (due < length && !final) return kReadWaits;
  const auto n = static_cast<std::uint32_t>(due < length ? due : length);
  const bool garbled = b.hostLine != b.panelLine;
  auto* out = static_cast<std::uint8_t*>(buffer);
  for (std::uint32_t i = 0; i < n; ++i) {
    const std::uint8_t v = b.rx[(b.rxHead + i) % kRxCapacity].value;
    out[i] = garbled ? Garble(v) : v;
  }
  b.rxHead += n;
  *read = n;
  ++b.readCalls;
  Log(b, now, "FT_Read", status, handle, length, n);
  return status;
}

std::uint32_t Write(Block& b, std::uint64_t handle, const void* buffer, std::uint32_t length, std::uint32_t* written,
                    std::int64_t now) {
  std::uint32_t status = StatusOf(b, handle);
  if (status == kOk && ((!buffer && length) || !written)) status = kInvalidParameter;
  status = Injected(b, "FT_Write", status);
  if (status == kOk) {
    const auto* in = static_cast<const std::uint8_t*>(buffer);
    for (std::uint32_t i = 0; i < length; ++i, ++b.writtenLen) {
      if (b.writtenLen < kWrittenCapacity) b.written[b.writtenLen] = in[i];
    }
    *written = length;
  } else if (written) {
    *written = 0;
  }
  Log(b, now, "FT_Write", status, handle, length, status == kOk ? length : 0);
  return status;
}

std::uint32_t Close(Block& b, std::uint64_t handle, std::int64_t now) {
  std::uint32_t status = Injected(b, "FT_Close", kOk);
  switch (status == kOk ? StateOf(b, handle) : HandleState::Unknown) {
    case HandleState::Live:
      b.openHandle = 0;
      b.notifyMask = 0;
      break;
    case HandleState::Dead:
      // Closing a handle of a pulled device frees it and succeeds.
      ForgetDead(b, handle);
      break;
    case HandleState::Unknown:
      if (status == kOk) status = kInvalidHandle;
      break;
  }
  Log(b, now, "FT_Close", status, handle);
  return status;
}

std::uint32_t SetChars(Block& b, std::uint64_t handle, std::uint8_t eventChar, std::uint8_t eventCharEnabled,
                       std::uint8_t errorChar, std::uint8_t errorCharEnabled, std::int64_t now) {
  const std::uint32_t status = Injected(b, "FT_SetChars", StatusOf(b, handle));
  if (status == kOk) {
    RunChipTo(b, now);
    b.eventChar = eventChar;
    b.eventCharOn = eventCharEnabled != 0 ? 1 : 0;
  }
  // The error character replaces bytes with framing errors; nothing here
  // makes any, so it is only logged.
  Log(b, now, "FT_SetChars", status, handle, eventChar, eventCharEnabled,
      errorChar | static_cast<std::uint32_t>(errorCharEnabled) << 8);
  return status;
}

std::uint32_t SetLatencyTimer(Block& b, std::uint64_t handle, std::uint8_t ms, std::int64_t now) {
  std::uint32_t status = StatusOf(b, handle);
  if (status == kOk && ms < 2) status = kInvalidParameter;
  status = Injected(b, "FT_SetLatencyTimer", status);
  if (status == kOk) {
    // Bytes that arrived before the change were held under the old setting.
    RunChipTo(b, now);
    b.latencyMs = ms;
    b.chipLastSend = now;
  }
  Log(b, now, "FT_SetLatencyTimer", status, handle, ms);
  return status;
}

std::uint32_t SetEventNotification(Block& b, std::uint64_t handle, std::uint32_t mask, bool withEvent,
                                   std::int64_t now) {
  std::uint32_t status = StatusOf(b, handle);
  if (status == kOk && mask != 0 && !withEvent) status = kInvalidParameter;
  status = Injected(b, "FT_SetEventNotification", status);
  if (status == kOk) b.notifyMask = mask;
  Log(b, now, "FT_SetEventNotification", status, handle, mask, withEvent ? 1 : 0);
  return status;
}

void FailNext(Block& b, const char* call, std::uint32_t count, std::uint32_t status) {
  std::memset(b.failName, 0, sizeof(b.failName));
  CopyText(b.failName, sizeof(b.failName), call);
  b.failCount = count;
  b.failStatus = status;
}

HandleState StateOf(const Block& b, std::uint64_t handle) {
  if (handle == 0) return HandleState::Unknown;
  if (handle == b.openHandle) return HandleState::Live;
  for (std::uint64_t dead : b.deadHandles) {
    if (dead == handle) return HandleState::Dead;
  }
  return HandleState::Unknown;
}

}  // namespace panelsim
