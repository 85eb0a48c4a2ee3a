#include "platform/win32/SystemLibrary.h"

#include <map>
#include <mutex>
#include <string>

namespace lumivane::win32 {

UniqueHmodule LoadSystemLibrary(const wchar_t* name, LoadLibraryExFn load) {
  HMODULE module = load(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module || ::GetLastError() != ERROR_INVALID_PARAMETER) return UniqueHmodule(module);
  wchar_t folder[MAX_PATH];
  const UINT n = ::GetSystemDirectoryW(folder, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return UniqueHmodule();
  std::wstring path(folder, n);
  if (path.back() != L'\\') path += L'\\';
  path += name;
  // The DLL's own dependencies are then looked for in System32 first as well.
  return UniqueHmodule(load(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

FARPROC SystemProc(const wchar_t* dll, const char* name) {
  // Never freed: a function handed out stays callable until the process ends.
  static auto* mutex = new std::mutex;
  static auto* loaded = new std::map<std::wstring, HMODULE>;
  HMODULE module = nullptr;
  {
    std::lock_guard<std::mutex> lock(*mutex);
    auto it = loaded->find(dll);
    if (it == loaded->end()) it = loaded->emplace(dll, LoadSystemLibrary(dll).release()).first;
    module = it->second;
  }
  return module ? ::GetProcAddress(module, name) : nullptr;
}

} // namespace lumivane::win32
