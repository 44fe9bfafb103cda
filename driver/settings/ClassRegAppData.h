#pragma once
// A registered application: an outside program the driver starts or drives
// (the pen program, the PC camera program), where its path lives in the INI
// file, and the version information a file must carry to be accepted as it.
// The rules of the settings dialog's list and of the selection dialog that
// binds a file to a registration are here too; the dialogs only show.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "base/AnsiString.h"
#include "base/AsciiText.h"
#include "base/FileInf.h"
#include "base/ProfileStore.h"

namespace orvanta {

// What the selection dialog shows of a file it accepts; every text as the
// file information answers.
struct SelAppChoice {
  AnsiString path;         // the program itself, shortcuts followed
  AnsiString name;         // its file name without folder and extension
  AnsiString description;  // FileDescription, else ProductName
  AnsiString company;      // CompanyName
};

class ClassRegAppData {
public:
  // isLeadByte: the lead bytes of the system ANSI code page, in which the
  // paths and version texts come.
  ClassRegAppData(ProfileStore& store, std::string iniFile, FileInfo& files, LeadByteTest isLeadByte)
      : store_(&store), iniFile_(std::move(iniFile)), files_(&files), isLeadByte_(isLeadByte) {}

  // Shown in the dialogs.
  std::string RegName;
  AnsiString FullPath;
  // Filters of the open-file dialog: description and pattern alternating,
  // separated by NUL characters.
  std::string ReferExt;
  // Expected version values; empty accepts any, and NUL separates accepted
  // alternatives ("A\0B" accepts A or B). Compared ignoring letter case.
  AnsiString Inf_FileDescription;
  AnsiString Inf_ProductName;
  AnsiString Inf_CompanyName;
  AnsiString Ini_Section;
  AnsiString Ini_Key;

  // "[" + Ini_Section + "]" + Ini_Key, e.g. [PenPlus]Path.
  [[nodiscard]] AnsiString Key() const { return "[" + Ini_Section + "]" + Ini_Key; }
  void SettingLoad();
  // Writes FullPath between double quotes, also when it is empty; false when
  // the INI file cannot be written.
  bool SettingSave();
  // FileDescription, else ProductName, else the file name without folder and
  // extension; empty when FullPath has no "\" before its last ".".
  [[nodiscard]] AnsiString GetAppName() const;
  // The file at checkPath (FullPath when empty) exists and carries the
  // expected version information.
  [[nodiscard]] bool CheckFileVerInfs(const AnsiString& checkPath = {}) const;

  // A shortcut to a shortcut is followed, a loop of them is not: after this
  // many shortcuts in a row a candidate is rejected.
  static constexpr int kMaxShortcutHops = 8;
  // The selection dialog's check of a candidate file: a shortcut ("*.lnk",
  // any case) is followed to its target, and the file must carry the
  // expected version information. Nothing when rejected: the path has no
  // file name with an extension after its last real "\", shortcuts lead on
  // too far, or the file is missing or lacks the version information.
  [[nodiscard]] std::optional<SelAppChoice> CheckCandidate(AnsiString path) const;

private:
  ProfileStore* store_;
  std::string iniFile_;
  FileInfo* files_;
  LeadByteTest isLeadByte_;
};

// True when expected is empty or one of its NUL-separated alternatives equals
// actual ignoring letter case (walked by isLeadByte).
[[nodiscard]] bool MatchesExpected(const AnsiString& expected, const AnsiString& actual, LeadByteTest isLeadByte);

// The registration whose row the settings dialog's list selects after it is
// filled anew: the first one with the key of the registration selected
// before (selectedBefore, an index into apps), else the first, so that "設定"
// always has a registration to bind. Nothing for an empty list.
[[nodiscard]] std::optional<std::size_t> RegAppToSelect(const std::vector<ClassRegAppData>& apps,
                                                        std::optional<std::size_t> selectedBefore);

// The two registrations of the settings dialog, in its order: the pen
// program ([PenPlus]Path) and the PC camera program ([Camera]Path), not yet
// loaded.
[[nodiscard]] std::vector<ClassRegAppData> MakeRegisteredApps(ProfileStore& store, const std::string& iniFile,
                                                              FileInfo& files, LeadByteTest isLeadByte);

}  // namespace orvanta
