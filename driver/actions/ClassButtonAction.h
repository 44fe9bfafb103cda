#pragma once
// The action dispatcher: picks the element of a button's action text that
// belongs to the kind of click ("&" separates click and double-click actions),
// splits off the group before the first "." and hands the rest to the group's
// handler. Owns one handler per group; a group whose handler is not available
// (no factory given) is not routed and returns false.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ActionHandler.h"
#include "base/AnsiString.h"

namespace orvanta {

// Element index of an action text split at every "&"; an empty text has no
// elements. Returns false when there is no such element.
[[nodiscard]] bool ActionElement(const AnsiString& actionText, int index, AnsiString& element);

class ClassButtonAction {
public:
  using Factory = std::function<std::unique_ptr<ActionHandler>()>;
  struct Factories {
    Factory penPlus;  // group "PenPlus"
    Factory tpdrv;    // group "Tpdrv"
    Factory camera;   // group "Camera"
  };
  explicit ClassButtonAction(Factories factories);

  // actionText as the panel data holds it; actIndex 0: click, 1: double-click.
  bool Action(const AnsiString& actionText, int actIndex);

private:
  ActionHandler* Handler(std::unique_ptr<ActionHandler>& slot, const Factory& factory);

  Factories factories_;
  std::unique_ptr<ActionHandler> penPlus_;
  std::unique_ptr<ActionHandler> tpdrv_;
  std::unique_ptr<ActionHandler> camera_;
};

}  // namespace orvanta
