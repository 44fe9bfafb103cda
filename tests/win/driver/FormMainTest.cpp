// The driver's form in process: the rights of the name a running driver
// holds, a name this start may only wait on, and OLE on the form's thread.
#include <gtest/gtest.h>

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <set>
#include <string>
#include <thread>

#include "core/win/FormMain.h"
#include "identities/WindowIdentities.h"
#include "wincommon/Handles.h"
#include "wincommon/Security.h"

namespace {

using orvanta::win::FormMain;

std::wstring UniqueName(const wchar_t* what) {
  return L"Local\\OrvantaTest." + std::wstring(what) + L"." + std::to_wstring(::GetCurrentProcessId()) + L"." +
         std::to_wstring(::GetTickCount64());
}

std::wstring SidText(PSID sid) {
  wchar_t* text = nullptr;
  if (!::ConvertSidToStringSidW(sid, &text)) return {};
  std::wstring out(text);
  ::LocalFree(text);
  return out;
}

// Another thread finds the mutex taken.
bool OwnedByAnotherThread(HANDLE mutex) {
  DWORD got = WAIT_FAILED;
  std::thread([&] {
    got = ::WaitForSingleObject(mutex, 0);
    if (got == WAIT_OBJECT_0 || got == WAIT_ABANDONED) ::ReleaseMutex(mutex);
  }).join();
  return got == WAIT_TIMEOUT;
}

TEST(DriverInstance, TheNameIsOpenToTheSameUserWhateverRightsTheDriverRunsWith) {
  const std::wstring name = UniqueName(L"Rights");
  wincommon::KernelHandle claim = FormMain::ClaimSingleInstance(name.c_str());
  ASSERT_TRUE(claim);
  PACL dacl = nullptr;
  PACL sacl = nullptr;
  PSECURITY_DESCRIPTOR sd = nullptr;
  ASSERT_EQ(::GetSecurityInfo(claim.get(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION | LABEL_SECURITY_INFORMATION,
                              nullptr, nullptr, &dacl, &sacl, &sd),
            static_cast<DWORD>(ERROR_SUCCESS));
  std::set<std::wstring> granted;
  for (WORD i = 0; dacl && i < dacl->AceCount; ++i) {
    ACE_HEADER* ace = nullptr;
    if (!::GetAce(dacl, i, reinterpret_cast<void**>(&ace)) || ace->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
    const auto* allowed = reinterpret_cast<ACCESS_ALLOWED_ACE*>(ace);
    // Generic rights as written, or mapped to the mutex's own by the system.
    if ((allowed->Mask & GENERIC_ALL) || (allowed->Mask & MUTEX_ALL_ACCESS) == MUTEX_ALL_ACCESS) {
      granted.insert(SidText(const_cast<DWORD*>(&allowed->SidStart)));
    }
  }
  EXPECT_EQ(granted, (std::set<std::wstring>{wincommon::CurrentUserSid(), L"S-1-5-18"})) << "the user and SYSTEM";
  // The medium label with no write up lets the user's normal start in
  // although an elevated one made the name. (Wine keeps the label it is
  // given but never checks it: it has no integrity levels.)
  bool medium = false;
  for (WORD i = 0; sacl && i < sacl->AceCount; ++i) {
    ACE_HEADER* ace = nullptr;
    if (!::GetAce(sacl, i, reinterpret_cast<void**>(&ace)) || ace->AceType != SYSTEM_MANDATORY_LABEL_ACE_TYPE) continue;
    const auto* label = reinterpret_cast<SYSTEM_MANDATORY_LABEL_ACE*>(ace);
    medium = SidText(const_cast<DWORD*>(&label->SidStart)) == L"S-1-16-8192" &&
             (label->Mask & SYSTEM_MANDATORY_LABEL_NO_WRITE_UP) != 0;
  }
  EXPECT_TRUE(medium);
  ::LocalFree(sd);
  FormMain::ReleaseSingleInstance(claim);
  EXPECT_FALSE(claim);
}

// A name made with rights that leave this start only the wait (an older
// driver started elevated made it so): the start ends when a driver's
// window is there, and takes the name over when it is free, as for a name
// it could open.
TEST(DriverInstance, ANameThisStartMayOnlyWaitOnFollowsTheRulesOfOneItCouldOpen) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = orvanta::identity::kAppClass;
  ::RegisterClassW(&wc);
  const struct {
    const char* name;
    bool driverWindow;
    bool claimed;
  } cases[] = {{"a driver's window is there", true, false}, {"no window, the name free", false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring name = UniqueName(L"WaitOnly");
    const std::wstring sddl = L"D:P(A;;0x100000;;;" + wincommon::CurrentUserSid() + L")";
    PSECURITY_DESCRIPTOR sd = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &sd, nullptr));
    SECURITY_ATTRIBUTES sa{sizeof(sa), sd, FALSE};
    const wincommon::KernelHandle other(::CreateMutexW(&sa, FALSE, name.c_str()));
    ::LocalFree(sd);
    ASSERT_TRUE(other);
    {
      const wincommon::KernelHandle probe(::CreateMutexW(nullptr, FALSE, name.c_str()));
      ASSERT_FALSE(probe) << "the system let this user create the name anyway";
      ASSERT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    }
    const wincommon::WindowHandle window(
        c.driverWindow ? ::CreateWindowExW(0, wc.lpszClassName, orvanta::identity::kDriverTitle, WS_POPUP, 0, 0, 0, 0,
                                           nullptr, nullptr, wc.hInstance, nullptr)
                       : nullptr);
    wincommon::KernelHandle claim = FormMain::ClaimSingleInstance(name.c_str());
    EXPECT_EQ(static_cast<bool>(claim), c.claimed);
    if (claim) {
      EXPECT_TRUE(OwnedByAnotherThread(claim.get())) << "claimed without owning it";
    }
    FormMain::ReleaseSingleInstance(claim);
  }
  ::UnregisterClassW(wc.lpszClassName, wc.hInstance);
}

// The shell may hand a start to extensions that need an apartment; the
// driver's thread is in one while the form lives, and only then.
TEST(DriverForm, ItsThreadIsInAnOleApartmentForTheFormsLife) {
  // A fresh thread, so no COM before the form; whether a multithreaded
  // apartment can still be entered tells the thread's state.
  const auto probe = [] {
    const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(hr)) ::CoUninitialize();
    return hr;
  };
  HRESULT before = E_FAIL, during = E_FAIL, after = E_FAIL;
  std::thread([&] {
    before = probe();
    {
      FormMain form;
      during = probe();
    }
    after = probe();
  }).join();
  EXPECT_EQ(before, S_OK);
  EXPECT_EQ(during, RPC_E_CHANGED_MODE);
  EXPECT_EQ(after, S_OK);
}

}  // namespace
