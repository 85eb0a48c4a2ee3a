#pragma once
// Helpers the Windows adapter tests share.
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>

#include "platform/win32/Win32Host.h"

namespace lumivane::win32 {

// Wine's ntdll exports its version; Windows' does not.
inline bool UnderWine() {
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

// Dispatches this thread's messages until done() or the time is up; returns done().
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    MSG m;
    while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&m);
      ::DispatchMessageW(&m);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

// The text of the host's log control.
inline std::wstring LogText(const Win32Host& host) {
  int n = ::GetWindowTextLengthW(host.LogEdit());
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  ::GetWindowTextW(host.LogEdit(), text.data(), n + 1);
  text.resize(static_cast<size_t>(n));
  return text;
}

} // namespace lumivane::win32
