// The profile functions' rules that the driver relies on, run against the
// real GetPrivateProfileStringA and WritePrivateProfileStringA: the same
// table the native tests run against the emulation the unit tests and
// fuzzers use in their place.
#include <gtest/gtest.h>

#include <windows.h>

#include "common/Harness.h"
#include "profile/ProfileRuleTable.h"
#include "wincommon/Text.h"

namespace {

using profilesim::ProfileReadCases;
using profilesim::ProfileWriteCases;

std::string Read(const std::string& file, const std::string& section, const std::string& key, const std::string& def) {
  char buffer[255] = {};
  ::GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buffer, sizeof(buffer), file.c_str());
  return buffer;
}

class ProfileRules : public ::testing::Test {
protected:
  void SetUp() override {
    // The table's texts are bytes of code page 932; under another code page
    // they would be other characters and the cases would prove nothing.
    ASSERT_EQ(::GetACP(), 932u);
  }
  // The case's own file, holding bytes unless there is to be none, by the
  // name the A functions take.
  std::string Prepare(const char* name, bool exists, const std::string& bytes) {
    const std::wstring file = wincommon::Utf8ToWide(std::string(name) + ".ini");
    if (exists) {
      EXPECT_TRUE(folder.WriteText(file, bytes));
    }
    return wincommon::WideToAnsi(folder.File(file));
  }

  harness::TestFolder folder;
};

TEST_F(ProfileRules, ReadsGiveBackWhatTheTableSays) {
  for (const auto& c : ProfileReadCases()) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Read(Prepare(c.name, c.exists, c.file), c.section, c.key, c.def), c.expected);
  }
}

TEST_F(ProfileRules, ReadsAfterAWriteGiveBackWhatTheTableSays) {
  for (const auto& c : ProfileWriteCases()) {
    SCOPED_TRACE(c.name);
    const std::string file = Prepare(c.name, c.exists, c.before);
    ASSERT_TRUE(::WritePrivateProfileStringA(c.section.c_str(), c.key.c_str(), c.value.c_str(), file.c_str()));
    for (const auto& look : c.after) EXPECT_EQ(Read(file, look.section, look.key, "d"), look.expected) << look.key;
  }
}

}  // namespace
