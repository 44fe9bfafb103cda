// Entry points of the simulated FNTD2XX.dll: the D2XX calls the driver binds,
// stdcall on x86 and exported undecorated through FNTD2XX.def.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "SimDevice.h"

namespace {

using panelsim::HandleState;
using panelsim::Mapping;

// The block this process talks to. The name is looked up again at every
// open, so an in-process test that switches ORVANTA_PANELSIM_NAME between
// cases reaches its own device; calls already under way keep the old view.
std::shared_ptr<Mapping> Device(bool refreshName) {
  static std::mutex guard;
  static std::shared_ptr<Mapping> current;
  std::lock_guard<std::mutex> lock(guard);
  if (current && !refreshName) return current;
  const std::wstring name = panelsim::CurrentName();
  if (!current || current->Name() != name) {
    auto fresh = std::make_shared<Mapping>();
    if (!fresh->Open(name)) return nullptr;
    current = std::move(fresh);
  }
  return current;
}

std::uint64_t Id(void* handle) { return reinterpret_cast<std::uintptr_t>(handle); }

ULONG StatusOf(HandleState state) {
  switch (state) {
    case HandleState::Live:
      return panelsim::kOk;
    case HandleState::Dead:
      return panelsim::kIoError;  // what a real converter answers once pulled out
    case HandleState::Unknown:
      break;
  }
  return panelsim::kInvalidHandle;
}

ULONG Open(bool matches, const char* how, DWORD flags, const char* text, void** handle) {
  auto dev = Device(true);
  if (!dev) return panelsim::kDeviceNotFound;
  dev->SpendCallCost();
  Mapping::Lock b(*dev);
  ULONG status = panelsim::kOk;
  if (!handle) {
    status = panelsim::kInvalidParameter;
  } else if (!b->plugged || !matches) {
    status = panelsim::kDeviceNotFound;
  } else if (b->openHandle) {
    status = panelsim::kDeviceNotOpened;
  } else if ((status = panelsim::Injected(*b, how, status)) == panelsim::kOk) {
    b->openHandle = b->nextHandle;
    b->nextHandle += 0x10;
    // A new handle finds the chip as at power-on: whatever the previous
    // connection set is gone.
    panelsim::ResetChip(*b, panelsim::QpcNow());
    *handle = reinterpret_cast<void*>(static_cast<std::uintptr_t>(b->openHandle));
  }
  panelsim::Log(*b, how, status, status == panelsim::kOk ? b->openHandle : 0, flags, 0, 0, text);
  return status;
}

// Sleeps for a fraction of a millisecond. Under Wine NtDelayExecution is a
// plain nanosleep, exact to microseconds, while every timed wait on an
// object goes to the Wine server and is rounded up to whole milliseconds.
// On Windows it lasts at least a tick of the system timer.
void ShortSleep(std::int64_t ticks) {
  using Fn = LONG(NTAPI*)(BOOLEAN, PLARGE_INTEGER);
  static const Fn delay = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtDelayExecution")));
  LARGE_INTEGER interval;
  // Relative times are negative, in 100 ns units.
  interval.QuadPart = -std::max<std::int64_t>(1, ticks * 10000000 / panelsim::QpcFrequency());
  if (delay) {
    delay(FALSE, &interval);
  } else {
    ::Sleep(1);
  }
}

// What the real library's own thread does for FT_SetEventNotification: sets
// the caller's event each time the chip hands the host new bytes, and
// nothing while the line is silent. It sleeps until the next hand-over it
// can foresee from the bytes scheduled, or until the schedule changes; it
// ends when its handle is closed or dies with an unplugged device.
class RxEventWatcher {
public:
  RxEventWatcher(std::shared_ptr<Mapping> dev, std::uint64_t handle, HANDLE event)
      : dev_(std::move(dev)), handle_(handle), event_(event), stop_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    thread_ = std::thread([this] { Run(); });
  }
  ~RxEventWatcher() {
    stopping_ = true;
    ::SetEvent(stop_.get());
    thread_.join();
  }
  RxEventWatcher(const RxEventWatcher&) = delete;
  RxEventWatcher& operator=(const RxEventWatcher&) = delete;

private:
  void Run() {
    std::uint64_t told = 0;
    {
      Mapping::Lock b(*dev_);
      panelsim::HostCount(*b, panelsim::QpcNow());
      told = b->rxHandedOver;
    }
    const std::int64_t twoMs = panelsim::QpcFrequency() / 500;
    const std::int64_t halfMs = panelsim::QpcFrequency() / 2000;
    while (!stopping_) {
      std::int64_t next = -1;
      bool fresh = false;
      {
        Mapping::Lock b(*dev_);
        if (panelsim::StateOf(*b, handle_) != HandleState::Live) return;
        panelsim::HostCount(*b, panelsim::QpcNow());
        fresh = b->rxHandedOver > told;
        told = b->rxHandedOver;
        next = panelsim::NextHandOver(*b);
      }
      if (fresh) ::SetEvent(event_);
      const std::int64_t left = next < 0 ? -1 : next - panelsim::QpcNow();
      if (next >= 0 && left <= twoMs) {
        // The last stretch in short sleeps: the event must not come later
        // than a poller would see the bytes.
        if (left > 0) ShortSleep(std::min(left, halfMs));
        continue;
      }
      const HANDLE waits[] = {stop_.get(), dev_->Changed()};
      const DWORD ms = next < 0 ? INFINITE : static_cast<DWORD>(left * 1000 / panelsim::QpcFrequency() - 1);
      ::WaitForMultipleObjects(2, waits, FALSE, ms);
    }
  }

  std::shared_ptr<Mapping> dev_;
  std::uint64_t handle_;
  HANDLE event_;
  wincommon::KernelHandle stop_;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

// The watchers of this process by handle. Never destroyed: a process that
// ends with a handle open must not join a thread while it unloads.
std::mutex& WatchersGuard() {
  static auto* guard = new std::mutex;
  return *guard;
}
std::map<std::uint64_t, std::unique_ptr<RxEventWatcher>>& Watchers() {
  static auto* watchers = new std::map<std::uint64_t, std::unique_ptr<RxEventWatcher>>;
  return *watchers;
}

void StopWatcher(std::uint64_t handle) {
  std::unique_ptr<RxEventWatcher> gone;
  {
    std::lock_guard<std::mutex> lock(WatchersGuard());
    auto it = Watchers().find(handle);
    if (it == Watchers().end()) return;
    gone = std::move(it->second);
    Watchers().erase(it);
  }
  // Joined outside the guard (and outside the device's lock, which the
  // watcher takes).
  gone.reset();
}

void StartWatcher(const std::shared_ptr<Mapping>& dev, std::uint64_t handle, HANDLE event) {
  StopWatcher(handle);
  auto watcher = std::make_unique<RxEventWatcher>(dev, handle, event);
  std::lock_guard<std::mutex> lock(WatchersGuard());
  Watchers()[handle] = std::move(watcher);
}

// Line bits the host and the panel disagree on come out as framing garbage;
// never a digit or a line end, so a report cannot survive it.
std::uint8_t Garble(std::uint8_t v) { return static_cast<std::uint8_t>((v ^ 0xFFu) | 0x80u); }

}  // namespace

extern "C" {

ULONG WINAPI FT_Open(int deviceNumber, void** handle) {
  // One device on the bus: index 0.
  return Open(deviceNumber == 0, "FT_Open", static_cast<DWORD>(deviceNumber), nullptr, handle);
}

ULONG WINAPI FT_OpenEx(void* arg, DWORD flags, void** handle) {
  const char* text = static_cast<const char*>(arg);
  bool matches = false;
  if (text && flags == 2) matches = std::string(text) == panelsim::kDescription;
  if (text && flags == 1) matches = std::string(text) == panelsim::kSerialNumber;
  return Open(matches, "FT_OpenEx", flags, text, handle);
}

ULONG WINAPI FT_SetBaudRate(void* handle, ULONG baud) {
  auto dev = Device(false);
  if (!dev) return panelsim::kInvalidHandle;
  dev->SpendCallCost();
  Mapping::Lock b(*dev);
  const ULONG status = panelsim::Injected(*b, "FT_SetBaudRate", StatusOf(panelsim::StateOf(*b, Id(handle))));
  if (status == panelsim::kOk) b->hostLine.baud = baud;
  panelsim::Log(*b, "FT_SetBaudRate", status, Id(handle), baud);
  return status;
}

ULONG WINAPI FT_SetDataCharacteristics(void* handle, UCHAR wordLength, UCHAR stopBits, UCHAR parity) {
  auto dev = Device(false);
  if (!dev) return panelsim::kInvalidHandle;
  dev->SpendCallCost();
  Mapping::Lock b(*dev);
  ULONG status = StatusOf(panelsim::StateOf(*b, Id(handle)));
  // D2XX knows 7 or 8 data bits, stop bits 0 (one) or 2 (two), parity 0..4.
  if (status == panelsim::kOk && ((wordLength != 7 && wordLength != 8) || (stopBits != 0 && stopBits != 2) ||
                                  parity > 4)) {
    status = panelsim::kInvalidParameter;
  }
  status = panelsim::Injected(*b, "FT_SetDataCharacteristics", status);
  if (status == panelsim::kOk) {
    b->hostLine.wordLength = wordLength;
    b->hostLine.stopBits = stopBits;
    b->hostLine.parity = parity;
  }
  panelsim::Log(*b, "FT_SetDataCharacteristics", status, Id(handle), wordLength, stopBits, parity);
  return status;
}

ULONG WINAPI FT_Purge(void* handle, ULONG mask) {
  auto dev = Device(false);
  if (!dev) return panelsim::kInvalidHandle;
  dev->SpendCallCost();
  Mapping::Lock b(*dev);
  const ULONG status = panelsim::Injected(*b, "FT_Purge", StatusOf(panelsim::StateOf(*b, Id(handle))));
  if (status == panelsim::kOk && (mask & 1u)) {
    // What has reached the host and the chip goes; bytes still on the line
    // land after the purge.
    b->rxPurged += panelsim::PurgeReceived(*b, panelsim::QpcNow());
    dev->Nudge();
  }
  panelsim::Log(*b, "FT_Purge", status, Id(handle), mask);
  return status;
}

ULONG WINAPI FT_GetQueueStatus(void* handle, DWORD* rxBytes) {
  auto dev = Device(false);
  if (!dev) return panelsim::kInvalidHandle;
  dev->SpendCallCost();
  Mapping::Lock b(*dev);
  ULONG status = StatusOf(panelsim::StateOf(*b, Id(handle)));
  if (status == panelsim::kOk && !rxBytes) status = panelsim::kInvalidParameter;
  status = panelsim::Injected(*b, "FT_GetQueueStatus", status);
  DWORD count = 0;
  if (status == panelsim::kOk) {
    count = static_cast<DWORD>(panelsim::HostCount(*b, panelsim::QpcNow()));
    *rxBytes = count;
    if (count > 0) ++b->queriesWithBytes;
  }
  panelsim::Log(*b, "FT_GetQueueStatus", status, Id(handle), count);
  return status;
}

ULONG WINAPI FT_Read(void* handle, void* buffer, DWORD length, DWORD* read) {
  auto dev = Device(false);
  if (!dev) return panelsim::kInvalidHandle;
  dev->SpendCallCost();
  std::int64_t deadline = -1;
  // Like the real call, a read waits for bytes still on the wire; the lock is
  // let go in between so that the feeding side can go on.
  for (;;) {
    {
      Mapping::Lock b(*dev);
      ULONG status = StatusOf(panelsim::StateOf(*b, Id(handle)));
      if (status == panelsim::kOk && ((!buffer && length) || !read)) status = panelsim::kInvalidParameter;
      if (deadline < 0) status = panelsim::Injected(*b, "FT_Read", status);
      if (status != panelsim::kOk) {
        if (read) *read = 0;
        panelsim::Log(*b, "FT_Read", status, Id(handle), length, 0);
        return status;
      }
      const std::int64_t now = panelsim::QpcNow();
      if (deadline < 0) deadline = now + panelsim::QpcFrequency() * b->readTimeoutMs / 1000;
      const std::size_t due = panelsim::HostCount(*b, now);
      if (due >= length || now >= deadline) {
        const DWORD n = static_cast<DWORD>(due < length ? due : length);
        const bool garbled = b->hostLine != b->panelLine;
        auto* out = static_cast<std::uint8_t*>(buffer);
        for (DWORD i = 0; i < n; ++i) {
          const std::uint8_t v = b->rx[(b->rxHead + i) % panelsim::kRxCapacity].value;
          out[i] = garbled ? Garble(v) : v;
        }
        b->rxHead += n;
        *read = n;
        ++b->readCalls;
        panelsim::Log(*b, "FT_Read", status, Id(handle), length, n);
        return status;
      }
    }
    ::Sleep(1);
  }
}

ULONG WINAPI FT_Write(void* handle, void* buffer, DWORD length, DWORD* written) {
  auto dev = Device(false);
  if (!dev) return panelsim::kInvalidHandle;
  dev->SpendCallCost();
  Mapping::Lock b(*dev);
  ULONG status = StatusOf(panelsim::StateOf(*b, Id(handle)));
  if (status == panelsim::kOk && ((!buffer && length) || !written)) status = panelsim::kInvalidParameter;
  status = panelsim::Injected(*b, "FT_Write", status);
  if (status == panelsim::kOk) {
    const auto* in = static_cast<const std::uint8_t*>(buffer);
    for (DWORD i = 0; i < length; ++i, ++b->writtenLen) {
      if (b->writtenLen < panelsim::kWrittenCapacity) b->written[b->writtenLen] = in[i];
    }
    *written = length;
  } else if (written) {
    *written = 0;
  }
  panelsim::Log(*b, "FT_Write", status, Id(handle), length, status == panelsim::kOk ? length : 0);
  return status;
}

ULONG WINAPI FT_Close(void* handle) {
  auto dev = Device(false);
  if (!dev) return panelsim::kInvalidHandle;
  dev->SpendCallCost();
  const std::uint64_t id = Id(handle);
  ULONG status = panelsim::kOk;
  {
    Mapping::Lock b(*dev);
    status = panelsim::Injected(*b, "FT_Close", panelsim::kOk);
    switch (status == panelsim::kOk ? panelsim::StateOf(*b, id) : HandleState::Unknown) {
      case HandleState::Live:
        b->openHandle = 0;
        b->notifyMask = 0;
        break;
      case HandleState::Dead:
        // Closing a handle of a pulled device frees it and succeeds.
        panelsim::ForgetDead(*b, id);
        break;
      case HandleState::Unknown:
        if (status == panelsim::kOk) status = panelsim::kInvalidHandle;
        break;
    }
    panelsim::Log(*b, "FT_Close", status, id);
  }
  // A closed handle sets no more events.
  if (status == panelsim::kOk) StopWatcher(id);
  return status;
}

ULONG WINAPI FT_SetChars(void* handle, UCHAR eventChar, UCHAR eventCharEnabled, UCHAR errorChar,
                         UCHAR errorCharEnabled) {
  auto dev = Device(false);
  if (!dev) return panelsim::kInvalidHandle;
  dev->SpendCallCost();
  Mapping::Lock b(*dev);
  const ULONG status = panelsim::Injected(*b, "FT_SetChars", StatusOf(panelsim::StateOf(*b, Id(handle))));
  if (status == panelsim::kOk) {
    panelsim::SetChipEventChar(*b, eventChar, eventCharEnabled != 0, panelsim::QpcNow());
    dev->Nudge();
  }
  // The error character replaces bytes with framing errors; nothing here
  // makes any, so it is only logged.
  panelsim::Log(*b, "FT_SetChars", status, Id(handle), eventChar, eventCharEnabled,
                errorChar | static_cast<std::uint32_t>(errorCharEnabled) << 8);
  return status;
}

ULONG WINAPI FT_SetLatencyTimer(void* handle, UCHAR ms) {
  auto dev = Device(false);
  if (!dev) return panelsim::kInvalidHandle;
  dev->SpendCallCost();
  Mapping::Lock b(*dev);
  ULONG status = StatusOf(panelsim::StateOf(*b, Id(handle)));
  if (status == panelsim::kOk && ms < 2) status = panelsim::kInvalidParameter;
  status = panelsim::Injected(*b, "FT_SetLatencyTimer", status);
  if (status == panelsim::kOk) {
    panelsim::SetChipLatency(*b, ms, panelsim::QpcNow());
    dev->Nudge();
  }
  panelsim::Log(*b, "FT_SetLatencyTimer", status, Id(handle), ms);
  return status;
}

ULONG WINAPI FT_SetEventNotification(void* handle, DWORD mask, void* param) {
  auto dev = Device(false);
  if (!dev) return panelsim::kInvalidHandle;
  dev->SpendCallCost();
  const std::uint64_t id = Id(handle);
  ULONG status = panelsim::kOk;
  {
    Mapping::Lock b(*dev);
    status = StatusOf(panelsim::StateOf(*b, id));
    if (status == panelsim::kOk && mask != 0 && !param) status = panelsim::kInvalidParameter;
    status = panelsim::Injected(*b, "FT_SetEventNotification", status);
    if (status == panelsim::kOk) b->notifyMask = mask;
    panelsim::Log(*b, "FT_SetEventNotification", status, id, mask, param ? 1 : 0);
  }
  if (status != panelsim::kOk) return status;
  // The device has no modem lines that change: only received bytes set the event.
  if (mask & panelsim::kEventRxChar) {
    StartWatcher(dev, id, static_cast<HANDLE>(param));
  } else {
    StopWatcher(id);
  }
  return status;
}

}  // extern "C"
