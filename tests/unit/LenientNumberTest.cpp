#include "base/LenientNumber.h"

#include <gtest/gtest.h>

#include <limits>

namespace orvanta {
namespace {

struct NumberCase {
  const char* text;
  std::int32_t expected;
};

class LenientIntTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(LenientIntTest, ReadsLeadingNumber) {
  EXPECT_EQ(ReadLenientInt(GetParam().text), GetParam().expected) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Table, LenientIntTest,
    ::testing::Values(NumberCase{"350", 350}, NumberCase{"350ms", 350}, NumberCase{" 350 ms", 350},
                      NumberCase{"abc", 0}, NumberCase{"", 0}, NumberCase{"-1", -1}, NumberCase{"+7", 7},
                      NumberCase{"1 2 3", 123}, NumberCase{"\t4\n5", 45}, NumberCase{"2.5", 2},
                      NumberCase{"3.5", 4}, NumberCase{"-2.5", -2}, NumberCase{"0.5", 0}, NumberCase{"1.5", 2},
                      NumberCase{"2.4999", 2}, NumberCase{"1e3", 1000}, NumberCase{"1.5E2x", 150},
                      NumberCase{"1e", 1}, NumberCase{"1e+", 1}, NumberCase{".5", 0}, NumberCase{"5.", 5},
                      NumberCase{"-", 0}, NumberCase{".", 0}, NumberCase{"-.75", -1}, NumberCase{"0012", 12},
                      NumberCase{"1e30", std::numeric_limits<std::int32_t>::max()},
                      NumberCase{"-1e30", std::numeric_limits<std::int32_t>::min()},
                      NumberCase{"1e999", std::numeric_limits<std::int32_t>::max()},
                      NumberCase{"99999999999999999999", std::numeric_limits<std::int32_t>::max()},
                      NumberCase{"10, 20", 10}, NumberCase{"x12", 0}));

}  // namespace
}  // namespace orvanta
