#pragma once
// The panel link as the touch report receiver sees it, over the bytes that
// have arrived: read as the driver's link reads its library (InputLen bytes
// when that many wait, else nothing; InputLen 0 or less takes all), in the
// mode the receiver sets. The unit tests script it; the receiver's benchmark
// streams reports through it. Portable.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/Receiver.h"

namespace panelsim {

class QueueLink : public orvanta::ReceiverSource {
public:
  std::string queue;
  std::int32_t rThreshold = 1;
  std::int32_t inputLen = 1;

  bool IsOpen() override { return true; }
  std::int32_t InBufferCount() override { return static_cast<std::int32_t>(queue.size()); }
  std::string ReadStrData() override {
    const auto wanted = static_cast<std::size_t>(inputLen);
    const std::size_t n = inputLen <= 0 ? queue.size() : queue.size() >= wanted ? wanted : 0;
    std::string out = queue.substr(0, n);
    queue.erase(0, n);
    return out;
  }
  std::int32_t RThreshold() override { return rThreshold; }
  void SetMode(std::int32_t threshold, std::int32_t length) override {
    rThreshold = threshold;
    inputLen = length;
  }
};

}  // namespace panelsim
