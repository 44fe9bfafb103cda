#include "DemoSupport.h"

#include <cstdio>
#include <cstdlib>

#include "identities/WindowIdentities.h"
#include "wincommon/Files.h"
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

bool LayOutBenchFolder(const std::wstring& bin, const std::wstring& name, const std::string& action,
                       std::wstring& dir, int& x, int& y) {
  dir = bin + L"\\" + name;
  if (const std::wstring missing = LayOutDriverFolder(bin, dir); !missing.empty()) {
    std::fprintf(stderr, "missing in the build folder: %ls\n", missing.c_str());
    return false;
  }
  if (!FindButtonCentre(dir + L"\\Data\\QV-LK2048.def", action, x, y)) {
    std::fprintf(stderr, "no button with the action %s in the delivered layout\n", action.c_str());
    return false;
  }
  return true;
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

bool StartTouchData(const std::wstring& dir, const std::wstring& args, wincommon::KernelHandle& process, DWORD ms) {
  using namespace orvanta::identity;
  return StartProgram(dir + L"\\TouchDataSim.exe", args, dir, process) &&
         WaitFor([] { return ::FindWindowW(kFormClass, kTouchDataCaption) != nullptr; }, ms);
}

bool SendLinkCommand(const char* command) {
  using namespace orvanta::identity;
  const HWND main = ::FindWindowW(kFormClass, kDriverCaption);
  const HWND box = main ? ::FindWindowExW(main, nullptr, kTextBoxClass, kLinkBoxName) : nullptr;
  DWORD_PTR result = 0;
  return box && ::SendMessageTimeoutA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(command), SMTO_ABORTIFHUNG, 5000,
                                      &result) != 0;
}

bool SaveScreenshot(const std::wstring& file) {
  const int width = ::GetSystemMetrics(SM_CXSCREEN);
  const int height = ::GetSystemMetrics(SM_CYSCREEN);
  const wincommon::ScreenDc screenDc(::GetDC(nullptr));
  const wincommon::MemoryDc memoryDc(::CreateCompatibleDC(screenDc.get()));
  const HDC screen = screenDc.get();
  const HDC mem = memoryDc.get();
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = height;  // bottom-up, as BMP files store rows
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const wincommon::GdiObject dib(::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  bool ok = false;
  if (dib && mem) {
    const HGDIOBJ old = ::SelectObject(mem, dib.get());
    // CAPTUREBLT takes the layered (translucent) windows along.
    ok = ::BitBlt(mem, 0, 0, width, height, screen, 0, 0, SRCCOPY | CAPTUREBLT) != FALSE;
    ::GdiFlush();
    ::SelectObject(mem, old);
  }
  if (ok) {
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD imageSize = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;  // "BM"
    fh.bfOffBits = sizeof(fh) + sizeof(bi.bmiHeader);
    fh.bfSize = fh.bfOffBits + imageSize;
    std::string bytes(reinterpret_cast<const char*>(&fh), sizeof(fh));
    bytes.append(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof(bi.bmiHeader));
    bytes.append(static_cast<const char*>(bits), imageSize);
    ok = wincommon::WriteFileBytes(file, bytes);
  }
  return ok;
}

void CloseTouchData(HANDLE process) {
  if (const HWND td = ::FindWindowW(orvanta::identity::kFormClass, orvanta::identity::kTouchDataCaption)) ::PostMessageW(td, WM_CLOSE, 0, 0);
  ::WaitForSingleObject(process, 5000);
}

}  // namespace demo
