#pragma once
// The interface of the action handlers of the three groups.
#include <string>
#include <vector>

namespace orvanta {

class ActionHandler {
public:
  virtual ~ActionHandler() = default;
  // The handler's action names, fixed when it is created.
  [[nodiscard]] virtual const std::vector<std::string>& ActionList() const = 0;
  // True when actName is in ActionList ignoring letter case; what is done is
  // chosen by exact comparison, so a name that matches only when case is
  // ignored returns true and does nothing of its own.
  virtual bool Action(const std::string& actName) = 0;
};

// True when name equals an entry of list, ignoring ASCII letter case.
[[nodiscard]] bool InActionList(const std::vector<std::string>& list, const std::string& name);

}  // namespace orvanta
