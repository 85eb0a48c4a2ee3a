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
// No payload: the colour button was clicked; the colour dialog's modal loop runs from here, not
// inside the button's notification. Honoured only when the settings window posted it.
constexpr UINT kMsgColorButton = WM_APP + 6;

// No payload: the wheel hook wrote a command; one pass now instead of at the next tick. Honoured
// only while the host's own request is outstanding, and only once per request, so a forged or
// flooded one runs at most the pass that was asked for anyway.
constexpr UINT kMsgPass = WM_APP + 7;

// No payload: the brightness panel lost the foreground; it closes unless it is active again by
// the time this arrives, so a forged one can only close a panel nobody is using.
constexpr UINT kMsgPanelInactive = WM_APP + 20;

constexpr UINT_PTR kTimer1Id = 1;
constexpr UINT kTimer1IntervalMs = 100;
constexpr UINT kTrayIconId = 1;
// Controls of the settings window: 1000 + int(SettingsControl) each; the tab control and the
// debug log (the third page) come after them.
constexpr int kSettingsControlIdBase = 1000;
constexpr int kPageControlId = 1100;
constexpr int kLogEditId = 1101;

constexpr wchar_t kMainWindowClass[] = L"LumivaneMainWindow";
constexpr wchar_t kHintWindowClass[] = L"LumivaneHint";
constexpr wchar_t kPanelWindowClass[] = L"LumivanePanel";
constexpr wchar_t kAppCaption[] = L"Lumivane";

// Resource ids of resources/lumivane.rc.
constexpr int kAppIconId = 1;
constexpr int kIconFontResourceId = 1;

} // namespace lumivane::win32
