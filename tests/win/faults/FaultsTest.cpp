// The driver against faults of what it depends on, one table each: the
// panel library failing each call or lacking an entry point, a damaged or
// unusable INI file, a missing, empty, truncated or locked button resource
// file, and a second driver started while the first shuts down. After every
// fault the driver must still run and show nothing, and serve the
// calibration-set button whenever the library can serve it.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/DriverTestSupport.h"
#include "wincommon/Files.h"

namespace drivertest {
namespace {

class Faults : public PanelDriverTest {
protected:
  std::size_t Switches() const {
    std::size_t n = 0;
    for (const auto& l : Received()) n += l == "TPNamedID=Orvanta-16:9" || l == "TPNamedID=Orvanta-4:3";
    return n;
  }
  // Open at 38400 8N2, the start-up commands sent whole (once per open)
  // since the log was last cleared.
  bool Connected() const {
    const auto line = panel.HostLine();
    const auto sent = panel.Written();
    return panel.IsOpen() && line.baud == 38400 && line.wordLength == 8 && line.stopBits == 2 &&
           !sent.empty() && sent.size() % kStartupBytes.size() == 0 &&
           std::equal(kStartupBytes.begin(), kStartupBytes.end(), sent.end() - kStartupBytes.size());
  }
  // A press on the delivered calibration-set button (column 2, row 8) that
  // the touch-data stand-in must see.
  ::testing::AssertionResult PressServed() {
    const std::size_t before = Switches();
    panel.QueueReport(1700, 9200, 'B', panelsim::PanelSim::Now());
    panel.QueueReport(1700, 9200, 'N', panelsim::PanelSim::Now() + panelsim::PanelSim::MsToTicks(60));
    if (harness::WaitUntil([&] { return Switches() > before; }, 6s)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the press never reached the touch-data program";
  }
  void ExpectQuietAndServing() {
    EXPECT_TRUE(f.driver.Running());
    EXPECT_TRUE(harness::Boxes(f.driver.Id()).empty()) << "no message box";
    EXPECT_TRUE(PressServed());
  }
};

struct LibraryFault {
  const char* call;
  std::uint32_t times;
  bool onDemand;  // called only once data arrives or the link closes
};
void PrintTo(const LibraryFault& c, std::ostream* os) { *os << c.call << " x" << c.times; }

class LibraryFaults : public Faults, public ::testing::WithParamInterface<LibraryFault> {
protected:
  // Connected with every injected failure spent (a reconnect purges what
  // has arrived, so a press made before the last failure may go).
  bool Recovered() const {
    const auto calls = panel.Calls(GetParam().call);
    std::uint32_t failed = 0;
    for (const auto& c : calls) failed += c.status != 0;
    const bool spent = failed >= GetParam().times && calls.back().status == 0;
    return (spent || GetParam().onDemand) && Connected();
  }
};

TEST_P(LibraryFaults, TheDriverRecoversByItselfAndAfterAReplug) {
  StartTouchData();
  panel.FailNext(GetParam().call, GetParam().times);
  ASSERT_TRUE(f.Start());
  // A failure at any step of an open must not leave a half-made link: the
  // next connection tick opens it again properly.
  ASSERT_TRUE(harness::WaitUntil([&] { return Recovered(); }, 6s))
      << "open " << panel.IsOpen() << ", " << panel.Written().size() << " start-up bytes, baud "
      << panel.HostLine().baud;
  ExpectQuietAndServing();

  panel.FailNext(GetParam().call, GetParam().times);
  panel.ClearLog();
  panel.Plug(false);
  ASSERT_TRUE(harness::WaitUntil([&] { return !panel.Calls("FT_Close").empty(); }, 3s));
  panel.Plug(true);
  ASSERT_TRUE(harness::WaitUntil([&] { return Recovered(); }, 6s)) << "after the replug";
  ExpectQuietAndServing();
}

INSTANTIATE_TEST_SUITE_P(Table, LibraryFaults,
                         ::testing::Values(LibraryFault{"FT_OpenEx", 2, false}, LibraryFault{"FT_SetBaudRate", 1, false},
                                           LibraryFault{"FT_SetDataCharacteristics", 1, false},
                                           LibraryFault{"FT_Purge", 1, false}, LibraryFault{"FT_Write", 1, false},
                                           LibraryFault{"FT_GetQueueStatus", 3, false},
                                           LibraryFault{"FT_Read", 3, true}, LibraryFault{"FT_Close", 1, true}),
                         [](const auto& p) { return std::string(p.param.call + 3) + "_" + std::to_string(p.param.times); });

// A library that goes on refusing the start-up write: the third open is kept
// as it is, as the library was always taken, the buttons work, and the log
// beside the INI file says so, once.
TEST_F(Faults, ALibraryThatKeepsRefusingIsTakenAsItIsAtTheThirdOpenAndLogged) {
  StartTouchData();
  panel.FailNext("FT_Write", 3);
  ASSERT_TRUE(f.Start());
  ASSERT_TRUE(harness::WaitUntil([&] { return panel.Calls("FT_Write").size() >= 3; }, 6s));
  harness::PumpFor(1500ms);  // past the next connection tick
  EXPECT_TRUE(panel.IsOpen());
  EXPECT_EQ(panel.Calls("FT_OpenEx").size(), 3u) << "no open after the third";
  const auto log = harness::Lines(f.folder.ReadText(L"Orvanta.log"));
  ASSERT_EQ(log.size(), 1u);
  EXPECT_NE(log[0].find("start-up commands"), std::string::npos) << log[0];
  ExpectQuietAndServing();
}

// A library without one of its entry points: without FT_OpenEx the link never
// opens; without FT_GetQueueStatus it opens and is dropped at its first poll,
// again at every connection tick. Either way the driver runs on quietly.
class MissingEntry : public Faults, public ::testing::WithParamInterface<const char*> {};

TEST_P(MissingEntry, TheDriverRunsOnQuietly) {
  const std::string missing = GetParam();
  const std::wstring folder = L"without-" + std::wstring(missing.begin(), missing.end());
  ASSERT_TRUE(::CopyFileW(harness::Join(harness::BinDir(), folder + L"\\FNTD2XX.dll").c_str(),
                          f.folder.File(L"FNTD2XX.dll").c_str(), FALSE));
  ASSERT_TRUE(f.driver.Start(f.folder.File(L"Orvanta.exe"), L"", f.folder.Path()));
  ASSERT_TRUE(harness::WaitUntil([&] { return f.AppWindow() != nullptr; }, 10s));
  if (missing == "FT_OpenEx") {
    // Two connection ticks and more: nothing of the library was called.
    harness::PumpFor(2500ms);
    EXPECT_TRUE(panel.Calls("FT_SetBaudRate").empty() && panel.Calls("FT_GetQueueStatus").empty());
    EXPECT_FALSE(panel.IsOpen());
  } else {
    EXPECT_TRUE(harness::WaitUntil([&] { return panel.Calls("FT_OpenEx").size() >= 2; }, 5s));
    EXPECT_GE(panel.Calls("FT_Close").size(), 1u);
  }
  EXPECT_TRUE(f.driver.Running());
  EXPECT_TRUE(harness::Boxes(f.driver.Id()).empty()) << "no message box";
  ASSERT_TRUE(f.CloseAndWait());
  EXPECT_EQ(f.driver.ExitCode(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Table, MissingEntry, ::testing::Values("FT_OpenEx", "FT_GetQueueStatus"),
                         [](const auto& p) { return std::string(p.param + 3); });

struct IniCase {
  const char* name;  // the fault
  DWORD priority;    // the class the driver must end up in
};

class IniFaults : public Faults, public ::testing::WithParamInterface<IniCase> {};

TEST_P(IniFaults, StartsQuietlyWithWhatCanBeRead) {
  const std::string longValue(300, '7');
  const std::string fault = GetParam().name;
  if (fault == "ReadOnly") {
    ASSERT_TRUE(f.folder.WriteText(L"Orvanta.ini", "[Main]\r\nPriority=3\r\n"));
    ASSERT_TRUE(::SetFileAttributesW(f.Ini().c_str(), FILE_ATTRIBUTE_READONLY));
  } else if (fault == "NotAFile") {
    // Where the INI file should be, nothing can be read or written (as in
    // a folder the user cannot write to, which root cannot have here).
    ASSERT_TRUE(::CreateDirectoryW(f.Ini().c_str(), nullptr));
  } else {
    ASSERT_TRUE(f.folder.WriteText(L"Orvanta.ini", "[Main]\r\nPriority=3" + longValue + "\r\nDblClickTime=" + longValue +
                                                       "\r\n[Camera]\r\nPath=\"C:\\" + longValue +
                                                       "\"\r\n[PenPlus]\r\nPath=" + longValue + "\r\n"));
  }
  StartTouchData();
  ASSERT_TRUE(f.Start());
  ASSERT_TRUE(harness::WaitUntil([&] { return Connected(); }, 5s));
  EXPECT_EQ(f.PriorityClass(), GetParam().priority);
  // (How long values are cut and numbers clamped is the settings' rule,
  // checked natively and fuzzed; the profile functions' own cut is in the
  // profile rule table that runs against them here.)
  ExpectQuietAndServing();
  ASSERT_TRUE(f.CloseAndWait());
  EXPECT_EQ(f.driver.ExitCode(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Table, IniFaults,
                         ::testing::Values(IniCase{"ReadOnly", NORMAL_PRIORITY_CLASS},
                                           IniCase{"NotAFile", HIGH_PRIORITY_CLASS},
                                           IniCase{"LongValues", NORMAL_PRIORITY_CLASS}),
                         harness::CaseName());

// The resource file missing, empty, truncated or locked by another program.
class ResourceFaults : public Faults, public ::testing::WithParamInterface<std::string> {};

TEST_P(ResourceFaults, TheButtonsStillWorkAndTheNotificationShows) {
  const std::string delivered = wincommon::ReadFileBytes(harness::Join(harness::BinDir(), L"Orvanta.dat"));
  ASSERT_GT(delivered.size(), 1000u);
  wincommon::FileHandle lock;
  if (GetParam() == "Empty") {
    ASSERT_TRUE(f.folder.WriteText(L"Orvanta.dat", ""));
  } else if (GetParam() == "Truncated") {
    ASSERT_TRUE(f.folder.WriteText(L"Orvanta.dat", delivered.substr(0, delivered.size() / 2 + 3)));
  } else if (GetParam() == "Locked") {
    ASSERT_TRUE(f.folder.WriteText(L"Orvanta.dat", delivered));
    lock.reset(::CreateFileW(f.folder.File(L"Orvanta.dat").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(lock);
  }
  StartTouchData();
  ASSERT_TRUE(f.Start());
  ASSERT_TRUE(harness::WaitUntil([&] { return Connected(); }, 5s));
  ExpectQuietAndServing();
  EXPECT_TRUE(harness::WaitUntil(
      [&] { return !harness::WindowsOfProcess(f.driver.Id(), orvanta::identity::kInfoClass).empty(); }, 3s));
  lock.reset();
  ASSERT_TRUE(f.CloseAndWait());
  EXPECT_EQ(f.driver.ExitCode(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Table, ResourceFaults, ::testing::Values("Missing", "Empty", "Truncated", "Locked"),
                         [](const auto& p) { return p.param; });

TEST_F(Faults, ASecondDriverStartedWhileTheFirstShutsDownTakesOver) {
  StartTouchData();
  ASSERT_TRUE(f.Start());
  ASSERT_TRUE(harness::WaitUntil([&] { return Connected(); }, 5s));
  // The instance's name stays taken while anything holds it; holding it here
  // stands for a first driver whose windows are gone but whose process has
  // not ended yet, whichever way the race between the two goes.
  wincommon::KernelHandle name(::OpenMutexW(SYNCHRONIZE, FALSE, L"Local\\Orvanta.PanelDriver.Instance"));
  ASSERT_TRUE(name);
  ASSERT_TRUE(::PostMessageW(f.AppWindow(), WM_CLOSE, 0, 0));
  ASSERT_TRUE(harness::WaitUntil([&] { return f.AppWindow() == nullptr; }, 5s));
  harness::Process second;
  ASSERT_TRUE(second.Start(f.folder.File(L"Orvanta.exe"), L"", f.folder.Path()));
  ASSERT_TRUE(f.driver.WaitExit(10s));
  EXPECT_EQ(f.driver.ExitCode(), 0u);
  name.reset();

  // The second one runs, connects and serves the buttons; it did not wait
  // without a bound for the first.
  f.driver = std::move(second);
  panel.ClearLog();
  ASSERT_TRUE(harness::WaitUntil([&] { return f.AppWindow() != nullptr && panel.IsOpen(); }, 10s))
      << "second driver running: " << f.driver.Running();
  ExpectQuietAndServing();
}

}  // namespace
}  // namespace drivertest
