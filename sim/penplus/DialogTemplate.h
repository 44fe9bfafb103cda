#pragma once
// A dialog template built in memory, for CreateDialogIndirectParamW and
// DialogBoxIndirectParamW: windows made this way really are of the dialog
// class "#32770", which is what other programs search for.
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace penplus {

class DialogTemplate {
public:
  // Predefined control classes, as the template stores them (0xFFFF, atom).
  static constexpr WORD kButton = 0x0080;
  static constexpr WORD kStatic = 0x0082;

  // Sizes are dialog units. With DS_SETFONT in the style, the font follows
  // the title.
  DialogTemplate(DWORD style, const std::wstring& title, short width, short height, WORD pointSize = 9,
                 const wchar_t* font = L"MS UI Gothic") {
    PutDword(style);
    PutDword(0);  // extended style
    PutWord(0);   // item count, raised by AddItem
    PutWord(0);   // x
    PutWord(0);   // y
    PutWord(static_cast<WORD>(width));
    PutWord(static_cast<WORD>(height));
    PutWord(0);  // no menu
    PutWord(0);  // the dialog class
    PutString(title);
    if (style & DS_SETFONT) {
      PutWord(pointSize);
      PutString(font);
    }
  }

  void AddItem(DWORD style, short x, short y, short width, short height, WORD id, WORD classAtom,
               const std::wstring& text) {
    // Every item starts on a DWORD boundary from the template's start.
    if (words_.size() % 2 != 0) PutWord(0);
    PutDword(style);
    PutDword(0);
    PutWord(static_cast<WORD>(x));
    PutWord(static_cast<WORD>(y));
    PutWord(static_cast<WORD>(width));
    PutWord(static_cast<WORD>(height));
    PutWord(id);
    PutWord(0xFFFF);
    PutWord(classAtom);
    PutString(text);
    PutWord(0);  // no creation data
    ++words_[kCountIndex];
  }

  // Valid until the template is changed or destroyed. The vector's storage
  // comes from operator new and so is aligned for the DWORDs in it.
  [[nodiscard]] const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
  static constexpr std::size_t kCountIndex = 4;  // cdit follows the two DWORDs

  void PutWord(WORD w) { words_.push_back(w); }
  void PutDword(DWORD d) {
    PutWord(LOWORD(d));
    PutWord(HIWORD(d));
  }
  void PutString(const std::wstring& s) {
    for (const wchar_t c : s) PutWord(static_cast<WORD>(c));
    PutWord(0);
  }

  std::vector<WORD> words_;
};

}  // namespace penplus
