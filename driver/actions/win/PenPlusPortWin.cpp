#include "PenPlusPortWin.h"

#include <shlobj.h>

#include <cwchar>
#include <string>
#include <vector>

#include "base/win/AnsiText.h"
#include "wincommon/Text.h"

namespace orvanta::win {

namespace {

HWND H(PenPlusPort::WindowId id) { return reinterpret_cast<HWND>(id); }
PenPlusPort::WindowId Id(HWND h) { return reinterpret_cast<PenPlusPort::WindowId>(h); }

// Texts and class names are read with a 255-character buffer.
constexpr int kTextBuffer = 256;

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lp) {
  reinterpret_cast<std::vector<PenPlusPort::WindowId>*>(lp)->push_back(Id(hwnd));
  return TRUE;
}

// The atom of a window class, which is what the window manager compares
// classes by: "#32770" is the integer atom 32770 itself; another class's
// atom is read from a window of that class (0: there is none).
ATOM ClassAtom(const std::wstring& cls) {
  if (cls.size() > 1 && cls[0] == L'#') return static_cast<ATOM>(std::wcstoul(cls.c_str() + 1, nullptr, 10));
  const HWND any = ::FindWindowExW(nullptr, nullptr, cls.c_str(), nullptr);
  return any ? static_cast<ATOM>(::GetClassWord(any, GCW_ATOM)) : 0;
}

// Entries the Start Menu search does not look at: hidden ones (the system's
// own desktop.ini, folders a user hid) and system ones.
constexpr DWORD kSkippedEntries = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// A folder's own files, then each sub-folder's in the same way. folder ends
// with "\". Links back up the tree (junctions) are not followed, and the
// depth is bounded, so a strange Start Menu cannot keep the driver searching
// for ever.
void CollectFiles(const std::wstring& folder, bool recursive, int depth, std::vector<AnsiString>& out) {
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW((folder + L"*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  std::vector<std::wstring> folders;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L".." || (data.dwFileAttributes & kSkippedEntries) != 0) continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) folders.push_back(folder + name + L"\\");
    } else {
      out.push_back(ToAnsi(folder + name));
    }
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
  if (!recursive || depth >= 16) return;
  for (const auto& sub : folders) CollectFiles(sub, true, depth + 1, out);
}

}  // namespace

// Both lists are taken by the window manager in one piece. Stepping from
// window to window instead (FindWindowEx from the previous one, GW_HWNDNEXT)
// loses the rest of the list when the window it stands on closes, and skips
// windows when one changes its place in the z-order meanwhile; with other
// programs opening and closing windows, a press could then go missing.
std::vector<PenPlusPort::WindowId> PenPlusPortWin::TopLevelWindows(const std::string& className) {
  std::vector<WindowId> all;
  ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&all));
  if (className.empty()) return all;
  // One question per window: the class atom (a class name takes two under
  // Wine, the atom and then its name).
  const ATOM atom = ClassAtom(wincommon::Utf8ToWide(className));
  std::vector<WindowId> found;
  if (atom == 0) return found;
  for (const WindowId w : all) {
    if (::GetClassWord(H(w), GCW_ATOM) == atom) found.push_back(w);
  }
  return found;
}

PenPlusPort::WindowId PenPlusPortWin::FirstUntitled(const std::string& className) {
  // The window manager lists the windows of the class and compares their
  // texts in the one call. (Windows compares the text ignoring case, which
  // does not matter for an empty one.)
  return Id(::FindWindowExW(nullptr, nullptr, wincommon::Utf8ToWide(className).c_str(), L""));
}

std::vector<PenPlusPort::WindowId> PenPlusPortWin::Descendants(WindowId parent) {
  // Windows lists the children top of the z-order first, each followed by
  // its own children. (Under Wine the listing itself asks two questions per
  // window, as it checks each and lists its children in turn.)
  std::vector<WindowId> out;
  ::EnumChildWindows(H(parent), CollectWindow, reinterpret_cast<LPARAM>(&out));
  return out;
}

PenPlusPort::WindowId PenPlusPortWin::Parent(WindowId window) { return Id(::GetAncestor(H(window), GA_PARENT)); }

std::string PenPlusPortWin::Text(WindowId window) {
  // For a window of another process this reads the stored text without
  // sending it a message, so a hung PenPlus cannot block the search.
  wchar_t text[kTextBuffer] = {};
  ::GetWindowTextW(H(window), text, kTextBuffer);
  return wincommon::WideToUtf8(text);  // up to the first NUL
}

std::string PenPlusPortWin::ClassName(WindowId window) {
  wchar_t cls[kTextBuffer] = {};
  ::GetClassNameW(H(window), cls, kTextBuffer);
  return wincommon::WideToUtf8(cls);
}

PenPlusPort::WindowId PenPlusPortWin::Owner(WindowId window) { return Id(::GetWindow(H(window), GW_OWNER)); }

bool PenPlusPortWin::IsVisible(WindowId window) { return ::IsWindowVisible(H(window)) != FALSE; }

bool PenPlusPortWin::HasVisibleStyle(WindowId window) {
  return (::GetWindowLongW(H(window), GWL_STYLE) & WS_VISIBLE) != 0;
}

bool PenPlusPortWin::IsEnabled(WindowId window) { return ::IsWindowEnabled(H(window)) != FALSE; }

std::uint32_t PenPlusPortWin::ExStyle(WindowId window) {
  return static_cast<std::uint32_t>(::GetWindowLongW(H(window), GWL_EXSTYLE));
}

std::uint32_t PenPlusPortWin::ProcessId(WindowId window) {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(H(window), &pid);
  return pid;
}

PenPlusPort::SendResult PenPlusPortWin::Click(WindowId button) {
  // Sent, not posted: the next step looks for what the press opened. The
  // time-out keeps a hung PenPlus from freezing the driver's only thread;
  // SMTO_ABORTIFHUNG gives up at once on a program the system already knows
  // is hung, so after the first time-out further presses cost nothing. No
  // SMTO_BLOCK, so messages sent to the driver meanwhile are answered.
  // (On Windows a button of an inactive dialog may ignore BM_CLICK; PenPlus's
  // tool bar buttons take it, as its own mouse clicks arrive the same way.)
  //
  // A press that times out before PenPlus took it is withdrawn by the system
  // and never arrives; one that PenPlus took and is still carrying out runs
  // to its end. Windows and Wine alike.
  //
  // A PenPlus running with higher rights than the driver does not get the
  // press (Windows' isolation of integrity levels): the last error is then
  // "access denied", whatever the call returns. Wine has no integrity levels
  // and never drops a message; the rule is ClickOutcome's. The function does
  // not always set the last error, so it is cleared first.
  DWORD_PTR result = 0;
  ::SetLastError(ERROR_SUCCESS);
  const bool sent =
      ::SendMessageTimeoutW(H(button), BM_CLICK, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, clickTimeoutMs_, &result) != 0;
  const DWORD error = ::GetLastError();
  return ClickOutcome(sent, error, sent || ::IsWindow(H(button)) != FALSE);
}

void PenPlusPortWin::PostCommand(WindowId window, std::uint16_t command) {
  ::PostMessageW(H(window), WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

void PenPlusPortWin::PostClose(WindowId window) { ::PostMessageW(H(window), WM_CLOSE, 0, 0); }

void PenPlusPortWin::SetOwner(WindowId window, WindowId owner) {
  ::SetWindowLongPtrW(H(window), GWLP_HWNDPARENT, static_cast<LONG_PTR>(owner));
}

void PenPlusPortWin::MakeTopMost(WindowId window) {
  // SWP_ASYNCWINDOWPOS: the window belongs to PenPlus's thread, and a
  // synchronous change would wait for that thread to answer.
  ::SetWindowPos(H(window), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_ASYNCWINDOWPOS);
}

void PenPlusPortWin::Beep() { ::MessageBeep(MB_OK); }

void PenPlusPortWin::BringForwardAndFlash(WindowId window) {
  ::SetForegroundWindow(H(window));
  FLASHWINFO flash{sizeof(FLASHWINFO), H(window), FLASHW_CAPTION | FLASHW_TRAY, 3, 70};
  ::FlashWindowEx(&flash);
}

void PenPlusPortWin::Sleep(std::uint32_t ms) {
  // The driver's own touch handling and timers wait, as every wait for
  // PenPlus blocks the driver's thread; only paint messages are taken from
  // the queue, so that a notification such as "starting the pen software" is
  // drawn while the driver waits. Messages other programs send to the driver
  // may still be answered here (Wine does, whatever the PM_QS flags say),
  // the driver's close request among them: see Cancel.
  const ULONGLONG deadline = ::GetTickCount64() + ms;
  while (!cancelled_) {
    MSG msg;
    for (int i = 0; i < 16 && ::PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE | PM_QS_PAINT); ++i) {
      ::DispatchMessageW(&msg);
    }
    const ULONGLONG now = ::GetTickCount64();
    if (now >= deadline) return;
    ::MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(deadline - now), QS_PAINT, 0);
  }
}

AnsiString PenPlusPortWin::CommonStartMenuFolder() {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_COMMON_STARTMENU, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
  return ToAnsi(path);
}

std::vector<AnsiString> PenPlusPortWin::ListFiles(const AnsiString& path, bool recursive) {
  std::vector<AnsiString> out;
  if (path.empty()) return out;
  // The trailing "\" is looked for in UTF-16: under code page 932 the last
  // byte of a name such as "ソ" is a backslash too.
  std::wstring folder = ToWide(path);
  const DWORD attributes = ::GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return out;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    out.push_back(path);
    return out;
  }
  if (folder.back() != L'\\') folder += L'\\';
  CollectFiles(folder, recursive, 0, out);
  return out;
}

}  // namespace orvanta::win
