#pragma once
// HKEY_CURRENT_USER through the registry API. On 64-bit Windows every key is opened in the 64-bit
// view, so that the 32-bit program and a 64-bit one share their settings.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Registry.h"
#include "platform/win32/UniqueHandles.h"

namespace lumivane::win32 {

class Win32Registry final : public IRegistry {
 public:
  // The view follows the machine: 64-bit when its native processor architecture is x64.
  Win32Registry() : Win32Registry(NativeX64()) {}
  explicit Win32Registry(bool view64) : view64_(view64) {}

  static constexpr uint32_t kWow64_64Key = 0x0100; // KEY_WOW64_64KEY
  // The access mask a key is opened with.
  static uint32_t AccessMask(RegAccess access, bool view64);
  // GetNativeSystemInfo reports PROCESSOR_ARCHITECTURE_AMD64, also to a 32-bit process.
  static bool NativeX64();

  RegStatus ReadString(const std::u16string& key, const std::u16string& name, std::u16string& value) override;
  RegStatus ReadDword(const std::u16string& key, const std::u16string& name, int32_t& value) override;
  RegStatus WriteString(const std::u16string& key, const std::u16string& name, const std::u16string& value,
                        RegAccess access) override;
  RegStatus WriteDword(const std::u16string& key, const std::u16string& name, int32_t value,
                       RegAccess access) override;
  RegStatus DeleteValue(const std::u16string& key, const std::u16string& name, RegAccess access) override;

 private:
  RegStatus OpenForRead(const std::u16string& key, UniqueHkey& opened) const;
  RegStatus OpenForWrite(const std::u16string& key, RegAccess access, UniqueHkey& opened) const;
  // The value's type and bytes. NotFound when there is no such value.
  static RegStatus Query(HKEY key, const std::wstring& name, DWORD& type, std::vector<unsigned char>& data,
                         bool (*wanted)(DWORD type, DWORD size));

  bool view64_;
};

} // namespace lumivane::win32
