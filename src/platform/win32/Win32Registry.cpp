#include "platform/win32/Win32Registry.h"

#include <cstring>

#include "platform/win32/Win32Locale.h"

namespace lumivane::win32 {

namespace {

// The registry API wants a path relative to the root: "\SOFTWARE\x" is "SOFTWARE\x".
std::wstring RelativePath(const std::u16string& key) {
  size_t start = key.find_first_not_of(u'\\');
  return start == std::u16string::npos ? std::wstring() : ToWide(key.substr(start));
}

RegStatus Status(RegStatus::Code code, LSTATUS rc) {
  return {code, static_cast<uint32_t>(rc)};
}

static_assert(RegStatus::kFileNotFound == ERROR_FILE_NOT_FOUND);

bool IsString(DWORD type, DWORD) {
  // REG_EXPAND_SZ is read as stored; the program keeps no environment references.
  return type == REG_SZ || type == REG_EXPAND_SZ;
}

bool IsDword(DWORD type, DWORD size) {
  return type == REG_DWORD && size == sizeof(DWORD);
}

} // namespace

uint32_t Win32Registry::AccessMask(RegAccess access, bool view64) {
  uint32_t mask = 0;
  switch (access) {
  case RegAccess::Read:
    mask = KEY_READ; // 0x20019
    break;
  case RegAccess::ReadWrite:
    mask = KEY_READ | KEY_WRITE; // 0x2001F
    break;
  case RegAccess::Write:
    mask = KEY_WRITE; // 0x20006
    break;
  }
  return view64 ? mask | kWow64_64Key : mask;
}

bool Win32Registry::NativeX64() {
  SYSTEM_INFO info{};
  ::GetNativeSystemInfo(&info);
  return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
}

RegStatus Win32Registry::OpenForRead(const std::u16string& key, UniqueHkey& opened) const {
  LSTATUS rc = ::RegOpenKeyExW(HKEY_CURRENT_USER, RelativePath(key).c_str(), 0,
                               AccessMask(RegAccess::Read, view64_), opened.put());
  if (rc != ERROR_SUCCESS) {
    opened.release(); // a failed open leaves the slot undefined
    // A missing key is the one case that means "nothing stored"; every other code is a failure
    // of a key that may well hold the settings.
    if (rc == ERROR_PATH_NOT_FOUND) rc = ERROR_FILE_NOT_FOUND;
    return Status(RegStatus::Code::OpenFailed, rc);
  }
  return {};
}

RegStatus Win32Registry::OpenForWrite(const std::u16string& key, RegAccess access, UniqueHkey& opened) const {
  LSTATUS rc =
      ::RegCreateKeyExW(HKEY_CURRENT_USER, RelativePath(key).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        AccessMask(access, view64_), nullptr, opened.put(), nullptr);
  if (rc != ERROR_SUCCESS) {
    opened.release();
    return Status(RegStatus::Code::OpenFailed, rc);
  }
  return {};
}

RegStatus Win32Registry::Query(HKEY key, const std::wstring& name, DWORD& type,
                               std::vector<unsigned char>& data, bool (*wanted)(DWORD type, DWORD size)) {
  // The size is asked first and the type checked before reading, so that a huge value of
  // another type is never read. Another process may change the value between the two calls;
  // then the read is tried again.
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD size = 0;
    LSTATUS rc = ::RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
    if (rc == ERROR_FILE_NOT_FOUND) return Status(RegStatus::Code::NotFound, rc);
    if (rc != ERROR_SUCCESS) return Status(RegStatus::Code::Failed, rc);
    // No setting is near this size; such a value is not read, whatever its type.
    if (size > RegStatus::kMaxValueBytes) return {RegStatus::Code::TooLarge, 0};
    if (!wanted(type, size)) return {RegStatus::Code::WrongType, 0};
    data.assign(size, 0);
    DWORD got = size;
    rc = ::RegQueryValueExW(key, name.c_str(), nullptr, &type, data.empty() ? nullptr : data.data(), &got);
    if (rc == ERROR_MORE_DATA) continue;
    if (rc == ERROR_FILE_NOT_FOUND) return Status(RegStatus::Code::NotFound, rc);
    if (rc != ERROR_SUCCESS) return Status(RegStatus::Code::Failed, rc);
    if (got > size) continue;
    data.resize(got);
    if (!wanted(type, got)) return {RegStatus::Code::WrongType, 0};
    return {};
  }
  return Status(RegStatus::Code::Failed, ERROR_MORE_DATA);
}

RegStatus Win32Registry::ReadString(const std::u16string& key, const std::u16string& name,
                                    std::u16string& value) {
  UniqueHkey opened;
  RegStatus status = OpenForRead(key, opened);
  if (!status.Ok()) return status;
  DWORD type = 0;
  std::vector<unsigned char> data;
  status = Query(opened.get(), ToWide(name), type, data, IsString);
  if (!status.Ok()) return status;
  // The stored bytes need not end in a zero, nor be an even count: whole characters up to the
  // first zero are the text, as the string functions of the API would see it.
  std::u16string text(data.size() / sizeof(char16_t), u'\0');
  if (!text.empty()) std::memcpy(text.data(), data.data(), text.size() * sizeof(char16_t));
  size_t end = text.find(u'\0');
  if (end != std::u16string::npos) text.resize(end);
  value = std::move(text);
  return {};
}

RegStatus Win32Registry::ReadDword(const std::u16string& key, const std::u16string& name, int32_t& value) {
  UniqueHkey opened;
  RegStatus status = OpenForRead(key, opened);
  if (!status.Ok()) return status;
  DWORD type = 0;
  std::vector<unsigned char> data;
  status = Query(opened.get(), ToWide(name), type, data, IsDword);
  if (!status.Ok()) return status;
  DWORD number = 0;
  std::memcpy(&number, data.data(), sizeof number);
  value = static_cast<int32_t>(number);
  return {};
}

RegStatus Win32Registry::WriteString(const std::u16string& key, const std::u16string& name,
                                     const std::u16string& value, RegAccess access) {
  // The stored size counts the terminating zero and has to fit a DWORD.
  if (value.size() >= MAXDWORD / sizeof(char16_t))
    return Status(RegStatus::Code::Failed, ERROR_INVALID_PARAMETER);
  UniqueHkey opened;
  RegStatus status = OpenForWrite(key, access, opened);
  if (!status.Ok()) return status;
  std::wstring text = ToWide(value);
  const DWORD size = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
  LSTATUS rc = ::RegSetValueExW(opened.get(), ToWide(name).c_str(), 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(text.c_str()), size);
  if (rc != ERROR_SUCCESS) return Status(RegStatus::Code::Failed, rc);
  return {};
}

RegStatus Win32Registry::WriteDword(const std::u16string& key, const std::u16string& name, int32_t value,
                                    RegAccess access) {
  UniqueHkey opened;
  RegStatus status = OpenForWrite(key, access, opened);
  if (!status.Ok()) return status;
  const DWORD number = static_cast<DWORD>(value);
  LSTATUS rc = ::RegSetValueExW(opened.get(), ToWide(name).c_str(), 0, REG_DWORD,
                                reinterpret_cast<const BYTE*>(&number), sizeof number);
  if (rc != ERROR_SUCCESS) return Status(RegStatus::Code::Failed, rc);
  return {};
}

RegStatus Win32Registry::DeleteValue(const std::u16string& key, const std::u16string& name,
                                     RegAccess access) {
  UniqueHkey opened;
  RegStatus status = OpenForWrite(key, access, opened);
  if (!status.Ok()) return status;
  LSTATUS rc = ::RegDeleteValueW(opened.get(), ToWide(name).c_str());
  if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return Status(RegStatus::Code::Failed, rc);
  return {};
}

} // namespace lumivane::win32
