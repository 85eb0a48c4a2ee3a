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

std::optional<std::u16string> RegistryStore::RegReadString(const std::u16string& key,
                                                           const std::u16string& name) noexcept {
  try {
    std::u16string text;
    if (registry_.ReadString(key, name, text).Ok()) return text;
  } catch (...) {
    log_.LogError(CurrentExceptionText(u"Unknown exception"));
  }
  return std::nullopt;
}

std::optional<int32_t> RegistryStore::RegReadInteger(const std::u16string& key,
                                                     const std::u16string& name) noexcept {
  try {
    int32_t number = 0;
    if (registry_.ReadDword(key, name, number).Ok()) return number;
  } catch (...) {
    log_.LogError(CurrentExceptionText(u"Unknown exception"));
  }
  return std::nullopt;
}

void RegistryStore::RegWriteValue(const std::u16string& key, const std::u16string& name,
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
    LogVariableWrite(registry_.WriteString(kSettingsKey, name, text, RegAccess::Write));
  } catch (...) {
    log_.LogError(CurrentExceptionText(u"Unknown exception"));
  }
}

void RegistryStore::WriteVariable(const std::u16string& name, int32_t number) noexcept {
  try {
    LogVariableWrite(registry_.WriteDword(kSettingsKey, name, number, RegAccess::Write));
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
