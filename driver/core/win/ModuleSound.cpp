#include "ModuleSound.h"

#include <mmsystem.h>

#include <memory>
#include <utility>

#include "wincommon/Files.h"

namespace orvanta::win {

void PlayClick(const std::string& wave, const std::wstring& path) {
  if (wave.empty() && path.empty()) {
    ::PlaySoundW(nullptr, nullptr, 0);
  } else if (!wave.empty()) {
    // SND_MEMORY reads the bytes while the sound plays: the caller keeps
    // them until it stops the sound (the sound thread does, before it ends).
    ::PlaySoundW(reinterpret_cast<LPCWSTR>(wave.data()), nullptr, SND_ASYNC | SND_MEMORY);
  } else {
    PlayWaveFile(path);
  }
}

void PlayWaveFile(const std::wstring& path) {
  // Played from the file, in the background: the press goes on at once. The
  // result is of no use to a click.
  ::PlaySoundW(path.c_str(), nullptr, SND_ASYNC | SND_FILENAME);
}

// What the press and the sound thread share; the thread holds its own share,
// so nothing it touches goes away under it.
struct ClickSound::Shared {
  Shared(std::wstring p, Player pl, DWORD hold) : path(std::move(p)), player(std::move(pl)), holdMs(hold) {}
  const std::wstring path;
  const Player player;
  const DWORD holdMs;
  SRWLOCK lock = SRWLOCK_INIT;
  // Wakes the sound thread for a click, for the end of its hold and for the
  // stop.
  CONDITION_VARIABLE wake = CONDITION_VARIABLE_INIT;
  bool requested = false;
  bool pressDone = true;  // false from a Play until its Release
  bool stop = false;

  // Until the press's work is done or the hold has passed.
  void Hold();
};

void ClickSound::Shared::Hold() {
  if (holdMs == 0) return;
  LARGE_INTEGER frequency, now;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&now);
  const LONGLONG deadline = now.QuadPart + frequency.QuadPart * holdMs / 1000;
  // A wait of a few milliseconds ends on the system's timer tick, 15.6 ms
  // unless a finer period is asked for; asked for only while a click is held.
  // (Wine's waits end on time without it.)
  const bool fine = ::timeBeginPeriod(1) == TIMERR_NOERROR;
  ::AcquireSRWLockExclusive(&lock);
  while (!pressDone && !stop) {
    ::QueryPerformanceCounter(&now);
    if (now.QuadPart >= deadline) break;
    const auto left = static_cast<DWORD>((deadline - now.QuadPart) * 1000 / frequency.QuadPart + 1);
    ::SleepConditionVariableSRW(&wake, &lock, left, 0);
  }
  ::ReleaseSRWLockExclusive(&lock);
  if (fine) ::timeEndPeriod(1);
}

ClickSound::ClickSound(std::wstring path, Player player, DWORD holdMs)
    : shared_(std::make_shared<Shared>(std::move(path), player ? std::move(player) : Player(PlayClick), holdMs)) {
  auto* share = new std::shared_ptr<Shared>(shared_);
  thread_.reset(::CreateThread(nullptr, 0, &ClickSound::Run, share, 0, nullptr));
  if (!thread_) delete share;
}

ClickSound::~ClickSound() {
  ::AcquireSRWLockExclusive(&shared_->lock);
  shared_->stop = true;
  ::ReleaseSRWLockExclusive(&shared_->lock);
  ::WakeConditionVariable(&shared_->wake);
  // A thread still inside the sound device after the bound is let go with
  // its share of the state; the process ends it when it exits.
  if (thread_) ::WaitForSingleObject(thread_.get(), kStopWaitMs);
}

void ClickSound::Play() {
  if (!thread_) {
    // No sound thread: a click by name, on this thread, beats none.
    shared_->player({}, shared_->path);
    return;
  }
  ::AcquireSRWLockExclusive(&shared_->lock);
  shared_->requested = true;
  shared_->pressDone = false;
  ::ReleaseSRWLockExclusive(&shared_->lock);
  ::WakeConditionVariable(&shared_->wake);
}

void ClickSound::Release() {
  ::AcquireSRWLockExclusive(&shared_->lock);
  // Only a click asked for since the last Release waits for this.
  const bool held = !shared_->pressDone;
  shared_->pressDone = true;
  ::ReleaseSRWLockExclusive(&shared_->lock);
  if (held) ::WakeConditionVariable(&shared_->wake);
}

DWORD WINAPI ClickSound::Run(void* param) {
  const std::unique_ptr<std::shared_ptr<Shared>> share(static_cast<std::shared_ptr<Shared>*>(param));
  Shared& s = **share;
  // Shorter than a RIFF header: nothing PlaySound could take from memory.
  constexpr std::size_t kWaveHeader = 44;
  std::string wave = wincommon::ReadFileBytes(s.path);
  if (wave.size() < kWaveHeader) wave.clear();
  bool played = false;
  for (;;) {
    ::AcquireSRWLockExclusive(&s.lock);
    while (!s.requested && !s.stop) ::SleepConditionVariableSRW(&s.wake, &s.lock, INFINITE, 0);
    const bool stop = s.stop;
    s.requested = false;
    ::ReleaseSRWLockExclusive(&s.lock);
    if (stop) break;
    s.Hold();
    s.player(wave, s.path);
    played = true;
  }
  if (played) s.player({}, {});
  return 0;
}

}  // namespace orvanta::win
