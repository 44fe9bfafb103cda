#pragma once
// The window identities by which the programs find each other: the driver's
// windows that the link program, the uninstaller and the stand-ins look for,
// and the touch-data program's window that the driver sends its set names
// to. Plain constants, so that every program, the portable logic and the
// tests share them; class names are those of the Visual Basic runtime the
// outside programs were made with, and must stay as they are.
namespace orvanta::identity {

// Window classes of that runtime: a program's hidden application window, a
// form, a text box. Programs made with the older runtime use the second pair.
inline constexpr wchar_t kAppClass[] = L"ThunderRT6Main";
inline constexpr wchar_t kFormClass[] = L"ThunderRT6FormDC";
inline constexpr wchar_t kTextBoxClass[] = L"ThunderRT6TextBox";
inline constexpr wchar_t kFormClassOld[] = L"ThunderFormDC";
inline constexpr wchar_t kTextBoxClassOld[] = L"ThunderTextBox";

// The driver: its application window (closed by the uninstaller) is titled
// kDriverTitle, its main form kDriverCaption.
inline constexpr wchar_t kDriverTitle[] = L"Orvanta";
inline constexpr wchar_t kDriverCaption[] = L"OrvantaPanelDriver";

// The link text box under a main form, found by this window name (the
// driver's and the touch-data program's alike); the portable logic asks for
// it by the narrow name.
inline constexpr wchar_t kLinkBoxName[] = L"TextLinkExecute";
inline constexpr char kLinkBoxNameAscii[] = "TextLinkExecute";

// The touch-data program's main form.
inline constexpr wchar_t kTouchDataCaption[] = L"Ｔｏｕｃｈ　Ｄａｔａ";

// The driver's own window classes: the notification, the settings and
// application selection dialogs, the calibration dialog and view, and the
// hidden windows of its timers. Only the driver makes
// them; the tests and the demo find the driver's windows by them.
inline constexpr wchar_t kInfoClass[] = L"OrvantaInfo";
inline constexpr wchar_t kSettingClass[] = L"OrvantaFormSetting";
inline constexpr wchar_t kSelAppClass[] = L"OrvantaFormSettingSelApp";
inline constexpr wchar_t kCalClass[] = L"OrvantaFormCal";
inline constexpr wchar_t kDetailCalClass[] = L"OrvantaFormDetailCal";
inline constexpr wchar_t kTimerClass[] = L"OrvantaTimerWindow";
inline constexpr wchar_t kFastTimerClass[] = L"OrvantaFastTimerWindow";

}  // namespace orvanta::identity
