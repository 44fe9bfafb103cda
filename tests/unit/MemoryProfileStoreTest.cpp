#include "base/MemoryProfileStore.h"

#include <gtest/gtest.h>

#include "Fakes.h"

// The in-memory store only backs tests and fuzzers; one table per direction
// keeps it honest to the profile functions' rules.
namespace orvanta {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

struct ReadCase {
  const char* name;
  const char* file;  // nullptr: no file
  const char* def;
  std::string expected;
};

class ProfileReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ProfileReadTest, ReadsAsTheProfileFunctionsDo) {
  TempDir dir;
  ASSERT_TRUE(dir.Ok());
  const std::string path = dir.File("t.ini");
  if (GetParam().file) WriteFile(path, GetParam().file);
  EXPECT_EQ(MemoryProfileStore().Read(path, "Main", "Key", GetParam().def), GetParam().expected);
}

const std::string kLong(300, 'v');
const std::string kLongFile = "[Main]\r\nKey=\"" + kLong + "\"";

INSTANTIATE_TEST_SUITE_P(
    Table, ProfileReadTest,
    ::testing::Values(
        ReadCase{"LfOnlyNamesInOtherCase", "[mAIN]\nkEY=value", "d", "value"},
        ReadCase{"BlanksAroundNamesAndValue", "  [ Main ]  \r\n  Key  =  a b  \t\r\n", "d", "a b"},
        ReadCase{"QuotesKeepInnerBlanks", "[Main]\r\nKey= \" x \" \r\n", "d", " x "},
        ReadCase{"SingleQuotes", "[Main]\r\nKey='v'\r\n", "d", "v"},
        ReadCase{"OnePairOnly", "[Main]\r\nKey=\"\"v\"\"\r\n", "d", "\"v\""},
        ReadCase{"MismatchedQuotes", "[Main]\r\nKey=\"v'\r\n", "d", "\"v'"},
        ReadCase{"EmptyValueIsNotMissing", "[Main]\r\nKey=\r\n", "d", ""},
        ReadCase{"EqualsInValue", "[Main]\r\nKey=a=b\r\n", "d", "a=b"},
        ReadCase{"KeyOfTheNextSection", "[Main]\r\n[Other]\r\nKey=v\r\n", "d", "d"},
        ReadCase{"LineWithoutEquals", "[Main]\r\nKey\r\n", "d", "d"},
        ReadCase{"FirstDuplicateKeyWins", "[Main]\r\nKey=1\r\nKey=2\r\n", "d", "1"},
        ReadCase{"FirstDuplicateSectionWins", "[Main]\r\nA=1\r\n[Main]\r\nKey=2\r\n", "d", "d"},
        ReadCase{"UnclosedBracket", "[Main\r\nKey=v\r\n", "d", "v"},
        ReadCase{"MissingFile", nullptr, "-1", "-1"},
        ReadCase{"DefaultTrailingBlanksStripped", "", "  d  ", "  d"},
        ReadCase{"ValueCutTo254", kLongFile.c_str(), "", kLong.substr(0, kProfileValueMax)},
        ReadCase{"DefaultCutTo254", "", kLong.c_str(), kLong.substr(0, kProfileValueMax)}),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

struct WriteCase {
  const char* name;
  const char* before;  // nullptr: no file
  const char* section;
  const char* after;
};

class ProfileWriteTest : public ::testing::TestWithParam<WriteCase> {};

TEST_P(ProfileWriteTest, WritesAsTheProfileFunctionsDo) {
  TempDir dir;
  ASSERT_TRUE(dir.Ok());
  const std::string path = dir.File("t.ini");
  if (GetParam().before) WriteFile(path, GetParam().before);
  EXPECT_TRUE(MemoryProfileStore().Write(path, GetParam().section, "Key", "v"));
  EXPECT_EQ(ReadFile(path), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProfileWriteTest,
    ::testing::Values(
        WriteCase{"CreatesFile", nullptr, "Main", "[Main]\r\nKey=v\r\n"},
        WriteCase{"ReplaceKeepsKeySpellingAndLineEnd", "[MAIN]\nkey = old \nB=2\n", "Main", "[MAIN]\nkey=v\nB=2\n"},
        WriteCase{"AddedKeyStaysBeforeBlankLines", "[Main]\r\nA=1\r\n\r\n[Other]\r\n", "Main",
                  "[Main]\r\nA=1\r\nKey=v\r\n\r\n[Other]\r\n"},
        WriteCase{"AddsKeyAfterUnterminatedLastLine", "[Main]\r\nA=1", "Main", "[Main]\r\nA=1\r\nKey=v\r\n"},
        WriteCase{"AddsSectionAfterUnterminatedLastLine", "[Main]\r\nA=1", "Other",
                  "[Main]\r\nA=1\r\n[Other]\r\nKey=v\r\n"},
        WriteCase{"OnlyFirstDuplicateReplaced", "[Main]\r\nKey=1\r\nKey=2\r\n", "Main", "[Main]\r\nKey=v\r\nKey=2\r\n"}),
    [](const ::testing::TestParamInfo<WriteCase>& info) { return std::string(info.param.name); });

// Names in code page 932: ゾ (83 5D) ends in "]", ア (83 41) and ヂ (83 61)
// differ only in a second byte that is a letter.
TEST(MemoryProfileStoreTest, JapaneseNamesAreReadByCharacters) {
  const std::string text = "[\x83\x5D]\r\n\x83\x41=1\r\n\x83\x61=2\r\n";
  IniDocument document(text);
  for (const auto& [key, value] : {std::pair{"\x83\x41", "1"}, std::pair{"\x83\x61", "2"}}) {
    EXPECT_EQ(ReadProfileText(text, "\x83\x5D", key, "d"), value);
    EXPECT_EQ(document.Read("\x83\x5D", key, "d"), value);
  }
  document.Write("\x83\x5D", "\x83\x61", "3");
  EXPECT_EQ(document.Text(), "[\x83\x5D]\r\n\x83\x41=1\r\n\x83\x61=3\r\n");
}

TEST(MemoryProfileStoreTest, UnwritableFileReportsFalse) {
  TempDir dir;
  ASSERT_TRUE(dir.Ok());
  EXPECT_FALSE(MemoryProfileStore().Write(dir.File("missing-folder/t.ini"), "Main", "Key", "v"));
}

}  // namespace
}  // namespace orvanta
