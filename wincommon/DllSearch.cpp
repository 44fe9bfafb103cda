#include "DllSearch.h"

#include <string>

#include "Text.h"

namespace wincommon {

namespace {

// The search flags of LoadLibraryEx and SetDefaultDllDirectories, spelled out:
// older SDK headers declare them only for Windows 8 targets.
constexpr DWORD kSearchApplicationDir = 0x00000200;  // LOAD_LIBRARY_SEARCH_APPLICATION_DIR
constexpr DWORD kSearchSystem32 = 0x00000800;        // LOAD_LIBRARY_SEARCH_SYSTEM32

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

// Present exactly where LoadLibraryEx understands the search flags; a system
// without it fails a load that passes them (ERROR_INVALID_PARAMETER).
SetDefaultDllDirectoriesFn SetDefaultDllDirectoriesEntry() {
  const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  if (!kernel) return nullptr;
  return reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDefaultDllDirectories")));
}

std::wstring SystemFolder() {
  wchar_t path[MAX_PATH] = {};
  const UINT n = ::GetSystemDirectoryW(path, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::wstring(path, n) : std::wstring();
}

}  // namespace

void UseSafeDllSearch() {
  ::SetDllDirectoryW(L"");
  // The program's own folder is left out too: the one library the driver
  // takes from there is loaded by LoadLibraryFromAppOrSystem, and the folder
  // may be writable by the user (OrvantaUninst runs from it elevated).
  if (const auto setDefault = SetDefaultDllDirectoriesEntry()) setDefault(kSearchSystem32);
}

HMODULE LoadLibraryFromAppOrSystem(const wchar_t* fileName) {
  if (SetDefaultDllDirectoriesEntry()) {
    return ::LoadLibraryExW(fileName, nullptr, kSearchApplicationDir | kSearchSystem32);
  }
  // Without the flags: full paths, which are never searched; the library's
  // own imports are then looked for in its folder first.
  for (const std::wstring& folder : {ModuleFolder(), SystemFolder()}) {
    if (folder.empty()) continue;
    const std::wstring path = folder + L"\\" + fileName;
    if (const HMODULE module = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)) return module;
  }
  return nullptr;
}

HMODULE LoadSystemLibrary(const wchar_t* fileName) {
  const std::wstring folder = SystemFolder();
  if (folder.empty()) return nullptr;
  return ::LoadLibraryExW((folder + L"\\" + fileName).c_str(), nullptr, 0);
}

}  // namespace wincommon
