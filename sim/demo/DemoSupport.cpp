#include "DemoSupport.h"

#include <cstdio>

#include "identities/WindowIdentities.h"
#include "wincommon/Files.h"
#include "wincommon/Text.h"

namespace demo {

std::wstring LayOutDriverFolder(const std::wstring& bin, const std::wstring& dir) {
  if (std::wstring missing = simcommon::CopyDriverFiles(bin, dir); !missing.empty()) return missing;
  ::DeleteFileW((dir + L"\\Orvanta.ini").c_str());
  ::DeleteFileW((dir + L"\\Data\\QV-LK2048.dat").c_str());
  if (!::CopyFileW((bin + L"\\TouchDataSim.exe").c_str(), (dir + L"\\TouchDataSim.exe").c_str(), FALSE)) {
    return L"TouchDataSim.exe";
  }
  return {};
}

bool LayOutBenchFolder(const std::wstring& bin, const std::wstring& name, const std::string& action,
                       std::wstring& dir, int& x, int& y) {
  dir = bin + L"\\" + name;
  if (const std::wstring missing = LayOutDriverFolder(bin, dir); !missing.empty()) {
    std::fprintf(stderr, "missing in the build folder: %ls\n", missing.c_str());
    return false;
  }
  if (!simcommon::FindButtonCentre(dir + L"\\Data\\QV-LK2048.def", action, x, y)) {
    std::fprintf(stderr, "no button with the action %s in the delivered layout\n", action.c_str());
    return false;
  }
  return true;
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

void CloseTouchData(simcommon::Process& process) {
  if (const HWND td = ::FindWindowW(orvanta::identity::kFormClass, orvanta::identity::kTouchDataCaption)) ::PostMessageW(td, WM_CLOSE, 0, 0);
  process.WaitExit(std::chrono::seconds(5));
}

}  // namespace demo
