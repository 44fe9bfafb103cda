#include "PreUninstall.h"

#include <shellapi.h>

#include <vector>

#include "AppExit.h"
#include "wincommon/Text.h"

namespace orvanta::preuninstall {

namespace {

constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
// The removal program is 32-bit and writes its registrations into the 32-bit
// view (WOW6432Node on 64-bit Windows). Asked for explicitly, so that a build
// of either bitness reads the same keys; 32-bit Windows ignores the flag.
constexpr REGSAM kRegistrationView = KEY_WOW64_32KEY;
// A removal log is a few hundred lines; anything beyond this is not a log.
constexpr DWORD kMaxLogBytes = 16u << 20;

// The program has no window of its own: without MB_SETFOREGROUND its boxes can
// open behind the Control Panel window that started it.
constexpr UINT kBoxFlags = MB_SETFOREGROUND;

std::wstring Upper(std::wstring text) {
  // The system's case mapping, as the comparisons always used; ASCII-only
  // folding would miss full-width letters in a folder name.
  if (!text.empty()) ::CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

std::wstring ReadUninstallString(HKEY parent, const wchar_t* subKey) {
  HKEY raw = nullptr;
  // Query access only: the program never writes to the registry, and a
  // standard user cannot open HKLM keys for writing.
  if (::RegOpenKeyExW(parent, subKey, 0, KEY_QUERY_VALUE | kRegistrationView, &raw) != ERROR_SUCCESS) return {};
  wincommon::RegKey key(raw);
  DWORD type = 0;
  DWORD bytes = 0;
  if (::RegQueryValueExW(key.get(), L"UninstallString", nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return {};
  if ((type != REG_SZ && type != REG_EXPAND_SZ) || bytes > kMaxPathLength * sizeof(wchar_t) * 2) return {};
  // One spare unit: a stored string need not end with a NUL.
  std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
  DWORD size = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
  if (::RegQueryValueExW(key.get(), L"UninstallString", nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                         &size) != ERROR_SUCCESS) {
    return {};
  }
  return std::wstring(CutAtNul(std::wstring_view(buffer.data(), size / sizeof(wchar_t))));
}

std::wstring DecodeLog(const std::string& bytes) {
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return wincommon::Utf8ToWide(bytes.substr(3));
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    std::wstring text((bytes.size() - 2) / 2, L'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
      text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                     (static_cast<unsigned char>(bytes[3 + 2 * i]) << 8));
    }
    return text;
  }
  return wincommon::AnsiToWide(bytes);
}

}  // namespace

bool FileReadable(const std::wstring& path) {
  const std::wstring file = FileCheckPath(path);
  if (file.empty()) return false;
  wincommon::FileHandle handle(::CreateFileW(file.c_str(), GENERIC_READ,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return static_cast<bool>(handle);
}

std::optional<std::wstring> ReadLogText(const std::wstring& path) {
  wincommon::FileHandle handle(::CreateFileW(FileCheckPath(path).c_str(), GENERIC_READ,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle) return std::nullopt;
  std::string bytes;
  char chunk[64 * 1024];
  DWORD got = 0;
  // A read error ends the reading; what was read so far still counts.
  while (bytes.size() < kMaxLogBytes && ::ReadFile(handle.get(), chunk, sizeof(chunk), &got, nullptr) && got > 0) {
    bytes.append(chunk, got);
  }
  return DecodeLog(bytes);
}

RemovalMessages::RemovalMessages(const std::wstring& removalPath, std::wstring appTitle)
    : appTitle_(std::move(appTitle)) {
  // Loaded as a data file, not as a program module: its code never runs in
  // this process, and the delivered 32-bit program reads the strings of a
  // removal program of either bitness (a normal load of a module of the other
  // bitness fails).
  module_.reset(::LoadLibraryExW(FileCheckPath(removalPath).c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
}

std::wstring RemovalMessages::Text(MessageId id) const {
  if (!module_) return {};
  wchar_t buffer[1024] = {};
  const int n = ::LoadStringW(module_.get(), static_cast<UINT>(id), buffer, 1024);
  if (n <= 0) return {};
  return FillTitle(CutAtNul(std::wstring_view(buffer, static_cast<std::size_t>(n))), appTitle_);
}

int CountRegistrations(const std::wstring& ownFile) {
  HKEY raw = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_ENUMERATE_SUB_KEYS | kRegistrationView, &raw) !=
      ERROR_SUCCESS) {
    return 0;
  }
  wincommon::RegKey uninstall(raw);
  const std::wstring own = Upper(ownFile);
  int count = 0;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256] = {};
    DWORD length = 256;
    if (::RegEnumKeyExW(uninstall.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      break;
    }
    const std::wstring keyName(name, length);
    if (!IsRemovalRegistrationName(keyName)) continue;
    if (IsOwnRegistration(keyName, Upper(ReadUninstallString(uninstall.get(), name)), own)) ++count;
  }
  return count;
}

bool RunRemoval(const std::wstring& path, const std::wstring& parameters, bool wait) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpVerb = L"open";
  info.lpFile = path.c_str();
  info.lpParameters = parameters.c_str();
  info.lpDirectory = nullptr;
  info.nShow = SW_SHOWNORMAL;
  if (!::ShellExecuteExW(&info)) return false;
  wincommon::KernelHandle process(info.hProcess);
  if (wait && process) ::WaitForSingleObject(process.get(), INFINITE);
  return true;
}

void ShowFileNotFound() {
  wchar_t* text = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      ERROR_FILE_NOT_FOUND, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = n ? std::wstring(text, n) : std::wstring();
  if (text) ::LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r')) message.pop_back();
  ::MessageBoxW(nullptr, message.c_str(), kProgramName, MB_OK | MB_ICONEXCLAMATION | kBoxFlags);
}

void ShowFailure(ErrorCode code, const RemovalMessages* messages) {
  const std::wstring text =
      (messages && code != ErrorCode::FileNotFound) ? messages->Text(static_cast<MessageId>(code)) : std::wstring();
  if (text.empty()) {
    ShowFileNotFound();
    return;
  }
  const std::wstring title = messages->Text(MessageId::Title);
  ::MessageBoxW(nullptr, text.c_str(), title.c_str(), MB_OK | MB_ICONEXCLAMATION | kBoxFlags);
}

bool ConfirmAndRun(const UninstallCommand& cmd, const RemovalMessages& messages, bool* refused) {
  *refused = false;
  const std::wstring title = messages.Text(MessageId::Title);
  const int answer = ::MessageBoxW(nullptr, messages.Text(MessageId::Confirm).c_str(), title.c_str(),
                                   MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2 | kBoxFlags);
  if (answer != IDYES) {
    *refused = true;
    ::MessageBoxW(nullptr, messages.Text(MessageId::Cancelled).c_str(), title.c_str(),
                  MB_OK | MB_ICONEXCLAMATION | kBoxFlags);
    return true;
  }
  if (!StopRunningDriver()) return false;

  const int registrations = CountRegistrations(OwnFile(wincommon::ModulePath()));
  if (ShouldWait(registrations)) return RunRemoval(cmd.removalPath, cmd.waitingParameters, true);
  // Handed over: the removal program waits for this process to end before it
  // removes this program's own file, so this program must not wait for it.
  return RunRemoval(cmd.removalPath, HandingOverParameters(cmd.waitingParameters, ::GetCurrentProcessId()), false);
}

}  // namespace orvanta::preuninstall
