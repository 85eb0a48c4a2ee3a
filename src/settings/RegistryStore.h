#pragma once
// The settings store over the current user's registry: small readers that treat every failure as
// an absent value, and writers that log failures and never raise.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/Log.h"
#include "platform/Registry.h"
#include "platform/SystemErrors.h"

namespace lumivane {

inline constexpr const char16_t* kSettingsKey = u"\\SOFTWARE\\Lumivane";
inline constexpr const char16_t* kRunKey = u"\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const char16_t* kRunValueName = u"Lumivane";

enum class RegKind { String, Integer };

// text as a 32-bit integer: an optional sign and decimal digits, nothing else; nothing for any
// other text or a number out of range.
std::optional<int32_t> TextToInt32(const std::u16string& text);

class RegistryStore {
 public:
  RegistryStore(IRegistry& registry, ISystemErrors& errors, ILog& log)
      : registry_(registry), errors_(errors), log_(log) {}

  // The text when the key opens and the value exists as a string; nothing otherwise.
  std::optional<std::u16string> RegReadString(const std::u16string& key, const std::u16string& name) noexcept;
  // The number when the key opens and the value exists as a 32-bit integer; nothing otherwise.
  std::optional<int32_t> RegReadInteger(const std::u16string& key, const std::u16string& name) noexcept;
  // Writes value (kind Integer: converted, 0 when it does not convert) with read and write
  // access, creating the key; an empty value deletes the value. Failures are logged.
  void RegWriteValue(const std::u16string& key, const std::u16string& name, const std::u16string& value,
                     RegKind kind) noexcept;
  void RegDeleteValue(const std::u16string& key, const std::u16string& name) noexcept;

  // The writers of controller variables: write-only access, and one fixed line when the key
  // does not open. An empty text is written, not deleted.
  void WriteVariable(const std::u16string& name, const std::u16string& text) noexcept;
  void WriteVariable(const std::u16string& name, int32_t number) noexcept;

 private:
  // Logs a failed write after the key opened: the system's text for the error.
  void LogFailure(const RegStatus& status) noexcept;
  void LogVariableWrite(const RegStatus& status) noexcept;

  IRegistry& registry_;
  ISystemErrors& errors_;
  ILog& log_;
};

} // namespace lumivane
