#include "ActionHandler.h"

#include "base/AsciiText.h"

namespace orvanta {

bool InActionList(const std::vector<std::string>& list, const std::string& name) {
  for (const auto& entry : list) {
    if (EqualsNoCase(entry, name)) return true;
  }
  return false;
}

}  // namespace orvanta
