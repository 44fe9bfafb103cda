#include "LogTitle.h"

#include "CommandLine.h"

namespace orvanta::preuninstall {

std::wstring ReadLogTitle(std::wstring_view logText) {
  std::wstring title;
  while (!logText.empty()) {
    const std::size_t end = logText.find_first_of(L"\r\n");
    const std::wstring_view line = logText.substr(0, end);
    if (FindNoCase(line, L"CONFIG:") != std::wstring_view::npos) {
      if (const std::size_t at = FindNoCase(line, L"Title:"); at != std::wstring_view::npos) {
        title = Unquote(line.substr(at + 6));
      }
    }
    if (end == std::wstring_view::npos) break;
    logText.remove_prefix(end + 1);
  }
  return title;
}

}  // namespace orvanta::preuninstall
