#pragma once
// The click sound.
#include <windows.h>

#include <functional>
#include <string>
#include <thread>

#include "wincommon/Window.h"

namespace orvanta::win {

// Starts playing the wave file and returns at once; a later call cuts the
// sound off. A missing or unplayable file plays the system's default sound
// (the "no default" flag is deliberately not given), so a click is always heard.
void PlayWaveFile(const std::wstring& path);

// The click of every press, asked for before the button's action and played
// by a thread of its own, so that the action never waits for it. Two costs
// are kept off the press under Wine: an asynchronous PlaySound still costs
// its caller 0.6-0.8 ms (it starts a sound thread and reads the file on every
// call), and the sound's start-up, even on another thread, is a burst of
// calls into the Wine server that the action's own cross-process messages
// queue behind (3 ms more to the touch-data program, measured). So the click
// starts once the asking thread is back in its message loop, that is after
// the action, or at its first wait for another program; that is a few
// milliseconds, which no one hears. The file is read once, by the sound
// thread, and played from memory; a file that is missing or unreadable then
// is played by name on every click, which sounds the system's default as
// PlayWaveFile does (and finds a file put there later). A click asked for
// while the last one plays cuts it off.
class ClickSound : private wincommon::Window {
public:
  // What the sound thread does with a click: the wave's bytes when the file
  // was read, else empty bytes and the path. Tests record instead of playing.
  // Called with empty bytes and an empty path to stop a playing sound.
  using Player = std::function<void(const std::string& wave, const std::wstring& path)>;

  // Made on the thread whose presses ask for the click (its message loop
  // starts them).
  explicit ClickSound(std::wstring path, Player player = {});
  // Stops a playing sound and joins the thread.
  ~ClickSound() override;
  ClickSound(const ClickSound&) = delete;
  ClickSound& operator=(const ClickSound&) = delete;

  // Asks for the click and returns at once (one posted message); never
  // waits for the sound thread.
  void Play();

private:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void Start();
  void Run();

  const std::wstring path_;
  Player player_;
  // A slim lock and condition variable: under Wine waking a thread through
  // them stays in the process, where an event is a round trip to the server.
  SRWLOCK lock_ = SRWLOCK_INIT;
  CONDITION_VARIABLE wake_ = CONDITION_VARIABLE_INIT;
  bool requested_ = false;
  bool stop_ = false;
  bool posted_ = false;  // a start is on its way through the message queue
  std::thread thread_;
};

}  // namespace orvanta::win
