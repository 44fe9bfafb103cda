#pragma once
// The link program's one module: find the running driver's link text box by
// the driver's window identities and set its text.
#include <windows.h>

#include <string>

namespace orvantalink {

// How long a set-text send may wait for the driver. The driver handles a
// command within milliseconds (opening a dialog, shutting down); a driver
// that does not answer at all must not hold every caller for ever.
constexpr UINT kSendTimeoutMs = 10000;

// The driver's link text box, or null when no driver runs.
[[nodiscard]] HWND FindLinkTextBox(const wchar_t* name);
// Sets the box's text and waits until the driver has handled it, at most
// timeoutMs. False when there is no box, the send timed out or the driver
// refused the text.
bool SendLinkText(HWND box, const std::wstring& text, UINT timeoutMs = kSendTimeoutMs);
// The whole program: the command line goes to the driver as it is; the exit
// code is 0 whatever happened.
int Main(const std::wstring& commandLine);

}  // namespace orvantalink
