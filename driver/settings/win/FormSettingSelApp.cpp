#include "FormSettingSelApp.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <iterator>

#include "base/win/AnsiText.h"
#include "base/win/Forms.h"
#include "wincommon/Text.h"

namespace orvanta::win {

namespace {

enum ControlId : WORD {
  kIdFrameMain = 300,
  kIdLabelFrame,
  kIdLabelDescription,
  kIdLabelRet0,
  kIdTextRet0 = kIdLabelRet0 + 4,
  kIdCommandOpen = kIdTextRet0 + 4,
  kIdPictureRet,
  kIdCommandOK,
  kIdCommandCancel,
};

// Positions in twips on the dialog. The controls of the picture box inside
// the frame sit at the box's origin (240, 360) plus their own place. Labels
// are as wide as their text needs, as the designer's auto-sized labels grew.
// Each label comes right before its text box, which it names for a screen
// reader; the table's order is the tab order.
constexpr int kX = 240, kY = 360;
constexpr DWORD kLabel = SS_LEFT | SS_NOPREFIX;
constexpr DWORD kText = ES_AUTOHSCROLL | ES_READONLY | WS_TABSTOP;
constexpr ControlSpec kControls[] = {
    {kIdFrameMain, L"BUTTON", L"", BS_GROUPBOX, 0, 120, 120, 7455, 3015},
    {kIdLabelFrame, L"STATIC", L"", SS_ETCHEDFRAME, 0, kX + 120, kY + 120, 6975, 795},
    {kIdLabelDescription, L"STATIC", L"", kLabel, 0, kX + 240, kY + 240, 6735, 600},
    {kIdLabelRet0 + 0, L"STATIC", L"名前:", kLabel, 0, kX + 240, kY + 1200, 690, 240},
    {kIdTextRet0 + 0, L"EDIT", L"-", kText, WS_EX_CLIENTEDGE, kX + 960, kY + 1155, 4455, 270},
    {kIdLabelRet0 + 1, L"STATIC", L"場所:", kLabel, 0, kX + 240, kY + 1560, 690, 240},
    {kIdTextRet0 + 1, L"EDIT", L"-", kText, WS_EX_CLIENTEDGE, kX + 960, kY + 1515, 4455, 270},
    {kIdLabelRet0 + 2, L"STATIC", L"説明:", kLabel, 0, kX + 240, kY + 1920, 690, 240},
    {kIdTextRet0 + 2, L"EDIT", L"-", kText, WS_EX_CLIENTEDGE, kX + 960, kY + 1875, 4455, 270},
    {kIdLabelRet0 + 3, L"STATIC", L"会社名:", kLabel, 0, kX + 240, kY + 2280, 690, 240},
    {kIdTextRet0 + 3, L"EDIT", L"-", kText, WS_EX_CLIENTEDGE, kX + 960, kY + 2235, 4455, 270},
    {kIdCommandOpen, L"BUTTON", L"ファイル参照", BS_PUSHBUTTON | WS_TABSTOP, 0, kX + 5640, kY + 1200, 1455, 375},
    {kIdPictureRet, L"STATIC", L"", SS_OWNERDRAW, WS_EX_CLIENTEDGE, kX + 5640, kY + 1905, 570, 570},
    {kIdCommandOK, L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 4440, 3360, 1455, 375},
    {kIdCommandCancel, L"BUTTON", L"キャンセル", BS_PUSHBUTTON | WS_TABSTOP, 0, 6120, 3360, 1455, 375},
};
// No WS_CLIPCHILDREN: a group box paints only its frame, and the dialog must
// paint the face inside it. Enter means OK, Escape cancels.
constexpr Form::Design kDesign{FormSettingSelApp::kClassName, WS_POPUP | WS_CAPTION | WS_SYSMENU,
                               WS_EX_DLGMODALFRAME, 7695, 3855, kControls, std::size(kControls), kIdCommandOK, 9};

constexpr wchar_t kDescription[] =
    L"エクスプローラもしくはデスクトップからアプリケーションを選択し、\r\n"
    L"ショートカットアイコンをここまでドラッグして離してください。\r\n"
    L"または、「ファイル参照」をクリックしてファイルを開いてください。";
// OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY.
constexpr DWORD kOpenFlags = 530436;
constexpr size_t kFileBuffer = 1024;

// Drops of anything are taken; the dialog itself rejects what is no file.
class FileDropTarget : public IDropTarget {
public:
  explicit FileDropTarget(FormSettingSelApp& form) : form_(&form) {}
  void Detach() { form_ = nullptr; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDropTarget) {
      *out = static_cast<IDropTarget*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override {
    return Allow(effect);
  }
  HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override { return Allow(effect); }
  HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    Allow(effect);
    if (form_ && data) form_->DropData(data);
    return S_OK;
  }

private:
  virtual ~FileDropTarget() = default;
  static HRESULT Allow(DWORD* effect) {
    if (!effect) return E_INVALIDARG;
    *effect = DROPEFFECT_COPY;
    return S_OK;
  }
  FormSettingSelApp* form_;
  ULONG refs_ = 1;
};

std::wstring DesktopFolder() {
  wchar_t path[MAX_PATH] = {};
  return ::SHGetSpecialFolderPathW(nullptr, path, CSIDL_DESKTOP, FALSE) ? path : L"";
}


}  // namespace

FormSettingSelApp::FormSettingSelApp() : Form(kDesign) {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&icc);
}

bool FormSettingSelApp::Load(HWND owner) {
  if (!ClsFindRegApp || hwnd()) return false;
  ReturnOK = false;
  selectedPath_.clear();
  const std::wstring caption = wincommon::Utf8ToWide(ClsFindRegApp->RegName) + L"の登録";
  if (!CreateForm(owner, caption)) return false;
  ::SetDlgItemTextW(hwnd(), kIdFrameMain, caption.c_str());
  ::SetDlgItemTextW(hwnd(), kIdLabelDescription, kDescription);
  CheckAndShowApp(ClsFindRegApp->FullPath);

  // Drops need OLE on this thread; a window or control that cannot take
  // them is skipped.
  ole_.emplace();
  if (!dropTarget_) dropTarget_ = new FileDropTarget(*this);
  std::vector<HWND> windows{hwnd()};
  for (HWND child = ::GetWindow(hwnd(), GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    windows.push_back(child);
  }
  for (HWND w : windows) {
    if (SUCCEEDED(::RegisterDragDrop(w, dropTarget_))) dropWindows_.push_back(w);
  }
  return true;
}

bool FormSettingSelApp::Open(HWND owner) {
  if (!Load(owner)) return false;
  ShowForm(false);
  return true;
}

bool FormSettingSelApp::ShowModal(HWND owner) {
  if (!Load(owner)) return false;
  ShowForm(true);
  return true;
}

void FormSettingSelApp::CheckAndShowApp(const AnsiString& path) {
  if (!hwnd() || !ClsFindRegApp) return;
  const auto choice = ClsFindRegApp->CheckCandidate(path);
  if (!choice) return Reject();
  selectedPath_ = choice->path;
  const AnsiString* texts[] = {&choice->name, &choice->path, &choice->description, &choice->company};
  for (int i = 0; i < 4; ++i) SetText(::GetDlgItem(hwnd(), kIdTextRet0 + i), ToWide(*texts[i]));
  DrawAppIcon(ToWide(choice->path));
}

void FormSettingSelApp::Reject() {
  ::MessageBeep(0);
  selectedPath_.clear();
  const std::wstring texts[] = {wincommon::Utf8ToWide(ClsFindRegApp->RegName) + L"ではありません。",
                                L"設定し直してください。", L"", L""};
  for (int i = 0; i < 4; ++i) SetText(::GetDlgItem(hwnd(), kIdTextRet0 + i), texts[i]);
  DrawAppIcon(L"");
}

void FormSettingSelApp::DropData(IDataObject* data) {
  FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium{};
  if (FAILED(data->GetData(&format, &medium))) return CheckAndShowApp({});
  std::wstring first;
  const auto drop = static_cast<HDROP>(medium.hGlobal);
  const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  if (count > 0) {
    first.resize(::DragQueryFileW(drop, 0, nullptr, 0) + 1);
    first.resize(::DragQueryFileW(drop, 0, first.data(), static_cast<UINT>(first.size())));
  }
  ::ReleaseStgMedium(&medium);
  // An empty list still counts one (empty) name with DragQueryFile.
  if (count > 0 && !first.empty()) CheckAndShowApp(ToAnsi(first));
}

void FormSettingSelApp::CommandOpen_Click() {
  const std::wstring title = L"ファイル参照";
  // The filters are NUL-separated already; the list ends with two NULs.
  std::wstring filter = wincommon::Utf8ToWide(ClsFindRegApp->ReferExt);
  filter.append(2, L'\0');
  std::wstring file(kFileBuffer, L'\0');
  std::wstring fileTitle(kFileBuffer, L'\0');
  const std::wstring folder = DesktopFolder();
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = hwnd();
  ofn.hInstance = ::GetModuleHandleW(nullptr);
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrFileTitle = fileTitle.data();
  ofn.nMaxFileTitle = static_cast<DWORD>(fileTitle.size());
  ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  ofn.lpstrTitle = title.c_str();
  ofn.Flags = kOpenFlags;
  const HWND self = hwnd();
  const BOOL chosen = ::GetOpenFileNameW(&ofn);
  // The driver may have ended while the file dialog was open.
  if (!chosen || !::IsWindow(self)) return;
  CheckAndShowApp(ToAnsi(file.c_str()));
}

void FormSettingSelApp::Close(bool ok) {
  if (ok && ClsFindRegApp) ClsFindRegApp->FullPath = selectedPath_;
  ReturnOK = ok;
  EndForm();
}

bool FormSettingSelApp::OnCommand(WORD id, WORD code, HWND) {
  if (id == IDCANCEL || (id == kIdCommandCancel && code == BN_CLICKED)) {
    Close(false);
    return true;
  }
  if (code != BN_CLICKED) return false;
  if (id == kIdCommandOK) {
    Close(true);
    return true;
  }
  if (id == kIdCommandOpen) {
    CommandOpen_Click();
    return true;
  }
  return false;
}

LRESULT FormSettingSelApp::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DRAWITEM && wp == kIdPictureRet) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
    ::FillRect(item->hDC, &item->rcItem, ::GetSysColorBrush(COLOR_BTNFACE));
    if (icon_) {
      const int x = (item->rcItem.right - item->rcItem.left - 32) / 2;
      const int y = (item->rcItem.bottom - item->rcItem.top - 32) / 2;
      ::DrawIconEx(item->hDC, item->rcItem.left + x, item->rcItem.top + y, icon_, 32, 32, 0, nullptr, DI_NORMAL);
    }
    return TRUE;
  }
  return Form::HandleMessage(msg, wp, lp);
}

bool FormSettingSelApp::OnClose() {
  Close(false);
  return true;
}

void FormSettingSelApp::DrawAppIcon(const std::wstring& path) {
  if (icon_) ::DestroyIcon(icon_);
  icon_ = nullptr;
  HICON smallIcon = nullptr;
  if (!path.empty() && ::ExtractIconExW(path.c_str(), 0, &icon_, &smallIcon, 1) == 0) icon_ = nullptr;
  if (smallIcon) ::DestroyIcon(smallIcon);
  if (hwnd()) ::InvalidateRect(Item(kIdPictureRet), nullptr, TRUE);
}

void FormSettingSelApp::OnDestroy() {
  for (HWND w : dropWindows_) ::RevokeDragDrop(w);
  dropWindows_.clear();
  if (dropTarget_) {
    // OLE may still hold the target for a moment; it must not reach this
    // object any more.
    static_cast<FileDropTarget*>(dropTarget_)->Detach();
    dropTarget_->Release();
    dropTarget_ = nullptr;
  }
  ole_.reset();
  if (icon_) ::DestroyIcon(icon_);
  icon_ = nullptr;
}

}  // namespace orvanta::win
