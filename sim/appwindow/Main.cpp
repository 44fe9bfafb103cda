// AppWindowStub: owns a hidden top-level window of class "ThunderRT6Main"
// titled "Orvanta", like the driver's application window, and answers
// WM_CLOSE according to its first argument:
//   close      closes the window and ends (exit code 7), like a healthy driver
//   hang [ms]  blocks inside WM_CLOSE (default 30000 ms), so a sender's
//              SendMessageTimeout runs out; the window stays
//   keep       answers WM_CLOSE at once but keeps its window
//   linger ms  closes the window, then keeps its process for ms more before
//              it ends (exit code 7), as the driver does while it joins its
//              threads: its files stay locked until then
// A further word keeps other programs from ending or watching it, as a
// driver of another user is kept from an over-the-shoulder elevation:
//   noterminate  no process may open it with the terminate right
//   sealed       no process may open it at all (not even to wait for it)
// It never ends with exit code 0 on its own, so an exit code of 0 means it was
// terminated from outside (the way OrvantaUninst ends a stuck driver).
// Events go to appwindow-events.txt beside the program: "ready <pid>",
// "WM_CLOSE". It gives up after two minutes (exit code 9) so that a failed
// test leaves nothing behind.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <cwchar>
#include <string>

#include "identities/WindowIdentities.h"
#include "wincommon/Handles.h"
#include "wincommon/Text.h"

namespace {

enum class Mode { Close, Hang, Keep, Linger };

constexpr UINT_PTR kGiveUpTimer = 1;
constexpr UINT kGiveUpMs = 120000;
constexpr int kClosedExitCode = 7;
constexpr int kGaveUpExitCode = 9;

struct Options {
  Mode mode = Mode::Close;
  DWORD hangMs = 30000;
  DWORD lingerMs = 0;
  // A security descriptor for the own process, or null.
  const wchar_t* guard = nullptr;
};
Options g_options;  // read-only after start-up

void Record(const std::string& line) {
  const std::wstring path = wincommon::ModuleFolder() + L"\\appwindow-events.txt";
  wincommon::FileHandle file(::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  const std::string bytes = line + "\r\n";
  DWORD written = 0;
  ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

Options ParseOptions(const wchar_t* args) {
  Options o;
  while (*args == L' ') ++args;
  if (std::wcsncmp(args, L"hang", 4) == 0) {
    o.mode = Mode::Hang;
    if (const unsigned long ms = std::wcstoul(args + 4, nullptr, 10)) o.hangMs = static_cast<DWORD>(ms);
  } else if (std::wcsncmp(args, L"linger", 6) == 0) {
    o.mode = Mode::Linger;
    o.lingerMs = static_cast<DWORD>(std::wcstoul(args + 6, nullptr, 10));
  } else if (std::wcsncmp(args, L"keep", 4) == 0) {
    o.mode = Mode::Keep;
  }
  // Everyone is denied the rights, and may open it for the rest; the owner
  // still reads and changes the rights (Windows grants that implicitly).
  if (std::wcsstr(args, L"noterminate")) o.guard = L"D:(D;;0x0001;;;WD)(A;;GA;;;WD)";
  if (std::wcsstr(args, L"sealed")) o.guard = L"D:(D;;GA;;;WD)";
  return o;
}

// The rights on this process as the options ask. Handles opened before (the
// starting test's own) keep their rights.
bool GuardProcess(const wchar_t* guard) {
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(guard, SDDL_REVISION_1, &sd, nullptr)) return false;
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL dacl = nullptr;
  const bool ok = ::GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted) &&
                  ::SetSecurityInfo(::GetCurrentProcess(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                    nullptr, dacl, nullptr) == ERROR_SUCCESS;
  ::LocalFree(sd);
  return ok;
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CLOSE:
      Record("WM_CLOSE");
      if (g_options.mode == Mode::Hang) {
        // Busy in the handler, as a driver stuck in a long action would be.
        ::Sleep(g_options.hangMs);
        return 0;
      }
      if (g_options.mode == Mode::Keep) return 0;
      ::DestroyWindow(hwnd);
      return 0;
    case WM_TIMER:
      if (wp == kGiveUpTimer) ::PostQuitMessage(kGaveUpExitCode);
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(kClosedExitCode);
      return 0;
    default:
      return ::DefWindowProcW(hwnd, msg, wp, lp);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR args, int) {
  g_options = ParseOptions(args);
  if (g_options.guard && !GuardProcess(g_options.guard)) return 4;
  WNDCLASSW wc{};
  wc.lpfnWndProc = WndProc;
  wc.hInstance = instance;
  wc.lpszClassName = orvanta::identity::kAppClass;
  if (!::RegisterClassW(&wc)) return 2;
  // Hidden, like the driver's application window.
  const HWND hwnd = ::CreateWindowExW(0, wc.lpszClassName, orvanta::identity::kDriverTitle, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                      instance, nullptr);
  if (!hwnd) return 3;
  ::SetTimer(hwnd, kGiveUpTimer, kGiveUpMs, nullptr);
  Record("ready " + std::to_string(::GetCurrentProcessId()));
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  if (g_options.mode == Mode::Linger && msg.wParam == kClosedExitCode) {
    Record("window gone");
    ::Sleep(g_options.lingerMs);
  }
  return static_cast<int>(msg.wParam);
}
