#pragma once
// The calls of the D2XX-style panel library that the serial link uses, as a
// table of functions. On Windows the table is filled from FNTD2XX.dll, loaded
// by name at first use; unit tests fill it with a simulated device. An empty
// entry means the library or the entry point is missing.
#include <cstdint>
#include <functional>

namespace orvanta {

using FtStatus = std::uint32_t;
using FtHandle = std::uintptr_t;

inline constexpr FtStatus kFtOk = 0;
inline constexpr FtStatus kFtOtherError = 18;  // the D2XX general-error status
inline constexpr std::uint32_t kFtOpenBySerialNumber = 1;
inline constexpr std::uint32_t kFtOpenByDescription = 2;
inline constexpr std::uint32_t kFtPurgeRx = 1;
// FT_SetEventNotification's mask: bytes received, modem lines changed.
inline constexpr std::uint32_t kFtEventRxChar = 1;
inline constexpr std::uint32_t kFtEventModemStatus = 2;

struct D2xxApi {
  std::function<FtStatus(const char* arg, std::uint32_t flags, FtHandle* handle)> OpenEx;
  std::function<FtStatus(FtHandle, std::uint32_t baud)> SetBaudRate;
  std::function<FtStatus(FtHandle, std::uint8_t wordLength, std::uint8_t stopBits, std::uint8_t parity)>
      SetDataCharacteristics;
  std::function<FtStatus(FtHandle, std::uint32_t mask)> Purge;
  std::function<FtStatus(FtHandle, std::uint32_t* rxBytes)> GetQueueStatus;
  std::function<FtStatus(FtHandle, void* buffer, std::uint32_t length, std::uint32_t* read)> Read;
  std::function<FtStatus(FtHandle, const void* buffer, std::uint32_t length, std::uint32_t* written)> Write;
  std::function<FtStatus(FtHandle)> Close;
  // The converter chip's calls, which not every library offers: the event
  // character (a received byte of this value makes the chip hand over what
  // it holds at once), the latency timer (how long the chip holds bytes
  // otherwise, 2..255 ms) and the receive event (an event object of the
  // caller's that the library sets when bytes arrive).
  std::function<FtStatus(FtHandle, std::uint8_t eventChar, std::uint8_t eventCharEnabled, std::uint8_t errorChar,
                         std::uint8_t errorCharEnabled)>
      SetChars;
  std::function<FtStatus(FtHandle, std::uint8_t ms)> SetLatencyTimer;
  std::function<FtStatus(FtHandle, std::uint32_t mask, void* event)> SetEventNotification;
};

// Supplies the table on first use (the Windows shell loads the library then).
// Called again on every open while the library is missing, so a library that
// turns up later is found.
using D2xxApiLoader = std::function<const D2xxApi*()>;

}  // namespace orvanta
