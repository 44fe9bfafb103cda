// OrvantaLink against the delivered driver, a missing one and a hung one:
// the link commands arrive whole and exact, and the program always ends.
#include <gtest/gtest.h>

#include <thread>

#include "common/DriverTestSupport.h"

namespace drivertest {
namespace {

namespace identity = orvanta::identity;

using LinkCommands = PanelDriverTest;

TEST_F(LinkCommands, DebugTwiceShowsAndHidesTheMainWindowAndOtherTextsAreIgnored) {
  StartDriver();
  ASSERT_EQ(RunLink(L"Cmd_Debug"), 0);
  EXPECT_TRUE(::IsWindowVisible(f.MainWindow()));
  ASSERT_EQ(RunLink(L"Cmd_Debug"), 0);
  EXPECT_FALSE(::IsWindowVisible(f.MainWindow()));

  for (const wchar_t* text : {L"cmd_setting", L"Cmd_Setting ", L"CMD_EXIT", L"Cmd_Exit ", L"\"Cmd_Exit\"", L""}) {
    EXPECT_EQ(RunLink(text), 0);
  }
  harness::PumpFor(500ms);
  EXPECT_TRUE(f.driver.Running());
  EXPECT_TRUE(harness::WindowsOfProcess(f.driver.Id(), identity::kSettingClass).empty());
}

TEST(OrvantaLink, WithoutADriverItEndsAtOnce) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RunLink(L"Cmd_Setting", 5s), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
}

// A driver whose thread stopped answering: its windows exist, but nothing
// takes the set-text message.
TEST(OrvantaLink, AHungDriverHoldsItOnlyForItsBound) {
  const wincommon::KernelHandle release(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  const wincommon::KernelHandle ready(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  std::thread hung([&] {
    WNDCLASSW main{};
    main.lpfnWndProc = ::DefWindowProcW;
    main.lpszClassName = identity::kFormClass;
    ::RegisterClassW(&main);
    WNDCLASSW box = main;
    box.lpszClassName = identity::kTextBoxClass;
    ::RegisterClassW(&box);
    const HWND w = ::CreateWindowExW(0, identity::kFormClass, identity::kDriverCaption, WS_OVERLAPPED, 0, 0, 10, 10,
                                     nullptr, nullptr, nullptr, nullptr);
    ::CreateWindowExW(0, identity::kTextBoxClass, identity::kLinkBoxName, WS_CHILD, 0, 0, 10, 10, w, nullptr,
                      nullptr, nullptr);
    ::SetEvent(ready.get());
    ::WaitForSingleObject(release.get(), INFINITE);
    ::DestroyWindow(w);
  });
  ASSERT_EQ(::WaitForSingleObject(ready.get(), 5000), WAIT_OBJECT_0);
  const auto start = std::chrono::steady_clock::now();
  const long code = RunLink(L"Cmd_Setting", 30s);
  const auto took = std::chrono::steady_clock::now() - start;
  ::SetEvent(release.get());
  hung.join();
  EXPECT_EQ(code, 0);
  EXPECT_LT(took, 15s);
}

}  // namespace
}  // namespace drivertest
