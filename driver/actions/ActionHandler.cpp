#include "ActionHandler.h"

namespace orvanta {

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

}  // namespace

bool InActionList(const std::vector<std::string>& list, const std::string& name) {
  for (const auto& entry : list) {
    if (EqualNoCase(entry, name)) return true;
  }
  return false;
}

}  // namespace orvanta
