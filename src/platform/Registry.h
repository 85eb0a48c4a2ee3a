#pragma once
// The current user's registry (HKEY_CURRENT_USER). Keys are paths such as "\SOFTWARE\Lumivane";
// a leading "\" is allowed. Value names compare without regard to case.
#include <cstdint>
#include <string>

namespace lumivane {

// How a key is opened: KEY_READ (0x20019), KEY_READ | KEY_WRITE (0x2001F) or KEY_WRITE
// (0x20006). The Windows adapter adds KEY_WOW64_64KEY when the machine is natively x64.
enum class RegAccess { Read, ReadWrite, Write };

struct RegStatus {
  enum class Code {
    Ok,
    OpenFailed, // the key could not be opened (or created, for a write)
    NotFound,   // the key opened but has no such value
    WrongType,  // the value exists with another type than the one asked for
    Failed,     // the read, write or delete itself failed
    TooLarge,   // the value exists but is larger than kMaxValueBytes; it was not read
  };
  // No setting comes near this; a larger value was not written by the program and is not read.
  static constexpr uint32_t kMaxValueBytes = 1u << 20;
  // The system's code for a key or value that does not exist (ERROR_FILE_NOT_FOUND).
  static constexpr uint32_t kFileNotFound = 2;
  Code code = Code::Ok;
  uint32_t error = 0; // the system's error code, for a message text; 0 when there is none
  bool Ok() const { return code == Code::Ok; }
};

class IRegistry {
 public:
  virtual ~IRegistry() = default;
  // Opens key with RegAccess::Read. value is set only on Ok. A key that does not exist is
  // OpenFailed with kFileNotFound; a key that exists but does not open is OpenFailed with the
  // system's code; a read that fails for another reason than a missing value is Failed.
  virtual RegStatus ReadString(const std::u16string& key, const std::u16string& name,
                               std::u16string& value) = 0;
  virtual RegStatus ReadDword(const std::u16string& key, const std::u16string& name, int32_t& value) = 0;
  // Open key with access, creating it when missing, and write a REG_SZ / REG_DWORD value.
  virtual RegStatus WriteString(const std::u16string& key, const std::u16string& name,
                                const std::u16string& value, RegAccess access) = 0;
  virtual RegStatus WriteDword(const std::u16string& key, const std::u16string& name, int32_t value,
                               RegAccess access) = 0;
  // Open key with access, creating it when missing, and delete the value. A value that does not
  // exist is no failure.
  virtual RegStatus DeleteValue(const std::u16string& key, const std::u16string& name, RegAccess access) = 0;
};

} // namespace lumivane
