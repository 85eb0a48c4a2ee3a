#pragma once
// The program's one way to load a DLL by name: from System32 only. The executable imports only
// DLLs that Windows never looks for in the program's folder (the known DLLs, and comctl32 bound
// to the system's side-by-side copy by the manifest); everything else comes through here, so a
// DLL of the same name planted next to the program is never loaded.
#include <windows.h>

#include "platform/win32/UniqueHandles.h"

namespace lumivane::win32 {

using LoadLibraryExFn = HMODULE(WINAPI*)(LPCWSTR, HANDLE, DWORD);

// Loads a system DLL from System32 only. Where LoadLibraryExW does not know
// LOAD_LIBRARY_SEARCH_SYSTEM32 (Windows 7 without KB2533623 answers ERROR_INVALID_PARAMETER),
// the DLL is loaded by its full System32 path instead. The last error tells why on failure.
UniqueHmodule LoadSystemLibrary(const wchar_t* name, LoadLibraryExFn load = ::LoadLibraryExW);

// A function of a system DLL that stays loaded for the rest of the process once asked for;
// nullptr when the DLL or the function is not there. Any thread.
FARPROC SystemProc(const wchar_t* dll, const char* name);
template <typename Fn> Fn SystemFunction(const wchar_t* dll, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(SystemProc(dll, name)));
}

} // namespace lumivane::win32
