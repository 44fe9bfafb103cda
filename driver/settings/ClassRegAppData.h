#pragma once
// A registered application: an outside program the driver starts or drives
// (the pen program, the PC camera program), where its path lives in the INI
// file, and the version information a file must carry to be accepted as it.
#include <string>
#include <vector>

#include "base/AsciiText.h"
#include "base/FileInf.h"
#include "base/ProfileStore.h"

namespace orvanta {

class ClassRegAppData {
public:
  // isLeadByte: the lead bytes of the system ANSI code page, in which the
  // paths and version texts come.
  ClassRegAppData(ProfileStore& store, std::string iniFile, FileInfo& files, LeadByteTest isLeadByte)
      : store_(&store), iniFile_(std::move(iniFile)), files_(&files), isLeadByte_(isLeadByte) {}

  // Display texts (RegName, ReferExt) are UTF-8; FullPath and the version
  // expectations are in the system ANSI code page like the INI file.
  std::string RegName;
  std::string FullPath;
  // Filters of the open-file dialog: description and pattern alternating,
  // separated by NUL characters.
  std::string ReferExt;
  // Expected version values; empty accepts any, and NUL separates accepted
  // alternatives ("A\0B" accepts A or B). Compared ignoring letter case.
  std::string Inf_FileDescription;
  std::string Inf_ProductName;
  std::string Inf_CompanyName;
  std::string Ini_Section;
  std::string Ini_Key;

  // "[" + Ini_Section + "]" + Ini_Key, e.g. [PenPlus]Path.
  [[nodiscard]] std::string Key() const { return "[" + Ini_Section + "]" + Ini_Key; }
  void SettingLoad();
  // Writes FullPath between double quotes, also when it is empty; false when
  // the INI file cannot be written.
  bool SettingSave();
  // FileDescription, else ProductName, else the file name without folder and
  // extension; empty when FullPath has no "\" before its last ".".
  [[nodiscard]] std::string GetAppName() const;
  // The file at checkPath (FullPath when empty) exists and carries the
  // expected version information.
  [[nodiscard]] bool CheckFileVerInfs(const std::string& checkPath = "") const;

private:
  ProfileStore* store_;
  std::string iniFile_;
  FileInfo* files_;
  LeadByteTest isLeadByte_;
};

// True when expected is empty or one of its NUL-separated alternatives equals
// actual ignoring letter case (ANSI texts, walked by isLeadByte).
[[nodiscard]] bool MatchesExpected(const std::string& expected, const std::string& actual, LeadByteTest isLeadByte);

// The two registrations of the settings dialog, in its order: the pen
// program ([PenPlus]Path) and the PC camera program ([Camera]Path), not yet
// loaded.
[[nodiscard]] std::vector<ClassRegAppData> MakeRegisteredApps(ProfileStore& store, const std::string& iniFile,
                                                              FileInfo& files, LeadByteTest isLeadByte);

}  // namespace orvanta
