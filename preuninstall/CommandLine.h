#pragma once
// Reading of OrvantaUninst's command line: "/u" followed by the command of the
// installer's removal program ST6UNST.EXE ("<removal path> -n <log path> ...").
// Platform-free: the file checks and the log reading are handed in, so every
// rule here runs in native unit tests.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace orvanta::preuninstall {

// Error codes of a run. The positive ones are also the numbers of the removal
// program's string resources that explain them.
enum class ErrorCode : int {
  None = 0,
  FileNotFound = -1,       // the removal program is missing or is not ST6UNST.EXE
  LogMissing = 605,        // the removal log cannot be opened or its path has no "."
  CommandIncomplete = 611, // no "-n", or nothing after it
  Cancelled = 702,         // refused, driver could not be stopped, or start failed
};

// The longest path we pass on. Win32's own ceiling for a path is 32767 UTF-16
// units; anything longer cannot name a file and is refused rather than cut,
// because a cut path would name a different file.
inline constexpr std::size_t kMaxPathLength = 32767;
// A title read from the log is shown in message boxes only; an absurdly long
// one is cut here (the removal program's own message buffer is 1023 too).
inline constexpr std::size_t kMaxTitleLength = 1023;

// Trims blanks (space, tab) at both ends; then, if the text begins and ends
// with a double quote, removes those two characters.
[[nodiscard]] std::wstring Unquote(std::wstring_view text);

[[nodiscard]] std::wstring_view TrimBlanks(std::wstring_view text);

struct Token {
  std::wstring argument;
  std::wstring rest;
};
// Splits the first argument off text: a quoted argument runs to the next
// double quote; an unquoted one ends before the first blank, "/" or double
// quote. Nothing is found for an unclosed quote or an empty argument.
[[nodiscard]] std::optional<Token> NextToken(std::wstring_view text);

// The arguments after the program's own name in a raw Windows command line
// (GetCommandLineW), the way the program's runtime hands them over.
[[nodiscard]] std::wstring_view ArgumentsOf(std::wstring_view commandLine);

// Removes the pair of double quotes that encloses the whole removal command,
// as some registrations write it: "C:\Windows\ST6UNST.EXE -n "C:\...\ST6UNST.LOG"".
// A command that merely begins with a quoted removal path and ends with a
// quoted log path ("C:\...\ST6UNST.EXE" -n "C:\...\ST6UNST.LOG") is left as it
// is: stripping its first and last quote would leave the log path unclosed.
// The opening quote encloses the whole command when its partner, the next
// quote, is the last character or is directly followed by a non-blank (an
// argument's closing quote is followed by a blank or the end).
[[nodiscard]] std::wstring StripEnclosingQuotes(std::wstring_view text);

// The path that FileReadable opens: unquoted, one trailing "\" dropped.
[[nodiscard]] std::wstring FileCheckPath(std::wstring_view path);

// True when the last 11 characters, lower-cased, are "st6unst.exe".
[[nodiscard]] bool NamesRemovalProgram(std::wstring_view path);

// Cuts forwarded arguments before the first " -w", then before the first
// " -f" (letter case ignored); the removal program gets its own "-f"/"-w".
[[nodiscard]] std::wstring CutSwitches(std::wstring_view forwarded);

// The parameters for a removal program that this program waits for.
[[nodiscard]] std::wstring WaitingParameters(std::wstring_view forwarded);
// The parameters that hand the removal over: the removal program itself waits
// for process pid (this program) to end. Two blanks stand between "-w" and the
// digits, as the removal program has always been called.
[[nodiscard]] std::wstring HandingOverParameters(std::wstring_view waitingParameters, std::uint32_t pid);

// What the run needs from the outside world.
struct Environment {
  // True when the file can be opened for reading (path as written in the command).
  std::function<bool(const std::wstring& path)> fileReadable;
  // The log's text, decoded; nullopt when it cannot be read at all.
  std::function<std::optional<std::wstring>(const std::wstring& path)> readText;
};

struct UninstallCommand {
  bool requested = false;  // "/u " was present; otherwise the program ends silently
  ErrorCode error = ErrorCode::None;
  std::wstring removalPath;
  std::wstring logPath;
  std::wstring appTitle;          // fills "|1" in the removal program's messages
  std::wstring forwarded;         // " -n "<log>" <rest>", cut before -w / -f
  std::wstring waitingParameters; // forwarded + " -f"
};

// Reads the arguments (the command line without the program name).
[[nodiscard]] UninstallCommand ParseUninstallCommand(std::wstring_view arguments, const Environment& env);

// The file that the product's uninstall registrations run: this program's own
// path as the system reports it (whatever the program is called: an older
// installer kit delivered it as OrvaRmvr.exe, this one as OrvantaUninst.exe),
// without the "\\?\" prefix of a program started by an extended-length path,
// which no registration writes.
[[nodiscard]] std::wstring OwnFile(std::wstring_view modulePath);

// ASCII-only case folding: the switches and names compared here are ASCII,
// and folding only ASCII keeps positions in the folded copy identical to the
// original text (Japanese characters have no case).
[[nodiscard]] std::wstring AsciiLower(std::wstring_view text);
[[nodiscard]] std::size_t FindNoCase(std::wstring_view text, std::wstring_view what, std::size_t from = 0);

}  // namespace orvanta::preuninstall
