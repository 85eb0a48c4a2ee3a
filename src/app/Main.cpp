#include <windows.h>

#include <commctrl.h>

#include "app/Application.h"
#include "platform/win32/Win32Host.h"

namespace {

// Libraries loaded by name come from System32 only, never from the program's folder or the
// current directory. Looked up at run time so that a system without it still starts.
void LoadLibrariesFromSystem32Only() noexcept {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  if (!kernel) return;
  auto set = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void (*)()>(::GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (set) set(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  LoadLibrariesFromSystem32Only();
  try {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&controls);
    lumivane::app::Application application(instance);
    return application.Run();
  } catch (...) {
    lumivane::win32::ReportCallbackFailure(L"start of the program");
    return 1;
  }
}
