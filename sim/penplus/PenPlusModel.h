#pragma once
// PenPlus, Plussoft's pen and annotation program, as its stand-ins show it to
// the driver: the tool bar of each major version (its buttons in the order
// Windows lists them, their captions, the hidden and decoy ones, the dialogs
// they open, the sub-panels), the sheet states, and what a press changes.
// The stand-in program (PenPlusSim.cpp) shows this in windows; the unit
// tests' fake PenPlus answers the driver's window questions from it. Portable;
// captions are UTF-8.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace penplus {

// What the driver recognises the program's windows by.
constexpr char kMainCaption[] = "PenPlus ";  // the main window's caption, one trailing blank
constexpr char kAfxClass[] = "AfxWnd140su";  // the tool bar's panes (MFC's in the real program)
constexpr int kAfxPanes = 3;
constexpr char kAnnotationClass[] = "PenPlusAnnClass";  // the sheet over the screen, no caption
constexpr std::uint16_t kToolbarCommand = 2003;         // to the main window: shows or hides the tool bar
constexpr char kExitDialog[] = u8"終了の確認";           // opened by a close request to the tool bar

// The program's own pace by default: from its start to its tool bar, from a
// press to the dialog it opens, from the capture button to the button it
// brings up.
constexpr std::uint32_t kStartDelayMs = 700;
constexpr std::uint32_t kDialogDelayMs = 200;
constexpr std::uint32_t kCaptureDelayMs = 300;

// Sheet states, as the driver reads them from the annotation window.
constexpr int kSheetHidden = 1;
constexpr int kSheetWhiteboard = 2;
constexpr int kSheetTransparent = 3;

enum class Act {
  kNone,
  kPen,            // shows a hidden sheet, transparent
  kMouse,          // hides the sheet
  kToWhiteboard,   // from the transparent sheet
  kToTransparent,  // from the whiteboard
  kDialog,         // opens its dialog
  kOpenPanel,      // opens its sub-panel (closing another)
  kClosePanel,     // closes the open sub-panel
  kCapture,        // brings up the area-capture button
  kCaptureArea,    // the area-capture button: goes again
};

enum class Panel { kNone, kWeb, kFile };

struct Button {
  std::uint16_t id;  // control id
  const char* caption;
  Act act;
  bool shown;  // at start; a sub-panel's buttons follow their panel, the sheet buttons the sheet
  Panel panel = Panel::kNone;     // the sub-panel it is on, or (kOpenPanel) the one it opens
  const char* dialog = nullptr;  // kDialog: the dialog's caption
};

// The tool bar of major version 4 (4 and later) or 3 (before 4), in creation
// order, which is the order in which Windows lists the children.
[[nodiscard]] std::vector<Button> ToolbarButtons(int major);

// The program's state as its windows show it: the sheet, the open sub-panel
// and each button's own visible bit.
class Model {
public:
  explicit Model(int major = 4, int sheet = kSheetHidden);

  [[nodiscard]] int Major() const { return major_; }
  [[nodiscard]] const std::vector<Button>& Buttons() const { return buttons_; }
  [[nodiscard]] bool Shown(std::size_t button) const { return shown_.at(button); }
  // The index of the button with this control id; Buttons().size() if none.
  [[nodiscard]] std::size_t IndexOf(std::uint16_t id) const;
  [[nodiscard]] int Sheet() const { return sheet_; }
  // The annotation window is visible on the whiteboard and the transparent
  // sheet; version 3 marks the transparent one with WS_EX_TRANSPARENT,
  // version 4 only by its "ホワイトボード" button.
  [[nodiscard]] bool SheetShown() const { return sheet_ != kSheetHidden; }
  [[nodiscard]] bool SheetMarkedTransparent() const { return sheet_ == kSheetTransparent && major_ < 4; }

  // What a press leaves to happen later, after the program's own delays.
  struct Later {
    const char* dialog = nullptr;  // a dialog opens
    bool captureArea = false;      // the area-capture button comes up
  };
  Later Press(std::size_t button);
  void ShowCaptureArea();
  void SetSheet(int sheet);
  // Panel::kNone closes the open one.
  void OpenPanel(Panel panel);

private:
  void Show(Act act, bool shown);
  void ShowSheetButtons();

  int major_;
  std::vector<Button> buttons_;
  std::vector<bool> shown_;
  int sheet_;
  bool sheetButtonsSet_ = false;
  Panel panel_ = Panel::kNone;
};

}  // namespace penplus
