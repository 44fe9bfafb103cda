#pragma once
// OrvantaUninst's dealings with Windows: files, the removal program's
// messages, the uninstall registrations, starting the removal program.
#include <windows.h>

#include <optional>
#include <string>

#include "CommandLine.h"
#include "Messages.h"
#include "wincommon/Handles.h"

namespace orvanta::preuninstall {

// The program's name, the title of the box for a missing file.
inline constexpr wchar_t kProgramName[] = L"OrvantaUninst";

[[nodiscard]] bool FileReadable(const std::wstring& path);
// The log's text: ANSI (the removal program writes it in the system code
// page), or UTF-8 / UTF-16 when it starts with a byte-order mark.
[[nodiscard]] std::optional<std::wstring> ReadLogText(const std::wstring& path);

// The removal program's string resources, with "|1" filled in.
class RemovalMessages {
public:
  RemovalMessages(const std::wstring& removalPath, std::wstring appTitle);
  // Empty when the program could not be loaded or lacks the string.
  [[nodiscard]] std::wstring Text(MessageId id) const;

private:
  wincommon::Module module_;
  std::wstring appTitle_;
};

// Uninstall registrations of the removal program that run ownFile.
[[nodiscard]] int CountRegistrations(const std::wstring& ownFile);

// Starts the removal program; waits for its end when asked.
[[nodiscard]] bool RunRemoval(const std::wstring& path, const std::wstring& parameters, bool wait);

// The box with the system's text for a missing file.
void ShowFileNotFound();
// The box for a failed run: the removal program's text for the code, or the
// missing-file box when there is none.
void ShowFailure(ErrorCode code, const RemovalMessages* messages);

// Asks, stops the driver, starts the removal program. Returns false when the
// driver could not be stopped or the removal program not started. A refusal
// shows message 702 here and returns true with *refused set.
[[nodiscard]] bool ConfirmAndRun(const UninstallCommand& cmd, const RemovalMessages& messages, bool* refused);

}  // namespace orvanta::preuninstall
