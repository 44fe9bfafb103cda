#pragma once
// What the driver's forms share: the form base (controls from a table in
// twips, the Japanese user-interface font, placement over the owner, the
// modal loop, the keys of a dialog box, the owner given back, a new layout
// when the DPI changes), and double-buffered drawing of an owner-drawn
// picture box.
#include <windows.h>

#include <cstddef>
#include <string>

#include "wincommon/Handles.h"
#include "wincommon/Window.h"

namespace orvanta::win {

// One control of a form, positioned in twips. The table's order is the tab
// order, and a label stands right before the control it names (screen
// readers name a control by the label before it).
struct ControlSpec {
  WORD id;
  const wchar_t* cls;
  const wchar_t* text;
  DWORD style;
  DWORD exStyle;
  int left, top, width, height;
};

// A gothic face that draws Japanese at the given size in points: the
// Windows UI face where it exists, else a Japanese face the system has
// (under Wine the IPA fonts that fontconfig supplies).
[[nodiscard]] wincommon::GdiObject MakeJapaneseUiFont(int points, int dpi, bool bold = false);

// Keyboard messages of the driver's open forms go through IsDialogMessage, as
// a dialog box's do: Tab and Shift+Tab move through the controls, Enter
// presses the default button (the focused push button, else the form's own),
// Escape cancels, Alt with a letter takes a mnemonic. True when the message
// was taken and must not be dispatched again. Every message loop of the
// driver's thread asks this first; a modeless form has no loop of its own.
[[nodiscard]] bool IsFormKeyMessage(MSG& msg);

// The base of the driver's dialog-like forms: each holds only its design and
// what is its own.
class Form : public wincommon::Window {
public:
  struct Design {
    const wchar_t* className;
    DWORD style;
    DWORD exStyle;
    int clientWidth, clientHeight;  // twips
    const ControlSpec* controls;
    std::size_t controlCount;
    // Pressed by Enter while the focus is on no push button; 0: none.
    WORD defaultButton;
    int fontPoints;
  };

  ~Form() override;

  [[nodiscard]] int Dpi() const { return dpi_; }
  [[nodiscard]] HFONT Font() const { return static_cast<HFONT>(font_.get()); }

  // Brings the open form to the front, restored when it was minimised.
  void BringForward() const;
  // Returns once the form is gone, with blocked disabled meanwhile: a caller
  // that asked for this form modally while it was already open modeless waits
  // for it like for its own. Blocked is enabled again as the form goes.
  void WaitWhileOpen(HWND blocked);

protected:
  explicit Form(const Design& design) : design_(design) {}

  enum class Placement { CentredOnOwner, SystemDefault };
  // Creates the hidden window owned by owner, sized from the design at the
  // DPI of the monitor it goes to, with the font and the controls. False
  // when any part cannot be made; nothing is left then.
  [[nodiscard]] bool CreateForm(HWND owner, const std::wstring& caption,
                                Placement placement = Placement::CentredOnOwner);
  // Shows the form and brings it to the front. Modeless: returns at once.
  // Modal: the owner is disabled first, and this returns when the window is
  // gone; the object may be gone with it (the driver ended), so a caller
  // touches nothing of it afterwards.
  void ShowForm(bool modal, int show = SW_SHOW);
  // Ends the form as EndDialog ends a dialog box: the owner is enabled before
  // the window goes, or Windows hands the activation to another program's
  // window while the owner is still disabled.
  void EndForm();

  [[nodiscard]] HWND Item(WORD id) const { return ::GetDlgItem(hwnd(), id); }
  [[nodiscard]] int Px(int twips) const { return wincommon::TwipsToPixels(twips, dpi_); }

  // After a change of DPI the design's controls stand in their new places
  // with the new font; the form makes anew what is its own (other fonts,
  // column widths, pictures).
  virtual void OnDpiChanged() {}

  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  // Closing a form ends it; forms whose close means more (a cancel) say so.
  bool OnClose() override;

private:
  friend bool IsFormKeyMessage(MSG& msg);
  [[nodiscard]] bool TakeKey(MSG& msg);
  void RunModalLoop();
  void ApplyDpi(int dpi, const RECT* suggested);
  void GiveOwnerBack();
  void RestoreFocus();
  [[nodiscard]] WORD DefaultButtonNow() const;
  void ShowDefaultButton() const;

  Design design_;
  HWND owner_ = nullptr;
  bool ownerDisabled_ = false;
  int dpi_ = 96;
  wincommon::GdiObject font_;
  HWND lastFocus_ = nullptr;
};

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
