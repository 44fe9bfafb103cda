// Stand-in for ST6UNST.EXE, the installer's removal program, for tests only.
//
// Records each start as lines in a calls file (ORVANTA_ST6UNST_CALLS, else
// st6unst-calls.txt beside the program), UTF-8, one event per line:
//   args<TAB><the command line after the program name>
//   waited<TAB><pid><TAB>ended|timeout|noprocess     (only with "-w <pid>")
//   released                                          (only when holding)
//   end
// Like the real program, "-w <pid>" makes it wait for that process to end
// before it goes on: a caller that waits for this program while handing over
// deadlocks, as it would with the real one (here cut off after a minute).
// With ORVANTA_ST6UNST_RELEASE set to a file path it keeps running until that
// file exists, so that a caller that waits can be told from one that does not.
#include <windows.h>

#include <cwchar>
#include <string>

#include "wincommon/Handles.h"
#include "wincommon/Text.h"

namespace {

constexpr DWORD kLongest = 60000;

std::wstring Env(const wchar_t* name) {
  wchar_t buffer[32768] = {};
  const DWORD n = ::GetEnvironmentVariableW(name, buffer, 32768);
  return (n > 0 && n < 32768) ? std::wstring(buffer, n) : std::wstring();
}

std::wstring CallsFile() {
  std::wstring file = Env(L"ORVANTA_ST6UNST_CALLS");
  return file.empty() ? wincommon::ModuleFolder() + L"\\st6unst-calls.txt" : file;
}

void Record(const std::wstring& line) {
  wincommon::FileHandle file(::CreateFileW(CallsFile().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                           nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  const std::string bytes = wincommon::WideToUtf8(line + L"\r\n");
  DWORD written = 0;
  ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::wstring Arguments() {
  const wchar_t* p = ::GetCommandLineW();
  if (*p == L'"') {
    ++p;
    while (*p && *p != L'"') ++p;
    if (*p) ++p;
  } else {
    while (*p && *p != L' ' && *p != L'\t') ++p;
  }
  while (*p == L' ' || *p == L'\t') ++p;
  return p;
}

// The process id after " -w" (any letter case, any number of blanks), or 0.
DWORD WaitSwitchPid(const std::wstring& args) {
  for (std::size_t i = 0; i + 3 <= args.size(); ++i) {
    if (args[i] == L' ' && args[i + 1] == L'-' && (args[i + 2] == L'w' || args[i + 2] == L'W')) {
      std::size_t j = i + 3;
      while (j < args.size() && args[j] == L' ') ++j;
      return static_cast<DWORD>(std::wcstoul(args.c_str() + j, nullptr, 10));
    }
  }
  return 0;
}

void WaitForCaller(DWORD pid) {
  wincommon::KernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, pid));
  const wchar_t* result = L"noprocess";
  if (process) result = ::WaitForSingleObject(process.get(), kLongest) == WAIT_OBJECT_0 ? L"ended" : L"timeout";
  Record(L"waited\t" + std::to_wstring(pid) + L"\t" + result);
}

void HoldUntilReleased(const std::wstring& releaseFile) {
  for (DWORD waited = 0; waited < kLongest; waited += 50) {
    if (::GetFileAttributesW(releaseFile.c_str()) != INVALID_FILE_ATTRIBUTES) break;
    ::Sleep(50);
  }
  Record(L"released");
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const std::wstring args = Arguments();
  Record(L"args\t" + args);
  if (const DWORD pid = WaitSwitchPid(args)) WaitForCaller(pid);
  if (const std::wstring release = Env(L"ORVANTA_ST6UNST_RELEASE"); !release.empty()) HoldUntilReleased(release);
  Record(L"end");
  return 0;
}
