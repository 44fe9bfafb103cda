#include "FormSetting.h"

#include <commctrl.h>

#include "FormSettingSelApp.h"
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
    {kIdCommandRegApp, L"BUTTON", L"設定", kButton, 0, kX + 5280, kY + 0, 1095, 375},
    {kIdListViewRegApp, WC_LISTVIEWW, L"", LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP,
     WS_EX_CLIENTEDGE, kX + 0, kY + 480, 6615, 1455},
    {kIdLabelVersion, L"STATIC", L"", kLabel, 0, 360, 4170, 3500, 240},
    {kIdLabelStatus, L"STATIC", L"", kLabel, 0, 360, 4410, 2000, 240},
    {kIdCommandOK, L"BUTTON", L"OK", kButton, 0, 3960, 4200, 1455, 375},
    {kIdCommandCancel, L"BUTTON", L"キャンセル", kButton, 0, 5640, 4200, 1455, 375},
};
constexpr int kClientWidthTwips = 7335;
constexpr int kClientHeightTwips = 4695;
// No WS_CLIPCHILDREN: a group box paints only its frame, and the dialog must
// paint the face inside it.
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;

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

FormSetting::FormSetting(Services services) : services_(std::move(services)) {}

// Destroyed while the window lives (the driver ends): the window goes first.
FormSetting::~FormSetting() { Destroy(); }

bool FormSetting::Show(HWND owner, bool modal) {
  if (hwnd()) {
    if (::IsIconic(hwnd())) ::ShowWindow(hwnd(), SW_RESTORE);
    ::SetForegroundWindow(hwnd());
    return true;
  }
  if (!Load(owner)) return false;
  modal_ = modal;
  // The owner is disabled before the dialog shows, as a dialog box does.
  if (modal && owner) ::EnableWindow(owner, FALSE);
  ::ShowWindow(hwnd(), SW_SHOW);
  ::SetForegroundWindow(hwnd());
  if (!modal) return true;

  // Returns when the dialog is gone; the object may be gone with it (the
  // driver ended), so nothing after this touches it.
  RunModalLoop(hwnd());
  return true;
}

bool FormSetting::Load(HWND owner) {
  // 1. The list view comes from the common controls library.
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES};
  ::InitCommonControlsEx(&icc);
  owner_ = owner;
  dpi_ = wincommon::ScreenDpi();
  RECT frame{0, 0, wincommon::TwipsToPixels(kClientWidthTwips, dpi_),
             wincommon::TwipsToPixels(kClientHeightTwips, dpi_)};
  ::AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const POINT at = CentredOrigin(owner, width, height);
  CreateArgs args;
  args.className = kClassName;
  args.style = kStyle;
  args.exStyle = kExStyle;
  args.x = at.x;
  args.y = at.y;
  args.width = width;
  args.height = height;
  args.parent = owner;
  if (!Create(args)) return false;
  font_ = MakeJapaneseUiFont(9, dpi_);
  listFont_ = MakeJapaneseUiFont(11, dpi_);
  if (!CreateControls(hwnd(), kControls, dpi_, static_cast<HFONT>(font_.get()))) {
    Destroy();
    return false;
  }
  const HWND list = ::GetDlgItem(hwnd(), kIdListViewRegApp);
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

std::wstring FormSetting::Caption() const {
  const std::string self = wincommon::WideToAnsi(wincommon::ModulePath());
  return wincommon::AnsiToWide(services_.files.GetFileVerInfo(self, kVerFileDescription)) + L"の設定";
}

void FormSetting::InitDialog() {
  ::SetWindowTextW(hwnd(), Caption().c_str());
  const std::string self = wincommon::WideToAnsi(wincommon::ModulePath());
  const std::wstring version = wincommon::AnsiToWide(services_.files.GetFileVerInfo(self, kVerFileVersion));
  SetText(::GetDlgItem(hwnd(), kIdLabelVersion), L"ドライババージョン: " + VersionText(version));
  const auto& rows = DriverSettingRows();
  for (size_t i = 0; i < labels_.size(); ++i) {
    const int index = static_cast<int>(i);
    labels_[i] = WinSettingLabel(::GetDlgItem(hwnd(), kIdLabelValueName0 + index));
    combos_[i] = WinSettingCombo(::GetDlgItem(hwnd(), kIdComboValue0 + index));
    ClsSettingsWindow->SettingAdd(labels_[i], combos_[i], rows[i]);
  }
  ClsSettingsWindow->SettingsLoad();
  RefreshPortStatus();
  RefreshRegAppList();
}

void FormSetting::RefreshPortStatus() {
  if (!hwnd()) return;
  const bool open = services_.portOpen && services_.portOpen();
  ::EnableWindow(::GetDlgItem(hwnd(), kIdCommandCal), open);
  SetText(::GetDlgItem(hwnd(), kIdLabelStatus), std::wstring(kStatusPrefix) + (open ? L"OK" : L"NG"));
}

void FormSetting::RefreshRegAppList() {
  const HWND list = ::GetDlgItem(hwnd(), kIdListViewRegApp);
  // Rows are keyed by the registration's Key; the item data is its place in
  // RegApps, which is fixed while the dialog is open.
  std::string selectedKey;
  const int selected = ListView_GetNextItem(list, -1, LVNI_SELECTED);
  if (selected >= 0) {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = selected;
    if (ListView_GetItem(list, &item) && static_cast<size_t>(item.lParam) < RegApps.size()) {
      selectedKey = RegApps[static_cast<size_t>(item.lParam)].Key();
    }
  }
  ListView_DeleteAllItems(list);
  while (ListView_DeleteColumn(list, 0)) {
  }
  for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<wchar_t*>(kColumns[i].heading);
    column.cx = wincommon::TwipsToPixels(kColumns[i].widthTwips, dpi_);
    column.iSubItem = i;
    ListView_InsertColumn(list, i, &column);
  }
  // The first row stands selected when no other was, so that the "設定"
  // button always has a registration to bind.
  if (selectedKey.empty() && !RegApps.empty()) selectedKey = RegApps.front().Key();
  for (size_t i = 0; i < RegApps.size(); ++i) {
    const ClassRegAppData& app = RegApps[i];
    std::wstring texts[] = {wincommon::Utf8ToWide(app.RegName), app.CheckFileVerInfs() ? L"使用可" : L"使用不可",
                            wincommon::AnsiToWide(app.GetAppName()), wincommon::AnsiToWide(app.FullPath)};
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = static_cast<int>(i);
    item.pszText = texts[0].data();
    item.lParam = static_cast<LPARAM>(i);
    const int row = ListView_InsertItem(list, &item);
    for (int sub = 1; sub < 4; ++sub) ListView_SetItemText(list, row, sub, texts[sub].data());
    if (!selectedKey.empty() && app.Key() == selectedKey) {
      ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
  }
}

void FormSetting::RegisterSelectedApp() {
  const HWND list = ::GetDlgItem(hwnd(), kIdListViewRegApp);
  const int selected = ListView_GetNextItem(list, -1, LVNI_SELECTED);
  if (selected < 0) return;
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = selected;
  if (!ListView_GetItem(list, &item) || static_cast<size_t>(item.lParam) >= RegApps.size()) return;
  FormSettingSelApp selApp(services_.files);
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
  for (auto& app : RegApps) (void)app.SettingSave();
  ClsSettingsWindow->SettingsSave();
  if (services_.reloadSettings) services_.reloadSettings();
  if (OwnerClsSettingsWindow) {
    ::ShowWindow(hwnd(), SW_HIDE);
    OwnerClsSettingsWindow->RaiseEvent_IniDataChange();
  }
  Destroy();
}

bool FormSetting::OnCommand(WORD id, WORD code, HWND) {
  if (id == IDCANCEL || (id == kIdCommandCancel && code == BN_CLICKED)) {
    Destroy();
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
  return Window::HandleMessage(msg, wp, lp);
}

void FormSetting::OnDestroy() {
  if (modal_ && owner_) {
    ::EnableWindow(owner_, TRUE);
    ::SetActiveWindow(owner_);
  }
  modal_ = false;
  owner_ = nullptr;
  // Touches reach the driver's actions again.
  if (touchToken_ != 0) services_.touches.Unsubscribe(touchToken_);
  touchToken_ = 0;
  OwnerClsSettingsWindow = nullptr;
  ClsSettingsWindow.reset();
  RegApps.clear();
}

}  // namespace orvanta::win
