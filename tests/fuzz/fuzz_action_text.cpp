// Any button action text ("Group.Name&Group.Name" as the panel data holds
// it) through the dispatcher into the real calibration-set and camera
// handlers: no crash, only an exact group with a name in its handler's list
// (ignoring letter case) reaches it, and only an exact name does anything.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "actions/ClassActCamera.h"
#include "actions/ClassActTpdrv.h"
#include "actions/ClassButtonAction.h"

namespace {

using namespace orvanta;

void Check(bool ok) {
  if (!ok) std::abort();
}

struct Counts {
  int sends = 0, starts = 0, notes = 0, penPlus = 0;
};
Counts g;

struct Port : LinkTextPort {
  WindowId FindLinkTextBox(const std::string&) override { return 1; }
  bool SendLinkText(WindowId, const std::string&) override { return ++g.sends % 3 != 0; }
};
struct Proc : ProcessPort {
  bool ShellOpen(const std::string& path, std::uint32_t& pid) override {
    pid = 7;
    ++g.starts;
    return !path.empty();
  }
  bool IsRunning(std::uint32_t) override { return g.starts % 2 == 1; }
};
struct Note : Notifier {
  void SetText(const std::string&, std::int32_t, std::int32_t) override { ++g.notes; }
};
// Pen actions are exercised against their window ports elsewhere; here only
// what reaches the group matters.
struct PenRecorder : ActionHandler {
  std::vector<std::string> list{"Pen", "Eraser", "Btn.Pen1"};
  const std::vector<std::string>& ActionList() const override { return list; }
  bool Action(const std::string& name) override {
    ++g.penPlus;
    return InActionList(list, name);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  MainSettings settings;
  settings.CameraPath = "C:\\cam.exe";
  Port port;
  Proc proc;
  Note note;
  int saves = 0;
  ClassButtonAction dispatch({[] { return std::make_unique<PenRecorder>(); },
                              [&] { return std::make_unique<ClassActTpdrv>(settings, [&] { ++saves; }, port, note); },
                              [&] { return std::make_unique<ClassActCamera>(settings, proc, note); }});
  for (int index = -1; index < 4; ++index) {
    g = Counts{};
    saves = 0;
    std::string element;
    const bool has = ActionElement(text, index, element);
    Check(!has || (element.find('&') == std::string::npos && text.find(element) != std::string::npos));
    const bool done = dispatch.Action(text, index);
    const auto dot = element.find('.');
    const std::string group = has && dot != std::string::npos ? element.substr(0, dot) : "";
    const std::string name = has && dot != std::string::npos ? element.substr(dot + 1) : "";
    Check(g.penPlus == (group == "PenPlus" ? 1 : 0));
    if (group != "Tpdrv") Check(g.sends == 0 && saves == 0);
    if (group != "Camera") Check(g.starts == 0);
    if (group == "Tpdrv") {
      Check(done == InActionList({"ChangeTPNamedID"}, name));
      Check((g.sends > 0) == (name == "ChangeTPNamedID"));
    }
    if (group == "Camera") {
      Check(done == InActionList({"Run"}, name));
      Check(g.starts <= (name == "Run" ? 1 : 0));
    }
    if (group.empty() || (group != "PenPlus" && group != "Tpdrv" && group != "Camera")) {
      Check(!done && g.notes == 0);
    }
  }
  return 0;
}
