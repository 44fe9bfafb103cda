#pragma once
// The notification window: white bold text with a black outline over a dark
// translucent rectangle, in the centre or a corner of the screen, for the
// configured time.
//
// Two top-level windows of one class make up a notification: the text window
// (long-lived; its magenta background is the colour key, so only the text and
// the optional frame are seen) and the backdrop (made for each notification,
// black at alpha 153, optionally meshed). The text window is owned by the
// backdrop, which keeps it above the backdrop in the z-order.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "base/Notifier.h"
#include "base/Settings.h"
#include "base/win/WinTimers.h"
#include "identities/WindowIdentities.h"
#include "wincommon/Handles.h"

namespace orvanta::win {

class FormInfo : public Notifier {
public:
  static constexpr const wchar_t* kClassName = identity::kInfoClass;
  static constexpr COLORREF kColorKey = RGB(255, 0, 255);
  static constexpr BYTE kBackdropAlpha = 153;

  // settings is the driver's live copy: NotifyMsg and NotifyMsgPos are read
  // at every SetText, so a reload of the settings takes effect at once.
  explicit FormInfo(const MainSettings& settings);
  ~FormInfo() override;
  FormInfo(const FormInfo&) = delete;
  FormInfo& operator=(const FormInfo&) = delete;

  void SetText(const std::string& text, std::int32_t timeoutMs = -1, std::int32_t style = 1) override;
  // Takes the notification off the screen; the object stays usable, as an
  // action that is still on the stack may report once more.
  void Close() { Unload(true); }

  // What is on screen, for the driver's tests: null handles while no
  // notification is shown.
  [[nodiscard]] HWND TextWindow() const;
  [[nodiscard]] HWND Backdrop() const;
  [[nodiscard]] const std::string& Text() const { return text_; }
  [[nodiscard]] std::int32_t Style() const { return style_; }
  // The font face the text is drawn in (the requested one or its stand-in).
  [[nodiscard]] const std::wstring& FontFace() const { return fontFace_; }

private:
  class InfoWindow;
  friend class InfoWindow;

  [[nodiscard]] bool CreateInfoWindow(InfoWindow& window);
  void LayoutInfo();
  // LayoutInfo for a notification on screen, and both windows painted anew.
  void Relayout();
  void Paint(const InfoWindow& window, HDC dc);
  void PaintBackdrop(std::uint32_t* pixels, int width, int height) const;
  void PaintText(HDC dc, std::uint32_t* pixels, int width, int height) const;
  // Closes the backdrop and, with closeText, the text window; stops the timer.
  void Unload(bool closeText);
  void OnTextWindowDestroyed();

  // The notification shows on the primary monitor; its font and layout
  // follow that monitor's DPI, asked again at every SetText.
  void UseDpi(int dpi);

  const MainSettings& settings_;
  std::unique_ptr<InfoWindow> textWindow_;
  std::unique_ptr<InfoWindow> backdrop_;
  MessageTimer timerUnload_;
  int dpi_ = 0;
  wincommon::GdiObject font_;
  std::wstring fontFace_;
  std::string text_;
  std::wstring wideText_;
  std::int32_t style_ = 1;
  bool unloading_ = false;
  // Layout in pixels of the text window's client area.
  POINT labelOrigin_{};
  POINT outlineOrigin_[8]{};
};

}  // namespace orvanta::win
