#pragma once
// The application selection dialog: binds one registered application to an
// executable, chosen by dropping it (or its shortcut) from Explorer or the
// desktop, or through the open-file dialog. Shortcuts are followed to their
// targets; a file is accepted only with the registration's expected version
// information. OK stores the accepted path in the registration, in memory
// only; the settings dialog writes it when the user confirms there.
#include <windows.h>
#include <ole2.h>

#include <optional>
#include <string>
#include <vector>

#include "base/AnsiString.h"
#include "base/win/Forms.h"
#include "identities/WindowIdentities.h"
#include "settings/ClassRegAppData.h"
#include "wincommon/Com.h"
#include "wincommon/Handles.h"

namespace orvanta::win {

class FormSettingSelApp : public Form {
public:
  static constexpr const wchar_t* kClassName = identity::kSelAppClass;

  FormSettingSelApp();

  // The registration being bound; set by the caller before opening, cleared
  // by the caller afterwards.
  ClassRegAppData* ClsFindRegApp = nullptr;
  // True when the dialog ended with OK.
  bool ReturnOK = false;

  // Creates and shows the dialog over owner, modeless. False when it cannot
  // be made.
  [[nodiscard]] bool Open(HWND owner);
  // The same, modal: owner stays disabled while it is open, and this returns
  // when the dialog has closed (the poll tick keeps running: the loop
  // dispatches its messages).
  bool ShowModal(HWND owner);

  // A candidate file, checked by the registration (CheckCandidate): shown,
  // or rejected with a beep.
  void CheckAndShowApp(const AnsiString& path);
  // What a drop on the dialog or any of its controls delivers: the first
  // file of a file list; data without a file list is rejected.
  void DropData(IDataObject* data);
  // The drop target registered on the dialog and its controls.
  [[nodiscard]] IDropTarget* DropTarget() const { return dropTarget_; }
  [[nodiscard]] const AnsiString& SelectedPath() const { return selectedPath_; }

private:
  [[nodiscard]] bool Load(HWND owner);
  bool OnCommand(WORD id, WORD code, HWND control) override;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  bool OnClose() override;
  void OnDestroy() override;
  void Reject();
  void CommandOpen_Click();
  void Close(bool ok);
  void DrawAppIcon(const std::wstring& path);

  AnsiString selectedPath_;
  HICON icon_ = nullptr;
  IDropTarget* dropTarget_ = nullptr;
  std::vector<HWND> dropWindows_;
  // OLE while the dialog is open: drops need it on this thread.
  std::optional<wincommon::OleScope> ole_;
};

}  // namespace orvanta::win
