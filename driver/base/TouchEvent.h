#pragma once
// The main form's event OnRecvTouchPoint: every subscriber gets each touch
// report in turn with the same by-reference Cancel. Subscribing and
// unsubscribing are safe while the event is being raised: a subscriber added
// during a raise is first called on the next raise, one removed during a raise
// is not called again (not even later in the same raise).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orvanta {

struct TouchPoint {
  std::int32_t dX = 0;
  std::int32_t dY = 0;
  char dS = 0;  // touch state: 'B' starts a touch, 'N' ends it; others passed on
};

class TouchEvent {
public:
  using Handler = std::function<void(const TouchPoint& point, bool& cancel)>;
  using Token = std::uint64_t;

  Token Subscribe(Handler handler);
  void Unsubscribe(Token token);
  // Raises the event; returns the final Cancel.
  bool Raise(const TouchPoint& point);
  [[nodiscard]] std::size_t SubscriberCount() const;

private:
  struct Entry {
    Token token;
    Handler handler;
    bool removed;
  };
  std::vector<Entry> entries_;
  Token next_ = 1;
  int raising_ = 0;
};

}  // namespace orvanta
