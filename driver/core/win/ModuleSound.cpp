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

namespace {

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

// A timer that ends a wait of a few milliseconds on time: a plain one ends it
// on the system's timer tick. Systems before Windows 10 1803 refuse the flag.
HANDLE MakeHoldTimer() {
  if (HANDLE timer = ::CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                              TIMER_MODIFY_STATE | SYNCHRONIZE)) {
    return timer;
  }
  return ::CreateWaitableTimerW(nullptr, FALSE, nullptr);
}

}  // namespace

// What the press and the sound thread share; the thread holds its own share,
// so nothing it touches goes away under it.
struct ClickSound::Shared {
  Shared(std::wstring p, Player pl, DWORD hold)
      : path(std::move(p)), player(std::move(pl)), holdMs(hold), released(::CreateEventW(nullptr, FALSE, FALSE, nullptr)),
        holdTimer(MakeHoldTimer()) {}
  const std::wstring path;
  const Player player;
  const DWORD holdMs;
  // Set by Release and at the stop; the click's hold waits on it and on the
  // timer.
  const wincommon::KernelHandle released;
  const wincommon::KernelHandle holdTimer;
  SRWLOCK lock = SRWLOCK_INIT;
  CONDITION_VARIABLE wake = CONDITION_VARIABLE_INIT;
  bool requested = false;
  bool pressDone = true;  // false from a Play until its Release
  bool stop = false;

  // Until the press's work is done or the hold has passed.
  void Hold();
};

void ClickSound::Shared::Hold() {
  LARGE_INTEGER due;
  due.QuadPart = -static_cast<LONGLONG>(holdMs) * 10000;  // relative, in 100 ns
  if (holdMs == 0 || !released || !holdTimer || !::SetWaitableTimer(holdTimer.get(), &due, 0, nullptr, nullptr, FALSE)) {
    return;
  }
  const HANDLE waits[] = {released.get(), holdTimer.get()};
  for (;;) {
    ::AcquireSRWLockShared(&lock);
    const bool go = pressDone || stop;
    ::ReleaseSRWLockShared(&lock);
    // The event may still be set by a Release that came while no click was
    // held: the flag decides, the event only wakes.
    if (go || ::WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) break;
  }
  ::CancelWaitableTimer(holdTimer.get());
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
  if (shared_->released) ::SetEvent(shared_->released.get());
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
  // Only a click asked for since the last Release waits for this: every
  // other report costs no system call.
  const bool held = !shared_->pressDone;
  shared_->pressDone = true;
  ::ReleaseSRWLockExclusive(&shared_->lock);
  if (held && shared_->released) ::SetEvent(shared_->released.get());
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
