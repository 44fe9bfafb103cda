// Any byte stream, cut into reads any way, interleaved with poll ticks, block
// time-outs, unplugs, reopens and ticks that arrive while a line is handled.
// Checks: RxBuffer stays below the cap; every line handed on is a true line
// of the stream (starting where a line may start, ending at its line feed);
// a report read from a line holds the numbers the line starts with.
#include <set>

#include "../unit/Fakes.h"
#include "FuzzCheck.h"

using orvanta::Receiver;
using orvanta::testing::FakeTimer;
using orvanta::testing::ScriptedLink;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ScriptedLink link;
  FakeTimer timer;
  std::string stream;                 // every byte the device ever sent
  std::set<std::size_t> lineStarts{0};  // where a line may start in it
  std::size_t nextSearch = 0;
  bool nestTicks = false;
  std::size_t i = 0;

  Receiver* self = nullptr;
  Receiver receiver(link, timer, [&](const std::string& line) {
    Check(self->Busy());
    Check(!line.empty() && line.back() == '\n' && line.find('\n') == line.size() - 1);
    Check(line.size() <= Receiver::kRxBufferCap);
    // The next line start at or after the previous line that holds this
    // line. Lines dropped whole (too long) or lost with a reconnect are
    // skipped, so the first textual match is not enough: the same text may
    // stand inside a dropped line.
    std::size_t at = std::string::npos;
    for (auto it = lineStarts.lower_bound(nextSearch); it != lineStarts.end(); ++it) {
      if (stream.compare(*it, line.size(), line) == 0) {
        at = *it;
        break;
      }
    }
    Check(at != std::string::npos);
    nextSearch = at + line.size();

    if (const auto point = orvanta::ParseReportLine(line)) {
      Check(point->dX == std::stoi(line.substr(0, 4)) && point->dY == std::stoi(line.substr(4, 4)) &&
            point->dS == line[8]);
    }
    if (nestTicks) {
      const std::size_t waiting = link.queue.size();
      self->OnRx();
      self->OnBlockTimeout();
      Check(link.queue.size() == waiting);
    }
  });
  self = &receiver;

  const auto poll = [&] {
    if (link.open && link.InBufferCount() >= link.rThreshold) receiver.OnRx();
  };

  while (i < size) {
    const std::uint8_t op = data[i++];
    switch (op & 7) {
      case 0:
      case 1:
      case 2:
      case 3: {
        // Bytes arrive: up to 32 of the following input bytes.
        const std::size_t n = std::min<std::size_t>((op >> 3) + 1, size - i);
        for (std::size_t k = 0; k < n; ++k) {
          const char c = static_cast<char>(data[i + k]);
          if (!link.open) break;  // nothing arrives while unplugged
          link.queue += c;
          stream += c;
          if (c == '\n') lineStarts.insert(stream.size());
        }
        i += n;
        break;
      }
      case 4: poll(); break;
      case 5: timer.Fire(); break;
      case 6:
        // Reconnect as the main form does: empty the receiver with the link
        // closed, open (which purges), back to byte mode.
        link.open = false;
        receiver.ProcessReceivedData();
        link.queue.clear();
        link.open = true;
        link.unplugAtCount = 0;
        link.SetMode(1, 1);
        lineStarts.insert(stream.size());
        nextSearch = stream.size();
        break;
      case 7:
        if (op & 8) {
          link.unplugAtCount = link.countCalls + 1;  // at the next count query
        } else {
          nestTicks = !nestTicks;
        }
        break;
    }
    Check(receiver.RxBuffer().size() < Receiver::kRxBufferCap);
    Check(receiver.RxBuffer().find('\n') == std::string::npos);
    Check(!receiver.Busy());
  }
  // Drain what is left as the poll tick and time-out would.
  for (int round = 0; round < 4 && link.open; ++round) {
    poll();
    timer.Fire();
    poll();
  }
  Check(receiver.RxBuffer().size() < Receiver::kRxBufferCap);
  return 0;
}
