#pragma once
// The removal program's string resources that OrvantaUninst shows, and the
// uninstall registrations it counts. Platform-free.
#include <string>
#include <string_view>

namespace orvanta::preuninstall {

// Numbers of the removal program's string resources.
enum class MessageId : unsigned {
  Title = 601,              // title of every box that shows a resource text
  Confirm = 603,            // the confirmation question
  LogMissing = 605,
  CommandIncomplete = 611,
  Cancelled = 702,
};

// Replaces every "|1" with the title. A "|1" inside the title itself is not
// replaced again.
[[nodiscard]] std::wstring FillTitle(std::wstring_view text, std::wstring_view title);

// Text read into a fixed buffer ends at its first NUL (registry strings may
// carry one or more).
[[nodiscard]] std::wstring_view CutAtNul(std::wstring_view text);

// True for the name of an uninstall registration made by the removal program
// ("ST6UNST #1", "ST6UNST #2", ...; letter case ignored).
[[nodiscard]] bool IsRemovalRegistrationName(std::wstring_view keyName);

// True for an uninstall registration of the removal program ("ST6UNST #n")
// whose UninstallString runs ownFile. Both comparisons ignore ASCII letter
// case; callers that need the system's full case folding upper-case first.
[[nodiscard]] bool IsOwnRegistration(std::wstring_view keyName, std::wstring_view uninstallString,
                                     std::wstring_view ownFile);

// Two or more registrations that run this program mean another removal is
// under way through it; the removal program is then waited for instead of
// handed over.
[[nodiscard]] inline bool ShouldWait(int ownRegistrations) { return ownRegistrations >= 2; }

}  // namespace orvanta::preuninstall
