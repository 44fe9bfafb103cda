#pragma once
// Layout arithmetic of the notification window, in twips.
#include <cstdint>

namespace orvanta {

struct TwipPoint {
  std::int64_t left = 0;
  std::int64_t top = 0;
};

// Where a window of w x h twips goes on a screen of W x H twips for the
// NotifyMsgPos value: 1 top left, 2 top right, 3 bottom right, 4 bottom left
// (5 % margins), anything else centred.
[[nodiscard]] TwipPoint PlaceWindow(std::int32_t notifyMsgPos, std::int64_t screenW, std::int64_t screenH,
                                    std::int64_t w, std::int64_t h);

// The eight one-pixel offsets of the black outline labels, index 0..7.
struct OutlineOffset {
  int dx;
  int dy;
};
[[nodiscard]] OutlineOffset OutlineOffsetFor(int index);

// The display time: negative TimeOut means the configured NotifyMsg time.
[[nodiscard]] std::int32_t EffectiveTimeout(std::int32_t timeOut, std::int32_t notifyMsg);

}  // namespace orvanta
