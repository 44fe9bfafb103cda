#include "CommandLine.h"

#include <algorithm>

#include "LogTitle.h"

namespace orvanta::preuninstall {

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

wchar_t AsciiLowerChar(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

std::wstring CutTitle(std::wstring title) {
  if (title.size() > kMaxTitleLength) title.resize(kMaxTitleLength);
  return title;
}

UninstallCommand Fail(UninstallCommand cmd, ErrorCode code) {
  cmd.error = code;
  return cmd;
}

}  // namespace

std::wstring AsciiLower(std::wstring_view text) {
  std::wstring out(text);
  std::transform(out.begin(), out.end(), out.begin(), AsciiLowerChar);
  return out;
}

std::size_t FindNoCase(std::wstring_view text, std::wstring_view what, std::size_t from) {
  if (what.size() > text.size()) return std::wstring_view::npos;
  for (std::size_t i = from; i + what.size() <= text.size(); ++i) {
    bool same = true;
    for (std::size_t j = 0; j < what.size() && same; ++j) {
      same = AsciiLowerChar(text[i + j]) == AsciiLowerChar(what[j]);
    }
    if (same) return i;
  }
  return std::wstring_view::npos;
}

std::wstring_view TrimBlanks(std::wstring_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::wstring Unquote(std::wstring_view text) {
  text = TrimBlanks(text);
  // A lone quote both begins and ends the text, but is not a pair.
  if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"') {
    text = text.substr(1, text.size() - 2);
  }
  return std::wstring(text);
}

std::optional<Token> NextToken(std::wstring_view text) {
  text = TrimBlanks(text);
  std::wstring_view argument;
  std::wstring_view rest;
  if (!text.empty() && text.front() == L'"') {
    const std::size_t close = text.find(L'"', 1);
    if (close == std::wstring_view::npos) return std::nullopt;
    argument = text.substr(1, close - 1);
    rest = text.substr(close + 1);
  } else {
    std::size_t end = 0;
    while (end < text.size() && !IsBlank(text[end]) && text[end] != L'/' && text[end] != L'"') ++end;
    argument = text.substr(0, end);
    rest = text.substr(end);
  }
  argument = TrimBlanks(argument);
  if (argument.empty()) return std::nullopt;
  return Token{std::wstring(argument), std::wstring(TrimBlanks(rest))};
}

std::wstring_view ArgumentsOf(std::wstring_view commandLine) {
  std::size_t i = 0;
  // The program name follows the system's rule, not the C runtime's: a quoted
  // name runs to the next quote (no escapes), an unquoted one to the first blank.
  if (!commandLine.empty() && commandLine.front() == L'"') {
    const std::size_t close = commandLine.find(L'"', 1);
    i = close == std::wstring_view::npos ? commandLine.size() : close + 1;
  } else {
    while (i < commandLine.size() && !IsBlank(commandLine[i])) ++i;
  }
  commandLine.remove_prefix(i);
  while (!commandLine.empty() && IsBlank(commandLine.front())) commandLine.remove_prefix(1);
  return commandLine;
}

std::wstring StripEnclosingQuotes(std::wstring_view text) {
  text = TrimBlanks(text);
  if (text.size() < 2 || text.front() != L'"' || text.back() != L'"') return std::wstring(text);
  const std::size_t partner = text.find(L'"', 1);
  const bool enclosesAll = partner == text.size() - 1 || !IsBlank(text[partner + 1]);
  if (!enclosesAll) return std::wstring(text);
  return std::wstring(TrimBlanks(text.substr(1, text.size() - 2)));
}

std::wstring FileCheckPath(std::wstring_view path) {
  std::wstring p = Unquote(path);
  if (!p.empty() && p.back() == L'\\') p.pop_back();
  return p;
}

bool NamesRemovalProgram(std::wstring_view path) {
  static constexpr std::wstring_view kName = L"st6unst.exe";
  if (path.size() < kName.size()) return false;
  return AsciiLower(path.substr(path.size() - kName.size())) == kName;
}

std::wstring CutSwitches(std::wstring_view forwarded) {
  // Only the text after the quoted log path is searched: a log folder named
  // like "C:\Tools -free\ST6UNST.LOG" must not be cut in half. The blank that
  // follows the closing quote belongs to the search, so " -w" right after the
  // log path is found.
  std::size_t from = 0;
  if (const std::size_t open = forwarded.find(L'"'); open != std::wstring_view::npos) {
    const std::size_t close = forwarded.find(L'"', open + 1);
    if (close != std::wstring_view::npos) from = close + 1;
  }
  std::wstring out(forwarded);
  for (std::wstring_view sw : {std::wstring_view(L" -w"), std::wstring_view(L" -f")}) {
    const std::size_t at = FindNoCase(out, sw, std::min(from, out.size()));
    if (at != std::wstring::npos) out.resize(at);
  }
  return out;
}

std::wstring WaitingParameters(std::wstring_view forwarded) { return std::wstring(forwarded) + L" -f"; }

std::wstring HandingOverParameters(std::wstring_view waitingParameters, std::uint32_t pid) {
  return std::wstring(waitingParameters) + L" -w " + L" " + std::to_wstring(pid);
}

std::wstring OwnFile(std::wstring_view modulePath) {
  static constexpr std::wstring_view kExtended = L"\\\\?\\";
  static constexpr std::wstring_view kExtendedUnc = L"\\\\?\\UNC\\";
  if (FindNoCase(modulePath.substr(0, kExtendedUnc.size()), kExtendedUnc) == 0) {
    return L"\\\\" + std::wstring(modulePath.substr(kExtendedUnc.size()));
  }
  if (modulePath.substr(0, kExtended.size()) == kExtended) modulePath.remove_prefix(kExtended.size());
  return std::wstring(modulePath);
}

UninstallCommand ParseUninstallCommand(std::wstring_view arguments, const Environment& env) {
  UninstallCommand cmd;
  // The switch is searched in a lower-cased copy but the command is taken
  // from the original: paths keep their letter case.
  const std::size_t u = AsciiLower(arguments).find(L"/u ");
  if (u == std::wstring::npos) return cmd;
  cmd.requested = true;

  const std::wstring command = StripEnclosingQuotes(arguments.substr(u + 3));

  const auto removal = NextToken(command);
  if (!removal || removal->argument.size() > kMaxPathLength) return Fail(std::move(cmd), ErrorCode::FileNotFound);
  cmd.removalPath = removal->argument;
  if (!env.fileReadable || !env.fileReadable(cmd.removalPath) || !NamesRemovalProgram(cmd.removalPath)) {
    return Fail(std::move(cmd), ErrorCode::FileNotFound);
  }

  const std::size_t n = FindNoCase(removal->rest, L"-n ");
  if (n == std::wstring::npos) return Fail(std::move(cmd), ErrorCode::CommandIncomplete);
  const auto log = NextToken(std::wstring_view(removal->rest).substr(n + 3));
  if (!log) return Fail(std::move(cmd), ErrorCode::CommandIncomplete);
  cmd.logPath = log->argument;
  cmd.appTitle = CutTitle(cmd.logPath);
  cmd.forwarded = L" -n \"" + cmd.logPath + L"\" " + log->rest;

  if (cmd.logPath.size() > kMaxPathLength || !env.fileReadable(cmd.logPath)) {
    return Fail(std::move(cmd), ErrorCode::LogMissing);
  }
  std::optional<std::wstring> text;
  if (env.readText) text = env.readText(cmd.logPath);
  cmd.appTitle = CutTitle(text ? ReadLogTitle(*text) : std::wstring());
  if (cmd.logPath.find(L'.') == std::wstring::npos) return Fail(std::move(cmd), ErrorCode::LogMissing);

  cmd.forwarded = CutSwitches(cmd.forwarded);
  cmd.waitingParameters = WaitingParameters(cmd.forwarded);
  return cmd;
}

}  // namespace orvanta::preuninstall
