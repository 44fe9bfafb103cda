// The application selection dialog in this process, over a real
// registration and the real file information: files offered through the
// drop target the dialog registered (as OLE delivers a drop from Explorer),
// real shortcuts followed to a program whose version information is read,
// OK and Cancel. Which files a registration takes is its own rule, tested
// natively (ClassRegAppDataTest).
#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>

#include "common/Harness.h"
#include "base/win/AnsiText.h"
#include "base/win/WinProfileStore.h"
#include "settings/win/FormSettingSelApp.h"
#include "settings/win/ModuleFileInf.h"
#include "wincommon/Text.h"

namespace {

using namespace std::chrono_literals;
using orvanta::ClassRegAppData;
using orvanta::win::FormSettingSelApp;

class SelApp : public ::testing::Test {
protected:
  SelApp()
      : apps(orvanta::MakeRegisteredApps(store, wincommon::WideToUtf8(folder.File(L"Orvanta.ini")), files,
                                         wincommon::IsAnsiLeadByte)) {
    folder.CopyFromBin(L"penplus4\\PenPlus.exe");
    folder.CopyFromBin(L"Orvanta.exe");
    pen = orvanta::win::ToAnsi(folder.File(L"penplus4\\PenPlus.exe"));
  }
  ~SelApp() override { form.Destroy(); }

  void Open(ClassRegAppData& app) {
    form.ClsFindRegApp = &app;
    ASSERT_TRUE(form.Open(nullptr));
  }
  std::vector<std::wstring> Texts() const { return harness::ChildTexts(form.hwnd(), L"Edit"); }
  // A drop as OLE delivers one from Explorer: the data (a file list, or
  // other data such as text) comes in a data object of OLE's own, here the
  // clipboard's; then enter, over and drop on the registered target.
  void Drop(UINT format, const std::wstring& payload) {
    const size_t header = format == CF_HDROP ? sizeof(DROPFILES) : 0;
    const size_t size = header + (payload.size() + 1) * sizeof(wchar_t);  // with a closing nul
    const HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    auto* bytes = static_cast<BYTE*>(::GlobalLock(memory));
    if (header) *reinterpret_cast<DROPFILES*>(bytes) = DROPFILES{sizeof(DROPFILES), {}, FALSE, TRUE};
    std::memcpy(bytes + header, payload.c_str(), payload.size() * sizeof(wchar_t));
    ::GlobalUnlock(memory);
    ASSERT_TRUE(::OpenClipboard(form.hwnd()));
    ::EmptyClipboard();
    const bool offered = ::SetClipboardData(format, memory) != nullptr;
    ::CloseClipboard();
    ASSERT_TRUE(offered);
    IDataObject* data = nullptr;
    ASSERT_EQ(::OleGetClipboard(&data), S_OK);
    IDropTarget* target = form.DropTarget();
    ASSERT_NE(target, nullptr);
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_LINK;
    const POINTL at{10, 10};
    EXPECT_EQ(target->DragEnter(data, MK_LBUTTON, at, &effect), S_OK);
    EXPECT_EQ(target->DragOver(MK_LBUTTON, at, &effect), S_OK);
    EXPECT_EQ(target->Drop(data, 0, at, &effect), S_OK);
    data->Release();
  }
  void DropFiles(const std::vector<std::wstring>& paths) {
    std::wstring list;
    for (const auto& path : paths) list += path + L'\0';
    Drop(CF_HDROP, list);
  }
  // A click as a user's arrives; the dialog has handled it on return.
  void Click(const wchar_t* caption) { ::SendMessageW(harness::Button(form.hwnd(), caption), BM_CLICK, 0, 0); }
  ClassRegAppData& Pen() { return apps[0]; }
  ClassRegAppData& Camera() { return apps[1]; }

  const std::vector<std::wstring> kRejectedPen{L"ペンソフトではありません。", L"設定し直してください。", L"", L""};

  harness::TestFolder folder;
  orvanta::win::WinProfileStore store;
  orvanta::win::ModuleFileInf files;
  std::vector<ClassRegAppData> apps;
  FormSettingSelApp form;
  orvanta::AnsiString pen;
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

TEST_F(SelApp, ADroppedShortcutShowsItsTargetAndCancelKeepsTheRegistration) {
  const std::wstring lnk = folder.File(L"PenPlus.lnk");
  const std::wstring lnk2 = folder.File(L"Shortcut to PenPlus.lnk");
  ASSERT_TRUE(harness::MakeShortcut(lnk, folder.File(L"penplus4\\PenPlus.exe")));
  ASSERT_TRUE(harness::MakeShortcut(lnk2, lnk));
  Pen().FullPath = "C:\\Before\\PenPlus.exe";
  Open(Pen());
  for (const auto& file : {lnk, lnk2}) {
    SCOPED_TRACE(wincommon::WideToUtf8(file));
    DropFiles({folder.File(L"Orvanta.exe")});
    ASSERT_EQ(Texts(), kRejectedPen);
    DropFiles({file, folder.File(L"Orvanta.exe")});
    EXPECT_EQ(form.SelectedPath(), pen) << "the first file, followed to the program";
    EXPECT_EQ(Texts(), (std::vector<std::wstring>{L"PenPlus", folder.File(L"penplus4\\PenPlus.exe"), L"PenPlus",
                                                  L"Plussoft Corporation"}));
  }
  Click(L"キャンセル");
  EXPECT_EQ(form.hwnd(), nullptr);
  EXPECT_FALSE(form.ReturnOK);
  EXPECT_EQ(Pen().FullPath, "C:\\Before\\PenPlus.exe");
}

TEST_F(SelApp, DroppedTextIsRejectedAnEmptyListChangesNothingOkStoresAndEscapeCancels) {
  Open(Pen());
  DropFiles({folder.File(L"penplus4\\PenPlus.exe")});
  DropFiles({});
  EXPECT_EQ(form.SelectedPath(), pen);
  Drop(CF_UNICODETEXT, folder.File(L"penplus4\\PenPlus.exe"));
  EXPECT_EQ(form.SelectedPath(), "");
  EXPECT_EQ(Texts(), kRejectedPen);
  DropFiles({folder.File(L"penplus4\\PenPlus.exe")});
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
