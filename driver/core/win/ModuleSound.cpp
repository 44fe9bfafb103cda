#include "ModuleSound.h"

#include <windows.h>

#include <mmsystem.h>

namespace orvanta::win {

void PlayWaveFile(const std::wstring& path) {
  // SND_ASYNC | SND_FILENAME (0x20001). The result is of no use to a click.
  ::PlaySoundW(path.c_str(), nullptr, SND_ASYNC | SND_FILENAME);
}

}  // namespace orvanta::win
