#pragma once
// The calibration view: a resizable, maximised window whose picture area
// fills the window below its top row of controls. The picture area is a live
// view of the panel: every calibrated rectangle with its display name, and
// the last touches as dots, green where they hit a button and red where they
// missed, so a user or a service technician sees at once whether the
// calibration fits. The selection box lists the buttons; choosing one
// highlights it. "New Cal Data" opens the calibration over the view.
//
// The view only watches the touches: it never claims them, so the buttons
// keep working while it is open.
#include <windows.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <string>

#include "base/win/Forms.h"
#include "identities/WindowIdentities.h"
#include "panel/PanelParts.h"
#include "wincommon/Handles.h"

namespace orvanta::win {

class FormDetailCal : public Form {
public:
  static constexpr const wchar_t* kClassName = identity::kDetailCalClass;
  static constexpr std::size_t kTouchesShown = 24;

  // openCal: runs Cmd_Cal with this window as owner.
  FormDetailCal(PanelParts parts, std::function<void(HWND owner)> openCal);

  // Creates the window maximised, or brings the open one back.
  bool ShowOrRestore();
  // The rectangles may have changed (a calibration ended).
  void Refresh();

private:
  struct Touch {
    std::int32_t x, y;
    bool hit;
  };
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  void OnDestroy() override;
  void OnDpiChanged() override;
  void OnSize(UINT state, int width, int height);
  void FillCombo();
  // A button's display name, else its action text.
  [[nodiscard]] std::wstring ShownName(const ClassPanelButtonData& button) const;
  void DrawView(HDC dc, const RECT& rect);

  PanelParts parts_;
  std::function<void(HWND)> openCal_;
  wincommon::GdiObject smallFont_;
  std::deque<Touch> touches_;
  std::int32_t selected_ = -1;  // index into the panel's buttons
  TouchEvent::Token touchToken_ = 0;
  bool subscribed_ = false;
};

}  // namespace orvanta::win
