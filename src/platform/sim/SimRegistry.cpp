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

size_t SimRegistry::Bytes(const Value& value) {
  switch (value.type) {
  case Type::String:
  case Type::ExpandString:
    return (value.text.size() + 1) * sizeof(char16_t);
  case Type::Dword:
    return sizeof(int32_t);
  case Type::Binary:
    return value.bytes;
  }
  return 0;
}

RegStatus SimRegistry::Find(const std::u16string& key, const std::u16string& name, const Value*& value) {
  const std::u16string k = KeyOf(key);
  accesses_.push_back({key, RegAccess::Read, false});
  if (failOpen_.count(k)) return {RegStatus::Code::OpenFailed, kAccessDenied};
  auto it = keys_.find(k);
  if (it == keys_.end()) return {RegStatus::Code::OpenFailed, RegStatus::kFileNotFound};
  if (failReads_.count(Fold(name))) return {RegStatus::Code::Failed, kNoSystemResources};
  auto v = it->second.find(Fold(name));
  if (v == it->second.end()) return {RegStatus::Code::NotFound, RegStatus::kFileNotFound};
  // As on Windows: the size is known before the value is read, whatever its type.
  if (Bytes(v->second) > RegStatus::kMaxValueBytes) return {RegStatus::Code::TooLarge, 0};
  value = &v->second;
  return {};
}

RegStatus SimRegistry::ReadString(const std::u16string& key, const std::u16string& name,
                                  std::u16string& value) {
  std::lock_guard lock(mutex_);
  const Value* found = nullptr;
  RegStatus status = Find(key, name, found);
  if (!status.Ok()) return status;
  if (found->type != Type::String && found->type != Type::ExpandString)
    return {RegStatus::Code::WrongType, 0};
  // Windows keeps a zero inside a string value; a reader sees the text up to it.
  const std::u16string& text = found->text;
  value = text.substr(0, text.find(u'\0'));
  return {};
}

RegStatus SimRegistry::ReadDword(const std::u16string& key, const std::u16string& name, int32_t& value) {
  std::lock_guard lock(mutex_);
  const Value* found = nullptr;
  RegStatus status = Find(key, name, found);
  if (!status.Ok()) return status;
  if (found->type != Type::Dword) return {RegStatus::Code::WrongType, 0};
  value = found->number;
  return {};
}

RegStatus SimRegistry::OpenForWrite(const std::u16string& key, RegAccess access) {
  const std::u16string k = KeyOf(key);
  accesses_.push_back({key, access, true});
  if (failOpen_.count(k)) return {RegStatus::Code::OpenFailed, kAccessDenied};
  CreateKey(k); // created when missing, whatever the access asked for
  // A key opened for reading only refuses the change itself, as Windows does.
  if (failWrites_ || access == RegAccess::Read) return {RegStatus::Code::Failed, kAccessDenied};
  return {};
}

void SimRegistry::CreateKey(const std::u16string& folded) {
  // Creating a key creates the keys above it.
  for (size_t cut = folded.find(u'\\'); cut != std::u16string::npos; cut = folded.find(u'\\', cut + 1))
    keys_[folded.substr(0, cut)];
  keys_[folded];
}

void SimRegistry::Set(const std::u16string& key, const std::u16string& name, Value value) {
  const std::u16string k = KeyOf(key);
  CreateKey(k);
  keys_[k][Fold(name)] = std::move(value);
}

RegStatus SimRegistry::WriteString(const std::u16string& key, const std::u16string& name,
                                   const std::u16string& value, RegAccess access) {
  std::lock_guard lock(mutex_);
  RegStatus opened = OpenForWrite(key, access);
  if (!opened.Ok()) return opened;
  Set(key, name, {Type::String, value, 0, 0});
  return {};
}

RegStatus SimRegistry::WriteDword(const std::u16string& key, const std::u16string& name, int32_t value,
                                  RegAccess access) {
  std::lock_guard lock(mutex_);
  RegStatus opened = OpenForWrite(key, access);
  if (!opened.Ok()) return opened;
  Set(key, name, {Type::Dword, {}, value, 0});
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
  Set(key, name, {Type::String, text, 0, 0});
}

void SimRegistry::SetExpandString(const std::u16string& key, const std::u16string& name,
                                  const std::u16string& text) {
  std::lock_guard lock(mutex_);
  Set(key, name, {Type::ExpandString, text, 0, 0});
}

void SimRegistry::SetDword(const std::u16string& key, const std::u16string& name, int32_t number) {
  std::lock_guard lock(mutex_);
  Set(key, name, {Type::Dword, {}, number, 0});
}

void SimRegistry::SetBinary(const std::u16string& key, const std::u16string& name, size_t bytes) {
  std::lock_guard lock(mutex_);
  Set(key, name, {Type::Binary, {}, 0, bytes});
}

void SimRegistry::FailReads(const std::u16string& name, bool fail) {
  std::lock_guard lock(mutex_);
  if (fail)
    failReads_.insert(Fold(name));
  else
    failReads_.erase(Fold(name));
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
