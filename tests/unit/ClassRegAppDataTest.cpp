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
  RegAppTest() : apps(MakeRegisteredApps(store, dir.File("Orvanta.ini"), files)) {}
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
                      {"A\0\0B"s, "", true}, {"", "anything", true}, {"A", "", false}};
  for (const auto& a : alternatives) EXPECT_EQ(MatchesExpected(a.expected, a.actual), a.match) << a.actual;
}

}  // namespace
}  // namespace orvanta
