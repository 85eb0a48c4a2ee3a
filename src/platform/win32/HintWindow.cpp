#include "platform/win32/HintWindow.h"

#include <algorithm>
#include <stdexcept>

#include "platform/win32/Messages.h"

namespace lumivane::win32 {

namespace {

// What the window shows lives in window data that only this process's own calls set: the font
// handle, and the padding.
constexpr int kFontSlot = 0;
constexpr int kPaddingSlot = sizeof(LONG_PTR);

} // namespace

HintWindow::HintWindow(HWND owner, HINSTANCE instance) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.cbWndExtra = 2 * sizeof(LONG_PTR);
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_INFOBK + 1);
  wc.lpszClassName = kHintWindowClass;
  if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    throw std::runtime_error("RegisterClassExW failed for the hint window");
  window_ = ::CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, kHintWindowClass, L"",
                              WS_POPUP | WS_BORDER, 0, 0, 0, 0, owner, nullptr, instance, nullptr);
  if (!window_) throw std::runtime_error("CreateWindowExW failed for the hint window");
}

HintWindow::~HintWindow() {
  if (window_ && ::IsWindow(window_)) ::DestroyWindow(window_);
}

void HintWindow::Show(const std::wstring& text, HFONT font, POINT at, int padding) {
  if (!window_ || text.empty()) return;
  ::SetWindowLongPtrW(window_, kFontSlot, reinterpret_cast<LONG_PTR>(font));
  ::SetWindowLongPtrW(window_, kPaddingSlot, padding);
  ::SetWindowTextW(window_, text.c_str());
  RECT size{0, 0, 0, 0};
  if (HDC dc = ::GetDC(window_)) {
    HGDIOBJ old = ::SelectObject(dc, font);
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &size, DT_CALCRECT | DT_NOPREFIX);
    ::SelectObject(dc, old);
    ::ReleaseDC(window_, dc);
  }
  RECT frame{0, 0, size.right + 2 * padding, size.bottom + 2 * padding};
  ::AdjustWindowRectEx(&frame, WS_POPUP | WS_BORDER, FALSE, WS_EX_TOOLWINDOW);
  int width = frame.right - frame.left;
  int height = frame.bottom - frame.top;
  MONITORINFO info{};
  info.cbSize = sizeof info;
  int x = at.x, y = at.y;
  if (::GetMonitorInfoW(::MonitorFromPoint(at, MONITOR_DEFAULTTONEAREST), &info)) {
    x = std::clamp<int>(x, info.rcWork.left, std::max<int>(info.rcWork.left, info.rcWork.right - width));
    y = std::clamp<int>(y, info.rcWork.top, std::max<int>(info.rcWork.top, info.rcWork.bottom - height));
  }
  ::SetWindowPos(window_, HWND_TOPMOST, x, y, width, height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  ::InvalidateRect(window_, nullptr, TRUE);
}

void HintWindow::Hide() {
  if (window_) ::ShowWindow(window_, SW_HIDE);
}

bool HintWindow::Shown() const {
  return window_ && ::IsWindowVisible(window_);
}

LRESULT CALLBACK HintWindow::Proc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  switch (msg) {
  case WM_PAINT: {
    PAINTSTRUCT paint{};
    HDC dc = ::BeginPaint(window, &paint);
    if (dc) {
      wchar_t text[512] = {};
      int n = ::GetWindowTextW(window, text, 512);
      RECT rect{};
      ::GetClientRect(window, &rect);
      int padding = static_cast<int>(::GetWindowLongPtrW(window, kPaddingSlot));
      ::InflateRect(&rect, -padding, -padding);
      HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::GetWindowLongPtrW(window, kFontSlot)));
      ::SetBkMode(dc, TRANSPARENT);
      ::SetTextColor(dc, ::GetSysColor(COLOR_INFOTEXT));
      ::DrawTextW(dc, text, n, &rect, DT_NOPREFIX);
      ::SelectObject(dc, old);
    }
    ::EndPaint(window, &paint);
    return 0;
  }
  case WM_MOUSEACTIVATE:
    return MA_NOACTIVATE;
  case WM_NCHITTEST:
    return HTTRANSPARENT;
  default:
    return ::DefWindowProcW(window, msg, wParam, lParam);
  }
}

} // namespace lumivane::win32
