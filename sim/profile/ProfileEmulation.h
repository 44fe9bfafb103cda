#pragma once
// An emulation of Windows' ANSI profile functions (GetPrivateProfileStringA,
// WritePrivateProfileStringA) over real files, for the native tests and
// fuzzers, which have no such functions. It follows the rules of those
// functions that the driver relies on, and the table in ProfileRuleTable.h
// holds it to them: the native tests run the table against this emulation,
// a Wine test runs the same table against the real functions.
//  - section and key names match without regard to ASCII letter case; the
//    first matching section and, within it, the first matching key win;
//  - a section's name runs from "[" to the line's last "]"; a line without
//    "]" starts no section;
//  - names are read by characters of the ANSI code page, code page 932 unless
//    told otherwise, as on the Japanese systems the driver serves (the
//    platform reads the file as text of that code page);
//  - blanks and tabs around names and values are dropped, then one pair of
//    matching enclosing quotes (double or single) is removed from a value;
//  - values (and the default) come back cut to kProfileValueMax characters,
//    and the default loses its trailing blanks, as with the platform call;
//  - a write replaces an existing key's value in place (keeping the key's own
//    spelling), adds a new key after the last line of its section and a new
//    section at the end of the file, creating the file if needed. Windows
//    edits the file's lines in the same way; Wine writes the whole file anew
//    in a layout of its own (CR LF everywhere, blank lines dropped), so the
//    rule table holds a write only to what reads give back afterwards.
// Bytes are kept as they are (the files are in the ANSI code page). New lines
// are written with CR LF. The file name is used exactly as given: a Windows
// path such as "dir\Data\QV-LK2048.def" is, on Linux, one file whose name
// holds backslashes, which the tests rely on.
// Every call reads the file anew, so changes made by others are seen at once.
// The rules themselves work on the file's text and are open to callers that
// keep INI texts elsewhere (the fuzzers keep them in memory).
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/AsciiText.h"
#include "base/ProfileStore.h"

namespace profilesim {

using orvanta::IsCp932LeadByte;
using orvanta::LeadByteTest;

// The value of a key in an INI text, by the rules above.
[[nodiscard]] std::string ReadProfileText(std::string_view text, std::string_view section, std::string_view key,
                                          std::string_view def, LeadByteTest isLead = IsCp932LeadByte);
// The INI text after writing a key, by the rules above.
[[nodiscard]] std::string WriteProfileText(std::string_view text, std::string_view section, std::string_view key,
                                           std::string_view value, LeadByteTest isLead = IsCp932LeadByte);

// An INI text held as sections of lines, for callers that keep the text in
// memory and make many calls on it (a layout of 256 buttons is some 3000
// calls): a read finds its section through an index instead of walking the
// text, a write edits or adds one line. Reads give what ReadProfileText gives
// on Text(), and Text() after a write is what WriteProfileText makes of it;
// the rare writes whose bytes would split or join lines differently (line
// ends inside values, a last line without its line end) go through the text.
class IniDocument {
public:
  explicit IniDocument(LeadByteTest isLead = IsCp932LeadByte) : sections_(1), isLead_(isLead) {}
  explicit IniDocument(std::string_view text, LeadByteTest isLead = IsCp932LeadByte);

  [[nodiscard]] std::string Read(std::string_view section, std::string_view key, std::string_view def) const;
  void Write(std::string_view section, std::string_view key, std::string_view value);
  [[nodiscard]] std::string Text() const;

private:
  struct Line {
    std::string text;  // without its line end
    std::string end;   // "\r\n", "\n", or at the end of the text "\r" or nothing
  };
  // sections_[0] holds the lines before the first section line; every other
  // entry starts with its section line.
  std::vector<std::vector<Line>> sections_;
  // Upper-case section name to the first section of that name.
  std::unordered_map<std::string, std::size_t> first_;
  LeadByteTest isLead_;

  // The first section of that name, or 0 when there is none.
  [[nodiscard]] std::size_t Find(std::string_view section) const;
  void AddSection(Line header, std::string name);
  [[nodiscard]] bool LastLineEnded() const;
};

// The driver's profile store over files on this host, by the rules above.
class EmulatedProfileFiles : public orvanta::ProfileStore {
public:
  explicit EmulatedProfileFiles(LeadByteTest isLead = IsCp932LeadByte) : isLead_(isLead) {}
  [[nodiscard]] orvanta::AnsiString Read(const std::string& file, const orvanta::AnsiString& section,
                                         const orvanta::AnsiString& key, const orvanta::AnsiString& def) override;
  bool Write(const std::string& file, const orvanta::AnsiString& section, const orvanta::AnsiString& key,
             const orvanta::AnsiString& value) override;

private:
  LeadByteTest isLead_;
};

}  // namespace profilesim
