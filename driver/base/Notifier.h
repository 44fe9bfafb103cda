#pragma once
// Where action handlers report what they did: the notification window.
#include <cstdint>
#include <string>

namespace orvanta {

class Notifier {
public:
  virtual ~Notifier() = default;
  // text is UTF-8 and may hold CR LF line breaks. timeoutMs < 0: the
  // configured NotifyMsg time; 0: stays until the next SetText. style bit 0:
  // mesh on the backdrop, bit 1: frame round the text.
  virtual void SetText(const std::string& text, std::int32_t timeoutMs = -1, std::int32_t style = 1) = 0;
};

}  // namespace orvanta
