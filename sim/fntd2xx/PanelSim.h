#pragma once
// The test side of the simulated touch panel: plugs and unplugs the device,
// schedules the bytes the panel sends, and reads back every library call the
// driver made and every byte it wrote. Works from any process: the driver
// loads FNTD2XX.dll, the test attaches to the same device by name.
//
// Typical use in a test:
//   panelsim::PanelSim panel(panelsim::PanelSim::UniqueName(L"Link"));
//   panel.Export();   // the driver (this process or a child) finds it
//   ... open the link ...
//   panel.QueueReport(123, 456, 'B', panelsim::PanelSim::Now());
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fntd2xx/SimDevice.h"

namespace panelsim {

struct Call {
  std::uint64_t seq = 0;
  std::int64_t qpc = 0;   // when the call finished
  std::string name;       // "FT_OpenEx", "FT_GetQueueStatus", ...
  std::uint32_t status = 0;
  std::uint64_t handle = 0;
  // Per call: OpenEx flags; SetBaudRate baud; SetDataCharacteristics word
  // length, stop bits, parity; Purge mask; GetQueueStatus count; Read and
  // Write requested and done.
  std::uint32_t args[3] = {};
  std::string text;  // the open argument of FT_OpenEx
};

class PanelSim {
public:
  // Attaches to (or creates) the device of that name.
  explicit PanelSim(const std::wstring& name = CurrentName());
  ~PanelSim();
  PanelSim(const PanelSim&) = delete;
  PanelSim& operator=(const PanelSim&) = delete;

  // A name no other process uses: prefix, process id and a counter.
  [[nodiscard]] static std::wstring UniqueName(std::wstring_view prefix);
  // Sets ORVANTA_PANELSIM_NAME of this process to this device, so the DLL
  // loaded here, and every child started afterwards, talk to it.
  void Export() const;

  [[nodiscard]] bool Valid() const;
  [[nodiscard]] const std::wstring& Name() const;

  // Unplugging drops every byte held or on its way and kills the open handle.
  void Plug(bool plugged);
  [[nodiscard]] bool Plugged() const;
  // A live handle is open (a handle of a pulled device does not count).
  [[nodiscard]] bool IsOpen() const;

  // Clock of the due times: QueryPerformanceCounter, which Wine keeps common
  // to all processes.
  [[nodiscard]] static std::int64_t Now();
  [[nodiscard]] static std::int64_t Frequency();
  // One byte at the panel's line rate (38400 baud, 8N2: ~286 us).
  [[nodiscard]] static std::int64_t ByteTicks();
  [[nodiscard]] static std::int64_t MsToTicks(double ms);
  [[nodiscard]] static double TicksToMs(std::int64_t ticks);

  // Schedules bytes: the first due at dueQpc (or now, if that is past), the
  // rest one byte time apart when lineRate is set, else all at once (faster
  // than any line: a stress test's flood). Nothing overtakes bytes already
  // scheduled. Returns the due time of the last byte at the chip, or -1 when
  // the device is pulled out or its queue is full; the host sees it when the
  // chip hands it on.
  std::int64_t QueueBytes(std::string_view bytes, std::int64_t dueQpc, bool lineRate = false);
  // One report as the panel sends it: "%04d%04d%c\r\n" (11 bytes).
  std::int64_t QueueReport(int x, int y, char state, std::int64_t atQpc, bool lineRate = true);
  [[nodiscard]] static std::string ReportText(int x, int y, char state);

  // Bytes scheduled and not yet read, whether due or not.
  [[nodiscard]] std::size_t Pending() const;
  // Bytes handed to the host and not yet read: what FT_GetQueueStatus would
  // say now.
  [[nodiscard]] std::size_t Waiting() const;
  [[nodiscard]] std::uint64_t PurgedBytes() const;

  // The line settings the driver last set (power-on 9600 8N1 until then).
  [[nodiscard]] LineSettings HostLine() const;
  // The converter chip's settings for the open handle (power-on values until
  // the driver sets them) and the receive-event mask the driver registered.
  struct ChipState {
    std::uint32_t latencyMs = 0;
    std::uint8_t eventChar = 0;
    bool eventCharOn = false;
    std::uint32_t notifyMask = 0;
  };
  [[nodiscard]] ChipState Chip() const;
  // Time-out of an FT_Read that asks for more than will arrive.
  void SetReadTimeout(std::uint32_t ms);
  // Microseconds every library call takes (0: as fast as the simulation goes).
  void SetCallCost(std::uint32_t us);
  // The next `count` calls named `call` ("FT_Read", ...) that would succeed
  // fail with `status` and do nothing; count 0 ends a fault still pending.
  void FailNext(const std::string& call, std::uint32_t count, std::uint32_t status = kIoError);

  // Calls that dealt with data since the device was made: queue queries that
  // found bytes waiting, and successful reads. Not cleared by ClearLog.
  struct DataCalls {
    std::uint64_t queriesWithBytes = 0;
    std::uint64_t reads = 0;
  };
  [[nodiscard]] DataCalls CountDataCalls() const;

  // Calls since the last ClearLog, oldest first; at most the last
  // kLogCapacity of them.
  [[nodiscard]] std::vector<Call> Calls() const;
  [[nodiscard]] std::vector<Call> Calls(std::string_view name) const;
  // Sequence number the next call will get.
  [[nodiscard]] std::uint64_t NextSeq() const;
  // Every byte written since the last ClearLog (up to kWrittenCapacity).
  [[nodiscard]] std::vector<std::uint8_t> Written() const;
  void ClearLog();

private:
  std::unique_ptr<Mapping> map_;
};

}  // namespace panelsim
