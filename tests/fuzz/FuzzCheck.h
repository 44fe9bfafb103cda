#pragma once
// Shared by the fuzz targets: a failed check aborts, so libFuzzer keeps the
// input that broke it; the input bytes as text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

inline void Check(bool ok) {
  if (!ok) std::abort();
}

inline std::string TextOf(const std::uint8_t* data, std::size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}
