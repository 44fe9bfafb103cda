#include "TouchEvent.h"

#include <algorithm>

namespace orvanta {

TouchEvent::Token TouchEvent::Subscribe(Handler handler) {
  const Token token = next_++;
  entries_.push_back(Entry{token, std::move(handler), false});
  return token;
}

void TouchEvent::Unsubscribe(Token token) {
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (it->token != token) continue;
    // While a raise walks the list, erasing would shift the entries under
    // it; the entry is only marked and swept when the outermost raise ends.
    if (raising_ > 0) {
      it->removed = true;
    } else {
      entries_.erase(it);
    }
    return;
  }
}

bool TouchEvent::Raise(const TouchPoint& point) {
  bool cancel = false;
  ++raising_;
  // Subscribers added by a handler land past this count and wait for the
  // next raise.
  const std::size_t count = entries_.size();
  for (std::size_t i = 0; i < count; ++i) {
    if (entries_[i].removed) continue;
    // A handler may subscribe, which can reallocate the list; call a copy so
    // the function object being run is never moved from under itself.
    const Handler handler = entries_[i].handler;
    if (handler) handler(point, cancel);
  }
  if (--raising_ == 0) {
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(), [](const Entry& e) { return e.removed; }),
                   entries_.end());
  }
  return cancel;
}

std::size_t TouchEvent::SubscriberCount() const {
  return static_cast<std::size_t>(
      std::count_if(entries_.begin(), entries_.end(), [](const Entry& e) { return !e.removed; }));
}

}  // namespace orvanta
