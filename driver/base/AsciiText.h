#pragma once
// The driver's small text rules, in one place.
//
// Letter case: only the ASCII letters fold. The names compared this way
// (action names, window classes, captions of the pen program, version-
// information values, INI sections and keys, file extensions) are ASCII where
// case matters, and byte-wise folding leaves the double-byte characters of a
// code page 932 text as they are (their trail bytes are compared exactly by
// both sides alike).
#include <string>
#include <string_view>

namespace orvanta {

[[nodiscard]] constexpr char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

[[nodiscard]] constexpr bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  }
  return true;
}

[[nodiscard]] constexpr bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

[[nodiscard]] constexpr bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && EqualsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

[[nodiscard]] constexpr bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
// A blank inside a line: space or tab.
[[nodiscard]] constexpr bool IsBlank(char c) { return c == ' ' || c == '\t'; }
[[nodiscard]] constexpr bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// folder + "\" + name, the backslash left out when the folder already ends
// with one (an empty folder gives "\" + name).
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
