#pragma once
// The settings store over the current user's registry: small readers that tell an absent value
// from one that could not be read, and writers that log failures and never raise.
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/Log.h"
#include "platform/Registry.h"
#include "platform/SystemErrors.h"

namespace lumivane {

inline constexpr const char16_t* kSettingsKey = u"\\SOFTWARE\\Lumivane";
inline constexpr const char16_t* kRunKey = u"\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const char16_t* kRunValueName = u"Lumivane";

enum class RegKind { String, Integer };

// Why a reader gave no value.
enum class RegMiss {
  Absent,     // nothing is stored under the name (nor the key), or a value of another type
  Unreadable, // the read failed, or the value is larger than any setting: it is left as it is
};

// text as a 32-bit integer: an optional sign and decimal digits, nothing else; nothing for any
// other text or a number out of range.
std::optional<int32_t> TextToInt32(const std::u16string& text);

class RegistryStore {
 public:
  RegistryStore(IRegistry& registry, ISystemErrors& errors, ILog& log)
      : registry_(registry), errors_(errors), log_(log) {}

  // The text when the key opens and the value exists as a string; nothing otherwise, and then
  // miss (when given) tells why. A read that fails, or a value too large to be a setting, is
  // logged.
  std::optional<std::u16string> RegReadString(const std::u16string& key, const std::u16string& name,
                                              RegMiss* miss = nullptr) noexcept;
  // The number when the key opens and the value exists as a 32-bit integer; as RegReadString.
  std::optional<int32_t> RegReadInteger(const std::u16string& key, const std::u16string& name,
                                        RegMiss* miss = nullptr) noexcept;
  // Writes value (kind Integer: converted, 0 when it does not convert) with read and write
  // access, creating the key; an empty value deletes the value. Failures are logged.
  void RegWriteValue(const std::u16string& key, const std::u16string& name, const std::u16string& value,
                     RegKind kind) noexcept;
  void RegDeleteValue(const std::u16string& key, const std::u16string& name) noexcept;

  // The writers of controller variables: write-only access, and one fixed line when the key
  // does not open. An empty text is written, not deleted.
  void WriteVariable(const std::u16string& name, const std::u16string& text) noexcept;
  void WriteVariable(const std::u16string& name, int32_t number) noexcept;

  // Start-up loads the settings before it knows whether another copy runs, and that copy's
  // settings are not its to write. While held, writes and deletes wait in order; CommitWrites
  // carries them out, except those of values that could not be read meanwhile (a transient
  // failure or an oversized value must not be replaced by a default); DropWrites forgets them.
  void HoldWrites() noexcept;
  void CommitWrites() noexcept;
  void DropWrites() noexcept;
  bool Holding() const { return holding_; }

 private:
  // Carries out write now, or keeps it for CommitWrites while writes are held.
  void Write(const std::u16string& key, const std::u16string& name, std::function<void()> write) noexcept;
  void WriteValueNow(const std::u16string& key, const std::u16string& name, const std::u16string& value,
                     RegKind kind) noexcept;
  // Classifies a failed read, logs what deserves a line, and notes an unreadable value.
  RegMiss Missed(const RegStatus& status, const std::u16string& key, const std::u16string& name) noexcept;
  static std::pair<std::u16string, std::u16string> Folded(const std::u16string& key,
                                                          const std::u16string& name);
  // Logs a failed write after the key opened: the system's text for the error.
  void LogFailure(const RegStatus& status) noexcept;
  void LogVariableWrite(const RegStatus& status) noexcept;

  IRegistry& registry_;
  ISystemErrors& errors_;
  ILog& log_;

  struct HeldWrite {
    std::pair<std::u16string, std::u16string> value; // key and name, folded
    std::function<void()> write;
  };
  bool holding_ = false;
  std::vector<HeldWrite> held_;
  std::set<std::pair<std::u16string, std::u16string>> unreadable_;
};

} // namespace lumivane
