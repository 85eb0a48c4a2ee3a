// Reads the open popup menu (a visible window of class "#32768") from outside the program that
// opened it and prints one line per item, as UTF-8:
//   <position> TAB <caption> TAB <flags> TAB <left>,<top>,<right>,<bottom>
// flags: "separator", "checked", "grayed", or "-" for none (several joined by '+'); the
// rectangle is the item's place on the screen.
//   menuitems [MS]          wait up to MS (default 10000) for an open menu with items
//   menuitems [MS] --gone   wait until no menu window is open
// Exit 0 when the condition was met, 1 on time-out, 2 when the menu's items cannot be read.
//
// Windows lets another process read a menu by its handle; Wine keeps menus per process. There
// menuprobe.dll (next to this tool) is placed into the menu window's thread with a
// WH_CALLWNDPROC hook, reads the menu there and sends the lines back with WM_COPYDATA.
#include <windows.h>

#include <string>

#include "menuprobe/MenuText.h"

namespace {

constexpr UINT kGetMenu = 0x01E1; // MN_GETHMENU

BOOL CALLBACK FindMenuWindow(HWND window, LPARAM param) {
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, 64);
  if (std::wstring(name) != L"#32768" || !::IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(param) = window;
  return FALSE;
}

HWND OpenMenuWindow() {
  HWND found = nullptr;
  ::EnumWindows(FindMenuWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

void WriteUtf8(const std::wstring& text) {
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                      nullptr, nullptr);
  if (n <= 0) return;
  std::string bytes(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr,
                        nullptr);
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
              nullptr);
}

std::wstring gReceived;

LRESULT CALLBACK ReceiverProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  if (msg == WM_COPYDATA) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (data && data->lpData && data->cbData % sizeof(wchar_t) == 0)
      gReceived.assign(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t));
    return TRUE;
  }
  return ::DefWindowProcW(window, msg, wParam, lParam);
}

// The items as read inside the menu's process; empty when that fails.
std::wstring ReadThroughProbe(HWND menuWindow) {
  wchar_t path[MAX_PATH] = {};
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  std::wstring dll(path, n);
  dll = dll.substr(0, dll.find_last_of(L"\\/") + 1) + L"menuprobe.dll";
  const HMODULE probe = ::LoadLibraryW(dll.c_str());
  if (!probe) return {};
  const auto hook =
      reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(::GetProcAddress(probe, "MenuProbeHook")));
  WNDCLASSW wc{};
  wc.lpfnWndProc = ReceiverProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"LumivaneMenuItemsReceiver";
  ::RegisterClassW(&wc);
  const HWND receiver = ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                          wc.hInstance, nullptr);
  const DWORD thread = ::GetWindowThreadProcessId(menuWindow, nullptr);
  const HHOOK installed =
      hook && receiver ? ::SetWindowsHookExW(WH_CALLWNDPROC, hook, probe, thread) : nullptr;
  if (installed) {
    DWORD_PTR unused = 0;
    ::SendMessageTimeoutW(menuWindow, ::RegisterWindowMessageW(L"LumivaneMenuProbe"), 0,
                          reinterpret_cast<LPARAM>(receiver), SMTO_ABORTIFHUNG, 3000, &unused);
    ::UnhookWindowsHookEx(installed);
  }
  if (receiver) ::DestroyWindow(receiver);
  ::FreeLibrary(probe);
  return gReceived;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
  DWORD timeout = 10000;
  bool gone = false;
  for (int i = 1; i < argc; ++i) {
    const std::wstring a = argv[i];
    if (a == L"--gone")
      gone = true;
    else
      timeout = static_cast<DWORD>(_wtoi(argv[i]));
  }
  const ULONGLONG end = ::GetTickCount64() + timeout;
  bool sawUnreadable = false;
  for (;;) {
    const HWND window = OpenMenuWindow();
    if (gone && !window) return 0;
    if (!gone && window) {
      std::wstring items;
      DWORD_PTR menu = 0;
      if (::SendMessageTimeoutW(window, kGetMenu, 0, 0, SMTO_ABORTIFHUNG, 2000, &menu) && menu)
        items = menuitems::Describe(window, reinterpret_cast<HMENU>(menu));
      if (items.empty()) items = ReadThroughProbe(window);
      if (!items.empty()) {
        WriteUtf8(items);
        return 0;
      }
      sawUnreadable = true;
    }
    if (::GetTickCount64() > end) return sawUnreadable ? 2 : 1;
    ::Sleep(100);
  }
}
