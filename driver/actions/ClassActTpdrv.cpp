#include "ClassActTpdrv.h"

#include "identities/WindowIdentities.h"

namespace orvanta {

namespace {

constexpr const char* kTitle = u8"「キャリブレーション切替」";

struct CalibrationSet {
  const char* name;
  const char* modeLine;
};

// Index: the setting's value after the switch.
constexpr CalibrationSet kSets[] = {
    {"Orvanta-16:9", u8"  16:9 モード"},
    {"Orvanta-4:3", u8"  4:3 モード"},
};

}  // namespace

ClassActTpdrv::ClassActTpdrv(MainSettings& settings, std::function<void()> saveSettings, TouchDataPort& port,
                             Notifier& notifier)
    : settings_(settings), saveSettings_(std::move(saveSettings)), port_(port), notifier_(notifier) {}

bool ClassActTpdrv::Action(const std::string& actName) {
  if (!InActionList(list_, actName)) return false;
  if (actName == "ChangeTPNamedID") ChangeTPNamedID();
  // True also when the switch failed: the user learns that from the note.
  return true;
}

void ClassActTpdrv::ChangeTPNamedID() {
  // Alternates 0 <-> 1; the first press after installation (-1), or a value
  // someone typed into the INI, starts again at the 16:9 set.
  const std::int32_t current = settings_.TpdrvChangeTPNamedID;
  const std::int32_t next = (current >= 0 && current < 1) ? current + 1 : 0;
  const CalibrationSet& set = kSets[next];

  const std::string command = std::string("TPNamedID=") + set.name;
  const TouchDataPort::WindowId box = port_.FindLinkTextBox(identity::kLinkBoxNameAscii);
  if (box == 0 || !port_.SendLinkText(box, command)) {
    notifier_.SetText(std::string(kTitle) + "\r\n" + u8"  タッチパネルドライバが起動していません。");
    return;
  }
  // The program may have rebuilt its window while it took the set name, so
  // the box is looked up again. Once the set name is in, the switch counts as
  // done, whatever becomes of this second command.
  (void)port_.SendLinkText(port_.FindLinkTextBox(identity::kLinkBoxNameAscii), "DATACHANG");
  settings_.TpdrvChangeTPNamedID = next;
  if (saveSettings_) saveSettings_();
  notifier_.SetText(std::string(kTitle) + "\r\n" + set.modeLine);
}

}  // namespace orvanta
