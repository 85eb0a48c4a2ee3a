// How long the running program's main window takes to answer, asked again and again: sends
// WM_NULL with SendMessageTimeout every INTERVAL ms for WATCH ms and prints one line per answer,
// "<ms since the start> <ms the answer took>". With "displaychange" the watch starts with a
// display-change broadcast to the window, sent without waiting (the program rescans on it).
//   answertime WATCH_MS [INTERVAL_MS=10] [displaychange]
// Exits 1 when the window is not there, 2 when it gave no answer within 15 s.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "../../src/platform/win32/Messages.h"

namespace {

double NowMs() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  ::QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fwprintf(stderr, L"usage: answertime WATCH_MS [INTERVAL_MS] [displaychange]\n");
    return 64;
  }
  const double watchMs = std::wcstod(argv[1], nullptr);
  const DWORD intervalMs = argc > 2 ? static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)) : 10;
  const bool displayChange = argc > 3 && std::wstring(argv[3]) == L"displaychange";
  HWND main = ::FindWindowW(lumivane::win32::kMainWindowClass, nullptr);
  if (!main) {
    std::fwprintf(stderr, L"answertime: the program's window is not there\n");
    return 1;
  }
  const double start = NowMs();
  if (displayChange) ::SendNotifyMessageW(main, WM_DISPLAYCHANGE, 32, MAKELPARAM(1024, 768));
  int status = 0;
  while (NowMs() - start < watchMs) {
    const double asked = NowMs();
    DWORD_PTR answer = 0;
    if (!::SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 15000, &answer)) {
      std::fwprintf(stderr, L"answertime: no answer\n");
      status = 2;
      break;
    }
    const double answered = NowMs();
    std::printf("%.1f %.2f\n", asked - start, answered - asked);
    ::Sleep(intervalMs);
  }
  std::fflush(stdout);
  return status;
}
