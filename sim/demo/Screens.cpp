#include "Screens.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "DemoSupport.h"
#include "wincommon/Files.h"

namespace demo {

namespace {

std::wstring EnvFolder(const wchar_t* name) {
  wchar_t buf[MAX_PATH] = {};
  const DWORD n = ::GetEnvironmentVariableW(name, buf, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::wstring(buf, n) : std::wstring();
}

std::string Geometry(const RECT& r) {
  return std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top) + "+" + std::to_string(r.left) +
         "+" + std::to_string(r.top);
}

}  // namespace

Screens::Screens(std::wstring fallbackFolder) : handOver_(EnvFolder(L"ORVANTA_SHOTS")), fallback_(std::move(fallbackFolder)) {}

std::optional<ScreenPicture> Screens::Take(const std::wstring& name, const RECT* crop, bool checkOnly) {
  const RECT screen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  RECT keep = screen;
  if (crop) ::IntersectRect(&keep, crop, &screen);
  if (handOver_.empty()) {
    ::CreateDirectoryW(fallback_.c_str(), nullptr);
    const std::wstring file = fallback_ + L"\\" + name + L".bmp";
    if (!SaveScreenshot(file)) return std::nullopt;
    auto picture = ReadBmp(file);
    if (checkOnly) ::DeleteFileW(file.c_str());
    return picture;
  }
  const std::wstring base = handOver_ + L"\\" + name;
  ::DeleteFileW((base + L".done").c_str());
  if (!wincommon::WriteFileBytes(base + L".ready", Geometry(keep) + (checkOnly ? "\ncheck\n" : "\n"))) return std::nullopt;
  const bool done = simcommon::WaitUntil(
      [&] { return ::GetFileAttributesW((base + L".done").c_str()) != INVALID_FILE_ATTRIBUTES; },
      std::chrono::seconds(30));
  if (!done) return std::nullopt;
  return ReadBmp(base + L".bmp");
}

std::wstring Screens::Describe(const std::wstring& name) const {
  return handOver_.empty() ? fallback_ + L"\\" + name + L".bmp" : name + L".png";
}

std::optional<ScreenPicture> ReadBmp(const std::wstring& file) {
  const std::string bytes = wincommon::ReadFileBytes(file);
  BITMAPFILEHEADER fh{};
  BITMAPINFOHEADER ih{};
  if (bytes.size() < sizeof(fh) + sizeof(ih)) return std::nullopt;
  std::memcpy(&fh, bytes.data(), sizeof(fh));
  std::memcpy(&ih, bytes.data() + sizeof(fh), sizeof(ih));
  if (fh.bfType != 0x4D42 || ih.biBitCount != 24 || ih.biCompression != BI_RGB || ih.biWidth <= 0) return std::nullopt;
  ScreenPicture p;
  p.width = ih.biWidth;
  p.height = std::abs(ih.biHeight);
  const std::size_t stride = (static_cast<std::size_t>(p.width) * 3 + 3) & ~std::size_t{3};
  if (fh.bfOffBits + stride * p.height > bytes.size()) return std::nullopt;
  p.bgr.resize(static_cast<std::size_t>(p.width) * p.height * 3);
  for (int y = 0; y < p.height; ++y) {
    const int row = ih.biHeight > 0 ? p.height - 1 - y : y;
    std::memcpy(&p.bgr[static_cast<std::size_t>(y) * p.width * 3], bytes.data() + fh.bfOffBits + stride * row,
                static_cast<std::size_t>(p.width) * 3);
  }
  return p;
}

bool ShowsIn(const ScreenPicture& before, const ScreenPicture& after, const RECT& area) {
  if (before.width != after.width || before.height != after.height) return false;
  const int left = std::max<int>(area.left, 0), top = std::max<int>(area.top, 0);
  const int right = std::min<int>(area.right, after.width), bottom = std::min<int>(area.bottom, after.height);
  if (right <= left || bottom <= top) return false;
  long changed = 0;
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      const std::uint8_t* a = before.At(x, y);
      const std::uint8_t* b = after.At(x, y);
      if (std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]) > 60) ++changed;
    }
  }
  // The label alone (white on its outline) covers far more than this; a
  // picture without the window changes a few stray pixels at most.
  const long area_px = static_cast<long>(right - left) * (bottom - top);
  return changed >= std::max(50L, area_px / 100);
}

}  // namespace demo
