#pragma once
// Private window messages, timer ids and window class names of the program, in one place so that
// no two users pick the same WM_APP offset.
#include <windows.h>

namespace lumivane::win32 {

// lParam: a SyncCall* owned by the sender, which waits in SendMessageW.
constexpr UINT kMsgSynchronize = WM_APP + 1;
// lParam: a heap std::function<void()>* that the receiver runs and deletes.
constexpr UINT kMsgQueue = WM_APP + 2;
// The tray icon's callback message; lParam holds the mouse message.
constexpr UINT kMsgTrayCallback = WM_APP + 3;
// lParam: a heap std::wstring* with one log line from another thread; the receiver deletes it.
constexpr UINT kMsgLogLine = WM_APP + 4;
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
