#include "ModuleOrvantaLink.h"

#include "identities/WindowIdentities.h"

namespace orvantalink {

namespace {

using namespace orvanta;
// The class names of the older runtime are still tried second, as drivers of
// that generation registered them.
constexpr const wchar_t* kMainClasses[] = {identity::kFormClass, identity::kFormClassOld};
constexpr const wchar_t* kTextBoxClasses[] = {identity::kTextBoxClass, identity::kTextBoxClassOld};

}  // namespace

HWND FindLinkTextBox(const wchar_t* name) {
  HWND main = nullptr;
  for (const wchar_t* cls : kMainClasses) {
    if ((main = ::FindWindowW(cls, identity::kDriverCaption)) != nullptr) break;
  }
  if (!main) return nullptr;
  for (const wchar_t* cls : kTextBoxClasses) {
    if (const HWND box = ::FindWindowExW(main, nullptr, cls, name)) return box;
  }
  return nullptr;
}

bool SendLinkText(HWND box, const std::wstring& text, UINT timeoutMs) {
  if (!box) return false;
  DWORD_PTR result = 0;
  // Sent, not posted: the sender is held until the driver has carried the
  // command out. SMTO_ABORTIFHUNG ends the wait early for a driver the system
  // already knows as hung; the time-out bounds the rest.
  const LRESULT sent = ::SendMessageTimeoutW(box, WM_SETTEXT, text.size(), reinterpret_cast<LPARAM>(text.c_str()),
                                             SMTO_ABORTIFHUNG, timeoutMs, &result);
  return sent != 0 && result != 0;
}

int Main(const std::wstring& commandLine) {
  // This program was just started by the user and may hand the foreground
  // on; the driver then brings its settings dialog forward.
  if (const HWND box = FindLinkTextBox(identity::kLinkBoxName)) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(box, &pid);
    if (pid) ::AllowSetForegroundWindow(pid);
  }
  (void)SendLinkText(FindLinkTextBox(identity::kLinkBoxName), commandLine);
  return 0;
}

}  // namespace orvantalink
