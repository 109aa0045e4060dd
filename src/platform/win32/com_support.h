// Small COM helpers for the win32 platform files: an owning interface pointer, an owning BSTR,
// text conversions between the core's UTF-16 and the platform's wide strings, and joining the
// caller's apartment. Private to src/platform/win32.
#pragma once

#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#include <string>
#include <string_view>
#include <utility>

namespace halvora::platform::win32 {

// wchar_t is 16-bit on this platform, so the core's text is already the platform's.
inline const wchar_t* wide(const char16_t* s) {
  return reinterpret_cast<const wchar_t*>(s);
}
inline std::wstring wide_string(std::u16string_view s) {
  return std::wstring(wide(s.data()), s.size());
}
inline std::u16string from_wide(const wchar_t* s, std::size_t n) {
  return std::u16string(reinterpret_cast<const char16_t*>(s), n);
}

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
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
  ~ComPtr() { reset(); }

  void reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For out parameters: releases what is held first.
  T** put() {
    reset();
    return &p_;
  }

 private:
  T* p_ = nullptr;
};

class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(std::u16string_view s)
      : b_(SysAllocStringLen(wide(s.data()), static_cast<UINT>(s.size()))) {}
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { SysFreeString(b_); }

  BSTR get() const { return b_; }
  BSTR* put() {
    SysFreeString(std::exchange(b_, nullptr));
    return &b_;
  }
  // A null BSTR is the empty text.
  std::u16string text() const { return b_ ? from_wide(b_, SysStringLen(b_)) : std::u16string(); }
  // Ownership moves to the caller (for a VARIANT that frees it).
  BSTR release() { return std::exchange(b_, nullptr); }

 private:
  BSTR b_ = nullptr;
};

// The objects live in the host's apartment, which the script hosts and the COM server's callers
// have already entered. A thread that has none (a plain program, a test) enters a
// single-threaded apartment once and stays in it: the objects made here may outlive any one
// call, so there is no point at which leaving would be safe.
inline void join_apartment() {
  thread_local bool done = false;
  if (done) return;
  HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  // S_FALSE: the thread was already in a single-threaded apartment, and the call counted once
  // more, so give that count back. RPC_E_CHANGED_MODE: a multi-threaded one, which also works.
  if (hr == S_FALSE) CoUninitialize();
  done = true;
}

}  // namespace halvora::platform::win32
