// Placed by menuitems.exe into the thread of an open popup menu (a WH_CALLWNDPROC hook): on the
// "LumivaneMenuProbe" message it reads the menu in its own process and sends the lines of
// MenuText.h to the window named by the message's lParam with WM_COPYDATA.
#include <windows.h>

#include "MenuText.h"

extern "C" __declspec(dllexport) LRESULT CALLBACK MenuProbeHook(int code, WPARAM wParam, LPARAM lParam) {
  static const UINT probe = ::RegisterWindowMessageW(L"LumivaneMenuProbe");
  const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && call && call->message == probe) {
    try {
      const auto menu = reinterpret_cast<HMENU>(::SendMessageW(call->hwnd, 0x01E1 /* MN_GETHMENU */, 0, 0));
      const std::wstring text = menu ? menuitems::Describe(call->hwnd, menu) : std::wstring();
      COPYDATASTRUCT data{};
      data.cbData = static_cast<DWORD>(text.size() * sizeof(wchar_t));
      data.lpData = const_cast<wchar_t*>(text.data());
      DWORD_PTR unused = 0;
      ::SendMessageTimeoutW(reinterpret_cast<HWND>(call->lParam), WM_COPYDATA,
                            reinterpret_cast<WPARAM>(call->hwnd), reinterpret_cast<LPARAM>(&data),
                            SMTO_ABORTIFHUNG, 2000, &unused);
    } catch (...) {
      // Nothing may escape into the menu's process.
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
