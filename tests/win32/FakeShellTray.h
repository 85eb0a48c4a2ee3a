#pragma once
// Stands in for the shell's notification area: under Wine, Shell_NotifyIconW hands each
// request to the window of class Shell_TrayWnd as WM_COPYDATA, with the NIM_ code in dwData.
#include <windows.h>

#include <shellapi.h>

#include <vector>

namespace lumivane::win32 {

class FakeShellTray {
 public:
  FakeShellTray() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"Shell_TrayWnd";
    ::RegisterClassW(&wc);
    window_ = ::CreateWindowExW(0, L"Shell_TrayWnd", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                wc.hInstance, nullptr);
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~FakeShellTray() { ::DestroyWindow(window_); }
  FakeShellTray(const FakeShellTray&) = delete;
  FakeShellTray& operator=(const FakeShellTray&) = delete;

  bool accept = true;
  std::vector<DWORD> requests;
  // Whether an accepted add holds the icon here; a restarted shell holds none.
  bool HoldsIcon() const { return holds_; }
  void Restart() { holds_ = false; }

 private:
  static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    auto* self = reinterpret_cast<FakeShellTray*>(::GetWindowLongPtrW(w, GWLP_USERDATA));
    if (msg == WM_COPYDATA && self) {
      const auto request = static_cast<DWORD>(reinterpret_cast<COPYDATASTRUCT*>(lp)->dwData);
      self->requests.push_back(request);
      if (self->accept && request == NIM_ADD) self->holds_ = true;
      if (self->accept && request == NIM_DELETE) self->holds_ = false;
      return self->accept;
    }
    return ::DefWindowProcW(w, msg, wp, lp);
  }
  HWND window_ = nullptr;
  bool holds_ = false;
};

} // namespace lumivane::win32
