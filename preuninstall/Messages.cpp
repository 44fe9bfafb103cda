#include "Messages.h"

#include "CommandLine.h"

namespace orvanta::preuninstall {

std::wstring FillTitle(std::wstring_view text, std::wstring_view title) {
  std::wstring out;
  out.reserve(text.size() + title.size());
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] == L'|' && i + 1 < text.size() && text[i + 1] == L'1') {
      out += title;
      i += 2;
    } else {
      out += text[i++];
    }
  }
  return out;
}

std::wstring_view CutAtNul(std::wstring_view text) { return text.substr(0, text.find(L'\0')); }

bool IsRemovalRegistrationName(std::wstring_view keyName) {
  static constexpr std::wstring_view kPrefix = L"st6unst #";
  return keyName.size() >= kPrefix.size() && AsciiLower(keyName.substr(0, kPrefix.size())) == kPrefix;
}

bool IsOwnRegistration(std::wstring_view keyName, std::wstring_view uninstallString, std::wstring_view ownFile) {
  if (!IsRemovalRegistrationName(keyName) || ownFile.empty()) return false;
  return FindNoCase(CutAtNul(uninstallString), ownFile) != std::wstring_view::npos;
}

}  // namespace orvanta::preuninstall
