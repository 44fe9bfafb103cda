#pragma once
// Pictures of the button resources, decoded from a record's bytes by the OLE
// picture loader (bitmap, JPEG, GIF, icon, metafile; no PNG).
#include <windows.h>
#include <olectl.h>

#include <cstdint>
#include <vector>

#include "panel/ClassButtonRes.h"

namespace orvanta::win {

// Owns one IPicture reference.
class ButtonPicture {
public:
  ButtonPicture() = default;
  explicit ButtonPicture(IPicture* picture) : picture_(picture) {}
  ~ButtonPicture() { reset(); }
  ButtonPicture(const ButtonPicture&) = delete;
  ButtonPicture& operator=(const ButtonPicture&) = delete;
  ButtonPicture(ButtonPicture&& other) noexcept : picture_(other.picture_) { other.picture_ = nullptr; }
  ButtonPicture& operator=(ButtonPicture&& other) noexcept;

  [[nodiscard]] explicit operator bool() const { return picture_ != nullptr; }
  [[nodiscard]] IPicture* get() const { return picture_; }
  void reset();
  // Stretches the picture into the rectangle (device pixels); false without one.
  [[nodiscard]] bool Render(HDC dc, const RECT& rect) const;

private:
  IPicture* picture_ = nullptr;
};

// A new picture from the bytes, or none when they cannot be decoded.
[[nodiscard]] ButtonPicture LoadButtonPicture(const std::vector<std::uint8_t>& bytes);
// PicOfIndex and PicOfName of the resources: none after PicData_Dispose
// until the next Load, and none for a name the table does not hold.
[[nodiscard]] ButtonPicture PicOfIndex(const ClassButtonRes& res, std::int32_t index);
[[nodiscard]] inline ButtonPicture PicOfName(const ClassButtonRes& res, const AnsiString& name) {
  return PicOfIndex(res, res.IndexOf(name));
}

}  // namespace orvanta::win
