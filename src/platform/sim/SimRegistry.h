#pragma once
// A simulated HKEY_CURRENT_USER: keys and value names compare without regard to case, values
// keep their type, and opens and writes can be made to fail.
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Registry.h"

namespace lumivane {

class SimRegistry final : public IRegistry {
 public:
  static constexpr uint32_t kAccessDenied = 5;
  static constexpr uint32_t kNoSystemResources = 1450; // ERROR_NO_SYSTEM_RESOURCES, for a failed read

  enum class Type { String, ExpandString, Dword, Binary };
  struct Value {
    Type type = Type::String;
    std::u16string text; // String, ExpandString
    int32_t number = 0;  // Dword
    size_t bytes = 0;    // Binary
  };
  struct Access {
    std::u16string key;
    RegAccess access;
    bool write = false;
  };

  RegStatus ReadString(const std::u16string& key, const std::u16string& name, std::u16string& value) override;
  RegStatus ReadDword(const std::u16string& key, const std::u16string& name, int32_t& value) override;
  RegStatus WriteString(const std::u16string& key, const std::u16string& name, const std::u16string& value,
                        RegAccess access) override;
  RegStatus WriteDword(const std::u16string& key, const std::u16string& name, int32_t value,
                       RegAccess access) override;
  RegStatus DeleteValue(const std::u16string& key, const std::u16string& name, RegAccess access) override;

  // What a test writes before the program starts, and reads afterwards.
  void SetString(const std::u16string& key, const std::u16string& name, const std::u16string& text);
  void SetDword(const std::u16string& key, const std::u16string& name, int32_t number);
  void SetExpandString(const std::u16string& key, const std::u16string& name, const std::u16string& text);
  // A value of another type, of that many bytes.
  void SetBinary(const std::u16string& key, const std::u16string& name, size_t bytes = 0);
  std::optional<Value> Get(const std::u16string& key, const std::u16string& name) const;
  bool KeyExists(const std::u16string& key) const;
  void Clear();

  // Opening key (in any mode) fails with access denied.
  void FailOpen(const std::u16string& key, bool fail = true);
  // Every write and delete fails after the key opened.
  void FailWrites(bool fail = true) { failWrites_ = fail; }
  // Reading the value name (under any key) fails after the key opened, as a read does when the
  // system runs short of resources; the value itself stays.
  void FailReads(const std::u16string& name, bool fail = true);
  // Every open, in order.
  std::vector<Access> Accesses() const;

 private:
  static std::u16string Fold(const std::u16string& s);
  static std::u16string KeyOf(const std::u16string& key);
  RegStatus OpenForWrite(const std::u16string& key, RegAccess access);
  // The value under the opened key, or why there is none to read (lock held).
  RegStatus Find(const std::u16string& key, const std::u16string& name, const Value*& value);
  static size_t Bytes(const Value& value);
  void CreateKey(const std::u16string& folded);
  void Set(const std::u16string& key, const std::u16string& name, Value value);

  mutable std::mutex mutex_;
  // folded key -> folded name -> value
  std::map<std::u16string, std::map<std::u16string, Value>> keys_;
  std::set<std::u16string> failOpen_;
  std::set<std::u16string> failReads_;
  bool failWrites_ = false;
  std::vector<Access> accesses_;
};

} // namespace lumivane
