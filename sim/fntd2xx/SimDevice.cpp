#include "SimDevice.h"

#include <iterator>

namespace panelsim {

std::wstring CurrentName() {
  wchar_t buf[128] = {};
  const DWORD n = ::GetEnvironmentVariableW(kNameVariable, buf, static_cast<DWORD>(std::size(buf)));
  if (n == 0 || n >= std::size(buf)) return kDefaultName;
  return std::wstring(buf, n);
}

std::int64_t QpcNow() {
  LARGE_INTEGER v;
  ::QueryPerformanceCounter(&v);
  return v.QuadPart;
}

std::int64_t QpcFrequency() {
  LARGE_INTEGER v;
  ::QueryPerformanceFrequency(&v);
  return v.QuadPart;
}

std::int64_t ByteTicks() { return QpcFrequency() * kBitsPerByte / kPanelBaud; }

// ---- Mapping ----------------------------------------------------------------

bool Mapping::Open(const std::wstring& name) {
  Close();
  // "Local\" keeps the objects in the session; Wine has one session anyway.
  const std::wstring base = L"Local\\" + name;
  mutex_.reset(::CreateMutexW(nullptr, FALSE, (base + L".Lock").c_str()));
  if (!mutex_) return false;
  const auto size = static_cast<DWORD>(sizeof(Block));
  section_.reset(
      ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, (base + L".Block").c_str()));
  if (!section_) return false;
  block_ = static_cast<Block*>(::MapViewOfFile(section_.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(Block)));
  if (!block_) return false;
  changed_.reset(::CreateEventW(nullptr, FALSE, FALSE, (base + L".Changed").c_str()));
  if (!changed_) return false;
  name_ = name;
  // Whoever comes first initialises; the pages of a new section are zero.
  // The named mutex makes sure that happens once, before anyone uses it.
  ::WaitForSingleObject(mutex_.get(), INFINITE);  // WAIT_ABANDONED also hands it over
  if (block_->magic == 0) {
    Lock lock(*this);
    InitBlock(*lock, QpcNow(), QpcFrequency());
  }
  // A block of another layout comes from a stale build of the other side;
  // sharing it would corrupt both, so refuse it.
  const bool compatible = block_->magic == kBlockMagic && block_->size == sizeof(Block);
  ::ReleaseMutex(mutex_.get());
  if (!compatible) Close();
  return compatible;
}

void Mapping::Close() {
  if (block_) ::UnmapViewOfFile(block_);
  block_ = nullptr;
  section_.reset();
  changed_.reset();
  mutex_.reset();
  name_.clear();
}

Mapping::~Mapping() { Close(); }

void Mapping::SpendCallCost() const {
  const std::uint32_t us = block_->callCostUs;
  if (us == 0) return;
  // Spun, not slept: a sleep under Wine lasts at least one timer slack
  // (50 us and more), which would swamp the small costs. The spin also
  // burns the CPU time a library that works for its answer would.
  const std::int64_t end = QpcNow() + QpcFrequency() * us / 1000000;
  while (QpcNow() < end) YieldProcessor();
}

namespace {

bool ThreadGone(DWORD threadId) {
  const HANDLE thread = ::OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, threadId);
  if (!thread) return true;
  DWORD code = 0;
  const bool gone = !::GetExitCodeThread(thread, &code) || code != STILL_ACTIVE;
  ::CloseHandle(thread);
  return gone;
}

// The lock word is a 32-bit LONG to the Interlocked functions.
static_assert(sizeof(LONG) == sizeof(std::int32_t));
volatile LONG* LockWord(Block* b) { return reinterpret_cast<volatile LONG*>(&b->lockOwner); }

}  // namespace

Mapping::Lock::Lock(const Mapping& m) : block_(m.block_) {
  const auto me = static_cast<LONG>(::GetCurrentThreadId());
  for (unsigned spin = 0;; ++spin) {
    const LONG owner = ::InterlockedCompareExchange(LockWord(block_), me, 0);
    if (owner == 0) return;
    // Holders keep the lock for microseconds: spin briefly, then yield, then
    // sleep, and now and then see whether the holder still exists.
    if (spin < 64) {
      YieldProcessor();
    } else if (spin < 1024) {
      ::Sleep(0);
    } else {
      ::Sleep(1);
      if (spin % 64 == 0 && ThreadGone(static_cast<DWORD>(owner))) {
        ::InterlockedCompareExchange(LockWord(block_), 0, owner);
      }
    }
  }
}

Mapping::Lock::~Lock() { ::InterlockedExchange(LockWord(block_), 0); }

}  // namespace panelsim
