#include "settings/ClassRegAppData.h"

#include <gtest/gtest.h>

#include "Fakes.h"
#include "profile/ProfileEmulation.h"

namespace orvanta {
namespace {

using namespace std::string_literals;

class RegAppTest : public ::testing::Test {
protected:
  RegAppTest() : apps(MakeRegisteredApps(store, dir.File("Orvanta.ini"), files, IsCp932LeadByte)) {}
  ClassRegAppData& Pen() { return apps[0]; }
  ClassRegAppData& Camera() { return apps[1]; }

  testing::TempDir dir;
  profilesim::EmulatedProfileFiles store;
  testing::FakeFiles files;
  std::vector<ClassRegAppData> apps;
};

TEST_F(RegAppTest, PathIsSavedQuotedAndReadsBackBare) {
  for (const std::string& path : {" C:\\Pen Plus\\PenPlus.exe "s, ""s}) {
    Pen().FullPath = testing::Ansi(path);
    ASSERT_TRUE(Pen().SettingSave());
    EXPECT_NE(testing::ReadFile(dir.File("Orvanta.ini")).find("Path=\"" + path + "\""), std::string::npos);
    Pen().FullPath = "changed";
    Pen().SettingLoad();
    EXPECT_EQ(Pen().FullPath, testing::Ansi(path));
  }
}

TEST_F(RegAppTest, AppNameFallsBackFromDescriptionToProductToFileName) {
  files.files = {{"C:\\cam\\Cam.exe", {"Camera Studio", "Cam Product", ""}},
                 {"C:\\cam\\Prod.exe", {"", "Cam Product", ""}},
                 {"C:\\cam\\Bare.exe", {"", "", ""}}};
  const struct {
    const char* path;
    const char* name;
  } cases[] = {{"C:\\cam\\Cam.exe", "Camera Studio"}, {"C:\\cam\\Prod.exe", "Cam Product"},
               {"C:\\cam\\Bare.exe", "Bare"},         {"C:\\my.cam\\camera", ""},
               {"Cam.exe", ""},                       {"", ""}};
  for (const auto& c : cases) {
    Camera().FullPath = testing::Ansi(c.path);
    EXPECT_EQ(Camera().GetAppName(), testing::Ansi(c.name)) << c.path;
  }
}

// Code page 932 bytes of the Japanese characters in the paths below. The
// second byte of ソ, 表 and 能 is "\\", that of フ and ト an ASCII letter.
const std::string kSo = "\x83\x5C", kHyo = "\x95\x5C", kNo = "\x94\x5C", kFuto = "\x83\x74\x83\x67";
const std::string kKamera = "\x83\x4A\x83\x81\x83\x89";  // カメラ

TEST_F(RegAppTest, AppNameOfAJapanesePathCountsCharactersNotBytes) {
  const struct {
    const char* name;
    std::string path;
    std::string shown;
  } cases[] = {
      {"file name ending in so", "C:\\Tools\\" + kKamera + kSo + kFuto + ".exe", kKamera + kSo + kFuto},
      {"folder of hyo and no", "C:\\" + kHyo + kNo + "\\Cam.exe", "Cam"},
      {"the name is hyo alone", "C:\\cam\\" + kHyo + ".exe", kHyo},
      {"dot in a folder, so at the end", "C:\\my.cam\\" + kSo, ""},
      {"no backslash but the second byte of so", kSo + ".exe", ""},
  };
  for (const auto& c : cases) {
    Camera().FullPath = testing::Ansi(c.path);
    EXPECT_EQ(Camera().GetAppName(), testing::Ansi(c.shown)) << c.name;
  }
}

TEST_F(RegAppTest, VersionExpectationsIgnoreCaseAndAcceptAlternatives) {
  files.files = {{"a.exe", {"", "PENPLUS application", "plussoft corporation"}},
                 {"b.exe", {"", "PenPlus Application", "Other Corporation"}},
                 {"c.exe", {"", "", ""}}};
  const struct {
    const char* path;
    bool pen, camera;
  } cases[] = {{"a.exe", true, true}, {"b.exe", false, true}, {"c.exe", false, true}, {"missing.exe", false, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(Pen().CheckFileVerInfs(testing::Ansi(c.path)), c.pen) << c.path;
    EXPECT_EQ(Camera().CheckFileVerInfs(testing::Ansi(c.path)), c.camera) << c.path;
  }
  Pen().FullPath.clear();
  EXPECT_FALSE(Pen().CheckFileVerInfs());

  const struct {
    std::string expected, actual;
    bool match;
  } alternatives[] = {{"A\0B"s, "b", true}, {"A\0B"s, "A", true}, {"A\0B"s, "AB", false},
                      {"A\0\0B"s, "", true}, {"", "anything", true}, {"A", "", false},
                      // ア (83 41) and ヂ (83 61) differ only in a second byte that is a letter.
                      {"\x83\x41 Corp"s, "\x83\x61 corp", false}, {"\x83\x41 Corp"s, "\x83\x41 CORP", true}};
  for (const auto& a : alternatives) {
    EXPECT_EQ(MatchesExpected(testing::Ansi(a.expected), testing::Ansi(a.actual), IsCp932LeadByte), a.match)
        << a.actual;
  }
}

// The selection dialog's check: files the registration accepts, shortcuts
// followed, and what is shown of an accepted file.
TEST_F(RegAppTest, CandidatesAreFollowedThroughShortcutsAndCheckedAgainstTheVersionInformation) {
  const AnsiString pen = "C:\\PenPlus\\PenPlus.exe";
  const AnsiString japanese = testing::Ansi("C:\\" + kHyo + kNo + "\\" + kKamera + kSo + kFuto + ".exe");
  files.files = {{pen, {"", "PenPlus Application", "Plussoft Corporation"}},
                 {"C:\\Tools\\Cam.exe", {"Camera Studio", "Cam Product", "Cam Corp"}},
                 {"C:\\Tools\\notes.txt", {}},
                 {"C:\\Tools\\noextension", {}},
                 {"C:\\dir.d\\plain", {}},
                 {japanese, {}}};
  files.shortcuts = {{"C:\\a.lnk", pen}, {"C:\\b.LNK", "C:\\a.lnk"}, {"C:\\loop1.lnk", "C:\\loop2.lnk"},
                     {"C:\\loop2.lnk", "C:\\loop1.lnk"}, {"C:\\broken.lnk", ""}};
  // A chain of shortcuts 1.lnk -> 2.lnk -> ... -> 9.lnk -> the pen program.
  for (int i = 1; i <= 9; ++i) {
    files.shortcuts[testing::Ansi("C:\\" + std::to_string(i) + ".lnk")] =
        i == 9 ? pen : testing::Ansi("C:\\" + std::to_string(i + 1) + ".lnk");
  }
  const struct {
    const char* name;
    int registration;  // 0 pen, 1 camera
    AnsiString candidate;
    std::optional<SelAppChoice> shown;
  } cases[] = {
      {"the pen program", 0, pen, SelAppChoice{pen, "PenPlus", "PenPlus Application", "Plussoft Corporation"}},
      {"a program without the pen's version information", 0, "C:\\Tools\\Cam.exe", std::nullopt},
      {"a missing file", 0, "C:\\Tools\\missing.exe", std::nullopt},
      {"the camera takes any file", 1, "C:\\Tools\\notes.txt", SelAppChoice{"C:\\Tools\\notes.txt", "notes", "", ""}},
      {"the description before the product", 1, "C:\\Tools\\Cam.exe",
       SelAppChoice{"C:\\Tools\\Cam.exe", "Cam", "Camera Studio", "Cam Corp"}},
      {"no extension", 1, "C:\\Tools\\noextension", std::nullopt},
      {"the last dot in a folder name", 1, "C:\\dir.d\\plain", std::nullopt},
      {"a Japanese name with second bytes that are backslashes", 1, japanese,
       SelAppChoice{japanese, testing::Ansi(kKamera + kSo + kFuto), "", ""}},
      {"a shortcut", 0, "C:\\a.lnk", SelAppChoice{pen, "PenPlus", "PenPlus Application", "Plussoft Corporation"}},
      {"a shortcut to a shortcut, any case", 0, "C:\\b.LNK", SelAppChoice{pen, "PenPlus", "PenPlus Application",
                                                                          "Plussoft Corporation"}},
      {"eight shortcuts in a row", 0, "C:\\2.lnk", SelAppChoice{pen, "PenPlus", "PenPlus Application",
                                                                 "Plussoft Corporation"}},
      {"nine shortcuts in a row", 0, "C:\\1.lnk", std::nullopt},
      {"a loop of shortcuts", 1, "C:\\loop1.lnk", std::nullopt},
      {"a shortcut without a file target", 1, "C:\\broken.lnk", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto choice = apps[static_cast<std::size_t>(c.registration)].CheckCandidate(c.candidate);
    ASSERT_EQ(choice.has_value(), c.shown.has_value());
    if (!choice) continue;
    EXPECT_EQ(choice->path, c.shown->path);
    EXPECT_EQ(choice->name, c.shown->name);
    EXPECT_EQ(choice->description, c.shown->description);
    EXPECT_EQ(choice->company, c.shown->company);
  }
}

TEST_F(RegAppTest, TheListKeepsItsSelectedRegistrationElseSelectsTheFirst) {
  const struct {
    const char* name;
    std::optional<std::size_t> before;
    std::optional<std::size_t> selected;
  } cases[] = {{"none selected", std::nullopt, 0}, {"the camera", 1, 1}, {"the pen", 0, 0}, {"outside the list", 5, 0}};
  for (const auto& c : cases) EXPECT_EQ(RegAppToSelect(apps, c.before), c.selected) << c.name;
  // Keyed by the registration: the first row of the same key.
  apps[1].Ini_Section = apps[0].Ini_Section;
  EXPECT_EQ(RegAppToSelect(apps, 1), 0u);
  EXPECT_EQ(RegAppToSelect({}, std::nullopt), std::nullopt);
}

}  // namespace
}  // namespace orvanta
