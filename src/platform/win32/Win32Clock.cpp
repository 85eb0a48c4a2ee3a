#include "platform/win32/Win32Clock.h"

#include <windows.h>

namespace lumivane::win32 {

LocalTime Win32Clock::Now() const {
  SYSTEMTIME st{};
  ::GetLocalTime(&st);
  return LocalTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

uint64_t Win32Clock::TickMs() const {
  return ::GetTickCount64();
}

void Win32Clock::SleepMs(uint32_t ms) {
  ::Sleep(ms);
}

} // namespace lumivane::win32
