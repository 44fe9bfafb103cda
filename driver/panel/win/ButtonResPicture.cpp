#include "ButtonResPicture.h"

#include <objbase.h>

#include <cstring>

namespace orvanta::win {

ButtonPicture& ButtonPicture::operator=(ButtonPicture&& other) noexcept {
  if (this != &other) {
    reset();
    picture_ = other.picture_;
    other.picture_ = nullptr;
  }
  return *this;
}

void ButtonPicture::reset() {
  if (picture_) picture_->Release();
  picture_ = nullptr;
}

bool ButtonPicture::Render(HDC dc, const RECT& rect) const {
  if (!picture_) return false;
  OLE_XSIZE_HIMETRIC width = 0;
  OLE_YSIZE_HIMETRIC height = 0;
  if (FAILED(picture_->get_Width(&width)) || FAILED(picture_->get_Height(&height))) return false;
  // HIMETRIC runs upwards: the source starts at the bottom edge with a
  // negative height, or the picture comes out upside down.
  return SUCCEEDED(picture_->Render(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, 0,
                                    height, width, -height, nullptr));
}

ButtonPicture LoadButtonPicture(const std::vector<std::uint8_t>& bytes) {
  if (bytes.empty()) return {};
  const HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!block) return {};
  void* p = ::GlobalLock(block);
  if (!p) {
    ::GlobalFree(block);
    return {};
  }
  std::memcpy(p, bytes.data(), bytes.size());
  ::GlobalUnlock(block);

  IStream* stream = nullptr;
  // The stream frees the block when it is released.
  if (FAILED(::CreateStreamOnHGlobal(block, TRUE, &stream)) || !stream) {
    ::GlobalFree(block);
    return {};
  }
  IPicture* picture = nullptr;
  const HRESULT hr = ::OleLoadPicture(stream, static_cast<LONG>(bytes.size()), FALSE, IID_IPicture,
                                      reinterpret_cast<void**>(&picture));
  stream->Release();
  if (FAILED(hr)) return {};
  return ButtonPicture(picture);
}

ButtonPicture PicOfIndex(const ClassButtonRes& res, std::int32_t index) {
  return LoadButtonPicture(res.PicDataOf(index));
}

}  // namespace orvanta::win
