#pragma once
// The touch report receiver: turns bytes from the serial link into report
// lines. It reads byte by byte until it has seen one line end, then asks the
// link to report only when a whole line's worth is waiting and reads that
// many at once (block mode); a block that does not end with a line feed sends
// it back to byte mode to find the boundary again. A 200 ms block time-out
// consumes an incomplete report that is not followed by more data.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/TouchEvent.h"
#include "base/UiTimer.h"

namespace orvanta {

class ClassFNTD2XX;

// A report line is valid when its first eight characters are decimal digits
// and its ninth is not a digit (the line is examined with its line end, so
// eight digits and a line feed give the state '\n').
[[nodiscard]] std::optional<TouchPoint> ParseReportLine(std::string_view line);

// What the receiver needs of the link (ClassFNTD2XX provides it).
class ReceiverSource {
public:
  virtual ~ReceiverSource() = default;
  [[nodiscard]] virtual bool IsOpen() = 0;
  [[nodiscard]] virtual std::int32_t InBufferCount() = 0;
  [[nodiscard]] virtual std::string ReadStrData() = 0;
  [[nodiscard]] virtual std::int32_t RThreshold() = 0;
  virtual void SetMode(std::int32_t rThreshold, std::int32_t inputLen) = 0;  // both values
};

// Adapts ClassFNTD2XX to ReceiverSource.
class SerialSource : public ReceiverSource {
public:
  explicit SerialSource(ClassFNTD2XX& link) : link_(link) {}
  bool IsOpen() override;
  std::int32_t InBufferCount() override;
  std::string ReadStrData() override;
  std::int32_t RThreshold() override;
  void SetMode(std::int32_t rThreshold, std::int32_t inputLen) override;

private:
  ClassFNTD2XX& link_;
};

class Receiver {
public:
  // Longest line, line feed included, that the receiver keeps; a stream
  // without line feeds would otherwise grow memory without bound. A report
  // line is 11 bytes. A longer line is dropped whole, up to and including its
  // line feed (its tail could otherwise pass for a report), and the receiver
  // goes back to byte mode, so it resynchronises at the next line feed. Between
  // calls RxBuffer holds less than this; block reads are never longer.
  static constexpr std::size_t kRxBufferCap = 256;
  static constexpr std::uint32_t kBlockTimeoutMs = 200;

  // onLine runs for every complete line, in order of arrival, with the busy
  // flag set; the owner parses it and raises its touch event. What onLine
  // throws ends the receive step and reaches the caller, the receiver no
  // longer busy; the lines after it stay in RxBuffer for the next step.
  Receiver(ReceiverSource& link, UiTimer& blockTimer, std::function<void(const std::string& line)> onLine);

  // Handler of the link's OnRx.
  void OnRx();
  // Handler of the block time-out.
  void OnBlockTimeout();
  // One receive step; with the link closed it only empties the buffer.
  void ProcessReceivedData();
  // For a new connection: the buffer emptied and the link in byte mode. The
  // receiver is the one that sets the link's mode (RThreshold, InputLen).
  void Reset();

  [[nodiscard]] bool Busy() const { return busy_; }
  [[nodiscard]] const std::string& RxBuffer() const { return rxBuffer_; }

private:
  void HandleLine(const std::string& line);
  void AppendCapped(const std::string& bytes);

  ReceiverSource& link_;
  UiTimer& blockTimer_;
  std::function<void(const std::string&)> onLine_;
  std::string rxBuffer_;
  bool busy_ = false;
  bool discarding_ = false;      // inside an over-long line, waiting for its line feed
  std::uint64_t bytesTaken_ = 0;  // bytes read from the link, to see whether a pass made progress
};

}  // namespace orvanta
