#pragma once
// Profile strings through the platform's ANSI profile functions: the INI file
// and the panel data files are in the system ANSI code page. File paths come
// in UTF-8 and are converted once here.
//
// A value the file refuses (read-only, in a folder the user may not write to:
// Program Files for a standard user, where the asInvoker manifest turns off
// the old file virtualisation) is kept in memory and read back from there
// until the driver ends or a later write of the same key succeeds: the running
// driver goes on with what the user chose, and the write still reports the
// failure so that the dialog that asked for it can say so.
#include <map>
#include <string>
#include <tuple>

#include "base/ProfileStore.h"

namespace orvanta::win {

class WinProfileStore : public ProfileStore {
public:
  AnsiString Read(const std::string& file, const AnsiString& section, const AnsiString& key,
                  const AnsiString& def) override;
  bool Write(const std::string& file, const AnsiString& section, const AnsiString& key,
             const AnsiString& value) override;

private:
  // File, section and key exactly as the driver spells them: each of its
  // keys is named in one place only.
  using Location = std::tuple<std::string, AnsiString, AnsiString>;

  // The values the files refused, as a read of the file would give them back.
  std::map<Location, AnsiString> unsaved_;
};

}  // namespace orvanta::win
