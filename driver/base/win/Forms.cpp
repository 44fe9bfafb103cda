#include "Forms.h"

#include <vector>

#include "wincommon/Window.h"

namespace orvanta::win {

namespace {

// Proportional faces first; the Windows names, then the IPA fonts under the
// names Wine lists them by (Japanese ones in a Japanese locale).
constexpr const wchar_t* kFaces[] = {L"MS UI Gothic", L"ＭＳ Ｐゴシック", L"MS PGothic", L"IPA Pゴシック",
                                     L"IPAPGothic", L"IPAゴシック", L"IPAGothic"};

int CALLBACK NoteFace(const LOGFONTW* lf, const TEXTMETRICW*, DWORD, LPARAM param) {
  reinterpret_cast<std::vector<std::wstring>*>(param)->push_back(lf->lfFaceName);
  return 1;
}

std::wstring ChooseFace() {
  LOGFONTW lf{};
  lf.lfCharSet = SHIFTJIS_CHARSET;
  std::vector<std::wstring> faces;
  {
    const wincommon::ScreenDc dc(::GetDC(nullptr));
    ::EnumFontFamiliesExW(dc.get(), &lf, &NoteFace, reinterpret_cast<LPARAM>(&faces), 0);
  }
  for (const wchar_t* face : kFaces) {
    for (const auto& have : faces) {
      if (have == face) return have;
    }
  }
  // Vertical faces ("@...") turn the text sideways.
  for (const auto& have : faces) {
    if (!have.empty() && have[0] != L'@') return have;
  }
  return L"MS UI Gothic";
}

}  // namespace

bool CreateControls(HWND parent, const ControlSpec* specs, size_t count, int dpi, HFONT font) {
  for (size_t i = 0; i < count; ++i) {
    const ControlSpec& c = specs[i];
    const int x = wincommon::TwipsToPixels(c.left, dpi);
    const int y = wincommon::TwipsToPixels(c.top, dpi);
    const int w = wincommon::TwipsToPixels(c.left + c.width, dpi) - x;
    const int h = wincommon::TwipsToPixels(c.top + c.height, dpi) - y;
    const HWND control = ::CreateWindowExW(c.exStyle, c.cls, c.text, WS_CHILD | WS_VISIBLE | c.style, x, y, w, h,
                                           parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(c.id)),
                                           ::GetModuleHandleW(nullptr), nullptr);
    if (!control) return false;
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  return true;
}

wincommon::GdiObject MakeJapaneseUiFont(int points, int dpi, bool bold) {
  static const std::wstring face = ChooseFace();
  LOGFONTW lf{};
  lf.lfHeight = -::MulDiv(points, dpi, 72);
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = SHIFTJIS_CHARSET;
  lf.lfQuality = DEFAULT_QUALITY;
  lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
  return wincommon::GdiObject(::CreateFontIndirectW(&lf));
}

BufferedPaint::BufferedPaint(HDC target, const RECT& rect) : target_(target), rect_(rect) {
  memory_.reset(::CreateCompatibleDC(target));
  if (memory_) bitmap_.reset(::CreateCompatibleBitmap(target, rect.right - rect.left, rect.bottom - rect.top));
  if (!bitmap_) {
    memory_.reset();
    return;
  }
  old_ = ::SelectObject(memory_.get(), bitmap_.get());
  ::SetWindowOrgEx(memory_.get(), rect.left, rect.top, nullptr);
}

BufferedPaint::~BufferedPaint() {
  if (!memory_) return;
  const HDC memory = memory_.get();
  ::SetWindowOrgEx(memory, 0, 0, nullptr);
  ::BitBlt(target_, rect_.left, rect_.top, rect_.right - rect_.left, rect_.bottom - rect_.top, memory, 0, 0, SRCCOPY);
  // The bitmap goes before the memory context (members in reverse order),
  // once it is no longer selected into it.
  ::SelectObject(memory, old_);
}

POINT CentredOrigin(HWND owner, int width, int height) {
  RECT area{};
  if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) {
    ::GetWindowRect(owner, &area);
  } else {
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  }
  return POINT{area.left + (area.right - area.left - width) / 2, area.top + (area.bottom - area.top - height) / 2};
}

void RunModalLoop(HWND form) {
  MSG msg;
  while (::IsWindow(form)) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (!::IsDialogMessageW(form, &msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
}

void SetText(HWND control, const std::wstring& text) {
  // An unchanged label is not set again: every set repaints it.
  const int n = ::GetWindowTextLengthW(control);
  std::wstring now(static_cast<size_t>(n) + 1, L'\0');
  ::GetWindowTextW(control, now.data(), n + 1);
  now.resize(static_cast<size_t>(n));
  if (now != text) ::SetWindowTextW(control, text.c_str());
}

}  // namespace orvanta::win
