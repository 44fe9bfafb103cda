#pragma once
// Pictures of the screen as a person sees it, and the check that a window's
// pixels are really in one.
//
// Under Wine a screen copy leaves layered windows out (the notification is
// one), so there the X server's own picture is taken: with ORVANTA_SHOTS
// naming a hand-over folder, the program writes NAME.ready there (the crop
// geometry "WxH+X+Y", and "check" when the picture is only for a check) and
// waits for NAME.done; tools/take_screenshots.sh captures the X screen in
// between, keeping NAME.png in its output folder and leaving the whole
// screen as NAME.bmp in the hand-over folder. Without ORVANTA_SHOTS (on
// Windows) the program copies the screen itself, with CAPTUREBLT, into
// fallbackFolder\NAME.bmp.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace demo {

struct ScreenPicture {
  int width = 0, height = 0;
  std::vector<std::uint8_t> bgr;  // top-down rows, 3 bytes a pixel, no padding

  [[nodiscard]] const std::uint8_t* At(int x, int y) const { return &bgr[(static_cast<std::size_t>(y) * width + x) * 3]; }
};

class Screens {
public:
  explicit Screens(std::wstring fallbackFolder);

  // Takes the whole screen; crop is the part kept as the named picture
  // (whole screen when empty). Returns the whole screen for checks.
  std::optional<ScreenPicture> Take(const std::wstring& name, const RECT* crop = nullptr, bool checkOnly = false);
  // Where the named pictures go, as the user should be told.
  [[nodiscard]] std::wstring Describe(const std::wstring& name) const;

private:
  std::wstring handOver_;
  std::wstring fallback_;
};

// A 24-bit BMP file (bottom-up or top-down rows).
std::optional<ScreenPicture> ReadBmp(const std::wstring& file);

// True when the window's area differs clearly between the two pictures:
// enough of its pixels changed to tell a drawn window from noise.
bool ShowsIn(const ScreenPicture& before, const ScreenPicture& after, const RECT& area);

}  // namespace demo
