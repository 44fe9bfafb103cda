#include "Security.h"

#include <sddl.h>

#include <vector>

#include "Handles.h"

namespace wincommon {

std::wstring CurrentUserSid() {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return {};
  const KernelHandle token(raw);
  DWORD size = 0;
  ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  if (size == 0) return {};
  std::vector<BYTE> buffer(size);
  if (!::GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) return {};
  wchar_t* text = nullptr;
  if (!::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) return {};
  std::wstring sid(text);
  ::LocalFree(text);
  return sid;
}

UserObjectSecurity::UserObjectSecurity() {
  const std::wstring user = CurrentUserSid();
  if (user.empty()) return;
  // Protected DACL (nothing inherited): the user and SYSTEM, every right.
  // SACL: the mandatory label, medium, no write up.
  const std::wstring sddl = L"D:P(A;;GA;;;" + user + L")(A;;GA;;;SY)S:(ML;;NW;;;ME)";
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor_, nullptr)) {
    descriptor_ = nullptr;
    return;
  }
  attributes_.nLength = sizeof(attributes_);
  attributes_.lpSecurityDescriptor = descriptor_;
  attributes_.bInheritHandle = FALSE;
}

UserObjectSecurity::~UserObjectSecurity() {
  if (descriptor_) ::LocalFree(descriptor_);
}

}  // namespace wincommon
