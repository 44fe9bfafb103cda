#pragma once
// Small helpers shared by the Windows benches. Header only: each bench is
// one program and includes this once.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

namespace winbench {

inline std::int64_t Qpc() {
  LARGE_INTEGER v;
  ::QueryPerformanceCounter(&v);
  return v.QuadPart;
}

inline double QpcToMs(std::int64_t ticks) {
  LARGE_INTEGER f;
  ::QueryPerformanceFrequency(&f);
  return static_cast<double>(ticks) * 1000.0 / static_cast<double>(f.QuadPart);
}

struct Summary {
  std::size_t count = 0;
  double median = 0, p99 = 0, max = 0, mean = 0;
};

// Nearest-rank percentiles of samples in milliseconds.
inline Summary Summarise(std::vector<double> ms) {
  Summary s;
  s.count = ms.size();
  if (ms.empty()) return s;
  std::sort(ms.begin(), ms.end());
  const auto rank = [&](double p) {
    const auto i = static_cast<std::size_t>(p * static_cast<double>(ms.size() - 1) + 0.5);
    return ms[std::min(i, ms.size() - 1)];
  };
  s.median = rank(0.5);
  s.p99 = rank(0.99);
  s.max = ms.back();
  double sum = 0;
  for (double v : ms) sum += v;
  s.mean = sum / static_cast<double>(ms.size());
  return s;
}

inline std::vector<double> Intervals(const std::vector<std::int64_t>& stamps) {
  std::vector<double> out;
  for (std::size_t i = 1; i < stamps.size(); ++i) out.push_back(QpcToMs(stamps[i] - stamps[i - 1]));
  return out;
}

// How a figure stands against its target, as every bench prints it.
inline const char* Verdict(bool met) { return met ? "ok" : "MISSED"; }

inline void Print(const char* label, const Summary& s) {
  std::printf("%-34s n=%-7zu median %7.3f ms  p99 %7.3f ms  max %8.3f ms  mean %7.3f ms\n", label, s.count,
              s.median, s.p99, s.max, s.mean);
}

// Ends the message loop that dispatches this thread timer.
inline void CALLBACK QuitLoopTimerProc(HWND, UINT, UINT_PTR, DWORD) { ::PostQuitMessage(0); }

// User plus kernel time of this process, in 100 ns units.
inline std::uint64_t ProcessCpu() {
  FILETIME create, exit, kernel, user;
  ::GetProcessTimes(::GetCurrentProcess(), &create, &exit, &kernel, &user);
  const auto v = [](const FILETIME& f) { return (std::uint64_t{f.dwHighDateTime} << 32) | f.dwLowDateTime; };
  return v(kernel) + v(user);
}

}  // namespace winbench
