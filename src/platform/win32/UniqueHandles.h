#pragma once
// Move-only owners for Win32 handles and COM pointers.
#include <windows.h>

#include <objbase.h>

#include <utility>

namespace lumivane::win32 {

template <typename T, auto Close, T Invalid = T{}> class UniqueAny {
 public:
  UniqueAny() = default;
  explicit UniqueAny(T value) : value_(value) {}
  ~UniqueAny() { reset(); }
  UniqueAny(const UniqueAny&) = delete;
  UniqueAny& operator=(const UniqueAny&) = delete;
  UniqueAny(UniqueAny&& other) noexcept : value_(other.release()) {}
  UniqueAny& operator=(UniqueAny&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  T get() const { return value_; }
  explicit operator bool() const { return value_ != Invalid; }
  T release() { return std::exchange(value_, Invalid); }
  void reset(T value = Invalid) {
    if (value_ != Invalid) Close(value_);
    value_ = value;
  }
  // For out-parameters: releases what is held and hands out the slot.
  T* put() {
    reset();
    return &value_;
  }

 private:
  T value_ = Invalid;
};

inline void CloseHandleDeleter(HANDLE h) {
  ::CloseHandle(h);
}
inline void RegCloseKeyDeleter(HKEY h) {
  ::RegCloseKey(h);
}
inline void DestroyIconDeleter(HICON h) {
  ::DestroyIcon(h);
}
inline void DestroyMenuDeleter(HMENU h) {
  ::DestroyMenu(h);
}
inline void DeleteObjectDeleter(HGDIOBJ h) {
  ::DeleteObject(h);
}
inline void DeleteDcDeleter(HDC h) {
  ::DeleteDC(h);
}
inline void FreeLibraryDeleter(HMODULE h) {
  ::FreeLibrary(h);
}
inline void CloseServiceHandleDeleter(SC_HANDLE h) {
  ::CloseServiceHandle(h);
}
inline void UnhookDeleter(HHOOK h) {
  ::UnhookWindowsHookEx(h);
}
inline void RemoveFontMemDeleter(HANDLE h) {
  ::RemoveFontMemResourceEx(h);
}
inline void LocalFreeDeleter(HLOCAL h) {
  ::LocalFree(h);
}

using UniqueHandle = UniqueAny<HANDLE, CloseHandleDeleter>;
using UniqueHkey = UniqueAny<HKEY, RegCloseKeyDeleter>;
using UniqueHicon = UniqueAny<HICON, DestroyIconDeleter>;
using UniqueHmenu = UniqueAny<HMENU, DestroyMenuDeleter>;
using UniqueGdiObj = UniqueAny<HGDIOBJ, DeleteObjectDeleter>;
using UniqueHdc = UniqueAny<HDC, DeleteDcDeleter>;
using UniqueHmodule = UniqueAny<HMODULE, FreeLibraryDeleter>;
using UniqueScHandle = UniqueAny<SC_HANDLE, CloseServiceHandleDeleter>;
using UniqueHhook = UniqueAny<HHOOK, UnhookDeleter>;
using UniqueFontMem = UniqueAny<HANDLE, RemoveFontMemDeleter>;
// Buffers the system allocates for the caller, such as FormatMessageW's.
using UniqueHlocal = UniqueAny<HLOCAL, LocalFreeDeleter>;

// Owns one reference of a COM interface.
template <typename T> class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { reset(); }
  ComPtr(const ComPtr& other) : p_(other.p_) {
    if (p_) p_->AddRef();
  }
  ComPtr& operator=(const ComPtr& other) {
    if (this != &other) {
      if (other.p_) other.p_->AddRef();
      reset();
      p_ = other.p_;
    }
    return *this;
  }
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  T** put() {
    reset();
    return &p_;
  }
  void reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }

 private:
  T* p_ = nullptr;
};

// CoInitializeEx for the current thread for as long as the object lives.
class ScopedCoInitialize {
 public:
  explicit ScopedCoInitialize(DWORD model = COINIT_APARTMENTTHREADED)
      : hr_(::CoInitializeEx(nullptr, model)) {}
  ~ScopedCoInitialize() {
    if (SUCCEEDED(hr_)) ::CoUninitialize();
  }
  ScopedCoInitialize(const ScopedCoInitialize&) = delete;
  ScopedCoInitialize& operator=(const ScopedCoInitialize&) = delete;
  HRESULT result() const { return hr_; }

 private:
  HRESULT hr_;
};

} // namespace lumivane::win32
