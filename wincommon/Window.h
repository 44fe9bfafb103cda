#pragma once
// The one window base: `this` is stored at WM_NCCREATE and cleared at
// WM_NCDESTROY; messages go to a few named handlers, everything else to the
// default procedure. Nothing thrown leaves the window procedure.
#include <windows.h>

#include <string>

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

// Twips are the forms' design unit: 1440 to the inch.
[[nodiscard]] inline int TwipsToPixels(int twips, int dpi) { return ::MulDiv(twips, dpi, 1440); }
[[nodiscard]] inline int PixelsToTwips(int pixels, int dpi) { return ::MulDiv(pixels, 1440, dpi); }
[[nodiscard]] int ScreenDpi();

// Runs the message loop until WM_QUIT; returns its exit code.
int RunMessageLoop();

}  // namespace wincommon
