#include "MemoryDevice.h"

#include <algorithm>

namespace panelsim {

namespace {

using orvanta::FtHandle;
using orvanta::FtStatus;

// Milliseconds: a second is far more than the chip holds bytes.
constexpr std::int64_t kTicksPerSecond = 1000;

}  // namespace

// Not value-initialised: InitBlock sets every field the device reads.
MemoryDevice::MemoryDevice() : b_(new Block) {
  InitBlock(*b_, now_, kTicksPerSecond);
  api.OpenEx = [this](const char* arg, std::uint32_t flags, FtHandle* handle) {
    std::uint64_t opened = 0;
    const FtStatus status = OpenEx(*b_, arg, flags, handle ? &opened : nullptr, Tick());
    if (status == kOk) *handle = static_cast<FtHandle>(opened);
    return status;
  };
  api.SetBaudRate = [this](FtHandle h, std::uint32_t baud) { return SetBaudRate(*b_, h, baud, Tick()); };
  api.SetDataCharacteristics = [this](FtHandle h, std::uint8_t w, std::uint8_t s, std::uint8_t p) {
    return SetDataCharacteristics(*b_, h, w, s, p, Tick());
  };
  api.Purge = [this](FtHandle h, std::uint32_t mask) { return Purge(*b_, h, mask, Tick()); };
  api.GetQueueStatus = [this](FtHandle h, std::uint32_t* n) { return GetQueueStatus(*b_, h, n, Tick()); };
  api.Read = [this](FtHandle h, void* buffer, std::uint32_t length, std::uint32_t* read) {
    return Read(*b_, h, buffer, length, read, Tick(), true, true);
  };
  api.Write = [this](FtHandle h, const void* buffer, std::uint32_t length, std::uint32_t* done) {
    return Write(*b_, h, buffer, length, done, Tick());
  };
  api.Close = [this](FtHandle h) { return Close(*b_, h, Tick()); };
}

void MemoryDevice::AddChipCalls() {
  api.SetChars = [this](FtHandle h, std::uint8_t c, std::uint8_t on, std::uint8_t error, std::uint8_t errorOn) {
    return SetChars(*b_, h, c, on, error, errorOn, Tick());
  };
  api.SetLatencyTimer = [this](FtHandle h, std::uint8_t ms) { return SetLatencyTimer(*b_, h, ms, Tick()); };
  api.SetEventNotification = [this](FtHandle h, std::uint32_t mask, void* event) {
    const FtStatus status = SetEventNotification(*b_, h, mask, event != nullptr, Tick());
    if (status == kOk) event_ = (mask & kEventRxChar) ? event : nullptr;
    return status;
  };
}

void MemoryDevice::Arrive(std::string_view bytes) {
  const std::int64_t now = Tick();
  if (Queue(*b_, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), now, 0, now) < 0) return;
  // The library's watcher sets the event for a live handle that registered it.
  const bool registered = b_->openHandle != 0 && (b_->notifyMask & kEventRxChar) != 0;
  if (registered && event_ && setEvent) setEvent(event_);
}

void MemoryDevice::Plug(bool plugged) { panelsim::Plug(*b_, plugged, Tick()); }

void MemoryDevice::FailNext(const char* call, std::uint32_t count, std::uint32_t status) {
  panelsim::FailNext(*b_, call, count, status);
}

std::string MemoryDevice::Pending() const {
  std::string out;
  for (std::uint64_t i = b_->rxHead; i < b_->rxTail; ++i) out += static_cast<char>(b_->rx[i % kRxCapacity].value);
  return out;
}

std::string MemoryDevice::Written() const {
  return std::string(reinterpret_cast<const char*>(b_->written), WrittenKept(*b_));
}

std::vector<std::string> MemoryDevice::Calls(bool withQueries) const {
  std::vector<std::string> out;
  const LogRange kept = KeptLog(*b_);
  for (std::uint64_t seq = kept.first; seq < kept.next; ++seq) {
    const LogEntry& e = LogAt(*b_, seq);
    const std::string name = std::string(e.name).substr(3);  // without "FT_"
    if (name == "GetQueueStatus" && !withQueries) continue;
    std::string text = name + (e.status == kInvalidHandle ? "(bad handle)" : "");
    if (name == "Purge" || name == "Read" || name == "SetChars" || name == "SetLatencyTimer" ||
        name == "SetEventNotification") {
      text += ":" + std::to_string(e.args[0]);
    }
    if (name == "SetChars" && e.args[1] == 0) text += " off";
    out.push_back(text);
  }
  return out;
}

int MemoryDevice::Count(std::string_view call) const {
  const auto calls = Calls(true);
  return static_cast<int>(
      std::count_if(calls.begin(), calls.end(), [&](const std::string& c) { return c.compare(0, call.size(), call) == 0; }));
}

const LogEntry* MemoryDevice::Last(std::string_view name) const {
  const LogRange kept = KeptLog(*b_);
  for (std::uint64_t seq = kept.next; seq > kept.first; --seq) {
    const LogEntry& e = LogAt(*b_, seq - 1);
    if (name == e.name) return &e;
  }
  return nullptr;
}

}  // namespace panelsim
