#include <windows.h>

#include <commctrl.h>

#include "app/Application.h"
#include "platform/win32/Win32Host.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
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
