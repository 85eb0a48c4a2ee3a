#include "platform/win32/Win32ProcessServices.h"

#include <algorithm>

#include "platform/win32/Win32Locale.h"

namespace lumivane::win32 {

Win32ProcessServices::Win32ProcessServices(HMODULE module)
    : module_(module ? module : ::GetModuleHandleW(nullptr)) {}

bool Win32ProcessServices::CheckSingleInstance(const std::u16string& name, bool keep) {
  // A null DACL lets every account open the mutex, so that one copy runs per machine, whoever
  // started the other.
  SECURITY_DESCRIPTOR descriptor{};
  if (!::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION)) return false;
  if (!::SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE)) return false;
  SECURITY_ATTRIBUTES attributes{};
  attributes.nLength = sizeof attributes;
  attributes.lpSecurityDescriptor = &descriptor;
  attributes.bInheritHandle = FALSE;

  std::wstring fullName = L"Global\\" + ToWide(name);
  UniqueHandle mutex(::CreateMutexW(&attributes, TRUE, fullName.c_str()));
  if (!mutex) return false;
  if (::GetLastError() == ERROR_ALREADY_EXISTS) return false;
  if (keep) keptMutexes_.push_back(std::move(mutex));
  return true;
}

uintptr_t Win32ProcessServices::FontLoadFromResourceByID(int resourceId, int resType) {
  HRSRC info = ::FindResourceW(module_, MAKEINTRESOURCEW(resourceId), MAKEINTRESOURCEW(resType));
  if (!info) return kInvalidFont;
  HGLOBAL loaded = ::LoadResource(module_, info);
  void* data = loaded ? ::LockResource(loaded) : nullptr;
  DWORD size = ::SizeofResource(module_, info);
  if (!data || size == 0) return kInvalidFont;
  DWORD installed = 0;
  HANDLE font = ::AddFontMemResourceEx(data, size, nullptr, &installed);
  if (!font) return kInvalidFont;
  fonts_.emplace_back(font);
  return reinterpret_cast<uintptr_t>(font);
}

void Win32ProcessServices::RemoveFont(uintptr_t handle) {
  if (handle == kInvalidFont || handle == 0) return;
  HANDLE font = reinterpret_cast<HANDLE>(handle);
  auto it =
      std::find_if(fonts_.begin(), fonts_.end(), [&](const UniqueFontMem& f) { return f.get() == font; });
  if (it != fonts_.end()) {
    fonts_.erase(it);
  } else {
    ::RemoveFontMemResourceEx(font);
  }
}

} // namespace lumivane::win32
