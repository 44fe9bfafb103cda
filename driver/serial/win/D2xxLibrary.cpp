#include "D2xxLibrary.h"

#include <windows.h>

#include "wincommon/DllSearch.h"

namespace orvanta::win {

namespace {

// The library's calls, D2XX calling convention (stdcall on x86), undecorated
// export names. FT_Open (open by index) is declared for completeness; the
// driver opens by description only.
using FT_HANDLE = void*;
using FT_STATUS = ULONG;
using FnOpenEx = FT_STATUS(WINAPI*)(void* arg, DWORD flags, FT_HANDLE* handle);
using FnSetBaudRate = FT_STATUS(WINAPI*)(FT_HANDLE, ULONG);
using FnSetDataCharacteristics = FT_STATUS(WINAPI*)(FT_HANDLE, UCHAR, UCHAR, UCHAR);
using FnPurge = FT_STATUS(WINAPI*)(FT_HANDLE, ULONG);
using FnGetQueueStatus = FT_STATUS(WINAPI*)(FT_HANDLE, DWORD*);
using FnRead = FT_STATUS(WINAPI*)(FT_HANDLE, void*, DWORD, DWORD*);
using FnWrite = FT_STATUS(WINAPI*)(FT_HANDLE, void*, DWORD, DWORD*);
using FnClose = FT_STATUS(WINAPI*)(FT_HANDLE);
using FnSetChars = FT_STATUS(WINAPI*)(FT_HANDLE, UCHAR, UCHAR, UCHAR, UCHAR);
using FnSetLatencyTimer = FT_STATUS(WINAPI*)(FT_HANDLE, UCHAR);
using FnSetEventNotification = FT_STATUS(WINAPI*)(FT_HANDLE, DWORD, PVOID);

template <typename Fn>
Fn Entry(HMODULE module, const char* name) {
  // GetProcAddress hands back a generic pointer; the cast through void* is the
  // documented way to give it its real type.
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

FT_HANDLE ToHandle(FtHandle h) { return reinterpret_cast<FT_HANDLE>(h); }

D2xxApi MakeApi(HMODULE m) {
  D2xxApi api;
  if (auto f = Entry<FnOpenEx>(m, "FT_OpenEx")) {
    api.OpenEx = [f](const char* arg, std::uint32_t flags, FtHandle* out) {
      FT_HANDLE h = nullptr;
      const FT_STATUS s = f(const_cast<char*>(arg), flags, &h);
      *out = reinterpret_cast<FtHandle>(h);
      return static_cast<FtStatus>(s);
    };
  }
  if (auto f = Entry<FnSetBaudRate>(m, "FT_SetBaudRate")) {
    api.SetBaudRate = [f](FtHandle h, std::uint32_t baud) { return static_cast<FtStatus>(f(ToHandle(h), baud)); };
  }
  if (auto f = Entry<FnSetDataCharacteristics>(m, "FT_SetDataCharacteristics")) {
    api.SetDataCharacteristics = [f](FtHandle h, std::uint8_t w, std::uint8_t s, std::uint8_t p) {
      return static_cast<FtStatus>(f(ToHandle(h), w, s, p));
    };
  }
  if (auto f = Entry<FnPurge>(m, "FT_Purge")) {
    api.Purge = [f](FtHandle h, std::uint32_t mask) { return static_cast<FtStatus>(f(ToHandle(h), mask)); };
  }
  if (auto f = Entry<FnGetQueueStatus>(m, "FT_GetQueueStatus")) {
    api.GetQueueStatus = [f](FtHandle h, std::uint32_t* n) {
      DWORD count = 0;
      const FT_STATUS s = f(ToHandle(h), &count);
      *n = count;
      return static_cast<FtStatus>(s);
    };
  }
  if (auto f = Entry<FnRead>(m, "FT_Read")) {
    api.Read = [f](FtHandle h, void* buf, std::uint32_t len, std::uint32_t* read) {
      DWORD count = 0;
      const FT_STATUS s = f(ToHandle(h), buf, len, &count);
      *read = count;
      return static_cast<FtStatus>(s);
    };
  }
  if (auto f = Entry<FnWrite>(m, "FT_Write")) {
    api.Write = [f](FtHandle h, const void* buf, std::uint32_t len, std::uint32_t* written) {
      DWORD count = 0;
      const FT_STATUS s = f(ToHandle(h), const_cast<void*>(buf), len, &count);
      *written = count;
      return static_cast<FtStatus>(s);
    };
  }
  if (auto f = Entry<FnClose>(m, "FT_Close")) {
    api.Close = [f](FtHandle h) { return static_cast<FtStatus>(f(ToHandle(h))); };
  }
  // Not every D2XX-style library has the chip's calls; the link does without.
  if (auto f = Entry<FnSetChars>(m, "FT_SetChars")) {
    api.SetChars = [f](FtHandle h, std::uint8_t event, std::uint8_t eventOn, std::uint8_t error, std::uint8_t errorOn) {
      return static_cast<FtStatus>(f(ToHandle(h), event, eventOn, error, errorOn));
    };
  }
  if (auto f = Entry<FnSetLatencyTimer>(m, "FT_SetLatencyTimer")) {
    api.SetLatencyTimer = [f](FtHandle h, std::uint8_t ms) { return static_cast<FtStatus>(f(ToHandle(h), ms)); };
  }
  if (auto f = Entry<FnSetEventNotification>(m, "FT_SetEventNotification")) {
    api.SetEventNotification = [f](FtHandle h, std::uint32_t mask, void* event) {
      return static_cast<FtStatus>(f(ToHandle(h), mask, event));
    };
  }
  return api;
}

}  // namespace

const D2xxApi* LoadD2xxLibrary() {
  // Kept for the life of the process once found: the link may hold a device
  // handle of it at any time.
  static HMODULE module = nullptr;
  static D2xxApi api;
  if (!module) {
    // Beside the driver or in the system folder, where the vendor's
    // installer puts it; a copy in the current folder or on PATH is no
    // panel library of ours.
    module = wincommon::LoadLibraryFromAppOrSystem(L"FNTD2XX.dll");
    if (!module) return nullptr;
    api = MakeApi(module);
  }
  return &api;
}

}  // namespace orvanta::win
