// Where the driver takes its panel library from: beside itself or from the
// system folder, never from its current folder or PATH, where anybody may
// have put a library of that name. A driver that finds none runs on
// quietly.
#include <gtest/gtest.h>

#include "common/DriverTestSupport.h"
// After windows.h, which the fixture brings.
#include <tlhelp32.h>

namespace drivertest {
namespace {

// The driver process has a module of that file name loaded.
bool HasModule(DWORD pid, const wchar_t* name) {
  const wincommon::KernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, pid));
  if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE) return false;
  MODULEENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Module32FirstW(snapshot.get(), &entry); more; more = ::Module32NextW(snapshot.get(), &entry)) {
    if (_wcsicmp(entry.szModule, name) == 0) return true;
  }
  return false;
}

// PATH of this process for the life of the object; the driver inherits it.
class PathPrepended {
public:
  explicit PathPrepended(const std::wstring& folder) {
    wchar_t old[32767] = {};
    const DWORD n = ::GetEnvironmentVariableW(L"PATH", old, 32767);
    old_.assign(old, n);
    ::SetEnvironmentVariableW(L"PATH", (folder + L";" + old_).c_str());
  }
  ~PathPrepended() { ::SetEnvironmentVariableW(L"PATH", old_.c_str()); }

private:
  std::wstring old_;
};

struct LibraryCase {
  const char* name;
  bool besideDriver;  // else planted in the driver's current folder and on PATH
};

class DriverLibrary : public ::testing::TestWithParam<LibraryCase> {};

TEST_P(DriverLibrary, IsLoadedFromBesideTheDriverOnly) {
  const bool beside = GetParam().besideDriver;
  panelsim::PanelSim panel(panelsim::PanelSim::UniqueName(L"Lib"));
  panel.Export();
  DriverFixture f(beside);
  // The driver runs with another folder as its current folder, one that
  // holds the library only when it is planted.
  const std::wstring elsewhere = f.folder.File(L"elsewhere");
  ASSERT_TRUE(::CreateDirectoryW(elsewhere.c_str(), nullptr));
  if (!beside) {
    ASSERT_TRUE(::CopyFileW(harness::Join(harness::BinDir(), L"FNTD2XX.dll").c_str(),
                            harness::Join(elsewhere, L"FNTD2XX.dll").c_str(), FALSE));
  }
  const PathPrepended path(elsewhere);
  ASSERT_TRUE(f.driver.Start(f.folder.File(L"Orvanta.exe"), L"", elsewhere));

  if (beside) {
    EXPECT_TRUE(harness::WaitUntil([&] { return !panel.Calls("FT_OpenEx").empty(); }, 15s));
    EXPECT_TRUE(HasModule(f.driver.Id(), L"FNTD2XX.dll"));
    return;
  }
  // The settings are written just before the first connection attempt;
  // another one follows a second later.
  ASSERT_TRUE(harness::WaitUntil([&] { return f.folder.Exists(L"Orvanta.ini"); }, 15s));
  harness::PumpFor(1500ms);
  EXPECT_TRUE(f.driver.Running());
  EXPECT_TRUE(harness::WindowsOfProcess(f.driver.Id()).empty()) << "a driver without its library says nothing";
  EXPECT_FALSE(HasModule(f.driver.Id(), L"FNTD2XX.dll"));
  EXPECT_TRUE(panel.Calls("FT_OpenEx").empty());
}

INSTANTIATE_TEST_SUITE_P(Table, DriverLibrary,
                         ::testing::Values(LibraryCase{"BesideTheDriver", true},
                                           LibraryCase{"PlantedInTheCurrentFolderAndOnPath", false}),
                         harness::CaseName());

}  // namespace
}  // namespace drivertest
