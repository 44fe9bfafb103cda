// ANSI text walked by characters: searching, splitting and case folding of
// code page 932 text, whose second bytes may be "\" or ASCII letters.
#include "base/AsciiText.h"

#include <gtest/gtest.h>

namespace orvanta {
namespace {

// Code page 932 bytes: ソ 83 5C, 表 95 5C, 能 94 5C, ア 83 41, ヂ 83 61.
constexpr const char* kSo = "\x83\x5C";
constexpr const char* kHyo = "\x95\x5C";
constexpr const char* kNo = "\x94\x5C";

TEST(AsciiText, BackslashesAreFoundOnlyAsCharactersOfTheirOwn) {
  const std::string so(kSo), hyo(kHyo), no(kNo);
  const struct {
    const char* name;
    std::string text;
    LeadByteTest lead;
    std::size_t lastSlash;
  } cases[] = {
      {"so, hyo, no hold no backslash", so + hyo + no, IsCp932LeadByte, std::string::npos},
      {"a folder of so", "C:\\" + so + "\\x", IsCp932LeadByte, 5},
      {"a lead byte cut off at the end", "a\\\x83", IsCp932LeadByte, 1},
      // Code page 1252: E9 is a letter of its own, and the "\" after it is one.
      {"a Western text", "caf\xE9\\x", NoLeadBytes, 4},
      {"the same bytes read as code page 932", "caf\xE9\\x", IsCp932LeadByte, std::string::npos},
  };
  for (const auto& c : cases) EXPECT_EQ(FindLastChar(c.text, '\\', c.lead), c.lastSlash) << c.name;
}

TEST(AsciiText, FileNamesSplitAtTheLastRealBackslashAndDot) {
  const std::string so(kSo), hyo(kHyo);
  const struct {
    const char* name;
    std::string path;
    bool split;
    std::string stem, extension;
  } cases[] = {
      {"a name ending in so", "C:\\T\\a" + so + ".exe", true, "a" + so, "exe"},
      {"a folder of hyo", "C:\\" + hyo + "\\Cam.LNK", true, "Cam", "LNK"},
      {"a dot in the folder", "C:\\a.b\\" + hyo, false, "", ""},
      {"no backslash but a second byte", so + ".exe", false, "", ""},
      {"no dot", "C:\\x\\y", false, "", ""},
  };
  for (const auto& c : cases) {
    const auto parts = SplitFileName(AnsiString::FromBytes(c.path), IsCp932LeadByte);
    ASSERT_EQ(parts.has_value(), c.split) << c.name;
    if (!parts) continue;
    EXPECT_EQ(parts->stem.bytes(), c.stem) << c.name;
    EXPECT_EQ(parts->extension.bytes(), c.extension) << c.name;
  }
}

// ケ is 83 50: its second byte reads as "P".
TEST(AsciiText, AnAnsiSuffixStartsWhereACharacterStarts) {
  const struct {
    const char* name;
    std::string text;
    bool ends;
  } cases[] = {
      {"the name itself", "C:\\PenPlus\\PENPLUS.EXE", true},
      {"a longer name ending in it", "C:\\PenPlus\\MyPenPlus.exe", true},
      {"ke before enPlus.exe", "C:\\PenPlus\\\x83\x50" "enPlus.exe", false},
      {"ke, then the name", "C:\\\x83\x50PenPlus.exe", true},
      {"shorter than the suffix", "enPlus.exe", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EndsWithNoCase(AnsiString::FromBytes(c.text), "PenPlus.exe", IsCp932LeadByte), c.ends) << c.name;
  }
}

TEST(AsciiText, OnlyAsciiLettersOfTheirOwnFoldCase) {
  const struct {
    const char* name;
    std::string a, b;
    bool equal;
  } cases[] = {
      {"ascii letters", "Path", "PATH", true},
      {"a and di differ in a second byte that is a letter", "\x83\x41", "\x83\x61", false},
      {"letters after a double-byte character", "\x83\x41x", "\x83\x41X", true},
      {"sizes differ", "ab", "abc", false},
  };
  for (const auto& c : cases) EXPECT_EQ(EqualsNoCase(c.a, c.b, IsCp932LeadByte), c.equal) << c.name;
  EXPECT_EQ(UpperAscii("a\x83\x61z", IsCp932LeadByte), "A\x83\x61Z");
}

}  // namespace
}  // namespace orvanta
