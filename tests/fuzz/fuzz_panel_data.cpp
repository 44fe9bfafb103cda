// Hostile .def and .dat files: Load, Save, LoadSaveDefault and PointCheck
// must not crash, must stay within the grid bound, and the hit test must
// answer with a record of the list that really holds the point.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "FuzzCheck.h"
#include "profile/ProfileEmulation.h"
#include "panel/ClassPanelData.h"

namespace {

using orvanta::ClassPanelData;

// The files live in memory as documents under the same INI rules (the
// document's own fuzzer holds it to the text rules): a layout of 256 cells
// costs some 3000 profile calls per input, which through files walked anew
// at each call would make the run a matter of syscalls and parsing.
class DocumentStore : public orvanta::ProfileStore {
public:
  orvanta::AnsiString Read(const std::string& file, const orvanta::AnsiString& section, const orvanta::AnsiString& key,
                           const orvanta::AnsiString& def) override {
    return orvanta::AnsiString::FromBytes(files[file].Read(section.bytes(), key.bytes(), def.bytes()));
  }
  bool Write(const std::string& file, const orvanta::AnsiString& section, const orvanta::AnsiString& key,
             const orvanta::AnsiString& value) override {
    files[file].Write(section.bytes(), key.bytes(), value.bytes());
    return true;
  }
  std::map<std::string, profilesim::IniDocument> files;
};

bool Holds(std::int32_t v, std::int32_t a, std::int32_t b) { return a <= b ? a <= v && v <= b : b <= v && v <= a; }

void CheckHitTest(ClassPanelData& panel, std::int32_t x, std::int32_t y) {
  const auto* hit = panel.PointCheck(x, y);
  if (panel.ButtonX <= 0 && panel.ButtonY <= 0) {
    Check(hit == nullptr);
    return;
  }
  for (std::int32_t k = 0; k < panel.ButtonData_Counts(); ++k) {
    const auto* b = panel.ButtonData(k);
    const bool holds = (panel.ButtonX <= 0 || Holds(x, b->Left, b->Right)) &&
                       (panel.ButtonY <= 0 || Holds(y, b->Top, b->Bottom));
    if (holds) {
      Check(hit == b);  // the first that holds it
      return;
    }
  }
  Check(hit == nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text = TextOf(data, size);
  // The input is the .def text, a zero byte, the .dat text.
  const auto split = text.find('\0');
  const std::string def = text.substr(0, split);
  const std::string dat = split == std::string::npos ? std::string() : text.substr(split + 1);

  DocumentStore store;
  ClassPanelData panel(store, "Data");
  panel.DataName = "QV-LK2048";
  store.files[panel.DefPath()] = profilesim::IniDocument(def);
  store.files[panel.DatPath()] = profilesim::IniDocument(dat);

  panel.Load();
  const std::int32_t max = ClassPanelData::kMaxGridCount;
  Check(panel.ButtonData_Counts() <= std::min(max * max, ClassPanelData::kMaxGridCells));
  const std::int32_t probes[][2] = {{0, 0}, {5000, 5000}, {9999, 9999}, {-1, 10000}, {INT32_MIN, INT32_MAX}};
  for (const auto& p : probes) CheckHitTest(panel, p[0], p[1]);

  // What Save writes must load back to the same list.
  const std::int32_t count = panel.ButtonData_Counts();
  (void)panel.Save();
  panel.Load();
  Check(panel.ButtonData_Counts() >= count || panel.ButtonX <= 0 || panel.ButtonY <= 0);
  for (const auto& p : probes) CheckHitTest(panel, p[0], p[1]);

  panel.LoadSaveDefault([&store](const std::string& from, const std::string& to) {
    store.files[to] = store.files[from];
    return true;
  });
  Check(panel.ButtonData_Counts() <= std::min(max * max, ClassPanelData::kMaxGridCells));
  return 0;
}
