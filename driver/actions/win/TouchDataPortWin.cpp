#include "TouchDataPortWin.h"

#include "base/win/AnsiText.h"
#include "identities/WindowIdentities.h"
#include "wincommon/Text.h"

namespace orvanta::win {

TouchDataPort::WindowId TouchDataPortWin::FindLinkTextBox(const std::string& name) {
  // The caption is all full-width letters and an ideographic space. Searched
  // with the wide call it matches on every system; the ANSI call would need
  // the caption in code page 932 and finds nothing on a system whose ANSI
  // code page cannot spell it (the conversion turns it into question marks).
  HWND main = ::FindWindowW(identity::kFormClass, identity::kTouchDataCaption);
  if (!main) main = ::FindWindowW(identity::kFormClassOld, identity::kTouchDataCaption);
  if (!main) return 0;

  // The search compares the window name the box was created with, which the
  // touch-data program keeps whatever the box's contents.
  const std::wstring wideName = wincommon::Utf8ToWide(name);
  HWND box = ::FindWindowExW(main, nullptr, identity::kTextBoxClass, wideName.c_str());
  if (!box) box = ::FindWindowExW(main, nullptr, identity::kTextBoxClassOld, wideName.c_str());
  return reinterpret_cast<WindowId>(box);
}

bool TouchDataPortWin::SendLinkText(WindowId box, const std::string& text) {
  if (box == 0) return false;
  // The touch-data program reads its commands in the system's ANSI code page.
  const std::wstring wide = wincommon::Utf8ToWide(text);
  const AnsiString ansi = ToAnsi(wide);
  // Sent, not posted: the program must have acted on "TPNamedID=" before
  // "DATACHANG" arrives. The time-out keeps a hung touch-data program from
  // freezing the driver's only thread (and with it every touch) for ever;
  // SMTO_ABORTIFHUNG gives up at once on a program the system already knows
  // is hung. No SMTO_BLOCK: like a plain SendMessage, the driver answers
  // messages sent to it meanwhile, so a program that calls back into the
  // driver while it handles the text does not deadlock until the time-out.
  DWORD_PTR result = 0;
  const LRESULT ok = ::SendMessageTimeoutA(reinterpret_cast<HWND>(box), WM_SETTEXT, wide.size(),
                                           reinterpret_cast<LPARAM>(ansi.bytes().c_str()),
                                           SMTO_NORMAL | SMTO_ABORTIFHUNG, sendTimeoutMs_, &result);
  return ok != 0 && result != 0;
}

}  // namespace orvanta::win
