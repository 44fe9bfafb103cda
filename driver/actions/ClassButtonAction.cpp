#include "ClassButtonAction.h"

#include <optional>

namespace orvanta {

bool ActionElement(const AnsiString& actionTextAnsi, int index, AnsiString& element) {
  // "&" lies below every second byte of a double-byte character, so the
  // bytes split as they are.
  const std::string& actionText = actionTextAnsi.bytes();
  if (index < 0 || actionText.empty()) return false;
  std::string::size_type start = 0;
  for (int i = 0; i < index; ++i) {
    const auto amp = actionText.find('&', start);
    if (amp == std::string::npos) return false;
    start = amp + 1;
  }
  const auto amp = actionText.find('&', start);
  element = AnsiString::FromBytes(actionText.substr(start, amp == std::string::npos ? std::string::npos : amp - start));
  return true;
}

ClassButtonAction::ClassButtonAction(Factories factories) : factories_(std::move(factories)) {
  // Handlers keep state (the camera process, the pen program's version), so
  // they are built once, up front, and live as long as the dispatcher.
  (void)Handler(penPlus_, factories_.penPlus);
  (void)Handler(tpdrv_, factories_.tpdrv);
  (void)Handler(camera_, factories_.camera);
}

ActionHandler* ClassButtonAction::Handler(std::unique_ptr<ActionHandler>& slot, const Factory& factory) {
  if (!slot && factory) slot = factory();
  return slot.get();
}

bool ClassButtonAction::Action(const AnsiString& actionText, int actIndex) {
  AnsiString element;
  if (!ActionElement(actionText, actIndex, element)) return false;
  // Group and action names are ASCII, the same bytes in UTF-8: a name with
  // any other character is in no handler's list.
  const std::optional<std::string> item = AsAscii(element);
  if (!item) return false;
  const auto dot = item->find('.');
  if (dot == std::string::npos) return false;
  const std::string group = item->substr(0, dot);
  // Everything after the first full stop is the handler's own name, which
  // may hold further full stops (Btn.Pen1).
  const std::string rest = item->substr(dot + 1);

  ActionHandler* handler = nullptr;
  if (group == "PenPlus") {
    handler = Handler(penPlus_, factories_.penPlus);
  } else if (group == "Tpdrv") {
    handler = Handler(tpdrv_, factories_.tpdrv);
  } else if (group == "Camera") {
    handler = Handler(camera_, factories_.camera);
  }
  return handler != nullptr && handler->Action(rest);
}

}  // namespace orvanta
