#pragma once
// The one window base: `this` is stored at WM_NCCREATE and cleared at
// WM_NCDESTROY; messages go to a few named handlers, everything else to the
// default procedure. Nothing thrown leaves the window procedure.
//
// A base destructor cannot reach the derived class's handlers (by the time it
// runs, the object is only a Window), so a window still alive then is
// destroyed without them. Owners destroy the window first: WindowPtr does it
// for objects on the heap; objects on the stack end their window themselves
// (a modal form is gone when its loop returns).
#include <windows.h>

#include <memory>
#include <string>
#include <utility>

namespace wincommon {

class Window {
public:
  Window() = default;
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  [[nodiscard]] HWND hwnd() const { return hwnd_; }

  // Registers the class once per process (a second registration of the same
  // name is taken as done) and creates the window.
  struct CreateArgs {
    const wchar_t* className = nullptr;
    const wchar_t* title = L"";
    DWORD style = WS_OVERLAPPEDWINDOW;
    DWORD exStyle = 0;
    int x = CW_USEDEFAULT, y = CW_USEDEFAULT, width = CW_USEDEFAULT, height = CW_USEDEFAULT;
    HWND parent = nullptr;
    HBRUSH background = nullptr;
    UINT classStyle = 0;
  };
  [[nodiscard]] bool Create(const CreateArgs& args);
  void Destroy();

protected:
  virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
  virtual void OnTimer(UINT_PTR /*id*/) {}
  virtual bool OnCommand(WORD /*id*/, WORD /*code*/, HWND /*control*/) { return false; }
  virtual bool OnPaint() { return false; }
  // Return true when the close was handled (the default destroys the window).
  virtual bool OnClose() { return false; }
  virtual void OnDestroy() {}
  LRESULT Default(UINT msg, WPARAM wp, LPARAM lp) { return ::DefWindowProcW(hwnd_, msg, wp, lp); }

private:
  static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  HWND hwnd_ = nullptr;
};

// Deletes a window object after destroying its window, while the derived
// object and its handlers (OnDestroy above all) are still whole.
struct DestroyWindowFirst {
  void operator()(Window* window) const noexcept {
    if (!window) return;
    window->Destroy();
    delete window;
  }
};
template <class T>
using WindowPtr = std::unique_ptr<T, DestroyWindowFirst>;
template <class T, class... Args>
[[nodiscard]] WindowPtr<T> MakeWindow(Args&&... args) {
  return WindowPtr<T>(new T(std::forward<Args>(args)...));
}

// Twips are the forms' design unit: 1440 to the inch.
[[nodiscard]] inline int TwipsToPixels(int twips, int dpi) { return ::MulDiv(twips, dpi, 1440); }
[[nodiscard]] inline int PixelsToTwips(int pixels, int dpi) { return ::MulDiv(pixels, 1440, dpi); }

// DPI. The screen's: the one the system draws at when it knows nothing of
// monitors. Per monitor and per window: what Windows 8.1 and 10 report for a
// program that declares itself per-monitor aware (each monitor has its own
// scale); looked up at run time, and the screen's where the calls are
// missing (Windows 7). Wine 8 gives every monitor the screen's DPI (its
// LogPixels setting) and never sends WM_DPICHANGED by itself.
[[nodiscard]] int ScreenDpi();
[[nodiscard]] int MonitorDpi(HMONITOR monitor);
[[nodiscard]] int WindowDpi(HWND window);
// The outer size of a window whose client area is clientWidth x clientHeight
// pixels, with its frame drawn at dpi.
[[nodiscard]] SIZE FrameSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, int dpi);

// Runs the message loop until WM_QUIT; returns its exit code.
int RunMessageLoop();

}  // namespace wincommon
