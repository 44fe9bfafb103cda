// Any text as OrvantaUninst's command line and as its removal log: no crash,
// no out-of-bounds access, and the results keep their invariants.
#include "CommandLine.h"
#include "LogTitle.h"
#include "Messages.h"
#include "FuzzCheck.h"

using namespace orvanta::preuninstall;

namespace {

// Bytes become UTF-16 units two at a time, with the odd byte alone, so the
// fuzzer reaches quotes, blanks and Japanese text alike.
std::wstring Widen(const std::uint8_t* data, std::size_t size) {
  std::wstring out;
  for (std::size_t i = 0; i < size; i += 2) {
    const unsigned lo = data[i];
    const unsigned hi = i + 1 < size ? data[i + 1] : 0;
    // Mostly ASCII: the high byte only counts when its top bit is set.
    out += static_cast<wchar_t>((hi & 0x80) ? ((hi << 8) | lo) & 0xFFFF : lo);
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::wstring text = Widen(data, size);
  Environment env;
  env.fileReadable = [](const std::wstring& p) { return p.size() % 3 != 0; };
  env.readText = [&text](const std::wstring&) -> std::optional<std::wstring> { return text; };

  const UninstallCommand cmd = ParseUninstallCommand(ArgumentsOf(text), env);
  Check(cmd.appTitle.size() <= kMaxTitleLength);
  Check(cmd.removalPath.size() <= kMaxPathLength);
  if (cmd.error == ErrorCode::None && cmd.requested) {
    Check(NamesRemovalProgram(cmd.removalPath));
    Check(cmd.waitingParameters.size() >= 3 &&
          cmd.waitingParameters.compare(cmd.waitingParameters.size() - 3, 3, L" -f") == 0);
    Check(cmd.logPath.find(L'.') != std::wstring::npos);
    const std::wstring handing = HandingOverParameters(cmd.waitingParameters, 12345);
    Check(handing.size() == cmd.waitingParameters.size() + 10);
  }
  if (!cmd.requested) Check(cmd.error == ErrorCode::None && cmd.removalPath.empty());

  (void)ReadLogTitle(text);
  (void)StripEnclosingQuotes(text);
  (void)FillTitle(text, text.substr(0, text.size() / 2));
  (void)CutSwitches(text);
  (void)IsOwnRegistration(text, text, text.substr(text.size() / 3));
  if (const auto token = NextToken(text)) Check(!token->argument.empty() && token->argument.size() <= text.size());
  return 0;
}
