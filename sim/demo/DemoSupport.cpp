#include "DemoSupport.h"

#include <cstdio>

#include "wincommon/Text.h"

namespace demo {

std::wstring LayOutDriverFolder(const std::wstring& bin, const std::wstring& dir) {
  ::CreateDirectoryW(dir.c_str(), nullptr);
  ::CreateDirectoryW((dir + L"\\Data").c_str(), nullptr);
  ::DeleteFileW((dir + L"\\Orvanta.ini").c_str());
  ::DeleteFileW((dir + L"\\Data\\QV-LK2048.dat").c_str());
  for (const wchar_t* f : {L"Orvanta.exe", L"Orvanta.wav", L"Data\\QV-LK2048.def", L"FNTD2XX.dll", L"TouchDataSim.exe"}) {
    if (!::CopyFileW((bin + L"\\" + f).c_str(), (dir + L"\\" + f).c_str(), FALSE)) return f;
  }
  return {};
}

bool FindButtonCentre(const std::wstring& defFile, const std::string& action, int& x, int& y) {
  const std::string file = wincommon::WideToAnsi(defFile);
  char buf[256];
  ::GetPrivateProfileStringA("Header", "ButtonX", "0", buf, sizeof(buf), file.c_str());
  const int cols = std::atoi(buf);
  ::GetPrivateProfileStringA("Header", "ButtonY", "0", buf, sizeof(buf), file.c_str());
  const int rows = std::atoi(buf);
  for (int c = 1; c <= cols; ++c) {
    for (int r = 1; r <= rows; ++r) {
      const std::string section = "Button." + std::to_string(c) + "." + std::to_string(r);
      ::GetPrivateProfileStringA(section.c_str(), "Name", "", buf, sizeof(buf), file.c_str());
      const std::string name = buf;
      if (name.compare(0, name.find('&'), action) != 0) continue;
      ::GetPrivateProfileStringA(section.c_str(), "Rect", "", buf, sizeof(buf), file.c_str());
      int left = 0, top = 0, right = 0, bottom = 0;
      if (std::sscanf(buf, "%d,%d,%d,%d", &left, &top, &right, &bottom) != 4) continue;
      x = (left + right) / 2;
      y = (top + bottom) / 2;
      return true;
    }
  }
  return false;
}

bool StartProgram(const std::wstring& exe, const std::wstring& args, const std::wstring& workDir,
                  wincommon::KernelHandle& process) {
  std::wstring cmd = L"\"" + exe + L"\" " + args;
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, workDir.c_str(), &si, &pi)) {
    return false;
  }
  ::CloseHandle(pi.hThread);
  process.reset(pi.hProcess);
  return true;
}

bool SendLinkCommand(const char* command) {
  const HWND main = ::FindWindowW(L"ThunderRT6FormDC", L"OrvantaPanelDriver");
  const HWND box = main ? ::FindWindowExA(main, nullptr, "ThunderRT6TextBox", "TextLinkExecute") : nullptr;
  DWORD_PTR result = 0;
  return box && ::SendMessageTimeoutA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(command), SMTO_ABORTIFHUNG, 5000,
                                      &result) != 0;
}

void CloseTouchData(HANDLE process) {
  if (const HWND td = ::FindWindowW(L"ThunderRT6FormDC", L"Ｔｏｕｃｈ　Ｄａｔａ")) ::PostMessageW(td, WM_CLOSE, 0, 0);
  ::WaitForSingleObject(process, 5000);
}

}  // namespace demo
