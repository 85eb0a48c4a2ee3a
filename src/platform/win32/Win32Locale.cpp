#include "platform/win32/Win32Locale.h"

#include <climits>
#include <cstdio>

namespace lumivane::win32 {

namespace {

int ClampLength(size_t n) {
  return n > INT_MAX ? INT_MAX : static_cast<int>(n);
}

} // namespace

int Win32Locale::Compare(const std::u16string& a, const std::u16string& b) const {
  std::wstring wa = ToWide(a), wb = ToWide(b);
  // LOCALE_USER_DEFAULT with no flags: case-sensitive, digits as characters.
  int r = ::CompareStringW(LOCALE_USER_DEFAULT, 0, wa.data(), ClampLength(wa.size()), wb.data(),
                           ClampLength(wb.size()));
  if (r == 0) return a < b ? -1 : (b < a ? 1 : 0); // invalid flags or text: code unit order
  return r - CSTR_EQUAL;
}

std::u16string Win32Locale::Upper(const std::u16string& s) const {
  std::wstring w = ToWide(s);
  if (!w.empty()) ::CharUpperBuffW(w.data(), static_cast<DWORD>(w.size()));
  return FromWide(w);
}

std::u16string Win32Locale::Lower(const std::u16string& s) const {
  std::wstring w = ToWide(s);
  if (!w.empty()) ::CharLowerBuffW(w.data(), static_cast<DWORD>(w.size()));
  return FromWide(w);
}

std::u16string Win32Locale::DecodeAnsi(const std::string& bytes) const {
  if (bytes.empty()) return {};
  int n = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), ClampLength(bytes.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring w(static_cast<size_t>(n), L'\0');
  n = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), ClampLength(bytes.size()), w.data(), n);
  w.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return FromWide(w);
}

std::u16string Win32Locale::FormatLongTime(const LocalTime& t) const {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(t.year);
  st.wMonth = static_cast<WORD>(t.month);
  st.wDay = static_cast<WORD>(t.day);
  st.wHour = static_cast<WORD>(t.hour);
  st.wMinute = static_cast<WORD>(t.minute);
  st.wSecond = static_cast<WORD>(t.second);
  st.wMilliseconds = static_cast<WORD>(t.millisecond);
  wchar_t buf[128];
  int n = ::GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &st, nullptr, buf, 128);
  if (n > 1) return FromWide(buf, static_cast<size_t>(n - 1));
  // No usable locale format: plain 24-hour time.
  char plain[16];
  std::snprintf(plain, sizeof plain, "%02d:%02d:%02d", t.hour % 100, t.minute % 100, t.second % 100);
  return std::u16string(plain, plain + 8);
}

std::u16string Win32Locale::EnglishLanguageName() const {
  // LOCALE_USER_DEFAULT (0x0400), LOCALE_SENGLANGUAGE (0x1001).
  int n = ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SENGLANGUAGE, nullptr, 0);
  if (n <= 0) return {};
  std::wstring name(static_cast<size_t>(n), L'\0');
  n = ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SENGLANGUAGE, name.data(), n);
  if (n <= 0) return {};
  name.resize(static_cast<size_t>(n) - 1); // the count includes the terminating zero
  return FromWide(name);
}

} // namespace lumivane::win32
