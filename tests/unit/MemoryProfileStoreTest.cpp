#include "base/MemoryProfileStore.h"

#include <gtest/gtest.h>

#include "Fakes.h"

namespace orvanta {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

struct ReadCase {
  const char* name;
  const char* file;
  const char* section;
  const char* key;
  const char* def;
  std::string expected;
};

class ProfileReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ProfileReadTest, ReadsAsTheProfileFunctionsDo) {
  TempDir dir;
  ASSERT_TRUE(dir.Ok());
  const std::string path = dir.File("t.ini");
  WriteFile(path, GetParam().file);
  MemoryProfileStore store;
  EXPECT_EQ(store.Read(path, GetParam().section, GetParam().key, GetParam().def), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProfileReadTest,
    ::testing::Values(
        ReadCase{"Plain", "[Main]\r\nKey=value\r\n", "Main", "Key", "d", "value"},
        ReadCase{"LfOnly", "[Main]\nKey=value\n", "Main", "Key", "d", "value"},
        ReadCase{"NoFinalLineEnd", "[Main]\r\nKey=value", "Main", "Key", "d", "value"},
        ReadCase{"SectionCase", "[mAIN]\r\nKey=v\r\n", "Main", "Key", "d", "v"},
        ReadCase{"KeyCase", "[Main]\r\nkEY=v\r\n", "Main", "Key", "d", "v"},
        ReadCase{"BlanksAroundNamesAndValue", "  [ Main ]  \r\n  Key  =  a b  \t\r\n", "Main", "Key", "d", "a b"},
        ReadCase{"DoubleQuotes", "[Main]\r\nPath=\"C:\\Pen App\\pen.exe\"\r\n", "Main", "Path", "d",
                 "C:\\Pen App\\pen.exe"},
        ReadCase{"QuotesKeepInnerBlanks", "[Main]\r\nPath= \" x \" \r\n", "Main", "Path", "d", " x "},
        ReadCase{"SingleQuotes", "[Main]\r\nKey='v'\r\n", "Main", "Key", "d", "v"},
        ReadCase{"OnePairOnly", "[Main]\r\nKey=\"\"v\"\"\r\n", "Main", "Key", "d", "\"v\""},
        ReadCase{"MismatchedQuotes", "[Main]\r\nKey=\"v'\r\n", "Main", "Key", "d", "\"v'"},
        ReadCase{"LoneQuote", "[Main]\r\nKey=\"\r\n", "Main", "Key", "d", "\""},
        ReadCase{"EmptyQuotes", "[Main]\r\nKey=\"\"\r\n", "Main", "Key", "d", ""},
        ReadCase{"EmptyValueIsNotMissing", "[Main]\r\nKey=\r\n", "Main", "Key", "d", ""},
        ReadCase{"EqualsInValue", "[Main]\r\nKey=a=b\r\n", "Main", "Key", "d", "a=b"},
        ReadCase{"MissingKey", "[Main]\r\nOther=v\r\n", "Main", "Key", "d", "d"},
        ReadCase{"MissingSection", "[Other]\r\nKey=v\r\n", "Main", "Key", "d", "d"},
        ReadCase{"KeyOfTheNextSection", "[Main]\r\n[Other]\r\nKey=v\r\n", "Main", "Key", "d", "d"},
        ReadCase{"KeyBeforeAnySection", "Key=v\r\n[Main]\r\n", "Main", "Key", "d", "d"},
        ReadCase{"LineWithoutEquals", "[Main]\r\nKey\r\n", "Main", "Key", "d", "d"},
        ReadCase{"FirstDuplicateKeyWins", "[Main]\r\nKey=1\r\nKey=2\r\n", "Main", "Key", "d", "1"},
        ReadCase{"FirstDuplicateSectionWins", "[Main]\r\nA=1\r\n[Main]\r\nKey=2\r\n", "Main", "Key", "d", "d"},
        ReadCase{"UnclosedBracket", "[Main\r\nKey=v\r\n", "Main", "Key", "d", "v"},
        ReadCase{"BytesKeptAsTheyAre", "[Main]\r\nKey=\x83\x79\x83\x93\r\n", "Main", "Key", "d",
                 "\x83\x79\x83\x93"},
        ReadCase{"DefaultTrailingBlanksStripped", "", "Main", "Key", "d  ", "d"},
        ReadCase{"DefaultLeadingBlanksKept", "", "Main", "Key", "  d", "  d"}),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

TEST(MemoryProfileStoreTest, ValuesAndDefaultsAreCutTo254Characters) {
  TempDir dir;
  ASSERT_TRUE(dir.Ok());
  const std::string path = dir.File("t.ini");
  const std::string longValue(300, 'v');
  WriteFile(path, "[Main]\r\nKey=" + longValue + "\r\nQuoted=\"" + longValue + "\"\r\n");
  MemoryProfileStore store;
  EXPECT_EQ(store.Read(path, "Main", "Key", ""), longValue.substr(0, kProfileValueMax));
  EXPECT_EQ(store.Read(path, "Main", "Quoted", ""), longValue.substr(0, kProfileValueMax));
  EXPECT_EQ(store.Read(path, "Main", "Missing", longValue), longValue.substr(0, kProfileValueMax));
}

TEST(MemoryProfileStoreTest, MissingFileGivesTheDefault) {
  TempDir dir;
  ASSERT_TRUE(dir.Ok());
  MemoryProfileStore store;
  EXPECT_EQ(store.Read(dir.File("none.ini"), "Main", "Key", "-1"), "-1");
}

struct WriteCase {
  const char* name;
  const char* before;  // nullptr: no file
  const char* section;
  const char* key;
  const char* value;
  const char* after;
};

class ProfileWriteTest : public ::testing::TestWithParam<WriteCase> {};

TEST_P(ProfileWriteTest, WritesAsTheProfileFunctionsDo) {
  TempDir dir;
  ASSERT_TRUE(dir.Ok());
  const std::string path = dir.File("t.ini");
  if (GetParam().before) WriteFile(path, GetParam().before);
  MemoryProfileStore store;
  EXPECT_TRUE(store.Write(path, GetParam().section, GetParam().key, GetParam().value));
  EXPECT_EQ(ReadFile(path), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProfileWriteTest,
    ::testing::Values(
        WriteCase{"CreatesFile", nullptr, "Main", "Key", "v", "[Main]\r\nKey=v\r\n"},
        WriteCase{"ReplacesInPlace", "[Main]\r\nA=1\r\nKey=old\r\nB=2\r\n", "Main", "Key", "new",
                  "[Main]\r\nA=1\r\nKey=new\r\nB=2\r\n"},
        WriteCase{"ReplaceKeepsKeySpellingAndLineEnd", "[MAIN]\nkey = old \nB=2\n", "Main", "Key", "new",
                  "[MAIN]\nkey=new\nB=2\n"},
        WriteCase{"AddsKeyAtEndOfSection", "[Main]\r\nA=1\r\n[Other]\r\nB=2\r\n", "Main", "Key", "v",
                  "[Main]\r\nA=1\r\nKey=v\r\n[Other]\r\nB=2\r\n"},
        WriteCase{"AddedKeyStaysBeforeBlankLines", "[Main]\r\nA=1\r\n\r\n[Other]\r\n", "Main", "Key", "v",
                  "[Main]\r\nA=1\r\nKey=v\r\n\r\n[Other]\r\n"},
        WriteCase{"AddsKeyToEmptySection", "[Main]\r\n[Other]\r\n", "Main", "Key", "v",
                  "[Main]\r\nKey=v\r\n[Other]\r\n"},
        WriteCase{"AddsKeyAfterUnterminatedLastLine", "[Main]\r\nA=1", "Main", "Key", "v",
                  "[Main]\r\nA=1\r\nKey=v\r\n"},
        WriteCase{"AddsSectionAtEnd", "[Main]\r\nA=1\r\n", "Other", "Key", "v",
                  "[Main]\r\nA=1\r\n[Other]\r\nKey=v\r\n"},
        WriteCase{"AddsSectionAfterUnterminatedLastLine", "[Main]\r\nA=1", "Other", "Key", "v",
                  "[Main]\r\nA=1\r\n[Other]\r\nKey=v\r\n"},
        WriteCase{"ValueWrittenAsGiven", "", "Main", "Path", "\" C:\\a b \"", "[Main]\r\nPath=\" C:\\a b \"\r\n"},
        WriteCase{"OnlyFirstDuplicateReplaced", "[Main]\r\nKey=1\r\nKey=2\r\n", "Main", "Key", "3",
                  "[Main]\r\nKey=3\r\nKey=2\r\n"}),
    [](const ::testing::TestParamInfo<WriteCase>& info) { return std::string(info.param.name); });

TEST(MemoryProfileStoreTest, WriteThenReadRoundTrips) {
  TempDir dir;
  ASSERT_TRUE(dir.Ok());
  const std::string path = dir.File("t.ini");
  MemoryProfileStore store;
  ASSERT_TRUE(store.Write(path, "PenPlus", "Path", "\"  C:\\Pen App\\pen.exe \""));
  ASSERT_TRUE(store.Write(path, "penplus", "RunTimeOut", "20000"));
  EXPECT_EQ(store.Read(path, "PENPLUS", "path", ""), "  C:\\Pen App\\pen.exe ");
  EXPECT_EQ(store.Read(path, "PenPlus", "RunTimeOut", ""), "20000");
  EXPECT_EQ(ReadFile(path), "[PenPlus]\r\nPath=\"  C:\\Pen App\\pen.exe \"\r\nRunTimeOut=20000\r\n");
}

TEST(MemoryProfileStoreTest, UnwritableFileReportsFalseAndLeavesNothing) {
  TempDir dir;
  ASSERT_TRUE(dir.Ok());
  MemoryProfileStore store;
  const std::string path = dir.File("missing-folder/t.ini");
  EXPECT_FALSE(store.Write(path, "Main", "Key", "v"));
  EXPECT_EQ(store.Read(path, "Main", "Key", "d"), "d");
}

TEST(MemoryProfileStoreTest, WindowsPathIsOneFileName) {
  TempDir dir;
  ASSERT_TRUE(dir.Ok());
  MemoryProfileStore store;
  const std::string path = dir.Path() + "/Data\\QV-LK2048.dat";
  ASSERT_TRUE(store.Write(path, "Header", "ButtonX", "2"));
  EXPECT_EQ(ReadFile(dir.File("Data\\QV-LK2048.dat")), "[Header]\r\nButtonX=2\r\n");
}

}  // namespace
}  // namespace orvanta
