#include "PenPlusModel.h"

namespace penplus {

std::vector<Button> ToolbarButtons(int major) {
  const bool v4 = major >= 4;
  // Two buttons share each of "ペン", "ペンの設定", "ページ送り" and
  // "ツール閉じる", as in the real tool bar; the driver has to tell them
  // apart by their order and visibility.
  return {
      {1001, u8"マウス", Act::kMouse, true},
      {1002, u8"ペン", Act::kPen, true},
      {1003, u8"ペン", Act::kPen, true},
      {1004, u8"マーカー", Act::kPen, false},
      {1005, u8"ペンの設定", Act::kDialog, true, Panel::kNone, u8"ペンの設定"},
      {1006, u8"ペンの設定", Act::kDialog, true, Panel::kNone, u8"ペンの設定"},
      {1007, u8"領域拡大", Act::kNone, true},
      {1008, u8"図形ペン", Act::kNone, true},
      {1009, u8"図形ペンの設定", Act::kDialog, true, Panel::kNone, u8"図形ペンの設定"},
      {1010, u8"消しゴム", Act::kNone, true},
      {1011, u8"消しゴムの設定", Act::kDialog, true, Panel::kNone, u8"消しゴムの設定"},
      {1012, u8"ホワイトボード", Act::kToWhiteboard, false},
      {1013, u8"透明シート", Act::kToTransparent, false},
      {1014, u8"ページ戻し", Act::kNone, true},
      {1015, u8"ページ送り", Act::kNone, true},
      {1016, u8"ページ送り", Act::kNone, false},  // never shown; pressing it is a fault of the caller
      // Version 3 clears at once, under another caption.
      v4 ? Button{1017, u8"クリア", Act::kDialog, true, Panel::kNone, u8"クリア"}
         : Button{1017, u8"手書き線クリア", Act::kNone, true},
      {1018, v4 ? u8"便利機能関連" : u8"印刷、設定", Act::kOpenPanel, true, Panel::kWeb},
      {1019, v4 ? u8"ファイル関連" : u8"ファイル、虫めがね", Act::kOpenPanel, true, Panel::kFile},
      {1020, u8"Webリンク集", Act::kDialog, false, Panel::kWeb, u8"WEBリンク集"},
      {1021, u8"ツール閉じる", Act::kClosePanel, false, Panel::kWeb},
      {1022, u8"ファイルの読み込みと保存", Act::kDialog, false, Panel::kFile, u8"ファイルの読み込みと保存"},
      {1023, u8"ツール閉じる", Act::kClosePanel, false, Panel::kFile},
      {1024, u8"キャプチャ（画面取込）", Act::kCapture, true},
      {1025, u8"指定領域のキャプチャ", Act::kCaptureArea, false},
  };
}

Model::Model(int major, int sheet) : major_(major), buttons_(ToolbarButtons(major)), sheet_(sheet) {
  for (const Button& b : buttons_) shown_.push_back(b.shown);
  ShowSheetButtons();
}

std::size_t Model::IndexOf(std::uint16_t id) const {
  std::size_t i = 0;
  while (i < buttons_.size() && buttons_[i].id != id) ++i;
  return i;
}

Model::Later Model::Press(std::size_t button) {
  Later later;
  const Button& b = buttons_.at(button);
  switch (b.act) {
    case Act::kPen:
      if (sheet_ == kSheetHidden) SetSheet(kSheetTransparent);
      break;
    case Act::kMouse:
      SetSheet(kSheetHidden);
      break;
    case Act::kToWhiteboard:
      if (sheet_ == kSheetTransparent) SetSheet(kSheetWhiteboard);
      break;
    case Act::kToTransparent:
      if (sheet_ == kSheetWhiteboard) SetSheet(kSheetTransparent);
      break;
    case Act::kDialog:
      later.dialog = b.dialog;
      break;
    case Act::kOpenPanel:
      OpenPanel(b.panel);
      break;
    case Act::kClosePanel:
      OpenPanel(Panel::kNone);
      break;
    case Act::kCapture:
      later.captureArea = true;
      break;
    case Act::kCaptureArea:
      Show(Act::kCaptureArea, false);
      break;
    case Act::kNone:
      break;
  }
  return later;
}

void Model::ShowCaptureArea() { Show(Act::kCaptureArea, true); }

void Model::SetSheet(int sheet) {
  if (sheet == sheet_) return;
  sheet_ = sheet;
  ShowSheetButtons();
}

void Model::ShowSheetButtons() {
  // Each button offers the other sheet; with the sheet hidden both keep
  // what they showed last (at start: the transparent sheet is offered).
  if (sheet_ == kSheetHidden) {
    if (!sheetButtonsSet_) {
      Show(Act::kToWhiteboard, false);
      Show(Act::kToTransparent, true);
    }
  } else {
    Show(Act::kToWhiteboard, sheet_ == kSheetTransparent);
    Show(Act::kToTransparent, sheet_ == kSheetWhiteboard);
  }
  sheetButtonsSet_ = true;
}

void Model::OpenPanel(Panel panel) {
  if (panel == panel_) return;
  for (std::size_t i = 0; i < buttons_.size(); ++i) {
    const Button& b = buttons_[i];
    if (b.act != Act::kOpenPanel && b.panel != Panel::kNone) shown_[i] = b.panel == panel;
  }
  panel_ = panel;
}

void Model::Show(Act act, bool shown) {
  for (std::size_t i = 0; i < buttons_.size(); ++i) {
    if (buttons_[i].act == act) shown_[i] = shown;
  }
}

}  // namespace penplus
