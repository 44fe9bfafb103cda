#pragma once
// What the driver's forms share: controls made from a table in twips, the
// Japanese user-interface font, placement over the owner, the modal loop,
// double-buffered drawing of an owner-drawn picture box.
#include <windows.h>

#include <string>

#include "wincommon/Handles.h"

namespace orvanta::win {

// One control of a form, positioned in twips.
struct ControlSpec {
  WORD id;
  const wchar_t* cls;
  const wchar_t* text;
  DWORD style;
  DWORD exStyle;
  int left, top, width, height;
};

// Creates the controls of a table as children of parent at the given DPI,
// each with the font; false when one cannot be made.
[[nodiscard]] bool CreateControls(HWND parent, const ControlSpec* specs, size_t count, int dpi, HFONT font);
template <size_t N>
[[nodiscard]] bool CreateControls(HWND parent, const ControlSpec (&specs)[N], int dpi, HFONT font) {
  return CreateControls(parent, specs, N, dpi, font);
}

// A gothic face that draws Japanese at the given size in points: the
// Windows UI face where it exists, else a Japanese face the system has
// (under Wine the IPA fonts that fontconfig supplies).
[[nodiscard]] wincommon::GdiObject MakeJapaneseUiFont(int points, int dpi, bool bold = false);

// Where a window of this size goes: centred on the owner when it is on
// screen, else on the work area (the driver's main window, for one, is
// hidden).
[[nodiscard]] POINT CentredOrigin(HWND owner, int width, int height);

// A form's own modal loop, until its window is gone. Dialog keys go to the
// form, and the poll tick keeps coming through the tick hand-over. A WM_QUIT
// (the driver ending) is handed on to the outer loop.
void RunModalLoop(HWND form);

// Paints into an off-screen bitmap of the item's size and copies it in one
// piece, so a 500 ms blink does not flicker.
class BufferedPaint {
public:
  BufferedPaint(HDC target, const RECT& rect);
  ~BufferedPaint();
  BufferedPaint(const BufferedPaint&) = delete;
  BufferedPaint& operator=(const BufferedPaint&) = delete;
  [[nodiscard]] HDC dc() const { return memory_ ? memory_.get() : target_; }

private:
  HDC target_;
  RECT rect_;
  wincommon::MemoryDc memory_;
  wincommon::GdiObject bitmap_;
  HGDIOBJ old_ = nullptr;
};

void SetText(HWND control, const std::wstring& text);

}  // namespace orvanta::win
