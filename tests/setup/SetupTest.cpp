// The setup program as a school's IT staff runs it, silently, in a Wine
// prefix of its own that run_setup_test.sh makes fresh: a new installation
// with everything in its place and a driver that serves a press, an upgrade
// that keeps the user's settings and calibration, an older setup refused,
// a removal while the driver runs, and a folder that cannot be made.
//
// The runner hands over, as Windows paths: ORVANTA_SETUP (the setup under
// test) and ORVANTA_SETUP_NEXT (the same files as a newer version), their
// versions ORVANTA_SETUP_VERSION and ORVANTA_SETUP_NEXT_VERSION, and
// ORVANTA_SETUP_DIST, the install layout both were made from.
#include <windows.h>
#include <aclapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/Harness.h"
#include "fntd2xx/PanelSim.h"
#include "identities/WindowIdentities.h"
#include "wincommon/Com.h"
#include "wincommon/Files.h"
#include "wincommon/Text.h"

namespace {

using namespace std::chrono_literals;
using harness::Join;

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orvanta";
constexpr DWORD kRefusedAsOlder = 3;
constexpr DWORD kFailed = 2;
const std::vector<std::wstring> kDelivered{L"Orvanta.exe", L"OrvantaLink.exe", L"OrvantaUninst.exe",
                                           L"Orvanta.wav", L"Orvanta.dat",     L"Data\\QV-LK2048.def"};

std::wstring Env(const wchar_t* name) {
  const wchar_t* value = ::_wgetenv(name);
  return value ? value : L"";
}

std::wstring Lower(std::wstring s) {
  ::CharLowerBuffW(s.data(), static_cast<DWORD>(s.size()));
  return s;
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  std::wstring out;
  if (SUCCEEDED(::SHGetKnownFolderPath(id, 0, nullptr, &path))) out = path;
  ::CoTaskMemFree(path);
  return out;
}

// The 32-bit Program Files folder: "Program Files (x86)" on 64-bit Windows.
std::wstring InstallFolder() { return Join(KnownFolder(FOLDERID_ProgramFilesX86), L"Orvanta"); }
std::wstring StartupLink() { return Join(KnownFolder(FOLDERID_CommonStartup), L"Orvanta.lnk"); }

// The uninstall registration is there; one of its text values (empty when
// missing).
bool Registered() {
  HKEY key = nullptr;
  const bool there = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS;
  if (there) ::RegCloseKey(key);
  return there;
}
std::wstring Registered(const wchar_t* value) {
  wchar_t buf[1024] = {};
  DWORD size = sizeof(buf);
  const LSTATUS status = ::RegGetValueW(HKEY_LOCAL_MACHINE, kUninstallKey, value, RRF_RT_REG_SZ, nullptr, buf, &size);
  return status == ERROR_SUCCESS ? buf : L"";
}

HWND DriverWindow() { return ::FindWindowW(orvanta::identity::kAppClass, orvanta::identity::kDriverTitle); }

DWORD DriverPid() {
  DWORD pid = 0;  // stays 0 without a window
  ::GetWindowThreadProcessId(DriverWindow(), &pid);
  return pid;
}

std::wstring ImageOf(DWORD pid) {
  const wincommon::KernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  wchar_t buf[MAX_PATH] = {};
  DWORD size = MAX_PATH;
  return process && ::QueryFullProcessImageNameW(process.get(), 0, buf, &size) ? std::wstring(buf, size)
                                                                                 : std::wstring();
}

std::wstring ShortcutTarget(const std::wstring& lnk) {
  const wincommon::ComScope com;
  wincommon::ComPtr<IShellLinkW> link;
  wincommon::ComPtr<IPersistFile> file;
  wchar_t target[MAX_PATH] = {};
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())) ||
      FAILED(link->QueryInterface(IID_IPersistFile, file.put_void())) || FAILED(file->Load(lnk.c_str(), STGM_READ)) ||
      FAILED(link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH))) {
    return {};
  }
  return target;
}

// A file in the system folder.
std::wstring SystemFile(const wchar_t* name) {
  wchar_t system[MAX_PATH] = {};
  ::GetSystemDirectoryW(system, MAX_PATH);
  return Join(system, name);
}

std::wstring SetupLogPath() {
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  return Join(temp, L"Orvanta-setup.log");
}

// What the setup programs wrote to their log (UTF-16), as UTF-8.
std::string SetupLog() {
  const std::string bytes = wincommon::ReadFileBytes(SetupLogPath());
  std::wstring text(bytes.size() / 2, L'\0');
  std::copy(bytes.data(), bytes.data() + text.size() * 2, reinterpret_cast<char*>(text.data()));
  if (!text.empty() && text.front() == 0xFEFF) text.erase(0, 1);
  return wincommon::WideToUtf8(text);
}

DWORD RunProgram(const std::wstring& exe, const std::wstring& args) {
  harness::Process p;
  if (!p.Start(exe, args)) return 0xFFFFFFFF;
  if (!p.WaitExit(120s)) return 0xFFFFFFFE;
  return p.ExitCode();
}

// Wine's icacls answers 0 and changes nothing; Windows' writes the ACL it is
// asked to save.
bool IcaclsIsAStub(const harness::TestFolder& folder) {
  folder.WriteText(L"probe", "x");
  RunProgram(SystemFile(L"icacls.exe"), L"\"" + folder.File(L"probe") + L"\" /save \"" + folder.File(L"saved") + L"\"");
  return !folder.Exists(L"saved");
}

// The rights the Users group has on a path by its ACL.
ACCESS_MASK UsersRights(const std::wstring& path) {
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr,
                              &sd) != ERROR_SUCCESS) {
    return 0;
  }
  BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD sidSize = sizeof(sid);
  ACCESS_MASK rights = 0;
  if (::CreateWellKnownSid(WinBuiltinUsersSid, nullptr, sid, &sidSize)) {
    TRUSTEE_W trustee{};
    ::BuildTrusteeWithSidW(&trustee, sid);
    if (::GetEffectiveRightsFromAclW(dacl, &trustee, &rights) != ERROR_SUCCESS) rights = 0;
  }
  ::LocalFree(sd);
  return rights;
}

class SetupTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    // The panel vendor's library goes to the system folder; nothing of the
    // simulation is part of the setup.
    ASSERT_TRUE(::CopyFileW(Join(harness::BinDir(), L"FNTD2XX.dll").c_str(), SystemFile(L"FNTD2XX.dll").c_str(), FALSE));
  }

  void SetUp() override {
    ASSERT_FALSE(SetupProgram().empty() || NextSetupProgram().empty() || Dist().empty())
        << "run by tests/setup/run_setup_test.sh";
    ASSERT_FALSE(Registered()) << "an earlier case left Orvanta installed";
    ::DeleteFileW(SetupLogPath().c_str());
  }

  void TearDown() override {
    if (Registered()) RunUninstall();
  }

  static std::wstring SetupProgram() { return Env(L"ORVANTA_SETUP"); }
  static std::wstring NextSetupProgram() { return Env(L"ORVANTA_SETUP_NEXT"); }
  static std::wstring Dist() { return Env(L"ORVANTA_SETUP_DIST"); }

  // The registration's silent removal, run as a deployment tool runs it.
  static DWORD RunUninstall() {
    const std::wstring command = Registered(L"QuietUninstallString");
    const std::size_t close = command.find(L'"', 1);
    if (command.empty() || command.front() != L'"' || close == std::wstring::npos) return 0xFFFFFFFD;
    return RunProgram(command.substr(1, close - 1), command.substr(close + 2));
  }

  // Waits for the driver that the setup started and for its first write of
  // the settings file, whose last key is the camera's path: a change made
  // before would be overwritten.
  static bool DriverUp(const std::wstring& dir) {
    return harness::WaitUntil(
        [&] { return DriverWindow() && harness::IniRead(Join(dir, L"Orvanta.ini"), "Camera", "Path") == ""; }, 15s);
  }

  // A press of the calibration-set button on the simulated panel reaches
  // the touch-data stand-in.
  void ExpectDriverServesAPress(const std::wstring& dir) {
    const harness::TestFolder folder(L"SetupTest.touchdata");
    harness::Process touchData;
    ASSERT_TRUE(harness::StartTouchData(folder, touchData, L"\"" + folder.File(L"touchdata.log") + L"\""));
    int x = 0, y = 0;
    ASSERT_TRUE(simcommon::FindButtonCentre(Join(dir, L"Data\\QV-LK2048.def"), "Tpdrv.ChangeTPNamedID", x, y));
    ASSERT_TRUE(harness::WaitUntil([&] { return panel.IsOpen(); }, 10s)) << "the driver opens the panel";
    panel.QueueReport(x, y, 'B', panelsim::PanelSim::Now());
    panel.QueueReport(x, y, 'N', panelsim::PanelSim::Now() + panelsim::PanelSim::MsToTicks(80));
    EXPECT_TRUE(harness::WaitUntil(
        [&] {
          const auto lines = harness::Lines(folder.ReadText(L"touchdata.log"));
          return !lines.empty() && lines.front().rfind("TPNamedID=", 0) == 0;
        },
        10s));
  }

  // The default device, the one the installed driver opens.
  panelsim::PanelSim panel;
};

TEST_F(SetupTest, SilentInstallPutsEverythingInPlaceAndStartsTheDriver) {
  ASSERT_EQ(RunProgram(SetupProgram(), L"/S"), 0u) << SetupLog();
  const std::wstring dir = InstallFolder();
  for (const auto& file : kDelivered) {
    EXPECT_EQ(wincommon::ReadFileBytes(Join(dir, file)), wincommon::ReadFileBytes(Join(Dist(), file)))
        << wincommon::WideToUtf8(file);
  }

  EXPECT_EQ(Registered(L"DisplayName"), L"Orvanta");
  EXPECT_EQ(Registered(L"DisplayVersion"), Env(L"ORVANTA_SETUP_VERSION"));
  EXPECT_FALSE(Registered(L"Publisher").empty());
  EXPECT_EQ(Lower(Registered(L"InstallLocation")), Lower(dir));
  const std::wstring icon = Registered(L"DisplayIcon");
  EXPECT_TRUE(Exists(icon.substr(0, icon.rfind(L',')))) << wincommon::WideToUtf8(icon);
  DWORD kb = 0, size = sizeof(kb);
  ::RegGetValueW(HKEY_LOCAL_MACHINE, kUninstallKey, L"EstimatedSize", RRF_RT_REG_DWORD, nullptr, &kb, &size);
  EXPECT_GT(kb, 0u);
  EXPECT_EQ(Lower(ShortcutTarget(StartupLink())), Lower(Join(dir, L"Orvanta.exe")));

  // A standard user's driver must be able to save its settings and a
  // calibration in Program Files.
  const harness::TestFolder scratch(L"SetupTest.icacls");
  const std::vector<std::wstring> changeable{Join(dir, L"Orvanta.ini"), Join(dir, L"Orvanta.log"),
                                             Join(dir, L"Data\\QV-LK2048.dat"), Join(dir, L"Data")};
  if (IcaclsIsAStub(scratch)) {
    std::printf("icacls is a stub under this Wine: the Users group's rights are not checked, only that the setup "
                "says it could not set them\n");
    for (const auto& path : changeable) {
      EXPECT_NE(SetupLog().find("icacls is a stub here (as under Wine): it changed nothing on " +
                                wincommon::WideToUtf8(path)),
                std::string::npos)
          << SetupLog();
    }
  } else {
    constexpr ACCESS_MASK kModify = FILE_GENERIC_READ | FILE_GENERIC_WRITE | DELETE;
    for (const auto& path : changeable) EXPECT_EQ(UsersRights(path) & kModify, kModify) << wincommon::WideToUtf8(path);
  }

  // Started for the user who ran the setup, from the installed folder.
  ASSERT_TRUE(DriverUp(dir)) << SetupLog();
  EXPECT_EQ(Lower(ImageOf(DriverPid())), Lower(Join(dir, L"Orvanta.exe")));
  ExpectDriverServesAPress(dir);
}

// The wizard in Japanese, clicked through as a person would: at its end it
// offers (ticked) to start the driver and open its settings.
TEST_F(SetupTest, InteractiveInstallOffersToStartTheDriverAndItsSettings) {
  harness::Process setup;
  ASSERT_TRUE(setup.Start(SetupProgram()));
  const auto wizard = [&]() -> HWND {
    const auto w = harness::WindowsOfProcess(setup.Id(), L"#32770");
    return w.empty() ? nullptr : w.front();
  };
  const auto offer = [&]() -> HWND {
    const HWND w = wizard();
    for (const HWND c : w ? harness::ChildWindows(w, L"Button") : std::vector<HWND>()) {
      if (harness::WindowText(c) == L"Orvanta を起動して設定を開く") return c;
    }
    return nullptr;
  };
  // Each page is a dialog of its own inside the wizard; its forward button
  // (Next, Install) is clicked once per page, once it is enabled. The page
  // that installs, with its progress bar, moves on to the last by itself.
  HWND clickedOn = nullptr;
  ASSERT_TRUE(harness::WaitUntil(
      [&] {
        const HWND w = wizard();
        if (!w || offer()) return offer() != nullptr;
        const auto pages = harness::ChildWindows(w, L"#32770");
        const HWND page = pages.empty() ? nullptr : pages.front();
        const HWND forward = ::GetDlgItem(w, IDOK);
        const bool installing = page && !harness::ChildWindows(page, L"msctls_progress32").empty();
        if (page && page != clickedOn && !installing && forward && ::IsWindowEnabled(forward)) {
          clickedOn = page;
          ::PostMessageW(w, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(forward));
        }
        return false;
      },
      90s))
      << SetupLog();
  // Ticked while the page comes up.
  EXPECT_TRUE(harness::WaitUntil([&] { return ::SendMessageW(offer(), BM_GETCHECK, 0, 0) == BST_CHECKED; }, 5s));
  const HWND finish = ::GetDlgItem(wizard(), IDOK);
  ::PostMessageW(wizard(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(finish));
  ASSERT_TRUE(setup.WaitExit(60s));
  EXPECT_EQ(setup.ExitCode(), 0u) << SetupLog();

  EXPECT_TRUE(harness::WaitUntil(
      [] { return !harness::WindowsOfProcess(DriverPid(), orvanta::identity::kSettingClass).empty(); }, 20s))
      << "the driver runs and shows its settings\n" << SetupLog();
}

TEST_F(SetupTest, UpgradeKeepsSettingsAndCalibrationAndRestartsTheDriver) {
  ASSERT_EQ(RunProgram(SetupProgram(), L"/S"), 0u) << SetupLog();
  const std::wstring dir = InstallFolder();
  const std::string ini = wincommon::WideToAnsi(Join(dir, L"Orvanta.ini"));
  const std::string calibration = wincommon::WideToAnsi(Join(dir, L"Data\\QV-LK2048.dat"));
  ASSERT_TRUE(DriverUp(dir)) << SetupLog();
  // Held open, the old driver's id cannot be reused.
  const wincommon::KernelHandle oldDriver(::OpenProcess(SYNCHRONIZE, FALSE, DriverPid()));
  ASSERT_TRUE(oldDriver);

  // The user's settings and calibration, and a delivered program that the
  // upgrade must replace.
  ASSERT_TRUE(::WritePrivateProfileStringA("Main", "NotifyMsg", "1234", ini.c_str()));
  ASSERT_TRUE(::WritePrivateProfileStringA("Button.1.1", "Rect", "11,22,3333,4444", calibration.c_str()));
  ASSERT_TRUE(wincommon::WriteFileBytes(Join(dir, L"OrvantaLink.exe"), "not a program"));

  ASSERT_EQ(RunProgram(NextSetupProgram(), L"/S"), 0u) << SetupLog();
  EXPECT_EQ(::WaitForSingleObject(oldDriver.get(), 0), WAIT_OBJECT_0) << "the old driver ended";
  ASSERT_TRUE(DriverUp(dir)) << SetupLog() << "a new driver";
  EXPECT_EQ(harness::IniRead(Join(dir, L"Orvanta.ini"), "Main", "NotifyMsg"), "1234");
  EXPECT_EQ(harness::IniRead(Join(dir, L"Data\\QV-LK2048.dat"), "Button.1.1", "Rect"), "11,22,3333,4444");
  EXPECT_EQ(wincommon::ReadFileBytes(Join(dir, L"OrvantaLink.exe")),
            wincommon::ReadFileBytes(Join(Dist(), L"OrvantaLink.exe")));
  EXPECT_EQ(Registered(L"DisplayVersion"), Env(L"ORVANTA_SETUP_NEXT_VERSION"));
}

TEST_F(SetupTest, AnOlderSetupIsRefusedAndChangesNothing) {
  ASSERT_EQ(RunProgram(NextSetupProgram(), L"/S /NORUN"), 0u) << SetupLog();
  // Had it started the driver, the setup would have waited for its window.
  EXPECT_EQ(DriverWindow(), nullptr) << "/NORUN leaves the driver stopped";

  EXPECT_EQ(RunProgram(SetupProgram(), L"/S"), kRefusedAsOlder) << SetupLog();
  EXPECT_NE(SetupLog().find("refused: the installed version"), std::string::npos) << SetupLog();
  EXPECT_EQ(Registered(L"DisplayVersion"), Env(L"ORVANTA_SETUP_NEXT_VERSION"));
  EXPECT_EQ(DriverWindow(), nullptr);
}

TEST_F(SetupTest, RemovalStopsTheRunningDriverAndLeavesNothing) {
  ASSERT_EQ(RunProgram(SetupProgram(), L"/S"), 0u) << SetupLog();
  const std::wstring dir = InstallFolder();
  ASSERT_TRUE(DriverUp(dir)) << SetupLog();
  const wincommon::KernelHandle driver(::OpenProcess(SYNCHRONIZE, FALSE, DriverPid()));
  ASSERT_TRUE(driver);

  ASSERT_EQ(RunUninstall(), 0u) << SetupLog();
  EXPECT_EQ(::WaitForSingleObject(driver.get(), 0), WAIT_OBJECT_0) << "the driver ended";
  // The uninstaller's own file goes, with the folder, once it has ended.
  EXPECT_TRUE(harness::WaitUntil([&] { return !Exists(dir); }, 15s))
      << "the folder, with the settings and calibration the driver wrote\n" << SetupLog();
  EXPECT_FALSE(Exists(StartupLink()));
  EXPECT_FALSE(Registered());
}

TEST_F(SetupTest, AFolderThatCannotBeUsedFailsWithItsReason) {
  // A file stands where a folder of the chosen path should be: NSIS alone
  // would install into the default folder instead.
  const harness::TestFolder folder;
  ASSERT_TRUE(folder.WriteText(L"taken", "x"));
  EXPECT_EQ(RunProgram(SetupProgram(), L"/S /D=" + folder.File(L"taken\\Orvanta")), kFailed);
  EXPECT_NE(SetupLog().find("failed: the folder given with /D= cannot be used"), std::string::npos) << SetupLog();
  EXPECT_FALSE(Registered());
  EXPECT_EQ(DriverWindow(), nullptr);
}

}  // namespace
