// A stand-in for a program with a brightness rule of its own: a window that brings itself to the
// foreground, stays there for a while and exits. Prints "foreground" once its window is in front.
//   game [MS=5000]
// Exit 0 when the window was in front, 1 when it never got there.
#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

constexpr UINT_PTR kCheckTimer = 1;
bool wasInFront = false;

LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_TIMER && wParam == kCheckTimer) {
    // Taken back whenever something else came to the front, so that the rule keeps applying.
    if (::GetForegroundWindow() != window) {
      ::SetForegroundWindow(window);
    } else if (!wasInFront) {
      wasInFront = true;
      std::printf("foreground\n");
      std::fflush(stdout);
    }
    return 0;
  }
  if (msg == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(window, msg, wParam, lParam);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
  const DWORD stay = argc > 1 ? static_cast<DWORD>(std::wcstoul(argv[1], nullptr, 10)) : 5000;
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSW wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.lpszClassName = L"LumivaneE2EGame";
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  if (!::RegisterClassW(&wc)) return 2;
  HWND window = ::CreateWindowExW(0, wc.lpszClassName, L"Game", WS_OVERLAPPEDWINDOW, 200, 150, 400, 300,
                                  nullptr, nullptr, instance, nullptr);
  if (!window) return 2;
  ::ShowWindow(window, SW_SHOWNORMAL);
  ::SetForegroundWindow(window);
  ::SetTimer(window, kCheckTimer, 50, nullptr);
  const DWORD end = ::GetTickCount() + stay;
  MSG m;
  while (static_cast<LONG>(end - ::GetTickCount()) > 0) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&m);
      ::DispatchMessageW(&m);
    }
  }
  ::KillTimer(window, kCheckTimer);
  ::DestroyWindow(window);
  return wasInFront ? 0 : 1;
}
