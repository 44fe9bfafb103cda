#include "ProgramArgs.h"

#include <windows.h>

#include <shellapi.h>

#include "wincommon/Files.h"
#include "wincommon/Text.h"

namespace simcommon {

namespace {

std::vector<std::wstring> Split(const wchar_t* commandLine) {
  std::vector<std::wstring> out;
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(commandLine, &argc);
  for (int i = 1; argv && i < argc; ++i) out.emplace_back(argv[i]);
  if (argv) ::LocalFree(argv);
  return out;
}

}  // namespace

std::vector<std::wstring> ProgramArgs() {
  std::vector<std::wstring> args = Split(::GetCommandLineW());
  if (!args.empty()) return args;
  std::wstring sidecar = wincommon::ModulePath();
  sidecar.resize(sidecar.find_last_of(L'.'));
  std::string line = wincommon::ReadFileBytes(sidecar + L".args");
  if (line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  if (line.empty()) return args;
  // CommandLineToArgvW takes its first element for the program path.
  return Split((L"program.exe " + wincommon::Utf8ToWide(line)).c_str());
}

}  // namespace simcommon
