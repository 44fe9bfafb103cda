#include "LenientNumber.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "AsciiText.h"

namespace orvanta {

double ReadLeadingNumber(std::string_view text) {
  // Blanks are ignored wherever they stand, so "1 2.5" reads as 12.5.
  std::string compact;
  compact.reserve(text.size());
  for (char c : text) {
    if (!IsBlank(c) && !IsLineEnd(c)) compact.push_back(c);
  }

  // Longest prefix of the form [sign] digits [. digits] [e [sign] digits].
  std::size_t i = 0;
  const std::size_t n = compact.size();
  if (i < n && (compact[i] == '+' || compact[i] == '-')) ++i;
  const std::size_t mantissaStart = i;
  while (i < n && IsAsciiDigit(compact[i])) ++i;
  bool digits = i > mantissaStart;
  if (i < n && compact[i] == '.') {
    std::size_t j = i + 1;
    while (j < n && IsAsciiDigit(compact[j])) ++j;
    if (j > i + 1 || digits) {
      digits = digits || j > i + 1;
      i = j;
    }
  }
  if (!digits) return 0.0;
  if (i < n && (compact[i] == 'e' || compact[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < n && (compact[j] == '+' || compact[j] == '-')) ++j;
    const std::size_t expStart = j;
    while (j < n && IsAsciiDigit(compact[j])) ++j;
    if (j > expStart) i = j;
  }
  // strtod reads exactly this prefix; it is locale-free for the "C" locale
  // that the programs keep.
  const std::string number = compact.substr(0, i);
  const double value = std::strtod(number.c_str(), nullptr);
  return std::isfinite(value) ? value : (value > 0 ? std::numeric_limits<double>::max()
                                                   : std::numeric_limits<double>::lowest());
}

std::int32_t ReadLenientInt(std::string_view text) {
  const double value = ReadLeadingNumber(text);
  constexpr double lo = std::numeric_limits<std::int32_t>::min();
  constexpr double hi = std::numeric_limits<std::int32_t>::max();
  if (value <= lo) return std::numeric_limits<std::int32_t>::min();
  if (value >= hi) return std::numeric_limits<std::int32_t>::max();
  // nearbyint rounds halves to even in the default rounding mode.
  return static_cast<std::int32_t>(std::nearbyint(value));
}

}  // namespace orvanta
