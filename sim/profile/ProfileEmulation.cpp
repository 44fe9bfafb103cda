#include "ProfileEmulation.h"

#include <fstream>
#include <optional>
#include <string_view>
#include <vector>

namespace profilesim {

using orvanta::AnsiString;
using orvanta::EqualsNoCase;
using orvanta::FindLastChar;
using orvanta::IsBlank;
using orvanta::UpperAscii;

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// The platform call strips the default's trailing blanks too.
std::string CutDefault(std::string_view def) {
  while (!def.empty() && IsBlank(def.back())) def.remove_suffix(1);
  return std::string(def.substr(0, orvanta::kProfileValueMax));
}

std::string ValueAsRead(std::string_view value) { return orvanta::ProfileValueAsRead(value).bytes(); }


bool HasLineEnd(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

std::optional<std::string> ReadWholeFile(const std::string& file) {
  std::ifstream in(file, std::ios::binary | std::ios::ate);
  if (!in) return std::nullopt;
  const std::streamoff size = in.tellg();
  if (size < 0) return std::nullopt;
  std::string text(static_cast<std::size_t>(size), '\0');
  in.seekg(0);
  if (!in.read(text.data(), size)) return std::nullopt;
  return text;
}

// One line of the file: its text without the line end (LF or CR LF), and
// where the next line starts.
struct Line {
  std::string_view text;
  std::size_t start;
  std::size_t next;
};

std::vector<Line> SplitLines(std::string_view file) {
  std::vector<Line> lines;
  std::size_t pos = 0;
  while (pos < file.size()) {
    const auto lf = file.find('\n', pos);
    const std::size_t end = lf == std::string_view::npos ? file.size() : lf;
    std::string_view text = file.substr(pos, end - pos);
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    const std::size_t next = lf == std::string_view::npos ? file.size() : lf + 1;
    lines.push_back(Line{text, pos, next});
    pos = next;
  }
  return lines;
}

// The name of a section line, or nothing when the line is not one: the name
// runs to the line's last "]", and a line without one is no section line (it
// is read as a key line, as the platform reads it). "]" is also the second
// byte of some Japanese characters (ゾ is 83 5D); "[", "=", blanks and quotes
// are below any second byte and are found byte by byte.
std::optional<std::string_view> SectionName(std::string_view line, LeadByteTest isLead) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  line.remove_prefix(1);
  const std::size_t close = FindLastChar(line, ']', isLead);
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(line.substr(0, close));
}

struct KeyLine {
  std::string_view name;   // without the blanks around it
  std::string_view value;  // all after the "=", as it stands
};

std::optional<KeyLine> SplitKeyLine(std::string_view line) {
  const auto eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return KeyLine{Trim(line.substr(0, eq)), line.substr(eq + 1)};
}

// Lines [begin, end) of the first section of that name: begin is the section
// line itself, end the next section line or the end of the file.
struct SectionSpan {
  std::size_t begin;
  std::size_t end;
};

std::optional<SectionSpan> FindSection(const std::vector<Line>& lines, std::string_view section, LeadByteTest isLead) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const auto name = SectionName(lines[i].text, isLead);
    if (!name || !EqualsNoCase(*name, section, isLead)) continue;
    std::size_t end = i + 1;
    while (end < lines.size() && !SectionName(lines[end].text, isLead)) ++end;
    return SectionSpan{i, end};
  }
  return std::nullopt;
}

std::optional<std::size_t> FindKey(const std::vector<Line>& lines, SectionSpan span, std::string_view key,
                                   LeadByteTest isLead) {
  for (std::size_t i = span.begin + 1; i < span.end; ++i) {
    const auto kv = SplitKeyLine(lines[i].text);
    if (kv && EqualsNoCase(kv->name, key, isLead)) return i;
  }
  return std::nullopt;
}

}  // namespace

std::string ReadProfileText(std::string_view text, std::string_view section, std::string_view key,
                            std::string_view def, LeadByteTest isLead) {
  // One pass without building a line table: reads far outnumber writes (the
  // panel data asks four times per button).
  std::string_view rest = text;
  bool inSection = false;
  while (!rest.empty()) {
    const auto lf = rest.find('\n');
    std::string_view line = rest.substr(0, lf);
    rest.remove_prefix(lf == std::string_view::npos ? rest.size() : lf + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (const auto name = SectionName(line, isLead)) {
      // Only the first section of a name counts.
      if (inSection) break;
      inSection = EqualsNoCase(*name, section, isLead);
      continue;
    }
    if (!inSection) continue;
    const auto kv = SplitKeyLine(line);
    if (kv && EqualsNoCase(kv->name, key, isLead)) return ValueAsRead(kv->value);
  }
  return CutDefault(def);
}

std::string WriteProfileText(std::string_view text, std::string_view section, std::string_view key,
                             std::string_view value, LeadByteTest isLead) {
  const auto lines = SplitLines(text);
  std::string out;
  out.reserve(text.size() + section.size() + key.size() + value.size() + 8);

  if (const auto span = FindSection(lines, section, isLead)) {
    if (const auto at = FindKey(lines, *span, key, isLead)) {
      // Only the value changes; the key keeps its spelling, the line its end.
      const Line& line = lines[*at];
      out.append(text, 0, line.start);
      out.append(SplitKeyLine(line.text)->name).append("=").append(value);
      out.append(text, line.start + line.text.size(), std::string::npos);
    } else {
      // After the section's last line that holds anything, so blank lines
      // that part it from the next section stay between them.
      std::size_t after = span->end;
      while (after > span->begin + 1 && Trim(lines[after - 1].text).empty()) --after;
      const Line& last = lines[after - 1];
      out.append(text, 0, last.next);
      if (last.next == text.size() && !text.empty() && text.back() != '\n') out.append("\r\n");
      out.append(key).append("=").append(value).append("\r\n");
      out.append(text, last.next, std::string::npos);
    }
  } else {
    out = text;
    if (!out.empty() && out.back() != '\n') out.append("\r\n");
    out.append("[").append(section).append("]\r\n");
    out.append(key).append("=").append(value).append("\r\n");
  }

  return out;
}

IniDocument::IniDocument(std::string_view text, LeadByteTest isLead) : sections_(1), isLead_(isLead) {
  for (const auto& raw : SplitLines(text)) {
    const std::size_t endAt = raw.start + raw.text.size();
    Line line{std::string(raw.text), std::string(text.substr(endAt, raw.next - endAt))};
    if (const auto name = SectionName(line.text, isLead_)) {
      std::string upper = UpperAscii(*name, isLead_);
      AddSection(std::move(line), std::move(upper));
    } else {
      sections_.back().push_back(std::move(line));
    }
  }
}

void IniDocument::AddSection(Line header, std::string name) {
  first_.emplace(std::move(name), sections_.size());  // a later namesake stays unseen
  sections_.push_back({std::move(header)});
}

std::size_t IniDocument::Find(std::string_view section) const {
  const auto it = first_.find(UpperAscii(section, isLead_));
  return it == first_.end() ? 0 : it->second;
}

bool IniDocument::LastLineEnded() const {
  for (auto it = sections_.rbegin(); it != sections_.rend(); ++it) {
    if (!it->empty()) return !it->back().end.empty() && it->back().end.back() == '\n';
  }
  return true;
}

std::string IniDocument::Read(std::string_view section, std::string_view key, std::string_view def) const {
  if (const std::size_t at = Find(section)) {
    const auto& lines = sections_[at];
    for (std::size_t i = 1; i < lines.size(); ++i) {
      const auto kv = SplitKeyLine(lines[i].text);
      if (kv && EqualsNoCase(kv->name, key, isLead_)) return ValueAsRead(kv->value);
    }
  }
  return CutDefault(def);
}

void IniDocument::Write(std::string_view section, std::string_view key, std::string_view value) {
  std::string keyLine = std::string(key) + "=" + std::string(value);
  // A key that reads as a section line would start a section of its own.
  const bool plain = !HasLineEnd(section) && !HasLineEnd(keyLine) && !SectionName(keyLine, isLead_);
  if (plain) {
    if (const std::size_t at = Find(section)) {
      auto& lines = sections_[at];
      for (std::size_t i = 1; i < lines.size(); ++i) {
        const auto kv = SplitKeyLine(lines[i].text);
        if (kv && EqualsNoCase(kv->name, key, isLead_)) {
          lines[i].text = std::string(kv->name) + "=" + std::string(value);
          return;
        }
      }
      // After the section's last line that holds anything, as in the text.
      std::size_t after = lines.size();
      while (after > 1 && Trim(lines[after - 1].text).empty()) --after;
      const std::string& end = lines[after - 1].end;
      if (!end.empty() && end.back() == '\n') {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(after), Line{std::move(keyLine), "\r\n"});
        return;
      }
    } else if (Line header{"[" + std::string(section) + "]", "\r\n"}; LastLineEnded()) {
      // A name ending in a lead byte takes the "]" as its second byte: the
      // line then starts no section, which the text's rules decide below.
      if (const auto name = SectionName(header.text, isLead_)) {
        std::string upper = UpperAscii(*name, isLead_);
        AddSection(std::move(header), std::move(upper));
        sections_.back().push_back(Line{std::move(keyLine), "\r\n"});
        return;
      }
    }
  }
  *this = IniDocument(WriteProfileText(Text(), section, key, value, isLead_), isLead_);
}

std::string IniDocument::Text() const {
  std::string text;
  for (const auto& lines : sections_) {
    for (const auto& line : lines) text.append(line.text).append(line.end);
  }
  return text;
}

AnsiString EmulatedProfileFiles::Read(const std::string& file, const AnsiString& section, const AnsiString& key,
                                      const AnsiString& def) {
  const auto text = ReadWholeFile(file);
  return AnsiString::FromBytes(ReadProfileText(text ? std::string_view(*text) : std::string_view(), section.bytes(),
                                               key.bytes(), def.bytes(), isLead_));
}

bool EmulatedProfileFiles::Write(const std::string& file, const AnsiString& section, const AnsiString& key,
                                 const AnsiString& value) {
  const std::string out = WriteProfileText(ReadWholeFile(file).value_or(std::string()), section.bytes(), key.bytes(),
                                           value.bytes(), isLead_);
  std::ofstream os(file, std::ios::binary | std::ios::trunc);
  if (!os) return false;
  os.write(out.data(), static_cast<std::streamsize>(out.size()));
  os.flush();
  return static_cast<bool>(os);
}

}  // namespace profilesim
