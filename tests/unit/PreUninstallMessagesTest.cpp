#include "Messages.h"

#include <gtest/gtest.h>

#include <string>

namespace orvanta::preuninstall {
namespace {

struct FillCase {
  const wchar_t* text;
  const wchar_t* title;
  const wchar_t* expected;
};
class FillTitleTest : public ::testing::TestWithParam<FillCase> {};
TEST_P(FillTitleTest, ReplacesEveryPlaceholder) {
  EXPECT_EQ(FillTitle(GetParam().text, GetParam().title), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(
    Table, FillTitleTest,
    ::testing::Values(FillCase{L"", L"T", L""}, FillCase{L"no placeholder", L"T", L"no placeholder"},
                      FillCase{L"|1 を削除しますか?", L"Orvanta", L"Orvanta を削除しますか?"},
                      FillCase{L"|1 and |1", L"ab", L"ab and ab"}, FillCase{L"|1|1", L"", L""},
                      FillCase{L"end |", L"T", L"end |"}, FillCase{L"|2 |11", L"T", L"|2 T1"},
                      FillCase{L"||1", L"T", L"|T"}, FillCase{L"x|1y", L"|1", L"x|1y"}));

struct CutCase {
  std::wstring in;
  std::wstring out;
};
class CutAtNulTest : public ::testing::TestWithParam<CutCase> {};
TEST_P(CutAtNulTest, EndsAtFirstNul) { EXPECT_EQ(std::wstring(CutAtNul(GetParam().in)), GetParam().out); }
INSTANTIATE_TEST_SUITE_P(Table, CutAtNulTest,
                         ::testing::Values(CutCase{L"", L""}, CutCase{L"abc", L"abc"},
                                           CutCase{std::wstring(L"ab\0cd", 5), L"ab"},
                                           CutCase{std::wstring(L"\0x", 2), L""}));

struct RegistrationCase {
  const char* name;
  const wchar_t* key;
  const wchar_t* value;
  bool own;
};
std::ostream& operator<<(std::ostream& os, const RegistrationCase& c) { return os << c.name; }
class IsOwnRegistrationTest : public ::testing::TestWithParam<RegistrationCase> {};
constexpr const wchar_t* kOwn = L"C:\\Program Files\\Orvanta\\OrvaRmvr.exe";
TEST_P(IsOwnRegistrationTest, MatchesNameAndCommand) {
  EXPECT_EQ(IsOwnRegistration(GetParam().key, GetParam().value, kOwn), GetParam().own);
}
INSTANTIATE_TEST_SUITE_P(
    Table, IsOwnRegistrationTest,
    ::testing::Values(
        RegistrationCase{"Typical", L"ST6UNST #1",
                         L"\"C:\\Program Files\\Orvanta\\OrvaRmvr.exe\" /u C:\\Windows\\ST6UNST.EXE -n x", true},
        RegistrationCase{"LowerCaseKey", L"st6unst #12", L"C:\\Program Files\\Orvanta\\OrvaRmvr.exe", true},
        RegistrationCase{"ValueCaseDiffers", L"ST6UNST #2", L"c:\\PROGRAM FILES\\orvanta\\orvarmvr.EXE /u", true},
        RegistrationCase{"OtherProgram", L"ST6UNST #3", L"C:\\Program Files\\Other\\OrvaRmvr.exe", false},
        RegistrationCase{"KeyWithoutHash", L"ST6UNST1", L"C:\\Program Files\\Orvanta\\OrvaRmvr.exe", false},
        RegistrationCase{"KeyPrefixOnlyInside", L"x ST6UNST #1", L"C:\\Program Files\\Orvanta\\OrvaRmvr.exe", false},
        RegistrationCase{"KeyTooShort", L"ST6UNST", L"C:\\Program Files\\Orvanta\\OrvaRmvr.exe", false},
        RegistrationCase{"EmptyValue", L"ST6UNST #1", L"", false},
        RegistrationCase{"UnrelatedValue", L"ST6UNST #1", L"x", false}),
    [](const ::testing::TestParamInfo<RegistrationCase>& info) { return std::string(info.param.name); });

TEST(IsOwnRegistrationNul, IgnoresTextAfterNul) {
  const std::wstring value = std::wstring(L"x", 1) + L'\0' + kOwn;
  EXPECT_FALSE(IsOwnRegistration(L"ST6UNST #1", value, kOwn));
  EXPECT_TRUE(IsOwnRegistration(L"ST6UNST #1", std::wstring(kOwn) + L'\0' + L"junk", kOwn));
}

TEST(IsOwnRegistrationEmptyOwn, NeverMatches) { EXPECT_FALSE(IsOwnRegistration(L"ST6UNST #1", L"anything", L"")); }

struct WaitCase {
  int count;
  bool wait;
};
class ShouldWaitTest : public ::testing::TestWithParam<WaitCase> {};
TEST_P(ShouldWaitTest, WaitsFromTwoRegistrations) { EXPECT_EQ(ShouldWait(GetParam().count), GetParam().wait); }
INSTANTIATE_TEST_SUITE_P(Table, ShouldWaitTest,
                         ::testing::Values(WaitCase{0, false}, WaitCase{1, false}, WaitCase{2, true},
                                           WaitCase{7, true}));

}  // namespace
}  // namespace orvanta::preuninstall
