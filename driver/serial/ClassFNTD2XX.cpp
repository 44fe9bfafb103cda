#include "ClassFNTD2XX.h"

#include <algorithm>
#include <cstdlib>

#include "base/LenientNumber.h"

namespace orvanta {

namespace {

std::vector<std::string> SplitFields(const std::string& text) {
  std::vector<std::string> fields;
  std::string::size_type start = 0;
  for (;;) {
    const auto comma = text.find(',', start);
    fields.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return fields;
}

std::int32_t Field(const std::vector<std::string>& fields, std::size_t i) {
  return i < fields.size() ? ReadLenientInt(fields[i]) : 0;
}

}  // namespace

ClassFNTD2XX::ClassFNTD2XX(D2xxApiLoader loader) : loader_(std::move(loader)) {}

ClassFNTD2XX::~ClassFNTD2XX() { SetPortOpen(false); }

void ClassFNTD2XX::SetTimerRxCheck(UiTimer* timer) {
  timer_ = timer;
  if (timer_) timer_->SetHandler([this] { TimerRxCheck_Timer(); });
}

void ClassFNTD2XX::SetRxSignal(WakeSignal* signal) {
  if (signal_ && signal_ != signal) signal_->SetArmed(false);
  signal_ = signal;
  if (signal_) signal_->SetWakeHandler([this] { TimerRxCheck_Timer(); });
}

void ClassFNTD2XX::SetPortOpen(bool open) {
  if (!open) {
    Close();
    return;
  }
  if (open_) return;

  const auto fields = SplitFields(Settings);
  // A missing library or entry point leaves the preset general error.
  FtStatus status = kFtOtherError;
  FtHandle handle = 0;
  if (!api_ && loader_) api_ = loader_();
  if (api_ && api_->OpenEx) {
    status = api_->OpenEx(FT_Open_Option.c_str(), static_cast<std::uint16_t>(FT_Open_By), &handle);
  }
  if (status != kFtOk) return;

  handle_ = handle;
  held_ = true;
  try {
    lineRefused_ = !SetUpLine(fields);
    PurgeReceive();
    SetUpChip();
    StartReceiving();
  } catch (...) {
    // A poll worker or a receive event that could not be started (no thread,
    // no memory): a link that counted as open now would never be polled, and
    // as it is open the connection check would never open it again. Closed,
    // the next check tries afresh.
    Close();
    RecordCurrentException(OnFault, "opening the panel link");
    return;
  }
  // Open only now that everything runs.
  open_ = true;
}

bool ClassFNTD2XX::SetUpLine(const std::vector<std::string>& fields) {
  // Both calls are made whatever the first answers; the owner decides what a
  // refusal is worth (the line may be set up wrongly, or not at all).
  bool ok = true;
  if (api_->SetBaudRate && api_->SetBaudRate(handle_, static_cast<std::uint32_t>(Field(fields, 0))) != kFtOk) {
    ok = false;
  }
  if (api_->SetDataCharacteristics &&
      api_->SetDataCharacteristics(handle_, static_cast<std::uint8_t>(Field(fields, 2)),
                                   static_cast<std::uint8_t>(Field(fields, 3)),
                                   static_cast<std::uint8_t>(Field(fields, 1))) != kFtOk) {
    ok = false;
  }
  return ok;
}

void ClassFNTD2XX::SetUpChip() {
  // The converter holds received bytes until it holds a whole packet, the
  // event character arrives or its latency timer runs out (16 ms unless
  // set): a short report would wait up to that long in the chip. A refused
  // call leaves the chip as it was; the link works on, only slower.
  if (EventChar >= 0 && EventChar <= 255 && api_->SetChars) {
    (void)api_->SetChars(handle_, static_cast<std::uint8_t>(EventChar), 1, 0, 0);
  }
  if (LatencyTimer >= 1 && LatencyTimer <= 255 && api_->SetLatencyTimer) {
    (void)api_->SetLatencyTimer(handle_, static_cast<std::uint8_t>(LatencyTimer));
  }
}

void ClassFNTD2XX::StartReceiving() {
  eventDriven_ = signal_ && signal_->Handle() && api_->SetEventNotification &&
                 api_->SetEventNotification(handle_, kFtEventRxChar, signal_->Handle()) == kFtOk;
  if (signal_) signal_->SetArmed(eventDriven_);
  if (!timer_) return;
  // Polling asks the library every millisecond (the tick rate is in effect
  // the platform timer's resolution); event-driven, the timer waits until
  // bytes wait untaken.
  timer_->SetInterval(eventDriven_ ? kWaitingPollMs : 1);
  timer_->SetEnabled(!eventDriven_);
}

void ClassFNTD2XX::Close() {
  if (held_ && api_ && api_->Close) api_->Close(handle_);
  held_ = false;
  open_ = false;
  handle_ = 0;
  // A new connection must not hand out bytes of the old one.
  ahead_.clear();
  aheadStart_ = 0;
  unfetched_ = 0;
  eventDriven_ = false;
  if (signal_) signal_->SetArmed(false);
  if (timer_) timer_->SetEnabled(false);
}

std::int32_t ClassFNTD2XX::Waiting() const {
  const std::size_t waiting = ahead_.size() - aheadStart_ + unfetched_;
  // The library counts in 32 bits unsigned; nothing near 2 GiB ever waits.
  return waiting > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<std::int32_t>(waiting);
}

std::int32_t ClassFNTD2XX::Refresh(std::int32_t wanted) {
  std::uint32_t inLibrary = 0;
  const FtStatus status = api_->GetQueueStatus ? api_->GetQueueStatus(handle_, &inLibrary) : kFtOtherError;
  if (status != kFtOk) {
    Close();
    if (OnDisConnect) OnDisConnect();
    return 0;
  }
  unfetched_ = inLibrary;
  if (aheadStart_ > 0) {
    ahead_.erase(ahead_.begin(), ahead_.begin() + static_cast<std::ptrdiff_t>(aheadStart_));
    aheadStart_ = 0;
  }
  const std::size_t held = ahead_.size();
  // Fewer than the owner wants stay in the library: a line's bytes trickle
  // in over several ticks, and reading them as they come would cost a read
  // per tick instead of one per line.
  if (inLibrary == 0 || held >= kReadAheadCap || !api_->Read ||
      static_cast<std::int64_t>(held) + inLibrary < static_cast<std::int64_t>(wanted)) {
    return Waiting();
  }
  const auto length = static_cast<std::uint32_t>(std::min<std::size_t>(inLibrary, kReadAheadCap - held));
  ahead_.resize(held + length);
  std::uint32_t read = 0;
  api_->Read(handle_, ahead_.data() + held, length, &read);
  // Only what the library says it read is data. A short read leaves the
  // rest of the request unwritten; handing it on would give the receiver
  // NUL bytes the panel never sent. The next query tells what is still there.
  ahead_.resize(held + std::min(read, length));
  unfetched_ = inLibrary - length;
  return Waiting();
}

std::int32_t ClassFNTD2XX::InBufferCount() {
  if (!open_) return 0;
  // Inside a tick's OnRx the tick's own query is fresh: asking the library
  // again would double the cost of every receive pass.
  if (tickDepth_ > 0) return Waiting();
  const std::int32_t waiting = Refresh(1);
  FollowWaiting();
  return waiting;
}

void ClassFNTD2XX::SetInBufferCount(std::int32_t value) {
  if (open_ && value == 0) PurgeReceive();
}

void ClassFNTD2XX::PurgeReceive() {
  ahead_.clear();
  aheadStart_ = 0;
  unfetched_ = 0;
  if (api_->Purge) api_->Purge(handle_, kFtPurgeRx);
}

std::vector<std::uint8_t> ClassFNTD2XX::ReadBinData() {
  if (!open_) return {};
  const std::int32_t waiting = InBufferCount();
  std::int32_t length = 0;
  if (InputLen == 0) {
    length = waiting;
  } else if (InputLen > 0 && waiting >= InputLen) {
    length = InputLen;
  }
  // The queue may have closed under us (device gone): nothing to read then.
  if (length <= 0 || !open_) return {};
  // Only fetched bytes are handed out. They fall short of the count only
  // when the read-ahead is full and the library holds the rest; a fixed
  // length then waits, "everything" takes what is here.
  const std::size_t held = ahead_.size() - aheadStart_;
  auto n = static_cast<std::size_t>(length);
  if (n > held) {
    if (InputLen != 0) return {};
    n = held;
  }
  const auto first = ahead_.begin() + static_cast<std::ptrdiff_t>(aheadStart_);
  std::vector<std::uint8_t> data(first, first + static_cast<std::ptrdiff_t>(n));
  aheadStart_ += n;
  if (aheadStart_ == ahead_.size()) {
    ahead_.clear();
    aheadStart_ = 0;
  }
  if (tickDepth_ == 0) FollowWaiting();
  return data;
}

std::string ClassFNTD2XX::ReadStrData() {
  const auto bytes = ReadBinData();
  return std::string(bytes.begin(), bytes.end());
}

bool ClassFNTD2XX::WriteBinData(const std::vector<std::uint8_t>& data) {
  if (!open_ || !api_->Write) return false;
  std::uint32_t written = 0;
  const FtStatus status = api_->Write(handle_, data.data(), static_cast<std::uint32_t>(data.size()), &written);
  return status == kFtOk && written == data.size();
}

bool ClassFNTD2XX::WriteStrData(const std::string& text) {
  return WriteBinData(std::vector<std::uint8_t>(text.begin(), text.end()));
}

void ClassFNTD2XX::TimerRxCheck_Timer() {
  if (!open_) return;
  const std::int32_t waiting = Refresh(RThreshold);
  if (open_ && waiting >= RThreshold && OnRx) {
    // Handlers may pump messages, so ticks nest; each level counts.
    struct InTick {
      explicit InTick(int& depth) : depth_(depth) { ++depth_; }
      ~InTick() { --depth_; }
      int& depth_;
    } inTick(tickDepth_);
    OnRx();
  }
  FollowWaiting();
}

void ClassFNTD2XX::CheckDevice() {
  if (open_ && eventDriven_) TimerRxCheck_Timer();
}

void ClassFNTD2XX::FollowWaiting() {
  // The library sets its event once per arrival. Bytes the owner left
  // waiting (busy with a report, half a line in block mode, or a block
  // time-out that went back to byte mode) are announced by no further
  // event, so the timer polls until they are taken.
  if (!eventDriven_ || !timer_) return;
  const bool poll = open_ && Waiting() > 0;
  if (poll != timer_->Enabled()) timer_->SetEnabled(poll);
}

}  // namespace orvanta
