// Any text as the values of the driver's eight INI settings (one a line, in
// the settings' order), read through a store that answers as the platform's
// profile functions do: each number is the lenient reading of its value (whose
// rules LenientNumberTest's table holds), and what SaveSettings writes must
// read back to the same settings, paths with blanks and quotes included.
#include <map>
#include <string>

#include "base/LenientNumber.h"
#include "base/Settings.h"
#include "FuzzCheck.h"

namespace {

// Blanks around the value dropped, one pair of enclosing quotes removed, cut
// to what the value buffer holds.
class PlatformLikeStore : public orvanta::ProfileStore {
public:
  orvanta::AnsiString Read(const std::string&, const orvanta::AnsiString& section, const orvanta::AnsiString& key,
                           const orvanta::AnsiString& def) override {
    const auto it = values_.find(section + "/" + key);
    return orvanta::ProfileValueAsRead((it == values_.end() ? def : it->second).bytes());
  }
  bool Write(const std::string&, const orvanta::AnsiString& section, const orvanta::AnsiString& key,
             const orvanta::AnsiString& value) override {
    values_[section + "/" + key] = value;
    return true;
  }

private:
  std::map<orvanta::AnsiString, orvanta::AnsiString> values_;
};

const orvanta::AnsiString kKeys[8][2] = {
    {"Main", "Priority"}, {"Main", "DblClickTime"}, {"Main", "NotifyMsg"},       {"Main", "NotifyMsgPos"},
    {"PenPlus", "Path"},  {"PenPlus", "RunTimeOut"}, {"Tpdrv", "ChangeTPNamedID"}, {"Camera", "Path"}};

bool Same(const orvanta::MainSettings& a, const orvanta::MainSettings& b) {
  return a.Priority == b.Priority && a.DblClickTime == b.DblClickTime && a.NotifyMsg == b.NotifyMsg &&
         a.NotifyMsgPos == b.NotifyMsgPos && a.PenPlusPath == b.PenPlusPath &&
         a.PenPlusRunTimeOut == b.PenPlusRunTimeOut && a.TpdrvChangeTPNamedID == b.TpdrvChangeTPNamedID &&
         a.CameraPath == b.CameraPath;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text = TextOf(data, size);
  PlatformLikeStore store;
  std::size_t at = 0;
  for (const auto& key : kKeys) {
    if (at > text.size()) break;
    const auto lf = text.find('\n', at);
    store.Write("", key[0], key[1],
                orvanta::AnsiString::FromBytes(text.substr(at, lf == std::string::npos ? std::string::npos : lf - at)));
    at = lf == std::string::npos ? text.size() + 1 : lf + 1;
  }

  const orvanta::MainSettings s = orvanta::LoadSettings(store, "");
  const std::int32_t numbers[] = {s.Priority, s.DblClickTime, s.NotifyMsg, s.NotifyMsgPos, 0, s.PenPlusRunTimeOut,
                                  s.TpdrvChangeTPNamedID};
  const std::int32_t defaults[] = {5, 400, 3000, 0, 0, 20000, -1};
  for (int k = 0; k < 7; ++k) {
    const orvanta::AnsiString value =
        store.Read("", kKeys[k][0], kKeys[k][1], orvanta::AnsiString::FromAscii(std::to_string(defaults[k])));
    if (k != 4) Check(numbers[k] == orvanta::ReadLenientInt(value));
  }
  Check(s.PenPlusPath.size() <= orvanta::kProfileValueMax && s.CameraPath.size() <= orvanta::kProfileValueMax);
  Check((orvanta::PriorityClassFor(s.Priority) != 0) == (s.Priority >= 1 && s.Priority <= 6));

  // Written back and read again: the numbers as they were, the paths as they
  // were while they fit with their quotes, and from then on stable.
  orvanta::SaveSettings(store, "", s);
  const orvanta::MainSettings again = orvanta::LoadSettings(store, "");
  orvanta::MainSettings expected = s;
  if (s.PenPlusPath.size() > orvanta::kProfileValueMax - 2) expected.PenPlusPath = again.PenPlusPath;
  if (s.CameraPath.size() > orvanta::kProfileValueMax - 2) expected.CameraPath = again.CameraPath;
  Check(Same(again, expected));
  orvanta::SaveSettings(store, "", again);
  orvanta::MainSettings third = orvanta::LoadSettings(store, "");
  orvanta::SaveSettings(store, "", third);
  Check(Same(third, orvanta::LoadSettings(store, "")));
  return 0;
}
