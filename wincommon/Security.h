#pragma once
// Security descriptors for named objects that one user's programs share.
#include <windows.h>

#include <string>

namespace wincommon {

// The string form of the SID of the user this process runs as; empty when
// the token cannot be read.
[[nodiscard]] std::wstring CurrentUserSid();

// A descriptor that gives the user this process runs as, and SYSTEM, full
// access and nobody else any, labelled medium integrity with no write up.
// An object made by an elevated start of a program otherwise gets the
// elevated token's default DACL (administrators and SYSTEM, not the user)
// and a high label, and the same user's normal start can then neither open
// nor create it. With this descriptor it can: a program running elevated may
// give its object a label below its own.
class UserObjectSecurity {
public:
  UserObjectSecurity();
  ~UserObjectSecurity();
  UserObjectSecurity(const UserObjectSecurity&) = delete;
  UserObjectSecurity& operator=(const UserObjectSecurity&) = delete;

  // Null attributes (the token's defaults) when the descriptor could not be
  // made.
  [[nodiscard]] SECURITY_ATTRIBUTES* Attributes() { return descriptor_ ? &attributes_ : nullptr; }

private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
  SECURITY_ATTRIBUTES attributes_{};
};

}  // namespace wincommon
