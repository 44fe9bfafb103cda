#pragma once
// The model behind the settings dialog's choice rows. Each row is a caption
// label, a drop-down list and a setting definition: one text that names the
// row's caption, the INI keys the row controls and the entries to choose
// from with the values each writes. Loading a row fills its list and selects
// the entry whose values equal what the INI file holds; saving writes the
// selected entry's values back.
//
// Definition format: lines separated by LF, fields by CR. Line 0 is the
// caption followed by INI locations "Section,Key"; every further line is an
// entry: the shown text followed by one value per location.
//   "ダブルクリックの時間:\rMain,DblClickTime\n0.2秒\r200\n0.4秒\r400"
// Captions and entry texts are UTF-8; locations and values are ASCII
// (numbers, codes), the same bytes in the INI file's ANSI code page.
#include <functional>
#include <string>
#include <vector>

#include "base/ProfileStore.h"

namespace orvanta {

// A row's caption label.
class SettingLabel {
public:
  virtual ~SettingLabel() = default;
  virtual void SetCaption(const std::string& text) = 0;
};

// A row's drop-down list. Indexes count from 0; -1 is "nothing selected".
class SettingCombo {
public:
  virtual ~SettingCombo() = default;
  virtual void Clear() = 0;
  virtual void AddItem(const std::string& text) = 0;
  // The index of the entry added last.
  [[nodiscard]] virtual int NewIndex() const = 0;
  [[nodiscard]] virtual int ListIndex() const = 0;
  virtual void SetListIndex(int index) = 0;
};

class ClassSettingsWindow {
public:
  // Stands for a key missing from the INI file; an entry carrying it is
  // never preselected.
  static constexpr const char kNone[] = "--None--";

  ClassSettingsWindow(ProfileStore& store, std::string iniFile) : store_(&store), iniFile_(std::move(iniFile)) {}

  // Owners raise these through the model; nothing in the driver listens yet.
  std::vector<std::function<void()>> IniDataChange;
  std::vector<std::function<void(const void* source)>> MenuSubError;
  void RaiseEvent_IniDataChange();
  void RaiseEvent_MenuSubError(const void* source);

  // Appends a row; nothing is loaded until SettingLoad. The label and the
  // list stay the caller's and must outlive the model's use of them.
  void SettingAdd(SettingLabel& label, SettingCombo& combo, std::string setting);
  [[nodiscard]] int SettingCount() const { return static_cast<int>(SettingDefs.size()); }
  // A row's definition; empty for an index outside the rows. Setting a new
  // one does not refill the list until the row is loaded again.
  [[nodiscard]] std::string Setting(int index) const;
  void SetSetting(int index, std::string setting);

  void SettingsLoad();
  void SettingLoad(int index);
  // False when a value could not be written (the INI file is read-only or
  // in a folder the user may not write to); every row is still tried.
  [[nodiscard]] bool SettingsSave();
  // Writes nothing while the row's list has no selection (which counts as
  // saved).
  [[nodiscard]] bool SettingSave(int index);

private:
  [[nodiscard]] bool Valid(int index) const { return index >= 0 && index < SettingCount(); }

  ProfileStore* store_;
  std::string iniFile_;
  std::vector<SettingLabel*> objLabels;
  std::vector<SettingCombo*> objCombos;
  std::vector<std::string> SettingDefs;
};

// The settings dialog's three rows, in its order: the double-click time, the
// notification's display time, the notification's position ([Main]
// DblClickTime, NotifyMsg, NotifyMsgPos).
[[nodiscard]] const std::vector<std::string>& DriverSettingRows();

}  // namespace orvanta
