#include "ModuleSound.h"

#include <mmsystem.h>

#include "wincommon/Files.h"
#include "identities/WindowIdentities.h"

namespace orvanta::win {

namespace {

constexpr UINT kStartMessage = WM_APP + 1;

void PlayThroughWinmm(const std::string& wave, const std::wstring& path) {
  if (wave.empty() && path.empty()) {
    ::PlaySoundW(nullptr, nullptr, 0);
  } else if (!wave.empty()) {
    // SND_MEMORY reads the bytes while the sound plays: they live as long as
    // the sound thread, which stops the sound before it ends.
    ::PlaySoundW(reinterpret_cast<LPCWSTR>(wave.data()), nullptr, SND_ASYNC | SND_MEMORY);
  } else {
    PlayWaveFile(path);
  }
}

}  // namespace

void PlayWaveFile(const std::wstring& path) {
  // Played from the file, in the background: the press goes on at once. The
  // result is of no use to a click.
  ::PlaySoundW(path.c_str(), nullptr, SND_ASYNC | SND_FILENAME);
}

ClickSound::ClickSound(std::wstring path, Player player)
    : path_(std::move(path)), player_(player ? std::move(player) : Player(PlayThroughWinmm)) {
  CreateArgs args;
  args.className = identity::kClickSoundClass;
  args.style = 0;
  args.parent = HWND_MESSAGE;
  // Without the window Play starts each click at once on the pressing thread.
  (void)Create(args);
  thread_ = std::thread([this] { Run(); });
}

ClickSound::~ClickSound() {
  Destroy();
  ::AcquireSRWLockExclusive(&lock_);
  stop_ = true;
  ::ReleaseSRWLockExclusive(&lock_);
  ::WakeConditionVariable(&wake_);
  thread_.join();
}

void ClickSound::Play() {
  if (posted_) return;
  posted_ = hwnd() && ::PostMessageW(hwnd(), kStartMessage, 0, 0);
  // No window or a full queue: a click at once beats none.
  if (!posted_) Start();
}

LRESULT ClickSound::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg != kStartMessage) return Window::HandleMessage(msg, wp, lp);
  posted_ = false;
  Start();
  return 0;
}

void ClickSound::Start() {
  ::AcquireSRWLockExclusive(&lock_);
  requested_ = true;
  ::ReleaseSRWLockExclusive(&lock_);
  ::WakeConditionVariable(&wake_);
}

void ClickSound::Run() {
  // Shorter than a RIFF header: nothing PlaySound could take from memory.
  constexpr std::size_t kWaveHeader = 44;
  std::string wave = wincommon::ReadFileBytes(path_);
  if (wave.size() < kWaveHeader) wave.clear();
  bool played = false;
  for (;;) {
    ::AcquireSRWLockExclusive(&lock_);
    while (!requested_ && !stop_) ::SleepConditionVariableSRW(&wake_, &lock_, INFINITE, 0);
    const bool stop = stop_;
    requested_ = false;
    ::ReleaseSRWLockExclusive(&lock_);
    if (stop) break;
    player_(wave, path_);
    played = true;
  }
  if (played) player_({}, {});
}

}  // namespace orvanta::win
