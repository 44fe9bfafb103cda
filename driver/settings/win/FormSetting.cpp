#include "FormSetting.h"

#include <commctrl.h>

#include <iterator>
#include <optional>

#include "FormSettingSelApp.h"
#include "base/win/AnsiText.h"
#include "base/win/Forms.h"
#include "wincommon/Text.h"

namespace orvanta::win {

namespace {

enum ControlId : WORD {
  kIdLabelValueName0 = 400,
  kIdComboValue0 = kIdLabelValueName0 + 3,
  kIdFrameSplit0 = kIdComboValue0 + 3,
  kIdCommandCal = kIdFrameSplit0 + 2,
  kIdFrameRegApp,
  kIdLabelRegApp,
  kIdCommandRegApp,
  kIdListViewRegApp,
  kIdLabelVersion,
  kIdLabelStatus,
  kIdCommandOK,
  kIdCommandCancel,
};

// Positions in twips on the dialog. The controls of the picture box inside
// the application frame sit at the box's origin (360, 1920) plus their own
// place. Labels are as wide as their text needs (the designer's labels sized
// themselves); a drop-down list is made taller by the room of its open list.
// The table's order is the tab order: the rows, the calibration, the list
// (right after the label that explains it) and its button, OK, Cancel.
constexpr int kX = 360, kY = 1920;
constexpr int kDropRoom = 2400;
constexpr DWORD kLabel = SS_LEFT | SS_NOPREFIX;
constexpr DWORD kCombo = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
constexpr DWORD kButton = BS_PUSHBUTTON | WS_TABSTOP;
constexpr ControlSpec kControls[] = {
    {kIdLabelValueName0 + 0, L"STATIC", L"", kLabel, 0, 360, 240, 2100, 240},
    {kIdComboValue0 + 0, L"COMBOBOX", L"", kCombo, 0, 360, 480, 1815, 300 + kDropRoom},
    {kIdLabelValueName0 + 1, L"STATIC", L"", kLabel, 0, 2880, 240, 2100, 240},
    {kIdComboValue0 + 1, L"COMBOBOX", L"", kCombo, 0, 2880, 480, 1815, 300 + kDropRoom},
    {kIdLabelValueName0 + 2, L"STATIC", L"", kLabel, 0, 2880, 960, 2100, 240},
    {kIdComboValue0 + 2, L"COMBOBOX", L"", kCombo, 0, 2880, 1200, 1815, 300 + kDropRoom},
    {kIdFrameSplit0 + 0, L"STATIC", L"", SS_ETCHEDVERT, 0, 2490, 120, 60, 1455},
    {kIdFrameSplit0 + 1, L"STATIC", L"", SS_ETCHEDVERT, 0, 5010, 120, 60, 1455},
    {kIdCommandCal, L"BUTTON", L"キャリブレーション", kButton, 0, 5400, 360, 1695, 375},
    {kIdFrameRegApp, L"BUTTON", L"アプリケーションの登録", BS_GROUPBOX, 0, 240, 1680, 6855, 2295},
    {kIdLabelRegApp, L"STATIC", L"設定するには項目を選択し、設定ボタンをクリックしてください。", kLabel, 0, kX + 240,
     kY + 120, 4920, 240},
    {kIdListViewRegApp, WC_LISTVIEWW, L"", LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP,
     WS_EX_CLIENTEDGE, kX + 0, kY + 480, 6615, 1455},
    {kIdCommandRegApp, L"BUTTON", L"設定", kButton, 0, kX + 5280, kY + 0, 1095, 375},
    {kIdLabelVersion, L"STATIC", L"", kLabel, 0, 360, 4170, 3500, 240},
    {kIdLabelStatus, L"STATIC", L"", kLabel, 0, 360, 4410, 2000, 240},
    {kIdCommandOK, L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 3960, 4200, 1455, 375},
    {kIdCommandCancel, L"BUTTON", L"キャンセル", kButton, 0, 5640, 4200, 1455, 375},
};
// No WS_CLIPCHILDREN: a group box paints only its frame, and the dialog must
// paint the face inside it. Enter means OK.
constexpr Form::Design kDesign{FormSetting::kClassName, WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME,
                               7335, 4695, kControls, std::size(kControls), kIdCommandOK, 9};

struct Column {
  const wchar_t* heading;
  int widthTwips;
};
constexpr Column kColumns[] = {{L"登録先", 1920}, {L"状態", 1095}, {L"名前", 2250}, {L"場所", 1920}};

constexpr wchar_t kStatusPrefix[] = L"接続状況: ";
constexpr wchar_t kCalQuestion[] =
    L"通常キャリブレーションを行う必要はありません。\r\n"
    L"メンテナンスのためにキャリブレーションを実行しますか？";


// "0.8 2012.07.18" reads "0.8JP 2012.07.18": every blank becomes "JP ".
std::wstring VersionText(const std::wstring& fileVersion) {
  std::wstring out;
  for (wchar_t c : fileVersion) out += c == L' ' ? std::wstring(L"JP ") : std::wstring(1, c);
  return out;
}

}  // namespace

void WinSettingLabel::SetCaption(const std::string& text) { SetText(label_, wincommon::Utf8ToWide(text)); }

void WinSettingCombo::Clear() {
  ::SendMessageW(combo_, CB_RESETCONTENT, 0, 0);
  newIndex_ = -1;
}

void WinSettingCombo::AddItem(const std::string& text) {
  const std::wstring wide = wincommon::Utf8ToWide(text);
  const LRESULT index = ::SendMessageW(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  newIndex_ = index >= 0 ? static_cast<int>(index) : -1;
}

int WinSettingCombo::ListIndex() const { return static_cast<int>(::SendMessageW(combo_, CB_GETCURSEL, 0, 0)); }

void WinSettingCombo::SetListIndex(int index) { ::SendMessageW(combo_, CB_SETCURSEL, static_cast<WPARAM>(index), 0); }

FormSetting::FormSetting(Services services) : Form(kDesign), services_(std::move(services)) {}

bool FormSetting::Show(HWND owner, bool modal) {
  if (hwnd()) {
    BringForward();
    return true;
  }
  if (!Load(owner)) return false;
  ShowForm(modal);
  return true;
}

bool FormSetting::Load(HWND owner) {
  // 1. The list view comes from the common controls library.
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES};
  ::InitCommonControlsEx(&icc);
  if (!CreateForm(owner, L"")) return false;
  const HWND list = Item(kIdListViewRegApp);
  listFont_ = MakeJapaneseUiFont(11, Dpi());
  ::SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(listFont_.get()), FALSE);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);

  // 2. The model of the rows; 3. the registrations, loaded.
  ClsSettingsWindow = std::make_unique<ClassSettingsWindow>(services_.store, services_.iniFile);
  RegApps = MakeRegisteredApps(services_.store, services_.iniFile, services_.files, wincommon::IsAnsiLeadByte);
  for (auto& app : RegApps) app.SettingLoad();
  // 4. The driver's settings as the INI file holds them now.
  if (services_.reloadSettings) services_.reloadSettings();
  touchToken_ = services_.touches.Subscribe([](const TouchPoint&, bool& cancel) { cancel = true; });
  InitDialog();
  return true;
}

std::wstring FormSetting::OwnVersionInfo(int item) const {
  return ToWide(services_.files.GetFileVerInfo(ToAnsi(wincommon::ModulePath()), item));
}

std::wstring FormSetting::Caption() const { return OwnVersionInfo(kVerFileDescription) + L"の設定"; }

void FormSetting::InitDialog() {
  ::SetWindowTextW(hwnd(), Caption().c_str());
  SetText(Item(kIdLabelVersion), L"ドライババージョン: " + VersionText(OwnVersionInfo(kVerFileVersion)));
  const auto& rows = DriverSettingRows();
  for (size_t i = 0; i < labels_.size(); ++i) {
    const int index = static_cast<int>(i);
    labels_[i] = WinSettingLabel(Item(static_cast<WORD>(kIdLabelValueName0 + index)));
    combos_[i] = WinSettingCombo(Item(static_cast<WORD>(kIdComboValue0 + index)));
    ClsSettingsWindow->SettingAdd(labels_[i], combos_[i], rows[i]);
  }
  ClsSettingsWindow->SettingsLoad();
  RefreshPortStatus();
  RefreshRegAppList();
}

void FormSetting::RefreshPortStatus() {
  if (!hwnd()) return;
  const bool open = services_.portOpen && services_.portOpen();
  ::EnableWindow(Item(kIdCommandCal), open);
  SetText(Item(kIdLabelStatus), std::wstring(kStatusPrefix) + (open ? L"OK" : L"NG"));
}

void FormSetting::RefreshRegAppList() {
  const HWND list = Item(kIdListViewRegApp);
  // The item data of a row is its registration's place in RegApps, which is
  // fixed while the dialog is open.
  std::optional<std::size_t> selectedBefore;
  if (const int row = ListView_GetNextItem(list, -1, LVNI_SELECTED); row >= 0) {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (ListView_GetItem(list, &item)) selectedBefore = static_cast<std::size_t>(item.lParam);
  }
  ListView_DeleteAllItems(list);
  while (ListView_DeleteColumn(list, 0)) {
  }
  for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<wchar_t*>(kColumns[i].heading);
    column.cx = Px(kColumns[i].widthTwips);
    column.iSubItem = i;
    ListView_InsertColumn(list, i, &column);
  }
  const std::optional<std::size_t> selected = RegAppToSelect(RegApps, selectedBefore);
  for (size_t i = 0; i < RegApps.size(); ++i) {
    const ClassRegAppData& app = RegApps[i];
    std::wstring texts[] = {wincommon::Utf8ToWide(app.RegName), app.CheckFileVerInfs() ? L"使用可" : L"使用不可",
                            ToWide(app.GetAppName()), ToWide(app.FullPath)};
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = static_cast<int>(i);
    item.pszText = texts[0].data();
    item.lParam = static_cast<LPARAM>(i);
    const int row = ListView_InsertItem(list, &item);
    for (int sub = 1; sub < 4; ++sub) ListView_SetItemText(list, row, sub, texts[sub].data());
    if (selected == i) ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  }
}

void FormSetting::SetColumnWidths() {
  const HWND list = Item(kIdListViewRegApp);
  for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
    ListView_SetColumnWidth(list, i, Px(kColumns[i].widthTwips));
  }
}

void FormSetting::RegisterSelectedApp() {
  const HWND list = Item(kIdListViewRegApp);
  const int selected = ListView_GetNextItem(list, -1, LVNI_SELECTED);
  if (selected < 0) return;
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = selected;
  if (!ListView_GetItem(list, &item) || static_cast<size_t>(item.lParam) >= RegApps.size()) return;
  FormSettingSelApp selApp;
  selApp.ClsFindRegApp = &RegApps[static_cast<size_t>(item.lParam)];
  selApp.ShowModal(hwnd());
  selApp.ClsFindRegApp = nullptr;
  // The driver may have ended while the selection was open.
  if (hwnd()) RefreshRegAppList();
}

void FormSetting::CommandCal_Click() {
  const HWND self = hwnd();
  const std::wstring caption = Caption();
  const int answer = ::MessageBoxW(self, kCalQuestion, caption.c_str(), MB_OKCANCEL | MB_ICONEXCLAMATION);
  if (answer == IDOK && ::IsWindow(self) && services_.cmdCal) services_.cmdCal(self);
}

void FormSetting::CommandOK_Click() {
  // Every value is tried; the first refused one names the file in the
  // message (all go to the same INI file).
  bool saved = true;
  for (auto& app : RegApps) saved = app.SettingSave() && saved;
  saved = ClsSettingsWindow->SettingsSave() && saved;
  if (!saved) {
    // Once per OK, over the dialog: the driver goes on with the new values
    // (the profile store keeps what it could not write), but they are gone
    // at the next start.
    const std::wstring caption = Caption();
    const std::wstring text = L"設定を保存できませんでした。\r\n" + wincommon::Utf8ToWide(services_.iniFile) +
                              L"\r\n\r\nこのファイルに書き込めません。変更した設定はドライバを終了するまで有効です。";
    const HWND self = hwnd();
    ::MessageBoxW(self, text.c_str(), caption.c_str(), MB_OK | MB_ICONWARNING);
    // The driver may have ended while the message was shown.
    if (!::IsWindow(self)) return;
  }
  if (services_.reloadSettings) services_.reloadSettings();
  if (OwnerClsSettingsWindow) {
    ::ShowWindow(hwnd(), SW_HIDE);
    OwnerClsSettingsWindow->RaiseEvent_IniDataChange();
  }
  EndForm();
}

void FormSetting::CommandCancel_Click() { EndForm(); }

bool FormSetting::OnCommand(WORD id, WORD code, HWND) {
  // Escape (IDCANCEL from the dialog keys) cancels like the button.
  if (id == IDCANCEL || (id == kIdCommandCancel && code == BN_CLICKED)) {
    CommandCancel_Click();
    return true;
  }
  if (code != BN_CLICKED) return false;
  switch (id) {
    case kIdCommandOK:
      CommandOK_Click();
      return true;
    case kIdCommandCal:
      CommandCal_Click();
      return true;
    case kIdCommandRegApp:
      RegisterSelectedApp();
      return true;
    default:
      return false;
  }
}

bool FormSetting::OnClose() {
  CommandCancel_Click();
  return true;
}

LRESULT FormSetting::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHDR*>(lp);
    // A double-click on a row registers it, like the button.
    if (header->idFrom == kIdListViewRegApp && header->code == NM_DBLCLK &&
        reinterpret_cast<const NMITEMACTIVATE*>(lp)->iItem >= 0) {
      RegisterSelectedApp();
      return 0;
    }
  }
  return Form::HandleMessage(msg, wp, lp);
}

void FormSetting::OnDpiChanged() {
  wincommon::GdiObject font = MakeJapaneseUiFont(11, Dpi());
  ::SendMessageW(Item(kIdListViewRegApp), WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
  listFont_ = std::move(font);  // the old one is no longer in use
  SetColumnWidths();
}

void FormSetting::OnDestroy() {
  // Touches reach the driver's actions again.
  if (touchToken_ != 0) services_.touches.Unsubscribe(touchToken_);
  touchToken_ = 0;
  OwnerClsSettingsWindow = nullptr;
  ClsSettingsWindow.reset();
  RegApps.clear();
}

}  // namespace orvanta::win
