#pragma once
// The calibration dialog's procedure without its window: one button after
// another, the user touches the upper left and then the lower right corner of
// the printed button; a touch counts when the stylus rests at least 100 ms
// (from the "B" report to the "N" report), and the "N" report's point is
// stored. After the last corner the collected rectangles replace those of the
// panel data, which is saved. The dialog (FormCal) draws what this holds, in
// twips of its picture box.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/AnsiString.h"
#include "base/TouchEvent.h"
#include "base/UiTimer.h"
#include "panel/ClassButtonRes.h"
#include "panel/ClassPanelData.h"

namespace orvanta {

class CalProcedure {
public:
  static constexpr std::int32_t kPointsPerButton = 2;
  static constexpr std::uint32_t kBlinkMs = 500;
  static constexpr std::uint32_t kHoldMs = 100;
  // MessageBeep types: the simple beep at every corner step, the
  // information sound on completion.
  static constexpr std::uint32_t kBeepSimple = 0xFFFFFFFF;
  static constexpr std::uint32_t kBeepAsterisk = 0x40;

  enum class Color { Black, Red, Green };

  struct Hooks {
    std::function<void(std::uint32_t type)> messageBeep;
    // Labels or the picture changed: the dialog shows them anew.
    std::function<void()> changed;
    // The procedure is done: the dialog closes (and calls Unload).
    std::function<void()> unload;
    // A new button is shown: the dialog fetches its picture by action text.
    std::function<void(const AnsiString& name)> showPicture;
    // The labels are UTF-8 and name the button by its display name, which
    // the resource file holds in the ANSI code page.
    std::function<std::string(const AnsiString& ansi)> ansiToUtf8;
    // The measured rectangles could not be saved to the data file at path
    // (UTF-8): the running driver uses them all the same, until it ends.
    // Told once, before the dialog closes.
    std::function<void(const std::string& path)> saveFailed;
  };

  CalProcedure(ClassPanelData& panel, ClassButtonRes& res, UiTimer& timerTargetBlink, UiTimer& timerCal,
               Hooks hooks);
  CalProcedure(const CalProcedure&) = delete;
  CalProcedure& operator=(const CalProcedure&) = delete;

  // Loading, with the inner width of the picture box in twips.
  void Open(double pictureWidth);
  // Every touch report while the dialog is open; always sets cancel.
  void OnRecvTouchPoint(const TouchPoint& point, bool& cancel);
  // Unloading after cancel, completion or closing: the pictures are
  // released, the timers stop, no further touch changes anything.
  void Unload();

  // What the dialog shows: the labels in UTF-8, the display name in the
  // ANSI code page.
  [[nodiscard]] const std::string& LabelCal() const { return labelCal_; }
  [[nodiscard]] const std::string& LabelStep() const { return labelStep_; }
  [[nodiscard]] std::int32_t CalStep() const { return calStep_; }
  [[nodiscard]] std::int32_t CalStepCount() const { return calStepCount_; }
  [[nodiscard]] std::int32_t CalButtonIndex() const { return calButtonIndex_; }
  [[nodiscard]] std::int32_t CalCorner() const { return calCorner_; }
  [[nodiscard]] const AnsiString& ButtonDispName() const { return buttonDispName_; }
  [[nodiscard]] const std::vector<ClassPanelButtonData>& CalButtons() const { return calButtons_; }

  struct Drawing {
    bool showButton = false;
    Color buttonFrameColor = Color::Black;
    std::int32_t buttonRectLeft = 0, buttonRectTop = 0, buttonRectWidth = 0, buttonRectHeight = 0;
    std::int32_t targetSize = 0;
    std::int32_t targetX = 0, targetY = 0;
    bool showTarget = false;
    bool targetBlink = false;
    bool blinkHidden = false;  // the blink timer's "Invert" phase
    Color targetColor = Color::Red;
    // The target is drawn now.
    [[nodiscard]] bool TargetVisible() const { return showTarget && (!targetBlink || !blinkHidden); }
  };
  [[nodiscard]] const Drawing& Draw() const { return draw_; }

  // Shown instead of the start prompt when the panel data has no buttons:
  // nothing to measure, only cancelling closes the dialog.
  static constexpr const char* kNoButtonsText = u8"キャリブレーションするボタンがありません。";
  static constexpr const char* kStartText = u8"開始するには一度タッチしてください";

private:
  void NextStep();
  void SaveTouchPoint(std::int32_t x, std::int32_t y);
  [[nodiscard]] bool SaveCalData();
  void TimerCal_Timer();
  void TimerTargetBlink_Timer();
  void Changed();

  ClassPanelData& panel_;
  ClassButtonRes& res_;
  UiTimer& timerTargetBlink_;
  UiTimer& timerCal_;
  Hooks hooks_;

  std::vector<ClassPanelButtonData> calButtons_;
  std::int32_t calStepCount_ = 0;
  std::int32_t calStep_ = -1;
  std::int32_t calButtonIndex_ = 0;
  std::int32_t calCorner_ = 0;
  bool touchAccepted_ = false;
  bool open_ = false;
  AnsiString buttonDispName_;
  std::string labelCal_;
  std::string labelStep_;
  Drawing draw_;
};

}  // namespace orvanta
