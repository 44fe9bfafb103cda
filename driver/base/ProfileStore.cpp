#include "ProfileStore.h"

#include "AsciiText.h"

namespace orvanta {

AnsiString ProfileValueAsRead(std::string_view value) {
  // Blanks, tabs and quotes lie below every second byte of a double-byte
  // character, so they are found byte by byte.
  while (!value.empty() && IsBlank(value.front())) value.remove_prefix(1);
  while (!value.empty() && IsBlank(value.back())) value.remove_suffix(1);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    value.remove_prefix(1);
    value.remove_suffix(1);
  }
  return AnsiString::FromBytes(std::string(value.substr(0, kProfileValueMax)));
}

}  // namespace orvanta
