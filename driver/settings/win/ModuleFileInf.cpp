#include "ModuleFileInf.h"

#include <windows.h>

#include <psapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstring>
#include <iterator>
#include <vector>

#include "base/win/AnsiText.h"
#include "wincommon/Com.h"
#include "wincommon/Handles.h"
#include "wincommon/Text.h"

namespace orvanta::win {

namespace {

// The file's whole version resource; empty when it has none.
std::vector<BYTE> VersionResource(const AnsiString& path) {
  const std::wstring wide = ToWide(path);
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(wide.c_str(), &ignored);
  if (size == 0) return {};
  // One byte more than asked for, as some resources end in a value that
  // runs to the very last byte.
  std::vector<BYTE> data(size + 1);
  if (!::GetFileVersionInfoW(wide.c_str(), 0, size, data.data())) return {};
  return data;
}

// Cut at the first NUL, or at `max` characters.
std::wstring Bounded(const wchar_t* text, std::size_t max) {
  std::size_t n = 0;
  while (n < max && text[n] != L'\0') ++n;
  return std::wstring(text, n);
}

AnsiString HotkeyText(WORD hotkey) {
  const BYTE key = LOBYTE(hotkey), mods = HIBYTE(hotkey);
  if (key == 0) return {};
  std::string text;
  if (mods & HOTKEYF_ALT) text += "Alt+";
  if (mods & HOTKEYF_CONTROL) text += "Ctrl+";
  if (mods & HOTKEYF_SHIFT) text += "Shift+";
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) {
    text += static_cast<char>(key);
  } else if (key >= VK_F1 && key <= VK_F24) {
    text += "F" + std::to_string(key - VK_F1 + 1);
  } else {
    text += std::to_string(key);
  }
  return AnsiString::FromAscii(text);
}

}  // namespace

AnsiString ModuleFileInf::GetFileVerInfo(const AnsiString& path, int item) {
  if (VerInfoKeyName(item).empty()) return {};
  std::vector<BYTE> data = VersionResource(path);
  if (data.empty()) return {};
  void* value = nullptr;
  UINT length = 0;
  if (!::VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &value, &length) || length < 4) return {};
  // Only the first translation: language, then code page.
  WORD translation[2];
  std::memcpy(translation, value, sizeof translation);
  const std::wstring query = wincommon::Utf8ToWide(VerInfoQuery(translation[0], translation[1], item));
  if (!::VerQueryValueW(data.data(), query.c_str(), &value, &length) || value == nullptr) return {};
  return ToAnsi(Bounded(static_cast<const wchar_t*>(value), length));
}

FixedFileVerInfo ModuleFileInf::GetFixedFileVerInfo(const AnsiString& path) {
  WIN32_FILE_ATTRIBUTE_DATA file;
  if (!::GetFileAttributesExW(ToWide(path).c_str(), GetFileExInfoStandard, &file)) return {};
  const std::uint64_t size = (std::uint64_t{file.nFileSizeHigh} << 32) | file.nFileSizeLow;
  const std::uint64_t written =
      (std::uint64_t{file.ftLastWriteTime.dwHighDateTime} << 32) | file.ftLastWriteTime.dwLowDateTime;
  if (path == cached_.path && size == cached_.size && written == cached_.written) return cached_.block;

  FixedFileVerInfo block;
  std::vector<BYTE> data = VersionResource(path);
  cached_ = CachedBlock{path, size, written, block};
  if (data.empty()) return block;
  void* value = nullptr;
  UINT length = 0;
  static_assert(sizeof(VS_FIXEDFILEINFO) == sizeof block.values, "13 values of 32 bits");
  if (::VerQueryValueW(data.data(), L"\\", &value, &length) && value && length >= sizeof(VS_FIXEDFILEINFO)) {
    std::memcpy(block.values.data(), value, sizeof block.values);
  }
  cached_.block = block;
  return block;
}

AnsiString ModuleFileInf::GetShortcutInfo(const AnsiString& shortcutPath, int property) {
  if (ShortcutPropertyName(property).empty()) return {};
  const wincommon::ComScope com;
  if (!com.Usable()) return {};
  wincommon::ComPtr<IShellLinkW> link;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void()))) {
    return {};
  }
  wincommon::ComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void()))) return {};
  const std::wstring wide = ToWide(shortcutPath);
  if (FAILED(file->Load(wide.c_str(), STGM_READ))) return {};

  wchar_t text[MAX_PATH * 2] = {};
  const int size = static_cast<int>(std::size(text));
  HRESULT hr = E_FAIL;
  switch (property) {
    case kLnkArguments: hr = link->GetArguments(text, size); break;
    case kLnkDescription: hr = link->GetDescription(text, size); break;
    case kLnkFullName: {
      const DWORD n = ::GetFullPathNameW(wide.c_str(), size, text, nullptr);
      hr = (n > 0 && n < static_cast<DWORD>(size)) ? S_OK : E_FAIL;
      break;
    }
    case kLnkHotkey: {
      WORD hotkey = 0;
      return SUCCEEDED(link->GetHotkey(&hotkey)) ? HotkeyText(hotkey) : AnsiString();
    }
    case kLnkIconLocation: {
      int index = 0;
      if (FAILED(link->GetIconLocation(text, size, &index))) return {};
      return ToAnsi(text) + "," + AnsiString::FromAscii(std::to_string(index));
    }
    case kLnkTargetPath: hr = link->GetPath(text, size, nullptr, 0); break;
    case kLnkWindowStyle: {
      int show = 0;
      return SUCCEEDED(link->GetShowCmd(&show)) ? AnsiString::FromAscii(std::to_string(show)) : AnsiString();
    }
    case kLnkWorkingDirectory: hr = link->GetWorkingDirectory(text, size); break;
    default: break;
  }
  // GetPath answers S_FALSE for a shortcut without a file target.
  if (hr != S_OK) return {};
  return ToAnsi(Bounded(text, std::size(text)));
}

AnsiString ModuleFileInf::GetProcessImagePath(std::uint32_t pid) {
  if (pid == 0) return {};
  wchar_t path[1024];
  // The limited query right is granted even for a program that runs with
  // higher rights, and the image name is one question to the system where
  // the main module's name is read out of the other process's memory.
  wincommon::KernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  DWORD n = static_cast<DWORD>(std::size(path));
  if (process && ::QueryFullProcessImageNameW(process.get(), 0, path, &n)) {
    return ToAnsi(std::wstring_view(path, n));
  }
  process.reset(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
  if (!process) return {};
  n = ::GetModuleFileNameExW(process.get(), nullptr, path, static_cast<DWORD>(std::size(path)));
  return n == 0 ? AnsiString() : ToAnsi(std::wstring_view(path, n));
}

bool ModuleFileInf::FileExists(const AnsiString& path) {
  if (path.empty()) return false;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(ToWide(path).c_str(), GetFileExInfoStandard, &data)) return false;
  return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace orvanta::win
