#pragma once
// A notification window for tests of the action handlers: keeps every text
// with its time-out and style, in order.
#include <cstdint>
#include <string>
#include <vector>

#include "base/Notifier.h"

namespace harness {

class RecordingNotifier : public orvanta::Notifier {
public:
  void SetText(const std::string& text, std::int32_t timeoutMs, std::int32_t style) override {
    texts.push_back(text);
    timeouts.push_back(timeoutMs);
    styles.push_back(style);
  }
  std::vector<std::string> texts;
  std::vector<std::int32_t> timeouts;
  std::vector<std::int32_t> styles;
};

}  // namespace harness
