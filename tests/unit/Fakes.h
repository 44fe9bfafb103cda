#pragma once
// Stand-ins shared by the unit tests and two fuzzers: a fake clock with
// timers it drives, a scripted receiver link (on the panel stand-in's), a wake signal and the simulated
// panel in memory with it, a recording notifier, files with version texts and
// shortcuts, a recording action handler, button
// resource files in memory and a record maker, a profile store that refuses
// writes, and a temporary folder.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <ostream>
#include <memory>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "actions/ActionHandler.h"
#include "base/AnsiString.h"
#include "base/FileInf.h"
#include "base/Notifier.h"
#include "core/Receiver.h"
#include "base/UiTimer.h"
#include "base/WakeSignal.h"
#include "fntd2xx/MemoryDevice.h"
#include "fntd2xx/QueueLink.h"
#include "panel/ClassButtonRes.h"
#include "profile/ProfileEmulation.h"

namespace orvanta {
// ANSI texts in test messages, as their bytes.
inline void PrintTo(const AnsiString& text, std::ostream* out) { *out << '"' << text.bytes() << '"'; }
}  // namespace orvanta

namespace orvanta::testing {

// Bytes of code page 932 (or ASCII built at run time) as an ANSI text.
inline AnsiString Ansi(std::string bytes) { return AnsiString::FromBytes(std::move(bytes)); }

class FakeTimer;

// What std::thread throws when no thread can be made.
[[noreturn]] inline void ThrowNoThread() {
  throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again), "no thread");
}

// Time stands still until a test advances it; timers due on the way fire in
// order of their due time, each at its own moment.
class FakeClock {
public:
  [[nodiscard]] std::uint64_t Now() const { return now_; }
  void Advance(std::uint64_t ms) { AdvanceTo(now_ + ms); }
  void AdvanceTo(std::uint64_t t);

private:
  friend class FakeTimer;
  std::uint64_t now_ = 0;
  std::vector<FakeTimer*> timers_;
};

// A UI timer as the forms have it: periodic, restarted by switching it on or
// changing its interval, never firing with interval 0.
class FakeTimer : public UiTimer {
public:
  explicit FakeTimer(FakeClock* clock = nullptr) : clock_(clock) {
    if (clock_) clock_->timers_.push_back(this);
  }
  ~FakeTimer() override {
    if (clock_) clock_->timers_.erase(std::find(clock_->timers_.begin(), clock_->timers_.end(), this));
  }
  FakeTimer(const FakeTimer&) = delete;
  FakeTimer& operator=(const FakeTimer&) = delete;

  void SetInterval(std::uint32_t ms) override {
    interval_ = ms;
    Rearm();
  }
  [[nodiscard]] std::uint32_t Interval() const override { return interval_; }
  void SetEnabled(bool on) override {
    if (on && failSwitchOns > 0) {
      --failSwitchOns;
      ThrowNoThread();
    }
    enabled_ = on;
    Rearm();
  }
  [[nodiscard]] bool Enabled() const override { return enabled_; }
  void SetHandler(std::function<void()> handler) override { handler_ = std::move(handler); }

  // Runs the handler as one tick would, whatever the clock says.
  void Fire() {
    if (enabled_ && handler_) handler_();
  }
  [[nodiscard]] bool Armed() const { return enabled_ && interval_ > 0; }
  // Switching on throws this many more times, as a Windows timer does whose
  // worker thread cannot be made; the timer stays off.
  int failSwitchOns = 0;

private:
  friend class FakeClock;
  void Rearm() { due_ = (clock_ ? clock_->Now() : 0) + interval_; }

  FakeClock* clock_;
  std::function<void()> handler_;
  std::uint32_t interval_ = 0;
  bool enabled_ = false;
  std::uint64_t due_ = 0;
};

inline void FakeClock::AdvanceTo(std::uint64_t t) {
  for (;;) {
    FakeTimer* next = nullptr;
    for (FakeTimer* timer : timers_) {
      if (timer->Armed() && timer->due_ <= t && (!next || timer->due_ < next->due_)) next = timer;
    }
    if (!next) break;
    now_ = std::max(now_, next->due_);
    next->due_ = now_ + next->interval_;
    next->Fire();
  }
  now_ = std::max(now_, t);
}

// The panel link over a byte queue, with faults to script: a device that
// vanishes at a given InBufferCount call, or that reports bytes but yields
// none; its calls counted.
class ScriptedLink : public panelsim::QueueLink {
public:
  bool open = true;
  int unplugAtCount = 0;  // 0: never
  int countCalls = 0;
  int reads = 0;
  bool readsYieldNothing = false;

  bool IsOpen() override { return open; }
  std::int32_t InBufferCount() override {
    ++countCalls;
    if (unplugAtCount != 0 && countCalls >= unplugAtCount) open = false;
    return open ? QueueLink::InBufferCount() : 0;
  }
  std::string ReadStrData() override {
    ++reads;
    return open && !readsYieldNothing ? QueueLink::ReadStrData() : std::string();
  }
};

// A wake signal whose sets run the handler at once (while armed), as the
// UI thread would soon after the library set the event.
class FakeSignal : public WakeSignal {
public:
  void* Handle() override { return this; }
  void SetArmed(bool on) override {
    if (on && failArms > 0) {
      --failArms;
      ThrowNoThread();
    }
    armed_ = on;
  }
  // Arming throws this many more times (no thread to wait for the event).
  int failArms = 0;
  void SetWakeHandler(std::function<void()> handler) override { handler_ = std::move(handler); }
  void Set() {
    ++sets_;
    if (armed_ && handler_) handler_();
  }
  [[nodiscard]] bool Armed() const { return armed_; }
  [[nodiscard]] int Sets() const { return sets_; }

private:
  bool armed_ = false;
  int sets_ = 0;
  std::function<void()> handler_;
};

// The simulated panel in memory, whose receive event is a FakeSignal.
struct FakeD2xxDevice : panelsim::MemoryDevice {
  FakeD2xxDevice() {
    setEvent = [](void* event) { static_cast<FakeSignal*>(event)->Set(); };
  }
};

class RecordingNotifier : public Notifier {
public:
  struct Note {
    std::string text;
    std::int32_t timeoutMs;
    std::int32_t style;
  };
  std::vector<Note> notes;
  // The texts shown, with " [stays]" after those shown until the next when
  // asked.
  [[nodiscard]] std::vector<std::string> Texts(bool markStaying = false) const {
    std::vector<std::string> out;
    for (const auto& n : notes) out.push_back(n.text + (markStaying && n.timeoutMs == 0 ? " [stays]" : ""));
    return out;
  }
  void SetText(const std::string& text, std::int32_t timeoutMs, std::int32_t style) override {
    notes.push_back(Note{text, timeoutMs, style});
  }
};

// Files with their version texts (FileDescription, ProductName,
// CompanyName) and shortcuts with their targets.
struct FakeFiles : FileInfo {
  struct Info {
    AnsiString description, product, company;
  };
  std::map<AnsiString, Info> files;
  std::map<AnsiString, AnsiString> shortcuts;

  AnsiString GetFileVerInfo(const AnsiString& path, int item) override {
    const auto it = files.find(path);
    if (it == files.end()) return {};
    return item == kVerFileDescription ? it->second.description
           : item == kVerProductName   ? it->second.product
           : item == kVerCompanyName   ? it->second.company
                                       : AnsiString();
  }
  FixedFileVerInfo GetFixedFileVerInfo(const AnsiString&) override { return {}; }
  AnsiString GetShortcutInfo(const AnsiString& path, int property) override {
    const auto it = shortcuts.find(path);
    return property == kLnkTargetPath && it != shortcuts.end() ? it->second : AnsiString();
  }
  AnsiString GetProcessImagePath(std::uint32_t) override { return {}; }
  bool FileExists(const AnsiString& path) override { return files.count(path) != 0; }
};

// Answers for the names in its list as a real handler does and logs every
// name it is handed, after "group:" when it has a group.
class RecordingHandler : public ActionHandler {
public:
  RecordingHandler(std::vector<std::string> list, std::vector<std::string>* log, const std::string& group = {})
      : list_(std::move(list)), log_(log), prefix_(group.empty() ? group : group + ":") {}
  [[nodiscard]] const std::vector<std::string>& ActionList() const override { return list_; }
  bool Action(const std::string& name) override {
    log_->push_back(prefix_ + name);
    return InActionList(list_, name);
  }

private:
  std::vector<std::string> list_;
  std::vector<std::string>* log_;
  std::string prefix_;
};

// Button resource files by path; a lock is counted while it lives.
struct MemoryFiles : ButtonResFiles {
  struct CountedLock : Lock {
    explicit CountedLock(int& n) : n_(n) { ++n_; }
    ~CountedLock() override { --n_; }
    int& n_;
  };
  std::map<std::string, std::string> files;
  int locks = 0;

  bool Exists(const std::string& path) override { return files.count(path) != 0; }
  std::unique_ptr<Lock> LockAgainstWriters(const std::string& path) override {
    return Exists(path) ? std::make_unique<CountedLock>(locks) : nullptr;
  }
  std::optional<std::string> Read(const std::string& path, std::size_t maxBytes) override {
    if (!Exists(path)) return std::nullopt;
    return files[path].substr(0, maxBytes);
  }
};

// A valid record unless told otherwise; "\x83\x79\x83\x93" is ペン in code page 932.
inline ButtonResRecord Rec(AnsiString name, AnsiString type = "Btn",
                           std::vector<AnsiString> disp = {AnsiString::FromBytes("\x83\x79\x83\x93")},
                           std::vector<std::uint8_t> pic = {'B', 'M', 1, 2}) {
  ButtonResRecord r;
  r.Name = std::move(name);
  r.Type = std::move(type);
  r.Disp = std::move(disp);
  r.PicSize = static_cast<std::int32_t>(pic.size());
  r.PicData = std::move(pic);
  return r;
}

// INI files that refuse writes as a read-only file or folder does: every
// write, or one key's only. Reads go on as before.
struct RefusingStore : profilesim::EmulatedProfileFiles {
  bool refuseAll = false;
  AnsiString refusedKey;
  bool Write(const std::string& file, const AnsiString& section, const AnsiString& key,
             const AnsiString& value) override {
    return !refuseAll && key != refusedKey && EmulatedProfileFiles::Write(file, section, key, value);
  }
};

// A fresh folder under the system's temporary folder, removed afterwards.
class TempDir {
public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orvanta-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  [[nodiscard]] const std::string& Path() const { return path_; }
  [[nodiscard]] bool Ok() const { return !path_.empty(); }
  [[nodiscard]] std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
  std::string path_;
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace orvanta::testing
