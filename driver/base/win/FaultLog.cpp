#include "FaultLog.h"

#include <windows.h>

#include <cwchar>
#include <iterator>

#include "wincommon/Handles.h"
#include "wincommon/Text.h"

namespace orvanta::win {

namespace {

std::wstring TextToWide(const std::string& text) {
  if (text.empty()) return {};
  const int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0);
  if (n <= 0) return wincommon::AnsiToWide(text);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

std::wstring LocalTimeText() {
  SYSTEMTIME t;
  ::GetLocalTime(&t);
  wchar_t text[32];
  std::swprintf(text, std::size(text), L"%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth, t.wDay, t.wHour,
                t.wMinute, t.wSecond, t.wMilliseconds);
  return text;
}

void AppendLine(const std::wstring& path, const std::string& line) {
  wincommon::FileHandle file(
      ::CreateFileW(path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  LARGE_INTEGER size{};
  if (::GetFileSizeEx(file.get(), &size) &&
      static_cast<std::uint64_t>(size.QuadPart) + line.size() > FaultLog::kMaxBytes) {
    file.reset(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
  }
  DWORD written = 0;
  (void)::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace

void FaultLog::Record(const std::string& what) const noexcept {
  try {
    const std::wstring text = TextToWide(what);
    ::OutputDebugStringW((L"Orvanta: " + text + L"\n").c_str());
    AppendLine(path_, wincommon::WideToUtf8(LocalTimeText() + L" " + text) + "\r\n");
  } catch (...) {
    // Out of memory for a line of text: the fault goes unrecorded rather
    // than take the driver down.
  }
}

}  // namespace orvanta::win
