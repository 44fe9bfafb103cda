// Hostile button resource files: the reader must not crash, must not
// allocate beyond what the bytes can hold, and every record it keeps must be
// valid and written back to the same bytes it was read from.
#include "panel/ClassButtonRes.h"
#include "FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes = TextOf(data, size);
  const auto records = orvanta::ReadButtonResRecords(bytes);
  std::size_t held = 0;
  for (const auto& r : records) {
    Check(!r.Name.empty() && !r.Type.empty() && !r.Disp.empty());
    Check(r.PicData.size() == static_cast<std::size_t>(r.PicSize));
    Check(r.Disp.size() <= orvanta::ClassButtonRes::kMaxDispNames);
    for (const auto& d : r.Disp) held += d.size();
    held += r.Name.size() + r.Type.size() + r.PicData.size();
  }
  Check(held <= size);
  // What was kept, written back in the file format, reads back the same.
  std::string rebuilt;
  for (const auto& r : records) rebuilt += orvanta::WriteButtonResRecord(r);
  const auto again = orvanta::ReadButtonResRecords(rebuilt);
  Check(again.size() == records.size());
  for (std::size_t i = 0; i < again.size(); ++i) {
    Check(again[i].Name == records[i].Name && again[i].Disp == records[i].Disp &&
          again[i].PicData == records[i].PicData);
  }
  return 0;
}
