#pragma once
// The driver's small text rules, in one place.
//
// Texts come in two encodings, told apart by their types. UTF-8 in a
// std::string (window texts and class names as the shells hand them over, the
// program's own constants): every byte below 0x80 is a character of its own
// there, so a byte-wise walk is a character-wise one. The system ANSI code
// page in an AnsiString (INI values, paths, version information): on a
// Japanese system that is code page 932, where a character may take two
// bytes and its second byte may be "\" (0x5C, as in ソ, 表, 能) or an ASCII
// letter (ア is 0x83 0x41, ヂ 0x83 0x61). Rules that look inside ANSI text
// therefore walk it a character at a time, told by the caller which bytes
// begin a double-byte character: this library cannot ask Windows which code
// page is in force, and the texts stay the bytes the INI file and the
// version resources hold (written back unchanged, compared as stored).
//
// Letter case: only the ASCII letters fold, and only where they stand as
// characters of their own. The names compared this way (action names, window
// classes, captions of the pen program, version-information values, INI
// sections and keys, file extensions) are ASCII where case matters.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "AnsiString.h"

namespace orvanta {

// Whether a byte begins a double-byte character in the code page of the text.
// On Windows the system's own test (IsDBCSLeadByte) is handed in.
using LeadByteTest = bool (*)(unsigned char byte);

// Code page 932 (Japanese Windows): lead bytes 0x81-0x9F and 0xE0-0xFC.
[[nodiscard]] constexpr bool IsCp932LeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
// UTF-8 and the single-byte code pages.
[[nodiscard]] constexpr bool NoLeadBytes(unsigned char) { return false; }

// Bytes taken by the character that begins at text[at]: two for a lead byte
// with a byte after it, else one (a lead byte cut off at the end stands alone).
[[nodiscard]] constexpr std::size_t CharSize(std::string_view text, std::size_t at, LeadByteTest isLead) {
  return at + 1 < text.size() && isLead(static_cast<unsigned char>(text[at])) ? 2 : 1;
}

// Where the single-byte character c stands last, never at the second byte of
// a double-byte character.
[[nodiscard]] constexpr std::size_t FindLastChar(std::string_view text, char c, LeadByteTest isLead) {
  std::size_t found = std::string_view::npos;
  for (std::size_t i = 0; i < text.size(); i += CharSize(text, i, isLead)) {
    if (text[i] == c) found = i;
  }
  return found;
}

[[nodiscard]] constexpr char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// The text with its ASCII letters upper-cased; double-byte characters stay.
[[nodiscard]] inline std::string UpperAscii(std::string_view text, LeadByteTest isLead) {
  std::string upper(text);
  for (std::size_t i = 0; i < upper.size(); i += CharSize(upper, i, isLead)) upper[i] = UpperAscii(upper[i]);
  return upper;
}

// Equal but for the case of ASCII letters standing as characters of their
// own; a double-byte character matches only itself.
[[nodiscard]] constexpr bool EqualsNoCase(std::string_view a, std::string_view b, LeadByteTest isLead) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size();) {
    const std::size_t n = CharSize(a, i, isLead);
    if (n == 2) {
      // Same lead byte, same size on both sides; the second bytes as they are.
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
    } else if (UpperAscii(a[i]) != UpperAscii(b[i])) {
      return false;
    }
    i += n;
  }
  return true;
}
[[nodiscard]] inline bool EqualsNoCase(const AnsiString& a, const AnsiString& b, LeadByteTest isLead) {
  return EqualsNoCase(a.bytes(), b.bytes(), isLead);
}

// The same for UTF-8 texts.
[[nodiscard]] constexpr bool EqualsNoCase(std::string_view a, std::string_view b) {
  return EqualsNoCase(a, b, NoLeadBytes);
}
[[nodiscard]] constexpr bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}
// The last characters of an ANSI text: the suffix counts only where a
// character of the text begins. Byte-wise, "...\ケenPlus.exe" (ケ is 83 50)
// would end in "PenPlus.exe".
[[nodiscard]] inline bool EndsWithNoCase(const AnsiString& text, const AnsiString& suffix, LeadByteTest isLead) {
  const std::string_view bytes = text.bytes();
  if (bytes.size() < suffix.size()) return false;
  const std::size_t start = bytes.size() - suffix.size();
  std::size_t at = 0;
  while (at < start) at += CharSize(bytes, at, isLead);
  return at == start && EqualsNoCase(bytes.substr(start), suffix.bytes(), isLead);
}

[[nodiscard]] constexpr bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
// A blank inside a line: space or tab.
[[nodiscard]] constexpr bool IsBlank(char c) { return c == ' ' || c == '\t'; }
[[nodiscard]] constexpr bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// A path's file name split at its last ".": the name without folder and
// extension, and the extension. Nothing when the path has no "\" or no ".",
// or when the last "." comes before the last "\" (a dot in a folder name, a
// file without extension).
struct FileNameParts {
  AnsiString stem;
  AnsiString extension;
};
[[nodiscard]] inline std::optional<FileNameParts> SplitFileName(const AnsiString& path, LeadByteTest isLead) {
  const std::string& bytes = path.bytes();
  const std::size_t slash = FindLastChar(bytes, '\\', isLead);
  const std::size_t dot = FindLastChar(bytes, '.', isLead);
  if (slash == std::string_view::npos || dot == std::string_view::npos || slash >= dot) return std::nullopt;
  return FileNameParts{AnsiString::FromBytes(bytes.substr(slash + 1, dot - slash - 1)),
                       AnsiString::FromBytes(bytes.substr(dot + 1))};
}

// folder + "\" + name, the backslash left out when the folder already ends
// with one (an empty folder gives "\" + name). Narrow paths here are UTF-8,
// where a last byte 0x5C is always a backslash.
template <typename Char>
[[nodiscard]] std::basic_string<Char> JoinPath(std::basic_string<Char> folder, std::basic_string_view<Char> name) {
  if (folder.empty() || folder.back() != Char('\\')) folder += Char('\\');
  folder += name;
  return folder;
}
[[nodiscard]] inline std::string JoinPath(std::string folder, std::string_view name) {
  return JoinPath<char>(std::move(folder), name);
}
[[nodiscard]] inline std::wstring JoinPath(std::wstring folder, std::wstring_view name) {
  return JoinPath<wchar_t>(std::move(folder), name);
}

}  // namespace orvanta
