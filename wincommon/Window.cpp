#include "Window.h"

#include "Handles.h"

namespace wincommon {

Window::~Window() {
  if (!hwnd_) return;
  // Only this class is left of the object: the window's last messages go to
  // the default procedure instead of to handlers that no longer exist.
  const HWND window = hwnd_;
  ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  hwnd_ = nullptr;
  ::DestroyWindow(window);
}

bool Window::Create(const CreateArgs& args) {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  if (!::GetClassInfoExW(instance, args.className, &wc)) {
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof(wc);
    wc.style = args.classStyle;
    wc.lpfnWndProc = &Window::StaticWndProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = args.background ? args.background : reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = args.className;
    if (!::RegisterClassExW(&wc)) return false;
  }
  return ::CreateWindowExW(args.exStyle, args.className, args.title, args.style, args.x, args.y, args.width,
                           args.height, args.parent, nullptr, instance, this) != nullptr;
}

void Window::Destroy() {
  if (hwnd_) ::DestroyWindow(hwnd_);
}

LRESULT Window::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_TIMER:
      OnTimer(static_cast<UINT_PTR>(wp));
      return 0;
    case WM_COMMAND:
      if (OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp))) return 0;
      break;
    case WM_PAINT:
      if (OnPaint()) return 0;
      break;
    case WM_CLOSE:
      if (OnClose()) return 0;
      break;
    case WM_DESTROY:
      OnDestroy();
      return 0;
    default:
      break;
  }
  return Default(msg, wp, lp);
}

LRESULT CALLBACK Window::StaticWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Window* self = nullptr;
  if (msg == WM_NCCREATE) {
    self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
  LRESULT result = 0;
  try {
    result = self->HandleMessage(msg, wp, lp);
  } catch (...) {
    // Nothing thrown may cross into the system's dispatcher.
    result = ::DefWindowProcW(hwnd, msg, wp, lp);
  }
  if (msg == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
  }
  return result;
}

namespace {

// Windows 8.1 (shcore) and Windows 10 1607 (user32); missing before.
using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI

template <class Fn>
Fn Lookup(const wchar_t* dll, const char* name) {
  // user32 is always loaded; shcore is kept for the life of the process once
  // found, as the pointer into it is.
  HMODULE module = ::GetModuleHandleW(dll);
  if (!module) module = ::LoadLibraryW(dll);
  return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

int Sane(UINT dpi) { return dpi >= 48 && dpi <= 960 ? static_cast<int>(dpi) : 0; }

}  // namespace

int ScreenDpi() {
  const ScreenDc dc(::GetDC(nullptr));
  const int dpi = dc ? ::GetDeviceCaps(dc.get(), LOGPIXELSY) : 96;
  return dpi > 0 ? dpi : 96;
}

int MonitorDpi(HMONITOR monitor) {
  static const auto getDpiForMonitor = Lookup<GetDpiForMonitorFn>(L"shcore.dll", "GetDpiForMonitor");
  UINT x = 0, y = 0;
  if (monitor && getDpiForMonitor && SUCCEEDED(getDpiForMonitor(monitor, kEffectiveDpi, &x, &y)) && Sane(y)) {
    return Sane(y);
  }
  return ScreenDpi();
}

int WindowDpi(HWND window) {
  static const auto getDpiForWindow = Lookup<GetDpiForWindowFn>(L"user32.dll", "GetDpiForWindow");
  if (window && getDpiForWindow) {
    if (const int dpi = Sane(getDpiForWindow(window))) return dpi;
  }
  return MonitorDpi(window ? ::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST) : nullptr);
}

SIZE FrameSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, int dpi) {
  static const auto adjustForDpi =
      Lookup<AdjustWindowRectExForDpiFn>(L"user32.dll", "AdjustWindowRectExForDpi");
  RECT frame{0, 0, clientWidth, clientHeight};
  if (!adjustForDpi || !adjustForDpi(&frame, style, FALSE, exStyle, static_cast<UINT>(dpi))) {
    ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  }
  return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

int RunMessageLoop() {
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace wincommon
