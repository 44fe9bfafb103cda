#include "Messages.h"

#include <gtest/gtest.h>

#include <string>

namespace orvanta::preuninstall {
namespace {

TEST(FillTitleTest, ReplacesEveryPlaceholder) {
  const struct {
    const wchar_t *text, *title, *expected;
  } cases[] = {{L"", L"T", L""},         {L"no placeholder", L"T", L"no placeholder"},
               {L"|1 を削除しますか?", L"Orvanta", L"Orvanta を削除しますか?"},
               {L"|1 and |1", L"ab", L"ab and ab"}, {L"|1|1", L"", L""},
               {L"end |", L"T", L"end |"},   {L"|2 |11", L"T", L"|2 T1"},
               {L"||1", L"T", L"|T"},        {L"x|1y", L"|1", L"x|1y"}};
  for (const auto& c : cases) EXPECT_EQ(FillTitle(c.text, c.title), c.expected) << static_cast<int>(&c - cases);
}

constexpr const wchar_t* kOwn = L"C:\\Program Files\\Orvanta\\OrvaRmvr.exe";

TEST(IsOwnRegistrationTest, MatchesNameAndCommand) {
  const struct {
    const char* name;
    const wchar_t *key, *value;
    bool own;
  } cases[] = {
      {"Typical", L"ST6UNST #1",
       L"\"C:\\Program Files\\Orvanta\\OrvaRmvr.exe\" /u C:\\Windows\\ST6UNST.EXE -n x", true},
      {"LowerCaseKey", L"st6unst #12", L"C:\\Program Files\\Orvanta\\OrvaRmvr.exe", true},
      {"ValueCaseDiffers", L"ST6UNST #2", L"c:\\PROGRAM FILES\\orvanta\\orvarmvr.EXE /u", true},
      {"OtherProgram", L"ST6UNST #3", L"C:\\Program Files\\Other\\OrvaRmvr.exe", false},
      {"KeyWithoutHash", L"ST6UNST1", L"C:\\Program Files\\Orvanta\\OrvaRmvr.exe", false},
      {"KeyPrefixOnlyInside", L"x ST6UNST #1", L"C:\\Program Files\\Orvanta\\OrvaRmvr.exe", false},
      {"KeyTooShort", L"ST6UNST", L"C:\\Program Files\\Orvanta\\OrvaRmvr.exe", false},
      {"EmptyValue", L"ST6UNST #1", L"", false},
      {"UnrelatedValue", L"ST6UNST #1", L"x", false}};
  for (const auto& c : cases) EXPECT_EQ(IsOwnRegistration(c.key, c.value, kOwn), c.own) << c.name;
}

TEST(IsOwnRegistrationEdges, IgnoresTextAfterANulAndNeverMatchesAnEmptyOwnPath) {
  const std::wstring value = std::wstring(L"x", 1) + L'\0' + kOwn;
  EXPECT_FALSE(IsOwnRegistration(L"ST6UNST #1", value, kOwn));
  EXPECT_TRUE(IsOwnRegistration(L"ST6UNST #1", std::wstring(kOwn) + L'\0' + L"junk", kOwn));
  EXPECT_FALSE(IsOwnRegistration(L"ST6UNST #1", L"anything", L""));
}

}  // namespace
}  // namespace orvanta::preuninstall
