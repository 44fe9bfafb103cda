#include "Harness.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cwchar>
#include <sstream>

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
  return simcommon::CopyDriverFiles(BinDir(), path_, withPanelLibrary).empty();
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

bool StartTouchData(const TestFolder& folder, Process& process, const std::wstring& args) {
  return folder.CopyFromBin(L"TouchDataSim.exe") &&
         simcommon::StartTouchData(folder.Path(), args, process, std::chrono::seconds(5));
}

HWND Button(HWND parent, const wchar_t* caption) { return ::FindWindowExW(parent, nullptr, L"Button", caption); }

void Click(HWND parent, const wchar_t* caption) {
  const HWND button = Button(parent, caption);
  ASSERT_NE(button, nullptr) << wincommon::WideToUtf8(caption);
  ::PostMessageW(parent, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(button), BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

std::string IniRead(const std::wstring& file, const char* section, const char* key, const char* def) {
  char buf[1024] = {};
  ::GetPrivateProfileStringA(section, key, def, buf, sizeof(buf), wincommon::WideToAnsi(file).c_str());
  return buf;
}

bool HasLabel(HWND parent, const std::wstring& text, bool part) {
  for (const auto& label : ChildTexts(parent, L"Static")) {
    if (part ? label.find(text) != std::wstring::npos : label == text) return true;
  }
  return false;
}

RECT WindowRect(HWND window) {
  RECT r{};
  ::GetWindowRect(window, &r);
  return r;
}

std::wstring ListViewText(HWND list, int row, int column) {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(list, &pid);
  const wincommon::KernelHandle process(
      ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
  constexpr int kChars = 512;
  auto* remote = static_cast<char*>(
      ::VirtualAllocEx(process.get(), nullptr, sizeof(LVITEMW) + kChars * sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE));
  if (!remote) return L"(no memory)";
  LVITEMW item{};
  item.iSubItem = column;
  item.cchTextMax = kChars;
  item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
  std::wstring text(kChars, L'\0');
  if (::WriteProcessMemory(process.get(), remote, &item, sizeof(item), nullptr)) {
    ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote));
    (void)::ReadProcessMemory(process.get(), item.pszText, text.data(), kChars * sizeof(wchar_t), nullptr);
  }
  ::VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE);
  text.resize(std::wcslen(text.c_str()));
  return text;
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
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) out.push_back(line);
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

}  // namespace

bool ProcessEnded(DWORD pid) {
  const wincommon::KernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, pid));
  return !process || ::WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0;
}

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

}  // namespace harness
