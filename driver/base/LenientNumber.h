#pragma once
// Lenient reading of numbers from INI values and data files.
//
// Blanks, tabs, carriage returns and line feeds are ignored wherever they
// stand; the longest leading decimal number (optional sign, digits, optional
// fraction and exponent) is taken and the rest ignored; a text without a
// leading number reads as 0. The value is then taken to the nearest whole
// number, a half going to the even neighbour, and clamped to the 32-bit range
// (a value such as 1e30 would otherwise overflow).
#include <cstdint>
#include <string_view>

#include "AnsiString.h"

namespace orvanta {

[[nodiscard]] double ReadLeadingNumber(std::string_view text);
[[nodiscard]] std::int32_t ReadLenientInt(std::string_view text);
// A number is read from the start of the text, so a double-byte character
// ends it at its lead byte, before a second byte could pass for a character.
[[nodiscard]] inline std::int32_t ReadLenientInt(const AnsiString& text) { return ReadLenientInt(text.bytes()); }

}  // namespace orvanta
