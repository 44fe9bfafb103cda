#pragma once
// The driver's settings dialog: the double-click time and the notification
// rows, the registered applications (bound through the selection dialog),
// the driver version, the panel's connection state and the maintenance
// calibration. Nothing is written until OK; OK writes the INI file and makes
// the driver reload its settings. While it is open, touches do nothing.
#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/FileInf.h"
#include "base/ProfileStore.h"
#include "base/TouchEvent.h"
#include "base/win/Forms.h"
#include "identities/WindowIdentities.h"
#include "settings/ClassRegAppData.h"
#include "settings/ClassSettingsWindow.h"
#include "wincommon/Handles.h"

namespace orvanta::win {

// A row's caption label and drop-down list as the model sees them.
class WinSettingLabel : public SettingLabel {
public:
  explicit WinSettingLabel(HWND label = nullptr) : label_(label) {}
  void SetCaption(const std::string& text) override;

private:
  HWND label_;
};

class WinSettingCombo : public SettingCombo {
public:
  explicit WinSettingCombo(HWND combo = nullptr) : combo_(combo) {}
  void Clear() override;
  void AddItem(const std::string& text) override;
  [[nodiscard]] int NewIndex() const override { return newIndex_; }
  [[nodiscard]] int ListIndex() const override;
  void SetListIndex(int index) override;

private:
  HWND combo_;
  int newIndex_ = -1;
};

class FormSetting : public Form {
public:
  static constexpr const wchar_t* kClassName = identity::kSettingClass;

  struct Services {
    ProfileStore& store;
    std::string iniFile;
    FileInfo& files;
    // The main form's Cmd_Cal, modal over the given owner.
    std::function<void(HWND owner)> cmdCal;
    // The driver's touch event, claimed while the dialog is open.
    TouchEvent& touches;
    // The panel's connection state; the driver's settings read again from
    // the INI file.
    std::function<bool()> portOpen;
    std::function<void()> reloadSettings;
  };
  explicit FormSetting(Services services);

  // An owner's model told of changed INI data after OK; none in the driver.
  ClassSettingsWindow* OwnerClsSettingsWindow = nullptr;

  // Opens the dialog owned by owner, or brings the open one forward. Modal:
  // returns when it has closed.
  bool Show(HWND owner, bool modal);
  // The driver's port open/close event.
  void OnPortOpenCloseChange() { RefreshPortStatus(); }

private:
  bool OnCommand(WORD id, WORD code, HWND control) override;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  bool OnClose() override;
  void OnDestroy() override;
  void OnDpiChanged() override;
  [[nodiscard]] bool Load(HWND owner);
  void InitDialog();
  void RefreshPortStatus();
  void RefreshRegAppList();
  void RegisterSelectedApp();
  void CommandCal_Click();
  void CommandOK_Click();
  void CommandCancel_Click();
  void SetColumnWidths();
  [[nodiscard]] std::wstring Caption() const;
  // An item of the driver's own version information.
  [[nodiscard]] std::wstring OwnVersionInfo(int item) const;

  Services services_;
  wincommon::GdiObject listFont_;
  std::array<WinSettingLabel, 3> labels_;
  std::array<WinSettingCombo, 3> combos_;
  std::unique_ptr<ClassSettingsWindow> ClsSettingsWindow;
  std::vector<ClassRegAppData> RegApps;
  TouchEvent::Token touchToken_ = 0;
};

}  // namespace orvanta::win
