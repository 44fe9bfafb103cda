// Any button action text ("Group.Name&Group.Name" as the panel data holds
// it) through the dispatcher into the real calibration-set and camera
// handlers: no crash, only an exact group with a name in its handler's list
// (ignoring letter case) reaches it, and only an exact name does anything.
#include "actions/ClassActCamera.h"
#include "actions/ClassActTpdrv.h"
#include "actions/ClassButtonAction.h"
#include "../unit/Fakes.h"
#include "FuzzCheck.h"

namespace {

using namespace orvanta;

struct Counts {
  int sends = 0, starts = 0;
};
Counts g;

struct Port : TouchDataPort {
  WindowId FindLinkTextBox(const std::string&) override { return 1; }
  bool SendLinkText(WindowId, const std::string&) override { return ++g.sends % 3 != 0; }
};
struct Proc : ProcessPort {
  bool ShellOpen(const AnsiString& path, std::uint32_t& pid) override {
    pid = 7;
    ++g.starts;
    return !path.empty();
  }
  bool IsRunning(std::uint32_t) override { return g.starts % 2 == 1; }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Panel data text, in the ANSI code page.
  const AnsiString text = AnsiString::FromBytes(TextOf(data, size));
  MainSettings settings;
  settings.CameraPath = "C:\\cam.exe";
  Port port;
  Proc proc;
  testing::RecordingNotifier note;
  int saves = 0;
  // Pen actions are exercised against their window ports elsewhere; here only
  // what reaches the group matters.
  std::vector<std::string> penNames;
  const std::vector<std::string> penList{"Pen", "Eraser", "Btn.Pen1"};
  ClassButtonAction dispatch({[&] { return std::make_unique<testing::RecordingHandler>(penList, &penNames); },
                              [&] { return std::make_unique<ClassActTpdrv>(settings, [&] { ++saves; }, port, note); },
                              [&] { return std::make_unique<ClassActCamera>(settings, proc, note); }});
  for (int index = -1; index < 4; ++index) {
    g = Counts{};
    penNames.clear();
    note.notes.clear();
    const std::int32_t set = settings.TpdrvChangeTPNamedID;
    saves = 0;
    AnsiString elementText;
    const bool has = ActionElement(text, index, elementText);
    const std::string& element = elementText.bytes();
    Check(!has || (element.find('&') == std::string::npos && text.bytes().find(element) != std::string::npos));
    const bool done = dispatch.Action(text, index);
    const auto dot = element.find('.');
    const std::string group = has && dot != std::string::npos ? element.substr(0, dot) : "";
    const std::string name = has && dot != std::string::npos ? element.substr(dot + 1) : "";
    const bool tpdrv = group == "Tpdrv", camera = group == "Camera";
    const bool exact = (tpdrv && name == "ChangeTPNamedID") || (camera && name == "Run");
    // Action names are ASCII: one with any other character is in no list and
    // is not handed on.
    Check(penNames.size() == (group == "PenPlus" && IsAscii(name) ? 1u : 0u));
    Check(g.starts <= (camera && exact ? 1 : 0));
    // A name that matches only without letter case is taken and does nothing.
    if (!exact) Check(g.sends == 0 && saves == 0 && note.notes.empty() && settings.TpdrvChangeTPNamedID == set);
    if (tpdrv) Check(done == InActionList({"ChangeTPNamedID"}, name) && (g.sends > 0) == exact);
    if (camera) Check(done == InActionList({"Run"}, name));
    if (!tpdrv && !camera && group != "PenPlus") Check(!done);
  }
  return 0;
}
