#include "ClassRegAppData.h"

#include "base/AsciiText.h"

namespace orvanta {

void ClassRegAppData::SettingLoad() { FullPath = store_->Read(iniFile_, Ini_Section, Ini_Key, ""); }

bool ClassRegAppData::SettingSave() {
  // The profile reader removes one pair of enclosing quotes, so the path
  // reads back bare, blanks at either end included.
  return store_->Write(iniFile_, Ini_Section, Ini_Key, "\"" + FullPath + "\"");
}

AnsiString ClassRegAppData::GetAppName() const {
  const auto parts = SplitFileName(FullPath, isLeadByte_);
  if (!parts) return {};
  if (auto text = files_->GetFileVerInfo(FullPath, kVerFileDescription); !text.empty()) return text;
  if (auto text = files_->GetFileVerInfo(FullPath, kVerProductName); !text.empty()) return text;
  return parts->stem;
}

bool ClassRegAppData::CheckFileVerInfs(const AnsiString& checkPath) const {
  const AnsiString& path = checkPath.empty() ? FullPath : checkPath;
  if (path.empty() || !files_->FileExists(path)) return false;
  const struct {
    const AnsiString& expected;
    int item;
  } checks[] = {{Inf_FileDescription, kVerFileDescription},
                {Inf_ProductName, kVerProductName},
                {Inf_CompanyName, kVerCompanyName}};
  bool all = true;
  for (const auto& c : checks) {
    if (c.expected.empty()) continue;
    if (!MatchesExpected(c.expected, files_->GetFileVerInfo(path, c.item), isLeadByte_)) all = false;
  }
  return all;
}

std::optional<SelAppChoice> ClassRegAppData::CheckCandidate(AnsiString path) const {
  for (int hops = 0;; ++hops) {
    auto parts = SplitFileName(path, isLeadByte_);
    if (!parts) return std::nullopt;
    if (EqualsNoCase(parts->extension, "lnk", isLeadByte_)) {
      if (hops >= kMaxShortcutHops) return std::nullopt;
      path = files_->GetShortcutInfo(path, kLnkTargetPath);
      continue;
    }
    if (!CheckFileVerInfs(path)) return std::nullopt;
    AnsiString description = files_->GetFileVerInfo(path, kVerFileDescription);
    if (description.empty()) description = files_->GetFileVerInfo(path, kVerProductName);
    AnsiString company = files_->GetFileVerInfo(path, kVerCompanyName);
    return SelAppChoice{std::move(path), std::move(parts->stem), std::move(description), std::move(company)};
  }
}

bool MatchesExpected(const AnsiString& expectedText, const AnsiString& actual, LeadByteTest isLeadByte) {
  // NUL lies below every second byte of a double-byte character.
  const std::string& expected = expectedText.bytes();
  if (expected.empty()) return true;
  std::string::size_type start = 0;
  for (;;) {
    const auto nul = expected.find('\0', start);
    const std::string_view alternative(expected.data() + start,
                                       (nul == std::string::npos ? expected.size() : nul) - start);
    if (EqualsNoCase(alternative, actual.bytes(), isLeadByte)) return true;
    if (nul == std::string::npos) return false;
    start = nul + 1;
  }
}

std::optional<std::size_t> RegAppToSelect(const std::vector<ClassRegAppData>& apps,
                                          std::optional<std::size_t> selectedBefore) {
  if (apps.empty()) return std::nullopt;
  // Rows are keyed by their registration's key, not by their place.
  if (selectedBefore && *selectedBefore < apps.size()) {
    const AnsiString key = apps[*selectedBefore].Key();
    for (std::size_t i = 0; i < apps.size(); ++i) {
      if (apps[i].Key() == key) return i;
    }
  }
  return 0;
}

std::vector<ClassRegAppData> MakeRegisteredApps(ProfileStore& store, const std::string& iniFile, FileInfo& files,
                                                LeadByteTest isLeadByte) {
  using namespace std::string_literals;
  const std::string referExt = u8"アプリケーション(*.exe)"s + '\0' + "*.exe" + '\0' + u8"全てのファイル(*.*)" + '\0' + "*.*";
  std::vector<ClassRegAppData> apps;
  ClassRegAppData pen(store, iniFile, files, isLeadByte);
  pen.RegName = u8"ペンソフト";
  pen.ReferExt = referExt;
  pen.Inf_ProductName = "PenPlus Application";
  pen.Inf_CompanyName = "Plussoft Corporation";
  pen.Ini_Section = "PenPlus";
  pen.Ini_Key = "Path";
  apps.push_back(pen);
  ClassRegAppData camera(store, iniFile, files, isLeadByte);
  camera.RegName = u8"PCカメラ";
  camera.ReferExt = referExt;
  camera.Ini_Section = "Camera";
  camera.Ini_Key = "Path";
  apps.push_back(camera);
  return apps;
}

}  // namespace orvanta
