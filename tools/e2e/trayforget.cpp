// Makes the shell's notification area drop the program's icon without telling the program, as a
// restarted shell starts with none; the program has to put it back when "TaskbarCreated" comes.
// Exit 1 when the notification area had no such icon.
//
// Under Wine the shell cannot really be restarted: the process that shows the notification area
// also owns the virtual desktop's X window, and a new one does not take over the desktop it left.
#include <windows.h>

#include <shellapi.h>

#include <cwchar>

#include "../../src/platform/win32/Messages.h"

int wmain() {
  HWND main = ::FindWindowW(lumivane::win32::kMainWindowClass, nullptr);
  if (!main) {
    std::fwprintf(stderr, L"trayforget: the program's window is not there\n");
    return 2;
  }
  NOTIFYICONDATAW icon{};
  icon.cbSize = sizeof icon;
  icon.hWnd = main;
  icon.uID = lumivane::win32::kTrayIconId;
  return ::Shell_NotifyIconW(NIM_DELETE, &icon) ? 0 : 1;
}
