#pragma once
// The click sound.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "wincommon/Handles.h"

namespace orvanta::win {

// Starts playing the wave file and returns at once; a later call cuts the
// sound off. A missing or unplayable file plays the system's default sound
// (the "no default" flag is deliberately not given), so a click is always heard.
void PlayWaveFile(const std::wstring& path);

// The click as the system plays it: the wave's bytes from memory, else the
// file by name; empty bytes and an empty path stop a playing sound. What a
// ClickSound plays with unless it is given another player.
void PlayClick(const std::string& wave, const std::wstring& path);

// The click of every press, asked for the moment the finger lands, before
// the button's action, and heard within a few milliseconds whatever that
// action then does: it may block the driver's thread for a second or more
// (PenPlus started and waited for, a hung touch-data program, the camera
// program started), and a click heard after that tells the user nothing.
// The press only wakes the sound thread (a slim lock and a condition
// variable: under Wine that stays in the process, where an event or a
// posted message goes through the Wine server) and goes on; the thread plays
// the click. An asynchronous PlaySound on the pressing thread would cost the
// press 0.6-0.8 ms under Wine (it starts a sound thread and reads the file on
// every call). The file is read once, by the sound thread, and played from
// memory; a file that is missing or unreadable then is played by name on
// every click, which sounds the system's default as PlayWaveFile does (and
// finds a file put there later). A click asked for while the last one plays
// cuts it off.
//
// The press's own work goes first: the click starts when the asking thread
// says the report is handled (Release) or after kHoldMs, whichever comes
// first. PlaySound's start-up (it makes a thread and opens the device on
// every call) is a burst of system work; under Wine it goes through the one
// Wine server, where the action's window questions and messages to other
// programs wait behind it. Started at once, the click made a fast
// calibration-set switch 1.9-2.6 ms instead of 0.9-1.1 ms, and a pen
// button's press 4.2 ms instead of 2.5-3.1 ms (bench_click_sound,
// bench_pen_road). On Windows the start-up runs beside the action on another
// core; the hold costs the click at most kHoldMs there, against tens of
// milliseconds of the audio engine's own latency. The hold is a wait on the
// same condition variable, in the process, with a 1 ms system timer period
// asked for while it lasts (a wait of a few milliseconds would otherwise end
// on the 15.6 ms tick); a waitable timer or an event would put the sound
// thread's own calls into the Wine server beside the action's.
//
// A sound device can wedge the thread inside the system's sound calls. The
// thread's state is shared with it (it keeps its share), so the destructor
// waits for it only a bounded time and then lets it go: a driver asked to
// end does end.
class ClickSound {
public:
  // What the sound thread does with a click: the wave's bytes when the file
  // was read, else empty bytes and the path. Tests record instead of playing.
  // Called with empty bytes and an empty path to stop a playing sound. It
  // lives as long as the sound thread, which may outlive the ClickSound.
  using Player = std::function<void(const std::string& wave, const std::wstring& path)>;

  // How long the destructor waits for the sound thread to stop the sound
  // and end.
  static constexpr DWORD kStopWaitMs = 1000;
  // How long a click waits for the press's own work at most.
  static constexpr DWORD kHoldMs = 3;

  explicit ClickSound(std::wstring path, Player player = {}, DWORD holdMs = kHoldMs);
  // Stops a playing sound; returns within kStopWaitMs whatever the sound
  // thread does.
  ~ClickSound();
  ClickSound(const ClickSound&) = delete;
  ClickSound& operator=(const ClickSound&) = delete;

  // Asks for the click and returns at once; never waits for the sound thread.
  void Play();
  // The press's work on the asking thread is done: a click asked for starts
  // now, if it has not yet.
  void Release();

private:
  struct Shared;
  static DWORD WINAPI Run(void* param);

  std::shared_ptr<Shared> shared_;
  wincommon::KernelHandle thread_;
};

}  // namespace orvanta::win
