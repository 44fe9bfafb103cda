#include "actions/InfoLayout.h"

#include <gtest/gtest.h>

namespace orvanta {
namespace {

// 1280 x 960 pixels at 15 twips each: 19200 x 14400 twips.
TEST(PlaceWindowTest, CornersKeepFivePercentMarginsAndCentreHalvesTheRest) {
  const struct {
    std::int32_t pos;
    std::int64_t screenW, screenH, w, h;
    std::int64_t left, top;
  } cases[] = {
      {1, 19200, 14400, 3000, 1000, 960, 720},    {2, 19200, 14400, 3000, 1000, 15240, 720},
      {3, 19200, 14400, 3000, 1000, 15240, 12680}, {4, 19200, 14400, 3000, 1000, 960, 12680},
      {0, 19200, 14400, 3000, 1000, 8100, 6700},  {7, 19200, 14400, 3000, 1000, 8100, 6700},
      {-1, 19200, 14400, 3000, 1000, 8100, 6700}, {5, 19200, 14400, 3000, 1000, 8100, 6700},
      // Odd remainders: the half twip is dropped.
      {0, 19201, 14401, 3000, 1000, 8100, 6700},
      // A window larger than the screen: halved toward zero.
      {0, 1000, 1000, 1201, 1203, -100, -101},
      // Fractions of a twip round to the nearest, halves away from zero.
      {1, 19210, 14390, 0, 0, 961, 720}, {2, 19210, 14410, 3000, 1000, 15250, 721},
      {3, 1000, 1000, 2000, 2000, -1050, -1050}};
  for (const auto& c : cases) {
    const TwipPoint p = PlaceWindow(c.pos, c.screenW, c.screenH, c.w, c.h);
    EXPECT_EQ(p.left, c.left) << "pos " << c.pos << ", case " << &c - cases;
    EXPECT_EQ(p.top, c.top) << "pos " << c.pos << ", case " << &c - cases;
  }
}

}  // namespace
}  // namespace orvanta
