#include "Harness.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cwchar>

#include "identities/WindowIdentities.h"
#include "wincommon/Com.h"
#include "wincommon/Files.h"
#include "wincommon/Text.h"

namespace harness {

namespace {

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW fd;
  const HANDLE find = ::FindFirstFileW(Join(path, L"*").c_str(), &fd);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring full = Join(path, name);
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(full);
      } else {
        ::SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(full.c_str());
      }
    } while (::FindNextFileW(find, &fd));
    ::FindClose(find);
  }
  ::RemoveDirectoryW(path.c_str());
}

// The folder and every missing one above it.
void MakeFolders(const std::wstring& path) { ::SHCreateDirectoryExW(nullptr, path.c_str(), nullptr); }

std::wstring Sanitize(std::wstring name) {
  for (auto& c : name) {
    if (c != 0 && std::wcschr(L"/\\:*?<>|", c)) c = L'_';
  }
  return name;
}

}  // namespace

std::wstring BinDir() {
  // Built on Linux and run under Wine, the build folder is a Unix path that
  // Wine maps through drive Z:; built on Windows it is a Windows path
  // (CMake writes it with forward slashes).
  std::wstring path = wincommon::Utf8ToWide(ORVANTA_BIN_DIR);
  if (!path.empty() && path.front() == L'/') path = L"Z:" + path;
  for (auto& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

std::wstring Join(const std::wstring& folder, const std::wstring& name) {
  if (folder.empty()) return name;
  if (folder.back() == L'\\') return folder + name;
  return folder + L"\\" + name;
}

TestFolder::TestFolder(const std::wstring& name) {
  std::wstring leaf = name;
  if (leaf.empty()) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    leaf = info ? wincommon::Utf8ToWide(std::string(info->test_suite_name()) + "." + info->name()) : L"test";
  }
  path_ = Join(Join(BinDir(), L"e2e"), Sanitize(leaf));
  RemoveTree(path_);
  MakeFolders(path_);
}

bool TestFolder::CopyFromBin(const std::wstring& relative) const {
  const std::wstring to = File(relative);
  const auto slash = to.find_last_of(L'\\');
  MakeFolders(to.substr(0, slash));
  return ::CopyFileW(Join(BinDir(), relative).c_str(), to.c_str(), FALSE) != FALSE;
}

void TestFolder::InstallDriver(bool withPanelLibrary) const {
  EXPECT_TRUE(CopyFromBin(L"Orvanta.exe"));
  EXPECT_TRUE(CopyFromBin(L"Orvanta.wav"));
  EXPECT_TRUE(CopyFromBin(L"Data\\QV-LK2048.def"));
  if (withPanelLibrary) {
    EXPECT_TRUE(CopyFromBin(L"FNTD2XX.dll"));
  }
}

bool TestFolder::WriteText(const std::wstring& relative, const std::string& bytes) const {
  const std::wstring to = File(relative);
  MakeFolders(to.substr(0, to.find_last_of(L'\\')));
  return wincommon::WriteFileBytes(to, bytes);
}

std::string TestFolder::ReadText(const std::wstring& relative) const { return wincommon::ReadFileBytes(File(relative)); }

bool TestFolder::Exists(const std::wstring& relative) const {
  return ::GetFileAttributesW(File(relative).c_str()) != INVALID_FILE_ATTRIBUTES;
}

Process::~Process() { Kill(); }

bool Process::Launch(const std::wstring& exe, const std::wstring& args, const std::wstring& workDir, DWORD flags) {
  std::wstring cmd = L"\"" + exe + L"\"";
  if (!args.empty()) cmd += L" " + args;
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, flags, nullptr,
                        workDir.empty() ? nullptr : workDir.c_str(), &si, &pi)) {
    return false;
  }
  thread_.reset(pi.hThread);
  process_.reset(pi.hProcess);
  pid_ = pi.dwProcessId;
  return true;
}

bool Process::Start(const std::wstring& exe, const std::wstring& args, const std::wstring& workDir) {
  if (!Launch(exe, args, workDir, 0)) return false;
  // Let the child reach its message loop before tests talk to it.
  ::WaitForInputIdle(process_.get(), 10000);
  return true;
}

bool Process::StartSuspended(const std::wstring& exe, const std::wstring& args, const std::wstring& workDir) {
  return Launch(exe, args, workDir, CREATE_SUSPENDED);
}

void Process::Resume() {
  if (thread_) ::ResumeThread(thread_.get());
}

bool Process::Running() const {
  return process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

bool Process::WaitExit(std::chrono::milliseconds timeout) {
  if (!process_) return true;
  return WaitUntil([this] { return !Running(); }, timeout);
}

DWORD Process::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (process_) ::GetExitCodeProcess(process_.get(), &code);
  return code;
}

void Process::Kill() {
  if (Running()) {
    ::TerminateProcess(process_.get(), 1);
    ::WaitForSingleObject(process_.get(), 5000);
  }
}

bool StartTouchData(const TestFolder& folder, Process& process, const std::wstring& args) {
  using namespace orvanta::identity;
  return folder.CopyFromBin(L"TouchDataSim.exe") &&
         process.Start(folder.File(L"TouchDataSim.exe"), args, folder.Path()) &&
         WaitForWindow(kFormClass, kTouchDataCaption, std::chrono::seconds(5)) != nullptr;
}

bool WaitUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    if (pred()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return pred();
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
}

void PumpFor(std::chrono::milliseconds duration) {
  WaitUntil([] { return false; }, duration);
}

HWND WaitForWindow(const wchar_t* cls, const wchar_t* title, std::chrono::milliseconds timeout) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = ::FindWindowW(cls, title)) != nullptr; }, timeout);
  return found;
}

namespace {

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lp) {
  reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
  return TRUE;
}

}  // namespace

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> out;
  ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&out));
  return out;
}

std::vector<HWND> ChildWindows(HWND parent) {
  std::vector<HWND> out;
  ::EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&out));
  return out;
}

std::vector<HWND> ChildWindows(HWND parent, const wchar_t* cls) {
  std::vector<HWND> out;
  for (const HWND h : ChildWindows(parent)) {
    if (_wcsicmp(ClassOf(h).c_str(), cls) == 0) out.push_back(h);
  }
  return out;
}

std::vector<std::wstring> ChildTexts(HWND parent, const wchar_t* cls) {
  std::vector<std::wstring> out;
  for (const HWND h : ChildWindows(parent, cls)) out.push_back(WindowText(h));
  return out;
}

HWND Button(HWND parent, const wchar_t* caption) { return ::FindWindowExW(parent, nullptr, L"Button", caption); }

void Click(HWND parent, const wchar_t* caption) {
  const HWND button = Button(parent, caption);
  ASSERT_NE(button, nullptr) << wincommon::WideToUtf8(caption);
  ::PostMessageW(parent, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(button), BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

std::vector<HWND> WindowsOfProcess(DWORD pid, const wchar_t* cls, bool visibleOnly) {
  std::vector<HWND> out;
  for (const HWND h : TopLevelWindows()) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(h, &owner);
    if (owner == pid && (!visibleOnly || ::IsWindowVisible(h)) && (!cls || ClassOf(h) == cls)) out.push_back(h);
  }
  return out;
}

std::wstring WindowText(HWND hwnd) {
  wchar_t buf[1024] = {};
  ::GetWindowTextW(hwnd, buf, 1024);
  return buf;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t buf[256] = {};
  ::GetClassNameW(hwnd, buf, 256);
  return buf;
}

std::string IniRead(const std::wstring& file, const char* section, const char* key, const char* def) {
  char buf[1024] = {};
  ::GetPrivateProfileStringA(section, key, def, buf, sizeof(buf), wincommon::WideToAnsi(file).c_str());
  return buf;
}

bool MakeShortcut(const std::wstring& lnk, const std::wstring& target) {
  const wincommon::ComScope com;
  wincommon::ComPtr<IShellLinkW> link;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void()))) {
    return false;
  }
  wincommon::ComPtr<IPersistFile> file;
  return SUCCEEDED(link->SetPath(target.c_str())) &&
         SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.put_void())) &&
         SUCCEEDED(file->Save(lnk.c_str(), TRUE));
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::string line;
  for (const char c : text + "\n") {
    if (c == '\n') {
      if (!line.empty()) out.push_back(line);
      line.clear();
    } else if (c != '\r') {
      line += c;
    }
  }
  return out;
}

bool PoseForScreenshot(const wchar_t* name, HWND window) {
  wchar_t shots[MAX_PATH] = {};
  if (::GetEnvironmentVariableW(L"ORVANTA_SHOTS", shots, MAX_PATH) == 0) return false;
  RECT r{};
  ::GetWindowRect(window, &r);
  const std::string geometry = std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top) + "+" +
                               std::to_string(std::max(0L, static_cast<long>(r.left))) + "+" +
                               std::to_string(std::max(0L, static_cast<long>(r.top)));
  const std::wstring base = Join(shots, name);
  return wincommon::WriteFileBytes(base + L".ready", geometry) &&
         WaitUntil([&] { return ::GetFileAttributesW((base + L".done").c_str()) != INVALID_FILE_ATTRIBUTES; },
                   std::chrono::seconds(60));
}

}  // namespace harness
