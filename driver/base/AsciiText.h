#pragma once
// Letter-case rules of the driver's comparisons. Only the ASCII letters fold:
// the names compared this way (action names, window classes, captions of the
// pen program, version-information values) are ASCII where case matters, and
// byte-wise folding leaves the double-byte characters of a code page 932 text
// as they are (their trail bytes are compared exactly by both sides alike).
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

}  // namespace orvanta
