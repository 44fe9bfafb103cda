#include "ClassSettingsWindow.h"

namespace orvanta {

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string::size_type start = 0;
  for (;;) {
    const auto end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

// "Section,Key"; a location without its comma names no key.
struct IniLocation {
  AnsiString section, key;
  [[nodiscard]] bool Usable() const { return !section.empty() && !key.empty(); }
};
IniLocation ParseLocation(const std::string& field) {
  const auto parts = Split(field, ',');
  return IniLocation{AnsiString::FromAscii(parts[0]),
                     AnsiString::FromAscii(parts.size() > 1 ? parts[1] : std::string())};
}

}  // namespace

void ClassSettingsWindow::RaiseEvent_IniDataChange() {
  // A copy: a handler may subscribe or unsubscribe while it runs.
  const auto handlers = IniDataChange;
  for (const auto& h : handlers) {
    if (h) h();
  }
}

void ClassSettingsWindow::RaiseEvent_MenuSubError(const void* source) {
  const auto handlers = MenuSubError;
  for (const auto& h : handlers) {
    if (h) h(source);
  }
}

void ClassSettingsWindow::SettingAdd(SettingLabel& label, SettingCombo& combo, std::string setting) {
  objLabels.push_back(&label);
  objCombos.push_back(&combo);
  SettingDefs.push_back(std::move(setting));
}

std::string ClassSettingsWindow::Setting(int index) const { return Valid(index) ? SettingDefs[index] : std::string(); }

void ClassSettingsWindow::SetSetting(int index, std::string setting) {
  if (Valid(index)) SettingDefs[index] = std::move(setting);
}

void ClassSettingsWindow::SettingsLoad() {
  for (int i = 0; i < SettingCount(); ++i) SettingLoad(i);
}

bool ClassSettingsWindow::SettingsSave() {
  bool saved = true;
  for (int i = 0; i < SettingCount(); ++i) saved = SettingSave(i) && saved;
  return saved;
}

void ClassSettingsWindow::SettingLoad(int index) {
  if (!Valid(index)) return;
  SettingCombo& combo = *objCombos[index];
  combo.Clear();
  const auto lines = Split(SettingDefs[index], '\n');
  const auto header = Split(lines[0], '\r');
  objLabels[index]->SetCaption(header[0]);
  std::vector<AnsiString> current(header.size(), kNone);
  for (size_t k = 1; k < header.size(); ++k) {
    const IniLocation at = ParseLocation(header[k]);
    if (at.Usable()) current[k] = store_->Read(iniFile_, at.section, at.key, kNone);
  }
  for (size_t i = 1; i < lines.size(); ++i) {
    const auto fields = Split(lines[i], '\r');
    combo.AddItem(fields[0]);
    bool matches = true;
    for (size_t k = 1; k < header.size() && matches; ++k) {
      // An entry short of a value cannot match the key it lacks.
      matches = k < fields.size() && fields[k] != kNone && AnsiString::FromAscii(fields[k]) == current[k];
    }
    if (matches) combo.SetListIndex(combo.NewIndex());
  }
}

bool ClassSettingsWindow::SettingSave(int index) {
  if (!Valid(index)) return true;
  const auto lines = Split(SettingDefs[index], '\n');
  const int selected = objCombos[index]->ListIndex();
  if (selected < 0 || static_cast<size_t>(selected) + 1 >= lines.size()) return true;
  const auto values = Split(lines[static_cast<size_t>(selected) + 1], '\r');
  const auto header = Split(lines[0], '\r');
  bool saved = true;
  for (size_t k = 1; k < header.size() && k < values.size(); ++k) {
    const IniLocation at = ParseLocation(header[k]);
    if (at.Usable()) saved = store_->Write(iniFile_, at.section, at.key, AnsiString::FromAscii(values[k])) && saved;
  }
  return saved;
}

const std::vector<std::string>& DriverSettingRows() {
  static const std::vector<std::string> rows = {
      u8"ダブルクリックの時間:\rMain,DblClickTime\n"
      u8"0.2秒\r200\n0.4秒\r400\n0.6秒\r600\n0.8秒\r800\n1.0秒\r1000",
      u8"メッセージの表示:\rMain,NotifyMsg\n"
      u8"無効\r0\n0.5秒\r500\n1.0秒\r1000\n2.0秒\r2000\n3.0秒\r3000\n4.0秒\r4000\n5.0秒\r5000",
      u8"メッセージの表示位置:\rMain,NotifyMsgPos\n"
      u8"中央\r0\n左上\r1\n右上\r2\n右下\r3\n左下\r4",
  };
  return rows;
}

}  // namespace orvanta
