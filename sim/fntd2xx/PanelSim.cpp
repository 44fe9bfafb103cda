#include "PanelSim.h"

#include <atomic>
#include <cstdio>

namespace panelsim {

PanelSim::PanelSim(const std::wstring& name) : map_(std::make_unique<Mapping>()) {
  if (!map_->Open(name)) map_.reset();
}

PanelSim::~PanelSim() = default;

std::wstring PanelSim::UniqueName(std::wstring_view prefix) {
  static std::atomic<unsigned> counter{0};
  return std::wstring(prefix) + L"." + std::to_wstring(::GetCurrentProcessId()) + L"." +
         std::to_wstring(++counter);
}

void PanelSim::Export() const {
  if (map_) ::SetEnvironmentVariableW(kNameVariable, map_->Name().c_str());
}

bool PanelSim::Valid() const { return map_ != nullptr; }

const std::wstring& PanelSim::Name() const {
  static const std::wstring none;
  return map_ ? map_->Name() : none;
}

void PanelSim::Plug(bool plugged) {
  if (!map_) return;
  Mapping::Lock b(*map_);
  panelsim::Plug(*b, plugged, QpcNow());
  map_->Nudge();
}

bool PanelSim::Plugged() const {
  if (!map_) return false;
  Mapping::Lock b(*map_);
  return b->plugged != 0;
}

bool PanelSim::IsOpen() const {
  if (!map_) return false;
  Mapping::Lock b(*map_);
  return b->openHandle != 0;
}

std::int64_t PanelSim::Now() { return QpcNow(); }
std::int64_t PanelSim::Frequency() { return QpcFrequency(); }
std::int64_t PanelSim::ByteTicks() { return panelsim::ByteTicks(); }

std::int64_t PanelSim::MsToTicks(double ms) { return static_cast<std::int64_t>(ms * QpcFrequency() / 1000.0); }

double PanelSim::TicksToMs(std::int64_t ticks) { return static_cast<double>(ticks) * 1000.0 / QpcFrequency(); }

std::int64_t PanelSim::QueueBytes(std::string_view bytes, std::int64_t dueQpc, bool lineRate) {
  if (!map_) return -1;
  Mapping::Lock b(*map_);
  const std::int64_t last = Queue(*b, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), dueQpc,
                                  lineRate ? panelsim::ByteTicks() : 0, QpcNow());
  map_->Nudge();
  return last;
}

std::string PanelSim::ReportText(int x, int y, char state) {
  char text[32];
  std::snprintf(text, sizeof(text), "%04d%04d%c\r\n", x, y, state);
  return text;
}

std::int64_t PanelSim::QueueReport(int x, int y, char state, std::int64_t atQpc, bool lineRate) {
  return QueueBytes(ReportText(x, y, state), atQpc, lineRate);
}

std::size_t PanelSim::Pending() const {
  if (!map_) return 0;
  Mapping::Lock b(*map_);
  return static_cast<std::size_t>(b->rxTail - b->rxHead);
}

std::size_t PanelSim::Waiting() const {
  if (!map_) return 0;
  Mapping::Lock b(*map_);
  return HostCount(*b, QpcNow());
}

PanelSim::ChipState PanelSim::Chip() const {
  if (!map_) return {};
  Mapping::Lock b(*map_);
  return ChipState{b->latencyMs, b->eventChar, b->eventCharOn != 0, b->notifyMask};
}

std::uint64_t PanelSim::PurgedBytes() const {
  if (!map_) return 0;
  Mapping::Lock b(*map_);
  return b->rxPurged;
}

LineSettings PanelSim::HostLine() const {
  if (!map_) return {};
  Mapping::Lock b(*map_);
  return b->hostLine;
}

void PanelSim::SetReadTimeout(std::uint32_t ms) {
  if (!map_) return;
  Mapping::Lock b(*map_);
  b->readTimeoutMs = ms;
}

void PanelSim::SetCallCost(std::uint32_t us) {
  if (!map_) return;
  Mapping::Lock b(*map_);
  b->callCostUs = us;
}

void PanelSim::FailNext(const std::string& call, std::uint32_t count, std::uint32_t status) {
  if (!map_) return;
  Mapping::Lock b(*map_);
  panelsim::FailNext(*b, call.c_str(), count, status);
}

PanelSim::DataCalls PanelSim::CountDataCalls() const {
  if (!map_) return {};
  Mapping::Lock b(*map_);
  return DataCalls{b->queriesWithBytes, b->readCalls};
}

std::vector<Call> PanelSim::Calls() const {
  std::vector<Call> calls;
  if (!map_) return calls;
  Mapping::Lock b(*map_);
  const LogRange kept = KeptLog(*b);
  calls.reserve(static_cast<std::size_t>(kept.next - kept.first));
  for (std::uint64_t seq = kept.first; seq < kept.next; ++seq) {
    const LogEntry& e = LogAt(*b, seq);
    Call c;
    c.seq = e.seq;
    c.qpc = e.qpc;
    c.name = e.name;
    c.status = e.status;
    c.handle = e.handle;
    c.args[0] = e.args[0];
    c.args[1] = e.args[1];
    c.args[2] = e.args[2];
    c.text = e.text;
    calls.push_back(std::move(c));
  }
  return calls;
}

std::vector<Call> PanelSim::Calls(std::string_view name) const {
  std::vector<Call> out;
  for (auto& c : Calls()) {
    if (c.name == name) out.push_back(std::move(c));
  }
  return out;
}

std::uint64_t PanelSim::NextSeq() const {
  if (!map_) return 0;
  Mapping::Lock b(*map_);
  return b->logNext;
}

std::vector<std::uint8_t> PanelSim::Written() const {
  if (!map_) return {};
  Mapping::Lock b(*map_);
  return std::vector<std::uint8_t>(b->written, b->written + WrittenKept(*b));
}

void PanelSim::ClearLog() {
  if (!map_) return;
  Mapping::Lock b(*map_);
  b->logFirst = b->logNext;
  b->writtenLen = 0;
}

}  // namespace panelsim
