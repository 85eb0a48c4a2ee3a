// The registry contract against the Windows registry, in a scratch key of the current user that
// is removed afterwards.
#include "contract/RegistryContract.h"

#include <windows.h>

#include <string>

#include "platform/win32/UniqueHandles.h"
#include "platform/win32/Win32Locale.h"
#include "platform/win32/Win32Registry.h"

namespace lumivane::contract {
namespace {

class Win32RegistryBackend {
 public:
  ~Win32RegistryBackend() { ::RegDeleteTreeW(HKEY_CURRENT_USER, Path(ScratchKey()).c_str()); }

  IRegistry& Registry() { return registry_; }
  std::u16string ScratchKey() const {
    const std::string id = std::to_string(::GetCurrentProcessId());
    return u"\\SOFTWARE\\LumivaneTest-" + std::u16string(id.begin(), id.end());
  }
  void PutExpandString(const std::u16string& key, const std::u16string& name, const std::u16string& text) {
    const std::wstring data = win32::ToWide(text);
    Put(key, name, REG_EXPAND_SZ, data.c_str(), (data.size() + 1) * sizeof(wchar_t));
  }
  void PutBinary(const std::u16string& key, const std::u16string& name) {
    const unsigned char data[] = {0x31, 0x00, 0x30, 0x00};
    Put(key, name, REG_BINARY, data, sizeof data);
  }
  bool KeyExists(const std::u16string& key) const {
    win32::UniqueHkey opened;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, Path(key).c_str(), 0, KEY_READ, opened.put()) == ERROR_SUCCESS)
      return true;
    opened.release();
    return false;
  }

 private:
  static std::wstring Path(const std::u16string& key) { return win32::ToWide(key.substr(1)); }
  static void Put(const std::u16string& key, const std::u16string& name, DWORD type, const void* data,
                  size_t size) {
    win32::UniqueHkey opened;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, Path(key).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                opened.put(), nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(::RegSetValueExW(opened.get(), win32::ToWide(name).c_str(), 0, type,
                               static_cast<const BYTE*>(data), static_cast<DWORD>(size)),
              ERROR_SUCCESS);
  }

  win32::Win32Registry registry_;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, RegistryContract, Win32RegistryBackend);

} // namespace
} // namespace lumivane::contract
