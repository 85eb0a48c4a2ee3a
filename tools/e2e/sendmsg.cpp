// Sends one window message to the running program's main window and prints the answer.
//   sendmsg queryendsession | endsession | endsession-cancelled | close | taskbarcreated |
//           displaychange | null | suspend | resume-automatic | resume-suspend
// The last three are the power broadcasts of going to sleep and of the two reports of a wake.
#include <windows.h>

#include <cstdio>
#include <string>

#include "../../src/platform/win32/Messages.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fwprintf(stderr, L"usage: sendmsg queryendsession|endsession|endsession-cancelled|close|"
                          L"taskbarcreated|displaychange|null|suspend|resume-automatic|resume-suspend\n");
    return 64;
  }
  std::wstring what = argv[1];
  UINT msg = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  if (what == L"queryendsession") {
    msg = WM_QUERYENDSESSION;
  } else if (what == L"endsession") {
    msg = WM_ENDSESSION;
    wParam = TRUE;
  } else if (what == L"endsession-cancelled") {
    msg = WM_ENDSESSION;
  } else if (what == L"close") {
    msg = WM_CLOSE;
  } else if (what == L"taskbarcreated") {
    msg = ::RegisterWindowMessageW(L"TaskbarCreated");
  } else if (what == L"displaychange") {
    msg = WM_DISPLAYCHANGE;
    wParam = 32;
    lParam = MAKELPARAM(1024, 768);
  } else if (what == L"null") {
    msg = WM_NULL;
  } else if (what == L"suspend") {
    msg = WM_POWERBROADCAST;
    wParam = PBT_APMSUSPEND;
  } else if (what == L"resume-automatic") {
    msg = WM_POWERBROADCAST;
    wParam = PBT_APMRESUMEAUTOMATIC;
  } else if (what == L"resume-suspend") {
    msg = WM_POWERBROADCAST;
    wParam = PBT_APMRESUMESUSPEND;
  } else {
    std::fwprintf(stderr, L"sendmsg: unknown message %ls\n", what.c_str());
    return 64;
  }
  HWND main = ::FindWindowW(lumivane::win32::kMainWindowClass, nullptr);
  if (!main) {
    std::fwprintf(stderr, L"sendmsg: the program's window is not there\n");
    return 1;
  }
  DWORD_PTR answer = 0;
  if (!::SendMessageTimeoutW(main, msg, wParam, lParam, SMTO_NORMAL, 15000, &answer)) {
    std::fwprintf(stderr, L"sendmsg: no answer\n");
    return 2;
  }
  std::printf("%lld\n", static_cast<long long>(answer));
  return 0;
}
