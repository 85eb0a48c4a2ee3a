#include "platform/win32/Win32PanelView.h"

#include <algorithm>
#include <string>
#include <utility>

#include "platform/win32/Messages.h"

namespace lumivane::win32 {

namespace {

// The one panel of the process. The window procedure finds its object here rather than in a
// pointer that a creation message carries, which any process could forge.
Win32PanelView* g_panel = nullptr;

// Sizes at 96 DPI.
constexpr int kWidth = 380;
constexpr int kPadding = 12;
constexpr int kRowHeight = 36;
constexpr int kCaptionWidth = 150;
constexpr int kDigitsWidth = 40;
constexpr int kGap = 10;
constexpr int kTrackHeight = 4;
constexpr int kThumbRadius = 7;
constexpr int kMargin = 8; // between the panel and the taskbar

struct Colors {
  COLORREF back, text, track, fill, focus;
};
constexpr Colors kLight{RGB(249, 249, 249), RGB(0, 0, 0), RGB(190, 190, 190), RGB(0, 95, 184), RGB(0, 0, 0)};
constexpr Colors kDark{RGB(43, 43, 43), RGB(255, 255, 255), RGB(110, 110, 110), RGB(96, 205, 255),
                       RGB(255, 255, 255)};

UINT WindowDpi(HWND window) {
  using DpiForWindowFn = UINT(WINAPI*)(HWND);
  static auto dpiForWindow = reinterpret_cast<DpiForWindowFn>(
      reinterpret_cast<void (*)()>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (dpiForWindow)
    if (UINT dpi = dpiForWindow(window)) return dpi;
  HDC screen = ::GetDC(nullptr);
  const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

std::wstring Wide(const std::u16string& text) {
  return std::wstring(text.begin(), text.end());
}

} // namespace

Win32PanelView::Win32PanelView(HWND owner, HINSTANCE instance) : owner_(owner), instance_(instance) {}

Win32PanelView::~Win32PanelView() {
  Close();
}

bool Win32PanelView::Open(const PanelContent& content, PanelEvents events) {
  if (window_) {
    Show(content);
    return true;
  }
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance_;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kPanelWindowClass;
  if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  content_ = content;
  events_ = std::move(events);
  dragRow_ = -1;
  g_panel = this;
  window_ = ::CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kPanelWindowClass, L"Lumivane",
                              WS_POPUP | WS_BORDER, 0, 0, 1, 1, owner_, nullptr, instance_, nullptr);
  if (!window_) {
    g_panel = nullptr;
    events_ = PanelEvents{};
    return false;
  }
  LoadTheme();
  Place(); // on the tray's monitor first, so that the window takes that monitor's DPI
  dpi_ = WindowDpi(window_);
  LoadFont();
  Place();
  ::ShowWindow(window_, SW_SHOW);
  ::SetForegroundWindow(window_);
  ::SetFocus(window_);
  return true;
}

void Win32PanelView::Show(const PanelContent& content) {
  if (!window_) return;
  const bool resize = content.rows.size() != content_.rows.size();
  content_ = content;
  if (resize) Place();
  ::InvalidateRect(window_, nullptr, FALSE);
}

void Win32PanelView::Close() {
  if (!window_) return;
  HWND window = window_;
  window_ = nullptr;
  events_ = PanelEvents{};
  dragRow_ = -1;
  ::DestroyWindow(window);
  font_.reset();
  if (g_panel == this) g_panel = nullptr;
}

void Win32PanelView::CloseByItself() {
  PanelEvents events = std::move(events_);
  Close();
  if (events.onClosed) events.onClosed();
}

void Win32PanelView::LoadTheme() {
  DWORD light = 1;
  DWORD size = sizeof light;
  if (::RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                     L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr, &light, &size) != ERROR_SUCCESS)
    light = 1;
  dark_ = light == 0;
}

void Win32PanelView::LoadFont() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  LOGFONTW face{};
  if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    face = metrics.lfMessageFont;
    // The metrics are the system DPI's; the window may be on a monitor of another.
    HDC screen = ::GetDC(nullptr);
    const int systemDpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ::ReleaseDC(nullptr, screen);
    face.lfHeight = ::MulDiv(face.lfHeight, static_cast<int>(dpi_), systemDpi > 0 ? systemDpi : 96);
  } else {
    face.lfHeight = -Scale(12);
    ::lstrcpynW(face.lfFaceName, L"Segoe UI", LF_FACESIZE);
  }
  face.lfQuality = CLEARTYPE_QUALITY;
  font_.reset(::CreateFontIndirectW(&face));
}

void Win32PanelView::Place() {
  if (!window_) return;
  const int rows = std::max<int>(1, static_cast<int>(content_.rows.size()));
  width_ = Scale(kWidth);
  const int height = 2 * Scale(kPadding) + rows * Scale(kRowHeight);
  RECT frame{0, 0, width_, height};
  ::AdjustWindowRectEx(&frame, WS_POPUP | WS_BORDER, FALSE, WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
  const int w = frame.right - frame.left, h = frame.bottom - frame.top;

  // The monitor that holds the taskbar (the pointer's when there is none); the notification
  // area sits at the far end of the taskbar, so the panel goes to that corner of the work area.
  HWND taskbar = ::FindWindowW(L"Shell_TrayWnd", nullptr);
  HMONITOR monitor = nullptr;
  if (taskbar) {
    monitor = ::MonitorFromWindow(taskbar, MONITOR_DEFAULTTOPRIMARY);
  } else {
    POINT cursor{0, 0};
    ::GetCursorPos(&cursor);
    monitor = ::MonitorFromPoint(cursor, MONITOR_DEFAULTTOPRIMARY);
  }
  MONITORINFO info{};
  info.cbSize = sizeof info;
  RECT work{0, 0, w, h}, whole = work;
  if (::GetMonitorInfoW(monitor, &info)) {
    work = info.rcWork;
    whole = info.rcMonitor;
  }
  const int margin = Scale(kMargin);
  int x = work.right - w - margin; // taskbar below, above or at the right
  int y = work.bottom - h - margin;
  if (work.left > whole.left) x = work.left + margin; // taskbar at the left
  if (work.top > whole.top) y = work.top + margin;    // taskbar at the top
  // Inside the work area even when it is smaller than the panel.
  x = std::max<int>(work.left, std::min<int>(x, work.right - w));
  y = std::max<int>(work.top, std::min<int>(y, work.bottom - h));
  ::SetWindowPos(window_, HWND_TOPMOST, x, y, w, h, SWP_NOACTIVATE);
}

RECT Win32PanelView::Track(int row) const {
  const int top = Scale(kPadding) + row * Scale(kRowHeight);
  const int left = Scale(kPadding) + Scale(kCaptionWidth) + Scale(kGap) + Scale(kThumbRadius);
  const int right = width_ - Scale(kPadding) - Scale(kDigitsWidth) - Scale(kGap) - Scale(kThumbRadius);
  const int middle = top + Scale(kRowHeight) / 2;
  return RECT{left, middle - Scale(kTrackHeight) / 2, std::max(left + 1, right),
              middle - Scale(kTrackHeight) / 2 + Scale(kTrackHeight)};
}

int Win32PanelView::RowAt(int y) const {
  const int top = Scale(kPadding);
  if (y < top) return -1;
  const int row = (y - top) / std::max(1, Scale(kRowHeight));
  return row < static_cast<int>(content_.rows.size()) ? row : -1;
}

int Win32PanelView::ValueAt(int x) const {
  const RECT track = Track(0);
  const int span = std::max<int>(1, track.right - track.left);
  const int v = ::MulDiv(x - track.left, 100, span);
  return std::clamp(v, 0, 100);
}

void Win32PanelView::Slide(int row, int x) {
  const int value = ValueAt(x);
  if (row == dragRow_ && value == dragValue_) return;
  dragRow_ = row;
  dragValue_ = value;
  if (row >= 0 && row < static_cast<int>(content_.rows.size())) {
    // The thumb follows the pointer at once; the controller's value follows at its pass.
    content_.rows[static_cast<size_t>(row)].value = value;
    content_.focus = row;
  }
  ::InvalidateRect(window_, nullptr, FALSE);
  auto slide = events_.onSlide; // the handler may close the window
  if (slide) slide(row, value);
}

void Win32PanelView::Paint(HDC dc, const RECT& client) {
  const Colors& c = dark_ ? kDark : kLight;
  UniqueGdiObj back(::CreateSolidBrush(c.back));
  ::FillRect(dc, &client, static_cast<HBRUSH>(back.get()));
  HGDIOBJ oldFont = ::SelectObject(dc, font_ ? font_.get() : ::GetStockObject(DEFAULT_GUI_FONT));
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, c.text);
  if (content_.rows.empty()) {
    RECT line{Scale(kPadding), Scale(kPadding), client.right - Scale(kPadding),
              Scale(kPadding) + Scale(kRowHeight)};
    const std::wstring text = Wide(content_.emptyText);
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &line,
                DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
  UniqueGdiObj trackBrush(::CreateSolidBrush(c.track));
  UniqueGdiObj fillBrush(::CreateSolidBrush(c.fill));
  UniqueGdiObj thumbPen(::CreatePen(PS_SOLID, 1, c.fill));
  for (size_t i = 0; i < content_.rows.size(); ++i) {
    const int row = static_cast<int>(i);
    const PanelRow& r = content_.rows[i];
    const int top = Scale(kPadding) + row * Scale(kRowHeight);
    RECT caption{Scale(kPadding), top, Scale(kPadding) + Scale(kCaptionWidth), top + Scale(kRowHeight)};
    const std::wstring text = Wide(r.caption);
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &caption,
                DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX | DT_END_ELLIPSIS);
    const RECT track = Track(row);
    const int value = std::clamp(r.value, 0, 100);
    const int thumbX = track.left + ::MulDiv(track.right - track.left, value, 100);
    RECT filled{track.left, track.top, thumbX, track.bottom};
    RECT rest{thumbX, track.top, track.right, track.bottom};
    ::FillRect(dc, &rest, static_cast<HBRUSH>(trackBrush.get()));
    ::FillRect(dc, &filled, static_cast<HBRUSH>(fillBrush.get()));
    const int middle = (track.top + track.bottom) / 2;
    const int radius = Scale(kThumbRadius);
    HGDIOBJ oldPen = ::SelectObject(dc, thumbPen.get());
    HGDIOBJ oldBrush = ::SelectObject(dc, fillBrush.get());
    ::Ellipse(dc, thumbX - radius, middle - radius, thumbX + radius + 1, middle + radius + 1);
    ::SelectObject(dc, oldBrush);
    ::SelectObject(dc, oldPen);
    RECT digits{client.right - Scale(kPadding) - Scale(kDigitsWidth), top, client.right - Scale(kPadding),
                top + Scale(kRowHeight)};
    const std::wstring number = std::to_wstring(value);
    ::DrawTextW(dc, number.c_str(), static_cast<int>(number.size()), &digits,
                DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
    if (row == content_.focus) {
      RECT focus{Scale(kPadding) / 2, top + 1, client.right - Scale(kPadding) / 2,
                 top + Scale(kRowHeight) - 1};
      ::SetTextColor(dc, c.focus);
      ::DrawFocusRect(dc, &focus);
      ::SetTextColor(dc, c.text);
    }
  }
  ::SelectObject(dc, oldFont);
}

LRESULT CALLBACK Win32PanelView::Proc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  try {
    Win32PanelView* self = g_panel;
    if (self && self->window_ == window) return self->Handle(msg, wParam, lParam);
  } catch (...) {
  }
  return ::DefWindowProcW(window, msg, wParam, lParam);
}

LRESULT Win32PanelView::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND window = window_;
  // Any process can send or post input messages to the window. Real input sets the thread's key
  // state as it is taken from the queue; a forged key or click arrives with its key up.
  if ((msg == WM_KEYDOWN && ::GetKeyState(static_cast<int>(wParam & 0xFF)) >= 0) ||
      (msg == WM_LBUTTONDOWN && ::GetKeyState(VK_LBUTTON) >= 0) ||
      ((msg == WM_KEYDOWN || msg == WM_LBUTTONDOWN || msg == WM_MOUSEMOVE || msg == WM_MOUSEWHEEL) &&
       ::InSendMessage()))
    return 0;
  switch (msg) {
  case WM_ERASEBKGND:
    return 1; // the paint covers every pixel
  case WM_PAINT: {
    PAINTSTRUCT ps{};
    HDC dc = ::BeginPaint(window, &ps);
    if (dc) {
      RECT client{};
      ::GetClientRect(window, &client);
      // Drawn off screen and copied in one go: no flicker while a thumb moves.
      UniqueHdc memory(::CreateCompatibleDC(dc));
      UniqueGdiObj bitmap(
          ::CreateCompatibleBitmap(dc, std::max<LONG>(1, client.right), std::max<LONG>(1, client.bottom)));
      if (memory && bitmap) {
        HGDIOBJ old = ::SelectObject(memory.get(), bitmap.get());
        Paint(memory.get(), client);
        ::BitBlt(dc, 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
        ::SelectObject(memory.get(), old);
      } else {
        Paint(dc, client);
      }
    }
    ::EndPaint(window, &ps);
    return 0;
  }
  case WM_LBUTTONDOWN: {
    const int x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
    const int row = RowAt(y);
    if (row < 0) return 0;
    ::SetCapture(window);
    dragRow_ = -1;
    Slide(row, x);
    return 0;
  }
  case WM_MOUSEMOVE:
    if (dragRow_ >= 0 && (wParam & MK_LBUTTON) && ::GetCapture() == window)
      Slide(dragRow_, static_cast<short>(LOWORD(lParam)));
    return 0;
  case WM_LBUTTONUP:
    if (::GetCapture() == window) ::ReleaseCapture();
    return 0;
  case WM_CAPTURECHANGED:
    dragRow_ = -1;
    return 0;
  case WM_MOUSEWHEEL: {
    POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ::ScreenToClient(window, &at);
    const int row = RowAt(at.y);
    const short delta = static_cast<short>(HIWORD(wParam));
    auto wheel = events_.onWheel;
    if (row >= 0 && delta != 0 && wheel) wheel(row, delta > 0 ? 1 : -1);
    return 0;
  }
  case WM_KEYDOWN: {
    PanelKey key;
    switch (wParam) {
    case VK_LEFT:
      key = PanelKey::Left;
      break;
    case VK_RIGHT:
      key = PanelKey::Right;
      break;
    case VK_UP:
      key = PanelKey::Up;
      break;
    case VK_DOWN:
      key = PanelKey::Down;
      break;
    case VK_PRIOR:
      key = PanelKey::PageUp;
      break;
    case VK_NEXT:
      key = PanelKey::PageDown;
      break;
    case VK_HOME:
      key = PanelKey::Home;
      break;
    case VK_END:
      key = PanelKey::End;
      break;
    case VK_TAB:
      key = ::GetKeyState(VK_SHIFT) < 0 ? PanelKey::ShiftTab : PanelKey::Tab;
      break;
    case VK_ESCAPE:
      key = PanelKey::Escape;
      break;
    default:
      return ::DefWindowProcW(window, msg, wParam, lParam);
    }
    auto onKey = events_.onKey; // Escape closes the window inside the call
    if (onKey) onKey(key);
    return 0;
  }
  case WM_ACTIVATE:
    // Closing inside the activation change would destroy the window in the middle of it.
    if (LOWORD(wParam) == WA_INACTIVE) ::PostMessageW(window, kMsgPanelInactive, 0, 0);
    return 0;
  case kMsgPanelInactive:
    if (::GetActiveWindow() != window) CloseByItself();
    return 0;
  case WM_SETTINGCHANGE: {
    // The app theme may have changed ("ImmersiveColorSet"); the text is not read, any process
    // can send this message: reading the value again costs little.
    const bool was = dark_;
    LoadTheme();
    if (was != dark_) ::InvalidateRect(window, nullptr, FALSE);
    return 0;
  }
  case WM_DPICHANGED: {
    const UINT dpi = HIWORD(wParam);
    if (dpi >= 48 && dpi <= 960 && dpi != dpi_) {
      dpi_ = dpi;
      LoadFont();
      Place();
      ::InvalidateRect(window, nullptr, FALSE);
    }
    return 0;
  }
  case WM_CLOSE:
    CloseByItself();
    return 0;
  default:
    return ::DefWindowProcW(window, msg, wParam, lParam);
  }
}

} // namespace lumivane::win32
