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
class FakePenPlus : public PenPlusPort, public ProcessPort, public FileInfo {
public:
  struct Win {
    std::string cls, text;
    WindowId parent = 0, owner = 0;
    bool style = true, enabled = true;
    std::uint32_t ex = 0, pid = 77;
    int button = -1;  // the model's tool bar button it is
  };
  std::vector<Win> w;  // window id = index + 1
  std::vector<std::string> events;
  std::uint64_t now = 0;
  std::multimap<std::uint64_t, std::function<void()>> due;
  SendResult clickResult = SendResult::kDone;
  bool installed = true;  // the shell can start kExe
  std::uint64_t startDelay = penplus::kStartDelayMs;
  int major = 4, afx = penplus::kAfxPanes;
  bool nested = false;  // a frame in the tool bar holding an "Afx" pane and a button of its own
  bool otherDialogFirst = false;  // another program's dialog without a caption lies above the tool bar
  std::string ownerCaption = penplus::kMainCaption;
  WindowId inert = 0;  // a button whose presses change nothing
  penplus::Model model;
  std::map<AnsiString, AnsiString> shortcuts;  // .lnk -> target
  std::map<AnsiString, std::pair<AnsiString, AnsiString>> products;  // exe -> product, company
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
    ++topLevelWalks;
    for (WindowId id = 1; id <= w.size(); ++id) {
      if (At(id).parent == 0 && At(id).cls == cls && At(id).text.empty()) return id;
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
  std::uint32_t ProcessId(WindowId id) override { return At(id).pid; }
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
    if (!installed || path != kExe) return false;
    pid = 77;
    After(startDelay, [this] { Start(); });
    return true;
  }
  bool IsRunning(std::uint32_t) override { return false; }
  // ---- FileInfo
  AnsiString GetFileVerInfo(const AnsiString& path, int item) override {
    const auto it = products.find(path);
    if (it == products.end()) return {};
    return item == kVerProductName ? it->second.first : item == kVerCompanyName ? it->second.second : "";
  }
  FixedFileVerInfo GetFixedFileVerInfo(const AnsiString& path) override {
    ++versionReads;
    FixedFileVerInfo v;
    if (path == kExe) v.values[2] = static_cast<std::uint32_t>(major) << 16;
    return v;
  }
  AnsiString GetShortcutInfo(const AnsiString& lnk, int property) override {
    return property == kLnkTargetPath && shortcuts.count(lnk) ? shortcuts[lnk] : "";
  }
  AnsiString GetProcessImagePath(std::uint32_t pid) override { return pid == 77 ? kExe : ""; }
  bool FileExists(const AnsiString& path) override { return products.count(path) != 0; }
};

class PenPlusTest : public ::testing::Test {
protected:
  PenPlusTest() { settings.PenPlusPath = kExe; }
  // PenPlus running with its tool bar hidden by the driver, as after a start.
  void Running(int major = 4) {
    pen.major = major;
    pen.Start();
    pen.At(pen.toolbar).style = false;
  }
  static std::vector<std::string> Presses(const FakePenPlus& p) {
    std::vector<std::string> out;
    for (const auto& e : p.events) {
      if (e.rfind("press ", 0) == 0) out.push_back(e.substr(6));
    }
    return out;
  }
  std::string Id(const char* text, int nth = 1) { return std::string(text) + "#" + std::to_string(pen.Find(text, nth)); }
  std::vector<std::string> Notes() const {
    std::vector<std::string> out;
    for (const auto& n : notifier.notes) out.push_back(n.text + (n.timeoutMs == 0 ? " [stays]" : ""));
    return out;
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
  ClassActPenPlus act{settings, {}, {pen, pen, pen, notifier}};
};

TEST_F(PenPlusTest, ToolbarIsRecognisedByOwnerCaptionAndExactlyThreeAfxChildren) {
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
    FakePenPlus p;
    p.afx = c.afx;
    p.nested = c.nested;
    p.otherDialogFirst = c.otherDialogFirst;
    p.ownerCaption = c.owner;
    p.Start();
    ClassActPenPlus a{settings, {}, {p, p, p, notifier}};
    EXPECT_EQ(a.FindPenToolbar(), c.found ? p.toolbar : 0u)
        << c.afx << (c.nested ? " nested" : "") << (c.otherDialogFirst ? " below another" : "") << " '" << c.owner
        << "'";
  }
}

TEST_F(PenPlusTest, ButtonIndexCountsFromTheLastMatchInWindowOrder) {
  Running();
  const WindowId first = pen.Find(u8"ペン", 1), last = pen.Find(u8"ペン", 2);
  const struct {
    std::int32_t index;
    WindowId expected;
  } cases[] = {{0, last}, {1, last}, {2, first}, {3, last}, {-1, last}};
  for (const auto& c : cases) EXPECT_EQ(act.FindPenButton({u8"ペン", u8"マーカー"}, c.index), c.expected) << c.index;
  // A button whose own visible bit is clear is never a match, though the
  // hidden tool bar does not stop the visible ones.
  EXPECT_EQ(act.FindPenButton({u8"ページ送り"}, 2), pen.Find(u8"ページ送り", 1));
  EXPECT_EQ(act.FindPenButton({u8"マーカー"}), 0u);
}

TEST_F(PenPlusTest, AButtonInsideAFrameOfTheToolbarIsNoMatch) {
  pen.nested = true;  // the frame's own "マウス" comes last in the windows' order
  Running();
  for (const std::int32_t index : {0, 2}) EXPECT_EQ(act.FindPenButton({u8"マウス"}, index), pen.Find(u8"マウス", 1));
}

TEST_F(PenPlusTest, SheetStateFollowsTheAnnotationWindowAndTheVersion) {
  for (const int major : {3, 4}) {
    FakePenPlus p;
    p.major = major;
    p.Start();
    ClassActPenPlus a{settings, {}, {p, p, p, notifier}};
    a.Action("Btn.Mouse");  // reads the version of the running program
    for (const int state : {1, 2, 3}) {
      p.model.SetSheet(state);
      EXPECT_EQ(a.GetSheetState(), state) << "major " << major;
    }
  }
  EXPECT_EQ(act.GetSheetState(), 0);  // not running
}

TEST_F(PenPlusTest, EachActionPressesItsButtons) {
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
    FakePenPlus p;
    p.major = c.major;
    p.Start();
    p.model.SetSheet(c.sheet);
    ClassActPenPlus a{settings, {}, {p, p, p, notifier}};
    EXPECT_TRUE(a.Action(c.action));
    std::vector<std::string> expected;
    for (const auto& e : c.presses) expected.push_back(std::string(e.text) + "#" + std::to_string(p.Find(e.text, e.nth)));
    EXPECT_EQ(Presses(p), expected) << c.action << " major " << c.major << " sheet " << c.sheet;
    if (c.dialog) {
      const WindowId d = p.Dialog(c.dialog);
      ASSERT_NE(d, 0u) << c.action;
      EXPECT_EQ(p.At(d).owner, p.toolbar) << c.action;
      EXPECT_TRUE(p.At(d).ex & 0x08) << c.action;
    }
  }
}

TEST_F(PenPlusTest, APressOnANotRunningPenPlusStartsItFirstAndHidesItsToolbar) {
  EXPECT_TRUE(act.Action("Btn.Pen1"));
  EXPECT_EQ(pen.events, (std::vector<std::string>{"shell " + kExe.bytes(), "command 2003", "press " + Id(u8"ペン", 2)}));
  EXPECT_EQ(Notes(), (std::vector<std::string>{u8"ペンソフトを起動中... [stays]", u8"ペンソフトを起動しました。"}));
  EXPECT_EQ(pen.now, 700u);  // polled until the tool bar showed
  EXPECT_FALSE(act.IsToolbarVisible());
}

TEST_F(PenPlusTest, RunTimeOutBoundsTheWaitForTheToolbar) {
  const struct {
    std::int32_t timeout;
    std::uint64_t waited;
    bool hidden;  // command 2003 posted: the tool bar had shown
  } cases[] = {{0, 0, false}, {-50, 0, false}, {349, 350, false}, {20000, 700, true}};
  for (const auto& c : cases) {
    FakePenPlus p;
    MainSettings s;
    s.PenPlusPath = kExe;
    s.PenPlusRunTimeOut = c.timeout;
    ClassActPenPlus a{s, {}, {p, p, p, notifier}};
    a.PenPlus_Run(true);
    EXPECT_EQ(p.now, c.waited) << c.timeout;
    EXPECT_EQ(std::count(p.events.begin(), p.events.end(), "command 2003"), c.hidden ? 1 : 0) << c.timeout;
  }
}

TEST_F(PenPlusTest, EmptyPathIsSearchedInTheStartMenuAndStored) {
  const AnsiString other = "C:\\Other\\PenPlus.exe";
  // ケ is 83 50 in code page 932: its second byte reads as "P".
  const AnsiString ke = testing::Ansi("C:\\Other\\\x83\x50" "enPlus.exe");
  const struct {
    const char* name;
    std::map<AnsiString, AnsiString> shortcuts;
    std::map<AnsiString, std::pair<AnsiString, AnsiString>> products;
    AnsiString found;
  } cases[] = {
      {"none", {}, {}, ""},
      {"case ignored", {{"a\\PenPlus.LNK", kExe}}, {{kExe, {"PENPLUS application", "plussoft CORPORATION"}}}, kExe},
      {"other company", {{"a.lnk", kExe}}, {{kExe, {"PenPlus Application", "Other"}}}, ""},
      {"not a shortcut", {{"a.txt", kExe}}, {{kExe, {"PenPlus Application", "Plussoft Corporation"}}}, ""},
      {"other name", {{"a.lnk", "C:\\P\\Pen.exe"}}, {{"C:\\P\\Pen.exe", {"PenPlus Application", "Plussoft Corporation"}}}, ""},
      {"a name ending in ke, enPlus.exe", {{"a.lnk", ke}}, {{ke, {"PenPlus Application", "Plussoft Corporation"}}}, ""},
      {"first that qualifies", {{"a.lnk", other}, {"b.lnk", kExe}},
       {{other, {"x", "y"}}, {kExe, {"PenPlus Application", "Plussoft Corporation"}}}, kExe},
  };
  for (const auto& c : cases) {
    FakePenPlus p;
    p.shortcuts = c.shortcuts;
    p.products = c.products;
    MainSettings s;
    int saved = 0;
    RecordingNotifier n;
    ClassActPenPlus a{s, [&] { ++saved; }, {p, p, p, n}};
    a.PenPlus_Run(true);
    EXPECT_EQ(s.PenPlusPath, c.found) << c.name;
    EXPECT_EQ(saved, 1) << c.name;
    ASSERT_GE(n.notes.size(), 2u);
    EXPECT_EQ(n.notes[0].text, u8"ペンソフトを検索中...");
    EXPECT_EQ(n.notes[1].text, c.found.empty() ? std::string(u8"ペンソフトを起動できません。") + "\r\n" + u8"設定を確認して下さい。"
                                               : std::string(u8"ペンソフトを起動中..."))
        << c.name;
  }
}

TEST_F(PenPlusTest, WhileADialogIsOpenPressesAreRefusedWithABeep) {
  Running();
  ASSERT_TRUE(act.Action("Btn.PenSetting1"));
  ASSERT_FALSE(pen.At(pen.toolbar).enabled);
  pen.events.clear();
  EXPECT_TRUE(act.Action("Btn.PageNext"));
  EXPECT_EQ(pen.events, (std::vector<std::string>{"beep"}));
  // RunOnOff cannot close it either: the beep, and no close request.
  EXPECT_TRUE(act.Action("RunOnOff"));
  EXPECT_EQ(pen.events, (std::vector<std::string>{"beep", "beep"}));
  CloseDialog(u8"ペンの設定");
  EXPECT_TRUE(act.Action("Btn.PageNext"));
  EXPECT_EQ(Presses(pen).back(), Id(u8"ページ送り"));
}

TEST_F(PenPlusTest, RunOnOffAsksToCloseAndBringsTheConfirmationForward) {
  Running();
  EXPECT_TRUE(act.Action("RunOnOff"));
  EXPECT_EQ(pen.events, (std::vector<std::string>{"close"}));
  const WindowId confirm = pen.Dialog(u8"終了の確認");
  ASSERT_NE(confirm, 0u);
  EXPECT_EQ(pen.At(confirm).owner, pen.toolbar);
  EXPECT_TRUE(pen.At(confirm).ex & 0x08);
  // Pressed again while the confirmation is open: beep and flash.
  EXPECT_TRUE(act.Action("RunOnOff"));
  EXPECT_EQ(pen.events, (std::vector<std::string>{"close", "beep", std::string("flash ") + u8"終了の確認"}));
}

TEST_F(PenPlusTest, ASubPanelOpenBeforeIsLeftOpen) {
  Running();
  pen.model.SetSheet(3);
  pen.model.OpenPanel(penplus::Panel::kWeb);
  EXPECT_TRUE(act.Action("Btn.WebLink"));
  EXPECT_EQ(Presses(pen), (std::vector<std::string>{Id(u8"便利機能関連"), Id(u8"Webリンク集")}));
}

TEST_F(PenPlusTest, APressThatTimesOutEndsTheActionWithoutWaiting) {
  Running();
  pen.model.SetSheet(3);
  pen.clickResult = PenPlusPort::SendResult::kTimedOut;
  EXPECT_TRUE(act.Action("Btn.WebLink"));
  EXPECT_EQ(Presses(pen), (std::vector<std::string>{Id(u8"便利機能関連")}));
  EXPECT_EQ(pen.now, 0u);
  // The next action tries again.
  pen.clickResult = PenPlusPort::SendResult::kDone;
  EXPECT_TRUE(act.Action("Btn.PageNext"));
  EXPECT_EQ(Presses(pen).back(), Id(u8"ページ送り"));
}

TEST_F(PenPlusTest, APressWalksTheToolbarOnce) {
  // Each question about another program's window is a round trip to the
  // window manager: a press finds the tool bar, reads its children once and
  // presses from that list.
  const struct {
    const char* action;
    const char* pressed;
  } cases[] = {{"Btn.ChangeSheetMode", u8"透明シート"}, {"Btn.PageNext", u8"ページ送り"}, {"Btn.PagePrev", u8"ページ戻し"},
               {"Btn.Pen1", u8"ペン"},                {"Btn.Mouse", u8"マウス"},       {"Btn.Eraser", u8"消しゴム"}};
  Running();
  for (const auto& c : cases) {
    pen.topLevelWalks = pen.toolbarWalks = 0;
    pen.events.clear();
    EXPECT_TRUE(act.Action(c.action));
    ASSERT_EQ(Presses(pen).size(), 1u) << c.action;
    EXPECT_EQ(Presses(pen)[0].rfind(c.pressed, 0), 0u) << c.action;
    EXPECT_EQ(pen.toolbarWalks, 1) << c.action;
    EXPECT_EQ(pen.topLevelWalks, 1) << c.action;
  }
}

TEST_F(PenPlusTest, TheVersionIsReadAfreshByEachActionWhoseRulesDependOnIt) {
  // A page turn presses the same caption in every version and asks nothing
  // about it; the area zoom's first step depends on it, and another PenPlus
  // may run by the next action.
  const struct {
    const char* action;
    int major;  // of the running program
    int reads;  // so far
    int read;   // the major version as last read
  } steps[] = {{"Btn.PagePrev", 4, 0, 0}, {"Btn.AreaZoom", 4, 1, 4}, {"Btn.PagePrev", 3, 1, 4}, {"Btn.AreaZoom", 3, 2, 3}};
  Running();
  for (const auto& s : steps) {
    pen.major = s.major;
    EXPECT_TRUE(act.Action(s.action));
    EXPECT_EQ(pen.versionReads, s.reads) << s.action << " on " << s.major;
    EXPECT_EQ(act.MajorVersion(), s.read) << s.action << " on " << s.major;
  }
}

TEST_F(PenPlusTest, AClosingDriverEndsEveryWaitAndNothingMoreIsSentOrShown) {
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
    FakePenPlus p;
    p.startDelay = c.startDelay;
    MainSettings s;
    s.PenPlusPath = kExe;
    s.PenPlusRunTimeOut = 60000;
    if (c.running) {
      p.Start();
      p.At(p.toolbar).style = false;
    }
    if (c.setUp) c.setUp(p);
    RecordingNotifier n;
    ClassActPenPlus a{s, {}, {p, p, p, n}};
    std::size_t events = 0, notes = 0;
    int walks = 0;
    p.After(c.closeAt, [&] {
      p.cancelled = true;
      events = p.events.size();
      notes = n.notes.size();
      walks = p.topLevelWalks;
    });
    a.Action(c.action);
    ASSERT_TRUE(p.cancelled) << c.name;
    EXPECT_EQ(p.events.size(), events) << c.name << ": sent after the close: " << p.events.back();
    EXPECT_EQ(n.notes.size(), notes) << c.name << ": shown after the close: " << n.notes.back().text;
    EXPECT_EQ(p.topLevelWalks, walks) << c.name << ": went on looking";
    std::vector<std::string> captions;
    for (const auto& e : Presses(p)) captions.push_back(e.substr(0, e.find('#')));
    EXPECT_EQ(captions, c.presses) << c.name;
    for (const char* dialog : {u8"ペンの設定", u8"WEBリンク集"}) {
      if (const WindowId d = p.Dialog(dialog)) EXPECT_NE(p.At(d).owner, p.toolbar) << c.name << ": " << dialog;
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
