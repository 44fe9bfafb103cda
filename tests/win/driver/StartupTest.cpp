// The driver's start-up, configuration, identities and single instance, run
// for real.
#include <gtest/gtest.h>

#include <string>

#include "common/DriverTestSupport.h"
#include "wincommon/Text.h"

namespace drivertest {
namespace {

// The keys' defaults and how they are written are a native rule; here that
// the first start writes the file, the priority class it takes, and the
// windows other programs find.
TEST(DriverStartup, FirstRunWritesTheDefaultsRunsAtHighPriorityAndCarriesTheWindowIdentities) {
  DriverFixture f;
  ASSERT_FALSE(f.folder.Exists(L"Orvanta.ini"));
  ASSERT_TRUE(f.Start());
  EXPECT_TRUE(harness::WaitUntil([&] { return harness::IniRead(f.Ini(), "Camera", "Path") == ""; }, 5s))
      << "the last key of the defaults";
  EXPECT_EQ(f.PriorityClass(), static_cast<DWORD>(HIGH_PRIORITY_CLASS));

  const HWND app = f.AppWindow();
  const HWND main = f.MainWindow();
  ASSERT_NE(app, nullptr);
  ASSERT_NE(main, nullptr);
  EXPECT_FALSE(::IsWindowVisible(app));
  EXPECT_FALSE(::IsWindowVisible(main));
  // Found the way other programs find them: ANSI searches.
  using namespace orvanta::identity;
  const auto ansi = [](const wchar_t* text) { return wincommon::WideToUtf8(text); };
  EXPECT_EQ(::FindWindowA(ansi(kAppClass).c_str(), ansi(kDriverTitle).c_str()), app);
  EXPECT_EQ(::FindWindowA(ansi(kFormClass).c_str(), ansi(kDriverCaption).c_str()), main);
  const HWND box = f.LinkTextBox();
  ASSERT_NE(box, nullptr);
  // Owned by the hidden application window, so no task-bar button.
  EXPECT_EQ(::GetWindow(main, GW_OWNER), app);
  EXPECT_EQ(::GetWindowLongPtrW(main, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
  EXPECT_NE(::FindWindowExW(main, nullptr, L"BUTTON", L"Setting"), nullptr);
  EXPECT_NE(::FindWindowExW(main, nullptr, L"BUTTON", L"DetailCal"), nullptr);
  // The link box keeps its name whatever it is sent.
  for (const char* text : {"hello", "", "Cmd_debug", "Cmd_Exit "}) {
    EXPECT_TRUE(::SendMessageA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text))) << text;
    EXPECT_EQ(f.LinkTextBox(), box) << "after " << text;
    // Any text is taken and the box emptied again.
    char contents[64] = "x";
    ::SendMessageA(box, WM_GETTEXT, sizeof(contents), reinterpret_cast<LPARAM>(contents));
    EXPECT_STREQ(contents, "");
  }
  EXPECT_TRUE(f.driver.Running());
}

// Windows created by one process, seen through creation events: a window
// made and destroyed again before the process ends leaves no other trace.
class WindowCreations {
public:
  explicit WindowCreations(DWORD pid) {
    current_ = this;
    hook_ = ::SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, nullptr, &WindowCreations::OnEvent, pid, 0,
                              WINEVENT_OUTOFCONTEXT);
  }
  ~WindowCreations() {
    if (hook_) ::UnhookWinEvent(hook_);
    current_ = nullptr;
  }
  [[nodiscard]] bool Hooked() const { return hook_ != nullptr; }
  [[nodiscard]] int Count() const { return count_; }

private:
  static void CALLBACK OnEvent(HWINEVENTHOOK hook, DWORD, HWND, LONG idObject, LONG, DWORD, DWORD) {
    // Events reach the hook's thread later, through its message queue; one
    // of an earlier hook may still arrive after it was removed.
    if (current_ && hook == current_->hook_ && idObject == OBJID_WINDOW) ++current_->count_;
  }
  static inline WindowCreations* current_ = nullptr;
  HWINEVENTHOOK hook_ = nullptr;
  int count_ = 0;
};

TEST(DriverStartup, SecondStartExitsWithoutMakingAnyWindow) {
  DriverFixture f;
  // The first driver, watched the same way, shows that creations are seen.
  ASSERT_TRUE(f.driver.StartSuspended(f.folder.File(L"Orvanta.exe"), L"", f.folder.Path()));
  {
    WindowCreations first(f.driver.Id());
    ASSERT_TRUE(first.Hooked());
    f.driver.Resume();
    ASSERT_TRUE(harness::WaitUntil([&] { return f.AppWindow() != nullptr && first.Count() > 0; }, 15s));
  }

  harness::Process second;
  ASSERT_TRUE(second.StartSuspended(f.folder.File(L"Orvanta.exe"), L"", f.folder.Path()));
  WindowCreations creations(second.Id());
  ASSERT_TRUE(creations.Hooked());
  second.Resume();
  ASSERT_TRUE(second.WaitExit(10s));
  harness::PumpFor(300ms);  // events still on their way
  EXPECT_EQ(second.ExitCode(), 0u);
  EXPECT_EQ(creations.Count(), 0);
  EXPECT_TRUE(f.driver.Running());
}

}  // namespace
}  // namespace drivertest
