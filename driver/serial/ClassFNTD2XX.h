#pragma once
// The serial link to the touch panel, modelled on a classic serial-port
// control: an open/closed property, a receive threshold and read length, a
// count of waiting bytes, reads and writes, and two events. It has no timer of
// its own: the owner hands it one (TimerRxCheck) and each tick polls the
// library's receive queue.
//
// Library calls are the dear part of a poll (each goes down to the
// converter's driver; some libraries take tenths of a millisecond a call),
// so the link reads ahead: a tick asks the library once how many
// bytes wait and, when the owner is about to take them (at least RThreshold
// wait in all), fetches all of them in one read. The owner's counts and reads
// inside that tick's OnRx are then served from memory, whatever their size; a
// receiver reading byte by byte costs no more library calls than one reading
// whole lines. Outside a tick, InBufferCount asks the library again.
//
// Where the library offers the converter chip's calls, every open also sets
// the chip's event character and latency timer (EventChar, LatencyTimer) and
// hands the library the owner's wake signal (SetRxSignal): the link is then
// event-driven. Its poll runs when the library says bytes arrived, not every
// millisecond; the timer runs only while bytes wait that the owner has not
// taken (a busy owner, half a line), at kWaitingPollMs, and the owner's
// once-a-second CheckDevice notices a lost device, about which the library
// sets no event. Without those calls the link polls every millisecond.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "D2xxApi.h"
#include "base/FaultRecord.h"
#include "base/UiTimer.h"
#include "base/WakeSignal.h"

namespace orvanta {

class ClassFNTD2XX {
public:
  explicit ClassFNTD2XX(D2xxApiLoader loader);
  ~ClassFNTD2XX();
  ClassFNTD2XX(const ClassFNTD2XX&) = delete;
  ClassFNTD2XX& operator=(const ClassFNTD2XX&) = delete;

  std::string FT_Open_Option;
  std::int32_t FT_Open_By = 0;
  std::string Settings;  // "baud,parity,word length,stop bits"
  std::int32_t RThreshold = 0;
  std::int32_t InputLen = 0;
  // Chip settings made at every open where the library offers them (a
  // refused one changes nothing else): the event character, 0..255, or any
  // other value for none; the latency timer in ms, 1..255, or any other
  // value to leave the chip's own.
  std::int32_t EventChar = -1;
  std::int32_t LatencyTimer = 0;

  // The owner's timer whose ticks drive polling; the link sets its interval
  // and switches it. May be null while no timer is assigned.
  void SetTimerRxCheck(UiTimer* timer);
  [[nodiscard]] UiTimer* TimerRxCheck() const { return timer_; }
  // The owner's wake signal for the library's receive event; may be null
  // (the link then polls). Set while the link is closed: it takes effect at
  // the next open, and the signal it replaces is disarmed at once.
  void SetRxSignal(WakeSignal* signal);
  // Open, and reading on the library's receive event instead of polling.
  [[nodiscard]] bool EventDriven() const { return eventDriven_; }

  [[nodiscard]] bool PortOpen() const { return open_; }
  // Opening makes every set-up call whatever the library answers, as the
  // link was always described. Only what cannot be started at all (the
  // owner's timer or wake signal throws) leaves it closed, the fault raised
  // through OnFault.
  void SetPortOpen(bool open);
  // The library refused the baud rate or the data characteristics at the
  // last open; the link is open all the same, the line perhaps set wrongly.
  [[nodiscard]] bool LineSetUpRefused() const { return lineRefused_; }

  // Bytes waiting while open (fetched ahead or still in the library), 0 while
  // closed. A failing queue query closes the link and raises OnDisConnect
  // before 0 comes back.
  [[nodiscard]] std::int32_t InBufferCount();
  // 0 purges the receive queue (and what was fetched ahead) while open;
  // anything else does nothing.
  void SetInBufferCount(std::int32_t value);

  [[nodiscard]] std::vector<std::uint8_t> ReadBinData();
  // Bytes as text; the panel speaks ASCII, so one byte is one character.
  [[nodiscard]] std::string ReadStrData();
  // True when the library took every byte.
  bool WriteBinData(const std::vector<std::uint8_t>& data);
  bool WriteStrData(const std::string& text);

  // Raised from a poll tick when InBufferCount >= RThreshold.
  std::function<void()> OnRx;
  // Raised after the link closed itself because the device went away.
  std::function<void()> OnDisConnect;
  // Raised with what went wrong when an open could not be completed.
  FaultRecord OnFault;

  // One poll: what the timer's tick and the wake signal run.
  void TimerRxCheck_Timer();
  // For the owner's connection check: an event-driven link polls once, so a
  // lost device closes it as a poll tick would (a polling link has noticed
  // already).
  void CheckDevice();

  // The timer's interval, event-driven, while bytes wait untaken: the event
  // brings the rest of a line sooner; this only picks up what no event
  // announces again.
  static constexpr std::uint32_t kWaitingPollMs = 10;

  // Most bytes held in memory; beyond it they wait in the library, which
  // has its own queue. Only a receiver that stays busy for minutes gets here.
  static constexpr std::size_t kReadAheadCap = 64 * 1024;

private:
  void Close();
  // Baud rate and data characteristics; false when the library refused either.
  [[nodiscard]] bool SetUpLine(const std::vector<std::string>& fields);
  void PurgeReceive();
  void SetUpChip();
  void StartReceiving();
  // Event-driven: the timer on while bytes wait untaken, off otherwise.
  void FollowWaiting();
  // One queue query; fetches everything waiting when at least `wanted` bytes
  // wait in all. Returns the bytes waiting in all.
  std::int32_t Refresh(std::int32_t wanted);
  [[nodiscard]] std::int32_t Waiting() const;

  D2xxApiLoader loader_;
  const D2xxApi* api_ = nullptr;
  UiTimer* timer_ = nullptr;
  WakeSignal* signal_ = nullptr;
  FtHandle handle_ = 0;
  bool held_ = false;  // handle_ is the library's, to be closed
  bool open_ = false;  // held and everything started
  bool lineRefused_ = false;
  bool eventDriven_ = false;
  std::vector<std::uint8_t> ahead_;  // fetched, not yet taken by the owner
  std::size_t aheadStart_ = 0;       // first byte of ahead_ not yet taken
  std::uint32_t unfetched_ = 0;      // reported by the last query, left in the library
  int tickDepth_ = 0;                // inside OnRx of a tick (ticks nest when handlers pump)
};

}  // namespace orvanta
