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

// An open by one of the device's rules. The device's name is looked up
// afresh (see Device).
template <typename Rule, typename... Args>
ULONG OpenBy(void** handle, Rule rule, Args... args) {
  auto dev = Device(true);
  if (!dev) return panelsim::kDeviceNotFound;
  dev->SpendCallCost();
  Mapping::Lock b(*dev);
  std::uint64_t opened = 0;
  const ULONG status = rule(*b, args..., handle ? &opened : nullptr, panelsim::QpcNow());
  if (status == panelsim::kOk) *handle = reinterpret_cast<void*>(static_cast<std::uintptr_t>(opened));
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

// A call on an open handle: the device's rule for it under the block's lock,
// after the library's call cost; nudge: a success changes when the chip
// hands bytes over.
template <typename Rule, typename... Args>
ULONG OnDevice(void* handle, bool nudge, Rule rule, Args... args) {
  auto dev = Device(false);
  if (!dev) return panelsim::kInvalidHandle;
  dev->SpendCallCost();
  Mapping::Lock b(*dev);
  const ULONG status = rule(*b, Id(handle), args..., panelsim::QpcNow());
  if (nudge && status == panelsim::kOk) dev->Nudge();
  return status;
}

}  // namespace

extern "C" {

ULONG WINAPI FT_Open(int deviceNumber, void** handle) {
  // One device on the bus: index 0.
  return OpenBy(handle, panelsim::Open, "FT_Open", deviceNumber == 0, static_cast<std::uint32_t>(deviceNumber),
                static_cast<const char*>(nullptr));
}

ULONG WINAPI FT_OpenEx(void* arg, DWORD flags, void** handle) {
  return OpenBy(handle, panelsim::OpenEx, static_cast<const char*>(arg), static_cast<std::uint32_t>(flags));
}

ULONG WINAPI FT_SetBaudRate(void* handle, ULONG baud) { return OnDevice(handle, false, panelsim::SetBaudRate, baud); }

ULONG WINAPI FT_SetDataCharacteristics(void* handle, UCHAR wordLength, UCHAR stopBits, UCHAR parity) {
  return OnDevice(handle, false, panelsim::SetDataCharacteristics, wordLength, stopBits, parity);
}

ULONG WINAPI FT_GetQueueStatus(void* handle, DWORD* rxBytes) {
  std::uint32_t n = 0;
  const ULONG status = OnDevice(handle, false, panelsim::GetQueueStatus, rxBytes ? &n : nullptr);
  if (status == panelsim::kOk) *rxBytes = n;
  return status;
}

ULONG WINAPI FT_Write(void* handle, void* buffer, DWORD length, DWORD* written) {
  std::uint32_t n = 0;
  const ULONG status =
      OnDevice(handle, false, panelsim::Write, static_cast<const void*>(buffer), length, written ? &n : nullptr);
  if (written) *written = n;
  return status;
}

// What has arrived goes, and the receive event's watcher plans afresh.
ULONG WINAPI FT_Purge(void* handle, ULONG mask) { return OnDevice(handle, (mask & 1u) != 0, panelsim::Purge, mask); }

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
      const std::int64_t now = panelsim::QpcNow();
      const bool first = deadline < 0;
      if (first) deadline = now + panelsim::QpcFrequency() * b->readTimeoutMs / 1000;
      std::uint32_t n = 0;
      const ULONG status = panelsim::Read(*b, Id(handle), buffer, length, read ? &n : nullptr, now, first, now >= deadline);
      if (status != panelsim::kReadWaits) {
        if (read) *read = n;
        return status;
      }
    }
    ::Sleep(1);
  }
}

ULONG WINAPI FT_Close(void* handle) {
  auto dev = Device(false);
  if (!dev) return panelsim::kInvalidHandle;
  dev->SpendCallCost();
  ULONG status = panelsim::kOk;
  {
    Mapping::Lock b(*dev);
    status = panelsim::Close(*b, Id(handle), panelsim::QpcNow());
  }
  // A closed handle sets no more events.
  if (status == panelsim::kOk) StopWatcher(Id(handle));
  return status;
}

// A chip setting changes when the chip hands bytes over: the watcher plans afresh.
ULONG WINAPI FT_SetChars(void* handle, UCHAR eventChar, UCHAR eventCharEnabled, UCHAR errorChar,
                         UCHAR errorCharEnabled) {
  return OnDevice(handle, true, panelsim::SetChars, eventChar, eventCharEnabled, errorChar, errorCharEnabled);
}

ULONG WINAPI FT_SetLatencyTimer(void* handle, UCHAR ms) { return OnDevice(handle, true, panelsim::SetLatencyTimer, ms); }

ULONG WINAPI FT_SetEventNotification(void* handle, DWORD mask, void* param) {
  auto dev = Device(false);
  if (!dev) return panelsim::kInvalidHandle;
  dev->SpendCallCost();
  ULONG status = panelsim::kOk;
  {
    Mapping::Lock b(*dev);
    status = panelsim::SetEventNotification(*b, Id(handle), mask, param != nullptr, panelsim::QpcNow());
  }
  if (status != panelsim::kOk) return status;
  // The device has no modem lines that change: only received bytes set the event.
  if (mask & panelsim::kEventRxChar) {
    StartWatcher(dev, Id(handle), static_cast<HANDLE>(param));
  } else {
    StopWatcher(Id(handle));
  }
  return status;
}

}  // extern "C"
