#include "actions/InfoLayout.h"

#include <gtest/gtest.h>

namespace orvanta {
namespace {

struct PlaceCase {
  std::int32_t pos;
  std::int64_t screenW, screenH, w, h;
  std::int64_t left, top;
};

class PlaceWindowTest : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(PlaceWindowTest, CornersKeepFivePercentMarginsAndCentreHalvesTheRest) {
  const PlaceCase& c = GetParam();
  const TwipPoint p = PlaceWindow(c.pos, c.screenW, c.screenH, c.w, c.h);
  EXPECT_EQ(p.left, c.left) << "pos " << c.pos;
  EXPECT_EQ(p.top, c.top) << "pos " << c.pos;
}

// 1280 x 960 pixels at 15 twips each: 19200 x 14400 twips.
INSTANTIATE_TEST_SUITE_P(
    Positions, PlaceWindowTest,
    ::testing::Values(PlaceCase{1, 19200, 14400, 3000, 1000, 960, 720},
                      PlaceCase{2, 19200, 14400, 3000, 1000, 15240, 720},
                      PlaceCase{3, 19200, 14400, 3000, 1000, 15240, 12680},
                      PlaceCase{4, 19200, 14400, 3000, 1000, 960, 12680},
                      PlaceCase{0, 19200, 14400, 3000, 1000, 8100, 6700},
                      PlaceCase{7, 19200, 14400, 3000, 1000, 8100, 6700},
                      PlaceCase{-1, 19200, 14400, 3000, 1000, 8100, 6700},
                      PlaceCase{5, 19200, 14400, 3000, 1000, 8100, 6700},
                      // Odd remainders: the half twip is dropped.
                      PlaceCase{0, 19201, 14401, 3000, 1000, 8100, 6700},
                      // A window larger than the screen: halved toward zero.
                      PlaceCase{0, 1000, 1000, 1201, 1203, -100, -101},
                      // Fractions of a twip round to the nearest, halves away from zero.
                      PlaceCase{1, 19210, 14390, 0, 0, 961, 720},
                      PlaceCase{2, 19210, 14410, 3000, 1000, 15250, 721},
                      PlaceCase{3, 1000, 1000, 2000, 2000, -1050, -1050}));

struct OutlineCase {
  int index;
  int dx;
  int dy;
};

class OutlineOffsetTest : public ::testing::TestWithParam<OutlineCase> {};

TEST_P(OutlineOffsetTest, EightNeighboursClockwiseFromBelow) {
  const OutlineOffset o = OutlineOffsetFor(GetParam().index);
  EXPECT_EQ(o.dx, GetParam().dx);
  EXPECT_EQ(o.dy, GetParam().dy);
}

INSTANTIATE_TEST_SUITE_P(Table, OutlineOffsetTest,
                         ::testing::Values(OutlineCase{0, 0, 1}, OutlineCase{1, 1, 1}, OutlineCase{2, 1, 0},
                                           OutlineCase{3, 1, -1}, OutlineCase{4, 0, -1}, OutlineCase{5, -1, -1},
                                           OutlineCase{6, -1, 0}, OutlineCase{7, -1, 1}, OutlineCase{8, 0, 0},
                                           OutlineCase{-1, 0, 0}));

struct TimeoutCase {
  std::int32_t timeOut;
  std::int32_t notifyMsg;
  std::int32_t expected;
};

class EffectiveTimeoutTest : public ::testing::TestWithParam<TimeoutCase> {};

TEST_P(EffectiveTimeoutTest, NegativeMeansTheConfiguredTime) {
  EXPECT_EQ(EffectiveTimeout(GetParam().timeOut, GetParam().notifyMsg), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, EffectiveTimeoutTest,
                         ::testing::Values(TimeoutCase{-1, 3000, 3000}, TimeoutCase{-500, 2000, 2000},
                                           TimeoutCase{0, 3000, 0}, TimeoutCase{1500, 3000, 1500}));

}  // namespace
}  // namespace orvanta
