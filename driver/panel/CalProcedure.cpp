#include "CalProcedure.h"

#include <cmath>

namespace orvanta {

namespace {

// Nearest whole number, a half to the even neighbour.
std::int32_t RoundEven(double v) { return static_cast<std::int32_t>(std::nearbyint(v)); }

}  // namespace

CalProcedure::CalProcedure(ClassPanelData& panel, ClassButtonRes& res, UiTimer& timerTargetBlink, UiTimer& timerCal,
                           Hooks hooks)
    : panel_(panel), res_(res), timerTargetBlink_(timerTargetBlink), timerCal_(timerCal), hooks_(std::move(hooks)) {
  timerTargetBlink_.SetHandler([this] { TimerTargetBlink_Timer(); });
  timerCal_.SetHandler([this] { TimerCal_Timer(); });
}

void CalProcedure::Open(double pictureWidth) {
  open_ = true;
  const std::int32_t n = panel_.ButtonData_Counts();
  calButtons_.assign(static_cast<std::size_t>(n), ClassPanelButtonData{});
  res_.Load();
  calStepCount_ = n * kPointsPerButton;
  draw_ = Drawing{};

  draw_.targetSize = RoundEven(pictureWidth * 0.15);
  draw_.buttonRectWidth = RoundEven(pictureWidth * 0.5);
  draw_.buttonRectHeight = draw_.buttonRectWidth;
  draw_.buttonRectLeft = RoundEven((pictureWidth - draw_.buttonRectWidth) / 2);
  draw_.buttonRectTop = RoundEven(draw_.targetSize / 2.0);

  draw_.blinkHidden = false;
  timerTargetBlink_.Restart(kBlinkMs);

  calStep_ = -1;
  if (n == 0) {
    labelStep_ = "0/0";
    labelCal_ = kNoButtonsText;
    Changed();
    return;
  }
  NextStep();
}

void CalProcedure::NextStep() {
  ++calStep_;
  if (calStep_ > calStepCount_) {
    if (!SaveCalData() && hooks_.saveFailed) hooks_.saveFailed(panel_.DatPath());
    if (hooks_.messageBeep) hooks_.messageBeep(kBeepAsterisk);
    if (hooks_.unload) hooks_.unload();
    return;
  }
  labelStep_ = std::to_string(calStep_) + "/" + std::to_string(calStepCount_);
  if (calStep_ == 0) {
    labelCal_ = kStartText;
    Changed();
    return;
  }

  if (hooks_.messageBeep) hooks_.messageBeep(kBeepSimple);
  calButtonIndex_ = (calStep_ - 1) / kPointsPerButton;
  calCorner_ = (calStep_ - 1) % kPointsPerButton;
  if (calCorner_ == 0) {
    const ClassPanelButtonData* button = panel_.ButtonData(calButtonIndex_);
    const AnsiString name = button ? button->Name : AnsiString();
    buttonDispName_ = res_.DispOfName(name);
    if (hooks_.showPicture) hooks_.showPicture(name);
    draw_.showButton = true;
    draw_.showTarget = true;
    draw_.targetX = draw_.buttonRectLeft;
    draw_.targetY = draw_.buttonRectTop;
  } else {
    draw_.targetX = draw_.buttonRectLeft + draw_.buttonRectWidth;
    draw_.targetY = draw_.buttonRectTop + draw_.buttonRectHeight;
  }
  // Without a converter only an ASCII name can be shown.
  const std::string disp =
      hooks_.ansiToUtf8 ? hooks_.ansiToUtf8(buttonDispName_) : AsAscii(buttonDispName_).value_or(std::string());
  labelCal_ = u8"「" + disp +
              (calCorner_ == 0 ? u8"」ボタンの左上（ターゲット位置）をスタイラスでタッチしてください。"
                               : u8"」ボタンの右下（ターゲット位置）をスタイラスでタッチしてください。");
  draw_.targetColor = Color::Red;
  draw_.targetBlink = true;
  draw_.blinkHidden = false;
  timerTargetBlink_.Restart(kBlinkMs);
  Changed();
  touchAccepted_ = true;
}

void CalProcedure::OnRecvTouchPoint(const TouchPoint& point, bool& cancel) {
  cancel = true;
  // Past the last step nothing counts any more (touches still arrive while
  // a failed save is being reported).
  if (!open_ || calStepCount_ == 0 || calStep_ > calStepCount_) return;
  if (point.dS == 'B') {
    timerCal_.Restart(kHoldMs);
    draw_.targetBlink = false;
    Changed();
  } else if (point.dS == 'N') {
    if (!timerCal_.Enabled()) {
      SaveTouchPoint(point.dX, point.dY);
      NextStep();
    } else {
      // Lifted before the hold time: refused, the same corner again.
      timerCal_.SetEnabled(false);
      draw_.targetBlink = true;
      Changed();
    }
  }
}

void CalProcedure::SaveTouchPoint(std::int32_t x, std::int32_t y) {
  if (!touchAccepted_) return;
  ClassPanelButtonData& b = calButtons_[static_cast<std::size_t>(calButtonIndex_)];
  // Stored as reported: a lower right touched above or left of the upper
  // left gives a reversed rectangle, which the hit test takes as it is.
  if (calCorner_ == 0) {
    b.Left = x;
    b.Top = y;
  } else {
    b.Right = x;
    b.Bottom = y;
  }
}

bool CalProcedure::SaveCalData() {
  for (std::size_t i = 0; i < calButtons_.size(); ++i) {
    ClassPanelButtonData* target = panel_.ButtonData(static_cast<std::int32_t>(i));
    if (!target) continue;
    target->Left = calButtons_[i].Left;
    target->Top = calButtons_[i].Top;
    target->Right = calButtons_[i].Right;
    target->Bottom = calButtons_[i].Bottom;
  }
  return panel_.Save();
}

void CalProcedure::TimerCal_Timer() {
  timerCal_.SetEnabled(false);
  draw_.targetColor = Color::Green;
  Changed();
}

void CalProcedure::TimerTargetBlink_Timer() {
  draw_.blinkHidden = !draw_.blinkHidden;
  Changed();
}

void CalProcedure::Unload() {
  if (!open_) return;
  open_ = false;
  timerCal_.SetEnabled(false);
  timerTargetBlink_.SetEnabled(false);
  res_.PicData_Dispose();
}

void CalProcedure::Changed() {
  if (hooks_.changed) hooks_.changed();
}

}  // namespace orvanta
