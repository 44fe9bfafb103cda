#pragma once
// The calibration dialog: a fixed-size dialog box without a task-bar entry,
// owned by the window that opened it. Shows the procedure's labels and draws
// the current button's picture with the blinking target in its picture box
// (an owner-drawn STATIC); every touch report is claimed while it is open.
#include <windows.h>

#include <functional>
#include <memory>

#include "base/win/Forms.h"
#include "base/win/WinTimers.h"
#include "identities/WindowIdentities.h"
#include "panel/CalProcedure.h"
#include "panel/PanelParts.h"
#include "panel/win/ButtonResPicture.h"

namespace orvanta::win {

class FormCal : public Form {
public:
  static constexpr const wchar_t* kClassName = identity::kCalClass;
  static constexpr const wchar_t* kCaption = L"キャリブレーション";

  explicit FormCal(PanelParts parts);

  // Told when the dialog has unloaded (the calibration view redraws).
  std::function<void()> onUnloaded;

  // Shows the dialog owned by owner, once per object. Modal: the owner is
  // disabled and this returns when the dialog has closed; the poll tick keeps
  // running meanwhile, since the modal loop dispatches the tick messages.
  bool Show(HWND owner, bool modal);

private:
  bool OnCommand(WORD id, WORD code, HWND control) override;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnDestroy() override;
  void OnDpiChanged() override;
  void Load();
  void ShowState();
  void ReportSaveFailed(const std::string& path);
  void DrawPicture(HDC dc, const RECT& rect);

  PanelParts parts_;
  bool unloaded_ = false;
  MessageTimer timerTargetBlink_;
  MessageTimer timerCal_;
  std::unique_ptr<CalProcedure> procedure_;
  ButtonPicture buttonPicture_;
  TouchEvent::Token touchToken_ = 0;
};

}  // namespace orvanta::win
