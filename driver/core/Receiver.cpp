#include "Receiver.h"

#include "base/AsciiText.h"
#include "serial/ClassFNTD2XX.h"

namespace orvanta {

namespace {

constexpr std::size_t kReportDigits = 8;

std::int32_t FourDigits(std::string_view text) {
  std::int32_t value = 0;
  for (char c : text) value = value * 10 + (c - '0');
  return value;
}

}  // namespace

std::optional<TouchPoint> ParseReportLine(std::string_view line) {
  // The panel's firmware puts four digits of X, four of Y and the state
  // first; whatever follows the state (CR, firmware padding) is noise.
  if (line.size() <= kReportDigits) return std::nullopt;
  for (std::size_t i = 0; i < kReportDigits; ++i) {
    if (!IsAsciiDigit(line[i])) return std::nullopt;
  }
  // A ninth digit means the line is not a report of this shape at all.
  if (IsAsciiDigit(line[kReportDigits])) return std::nullopt;
  TouchPoint point;
  point.dX = FourDigits(line.substr(0, 4));
  point.dY = FourDigits(line.substr(4, 4));
  point.dS = line[kReportDigits];
  return point;
}

bool SerialSource::IsOpen() { return link_.PortOpen(); }
std::int32_t SerialSource::InBufferCount() { return link_.InBufferCount(); }
std::string SerialSource::ReadStrData() { return link_.ReadStrData(); }
std::int32_t SerialSource::RThreshold() { return link_.RThreshold; }

void SerialSource::SetMode(std::int32_t rThreshold, std::int32_t inputLen) {
  link_.RThreshold = rThreshold;
  link_.InputLen = inputLen;
}

Receiver::Receiver(ReceiverSource& link, UiTimer& blockTimer, std::function<void(const std::string& line)> onLine)
    : link_(link), blockTimer_(blockTimer), onLine_(std::move(onLine)) {
  blockTimer_.SetHandler([this] { OnBlockTimeout(); });
}

void Receiver::OnRx() {
  // A report's handlers may pump messages; the poll tick then lands here and
  // must not read, or reports would be handled out of order and nested.
  if (busy_) return;
  // Both values are read anew on every pass: a pass switches modes, and a
  // device lost inside InBufferCount closes the link, which then reports 0.
  while (link_.RThreshold() > 0 && link_.InBufferCount() >= link_.RThreshold()) {
    const std::uint64_t before = bytesTaken_;
    ProcessReceivedData();
    // A link that reports bytes but yields none would spin here for ever;
    // the next poll tick tries again.
    if (bytesTaken_ == before || !link_.IsOpen()) break;
  }
}

void Receiver::OnBlockTimeout() {
  // The timer keeps running while busy and ticks again afterwards.
  if (busy_) return;
  if (link_.RThreshold() > 0) {
    ProcessReceivedData();
    link_.SetMode(1, 1);
    blockTimer_.SetEnabled(false);
  }
}

void Receiver::ProcessReceivedData() {
  if (!link_.IsOpen()) {
    // A new connection must not glue its first bytes onto a half line of
    // the old one.
    rxBuffer_.clear();
    discarding_ = false;
    return;
  }
  if (link_.InBufferCount() <= 0) return;

  if (link_.RThreshold() > 1) {
    // Block mode: the link reads InputLen bytes, or nothing if fewer wait.
    AppendCapped(link_.ReadStrData());
    if (rxBuffer_.empty() || rxBuffer_.back() != '\n') link_.SetMode(1, 1);
    for (auto lf = rxBuffer_.find('\n'); lf != std::string::npos; lf = rxBuffer_.find('\n')) {
      const std::string line = rxBuffer_.substr(0, lf + 1);
      rxBuffer_.erase(0, lf + 1);
      HandleLine(line);
    }
    blockTimer_.Restart(kBlockTimeoutMs);
    return;
  }

  // Byte mode: one byte per pass until a line feed shows where lines end.
  AppendCapped(link_.ReadStrData());
  if (rxBuffer_.empty() || rxBuffer_.back() != '\n') return;
  if (rxBuffer_.size() > 1) {
    const auto length = static_cast<std::int32_t>(rxBuffer_.size());
    link_.SetMode(length, length);
    blockTimer_.Restart(kBlockTimeoutMs);
  }
  const std::string line = std::move(rxBuffer_);
  rxBuffer_.clear();
  HandleLine(line);
}

void Receiver::Reset() {
  rxBuffer_.clear();
  discarding_ = false;
  link_.SetMode(1, 1);
}

void Receiver::HandleLine(const std::string& line) {
  // Cleared on every way out: a handler that throws would otherwise leave
  // the receiver busy, and every later report would be ignored.
  struct Busy {
    explicit Busy(bool& flag) : flag_(flag) { flag_ = true; }
    ~Busy() { flag_ = false; }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;
    bool& flag_;
  } busy(busy_);
  if (onLine_) onLine_(line);
}

void Receiver::AppendCapped(const std::string& bytes) {
  bytesTaken_ += bytes.size();
  // Length of the line still open at the end of the buffer.
  const auto lastLf = rxBuffer_.rfind('\n');
  std::size_t open = lastLf == std::string::npos ? rxBuffer_.size() : rxBuffer_.size() - lastLf - 1;
  for (char c : bytes) {
    if (discarding_) {
      if (c == '\n') discarding_ = false;
      continue;
    }
    rxBuffer_.push_back(c);
    if (c == '\n') {
      open = 0;
      continue;
    }
    if (++open < kRxBufferCap) continue;
    // No report is this long: drop the line whole and find the next line
    // feed byte by byte.
    rxBuffer_.resize(rxBuffer_.size() - open);
    open = 0;
    discarding_ = true;
    link_.SetMode(1, 1);
  }
}

}  // namespace orvanta
