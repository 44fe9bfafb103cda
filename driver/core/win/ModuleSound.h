#pragma once
// The click sound.
#include <string>

namespace orvanta::win {

// Starts playing the wave file and returns at once; a later call cuts the
// sound off. A missing or unplayable file plays the system's default sound
// (the "no default" flag is deliberately not given), so a click is always heard.
void PlayWaveFile(const std::wstring& path);

}  // namespace orvanta::win
