// The smallest tray program of the kind measured against: a hidden window, a 100 ms timer and one
// notification-area icon. bench/memory.sh starts it the same way as the program and compares
// their private memory. Ends on WM_CLOSE (findwin-style tools) or at the end of the session.
#include <windows.h>

#include <shellapi.h>

namespace {

constexpr UINT kTrayCallback = WM_APP + 1;
constexpr wchar_t kClassName[] = L"LumivaneMinimalTray";

LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  switch (msg) {
  case WM_TIMER:
    return 0;
  case WM_ENDSESSION:
    if (wParam) ::DestroyWindow(window);
    return 0;
  case WM_DESTROY:
    ::PostQuitMessage(0);
    return 0;
  default:
    return ::DefWindowProcW(window, msg, wParam, lParam);
  }
}

} // namespace

int wmain() {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.lpszClassName = kClassName;
  if (!::RegisterClassExW(&wc)) return 1;
  HWND window = ::CreateWindowExW(0, kClassName, L"MinimalTray", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 200, 100, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  ::SetTimer(window, 1, 100, nullptr);
  NOTIFYICONDATAW icon{};
  icon.cbSize = sizeof icon;
  icon.hWnd = window;
  icon.uID = 1;
  icon.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
  icon.uCallbackMessage = kTrayCallback;
  icon.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
  lstrcpynW(icon.szTip, L"MinimalTray", ARRAYSIZE(icon.szTip));
  if (!::Shell_NotifyIconW(NIM_ADD, &icon)) return 1;
  MSG msg{};
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  ::Shell_NotifyIconW(NIM_DELETE, &icon);
  return 0;
}
