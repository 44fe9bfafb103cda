#pragma once
// Text in the system ANSI code page, kept as the bytes the formats fixed to
// that code page hold: the INI file and the panel data files (read and
// written through the ANSI profile functions), the button resource file, and
// the paths and version texts of registered programs, which the INI file
// keeps. Every other narrow text of the driver is UTF-8 in a std::string.
// The two never turn into each other on their own, so a UTF-8 text cannot
// land where ANSI bytes are expected, nor the other way round; the Windows
// shells convert at the edges (base/win/AnsiText.h).
//
// On a Japanese system the code page is 932, where a character may take two
// bytes and the second may be "\" or an ASCII letter: look inside with the
// character-aware rules of AsciiText.h, never byte by byte.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace orvanta {

[[nodiscard]] constexpr bool IsAscii(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

class AnsiString {
public:
  AnsiString() = default;
  // An ASCII literal ("Main", "PenPlus.exe"): the same bytes in UTF-8 and in
  // every ANSI code page. Any other literal of this code base is UTF-8 and
  // has no place here. All N - 1 bytes are taken, so "A\0B" keeps its NUL.
  template <std::size_t N>
  AnsiString(const char (&ascii)[N]) : bytes_(ascii, N - 1) {}  // NOLINT: implicit on purpose

  // Bytes that are ANSI text: read from a file of that code page, handed
  // back by an ANSI function, or made by a conversion.
  [[nodiscard]] static AnsiString FromBytes(std::string bytes) {
    AnsiString text;
    text.bytes_ = std::move(bytes);
    return text;
  }
  // Text made at run time of ASCII characters (a number, a name joined from
  // ASCII parts). A byte outside ASCII becomes "?", as a conversion gives
  // for a character the code page cannot spell.
  [[nodiscard]] static AnsiString FromAscii(std::string ascii) {
    for (char& c : ascii) {
      if (static_cast<unsigned char>(c) >= 0x80) c = '?';
    }
    return FromBytes(std::move(ascii));
  }

  // The bytes, for the formats and functions that take them as they are.
  [[nodiscard]] const std::string& bytes() const { return bytes_; }
  [[nodiscard]] bool empty() const { return bytes_.empty(); }
  // In bytes, which is what the ANSI functions count in.
  [[nodiscard]] std::size_t size() const { return bytes_.size(); }
  void clear() { bytes_.clear(); }

  AnsiString& operator+=(const AnsiString& more) {
    bytes_ += more.bytes_;
    return *this;
  }
  friend AnsiString operator+(AnsiString a, const AnsiString& b) { return a += b; }
  friend bool operator==(const AnsiString& a, const AnsiString& b) { return a.bytes_ == b.bytes_; }
  friend bool operator!=(const AnsiString& a, const AnsiString& b) { return a.bytes_ != b.bytes_; }
  friend bool operator<(const AnsiString& a, const AnsiString& b) { return a.bytes_ < b.bytes_; }

private:
  std::string bytes_;
};

// The text as UTF-8 when it is all ASCII (the same bytes in both), else
// nothing: the one conversion that needs no code page.
[[nodiscard]] inline std::optional<std::string> AsAscii(const AnsiString& text) {
  if (!IsAscii(text.bytes())) return std::nullopt;
  return text.bytes();
}

}  // namespace orvanta
