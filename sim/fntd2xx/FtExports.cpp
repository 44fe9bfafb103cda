// Entry points of the simulated FNTD2XX.dll: the D2XX calls the driver binds,
// stdcall on x86 and exported undecorated through FNTD2XX.def.
#include <windows.h>

#include <memory>
#include <mutex>
#include <string>

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
    *handle = reinterpret_cast<void*>(static_cast<std::uintptr_t>(b->openHandle));
  }
  panelsim::Log(*b, how, status, status == panelsim::kOk ? b->openHandle : 0, flags, 0, 0, text);
  return status;
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
    // Only what has arrived is in the buffer; bytes still on the wire land
    // after the purge.
    const std::size_t due = panelsim::DueCount(*b, panelsim::QpcNow());
    b->rxHead += due;
    b->rxPurged += due;
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
    count = static_cast<DWORD>(panelsim::DueCount(*b, panelsim::QpcNow()));
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
      const std::size_t due = panelsim::DueCount(*b, now);
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
  Mapping::Lock b(*dev);
  const std::uint64_t id = Id(handle);
  ULONG status = panelsim::Injected(*b, "FT_Close", panelsim::kOk);
  switch (status == panelsim::kOk ? panelsim::StateOf(*b, id) : HandleState::Unknown) {
    case HandleState::Live:
      b->openHandle = 0;
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
  return status;
}

}  // extern "C"
