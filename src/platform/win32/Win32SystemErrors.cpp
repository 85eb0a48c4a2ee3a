#include "platform/win32/Win32SystemErrors.h"

#include <windows.h>

#include "platform/win32/Win32Locale.h"

namespace lumivane::win32 {

uint32_t Win32SystemErrors::LastError() const {
  return ::GetLastError();
}

std::u16string Win32SystemErrors::MessageText(uint32_t code) const {
  wchar_t buf[1024];
  DWORD n = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                             buf, static_cast<DWORD>(std::size(buf)), nullptr);
  // System texts end in CR LF, some with a blank before it.
  while (n > 0 && (buf[n - 1] == L'\r' || buf[n - 1] == L'\n' || buf[n - 1] == L' ' || buf[n - 1] == L'\t'))
    --n;
  return FromWide(buf, n);
}

} // namespace lumivane::win32
