// The application selection dialog in this process, over a real
// registration and the real file information: files offered through the
// drop target the dialog registered (as OLE delivers a drop from Explorer),
// shortcuts followed, the version check, OK and Cancel.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>

#include "common/Harness.h"
#include "base/win/WinProfileStore.h"
#include "settings/win/FormSettingSelApp.h"
#include "settings/win/ModuleFileInf.h"
#include "wincommon/Text.h"

namespace {

using namespace std::chrono_literals;
using orvanta::ClassRegAppData;
using orvanta::win::FormSettingSelApp;

// What Explorer hands over in a drop: a file list (CF_HDROP), or some other
// data such as text.
class DropData : public IDataObject {
public:
  static DropData* Files(const std::vector<std::wstring>& files) {
    std::wstring list;
    for (const auto& f : files) list += f + L'\0';
    list += L'\0';
    return new DropData(CF_HDROP, list);
  }
  static DropData* Text(const std::wstring& text) { return new DropData(CF_UNICODETEXT, text + L'\0'); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == IID_IDataObject) {
      *out = this;
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (!left) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
    if (QueryGetData(format) != S_OK) return DV_E_FORMATETC;
    const size_t header = format_ == CF_HDROP ? sizeof(DROPFILES) : 0;
    const size_t bytes = header + payload_.size() * sizeof(wchar_t);
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    auto* p = static_cast<BYTE*>(::GlobalLock(memory));
    if (format_ == CF_HDROP) {
      auto* drop = reinterpret_cast<DROPFILES*>(p);
      drop->pFiles = sizeof(DROPFILES);
      drop->fWide = TRUE;
    }
    std::memcpy(p + header, payload_.data(), payload_.size() * sizeof(wchar_t));
    ::GlobalUnlock(memory);
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = memory;
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
    return format && format->cfFormat == format_ && (format->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_FORMATETC;
  }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
    out->ptd = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
  DropData(CLIPFORMAT format, std::wstring payload) : format_(format), payload_(std::move(payload)) {}
  virtual ~DropData() = default;
  CLIPFORMAT format_;
  std::wstring payload_;
  ULONG refs_ = 1;
};

class SelApp : public ::testing::Test {
protected:
  SelApp() : apps(orvanta::MakeRegisteredApps(store, wincommon::WideToUtf8(folder.File(L"Orvanta.ini")), files)) {
    folder.CopyFromBin(L"penplus4\\PenPlus.exe");
    folder.CopyFromBin(L"Orvanta.exe");
    pen = Ansi(folder.File(L"penplus4\\PenPlus.exe"));
  }
  ~SelApp() override { form.Destroy(); }

  static std::string Ansi(const std::wstring& w) { return wincommon::WideToAnsi(w); }
  void Open(ClassRegAppData& app) {
    form.ClsFindRegApp = &app;
    ASSERT_TRUE(form.Open(nullptr));
  }
  std::vector<std::wstring> Texts() const { return harness::ChildTexts(form.hwnd(), L"Edit"); }
  // A drop as OLE delivers it: enter, over, drop on the registered target.
  void Drop(IDataObject* data) {
    IDropTarget* target = form.DropTarget();
    ASSERT_NE(target, nullptr);
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_LINK;
    const POINTL at{10, 10};
    ASSERT_EQ(target->DragEnter(data, MK_LBUTTON, at, &effect), S_OK);
    ASSERT_EQ(target->DragOver(MK_LBUTTON, at, &effect), S_OK);
    ASSERT_EQ(target->Drop(data, 0, at, &effect), S_OK);
    data->Release();
  }
  void Click(const wchar_t* caption) {
    const HWND button = ::FindWindowExW(form.hwnd(), nullptr, L"Button", caption);
    ASSERT_NE(button, nullptr);
    ::SendMessageW(button, BM_CLICK, 0, 0);
  }
  ClassRegAppData& Pen() { return apps[0]; }
  ClassRegAppData& Camera() { return apps[1]; }

  const std::vector<std::wstring> kRejectedPen{L"ペンソフトではありません。", L"設定し直してください。", L"", L""};

  harness::TestFolder folder;
  orvanta::win::WinProfileStore store;
  orvanta::win::ModuleFileInf files;
  std::vector<ClassRegAppData> apps;
  FormSettingSelApp form{files};
  std::string pen;
};

TEST_F(SelApp, OpeningWithoutAPathRejectsAtOnceAndOkClearsTheRegistration) {
  Open(Pen());
  EXPECT_EQ(harness::WindowText(form.hwnd()), L"ペンソフトの登録");
  EXPECT_EQ(Texts(), kRejectedPen);
  Pen().FullPath = "C:\\stale.exe";  // what OK replaces
  Click(L"OK");
  EXPECT_EQ(form.hwnd(), nullptr);
  EXPECT_TRUE(form.ReturnOK);
  EXPECT_EQ(Pen().FullPath, "");
}

TEST_F(SelApp, TheDialogAndEveryControlTakeDrops) {
  Open(Pen());
  std::vector<HWND> windows{form.hwnd()};
  for (HWND h : harness::ChildWindows(form.hwnd())) windows.push_back(h);
  for (HWND h : windows) {
    EXPECT_EQ(::RegisterDragDrop(h, form.DropTarget()), DRAGDROP_E_ALREADYREGISTERED) << wincommon::WideToUtf8(
        harness::ClassOf(h));
  }
}

struct Candidate {
  const char* name;
  int registration;  // 0 pen, 1 camera
  std::wstring file;  // in the test folder
  bool accepted;
};

TEST_F(SelApp, CandidatesAreCheckedAgainstTheRegistrationsVersionInformation) {
  ASSERT_TRUE(folder.WriteText(L"notes.txt", "x"));
  ASSERT_TRUE(folder.WriteText(L"noextension", "x"));
  ASSERT_TRUE(folder.WriteText(L"dir.d\\plain", "x"));
  const Candidate cases[] = {
      {"the pen program", 0, L"penplus4\\PenPlus.exe", true},
      {"a program without its version information", 0, L"Orvanta.exe", false},
      {"a missing file", 0, L"missing.exe", false},
      {"the camera takes any file", 1, L"notes.txt", true},
      {"no extension", 1, L"noextension", false},
      {"the last dot in a folder name", 1, L"dir.d\\plain", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Open(apps[static_cast<size_t>(c.registration)]);
    const std::string path = Ansi(folder.File(c.file));
    form.CheckAndShowApp(path);
    EXPECT_EQ(form.SelectedPath(), c.accepted ? path : "");
    if (c.accepted) {
      EXPECT_EQ(wincommon::WideToAnsi(Texts().at(1)), path);
    }
    form.Destroy();
  }
  Open(Pen());
  form.CheckAndShowApp(pen);
  EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"PenPlus", folder.File(L"penplus4\\PenPlus.exe"), L"PenPlus",
                                                L"Plussoft Corporation"}));
}

TEST_F(SelApp, ADroppedShortcutShowsItsTargetAndCancelKeepsTheRegistration) {
  const std::wstring lnk = folder.File(L"PenPlus.lnk");
  const std::wstring lnk2 = folder.File(L"Shortcut to PenPlus.lnk");
  ASSERT_TRUE(harness::MakeShortcut(lnk, folder.File(L"penplus4\\PenPlus.exe")));
  ASSERT_TRUE(harness::MakeShortcut(lnk2, lnk));
  Pen().FullPath = "C:\\Before\\PenPlus.exe";
  Open(Pen());
  for (const auto& file : {lnk, lnk2}) {
    SCOPED_TRACE(wincommon::WideToUtf8(file));
    Drop(DropData::Files({folder.File(L"Orvanta.exe")}));
    ASSERT_EQ(Texts(), kRejectedPen);
    Drop(DropData::Files({file, folder.File(L"Orvanta.exe")}));
    EXPECT_EQ(form.SelectedPath(), pen) << "the first file, followed to the program";
    EXPECT_EQ(Texts().at(1), folder.File(L"penplus4\\PenPlus.exe"));
  }
  Click(L"キャンセル");
  EXPECT_EQ(form.hwnd(), nullptr);
  EXPECT_FALSE(form.ReturnOK);
  EXPECT_EQ(Pen().FullPath, "C:\\Before\\PenPlus.exe");
}

// Two shortcuts naming each other: followed a few times, then rejected,
// instead of recursing until the stack runs out.
TEST_F(SelApp, ALoopOfShortcutsIsRejected) {
  const std::wstring a = folder.File(L"a.lnk"), b = folder.File(L"b.lnk");
  ASSERT_TRUE(harness::MakeShortcut(a, b));
  ASSERT_TRUE(harness::MakeShortcut(b, a));
  ASSERT_EQ(files.GetShortcutInfo(Ansi(a), orvanta::kLnkTargetPath), Ansi(b));
  Open(Camera());
  Drop(DropData::Files({a}));
  EXPECT_EQ(form.SelectedPath(), "");
  EXPECT_EQ(Texts().at(0), L"PCカメラではありません。");
}

TEST_F(SelApp, DroppedTextIsRejectedAndAnEmptyListChangesNothing) {
  Open(Pen());
  Drop(DropData::Files({folder.File(L"penplus4\\PenPlus.exe")}));
  Drop(DropData::Files({}));
  EXPECT_EQ(form.SelectedPath(), pen);
  Drop(DropData::Text(folder.File(L"penplus4\\PenPlus.exe")));
  EXPECT_EQ(form.SelectedPath(), "");
  EXPECT_EQ(Texts(), kRejectedPen);
}

TEST_F(SelApp, OkStoresTheAcceptedPathAndEscapeCancels) {
  Open(Pen());
  Drop(DropData::Files({folder.File(L"penplus4\\PenPlus.exe")}));
  Click(L"OK");
  EXPECT_TRUE(form.ReturnOK);
  EXPECT_EQ(Pen().FullPath, pen);
  Open(Camera());
  ::SendMessageW(form.hwnd(), WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(form.hwnd(), nullptr);
  EXPECT_FALSE(form.ReturnOK);
  EXPECT_EQ(Camera().FullPath, "");
}

}  // namespace
