#include "LogTitle.h"

#include <gtest/gtest.h>

#include <string>

namespace orvanta::preuninstall {
namespace {

struct TitleCase {
  const char* name;
  const wchar_t* log;
  const wchar_t* title;
};
std::ostream& operator<<(std::ostream& os, const TitleCase& c) { return os << c.name; }

class ReadLogTitleTest : public ::testing::TestWithParam<TitleCase> {};
TEST_P(ReadLogTitleTest, FindsLastTitleLine) { EXPECT_EQ(ReadLogTitle(GetParam().log), GetParam().title); }

INSTANTIATE_TEST_SUITE_P(
    Table, ReadLogTitleTest,
    ::testing::Values(
        TitleCase{"Empty", L"", L""},
        TitleCase{"NoConfigLine", L"ACTION: RegKey: \"x\"\r\nTitle: \"Alone\"\r\n", L""},
        TitleCase{"ConfigWithoutTitle", L"CONFIG: AppPath: C:\\x\r\n", L""},
        TitleCase{"Quoted", L"CONFIG: Title: \"Orvanta タッチパネル\"\r\n", L"Orvanta タッチパネル"},
        TitleCase{"Unquoted", L"CONFIG: Title: Orvanta\r\n", L"Orvanta"},
        TitleCase{"AnyLetterCase", L"config: TITLE:  \"Mixed\"  \n", L"Mixed"},
        TitleCase{"LastWins", L"CONFIG: Title: \"First\"\r\nother\r\nCONFIG: Title: \"Second\"\r\n", L"Second"},
        TitleCase{"LastWinsEvenWhenEmpty", L"CONFIG: Title: \"First\"\nCONFIG: Title:\n", L""},
        TitleCase{"NoFinalLineEnd", L"x\r\nCONFIG: Title: \"End\"", L"End"},
        TitleCase{"BareCarriageReturns", L"CONFIG: Title: A\rCONFIG: Title: B\r", L"B"},
        TitleCase{"TitleBeforeConfigOnLine", L"Title: Before CONFIG: x\n", L"Before CONFIG: x"},
        TitleCase{"InnerQuotesKept", L"CONFIG: Title: \"a \"b\" c\"\n", L"a \"b\" c"},
        TitleCase{"LoneQuote", L"CONFIG: Title: \"\n", L"\""},
        TitleCase{"SplitAcrossLinesDoesNotCount", L"CONFIG:\nTitle: X\n", L""}),
    [](const ::testing::TestParamInfo<TitleCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace orvanta::preuninstall
