#include "actions/ClassActPenPlus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "Fakes.h"
#include "penplus/PenPlusModel.h"

namespace orvanta {
namespace {

using testing::RecordingNotifier;
using WindowId = PenPlusPort::WindowId;

const AnsiString kExe = "C:\\Program Files\\PenPlus\\PenPlus.exe";

// PenPlus as its windows show it: the stand-in's model of the program in
// windows of this fake, with the shell, the file information and a clock that
// only moves when the driver sleeps. Presses, posts and the other effects on
// PenPlus are recorded in order, and the walks through its windows are
// counted.
class FakePenPlus : public PenPlusPort, public ProcessPort, public testing::FakeFiles {
public:
  struct Win {
    std::string cls, text;
    WindowId parent = 0, owner = 0;
    bool style = true, enabled = true;
    std::uint32_t ex = 0;
    int button = -1;  // the model's tool bar button it is
  };
  std::vector<Win> w;  // window id = index + 1
  std::vector<std::string> events;
  std::uint64_t now = 0;
  std::multimap<std::uint64_t, std::function<void()>> due;
  SendResult clickResult = SendResult::kDone;
  std::uint64_t startDelay = penplus::kStartDelayMs;
  int major = 4, afx = penplus::kAfxPanes;
  bool nested = false;  // a frame in the tool bar holding an "Afx" pane and a button of its own
  bool otherDialogFirst = false;  // another program's dialog without a caption lies above the tool bar
  std::string ownerCaption = penplus::kMainCaption;
  WindowId inert = 0;  // a button whose presses change nothing
  penplus::Model model;
  WindowId main = 0, toolbar = 0, annotation = 0;
  int topLevelWalks = 0, toolbarWalks = 0, versionReads = 0;
  bool cancelled = false;  // the driver is closing

  WindowId Add(Win x) {
    w.push_back(std::move(x));
    return w.size();
  }
  Win& At(WindowId id) { return w.at(id - 1); }
  WindowId Find(const std::string& text, int nth = 1) {
    for (WindowId id = 1; id <= w.size(); ++id) {
      if (At(id).text == text && --nth == 0) return id;
    }
    return 0;
  }
  WindowId Dialog(const std::string& caption) {
    for (WindowId id = toolbar + 1; id <= w.size(); ++id) {
      if (At(id).cls == "#32770" && At(id).parent == 0 && At(id).text == caption) return id;
    }
    return 0;
  }
  void After(std::uint64_t ms, std::function<void()> f) { due.emplace(now + ms, std::move(f)); }
  void OpenDialog(const std::string& caption) {
    After(penplus::kDialogDelayMs, [this, caption] {
      Add({"#32770", caption, 0, main});
      At(toolbar).enabled = false;
    });
  }

  // The program with its tool bar, as the stand-in under Wine has it.
  void Start() {
    model = penplus::Model(major);
    if (otherDialogFirst) Add({"#32770", "", 0, Add({"Other", "Other"})});
    main = Add({"PenPlusMain", ownerCaption});
    At(main).style = false;
    toolbar = Add({"#32770", "", 0, main});
    for (int i = 0; i < afx; ++i) Add({penplus::kAfxClass, "", toolbar});
    for (std::size_t i = 0; i < model.Buttons().size(); ++i) {
      Win button{"Button", model.Buttons()[i].caption, toolbar};
      button.button = static_cast<int>(i);
      Add(std::move(button));
    }
    if (nested) {
      const WindowId frame = Add({"Static", "", toolbar});
      Add({penplus::kAfxClass, "", frame});
      Add({"Button", u8"マウス", frame});
    }
    annotation = Add({penplus::kAnnotationClass, ""});
  }
  bool Style(WindowId id) {
    if (At(id).button >= 0) return model.Shown(static_cast<std::size_t>(At(id).button));
    return id == annotation ? model.SheetShown() : At(id).style;
  }

  // ---- PenPlusPort
  std::vector<WindowId> TopLevelWindows(const std::string& cls) override {
    ++topLevelWalks;
    std::vector<WindowId> out;
    for (WindowId id = 1; id <= w.size(); ++id) {
      if (At(id).parent == 0 && (cls.empty() || At(id).cls == cls)) out.push_back(id);
    }
    return out;
  }
  WindowId FirstUntitled(const std::string& cls) override {
    for (const WindowId id : TopLevelWindows(cls)) {
      if (At(id).text.empty()) return id;
    }
    return 0;
  }
  std::vector<WindowId> Descendants(WindowId parent) override {
    if (parent == toolbar) ++toolbarWalks;
    std::vector<WindowId> out;
    for (WindowId id = 1; id <= w.size(); ++id) {
      if (At(id).parent != parent) continue;
      out.push_back(id);
      const auto inner = Descendants(id);
      out.insert(out.end(), inner.begin(), inner.end());
    }
    return out;
  }
  WindowId Parent(WindowId id) override { return At(id).parent; }
  std::string Text(WindowId id) override { return At(id).text; }
  std::string ClassName(WindowId id) override { return At(id).cls; }
  WindowId Owner(WindowId id) override { return At(id).owner; }
  bool IsVisible(WindowId id) override { return Style(id) && (At(id).parent == 0 || IsVisible(At(id).parent)); }
  bool HasVisibleStyle(WindowId id) override { return Style(id); }
  bool IsEnabled(WindowId id) override { return id != 0 && At(id).enabled; }
  std::uint32_t ExStyle(WindowId id) override {
    return id == annotation ? (model.SheetMarkedTransparent() ? 0x20 : 0) : At(id).ex;
  }
  std::uint32_t ProcessId(WindowId) override { return 77; }
  SendResult Click(WindowId id) override {
    events.push_back("press " + At(id).text + "#" + std::to_string(id));
    if (clickResult != SendResult::kDone || id == inert || At(id).button < 0) return clickResult;
    const auto later = model.Press(static_cast<std::size_t>(At(id).button));
    if (later.dialog != nullptr) OpenDialog(later.dialog);
    if (later.captureArea) After(penplus::kCaptureDelayMs, [this] { model.ShowCaptureArea(); });
    return clickResult;
  }
  void PostCommand(WindowId id, std::uint16_t command) override {
    events.push_back("command " + std::to_string(command));
    if (id == main && command == penplus::kToolbarCommand) At(toolbar).style = !At(toolbar).style;
  }
  void PostClose(WindowId) override {
    events.push_back("close");
    OpenDialog(penplus::kExitDialog);
  }
  void SetOwner(WindowId id, WindowId owner) override { At(id).owner = owner; }
  void MakeTopMost(WindowId id) override { At(id).ex |= 0x08; }
  void Beep() override { events.push_back("beep"); }
  void BringForwardAndFlash(WindowId id) override { events.push_back("flash " + At(id).text); }
  // Once the driver is closing its sleeps return at once; a loop that went
  // on would still take a moment per round.
  void Sleep(std::uint32_t ms) override {
    now += cancelled ? 1 : ms;
    while (!due.empty() && due.begin()->first <= now) {
      auto f = due.begin()->second;
      due.erase(due.begin());
      f();
    }
  }
  bool Cancelled() override { return cancelled; }
  AnsiString CommonStartMenuFolder() override { return "C:\\ProgramData\\Start Menu"; }
  std::vector<AnsiString> ListFiles(const AnsiString&, bool recursive) override {
    std::vector<AnsiString> out;
    if (recursive) {
      for (const auto& s : shortcuts) out.push_back(s.first);
    }
    return out;
  }
  // ---- ProcessPort
  bool ShellOpen(const AnsiString& path, std::uint32_t& pid) override {
    events.push_back("shell " + path.bytes());
    if (path != kExe) return false;
    pid = 77;
    After(startDelay, [this] { Start(); });
    return true;
  }
  bool IsRunning(std::uint32_t) override { return false; }
  // ---- FileInfo: the running program's image and version
  FixedFileVerInfo GetFixedFileVerInfo(const AnsiString& path) override {
    ++versionReads;
    FixedFileVerInfo v;
    if (path == kExe) v.values[2] = static_cast<std::uint32_t>(major) << 16;
    return v;
  }
  AnsiString GetProcessImagePath(std::uint32_t pid) override { return pid == 77 ? kExe : ""; }
};

// PenPlus (running with its tool bar hidden by the driver, as after a start,
// unless told otherwise) and the driver's pen handler over it.
struct Rig {
  explicit Rig(int major = 4, bool running = true, int sheet = penplus::kSheetHidden) {
    settings.PenPlusPath = kExe;
    pen.major = major;
    if (!running) return;
    pen.Start();
    pen.model.SetSheet(sheet);
    pen.At(pen.toolbar).style = false;
  }
  // What was pressed: the captions, with the window ids of the presses.
  std::vector<std::string> Presses(bool withIds = true) const {
    std::vector<std::string> out;
    for (const auto& e : pen.events) {
      if (e.rfind("press ", 0) == 0) out.push_back(withIds ? e.substr(6) : e.substr(6, e.find('#') - 6));
    }
    return out;
  }
  std::string Id(const char* text, int nth = 1) { return std::string(text) + "#" + std::to_string(pen.Find(text, nth)); }
  // The dialog is up, owned by the tool bar and top-most.
  void ExpectBroughtForward(const std::string& caption) {
    const WindowId d = pen.Dialog(caption);
    ASSERT_NE(d, 0u) << caption;
    EXPECT_EQ(pen.At(d).owner, pen.toolbar) << caption;
    EXPECT_TRUE(pen.At(d).ex & 0x08) << caption;
  }
  // A dialog found on screen: closing it enables the tool bar again.
  void CloseDialog(const std::string& caption) {
    const WindowId d = pen.Dialog(caption);
    ASSERT_NE(d, 0u);
    pen.At(d).cls = "closed";
    pen.At(pen.toolbar).enabled = true;
  }

  MainSettings settings;
  FakePenPlus pen;
  RecordingNotifier notifier;
  int saves = 0;
  ClassActPenPlus act{settings, [this] { ++saves; }, {pen, pen, pen, notifier}};
};

TEST(PenPlusTest, ToolbarIsRecognisedByOwnerCaptionAndExactlyThreeAfxChildren) {
  // A pane inside a frame of the tool bar is no child of the tool bar's own.
  const struct {
    int afx;
    bool nested, otherDialogFirst;
    const char* owner;
    bool found;
  } cases[] = {{3, false, false, "PenPlus ", true}, {3, false, false, "PENPLUS ", true},
               {2, false, false, "PenPlus ", false}, {4, false, false, "PenPlus ", false},
               {3, false, false, "PenPlus", false},  {3, true, false, "PenPlus ", true},
               {2, true, false, "PenPlus ", false},  {3, false, true, "PenPlus ", true}};
  for (const auto& c : cases) {
    Rig r(4, false);
    r.pen.afx = c.afx;
    r.pen.nested = c.nested;
    r.pen.otherDialogFirst = c.otherDialogFirst;
    r.pen.ownerCaption = c.owner;
    r.pen.Start();
    EXPECT_EQ(r.act.FindPenToolbar(), c.found ? r.pen.toolbar : 0u)
        << c.afx << (c.nested ? " nested" : "") << (c.otherDialogFirst ? " below another" : "") << " '" << c.owner
        << "'";
  }
}

TEST(PenPlusTest, ButtonIndexCountsFromTheLastMatchInWindowOrder) {
  Rig r;
  const WindowId first = r.pen.Find(u8"ペン", 1), last = r.pen.Find(u8"ペン", 2);
  const struct {
    std::int32_t index;
    WindowId expected;
  } cases[] = {{0, last}, {1, last}, {2, first}, {3, last}, {-1, last}};
  for (const auto& c : cases) EXPECT_EQ(r.act.FindPenButton({u8"ペン", u8"マーカー"}, c.index), c.expected) << c.index;
  // A button whose own visible bit is clear is never a match, though the
  // hidden tool bar does not stop the visible ones.
  EXPECT_EQ(r.act.FindPenButton({u8"ページ送り"}, 2), r.pen.Find(u8"ページ送り", 1));
  EXPECT_EQ(r.act.FindPenButton({u8"マーカー"}), 0u);
  // A frame's own "マウス" comes last in the windows' order, yet is no match.
  Rig nested(4, false);
  nested.pen.nested = true;
  nested.pen.Start();
  nested.pen.At(nested.pen.toolbar).style = false;
  for (const std::int32_t index : {0, 2}) {
    EXPECT_EQ(nested.act.FindPenButton({u8"マウス"}, index), nested.pen.Find(u8"マウス", 1));
  }
}

TEST(PenPlusTest, SheetStateFollowsTheAnnotationWindowAndTheVersion) {
  for (const int major : {3, 4}) {
    Rig r(major);
    r.act.Action("Btn.Mouse");  // reads the version of the running program
    for (const int state : {1, 2, 3}) {
      r.pen.model.SetSheet(state);
      EXPECT_EQ(r.act.GetSheetState(), state) << "major " << major;
    }
  }
  EXPECT_EQ(Rig(4, false).act.GetSheetState(), 0);  // not running
}

TEST(PenPlusTest, EachActionPressesItsButtons) {
  struct Pressed {
    const char* text;
    int nth;  // which of the buttons with this caption, in window order
  };
  const struct {
    int major;
    int sheet;
    const char* action;
    std::vector<Pressed> presses;
    const char* dialog;  // awaited, then owned by the tool bar and top-most
    penplus::Panel open = penplus::Panel::kNone;  // a sub-panel open before, and left open
  } cases[] = {
      {4, 1, "Btn.Pen1", {{u8"ペン", 2}}, nullptr},
      {4, 1, "Btn.PenSetting1", {{u8"ペンの設定", 2}}, u8"ペンの設定"},
      {4, 1, "Btn.FigPenSetting", {{u8"図形ペンの設定", 1}}, u8"図形ペンの設定"},
      {4, 3, "Btn.ChangeSheetMode", {{u8"ホワイトボード", 1}}, nullptr},
      {4, 2, "Btn.ChangeSheetMode", {{u8"透明シート", 1}}, nullptr},
      {4, 1, "Btn.PageNext", {{u8"ページ送り", 1}}, nullptr},
      {4, 1, "Btn.Clear", {{u8"クリア", 1}}, u8"クリア"},
      {3, 1, "Btn.Clear", {{u8"手書き線クリア", 1}}, nullptr},
      {4, 1, "Btn.AreaZoom", {{u8"領域拡大", 1}}, nullptr},
      {3, 2, "Btn.AreaZoom", {{u8"領域拡大", 1}}, nullptr},
      {3, 1, "Btn.AreaZoom", {{u8"ペン", 2}, {u8"領域拡大", 1}}, nullptr},
      {4, 3, "Btn.WebLink", {{u8"便利機能関連", 1}, {u8"Webリンク集", 1}, {u8"ツール閉じる", 1}}, u8"WEBリンク集"},
      {3, 1, "Btn.WebLink", {{u8"印刷、設定", 1}, {u8"Webリンク集", 1}, {u8"ツール閉じる", 1}}, u8"WEBリンク集"},
      {4, 2, "Btn.WebLink", {}, nullptr},
      {4, 3, "Btn.WebLink", {{u8"便利機能関連", 1}, {u8"Webリンク集", 1}}, nullptr, penplus::Panel::kWeb},
      {4, 1, "Btn.CaptureSelArea", {{u8"キャプチャ（画面取込）", 1}, {u8"指定領域のキャプチャ", 1}}, nullptr},
      {4, 1, "Btn.Mouse", {{u8"マウス", 1}}, nullptr},
      {4, 1, "Btn.FigPen", {{u8"図形ペン", 1}}, nullptr},
      {4, 1, "Btn.Eraser", {{u8"消しゴム", 1}}, nullptr},
      {4, 1, "Btn.EraserSetting", {{u8"消しゴムの設定", 1}}, u8"消しゴムの設定"},
      {4, 1, "Btn.PagePrev", {{u8"ページ戻し", 1}}, nullptr},
      {4, 2, "Btn.FileOpenSave", {{u8"ファイル関連", 1}, {u8"ファイルの読み込みと保存", 1}, {u8"ツール閉じる", 2}},
       u8"ファイルの読み込みと保存"},
      {3, 1, "Btn.FileOpenSave",
       {{u8"ファイル、虫めがね", 1}, {u8"ファイルの読み込みと保存", 1}, {u8"ツール閉じる", 2}}, u8"ファイルの読み込みと保存"},
      {4, 1, "btn.pen1", {}, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.action << " major " << c.major << " sheet " << c.sheet);
    Rig r(c.major, true, c.sheet);
    r.pen.At(r.pen.toolbar).style = true;  // as PenPlus shows it
    if (c.open != penplus::Panel::kNone) r.pen.model.OpenPanel(c.open);
    EXPECT_TRUE(r.act.Action(c.action));
    std::vector<std::string> expected;
    for (const auto& e : c.presses) expected.push_back(r.Id(e.text, e.nth));
    EXPECT_EQ(r.Presses(), expected);
    if (c.dialog) r.ExpectBroughtForward(c.dialog);
    // Each question about another program's window is a round trip to the
    // window manager: a single press finds the tool bar, reads its children
    // once and presses from that list (version 3 may look for its sheet too).
    if (!c.dialog && c.presses.size() == 1 && c.major == 4) {
      EXPECT_EQ(r.pen.toolbarWalks, 1);
      EXPECT_EQ(r.pen.topLevelWalks, 1);
    }
  }
}

TEST(PenPlusTest, APressOnANotRunningPenPlusStartsItFirstAndHidesItsToolbar) {
  Rig r(4, false);
  EXPECT_TRUE(r.act.Action("Btn.Pen1"));
  EXPECT_EQ(r.pen.events, (std::vector<std::string>{"shell " + kExe.bytes(), "command 2003", "press " + r.Id(u8"ペン", 2)}));
  EXPECT_EQ(r.notifier.Texts(true), (std::vector<std::string>{u8"ペンソフトを起動中... [stays]", u8"ペンソフトを起動しました。"}));
  EXPECT_EQ(r.pen.now, 700u);  // polled until the tool bar showed
  EXPECT_FALSE(r.act.IsToolbarVisible());
}

TEST(PenPlusTest, RunTimeOutBoundsTheWaitForTheToolbar) {
  const struct {
    std::int32_t timeout;
    std::uint64_t waited;
    bool hidden;  // command 2003 posted: the tool bar had shown
  } cases[] = {{0, 0, false}, {-50, 0, false}, {349, 350, false}, {20000, 700, true}};
  for (const auto& c : cases) {
    Rig r(4, false);
    r.settings.PenPlusRunTimeOut = c.timeout;
    r.act.PenPlus_Run(true);
    EXPECT_EQ(r.pen.now, c.waited) << c.timeout;
    EXPECT_EQ(std::count(r.pen.events.begin(), r.pen.events.end(), "command 2003"), c.hidden ? 1 : 0) << c.timeout;
  }
}

TEST(PenPlusTest, EmptyPathIsSearchedInTheStartMenuAndStored) {
  const AnsiString other = "C:\\Other\\PenPlus.exe";
  // ケ is 83 50 in code page 932: its second byte reads as "P".
  const AnsiString ke = testing::Ansi("C:\\Other\\\x83\x50" "enPlus.exe");
  const struct {
    const char* name;
    std::map<AnsiString, AnsiString> shortcuts;
    std::map<AnsiString, testing::FakeFiles::Info> products;
    AnsiString found;
  } cases[] = {
      {"none", {}, {}, ""},
      {"case ignored", {{"a\\PenPlus.LNK", kExe}}, {{kExe, {"", "PENPLUS application", "plussoft CORPORATION"}}}, kExe},
      {"other company", {{"a.lnk", kExe}}, {{kExe, {"", "PenPlus Application", "Other"}}}, ""},
      {"not a shortcut", {{"a.txt", kExe}}, {{kExe, {"", "PenPlus Application", "Plussoft Corporation"}}}, ""},
      {"other name", {{"a.lnk", "C:\\P\\Pen.exe"}}, {{"C:\\P\\Pen.exe", {"", "PenPlus Application", "Plussoft Corporation"}}}, ""},
      {"a name ending in ke, enPlus.exe", {{"a.lnk", ke}}, {{ke, {"", "PenPlus Application", "Plussoft Corporation"}}}, ""},
      {"first that qualifies", {{"a.lnk", other}, {"b.lnk", kExe}},
       {{other, {"", "x", "y"}}, {kExe, {"", "PenPlus Application", "Plussoft Corporation"}}}, kExe},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Rig r(4, false);
    r.settings.PenPlusPath.clear();
    r.pen.shortcuts = c.shortcuts;
    r.pen.files = c.products;
    r.act.PenPlus_Run(true);
    EXPECT_EQ(r.settings.PenPlusPath, c.found);
    EXPECT_EQ(r.saves, 1);
    ASSERT_GE(r.notifier.notes.size(), 2u);
    EXPECT_EQ(r.notifier.notes[0].text, u8"ペンソフトを検索中...");
    EXPECT_EQ(r.notifier.notes[1].text, c.found.empty()
                                            ? std::string(u8"ペンソフトを起動できません。") + "\r\n" + u8"設定を確認して下さい。"
                                            : std::string(u8"ペンソフトを起動中..."));
  }
}

TEST(PenPlusTest, WhileADialogIsOpenPressesAreRefusedWithABeepAndRunOnOffAsksToCloseOnce) {
  Rig r;
  ASSERT_TRUE(r.act.Action("Btn.PenSetting1"));
  ASSERT_FALSE(r.pen.At(r.pen.toolbar).enabled);
  r.pen.events.clear();
  EXPECT_TRUE(r.act.Action("Btn.PageNext"));
  EXPECT_EQ(r.pen.events, (std::vector<std::string>{"beep"}));
  // RunOnOff cannot close it either: the beep, and no close request.
  EXPECT_TRUE(r.act.Action("RunOnOff"));
  EXPECT_EQ(r.pen.events, (std::vector<std::string>{"beep", "beep"}));
  r.CloseDialog(u8"ペンの設定");
  EXPECT_TRUE(r.act.Action("Btn.PageNext"));
  EXPECT_EQ(r.Presses().back(), r.Id(u8"ページ送り"));
  // Now RunOnOff asks PenPlus to close and brings the confirmation forward.
  r.pen.events.clear();
  EXPECT_TRUE(r.act.Action("RunOnOff"));
  EXPECT_EQ(r.pen.events, (std::vector<std::string>{"close"}));
  r.ExpectBroughtForward(u8"終了の確認");
  // Pressed again while the confirmation is open: beep and flash.
  EXPECT_TRUE(r.act.Action("RunOnOff"));
  EXPECT_EQ(r.pen.events, (std::vector<std::string>{"close", "beep", std::string("flash ") + u8"終了の確認"}));
}

TEST(PenPlusTest, APressThatTimesOutEndsTheActionWithoutWaiting) {
  Rig r(4, true, penplus::kSheetTransparent);
  r.pen.clickResult = PenPlusPort::SendResult::kTimedOut;
  EXPECT_TRUE(r.act.Action("Btn.WebLink"));
  EXPECT_EQ(r.Presses(), (std::vector<std::string>{r.Id(u8"便利機能関連")}));
  EXPECT_EQ(r.pen.now, 0u);
  // The next action tries again.
  r.pen.clickResult = PenPlusPort::SendResult::kDone;
  EXPECT_TRUE(r.act.Action("Btn.PageNext"));
  EXPECT_EQ(r.Presses().back(), r.Id(u8"ページ送り"));
}

TEST(PenPlusTest, TheVersionIsReadAfreshByEachActionWhoseRulesDependOnIt) {
  // A page turn presses the same caption in every version and asks nothing
  // about it; the area zoom's first step depends on it, and another PenPlus
  // may run by the next action.
  const struct {
    const char* action;
    int major;  // of the running program
    int reads;  // so far
    int read;   // the major version as last read
  } steps[] = {{"Btn.PagePrev", 4, 0, 0}, {"Btn.AreaZoom", 4, 1, 4}, {"Btn.PagePrev", 3, 1, 4}, {"Btn.AreaZoom", 3, 2, 3}};
  Rig r;
  for (const auto& s : steps) {
    SCOPED_TRACE(::testing::Message() << s.action << " on " << s.major);
    r.pen.major = s.major;
    EXPECT_TRUE(r.act.Action(s.action));
    EXPECT_EQ(r.pen.versionReads, s.reads);
    EXPECT_EQ(r.act.MajorVersion(), s.read);
  }
}

TEST(PenPlusTest, AClosingDriverEndsEveryWaitAndNothingMoreIsSentOrShown) {
  // The driver answers its close request inside a wait; from then on no
  // wait goes on, nothing reaches PenPlus and no notification comes back.
  constexpr std::uint64_t kNever = 1'000'000'000;
  struct Case {
    const char* name;
    const char* action;
    bool running;               // else started by the action
    std::uint64_t startDelay;   // until the tool bar shows
    std::function<void(FakePenPlus&)> setUp;
    std::uint64_t closeAt;
    std::vector<std::string> presses;  // captions pressed before the close
  };
  const Case cases[] = {
      {"start, tool bar never shows", "Btn.PageNext", false, kNever, {}, 1000, {}},
      {"start, tool bar shows later", "Btn.PageNext", false, 700, {}, 300, {}},
      {"button", "Btn.CaptureSelArea", true, 0, {}, 100, {u8"キャプチャ（画面取込）"}},
      {"dialog", "Btn.PenSetting1", true, 0, {}, 100, {u8"ペンの設定"}},
      {"sub-panel's dialog", "Btn.WebLink", true, 0, [](FakePenPlus& p) { p.model.SetSheet(3); }, 100,
       {u8"便利機能関連", u8"Webリンク集"}},
      {"sheet state", "Btn.AreaZoom", true, 0,
       [](FakePenPlus& p) {
         p.major = 3;
         p.inert = p.Find(u8"ペン", 2);  // the sheet stays hidden
       },
       100, {u8"ペン"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Rig r(4, c.running);
    r.pen.startDelay = c.startDelay;
    r.settings.PenPlusRunTimeOut = 60000;
    if (c.setUp) c.setUp(r.pen);
    std::size_t events = 0, notes = 0;
    int walks = 0;
    r.pen.After(c.closeAt, [&] {
      r.pen.cancelled = true;
      events = r.pen.events.size();
      notes = r.notifier.notes.size();
      walks = r.pen.topLevelWalks;
    });
    r.act.Action(c.action);
    ASSERT_TRUE(r.pen.cancelled);
    EXPECT_EQ(r.pen.events.size(), events) << "sent after the close: " << r.pen.events.back();
    EXPECT_EQ(r.notifier.notes.size(), notes) << "shown after the close: " << r.notifier.notes.back().text;
    EXPECT_EQ(r.pen.topLevelWalks, walks) << "went on looking";
    EXPECT_EQ(r.Presses(false), c.presses);
    for (const char* dialog : {u8"ペンの設定", u8"WEBリンク集"}) {
      if (const WindowId d = r.pen.Dialog(dialog)) EXPECT_NE(r.pen.At(d).owner, r.pen.toolbar) << dialog;
    }
  }
}

TEST(PenPlusClickOutcome, APressTheSystemDroppedIsNotMade) {
  using R = PenPlusPort::SendResult;
  const struct {
    const char* name;
    bool sent;
    std::uint32_t lastError;
    bool exists;
    R outcome;
  } cases[] = {
      {"answered", true, 0, true, R::kDone},
      {"dropped for higher rights, reported as sent", true, 5, true, R::kFailed},
      {"dropped for higher rights", false, 5, true, R::kFailed},
      {"time-out", false, 1460, true, R::kTimedOut},
      {"failed without a reason", false, 0, true, R::kTimedOut},
      {"button gone", false, 1400, false, R::kFailed},
  };
  for (const auto& c : cases) EXPECT_EQ(ClickOutcome(c.sent, c.lastError, c.exists), c.outcome) << c.name;
}

}  // namespace
}  // namespace orvanta
