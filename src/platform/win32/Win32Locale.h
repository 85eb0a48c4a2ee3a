#pragma once
#include <windows.h>

#include <string>

#include "platform/Locale.h"

namespace lumivane::win32 {

// On Windows wchar_t and char16_t are both UTF-16 code units; these copy between the two.
inline std::wstring ToWide(const std::u16string& s) {
  return std::wstring(s.begin(), s.end());
}
inline std::u16string FromWide(const wchar_t* s, size_t n) {
  return std::u16string(s, s + n);
}
inline std::u16string FromWide(const std::wstring& s) {
  return FromWide(s.data(), s.size());
}

class Win32Locale final : public ILocale {
 public:
  int Compare(const std::u16string& a, const std::u16string& b) const override;
  std::u16string Upper(const std::u16string& s) const override;
  std::u16string Lower(const std::u16string& s) const override;
  std::u16string DecodeAnsi(const std::string& bytes) const override;
  std::u16string FormatLongTime(const LocalTime& t) const override;
  std::u16string EnglishLanguageName() const override;
};

} // namespace lumivane::win32
