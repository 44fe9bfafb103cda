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

bool TestFolder::InstallDriver(bool withPanelLibrary) const {
  return CopyFromBin(L"Orvanta.exe") && CopyFromBin(L"Orvanta.wav") && CopyFromBin(L"Data\\QV-LK2048.def") &&
         (!withPanelLibrary || CopyFromBin(L"FNTD2XX.dll"));
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

std::vector<HWND> Boxes(DWORD pid) { return WindowsOfProcess(pid, kDialogClass); }

namespace {

std::wstring BoxText(HWND box) {
  std::wstring text;
  for (const auto& part : ChildTexts(box, L"Static")) text += part;
  return text;
}

bool ProcessEnded(DWORD pid) {
  const wincommon::KernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, pid));
  return !process || ::WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0;
}

}  // namespace

Box WaitForBox(DWORD pid, std::chrono::milliseconds timeout, const wchar_t* title) {
  Box box;
  WaitUntil(
      [&] {
        for (const HWND h : Boxes(pid)) {
          if (!box.hwnd && (!title || WindowText(h) == title)) box.hwnd = h;
        }
        return box.hwnd != nullptr || ProcessEnded(pid);
      },
      timeout);
  if (!box.hwnd) return box;
  // The text is set while the box is built; wait until it is there.
  WaitUntil([&] { return !BoxText(box.hwnd).empty(); }, std::chrono::seconds(5));
  box.title = WindowText(box.hwnd);
  box.text = BoxText(box.hwnd);
  // The default button is the one with the default push-button style (Wine's
  // box answers DM_GETDEFID with its template's IDOK whatever the flags say).
  for (const int id : {IDOK, IDYES, IDNO}) {
    const HWND button = ::GetDlgItem(box.hwnd, id);
    if (button && (::GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) box.defaultId = id;
  }
  GUITHREADINFO gui{};
  gui.cbSize = sizeof(gui);
  if (::GetGUIThreadInfo(::GetWindowThreadProcessId(box.hwnd, nullptr), &gui) && gui.hwndFocus) {
    box.focusId = ::GetDlgCtrlID(gui.hwndFocus);
  }
  return box;
}

bool Answer(const Box& box, int id, std::chrono::milliseconds timeout) {
  const HWND button = ::GetDlgItem(box.hwnd, id);
  if (!button) return false;
  ::PostMessageW(box.hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
  return WaitUntil([&] { return !::IsWindow(box.hwnd); }, timeout);
}

int Drawing::RunDown(int x, int y, std::uint32_t colour) const {
  int n = 0;
  while (y + n < height && At(x, y + n) == colour) ++n;
  return n;
}

int Drawing::RunRight(int x, int y, std::uint32_t colour) const {
  int n = 0;
  while (x + n < width && At(x + n, y) == colour) ++n;
  return n;
}

Drawing Draw(int width, int height, const std::function<void(HDC)>& paint) {
  Drawing d;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const wincommon::ScreenDc screen(::GetDC(nullptr));
  const wincommon::GdiObject dib(::CreateDIBSection(screen.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  const wincommon::MemoryDc mem(::CreateCompatibleDC(screen.get()));
  if (width <= 0 || height <= 0 || !dib || !bits || !mem) return d;
  const HGDIOBJ old = ::SelectObject(mem.get(), dib.get());
  auto* px = static_cast<std::uint32_t*>(bits);
  std::fill(px, px + static_cast<size_t>(width) * height, Drawing::kUnpainted);
  paint(mem.get());
  ::GdiFlush();
  d.width = width;
  d.height = height;
  d.pixels.assign(px, px + static_cast<size_t>(width) * height);
  ::SelectObject(mem.get(), old);
  return d;
}

Drawing PrintClient(HWND window) {
  RECT client{};
  ::GetClientRect(window, &client);
  return Draw(client.right, client.bottom, [&](HDC dc) {
    ::SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  });
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
