#pragma once
// The button resources: per action text a type text, display names and the
// bytes of a picture of the printed button, read from the resource file beside
// the driver (<program>.dat). Texts stay in the bytes of the system ANSI code
// page as the file holds them; the user interface converts them for display.
// The file's path is the driver's own, in UTF-8.
// While the driver runs, the file is held open against writers.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/AnsiString.h"

namespace orvanta {

struct ButtonResRecord {
  AnsiString Name;                     // action text, the key
  AnsiString Type;                     // stored and returned, not interpreted
  std::vector<AnsiString> Disp;        // display names
  std::int32_t DispLowerBound = 0;     // index of Disp's first element
  std::int32_t PicSize = 0;
  std::vector<std::uint8_t> PicData;   // an image file's bytes
};

// The file system as the resources need it.
class ButtonResFiles {
public:
  // An open handle that denies other processes write access while it lives.
  class Lock {
  public:
    virtual ~Lock() = default;
  };
  virtual ~ButtonResFiles() = default;
  [[nodiscard]] virtual bool Exists(const std::string& path) = 0;
  // Null when the file cannot be opened that way (missing, or already open
  // for writing elsewhere).
  [[nodiscard]] virtual std::unique_ptr<Lock> LockAgainstWriters(const std::string& path) = 0;
  // Up to maxBytes of the file from its start; nothing when it cannot be
  // opened for reading.
  [[nodiscard]] virtual std::optional<std::string> Read(const std::string& path, std::size_t maxBytes) = 0;
};

// Records read from a resource file's bytes, in file order, valid ones only.
// Reading stops at the first record whose structure does not fit in the bytes
// left (a length or count past the end, a negative count, an array that is not
// one-dimensional): nothing after it can be found again, since the format has
// no markers. Records before it are kept. Nothing is allocated beyond what the
// bytes themselves hold.
[[nodiscard]] std::vector<ButtonResRecord> ReadButtonResRecords(std::string_view bytes);
// One record in the file format (for the generator's tests and the fuzzer).
[[nodiscard]] std::string WriteButtonResRecord(const ButtonResRecord& record);

class ClassButtonRes {
public:
  // A larger resource file is read only up to this bound (a picture per
  // printed button takes a few kilobytes; 64 MiB is far beyond any sheet).
  static constexpr std::size_t kMaxFileBytes = 64u << 20;
  // Display names kept per record; further ones are read over. Nothing in
  // the driver selects any but the first.
  static constexpr std::size_t kMaxDispNames = 64;

  // files may be null: then no file is ever found.
  explicit ClassButtonRes(ButtonResFiles* files);
  ~ClassButtonRes();
  ClassButtonRes(const ClassButtonRes&) = delete;
  ClassButtonRes& operator=(const ClassButtonRes&) = delete;

  std::int32_t DispIndex = 0;

  void Load();
  // Drops the picture bytes of every record; names, types and display names stay.
  void PicData_Dispose();

  [[nodiscard]] const std::string& Path() const { return path_; }
  // Releases the lock; a path naming an existing file is taken and locked,
  // any other leaves the path as it was, unlocked.
  void SetPath(const std::string& path);
  [[nodiscard]] bool LockWrite() const { return lock_ != nullptr; }
  void SetLockWrite(bool on);

  [[nodiscard]] std::int32_t Count() const { return static_cast<std::int32_t>(records_.size()); }
  // Lookups outside the table (index -1 of an unknown name) answer with an
  // empty text, and with no picture bytes.
  [[nodiscard]] AnsiString NameOf(std::int32_t index) const;
  [[nodiscard]] std::int32_t IndexOf(const AnsiString& name) const;
  [[nodiscard]] AnsiString TypeOfName(const AnsiString& name) const { return TypeOfIndex(IndexOf(name)); }
  [[nodiscard]] AnsiString TypeOfIndex(std::int32_t index) const;
  [[nodiscard]] AnsiString DispOfName(const AnsiString& name) const { return DispOfIndex(IndexOf(name)); }
  [[nodiscard]] AnsiString DispOfIndex(std::int32_t index) const;
  // The bytes PicOfIndex decodes (empty after PicData_Dispose until the next Load).
  [[nodiscard]] const std::vector<std::uint8_t>& PicDataOf(std::int32_t index) const;

private:
  [[nodiscard]] const ButtonResRecord* Record(std::int32_t index) const;

  ButtonResFiles* files_;
  std::vector<ButtonResRecord> records_;
  std::unique_ptr<ButtonResFiles::Lock> lock_;
  std::string path_;
};

}  // namespace orvanta
