// What the pen handler gets from Windows, in process: window lists that a
// window closing or moving meanwhile cannot cut short, the Start Menu listing
// without hidden and system entries, the version read from the running
// program (against the PenPlus stand-in built as major versions 3 and 4), and
// what becomes of a press that times out. The handler's rules themselves are
// checked natively over a fake.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "base/win/AnsiText.h"
#include "common/Harness.h"
#include "penplus/InProcessHandler.h"
#include "penplus/PenPlusLog.h"
#include "penplus/PenPlusWindows.h"
#include "wincommon/Text.h"

namespace {

using namespace std::chrono_literals;
using orvanta::PenPlusPort;

using penplus::InProcessHandler;

// ---------------------------------------------------------------- window lists

LRESULT CALLBACK PaneProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) { return ::DefWindowProcW(hwnd, msg, wp, lp); }

// A tool bar as PenPlus has it, made by a thread of the test, with windows
// around it that keep closing, opening and changing places: dialog-class
// windows without a caption above it, and buttons inside it that go to the
// bottom of the z-order and back and are closed and made anew. The button
// wanted, "ページ送り", was made last. The thread answers the messages the
// searching thread sends its windows (their texts) between any two steps.
class RestlessToolbar {
public:
  RestlessToolbar() {
    thread_ = std::thread([this] { Run(); });
    while (!ready_) std::this_thread::yield();
  }
  ~RestlessToolbar() {
    stop_ = true;
    thread_.join();
  }
  RestlessToolbar(const RestlessToolbar&) = delete;
  RestlessToolbar& operator=(const RestlessToolbar&) = delete;

  [[nodiscard]] HWND Button() const { return button_; }
  [[nodiscard]] long Rounds() const { return rounds_; }

private:
  static constexpr int kTopDecoys = 4;
  static constexpr int kInnerDecoys = 8;
  static constexpr UINT kKeepPlace = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;

  // Answers what waits, at once.
  static void Pump() { harness::PumpFor(0ms); }
  static HWND TopDecoy() { return ::CreateWindowExW(0, L"#32770", L"", WS_POPUP, 0, 0, 20, 20, nullptr, nullptr, nullptr, nullptr); }
  HWND Inner(const wchar_t* cls, const wchar_t* text) const {
    return ::CreateWindowExW(WS_EX_NOPARENTNOTIFY, cls, text, WS_CHILD | WS_VISIBLE, 0, 0, 20, 20, bar_, nullptr, nullptr,
                             nullptr);
  }

  void Run() {
    WNDCLASSW pane{};
    pane.lpfnWndProc = PaneProc;
    pane.hInstance = ::GetModuleHandleW(nullptr);
    pane.lpszClassName = L"AfxWnd140su";
    ::RegisterClassW(&pane);
    const HWND owner = ::CreateWindowExW(0, L"Static", L"PenPlus ", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    bar_ = ::CreateWindowExW(0, L"#32770", L"", WS_POPUP, 0, 0, 200, 200, owner, nullptr, nullptr, nullptr);
    for (int i = 0; i < 3; ++i) Inner(L"AfxWnd140su", L"");
    std::vector<HWND> inner, top;
    for (int i = 0; i < kInnerDecoys; ++i) inner.push_back(Inner(L"Button", L"ページ戻し"));
    button_ = Inner(L"Button", L"ページ送り");
    for (int i = 0; i < kTopDecoys; ++i) top.push_back(TopDecoy());
    ready_ = true;
    for (std::size_t n = 0; !stop_; ++n, ++rounds_) {
      for (const HWND d : inner) {
        ::SetWindowPos(d, HWND_BOTTOM, 0, 0, 0, 0, kKeepPlace);
        Pump();
        ::SetWindowPos(d, HWND_TOP, 0, 0, 0, 0, kKeepPlace);
        Pump();
      }
      HWND& closing = top[n % top.size()];
      ::DestroyWindow(closing);
      closing = TopDecoy();
      Pump();
      HWND& remade = inner[n % inner.size()];
      ::DestroyWindow(remade);
      remade = Inner(L"Button", L"ページ戻し");
      ::SetWindowPos(remade, HWND_TOP, 0, 0, 0, 0, kKeepPlace);
      Pump();
    }
    ::DestroyWindow(owner);  // takes the tool bar and its children along
    for (const HWND d : top) ::DestroyWindow(d);
  }

  std::thread thread_;
  std::atomic<bool> ready_{false}, stop_{false};
  std::atomic<long> rounds_{0};
  HWND bar_ = nullptr;
  HWND button_ = nullptr;
};

TEST(PenPlusWindows, AWindowClosingOrMovingDuringTheWalkDoesNotHideTheButton) {
  const RestlessToolbar bar;
  InProcessHandler h;
  // At least 100 walks, and on until the windows around the tool bar have
  // gone through as many rounds of changes meanwhile: on a loaded machine
  // the changing thread may get less time than the walking one.
  constexpr long kWalks = 100;
  const long before = bar.Rounds();
  const auto deadline = std::chrono::steady_clock::now() + 60s;
  long walks = 0, missed = 0;
  while ((walks < kWalks || bar.Rounds() - before <= kWalks) && std::chrono::steady_clock::now() < deadline) {
    missed += h.act.FindPenButton({u8"ページ送り"}) != reinterpret_cast<PenPlusPort::WindowId>(bar.Button());
    ++walks;
  }
  EXPECT_EQ(missed, 0) << "of " << walks << " walks";
  EXPECT_GT(bar.Rounds() - before, kWalks) << "the windows around the tool bar kept still";
}

// ---------------------------------------------------------------- Start Menu

TEST(PenPlusWindows, TheStartMenuListingLeavesOutHiddenAndSystemEntries) {
  const harness::TestFolder folder;
  // Files first (their folders are made with them), then the folders' own
  // attributes.
  constexpr DWORD kHidden = FILE_ATTRIBUTE_HIDDEN, kSystem = FILE_ATTRIBUTE_SYSTEM, kFolder = FILE_ATTRIBUTE_DIRECTORY;
  const std::pair<const wchar_t*, DWORD> entries[] = {
      {L"a.lnk", 0}, {L"desktop.ini", kHidden | kSystem}, {L"hidden.lnk", kHidden}, {L"system.lnk", kSystem},
      {L"read-only.lnk", FILE_ATTRIBUTE_READONLY}, {L"Programs\\b.lnk", FILE_ATTRIBUTE_ARCHIVE}, {L"Hidden\\c.lnk", 0},
      {L"System\\d.lnk", 0}, {L"Hidden", kHidden | kFolder}, {L"System", kSystem | kFolder}};
  for (const auto& [name, attributes] : entries) {
    const std::wstring path = folder.File(name);
    if (!(attributes & kFolder)) {
      ASSERT_TRUE(folder.WriteText(name, "x"));
    }
    if (attributes == 0) continue;
    ASSERT_TRUE(::SetFileAttributesW(path.c_str(), attributes));
    ASSERT_EQ(::GetFileAttributesW(path.c_str()) & attributes, attributes) << "attributes not kept here";
  }

  orvanta::win::PenPlusPortWin port;
  const orvanta::AnsiString root = orvanta::win::ToAnsi(folder.Path());
  std::vector<std::string> listed;
  for (const auto& file : port.ListFiles(root, true)) listed.push_back(file.bytes().substr(root.size() + 1));
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed, (std::vector<std::string>{"Programs\\b.lnk", "a.lnk", "read-only.lnk"}));
}

TEST(PenPlusWindows, ListFilesTakesAFileAsItselfAndAFolderWithOrWithoutItsTrailingBackslash) {
  const harness::TestFolder folder;
  // "ソ" ends in the byte of a backslash under code page 932.
  for (const wchar_t* file : {L"a.lnk", L"Sub\\b.lnk", L"\u30bd\\c.lnk"}) ASSERT_TRUE(folder.WriteText(file, "x"));
  const std::wstring root = folder.Path();
  const struct {
    const char* name;
    std::wstring path;
    std::vector<std::wstring> listed;
  } cases[] = {
      {"a file", root + L"\\a.lnk", {root + L"\\a.lnk"}},
      {"nothing there", root + L"\\missing.lnk", {}},
      {"a folder ending in a backslash", root + L"\\Sub\\", {root + L"\\Sub\\b.lnk"}},
      {"a folder whose last byte is a backslash", root + L"\\\u30bd", {root + L"\\\u30bd\\c.lnk"}},
  };
  orvanta::win::PenPlusPortWin port;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> got, want;
    for (const auto& file : port.ListFiles(orvanta::win::ToAnsi(c.path), true)) got.push_back(file.bytes());
    for (const auto& file : c.listed) want.push_back(orvanta::win::ToAnsi(file).bytes());
    EXPECT_EQ(got, want);
  }
}

// ------------------------------------------------- the running program's version

// The PenPlus stand-in of one major version, started in the test's folder.
class PenPlusVersions : public ::testing::Test {
protected:
  ~PenPlusVersions() override { penplus::CloseAll(); }

  void Start(int major, const std::wstring& args) {
    const std::wstring folder = folder_.File(L"penplus" + std::to_wstring(major));
    log_ = harness::Join(folder, L"PenPlus.log");
    ASSERT_TRUE(penplus::Start(penplus::Install(harness::BinDir(), major, folder), args, penPlus_));
  }
  [[nodiscard]] penplus::Log Log() const { return penplus::ReadLog(log_); }

  // Cancels the dialog of that caption and waits until PenPlus has taken
  // it down.
  void Cancel(const std::wstring& caption) {
    HWND dialog = nullptr;
    ASSERT_TRUE(harness::WaitUntil([&] { return (dialog = ::FindWindowW(L"#32770", caption.c_str())) != nullptr; }, 5s));
    const std::size_t closed = penplus::CountEvents(Log(), "dialog-close");
    ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(harness::WaitUntil([&] { return penplus::CountEvents(Log(), "dialog-close") > closed; }, 5s));
  }

  harness::TestFolder folder_;
  harness::Process penPlus_;
  std::wstring log_;
};

TEST_F(PenPlusVersions, ActionsFollowTheMajorVersionOfTheRunningProgram) {
  // Version 4 shows the transparent sheet only by its "ホワイトボード"
  // button; version 3 marks the sheet window itself. A version read as 0
  // would take version 4 for an older one: other captions, another sheet.
  struct Step {
    const char* action;
    std::vector<std::string> presses;
    const wchar_t* dialog;  // opened by the last press but one, cancelled by the test
  };
  const struct {
    int major;
    const wchar_t* sheet;
    std::vector<Step> steps;
  } cases[] = {
      {4,
       L"--sheet=3",
       {{"Btn.AreaZoom", {u8"領域拡大"}, nullptr},
        {"Btn.WebLink", {u8"便利機能関連", u8"Webリンク集", u8"ツール閉じる"}, L"WEBリンク集"}}},
      {3,
       L"--sheet=1",
       {{"Btn.AreaZoom", {u8"ペン", u8"領域拡大"}, nullptr},
        {"Btn.WebLink", {u8"印刷、設定", u8"Webリンク集", u8"ツール閉じる"}, L"WEBリンク集"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("major " + std::to_string(c.major));
    Start(c.major, c.sheet);
    if (HasFatalFailure()) return;
    InProcessHandler h;
    std::vector<std::string> expected;
    for (const auto& s : c.steps) {
      EXPECT_TRUE(h.act.Action(s.action)) << s.action;
      EXPECT_EQ(h.act.MajorVersion(), c.major) << s.action;
      expected.insert(expected.end(), s.presses.begin(), s.presses.end());
      EXPECT_EQ(penplus::Presses(Log()), expected) << s.action;
      if (s.dialog) Cancel(s.dialog);
    }
    ::PostMessageW(penplus::MainWindow(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(penPlus_.WaitExit(5s));
  }
}

// ---------------------------------------------------------------- time-outs

TEST_F(PenPlusVersions, APressNotTakenInTimeIsWithdrawn) {
  // PenPlus answers "ページ戻し" and then stays busy for 1.5 s. A press sent
  // meanwhile times out before PenPlus takes it: the system withdraws it, and
  // PenPlus never sees it, not even once it is free again.
  Start(4, L"--stall-after=ページ戻し --stall-ms=1500");
  if (HasFatalFailure()) return;
  InProcessHandler h(300);
  const auto button = [&](const char* caption) { return h.act.FindPenButton({caption}); };
  const auto back = button(u8"ページ戻し"), next = button(u8"ページ送り"), mouse = button(u8"マウス");
  ASSERT_NE(next, 0u);
  EXPECT_EQ(h.windows.Click(back), PenPlusPort::SendResult::kDone);
  ASSERT_TRUE(harness::WaitUntil([&] { return penplus::CountEvents(Log(), "stall") == 1; }, 5s));
  EXPECT_EQ(h.windows.Click(next), PenPlusPort::SendResult::kTimedOut);
  ASSERT_TRUE(harness::WaitUntil([&] { return penplus::CountEvents(Log(), "stall-end") == 1; }, 5s));
  // A press sent afterwards comes after anything still waiting for PenPlus.
  EXPECT_EQ(h.windows.Click(mouse), PenPlusPort::SendResult::kDone);
  EXPECT_EQ(penplus::Presses(Log()), (std::vector<std::string>{u8"ページ戻し", u8"マウス"}));
}

}  // namespace
