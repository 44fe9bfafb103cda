#include "ClassPanelData.h"

#include <algorithm>
#include <fstream>

#include "base/LenientNumber.h"

namespace orvanta {

namespace {

// The four numbers of a Rect value. A comma lies below every second byte of a
// double-byte character, so the bytes split as they are.
std::vector<std::string> SplitAtCommas(const std::string& text) {
  std::vector<std::string> parts;
  std::string::size_type start = 0;
  for (;;) {
    const auto comma = text.find(',', start);
    parts.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) return parts;
    start = comma + 1;
  }
}

// How many columns or rows to scan for a header count: 0 still means one
// (a panel without that division), a negative count means none.
std::int32_t ScanCount(std::int32_t count) {
  if (count == 0) return 1;
  return std::min(count, ClassPanelData::kMaxGridCount);
}

AnsiString ButtonSection(std::int32_t x, std::int32_t y) {
  return AnsiString::FromAscii("Button." + std::to_string(x) + "." + std::to_string(y));
}

AnsiString Number(std::int32_t value) { return AnsiString::FromAscii(std::to_string(value)); }

// Closed range between two edges given in either order.
bool Between(std::int32_t v, std::int32_t a, std::int32_t b) {
  return a <= b ? (a <= v && v <= b) : (b <= v && v <= a);
}

}  // namespace

ClassPanelData::ClassPanelData(ProfileStore& store, std::string dataFolder)
    : store_(store), dataFolder_(std::move(dataFolder)) {}

// The files are addressed as Windows paths whatever the host; a native store
// takes the whole text as one file name.
std::string ClassPanelData::DefPath() const { return dataFolder_ + "\\" + DataName + ".def"; }
std::string ClassPanelData::DatPath() const { return dataFolder_ + "\\" + DataName + ".dat"; }

AnsiString ClassPanelData::ReadDataValue(const AnsiString& section, const AnsiString& key, const AnsiString& def) {
  // What .def says becomes the default for .dat, so a key present in .dat
  // wins even when its value there is empty.
  const AnsiString delivered = store_.Read(defPath_, section, key, def);
  return store_.Read(datPath_, section, key, delivered);
}

std::int32_t ClassPanelData::ReadCount(const AnsiString& key, bool* fromFile) {
  const AnsiString value = ReadDataValue("Header", key, "-1");
  // A file may hold "-1" itself; only then is a second read, with another
  // default, needed to tell it from a key that is missing from both files.
  *fromFile = value != "-1" || ReadDataValue("Header", key, "") == "-1";
  return ReadLenientInt(value);
}

bool ClassPanelData::WriteDataValue(const AnsiString& section, const AnsiString& key, const AnsiString& value) {
  return store_.Write(datPath_, section, key, value);
}

void ClassPanelData::Load() {
  buttons_.clear();
  defPath_ = DefPath();
  datPath_ = DatPath();
  Version = ReadDataValue("Header", "Version", "");
  Name = ReadDataValue("Header", "Name", "");
  ButtonX = ReadCount("ButtonX", &buttonXFromFile_);
  ButtonY = ReadCount("ButtonY", &buttonYFromFile_);
  if (ButtonX <= 0 && ButtonY <= 0) return;

  const std::int32_t columns = ScanCount(ButtonX);
  const std::int32_t rows = ScanCount(ButtonY);
  std::int32_t cells = 0;
  for (std::int32_t x = 1; x <= columns; ++x) {
    for (std::int32_t y = 1; y <= rows && cells < kMaxGridCells; ++y, ++cells) {
      const AnsiString section = ButtonSection(x, y);
      AnsiString name = ReadDataValue(section, "Name", "");
      // The default splits into four parts that each read as 0, so a button
      // without Rect is kept with an empty rectangle, to be calibrated.
      const auto parts = SplitAtCommas(ReadDataValue(section, "Rect", "Left,Top,Right,Bottom").bytes());
      if (parts.size() != 4) continue;
      auto button = std::make_unique<ClassPanelButtonData>();
      button->ButtonX = x;
      button->ButtonY = y;
      button->Left = ReadLenientInt(parts[0]);
      button->Top = ReadLenientInt(parts[1]);
      button->Right = ReadLenientInt(parts[2]);
      button->Bottom = ReadLenientInt(parts[3]);
      button->Name = std::move(name);
      buttons_.push_back(std::move(button));
    }
  }
}

bool ClassPanelData::Save() {
  datPath_ = DatPath();
  // Every value is tried, whatever failed before: a write refused for a
  // moment (another program reading the file) loses only its own key.
  bool saved = WriteDataValue("Header", "Version", Version);
  saved = WriteDataValue("Header", "Name", Name) && saved;
  // A count no file gave (the layout was missing, or held by another program,
  // when the driver started) stays unwritten, so that the layout decides
  // again at the next start.
  if (buttonXFromFile_) saved = WriteDataValue("Header", "ButtonX", Number(ButtonX)) && saved;
  if (buttonYFromFile_) saved = WriteDataValue("Header", "ButtonY", Number(ButtonY)) && saved;
  for (const auto& b : buttons_) {
    const AnsiString section = ButtonSection(b->ButtonX, b->ButtonY);
    saved = WriteDataValue(section, "Name", b->Name) && saved;
    saved = WriteDataValue(section, "Rect",
                           Number(b->Left) + "," + Number(b->Top) + "," + Number(b->Right) + "," + Number(b->Bottom)) &&
            saved;
  }
  return saved;
}

void ClassPanelData::LoadSaveDefault(
    const std::function<bool(const std::string& from, const std::string& to)>& copyFile) {
  // A failed copy (no .def) must still leave .dat empty, not stale.
  if (!copyFile || !copyFile(DefPath(), DatPath())) {
    std::ofstream truncate(DatPath(), std::ios::binary | std::ios::trunc);
  }
  Load();
}

ClassPanelButtonData* ClassPanelData::PointCheck(std::int32_t x, std::int32_t y) {
  if (ButtonX <= 0 && ButtonY <= 0) return nullptr;
  // A count of 0 or less means the panel has no division on that axis, so
  // the coordinate is not tested at all (the stored edges may be anything).
  const bool testX = ButtonX > 0;
  const bool testY = ButtonY > 0;
  for (const auto& b : buttons_) {
    if (testX && !Between(x, b->Left, b->Right)) continue;
    if (testY && !Between(y, b->Top, b->Bottom)) continue;
    return b.get();
  }
  return nullptr;
}

ClassPanelButtonData* ClassPanelData::ButtonData(std::int32_t index) {
  if (index < 0 || index >= ButtonData_Counts()) return nullptr;
  return buttons_[static_cast<std::size_t>(index)].get();
}

}  // namespace orvanta
