#pragma once
// COM in small owners: an interface pointer released once, and the COM
// library (or OLE) held for a scope on the calling thread.
#include <objbase.h>
#include <ole2.h>

#include <utility>

namespace wincommon {

template <typename T>
class ComPtr {
public:
  ComPtr() = default;
  ~ComPtr() { reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }
  [[nodiscard]] T* get() const { return p_; }
  T* operator->() const { return p_; }
  [[nodiscard]] explicit operator bool() const { return p_ != nullptr; }
  // For the out-parameter of a creating call; releases what was held.
  [[nodiscard]] T** put() {
    reset();
    return &p_;
  }
  [[nodiscard]] void** put_void() { return reinterpret_cast<void**>(put()); }
  void reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }

private:
  T* p_ = nullptr;
};

// The COM library for the life of the object, in a single-threaded
// apartment. A thread already initialised in another model (RPC_E_CHANGED_MODE)
// still uses COM; only a successful call is balanced.
class ComScope {
public:
  ComScope() : hr_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(hr_)) ::CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  [[nodiscard]] bool Usable() const { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }

private:
  HRESULT hr_;
};

// OLE for the life of the object: COM in a single-threaded apartment, plus
// what drag and drop and the clipboard need. Only a successful call is
// balanced.
class OleScope {
public:
  OleScope() : hr_(::OleInitialize(nullptr)) {}
  ~OleScope() {
    if (SUCCEEDED(hr_)) ::OleUninitialize();
  }
  OleScope(const OleScope&) = delete;
  OleScope& operator=(const OleScope&) = delete;

private:
  HRESULT hr_;
};

}  // namespace wincommon
