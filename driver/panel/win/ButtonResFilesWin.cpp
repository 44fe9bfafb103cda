#include "ButtonResFilesWin.h"

#include <windows.h>

#include <algorithm>

#include "wincommon/Handles.h"
#include "wincommon/Text.h"

namespace orvanta::win {

namespace {

class HandleLock : public ButtonResFiles::Lock {
public:
  explicit HandleLock(wincommon::FileHandle file) : file_(std::move(file)) {}

private:
  wincommon::FileHandle file_;
};

}  // namespace

bool ButtonResFilesWin::Exists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesW(wincommon::Utf8ToWide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::unique_ptr<ButtonResFiles::Lock> ButtonResFilesWin::LockAgainstWriters(const std::string& path) {
  // Read access shared with readers only: any later open that asks for
  // write access fails with a sharing violation while this handle lives.
  // (An open that already holds write access makes this one fail instead.)
  wincommon::FileHandle file(::CreateFileW(wincommon::Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return nullptr;
  return std::make_unique<HandleLock>(std::move(file));
}

std::optional<std::string> ButtonResFilesWin::Read(const std::string& path, std::size_t maxBytes) {
  // Sharing write too lets the read succeed when the lock could not be
  // taken because another program holds the file open for writing.
  const wincommon::FileHandle file(::CreateFileW(wincommon::Utf8ToWide(path).c_str(), GENERIC_READ,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::string bytes;
  char buffer[64 * 1024];
  DWORD got = 0;
  while (bytes.size() < maxBytes && ::ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) {
    bytes.append(buffer, std::min<std::size_t>(got, maxBytes - bytes.size()));
  }
  return bytes;
}

}  // namespace orvanta::win
