// The click sound's own thread: a press asks for the click and goes on at
// once, whatever the sound device does; the click starts once the report is
// handled, or after a short hold while the action runs; the file is read once; a missing or broken file falls back
// to playing by name (the system's default sound); a wedged device does not
// keep the driver from ending.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
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
    if (c.exists) {
      ASSERT_TRUE(folder.WriteText(L"Orvanta.wav", c.bytes));
    }
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

// The press's action may block the thread for seconds (a hung program, a
// slow start) without pumping messages: the click waits for it only its
// short hold. A report handled ends the hold at once (here a hold of a
// minute). And a sound never asked for is never stopped either.
TEST(ClickSound, StartsWhenThePressIsHandledOrAfterItsHoldWhileTheActionBlocks) {
  Recorder recorder;
  { ClickSound unused(L"C:\\nowhere\\Orvanta.wav", recorder.Player()); }
  EXPECT_TRUE(recorder.Calls().empty()) << "nothing played, nothing stopped";
  const auto called = std::make_shared<wincommon::KernelHandle>(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
  const ClickSound::Player player = [called](const std::string&, const std::wstring& path) {
    if (!path.empty()) ::SetEvent(called->get());
  };
  ClickSound sound(L"C:\\nowhere\\Orvanta.wav", player);
  sound.Play();
  // The action: this thread waits without looking at its messages.
  EXPECT_EQ(::WaitForSingleObject(called->get(), 10000), WAIT_OBJECT_0) << "the click waited for the action";

  ClickSound held(L"C:\\nowhere\\Orvanta.wav", player, 60000);
  held.Play();
  // Time for the sound thread to be waiting in its hold, so the release must
  // wake it (one that got there later finds the release already made).
  ::Sleep(200);
  held.Release();
  EXPECT_EQ(::WaitForSingleObject(called->get(), 10000), WAIT_OBJECT_0) << "the click waited out its hold";
}

// A wedged sound device: the player never returns while the driver ends.
TEST(ClickSound, EndsWithinItsBoundWhateverTheSoundThreadDoesAndLetsTheThreadFinishLater) {
  struct Device {
    wincommon::KernelHandle entered{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    wincommon::KernelHandle release{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    wincommon::KernelHandle stopped{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  };
  const auto device = std::make_shared<Device>();
  auto sound = std::make_unique<ClickSound>(L"C:\\nowhere\\Orvanta.wav",
                                            [device](const std::string&, const std::wstring& path) {
                                              if (path.empty()) {
                                                ::SetEvent(device->stopped.get());
                                                return;
                                              }
                                              ::SetEvent(device->entered.get());
                                              ::WaitForSingleObject(device->release.get(), INFINITE);
                                            });
  sound->Play();
  ASSERT_EQ(::WaitForSingleObject(device->entered.get(), 10000), WAIT_OBJECT_0);
  wincommon::KernelHandle destroyed(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  std::thread ending([&] {
    sound.reset();
    ::SetEvent(destroyed.get());
  });
  // Far past the bound, not timed tightly: an unbounded wait never ends here.
  EXPECT_EQ(::WaitForSingleObject(destroyed.get(), 10 * ClickSound::kStopWaitMs), WAIT_OBJECT_0);
  // The device comes back: the thread stops the sound with its own share of
  // the state and ends.
  ::SetEvent(device->release.get());
  ending.join();
  EXPECT_EQ(::WaitForSingleObject(device->stopped.get(), 10000), WAIT_OBJECT_0);
}

}  // namespace
