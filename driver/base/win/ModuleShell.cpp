#include "ModuleShell.h"

#include <shellapi.h>

namespace orvanta::win {

bool ShellOpen(HWND owner, const std::wstring& path, HANDLE* process) {
  if (process) *process = nullptr;
  if (path.empty()) return false;

  // Programs that load files relative to themselves (camera tools often read
  // their settings that way) need their own folder as the working folder.
  // Split in UTF-16: in the ANSI text the INI file holds, the second byte of
  // ソ, 表 or 能 is a backslash too.
  const auto slash = path.find_last_of(L'\\');
  const std::wstring folder = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);

  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.hwnd = owner;
  info.lpVerb = L"open";
  info.lpFile = path.c_str();
  info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!::ShellExecuteExW(&info)) return false;

  if (process) {
    *process = info.hProcess;
  } else if (info.hProcess) {
    ::CloseHandle(info.hProcess);
  }
  return true;
}

}  // namespace orvanta::win
