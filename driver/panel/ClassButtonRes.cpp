#include "ClassButtonRes.h"

namespace orvanta {

namespace {

// Reads the little-endian fields of one record; every read checks the bytes
// left first, so a damaged length can never reach past the end.
class Cursor {
public:
  explicit Cursor(std::string_view bytes) : bytes_(bytes) {}
  [[nodiscard]] std::size_t Left() const { return bytes_.size() - pos_; }
  [[nodiscard]] bool AtEnd() const { return pos_ >= bytes_.size(); }

  bool U16(std::uint32_t& out) { return Unsigned(2, out); }
  bool I32(std::int32_t& out) {
    std::uint32_t u = 0;
    if (!Unsigned(4, u)) return false;
    out = static_cast<std::int32_t>(u);
    return true;
  }
  bool Text(AnsiString& out) {
    std::uint32_t n = 0;
    if (!U16(n) || n > Left()) return false;
    out = AnsiString::FromBytes(std::string(bytes_.substr(pos_, n)));
    pos_ += n;
    return true;
  }
  // An array header: one dimension, an element count that is not negative,
  // a lower bound. Each element takes at least minElementBytes, so a count
  // the bytes left cannot hold is refused before anything is allocated.
  bool ArrayHeader(std::size_t minElementBytes, std::int32_t& count, std::int32_t& lowerBound) {
    std::uint32_t dims = 0;
    if (!U16(dims) || dims != 1 || !I32(count) || !I32(lowerBound) || count < 0) return false;
    return static_cast<std::size_t>(count) <= Left() / minElementBytes;
  }
  bool Bytes(std::size_t n, std::vector<std::uint8_t>& out) {
    if (n > Left()) return false;
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes_.data() + pos_);
    out.assign(p, p + n);
    pos_ += n;
    return true;
  }

private:
  bool Unsigned(std::size_t width, std::uint32_t& out) {
    if (width > Left()) return false;
    out = 0;
    for (std::size_t i = 0; i < width; ++i) {
      out |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes_[pos_ + i])) << (8 * i);
    }
    pos_ += width;
    return true;
  }

  std::string_view bytes_;
  std::size_t pos_ = 0;
};

bool ReadRecord(Cursor& in, ButtonResRecord& r) {
  std::int32_t count = 0;
  std::int32_t lowerBound = 0;
  if (!in.Text(r.Name) || !in.Text(r.Type) || !in.ArrayHeader(2, count, r.DispLowerBound)) return false;
  // Names past the bound are read over but not kept: a file of millions of
  // empty names would otherwise cost tens of bytes of memory per two bytes
  // of file.
  AnsiString d;
  for (std::int32_t i = 0; i < count; ++i) {
    if (!in.Text(d)) return false;
    if (r.Disp.size() < ClassButtonRes::kMaxDispNames) r.Disp.push_back(d);
  }
  if (!in.I32(r.PicSize) || !in.ArrayHeader(1, count, lowerBound)) return false;
  return in.Bytes(static_cast<std::size_t>(count), r.PicData);
}

bool Valid(const ButtonResRecord& r) {
  return r.PicSize >= 0 && r.PicData.size() == static_cast<std::size_t>(r.PicSize) && !r.Disp.empty() &&
         !r.Name.empty() && !r.Type.empty();
}

void PutU16(std::string& out, std::size_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void PutI32(std::string& out, std::int64_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  for (int i = 0; i < 4; ++i) out += static_cast<char>((u >> (8 * i)) & 0xFF);
}
void PutText(std::string& out, const AnsiString& text) {
  PutU16(out, text.size());
  out += text.bytes();
}

}  // namespace

std::vector<ButtonResRecord> ReadButtonResRecords(std::string_view bytes) {
  std::vector<ButtonResRecord> records;
  Cursor in(bytes);
  while (!in.AtEnd()) {
    ButtonResRecord r;
    if (!ReadRecord(in, r)) break;
    if (Valid(r)) records.push_back(std::move(r));
  }
  return records;
}

std::string WriteButtonResRecord(const ButtonResRecord& r) {
  std::string out;
  PutText(out, r.Name);
  PutText(out, r.Type);
  PutU16(out, 1);
  PutI32(out, static_cast<std::int64_t>(r.Disp.size()));
  PutI32(out, r.DispLowerBound);
  for (const auto& d : r.Disp) PutText(out, d);
  PutI32(out, r.PicSize);
  PutU16(out, 1);
  PutI32(out, static_cast<std::int64_t>(r.PicData.size()));
  PutI32(out, 0);
  out.append(r.PicData.begin(), r.PicData.end());
  return out;
}

ClassButtonRes::ClassButtonRes(ButtonResFiles* files) : files_(files) {}

ClassButtonRes::~ClassButtonRes() { SetLockWrite(false); }

void ClassButtonRes::Load() {
  records_.clear();
  if (!files_ || path_.empty()) return;
  // Reading works while the lock is held: it denies writing only.
  const auto bytes = files_->Read(path_, kMaxFileBytes);
  if (bytes) records_ = ReadButtonResRecords(*bytes);
}

void ClassButtonRes::PicData_Dispose() {
  for (auto& r : records_) {
    r.PicData.clear();
    r.PicData.shrink_to_fit();
  }
}

void ClassButtonRes::SetPath(const std::string& path) {
  SetLockWrite(false);
  // Setting the path it already has takes the lock again: releasing it for
  // good would let another program rewrite the file under the driver.
  if (!files_ || path.empty() || !files_->Exists(path)) return;
  path_ = path;
  SetLockWrite(true);
}

void ClassButtonRes::SetLockWrite(bool on) {
  if (on == LockWrite()) return;
  if (!on) {
    lock_.reset();
    return;
  }
  if (files_ && !path_.empty()) lock_ = files_->LockAgainstWriters(path_);
}

const ButtonResRecord* ClassButtonRes::Record(std::int32_t index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return &records_[static_cast<std::size_t>(index)];
}

AnsiString ClassButtonRes::NameOf(std::int32_t index) const {
  const auto* r = Record(index);
  return r ? r->Name : AnsiString();
}

std::int32_t ClassButtonRes::IndexOf(const AnsiString& name) const {
  for (std::int32_t i = 0; i < Count(); ++i) {
    if (records_[static_cast<std::size_t>(i)].Name == name) return i;
  }
  return -1;
}

AnsiString ClassButtonRes::TypeOfIndex(std::int32_t index) const {
  const auto* r = Record(index);
  return r ? r->Type : AnsiString();
}

AnsiString ClassButtonRes::DispOfIndex(std::int32_t index) const {
  const auto* r = Record(index);
  if (!r || r->Disp.empty()) return {};
  // DispIndex counts from the array's own lower bound; outside the array the
  // first display name answers.
  const std::int64_t at = static_cast<std::int64_t>(DispIndex) - r->DispLowerBound;
  if (at >= 0 && at < static_cast<std::int64_t>(r->Disp.size())) return r->Disp[static_cast<std::size_t>(at)];
  return r->Disp.front();
}

const std::vector<std::uint8_t>& ClassButtonRes::PicDataOf(std::int32_t index) const {
  static const std::vector<std::uint8_t> kNone;
  const auto* r = Record(index);
  return r ? r->PicData : kNone;
}

}  // namespace orvanta
