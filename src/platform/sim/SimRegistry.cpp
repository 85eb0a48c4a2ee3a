#include "platform/sim/SimRegistry.h"

namespace lumivane {

std::u16string SimRegistry::Fold(const std::u16string& s) {
  std::u16string out = s;
  for (char16_t& c : out)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  return out;
}

std::u16string SimRegistry::KeyOf(const std::u16string& key) {
  size_t start = key.find_first_not_of(u'\\');
  return Fold(start == std::u16string::npos ? std::u16string() : key.substr(start));
}

RegStatus SimRegistry::ReadString(const std::u16string& key, const std::u16string& name,
                                  std::u16string& value) {
  std::lock_guard lock(mutex_);
  const std::u16string k = KeyOf(key);
  accesses_.push_back({key, RegAccess::Read, false});
  if (failOpen_.count(k)) return {RegStatus::Code::OpenFailed, kAccessDenied};
  auto it = keys_.find(k);
  if (it == keys_.end()) return {RegStatus::Code::OpenFailed, 2}; // ERROR_FILE_NOT_FOUND
  auto v = it->second.find(Fold(name));
  if (v == it->second.end()) return {RegStatus::Code::NotFound, 2};
  if (v->second.type != Type::String) return {RegStatus::Code::WrongType, 0};
  value = v->second.text;
  return {};
}

RegStatus SimRegistry::ReadDword(const std::u16string& key, const std::u16string& name, int32_t& value) {
  std::lock_guard lock(mutex_);
  const std::u16string k = KeyOf(key);
  accesses_.push_back({key, RegAccess::Read, false});
  if (failOpen_.count(k)) return {RegStatus::Code::OpenFailed, kAccessDenied};
  auto it = keys_.find(k);
  if (it == keys_.end()) return {RegStatus::Code::OpenFailed, 2};
  auto v = it->second.find(Fold(name));
  if (v == it->second.end()) return {RegStatus::Code::NotFound, 2};
  if (v->second.type != Type::Dword) return {RegStatus::Code::WrongType, 0};
  value = v->second.number;
  return {};
}

RegStatus SimRegistry::OpenForWrite(const std::u16string& key, RegAccess access) {
  const std::u16string k = KeyOf(key);
  accesses_.push_back({key, access, true});
  if (failOpen_.count(k) || access == RegAccess::Read) return {RegStatus::Code::OpenFailed, kAccessDenied};
  keys_[k]; // created when missing
  if (failWrites_) return {RegStatus::Code::Failed, kAccessDenied};
  return {};
}

RegStatus SimRegistry::WriteString(const std::u16string& key, const std::u16string& name,
                                   const std::u16string& value, RegAccess access) {
  std::lock_guard lock(mutex_);
  RegStatus opened = OpenForWrite(key, access);
  if (!opened.Ok()) return opened;
  Value v;
  v.type = Type::String;
  v.text = value;
  keys_[KeyOf(key)][Fold(name)] = v;
  return {};
}

RegStatus SimRegistry::WriteDword(const std::u16string& key, const std::u16string& name, int32_t value,
                                  RegAccess access) {
  std::lock_guard lock(mutex_);
  RegStatus opened = OpenForWrite(key, access);
  if (!opened.Ok()) return opened;
  Value v;
  v.type = Type::Dword;
  v.number = value;
  keys_[KeyOf(key)][Fold(name)] = v;
  return {};
}

RegStatus SimRegistry::DeleteValue(const std::u16string& key, const std::u16string& name, RegAccess access) {
  std::lock_guard lock(mutex_);
  RegStatus opened = OpenForWrite(key, access);
  if (!opened.Ok()) return opened;
  keys_[KeyOf(key)].erase(Fold(name));
  return {};
}

void SimRegistry::SetString(const std::u16string& key, const std::u16string& name,
                            const std::u16string& text) {
  std::lock_guard lock(mutex_);
  Value v;
  v.type = Type::String;
  v.text = text;
  keys_[KeyOf(key)][Fold(name)] = v;
}

void SimRegistry::SetDword(const std::u16string& key, const std::u16string& name, int32_t number) {
  std::lock_guard lock(mutex_);
  Value v;
  v.type = Type::Dword;
  v.number = number;
  keys_[KeyOf(key)][Fold(name)] = v;
}

void SimRegistry::SetBinary(const std::u16string& key, const std::u16string& name) {
  std::lock_guard lock(mutex_);
  Value v;
  v.type = Type::Binary;
  keys_[KeyOf(key)][Fold(name)] = v;
}

std::optional<SimRegistry::Value> SimRegistry::Get(const std::u16string& key,
                                                   const std::u16string& name) const {
  std::lock_guard lock(mutex_);
  auto it = keys_.find(KeyOf(key));
  if (it == keys_.end()) return std::nullopt;
  auto v = it->second.find(Fold(name));
  if (v == it->second.end()) return std::nullopt;
  return v->second;
}

bool SimRegistry::KeyExists(const std::u16string& key) const {
  std::lock_guard lock(mutex_);
  return keys_.count(KeyOf(key)) != 0;
}

void SimRegistry::Clear() {
  std::lock_guard lock(mutex_);
  keys_.clear();
  accesses_.clear();
}

void SimRegistry::FailOpen(const std::u16string& key, bool fail) {
  std::lock_guard lock(mutex_);
  if (fail)
    failOpen_.insert(KeyOf(key));
  else
    failOpen_.erase(KeyOf(key));
}

std::vector<SimRegistry::Access> SimRegistry::Accesses() const {
  std::lock_guard lock(mutex_);
  return accesses_;
}

} // namespace lumivane
