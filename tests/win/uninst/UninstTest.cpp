// OrvantaUninst end to end: the program is started in a fresh product folder
// beside the ST6UNST.EXE stand-in; its message boxes are read and answered
// from here; the driver is the real Orvanta.exe or AppWindowStub.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "common/Harness.h"
#include "identities/WindowIdentities.h"
#include "wincommon/Handles.h"
#include "wincommon/Text.h"

namespace {

using namespace std::chrono_literals;
using harness::Process;
using harness::TestFolder;
using harness::WaitUntil;

constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
using orvanta::identity::kAppClass;
using orvanta::identity::kDriverTitle;
constexpr auto kBoxTimeout = 20s;
constexpr auto kEndTimeout = 30s;

// The system's text for a missing file, without its line end.
std::wstring SystemFileNotFoundText() {
  wchar_t text[512] = {};
  ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_FILE_NOT_FOUND, 0, text,
                   512, nullptr);
  const std::wstring s = text;
  return s.substr(0, s.find_last_not_of(L"\r\n") + 1);
}

using harness::Answer;
using harness::Box;

// The next message box of the process; empty hwnd on time-out.
Box WaitForBox(const Process& p) { return harness::WaitForBox(p.Id(), kBoxTimeout); }

// Registrations under HKLM\...\Uninstall made for one test and removed after
// it, in the 32-bit view, where the 32-bit removal program writes them
// (WOW6432Node, for a test built for x86-64).
class RegistrationFixtures {
public:
  ~RegistrationFixtures() {
    for (const auto& key : made_) ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), KEY_WOW64_32KEY, 0);
  }
  bool Add(const std::wstring& name, const std::wstring& uninstallString) {
    made_.push_back(std::wstring(kUninstallKey) + L"\\" + name);
    HKEY raw = nullptr;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, made_.back().c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_32KEY,
                          nullptr, &raw, nullptr) != ERROR_SUCCESS) {
      return false;
    }
    const wincommon::RegKey key(raw);
    return ::RegSetValueExW(key.get(), L"UninstallString", 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(uninstallString.c_str()),
                            static_cast<DWORD>((uninstallString.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
  }

private:
  std::vector<std::wstring> made_;
};

class UninstTest : public ::testing::Test {
protected:
  void SetUp() override {
    // No driver may be left over from an earlier test: the program closes
    // the first window of that class and title it finds.
    ASSERT_EQ(::FindWindowW(kAppClass, kDriverTitle), nullptr) << "a driver window is left over";
    ASSERT_TRUE(folder_.CopyFromBin(L"OrvantaUninst.exe"));
    // The removal program lies in a folder with a blank in its name and is
    // named quoted, as the registration names it under "Program Files".
    removal_ = folder_.File(L"Win Dir\\ST6UNST.EXE");
    ASSERT_TRUE(::CreateDirectoryW(folder_.File(L"Win Dir").c_str(), nullptr));
    ASSERT_TRUE(::CopyFileW(harness::Join(harness::BinDir(), L"ST6UNST.exe").c_str(), removal_.c_str(), FALSE));
    log_ = folder_.File(L"Prog Files\\ST6UNST.LOG");
    ASSERT_TRUE(folder_.WriteText(L"Prog Files\\ST6UNST.LOG",
                                  "CONFIG: AppPath: C:\\x\r\nCONFIG: Title: \"Orvanta\"\r\nACTION: File: x\r\n"));
    ::SetEnvironmentVariableW(L"ORVANTA_ST6UNST_CALLS", folder_.File(L"calls.txt").c_str());
    ::SetEnvironmentVariableW(L"ORVANTA_ST6UNST_RELEASE", nullptr);
  }
  void TearDown() override {
    ::SetEnvironmentVariableW(L"ORVANTA_ST6UNST_CALLS", nullptr);
    ::SetEnvironmentVariableW(L"ORVANTA_ST6UNST_RELEASE", nullptr);
  }

  Process StartUninst(const std::wstring& args) {
    Process p;
    EXPECT_TRUE(p.Start(harness::Join(programDir_, L"OrvantaUninst.exe"), args, folder_.Path()));
    return p;
  }
  std::wstring TypicalArgs() const { return L"/u \"" + removal_ + L"\" -n \"" + log_ + L"\""; }
  std::wstring OwnFile() const { return harness::Join(programDir_, L"OrvantaUninst.exe"); }

  std::vector<std::string> Calls() const { return harness::Lines(folder_.ReadText(L"calls.txt")); }
  bool CallsContain(const std::string& line) const {
    const auto calls = Calls();
    return std::find(calls.begin(), calls.end(), line) != calls.end();
  }
  // The parameters as the removal program sees them: their leading blank
  // merges with the blank after the program's name on its command line.
  std::string ArgsLine(const std::wstring& params) const {
    return "args\t" + wincommon::WideToUtf8(params.substr(std::min(params.find_first_not_of(L' '), params.size())));
  }

  // The driver started in the product folder: the real one, or its
  // stand-in in a mode (null: the real one).
  Process StartDriver(const wchar_t* stubMode = nullptr) {
    const wchar_t* exe = stubMode ? L"AppWindowStub.exe" : L"Orvanta.exe";
    EXPECT_TRUE(stubMode ? folder_.CopyFromBin(exe) : folder_.InstallDriver());
    Process p;
    EXPECT_TRUE(p.Start(folder_.File(exe), stubMode ? stubMode : L"", folder_.Path()));
    EXPECT_NE(harness::WaitForWindow(kAppClass, kDriverTitle, 10s), nullptr);
    return p;
  }

  // Starts the program, which must show one error box as ExpectLastBox says.
  void ExpectErrorBox(const std::wstring& args, const std::wstring& title, const std::wstring& text, DWORD code) {
    Process uninst = StartUninst(args);
    ExpectLastBox(uninst, title, text, code);
  }

  // The program's next box is an error box (OK only) with this title and
  // text; answered, the program ends with the code, without having started
  // the removal program.
  void ExpectLastBox(Process& uninst, const std::wstring& title, const std::wstring& text, DWORD code) {
    const Box box = WaitForBox(uninst);
    ASSERT_NE(box.hwnd, nullptr) << "no box";
    EXPECT_EQ(box.title, title);
    EXPECT_EQ(box.text, text);
    EXPECT_FALSE(box.Has(IDYES));
    ASSERT_TRUE(Answer(box, IDOK)) << "no OK button";
    ASSERT_TRUE(uninst.WaitExit(kEndTimeout));
    EXPECT_EQ(uninst.ExitCode(), code);
    EXPECT_FALSE(folder_.Exists(L"calls.txt"));
  }

  void ConfirmYes(const Process& uninst) {
    const Box box = WaitForBox(uninst);
    ASSERT_NE(box.hwnd, nullptr) << "no confirmation box";
    EXPECT_TRUE(Answer(box, IDYES));
  }

  TestFolder folder_;
  // Where OrvantaUninst.exe lies and starts from.
  std::wstring programDir_ = folder_.Path();
  std::wstring removal_;
  std::wstring log_;
};

// Which command lines ask for removal is a native rule; a command without
// the switch end to end.
TEST_F(UninstTest, NotAskedEndsAtOnceWithoutWindow) {
  Process uninst = StartUninst(L"\"" + removal_ + L"\" -n \"" + log_ + L"\"");
  bool sawWindow = false;
  ASSERT_TRUE(WaitUntil(
      [&] {
        sawWindow = sawWindow || !harness::WindowsOfProcess(uninst.Id()).empty();
        return !uninst.Running();
      },
      kEndTimeout));
  EXPECT_FALSE(sawWindow);
  EXPECT_EQ(uninst.ExitCode(), 0u);
  EXPECT_FALSE(folder_.Exists(L"calls.txt"));
}

// Which commands are refused, with which text and title, is a native rule;
// here the boxes as they come: the removal program's string resources filled
// in with the log path, or the system's missing-file text where the removal
// program is missing or has no such resources. The driver is left running.
TEST_F(UninstTest, ARefusedCommandShowsOneBoxAndLeavesTheDriver) {
  Process driver = StartDriver(L"close");
  const std::wstring textless = folder_.File(L"Plain\\ST6UNST.EXE");
  ASSERT_TRUE(folder_.WriteText(L"Plain\\placeholder", ""));
  ASSERT_TRUE(::CopyFileW(folder_.File(L"AppWindowStub.exe").c_str(), textless.c_str(), FALSE));
  const std::wstring missing = folder_.File(L"Prog Files\\Gone.LOG");
  ExpectErrorBox(L"/u \"" + folder_.File(L"Gone\\ST6UNST.EXE") + L"\" -n \"" + log_ + L"\"", L"OrvantaUninst",
                 SystemFileNotFoundText(), 1);
  ExpectErrorBox(L"/u \"" + removal_ + L"\" -n \"" + missing + L"\"", missing + L" のアンインストール",
                 L"アンインストール ログ ファイル '" + missing + L"' が見つかりません。", 605);
  ExpectErrorBox(L"/u " + textless + L" -n \"" + missing + L"\"", L"OrvantaUninst", SystemFileNotFoundText(), 605);
  EXPECT_FALSE(folder_.Exists(L"Plain\\appwindow-events.txt")) << "read as a data file only: its code never ran";
  EXPECT_TRUE(driver.Running());
  EXPECT_NE(::FindWindowW(kAppClass, kDriverTitle), nullptr);
  EXPECT_EQ(folder_.ReadText(L"appwindow-events.txt").find("WM_CLOSE"), std::string::npos);
}

TEST_F(UninstTest, NoShows702OnlyAndDriverKeepsRunning) {
  ASSERT_TRUE(folder_.WriteText(L"Prog Files\\ST6UNST.LOG",
                                wincommon::WideToAnsi(L"CONFIG: Title: \"First\"\r\nCONFIG: TITLE: \"オルヴァンタ\"\r\n")));
  Process driver = StartDriver();
  Process uninst = StartUninst(TypicalArgs());
  const Box confirm = WaitForBox(uninst);
  ASSERT_NE(confirm.hwnd, nullptr);
  EXPECT_EQ(confirm.title, L"オルヴァンタ のアンインストール");
  EXPECT_EQ(confirm.text, L"オルヴァンタ とそのすべてのコンポーネントを削除しますか?");
  EXPECT_TRUE(confirm.Has(IDYES));
  EXPECT_EQ(confirm.defaultId, IDNO);
  EXPECT_EQ(confirm.focusId, IDNO);
  ASSERT_TRUE(Answer(confirm, IDNO));

  ExpectLastBox(uninst, L"オルヴァンタ のアンインストール", L"オルヴァンタ のアンインストールは取り消されました。", 702);
  // Reported once: no second box after the refusal.
  EXPECT_TRUE(driver.Running());
  EXPECT_NE(::FindWindowW(kAppClass, kDriverTitle), nullptr);
}

struct StopCase {
  const char* name;
  const wchar_t* stubMode;  // nullptr: the real driver
  bool terminated;          // ended from outside (exit code 0 of the stub)
};
std::ostream& operator<<(std::ostream& os, const StopCase& c) { return os << c.name; }

class StopDriverTest : public UninstTest, public ::testing::WithParamInterface<StopCase> {};

TEST_P(StopDriverTest, DriverEndsBeforeRemovalStarts) {
  Process driver = StartDriver(GetParam().stubMode);
  ASSERT_TRUE(driver.Running());
  Process uninst = StartUninst(TypicalArgs());
  ConfirmYes(uninst);
  // The removal program must not start while the driver still runs.
  ASSERT_TRUE(WaitUntil([&] { return folder_.Exists(L"calls.txt") || !driver.Running(); }, kEndTimeout));
  EXPECT_FALSE(driver.Running()) << "removal program started while the driver still ran";
  ASSERT_TRUE(driver.WaitExit(kEndTimeout));
  ASSERT_TRUE(uninst.WaitExit(kEndTimeout));
  EXPECT_EQ(uninst.ExitCode(), 0u);
  EXPECT_EQ(::FindWindowW(kAppClass, kDriverTitle), nullptr);
  if (GetParam().stubMode) {
    EXPECT_NE(folder_.ReadText(L"appwindow-events.txt").find("WM_CLOSE"), std::string::npos);
    EXPECT_EQ(driver.ExitCode(), GetParam().terminated ? 0u : 7u);
  }
  // The removal program, in a folder with blanks, runs only after the
  // driver is gone, and waits for this program to end.
  ASSERT_TRUE(WaitUntil([&] { return CallsContain("end"); }, kEndTimeout));
  const auto calls = Calls();
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls[0], ArgsLine(L" -n \"" + log_ + L"\"  -f -w  " + std::to_wstring(uninst.Id())));
  EXPECT_EQ(calls[1], "waited\t" + std::to_string(uninst.Id()) + "\tended");
}
INSTANTIATE_TEST_SUITE_P(Table, StopDriverTest,
                         ::testing::Values(StopCase{"RealDriver", nullptr, false},
                                           StopCase{"ClosesOnRequest", L"close", false},
                                           StopCase{"HangsInClose", L"hang 30000", true},
                                           StopCase{"LingersAfterItsWindow", L"linger 2500", false},
                                           StopCase{"LingersPastTheBound", L"linger 30000", true},
                                           // Watched in the process list: it may not even be waited for.
                                           StopCase{"LingersAndMayNotBeOpened", L"linger 2500 sealed", false}),
                         harness::CaseName());

// A driver that may not be terminated (another user's, seen from an
// over-the-shoulder elevation) and does not close: the removal is reported
// as failed instead of started against the running driver.
TEST_F(UninstTest, ADriverThatCannotBeEndedIsReportedAnd702) {
  Process driver = StartDriver(L"hang 30000 noterminate");
  Process uninst = StartUninst(TypicalArgs());
  ConfirmYes(uninst);
  ExpectLastBox(uninst, L"Orvanta のアンインストール", L"Orvanta のアンインストールは取り消されました。", 702);
  EXPECT_TRUE(driver.Running());
  driver.Kill();
}

struct RegistrationCase {
  const char* name;
  int own;     // registrations whose UninstallString runs the program itself
  bool waits;  // the program waits for the removal program
  // The program's own folder under the test folder (none: the test folder);
  // ソ, 表 and 能 end in a backslash byte in code page 932.
  const wchar_t* programFolder = nullptr;
};
std::ostream& operator<<(std::ostream& os, const RegistrationCase& c) { return os << c.name; }

class RegistrationTest : public UninstTest, public ::testing::WithParamInterface<RegistrationCase> {};

TEST_P(RegistrationTest, WaitsOnlyFromTwoOwnRegistrations) {
  if (GetParam().programFolder) {
    programDir_ = folder_.File(GetParam().programFolder);
    ASSERT_TRUE(::CreateDirectoryW(programDir_.c_str(), nullptr));
    ASSERT_TRUE(::CopyFileW(folder_.File(L"OrvantaUninst.exe").c_str(),
                            harness::Join(programDir_, L"OrvantaUninst.exe").c_str(), FALSE));
  }
  RegistrationFixtures reg;
  const std::wstring suffix = wincommon::Utf8ToWide(::testing::UnitTest::GetInstance()->current_test_info()->name());
  for (int i = 0; i < GetParam().own; ++i) {
    // Letter case differs from the program's own path: compared in upper case.
    std::wstring own = OwnFile();
    if (i % 2) ::CharLowerBuffW(own.data(), static_cast<DWORD>(own.size()));
    ASSERT_TRUE(reg.Add(L"ST6UNST #9" + std::to_wstring(i) + L" " + suffix,
                        L"\"" + own + L"\" /u C:\\Windows\\ST6UNST.EXE -n \"" + log_ + L"\""));
  }
  // (Which keys count is a native rule: IsOwnRegistrationTest.)

  const std::wstring release = folder_.File(L"release.flag");
  ::SetEnvironmentVariableW(L"ORVANTA_ST6UNST_RELEASE", release.c_str());
  Process uninst = StartUninst(TypicalArgs());
  ConfirmYes(uninst);
  ASSERT_TRUE(WaitUntil([&] { return !Calls().empty(); }, kEndTimeout));
  const std::wstring waiting = L" -n \"" + log_ + L"\"  -f";

  if (GetParam().waits) {
    EXPECT_EQ(Calls().front(), ArgsLine(waiting));
    // Held by the removal program: this program must still be waiting for it.
    EXPECT_FALSE(uninst.WaitExit(1500ms));
    ASSERT_TRUE(folder_.WriteText(L"release.flag", "go"));
    ASSERT_TRUE(uninst.WaitExit(kEndTimeout));
    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 3u) << folder_.ReadText(L"calls.txt");
    EXPECT_EQ(calls[1], "released");
    EXPECT_EQ(calls[2], "end");
  } else {
    EXPECT_EQ(Calls().front(), ArgsLine(waiting + L" -w  " + std::to_wstring(uninst.Id())));
    // Ends while the removal program still runs (it is held until released).
    ASSERT_TRUE(uninst.WaitExit(kEndTimeout));
    EXPECT_FALSE(CallsContain("end"));
    ASSERT_TRUE(folder_.WriteText(L"release.flag", "go"));
    ASSERT_TRUE(WaitUntil([&] { return CallsContain("end"); }, kEndTimeout));
  }
  EXPECT_EQ(uninst.ExitCode(), 0u);
}
INSTANTIATE_TEST_SUITE_P(Table, RegistrationTest,
                         ::testing::Values(RegistrationCase{"One", 1, false}, RegistrationCase{"Two", 2, true},
                                           RegistrationCase{"TwoFromAJapaneseFolder", 2, true, L"削除ソフト表能"}),
                         harness::CaseName());

}  // namespace
