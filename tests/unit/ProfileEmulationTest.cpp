// The emulation of the profile functions that the unit tests and fuzzers use:
// the shared rule table (which a Wine test also runs against the real
// functions), the layout it writes, and its in-memory document.
#include "profile/ProfileEmulation.h"

#include <gtest/gtest.h>

#include "Fakes.h"
#include "profile/ProfileRuleTable.h"

namespace profilesim {
namespace {

using orvanta::AnsiString;
using orvanta::testing::ReadFile;
using orvanta::testing::TempDir;
using orvanta::testing::WriteFile;

AnsiString A(const std::string& bytes) { return AnsiString::FromBytes(bytes); }

// One file per case, named after it.
class ProfileEmulation : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(dir.Ok()); }
  std::string Path(const char* name) const { return dir.File(std::string(name) + ".ini"); }
  TempDir dir;
};

TEST_F(ProfileEmulation, ReadsGiveBackWhatTheRuleTableSays) {
  for (const auto& c : ProfileReadCases()) {
    SCOPED_TRACE(c.name);
    const std::string path = Path(c.name);
    if (c.exists) WriteFile(path, c.file);
    EXPECT_EQ(EmulatedProfileFiles().Read(path, A(c.section), A(c.key), A(c.def)), A(c.expected));
    // The document held in memory reads the same.
    EXPECT_EQ(IniDocument(c.file).Read(c.section, c.key, c.def), c.expected);
  }
}

TEST_F(ProfileEmulation, ReadsAfterAWriteGiveBackWhatTheRuleTableSays) {
  for (const auto& c : ProfileWriteCases()) {
    SCOPED_TRACE(c.name);
    const std::string path = Path(c.name);
    if (c.exists) WriteFile(path, c.before);
    EmulatedProfileFiles files;
    ASSERT_TRUE(files.Write(path, A(c.section), A(c.key), A(c.value)));
    IniDocument document(c.before);
    document.Write(c.section, c.key, c.value);
    EXPECT_EQ(document.Text(), ReadFile(path));
    for (const auto& look : c.after) {
      EXPECT_EQ(files.Read(path, A(look.section), A(look.key), "d"), A(look.expected)) << look.key;
    }
  }
}

// The layout of a written file, which the rule table leaves open (Wine lays
// the whole file out anew): the emulation edits the lines in place.
struct LayoutCase {
  const char* name;
  const char* before;  // nullptr: no file
  const char* section;
  const char* after;
};

TEST_F(ProfileEmulation, AWriteEditsTheFileInPlace) {
  const LayoutCase cases[] = {
      {"CreatesFile", nullptr, "Main", "[Main]\r\nKey=v\r\n"},
      {"ReplaceKeepsKeySpellingAndLineEnd", "[MAIN]\nkey = old \nB=2\n", "Main", "[MAIN]\nkey=v\nB=2\n"},
      {"AddedKeyStaysBeforeBlankLines", "[Main]\r\nA=1\r\n\r\n[Other]\r\n", "Main",
       "[Main]\r\nA=1\r\nKey=v\r\n\r\n[Other]\r\n"},
      {"AddsKeyAfterUnterminatedLastLine", "[Main]\r\nA=1", "Main", "[Main]\r\nA=1\r\nKey=v\r\n"},
      {"AddsSectionAfterUnterminatedLastLine", "[Main]\r\nA=1", "Other", "[Main]\r\nA=1\r\n[Other]\r\nKey=v\r\n"},
      {"OnlyFirstDuplicateReplaced", "[Main]\r\nKey=1\r\nKey=2\r\n", "Main", "[Main]\r\nKey=v\r\nKey=2\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = Path(c.name);
    if (c.before) WriteFile(path, c.before);
    EXPECT_TRUE(EmulatedProfileFiles().Write(path, A(c.section), "Key", "v"));
    EXPECT_EQ(ReadFile(path), c.after);
  }
}

TEST_F(ProfileEmulation, UnwritableFileReportsFalse) {
  EXPECT_FALSE(EmulatedProfileFiles().Write(dir.File("missing-folder/t.ini"), "Main", "Key", "v"));
}

}  // namespace
}  // namespace profilesim
