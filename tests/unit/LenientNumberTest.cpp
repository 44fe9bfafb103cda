#include "base/LenientNumber.h"

#include <gtest/gtest.h>

#include <limits>

namespace orvanta {
namespace {

TEST(LenientIntTest, ReadsTheLeadingNumberRoundedAndClamped) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  const struct {
    const char* text;
    std::int32_t expected;
  } cases[] = {{"350", 350},   {"350ms", 350},     {" 350 ms", 350}, {"abc", 0},      {"", 0},
               {"-1", -1},     {"+7", 7},          {"1 2 3", 123},   {"\t4\n5", 45},  {"2.5", 2},
               {"3.5", 4},     {"-2.5", -2},       {"0.5", 0},       {"1.5", 2},      {"2.4999", 2},
               {"1e3", 1000},  {"1.5E2x", 150},    {"1e", 1},        {"1e+", 1},      {".5", 0},
               {"5.", 5},      {"-", 0},           {".", 0},         {"-.75", -1},    {"0012", 12},
               {"1e30", kMax}, {"-1e30", kMin},    {"1e999", kMax},  {"10, 20", 10},  {"x12", 0},
               {"99999999999999999999", kMax}};
  for (const auto& c : cases) EXPECT_EQ(ReadLenientInt(c.text), c.expected) << '"' << c.text << '"';
}

}  // namespace
}  // namespace orvanta
