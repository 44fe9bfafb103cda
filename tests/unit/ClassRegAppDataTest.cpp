#include "settings/ClassRegAppData.h"

#include <gtest/gtest.h>

#include <map>

#include "Fakes.h"
#include "base/MemoryProfileStore.h"

namespace orvanta {
namespace {

using namespace std::string_literals;

// Files with their version texts: FileDescription, ProductName, CompanyName.
class FakeFiles : public FileInfo {
public:
  struct Info {
    std::string description, product, company;
  };
  std::map<std::string, Info> files;
  std::string GetFileVerInfo(const std::string& path, int item) override {
    const auto it = files.find(path);
    if (it == files.end()) return {};
    switch (item) {
      case kVerFileDescription: return it->second.description;
      case kVerProductName: return it->second.product;
      case kVerCompanyName: return it->second.company;
      default: return {};
    }
  }
  FixedFileVerInfo GetFixedFileVerInfo(const std::string&) override { return {}; }
  std::string GetShortcutInfo(const std::string&, int) override { return {}; }
  std::string GetProcessImagePath(std::uint32_t) override { return {}; }
  bool FileExists(const std::string& path) override { return files.count(path) != 0; }
};

class RegAppTest : public ::testing::Test {
protected:
  RegAppTest() : apps(MakeRegisteredApps(store, dir.File("Orvanta.ini"), files, IsCp932LeadByte)) {}
  ClassRegAppData& Pen() { return apps[0]; }
  ClassRegAppData& Camera() { return apps[1]; }

  testing::TempDir dir;
  MemoryProfileStore store;
  FakeFiles files;
  std::vector<ClassRegAppData> apps;
};

TEST_F(RegAppTest, PathIsSavedQuotedAndReadsBackBare) {
  for (const std::string& path : {" C:\\Pen Plus\\PenPlus.exe "s, ""s}) {
    Pen().FullPath = path;
    ASSERT_TRUE(Pen().SettingSave());
    EXPECT_NE(testing::ReadFile(dir.File("Orvanta.ini")).find("Path=\"" + path + "\""), std::string::npos);
    Pen().FullPath = "changed";
    Pen().SettingLoad();
    EXPECT_EQ(Pen().FullPath, path);
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
    Camera().FullPath = c.path;
    EXPECT_EQ(Camera().GetAppName(), c.name) << c.path;
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
    Camera().FullPath = c.path;
    EXPECT_EQ(Camera().GetAppName(), c.shown) << c.name;
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
    EXPECT_EQ(Pen().CheckFileVerInfs(c.path), c.pen) << c.path;
    EXPECT_EQ(Camera().CheckFileVerInfs(c.path), c.camera) << c.path;
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
    EXPECT_EQ(MatchesExpected(a.expected, a.actual, IsCp932LeadByte), a.match) << a.actual;
  }
}

}  // namespace
}  // namespace orvanta
