// Starting the camera program through the shell, against the stand-in
// CameraSim. The camera action's rules are checked natively over a fake
// port, and the press end to end in the driver's touch tests.
#include <gtest/gtest.h>

#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include "actions/win/ProcessPortWin.h"
#include "common/Harness.h"
#include "base/win/AnsiText.h"
#include "base/win/ModuleShell.h"
#include "wincommon/Handles.h"
#include "wincommon/Text.h"

namespace {

using namespace std::chrono_literals;
using orvanta::win::ProcessPortWin;

class CameraTest : public ::testing::Test {
protected:
  static constexpr const wchar_t* kAppDir = L"Camera ソフト表能";
  // The stand-in in the test's own folder under a folder with a blank in its
  // name, as "Program Files" is, and with Japanese characters whose second
  // byte in the INI file's code page is a backslash (ソ, 表, 能); options for
  // the shell start come from the file beside it.
  void Install(const std::string& options) {
    ASSERT_TRUE(folder_.CopyFromBin(L"CameraSim.exe"));
    const std::wstring appDir = folder_.File(kAppDir);
    ASSERT_TRUE(::CreateDirectoryW(appDir.c_str(), nullptr));
    exe_ = harness::Join(appDir, L"カメラソフト.exe");
    ASSERT_TRUE(::MoveFileW(folder_.File(L"CameraSim.exe").c_str(), exe_.c_str()));
    const std::string pidFile = wincommon::WideToUtf8(folder_.File(L"pids.txt"));
    ASSERT_TRUE(
        folder_.WriteText(harness::Join(kAppDir, L"カメラソフト.args"), "\"--pid-file=" + pidFile + "\" " + options));
    // The INI file holds the path in the system ANSI code page.
    cameraPath_ = orvanta::win::ToAnsi(exe_);
  }

  void TearDown() override {
    for (const DWORD pid : Pids()) {
      const wincommon::KernelHandle p(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
      if (p && ::WaitForSingleObject(p.get(), 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(p.get(), 1);
        ::WaitForSingleObject(p.get(), 5000);
      }
    }
  }

  // Ids of every stand-in started so far, in start order.
  [[nodiscard]] std::vector<DWORD> Pids() const {
    std::vector<DWORD> pids;
    std::istringstream in(folder_.ReadText(L"pids.txt"));
    for (unsigned long id = 0; in >> id;) pids.push_back(static_cast<DWORD>(id));
    return pids;
  }
  bool WaitForStarts(size_t n) {
    return harness::WaitUntil([&] { return Pids().size() >= n; }, 15s) && Pids().size() == n;
  }

  harness::TestFolder folder_;
  std::wstring exe_;
  orvanta::AnsiString cameraPath_;
};

TEST_F(CameraTest, ShellOpenOfNothingFailsWithoutAProcess) {
  const std::wstring missing = folder_.File(L"no such camera.exe");
  for (const std::wstring& path : {std::wstring(), missing}) {
    SCOPED_TRACE(wincommon::WideToUtf8(path));
    HANDLE process = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-5));
    EXPECT_FALSE(orvanta::win::ShellOpen(nullptr, path, &process));
    EXPECT_EQ(process, nullptr);
    ProcessPortWin port;
    std::uint32_t pid = 77;
    EXPECT_FALSE(port.ShellOpen(orvanta::win::ToAnsi(path), pid));
    EXPECT_EQ(pid, 0u);
  }
}

// The shell starts the program in its own folder and hands back its process,
// which the port then tells running from ended.
TEST_F(CameraTest, PortStartsInTheProgramsFolderAndTellsARunningProcessFromAnEndedOne) {
  Install("\"--cwd-file=" + wincommon::WideToUtf8(folder_.File(L"cwd.txt")) + "\"");
  ProcessPortWin port;
  EXPECT_FALSE(port.IsRunning(0));
  std::uint32_t pid = 0;
  ASSERT_TRUE(port.ShellOpen(cameraPath_, pid));
  ASSERT_TRUE(WaitForStarts(1));
  EXPECT_EQ(pid, Pids()[0]);
  EXPECT_TRUE(port.IsRunning(pid));
  EXPECT_FALSE(port.IsRunning(::GetCurrentProcessId() + 0x7FFF0000u)) << "no such process";
  ASSERT_TRUE(harness::WaitUntil([&] { return !folder_.ReadText(L"cwd.txt").empty(); }, 15s));
  std::string cwd = folder_.ReadText(L"cwd.txt");
  while (!cwd.empty() && (cwd.back() == '\n' || cwd.back() == '\r' || cwd.back() == '\\')) cwd.pop_back();
  EXPECT_EQ(::CompareStringOrdinal(wincommon::Utf8ToWide(cwd).c_str(), -1, folder_.File(kAppDir).c_str(),
                                   -1, TRUE),
            CSTR_EQUAL)
      << cwd;

  HWND window = nullptr;
  ASSERT_TRUE(harness::WaitUntil([&] { return (window = simcommon::FindWindowOf(pid, harness::kCameraSimClass, nullptr)) != nullptr; }, 15s));
  ::PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(harness::WaitUntil([&] { return harness::ProcessEnded(pid); }, 15s));
  EXPECT_FALSE(port.IsRunning(pid));
}

}  // namespace
