// What one touch report costs the receiver: in block mode on a steady stream
// (the normal case, one read per report), and when every report has to be
// found again byte by byte (a stream of changing report lengths).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <string>

#include "core/Receiver.h"
#include "fntd2xx/QueueLink.h"

namespace {

using orvanta::Receiver;

// The link's queue, refilled from a repeating script.
class LoopLink : public panelsim::QueueLink {
public:
  explicit LoopLink(std::string script) : script_(std::move(script)) {}
  void Feed(std::size_t reports, std::size_t reportLength) {
    for (std::size_t i = 0; i < reports * reportLength; ++i) {
      queue += script_[pos_];
      pos_ = (pos_ + 1) % script_.size();
    }
  }

private:
  std::string script_;
  std::size_t pos_ = 0;
};

class IdleTimer : public orvanta::UiTimer {
public:
  void SetInterval(std::uint32_t ms) override { interval_ = ms; }
  std::uint32_t Interval() const override { return interval_; }
  void SetEnabled(bool on) override { enabled_ = on; }
  bool Enabled() const override { return enabled_; }
  void SetHandler(std::function<void()>) override {}

private:
  std::uint32_t interval_ = 0;
  bool enabled_ = false;
};

void Run(benchmark::State& state, const std::string& script, std::size_t reportLength) {
  LoopLink link(script);
  IdleTimer timer;
  std::int64_t events = 0;
  Receiver receiver(link, timer, [&](const std::string& line) {
    if (orvanta::ParseReportLine(line)) ++events;
  });
  for (auto _ : state) {
    // One report per poll tick, as a panel streaming a moving touch delivers.
    link.Feed(1, reportLength);
    receiver.OnRx();
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["events"] = benchmark::Counter(static_cast<double>(events));
}

void BM_BlockModeSteadyStream(benchmark::State& state) { Run(state, "01230456B\r\n", 11); }

// 11- and 10-byte reports in turn: every block straddles two reports, so the
// receiver drops to byte mode for each one.
void BM_ByteModeResync(benchmark::State& state) {
  const std::string script = "01230456B\r\n" "06540321B\n";
  LoopLink link(script);
  IdleTimer timer;
  Receiver receiver(link, timer, [](const std::string& line) { benchmark::DoNotOptimize(line.data()); });
  for (auto _ : state) {
    link.Feed(1, script.size());  // both reports, 21 bytes
    receiver.OnRx();
  }
  state.SetItemsProcessed(state.iterations() * 2);
}

BENCHMARK(BM_BlockModeSteadyStream);
BENCHMARK(BM_ByteModeResync);

}  // namespace

BENCHMARK_MAIN();
