#include "LogTitle.h"

#include <gtest/gtest.h>

#include <string>

namespace orvanta::preuninstall {
namespace {

TEST(ReadLogTitleTest, FindsTheLastTitleLine) {
  const struct {
    const char* name;
    const wchar_t *log, *title;
  } cases[] = {
      {"Empty", L"", L""},
      {"NoConfigLine", L"ACTION: RegKey: \"x\"\r\nTitle: \"Alone\"\r\n", L""},
      {"ConfigWithoutTitle", L"CONFIG: AppPath: C:\\x\r\n", L""},
      {"Quoted", L"CONFIG: Title: \"Orvanta タッチパネル\"\r\n", L"Orvanta タッチパネル"},
      {"Unquoted", L"CONFIG: Title: Orvanta\r\n", L"Orvanta"},
      {"AnyLetterCase", L"config: TITLE:  \"Mixed\"  \n", L"Mixed"},
      {"LastWins", L"CONFIG: Title: \"First\"\r\nother\r\nCONFIG: Title: \"Second\"\r\n", L"Second"},
      {"LastWinsEvenWhenEmpty", L"CONFIG: Title: \"First\"\nCONFIG: Title:\n", L""},
      {"NoFinalLineEnd", L"x\r\nCONFIG: Title: \"End\"", L"End"},
      {"BareCarriageReturns", L"CONFIG: Title: A\rCONFIG: Title: B\r", L"B"},
      {"TitleBeforeConfigOnLine", L"Title: Before CONFIG: x\n", L"Before CONFIG: x"},
      {"InnerQuotesKept", L"CONFIG: Title: \"a \"b\" c\"\n", L"a \"b\" c"},
      {"LoneQuote", L"CONFIG: Title: \"\n", L"\""},
      {"SplitAcrossLinesDoesNotCount", L"CONFIG:\nTitle: X\n", L""}};
  for (const auto& c : cases) EXPECT_EQ(ReadLogTitle(c.log), c.title) << c.name;
}

}  // namespace
}  // namespace orvanta::preuninstall
