// Any byte stream, cut into reads any way, interleaved with poll ticks, block
// time-outs, unplugs, reopens and ticks that arrive while a line is handled.
// Each input is played three times: over a scripted byte queue, and over the
// real link with its read-ahead on the simulated device, once polled and once
// woken by the library's receive event.
// Checks: RxBuffer stays below the cap and the receiver is never left busy;
// between two reconnections the lines handed on are the stream's lines of
// that stretch that fit the cap, in order and none skipped (only the tail of
// a stretch may be missing: bytes still queued when the link went), and once
// the link has been drained nothing is missing at all; ticks while a line is
// handled take nothing; a report read from a line holds the numbers the line
// starts with.
#include <optional>
#include <string>

#include "../unit/Fakes.h"
#include "FuzzCheck.h"
#include "serial/ClassFNTD2XX.h"

using orvanta::ClassFNTD2XX;
using orvanta::Receiver;
using orvanta::ReceiverSource;
using orvanta::SerialSource;
using orvanta::testing::FakeD2xxDevice;
using orvanta::testing::FakeSignal;
using orvanta::testing::FakeTimer;
using orvanta::testing::ScriptedLink;

namespace {

// The receiver over the unit tests' byte queue: reads cut wherever the
// queue happens to stand, a device that vanishes at a count query.
class ScriptedRig {
public:
  ReceiverSource& Source() { return link_; }
  void Attach(Receiver& receiver) { receiver_ = &receiver; }
  // Nothing arrives while unplugged.
  [[nodiscard]] bool Plugged() const { return link_.open; }
  void Arrive(char c) { link_.queue += c; }
  void Poll() {
    if (link_.open && link_.InBufferCount() >= link_.rThreshold) receiver_->OnRx();
  }
  void Unplug() { link_.unplugAtCount = link_.countCalls + 1; }  // at the next count query
  // As the main form reconnects: the receiver emptied with the link closed,
  // an open that purges, byte mode.
  void Reconnect() {
    link_.open = false;
    receiver_->ProcessReceivedData();
    link_.queue.clear();
    link_.open = true;
    link_.unplugAtCount = 0;
    link_.SetMode(1, 1);
  }
  [[nodiscard]] bool Open() const { return link_.open; }

private:
  ScriptedLink link_;
  Receiver* receiver_ = nullptr;
};

// The receiver over the product's link and the simulated device in memory,
// reconnected the way the driver core does it.
class LinkRig {
public:
  explicit LinkRig(bool events) {
    if (events) {
      device_.AddChipCalls();
      link_.SetRxSignal(&signal_);
    }
    link_.SetTimerRxCheck(&rxTimer_);
    link_.FT_Open_Option = panelsim::kDescription;
    link_.FT_Open_By = static_cast<std::int32_t>(orvanta::kFtOpenByDescription);
    link_.Settings = "38400,0,8,2";
    link_.EventChar = '\n';
    link_.LatencyTimer = 2;
  }
  ReceiverSource& Source() { return source_; }
  void Attach(Receiver& receiver) {
    receiver_ = &receiver;
    link_.OnRx = [&receiver] { receiver.OnRx(); };
    receiver.Reset();
    link_.SetPortOpen(true);
    Check(link_.PortOpen());
  }
  [[nodiscard]] bool Plugged() const { return plugged_; }
  // With the receive event, the byte may be handled before this returns.
  void Arrive(char c) { device_.Arrive(std::string_view(&c, 1)); }
  // A poll tick, and the connection tick that an event-driven link reads on
  // besides its events.
  void Poll() {
    rxTimer_.Fire();
    link_.CheckDevice();
  }
  void Unplug() {
    device_.Plug(false);
    plugged_ = false;
  }
  void Reconnect() {
    link_.SetPortOpen(false);
    receiver_->Reset();
    device_.Plug(true);
    plugged_ = true;
    link_.SetPortOpen(true);
    Check(link_.PortOpen());
    link_.SetInBufferCount(0);
  }
  [[nodiscard]] bool Open() const { return plugged_ && link_.PortOpen(); }

private:
  FakeD2xxDevice device_;
  FakeSignal signal_;
  FakeTimer rxTimer_;
  ClassFNTD2XX link_{device_.Loader()};
  SerialSource source_{link_};
  Receiver* receiver_ = nullptr;
  bool plugged_ = true;
};

// What the device sent since the last reconnection and how far the lines
// handed on have come through it.
class Stretch {
public:
  void Add(char c) { stream_ += c; }
  void Restart() { cursor_ = stream_.size(); }

  // The line handed on must be the next line that fits the cap.
  void Handed(const std::string& line) {
    const auto next = NextFitting();
    Check(next && next->length == line.size() && stream_.compare(next->at, next->length, line) == 0);
    cursor_ = next->at + next->length;
  }
  // Nothing that fits the cap is left untaken.
  void CheckDrained() const { Check(!NextFitting()); }

private:
  struct Span {
    std::size_t at, length;
  };
  // The next whole line from the cursor on that fits the cap, past lines too
  // long for it.
  [[nodiscard]] std::optional<Span> NextFitting() const {
    for (std::size_t at = cursor_;;) {
      const std::size_t lf = stream_.find('\n', at);
      if (lf == std::string::npos) return std::nullopt;
      const std::size_t length = lf + 1 - at;
      if (length <= Receiver::kRxBufferCap) return Span{at, length};
      at = lf + 1;
    }
  }

  std::string stream_;
  std::size_t cursor_ = 0;
};

template <typename Rig>
void Play(Rig& rig, const std::uint8_t* data, std::size_t size) {
  FakeTimer blockTimer;
  Stretch stretch;
  bool nestTicks = false;
  int handed = 0;

  Receiver* self = nullptr;
  Receiver receiver(rig.Source(), blockTimer, [&](const std::string& line) {
    Check(self->Busy());
    Check(!line.empty() && line.back() == '\n' && line.find('\n') == line.size() - 1);
    stretch.Handed(line);
    ++handed;
    if (const auto point = orvanta::ParseReportLine(line)) {
      Check(point->dX == std::stoi(line.substr(0, 4)) && point->dY == std::stoi(line.substr(4, 4)) &&
            point->dS == line[8]);
    }
    if (nestTicks) {
      const std::string held = self->RxBuffer();
      const int before = handed;
      rig.Poll();
      blockTimer.Fire();
      Check(self->RxBuffer() == held && handed == before);
    }
  });
  self = &receiver;
  rig.Attach(receiver);

  for (std::size_t i = 0; i < size;) {
    const std::uint8_t op = data[i++];
    switch (op & 7) {
      case 0:
      case 1:
      case 2:
      case 3: {
        // Bytes arrive: up to 32 of the following input bytes.
        const std::size_t n = std::min<std::size_t>((op >> 3) + 1, size - i);
        for (std::size_t k = 0; k < n && rig.Plugged(); ++k) {
          stretch.Add(static_cast<char>(data[i + k]));
          rig.Arrive(static_cast<char>(data[i + k]));
        }
        i += n;
        break;
      }
      case 4: rig.Poll(); break;
      case 5: blockTimer.Fire(); break;
      case 6:
        rig.Reconnect();
        stretch.Restart();
        break;
      case 7:
        if (op & 8) {
          rig.Unplug();
        } else {
          nestTicks = !nestTicks;
        }
        break;
    }
    Check(receiver.RxBuffer().size() < Receiver::kRxBufferCap);
    Check(receiver.RxBuffer().find('\n') == std::string::npos);
    Check(!receiver.Busy());
  }
  // Drain as the poll tick and the block time-out would, until a few rounds
  // in a row hand nothing more on.
  nestTicks = false;
  for (int quiet = 0, round = 0; quiet < 3 && round < 10000; ++round) {
    const int before = handed;
    rig.Poll();
    blockTimer.Fire();
    rig.Poll();
    quiet = handed == before ? quiet + 1 : 0;
  }
  Check(receiver.RxBuffer().size() < Receiver::kRxBufferCap);
  if (rig.Open()) stretch.CheckDrained();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  {
    ScriptedRig rig;
    Play(rig, data, size);
  }
  for (const bool events : {false, true}) {
    LinkRig rig(events);
    Play(rig, data, size);
  }
  return 0;
}
