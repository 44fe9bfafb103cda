#include "InfoLayout.h"

namespace orvanta {

namespace {

// num / 100 to the nearest whole number, halves away from zero. The corner
// positions are fractions of the screen; the forms kept positions in whole
// twips, so they are rounded once here.
std::int64_t Percent(std::int64_t num) { return num >= 0 ? (num + 50) / 100 : -((-num + 50) / 100); }

constexpr OutlineOffset kOutline[8] = {{0, 1}, {1, 1}, {1, 0}, {1, -1}, {0, -1}, {-1, -1}, {-1, 0}, {-1, 1}};

}  // namespace

TwipPoint PlaceWindow(std::int32_t notifyMsgPos, std::int64_t screenW, std::int64_t screenH, std::int64_t w,
                      std::int64_t h) {
  const std::int64_t nearLeft = Percent(5 * screenW);
  const std::int64_t nearTop = Percent(5 * screenH);
  const std::int64_t farLeft = Percent(95 * screenW - 100 * w);
  const std::int64_t farTop = Percent(95 * screenH - 100 * h);
  switch (notifyMsgPos) {
    case 1: return {nearLeft, nearTop};
    case 2: return {farLeft, nearTop};
    case 3: return {farLeft, farTop};
    case 4: return {nearLeft, farTop};
    default:
      // Integer halving drops the fraction toward zero, so a window wider
      // than the screen sits half its overhang off the left edge.
      return {(screenW - w) / 2, (screenH - h) / 2};
  }
}

OutlineOffset OutlineOffsetFor(int index) {
  if (index < 0 || index >= 8) return {0, 0};
  return kOutline[index];
}

std::int32_t EffectiveTimeout(std::int32_t timeOut, std::int32_t notifyMsg) {
  return timeOut < 0 ? notifyMsg : timeOut;
}

}  // namespace orvanta
