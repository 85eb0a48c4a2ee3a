#include "platform/win32/Win32ProcessServices.h"

#include <psapi.h>

#include <algorithm>
#include <memory>

#include "platform/win32/SystemLibrary.h"
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

uintptr_t Win32ProcessServices::InstallEmbeddedFont(int resourceId) {
  HRSRC info = ::FindResourceW(module_, MAKEINTRESOURCEW(resourceId), RT_RCDATA);
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

std::u16string Win32ProcessServices::ExecutablePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return FromWide(path);
    }
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
}

bool Win32ProcessServices::LaunchInstance(const std::u16string& path, const std::u16string& folder) {
  if (path.empty() || folder.empty()) return false;
  std::wstring directory = ToWide(folder);
  {
    // Opening the folder itself follows links; a dangling link or a file is no folder.
    HANDLE handle =
        ::CreateFileW(directory.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    UniqueHandle opened(handle);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(opened.get(), &info) ||
        !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      return false;
  }
  std::wstring commandLine = L"\"" + ToWide(path) + L"\" ";
  std::wstring currentDirectory = directory + L"\\";

  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_FORCEOFFFEEDBACK;
  SECURITY_ATTRIBUTES processAttributes{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
  SECURITY_ATTRIBUTES threadAttributes{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
  PROCESS_INFORMATION process{};
  const DWORD flags = CREATE_DEFAULT_ERROR_MODE | EXTENDED_STARTUPINFO_PRESENT | CREATE_UNICODE_ENVIRONMENT |
                      NORMAL_PRIORITY_CLASS;
  if (!::CreateProcessW(nullptr, commandLine.data(), &processAttributes, &threadAttributes, FALSE, flags,
                        nullptr, currentDirectory.c_str(), &startup.StartupInfo, &process))
    return false;
  // The old copy does not wait for the new one.
  UniqueHandle processHandle(process.hProcess), threadHandle(process.hThread);
  return true;
}

std::optional<std::u16string> Win32ProcessServices::ForegroundProgramName() {
  HWND window = ::GetForegroundWindow();
  if (!window) return std::nullopt;
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  // PROCESS_QUERY_INFORMATION | PROCESS_VM_READ; an elevated process refuses both.
  UniqueHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
  if (!process) return std::u16string();
  wchar_t path[MAX_PATH];
  DWORD n = ::GetModuleFileNameExW(process.get(), nullptr, path, MAX_PATH);
  if (n == 0) return std::u16string();
  std::wstring full(path, n);
  size_t cut = full.find_last_of(L"\\:");
  return FromWide(cut == std::wstring::npos ? full : full.substr(cut + 1));
}

std::optional<std::array<uint16_t, 4>> Win32ProcessServices::FileVersion(const std::u16string& path) {
  // version.dll is no known DLL: imported, it would be looked for in the program's folder first.
  using SizeFn = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
  using InfoFn = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
  using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);
  static const auto infoSize = SystemFunction<SizeFn>(L"version.dll", "GetFileVersionInfoSizeW");
  static const auto info = SystemFunction<InfoFn>(L"version.dll", "GetFileVersionInfoW");
  static const auto query = SystemFunction<QueryFn>(L"version.dll", "VerQueryValueW");
  if (!infoSize || !info || !query) return std::nullopt;
  std::wstring file = ToWide(path);
  DWORD ignored = 0;
  DWORD size = infoSize(file.c_str(), &ignored);
  if (size == 0) return std::nullopt;
  std::unique_ptr<unsigned char[]> block(new unsigned char[size]());
  if (!info(file.c_str(), 0, size, block.get())) return std::nullopt;
  void* fixed = nullptr;
  UINT length = 0;
  if (!query(block.get(), L"\\", &fixed, &length) || !fixed || length < sizeof(VS_FIXEDFILEINFO))
    return std::nullopt;
  const auto* fixedInfo = static_cast<const VS_FIXEDFILEINFO*>(fixed);
  return std::array<uint16_t, 4>{HIWORD(fixedInfo->dwFileVersionMS), LOWORD(fixedInfo->dwFileVersionMS),
                                 HIWORD(fixedInfo->dwFileVersionLS), LOWORD(fixedInfo->dwFileVersionLS)};
}

} // namespace lumivane::win32
