// The click sound's own thread: a press asks for the click and goes on at
// once, whatever the sound device does; the click starts when the asking
// thread pumps messages again; the file is read once; a missing or broken
// file falls back to playing by name (the system's default sound).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "common/Harness.h"
#include "core/win/ModuleSound.h"
#include "wincommon/Handles.h"

namespace {

using namespace std::chrono_literals;
using orvanta::win::ClickSound;

struct Played {
  std::string wave;
  std::wstring path;
};

// Records what the sound thread plays; thread-safe.
struct Recorder {
  ClickSound::Player Player() {
    return [this](const std::string& wave, const std::wstring& path) {
      const std::lock_guard<std::mutex> lock(mutex);
      played.push_back(Played{wave, path});
    };
  }
  [[nodiscard]] std::vector<Played> Calls() {
    const std::lock_guard<std::mutex> lock(mutex);
    return played;
  }
  std::mutex mutex;
  std::vector<Played> played;
};

// A valid-looking RIFF header and a few samples; only its size and bytes count here.
const std::string kWave = std::string("RIFF") + std::string(40, '\x01') + "samples";

TEST(ClickSound, PlaysTheBytesReadOnceOrElseByName) {
  const struct {
    const char* name;
    bool exists;
    std::string bytes;
    bool fromMemory;
  } cases[] = {{"a wave", true, kWave, true}, {"missing", false, "", false},
               {"too short for a wave", true, "RIFF", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    harness::TestFolder folder;
    const std::wstring path = folder.File(L"Orvanta.wav");
    if (c.exists) ASSERT_TRUE(folder.WriteText(L"Orvanta.wav", c.bytes));
    Recorder recorder;
    {
      ClickSound sound(path, recorder.Player());
      sound.Play();
      ASSERT_TRUE(harness::WaitUntil([&] { return recorder.Calls().size() == 1; }, 5s));
      // Read once: a file changed afterwards is not read again.
      folder.WriteText(L"Orvanta.wav", kWave + "changed");
      sound.Play();
      ASSERT_TRUE(harness::WaitUntil([&] { return recorder.Calls().size() == 2; }, 5s));
    }
    const auto calls = recorder.Calls();
    ASSERT_EQ(calls.size(), 3u);
    for (std::size_t i = 0; i < 2; ++i) {
      if (c.fromMemory) {
        EXPECT_EQ(calls[i].wave, c.bytes);
      } else {
        EXPECT_TRUE(calls[i].wave.empty());
        EXPECT_EQ(calls[i].path, path);
      }
    }
    EXPECT_TRUE(calls[2].wave.empty() && calls[2].path.empty()) << "the sound is stopped at the end";
  }
}

TEST(ClickSound, PlayNeverWaitsForTheSoundThread) {
  // A sound device that hangs: the player blocks until released (or gives
  // up after a while and says so).
  wincommon::KernelHandle release(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  std::atomic<int> entered{0};
  std::atomic<bool> gaveUp{false};
  {
    ClickSound sound(L"C:\\nowhere\\Orvanta.wav", [&](const std::string&, const std::wstring& path) {
      if (path.empty()) return;
      ++entered;
      if (::WaitForSingleObject(release.get(), 5000) != WAIT_OBJECT_0) gaveUp = true;
    });
    sound.Play();
    ASSERT_TRUE(harness::WaitUntil([&] { return entered == 1; }, 5s));
    // Presses while the sound hangs.
    sound.Play();
    sound.Play();
    ::SetEvent(release.get());
    EXPECT_TRUE(harness::WaitUntil([&] { return entered == 2; }, 5s))
        << "clicks asked for while one plays are played once more";
  }
  EXPECT_FALSE(gaveUp.load()) << "Play waited for the hanging sound";
  EXPECT_EQ(entered.load(), 2);
}

// And a sound never asked for is never stopped either.
TEST(ClickSound, StartsOnceTheAskingThreadIsBackInItsMessageLoop) {
  Recorder recorder;
  { ClickSound unused(L"C:\\nowhere\\Orvanta.wav", recorder.Player()); }
  EXPECT_TRUE(recorder.Calls().empty()) << "nothing played, nothing stopped";
  ClickSound sound(L"C:\\nowhere\\Orvanta.wav", recorder.Player());
  sound.Play();
  // The press's action runs now, without pumping messages; the sound must
  // not start under it (its start-up would compete with the action).
  const ULONGLONG end = ::GetTickCount64() + 100;
  while (::GetTickCount64() < end && recorder.Calls().empty()) ::Sleep(1);
  EXPECT_TRUE(recorder.Calls().empty());
  EXPECT_TRUE(harness::WaitUntil([&] { return recorder.Calls().size() == 1; }, 5s));
}

}  // namespace
