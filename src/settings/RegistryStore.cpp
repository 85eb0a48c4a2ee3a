#include "settings/RegistryStore.h"

#include <limits>

#include "text/ErrorText.h"

namespace lumivane {

std::optional<int32_t> TextToInt32(const std::u16string& text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
  if (i == text.size()) return std::nullopt;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < u'0' || text[i] > u'9') return std::nullopt;
    value = value * 10 + (text[i] - u'0');
    if (value > int64_t{std::numeric_limits<int32_t>::max()} + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int32_t>::max()) return std::nullopt;
  return static_cast<int32_t>(value);
}

std::pair<std::u16string, std::u16string> RegistryStore::Folded(const std::u16string& key,
                                                                const std::u16string& name) {
  // Key paths and value names compare without regard to case, with or without a leading "\".
  auto fold = [](std::u16string s) {
    for (char16_t& c : s)
      if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    return s;
  };
  const size_t start = key.find_first_not_of(u'\\');
  return {fold(start == std::u16string::npos ? std::u16string() : key.substr(start)), fold(name)};
}

RegMiss RegistryStore::Missed(const RegStatus& status, const std::u16string& key,
                              const std::u16string& name) noexcept {
  switch (status.code) {
  case RegStatus::Code::NotFound:
  case RegStatus::Code::WrongType:
    return RegMiss::Absent;
  case RegStatus::Code::OpenFailed:
    if (status.error == RegStatus::kFileNotFound) return RegMiss::Absent;
    // A key that exists but does not open (for instance access denied): every value under it
    // is unreadable; the writes that would replace them log their own failure.
    break;
  case RegStatus::Code::TooLarge:
    log_.LogError(u"The registry value \"" + name + u"\" is larger than any setting and is left as it is.");
    break;
  default:
    try {
      log_.LogError(u"The registry value \"" + name + u"\" could not be read and is left as it is: " +
                    errors_.MessageText(status.error));
    } catch (...) {
    }
    break;
  }
  try {
    if (holding_) unreadable_.insert(Folded(key, name));
  } catch (...) {
  }
  return RegMiss::Unreadable;
}

std::optional<std::u16string>
RegistryStore::RegReadString(const std::u16string& key, const std::u16string& name, RegMiss* miss) noexcept {
  RegMiss why = RegMiss::Unreadable;
  try {
    std::u16string text;
    const RegStatus status = registry_.ReadString(key, name, text);
    if (status.Ok()) return text;
    why = Missed(status, key, name);
  } catch (...) {
    log_.LogError(CurrentExceptionText(u"Unknown exception"));
  }
  if (miss) *miss = why;
  return std::nullopt;
}

std::optional<int32_t> RegistryStore::RegReadInteger(const std::u16string& key, const std::u16string& name,
                                                     RegMiss* miss) noexcept {
  RegMiss why = RegMiss::Unreadable;
  try {
    int32_t number = 0;
    const RegStatus status = registry_.ReadDword(key, name, number);
    if (status.Ok()) return number;
    why = Missed(status, key, name);
  } catch (...) {
    log_.LogError(CurrentExceptionText(u"Unknown exception"));
  }
  if (miss) *miss = why;
  return std::nullopt;
}

void RegistryStore::Write(const std::u16string& key, const std::u16string& name,
                          std::function<void()> write) noexcept {
  try {
    if (holding_) {
      held_.push_back({Folded(key, name), std::move(write)});
      return;
    }
    write();
  } catch (...) {
    log_.LogError(CurrentExceptionText(u"Unknown exception"));
  }
}

void RegistryStore::HoldWrites() noexcept {
  holding_ = true;
}

void RegistryStore::CommitWrites() noexcept {
  holding_ = false;
  std::vector<HeldWrite> held;
  held.swap(held_);
  for (HeldWrite& w : held) {
    if (unreadable_.count(w.value)) continue;
    try {
      w.write();
    } catch (...) {
      log_.LogError(CurrentExceptionText(u"Unknown exception"));
    }
  }
  unreadable_.clear();
}

void RegistryStore::DropWrites() noexcept {
  holding_ = false;
  held_.clear();
  unreadable_.clear();
}

void RegistryStore::RegWriteValue(const std::u16string& key, const std::u16string& name,
                                  const std::u16string& value, RegKind kind) noexcept {
  try {
    Write(key, name, [this, key, name, value, kind] { WriteValueNow(key, name, value, kind); });
  } catch (...) {
    log_.LogError(CurrentExceptionText(u"Unknown exception"));
  }
}

void RegistryStore::WriteValueNow(const std::u16string& key, const std::u16string& name,
                                  const std::u16string& value, RegKind kind) noexcept {
  try {
    RegStatus status;
    if (value.empty())
      status = registry_.DeleteValue(key, name, RegAccess::ReadWrite);
    else if (kind == RegKind::Integer)
      status = registry_.WriteDword(key, name, TextToInt32(value).value_or(0), RegAccess::ReadWrite);
    else
      status = registry_.WriteString(key, name, value, RegAccess::ReadWrite);
    if (status.code == RegStatus::Code::OpenFailed)
      log_.LogError(u"Failed to open the registry at path \"" + key + u"\".");
    else if (!status.Ok())
      LogFailure(status);
  } catch (...) {
    log_.LogError(CurrentExceptionText(u"Unknown exception"));
  }
}

void RegistryStore::RegDeleteValue(const std::u16string& key, const std::u16string& name) noexcept {
  RegWriteValue(key, name, {}, RegKind::String);
}

void RegistryStore::WriteVariable(const std::u16string& name, const std::u16string& text) noexcept {
  try {
    Write(kSettingsKey, name, [this, name, text] {
      LogVariableWrite(registry_.WriteString(kSettingsKey, name, text, RegAccess::Write));
    });
  } catch (...) {
    log_.LogError(CurrentExceptionText(u"Unknown exception"));
  }
}

void RegistryStore::WriteVariable(const std::u16string& name, int32_t number) noexcept {
  try {
    Write(kSettingsKey, name, [this, name, number] {
      LogVariableWrite(registry_.WriteDword(kSettingsKey, name, number, RegAccess::Write));
    });
  } catch (...) {
    log_.LogError(CurrentExceptionText(u"Unknown exception"));
  }
}

void RegistryStore::LogVariableWrite(const RegStatus& status) noexcept {
  // Both variables share these words, whichever of them failed.
  if (status.code == RegStatus::Code::OpenFailed)
    log_.LogError(u"Writing the step value to the registry failed.");
  else if (!status.Ok())
    LogFailure(status);
}

void RegistryStore::LogFailure(const RegStatus& status) noexcept {
  try {
    log_.LogError(errors_.MessageText(status.error));
  } catch (...) {
  }
}

} // namespace lumivane
