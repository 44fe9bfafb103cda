#include "SimDevice.h"

#include <algorithm>
#include <cstring>

namespace panelsim {

namespace {

constexpr std::uint32_t kMagic = 0x4F505332;  // "OPS2"
constexpr std::uint32_t kPanelBaud = 38400;
constexpr std::uint32_t kBitsPerByte = 11;  // start, 8 data, 2 stop
// Without a read time-out set, a real D2XX read waits for ever; a test must
// not, so a read that asks for more than will come gives up after this.
constexpr std::uint32_t kDefaultReadTimeoutMs = 5000;

void CopyText(char* dst, std::size_t size, const char* src) {
  if (!src) src = "";
  const std::size_t n = std::min(size - 1, std::strlen(src));
  std::memcpy(dst, src, n);
  dst[n] = '\0';
}

}  // namespace

std::wstring CurrentName() {
  wchar_t buf[128] = {};
  const DWORD n = ::GetEnvironmentVariableW(kNameVariable, buf, static_cast<DWORD>(std::size(buf)));
  if (n == 0 || n >= std::size(buf)) return kDefaultName;
  return std::wstring(buf, n);
}

std::int64_t QpcNow() {
  LARGE_INTEGER v;
  ::QueryPerformanceCounter(&v);
  return v.QuadPart;
}

std::int64_t QpcFrequency() {
  LARGE_INTEGER v;
  ::QueryPerformanceFrequency(&v);
  return v.QuadPart;
}

std::int64_t ByteTicks() { return QpcFrequency() * kBitsPerByte / kPanelBaud; }

// ---- Mapping ----------------------------------------------------------------

bool Mapping::Open(const std::wstring& name) {
  Close();
  // "Local\" keeps the objects in the session; Wine has one session anyway.
  const std::wstring base = L"Local\\" + name;
  mutex_.reset(::CreateMutexW(nullptr, FALSE, (base + L".Lock").c_str()));
  if (!mutex_) return false;
  const auto size = static_cast<DWORD>(sizeof(Block));
  section_.reset(
      ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, (base + L".Block").c_str()));
  if (!section_) return false;
  block_ = static_cast<Block*>(::MapViewOfFile(section_.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(Block)));
  if (!block_) return false;
  changed_.reset(::CreateEventW(nullptr, FALSE, FALSE, (base + L".Changed").c_str()));
  if (!changed_) return false;
  name_ = name;
  // Whoever comes first initialises; the pages of a new section are zero.
  // The named mutex makes sure that happens once, before anyone uses it.
  ::WaitForSingleObject(mutex_.get(), INFINITE);  // WAIT_ABANDONED also hands it over
  if (block_->magic == 0) {
    Lock lock(*this);
    InitBlock(*lock);
  }
  // A block of another layout comes from a stale build of the other side;
  // sharing it would corrupt both, so refuse it.
  const bool compatible = block_->magic == kMagic && block_->size == sizeof(Block);
  ::ReleaseMutex(mutex_.get());
  if (!compatible) Close();
  return compatible;
}

void Mapping::Close() {
  if (block_) ::UnmapViewOfFile(block_);
  block_ = nullptr;
  section_.reset();
  changed_.reset();
  mutex_.reset();
  name_.clear();
}

Mapping::~Mapping() { Close(); }

void Mapping::SpendCallCost() const {
  const std::uint32_t us = block_->callCostUs;
  if (us == 0) return;
  // Spun, not slept: a sleep under Wine lasts at least one timer slack
  // (50 us and more), which would swamp the small costs. The spin also
  // burns the CPU time a library that works for its answer would.
  const std::int64_t end = QpcNow() + QpcFrequency() * us / 1000000;
  while (QpcNow() < end) YieldProcessor();
}

namespace {

bool ThreadGone(DWORD threadId) {
  const HANDLE thread = ::OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, threadId);
  if (!thread) return true;
  DWORD code = 0;
  const bool gone = !::GetExitCodeThread(thread, &code) || code != STILL_ACTIVE;
  ::CloseHandle(thread);
  return gone;
}

}  // namespace

Mapping::Lock::Lock(const Mapping& m) : block_(m.block_) {
  const auto me = static_cast<LONG>(::GetCurrentThreadId());
  for (unsigned spin = 0;; ++spin) {
    const LONG owner = ::InterlockedCompareExchange(&block_->lockOwner, me, 0);
    if (owner == 0) return;
    // Holders keep the lock for microseconds: spin briefly, then yield, then
    // sleep, and now and then see whether the holder still exists.
    if (spin < 64) {
      YieldProcessor();
    } else if (spin < 1024) {
      ::Sleep(0);
    } else {
      ::Sleep(1);
      if (spin % 64 == 0 && ThreadGone(static_cast<DWORD>(owner))) {
        ::InterlockedCompareExchange(&block_->lockOwner, 0, owner);
      }
    }
  }
}

Mapping::Lock::~Lock() { ::InterlockedExchange(&block_->lockOwner, 0); }

// ---- Device operations --------------------------------------------------------

void InitBlock(Block& b) {
  // Plain bytes in shared memory: zeroing is the only construction it gets.
  // The lock word is the caller's and stays as it is.
  const LONG owner = b.lockOwner;
  std::memset(static_cast<void*>(&b), 0, sizeof(Block));
  b.lockOwner = owner;
  b.magic = kMagic;
  b.size = sizeof(Block);
  b.plugged = 1;
  b.readTimeoutMs = kDefaultReadTimeoutMs;
  b.nextHandle = 0x10;
  b.panelLine = LineSettings{kPanelBaud, 8, 2, 0};
  // The converter's power-on line settings.
  b.hostLine = LineSettings{9600, 8, 0, 0};
  ResetChip(b, QpcNow());
  b.logNext = 1;
  b.logFirst = 1;
}

void Log(Block& b, const char* name, ULONG status, std::uint64_t handle, std::uint32_t a0, std::uint32_t a1,
         std::uint32_t a2, const char* text) {
  LogEntry& e = b.log[(b.logNext - 1) % kLogCapacity];
  e.seq = b.logNext++;
  e.qpc = QpcNow();
  CopyText(e.name, sizeof(e.name), name);
  e.status = status;
  e.handle = handle;
  e.args[0] = a0;
  e.args[1] = a1;
  e.args[2] = a2;
  CopyText(e.text, sizeof(e.text), text);
}

namespace {

struct Chip {
  std::int64_t lastSend;
  std::uint64_t atChip;
  std::uint64_t handedOver;
};

std::int64_t LatencyTicks(const Block& b) {
  return std::max<std::int64_t>(1, QpcFrequency() * b.latencyMs / 1000);
}

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

}  // namespace

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

void SetChipLatency(Block& b, std::uint32_t ms, std::int64_t now) {
  // Bytes that arrived before the change were held under the old setting.
  RunChipTo(b, now);
  b.latencyMs = ms;
  b.chipLastSend = now;
}

void SetChipEventChar(Block& b, std::uint8_t value, bool on, std::int64_t now) {
  RunChipTo(b, now);
  b.eventChar = value;
  b.eventCharOn = on ? 1 : 0;
}

std::uint64_t PurgeReceived(Block& b, std::int64_t now) {
  RunChipTo(b, now);
  const std::uint64_t dropped = b.rxAtChip - b.rxHead;
  b.rxHead = b.rxAtChip;
  b.rxHandedOver = b.rxAtChip;
  return dropped;
}

void Unplug(Block& b) {
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
  ResetChip(b, QpcNow());
}

std::int64_t Queue(Block& b, const std::uint8_t* bytes, std::size_t n, std::int64_t due, std::int64_t spacing) {
  if (b.rxTail - b.rxHead + n > kRxCapacity) {
    b.rxOverflow += n;
    return -1;
  }
  // Nothing arrives in the past, and the line is a FIFO: nothing overtakes a
  // byte already on its way, and a byte follows the one ahead of it by at
  // least its own time on the line.
  const std::int64_t now = QpcNow();
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

HandleState StateOf(const Block& b, std::uint64_t handle) {
  if (handle == 0) return HandleState::Unknown;
  if (handle == b.openHandle) return HandleState::Live;
  for (std::uint64_t dead : b.deadHandles) {
    if (dead == handle) return HandleState::Dead;
  }
  return HandleState::Unknown;
}

void ForgetDead(Block& b, std::uint64_t handle) {
  for (std::uint64_t& dead : b.deadHandles) {
    if (dead == handle) dead = 0;
  }
}

ULONG Injected(Block& b, const char* name, ULONG status) {
  if (status != kOk || b.failCount == 0 || std::strncmp(name, b.failName, sizeof(b.failName)) != 0) return status;
  --b.failCount;
  return b.failStatus;
}

}  // namespace panelsim
