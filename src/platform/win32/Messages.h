#pragma once
// Private window messages, timer ids and window class names of the program, in one place so that
// no two users pick the same WM_APP offset.
#include <windows.h>

namespace lumivane::win32 {

// Any process on the desktop can send or post to the main window, so no message here carries a
// pointer, and a forged one must be harmless.

// "The work queue has work" (WorkQueue): queued calls, log lines and synchronous calls from other
// threads wait in the queue, not in the message. wParam and lParam are 0 and never read.
constexpr UINT kMsgWork = WM_APP + 1;
// The tray icon's callback message; lParam holds the mouse message. Only compared, never
// dereferenced: a forged one carries any value.
constexpr UINT kMsgTrayCallback = WM_APP + 3;
// No payload: the right button went up over the tray icon; open the menu outside the callback.
constexpr UINT kMsgOpenMenu = WM_APP + 5;

constexpr UINT_PTR kTimer1Id = 1;
constexpr UINT kTimer1IntervalMs = 100;
constexpr UINT kTrayIconId = 1;
constexpr int kLogEditId = 1001;

constexpr wchar_t kMainWindowClass[] = L"LumivaneMainWindow";
constexpr wchar_t kAppCaption[] = L"Lumivane";

// Resource ids of resources/lumivane.rc.
constexpr int kAppIconId = 1;
constexpr int kIconFontResourceId = 1;

} // namespace lumivane::win32
