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

  enum class Type { String, ExpandString, Dword, Binary };
  struct Value {
    Type type = Type::String;
    std::u16string text; // String, ExpandString
    int32_t number = 0;  // Dword
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
  void SetBinary(const std::u16string& key, const std::u16string& name); // a value of another type
  std::optional<Value> Get(const std::u16string& key, const std::u16string& name) const;
  bool KeyExists(const std::u16string& key) const;
  void Clear();

  // Opening key (in any mode) fails with access denied.
  void FailOpen(const std::u16string& key, bool fail = true);
  // Every write and delete fails after the key opened.
  void FailWrites(bool fail = true) { failWrites_ = fail; }
  // Every open, in order.
  std::vector<Access> Accesses() const;

 private:
  static std::u16string Fold(const std::u16string& s);
  static std::u16string KeyOf(const std::u16string& key);
  RegStatus OpenForWrite(const std::u16string& key, RegAccess access);
  void CreateKey(const std::u16string& folded);
  void Set(const std::u16string& key, const std::u16string& name, Value value);

  mutable std::mutex mutex_;
  // folded key -> folded name -> value
  std::map<std::u16string, std::map<std::u16string, Value>> keys_;
  std::set<std::u16string> failOpen_;
  bool failWrites_ = false;
  std::vector<Access> accesses_;
};

} // namespace lumivane
