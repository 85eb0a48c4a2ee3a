#include "platform/win32/Win32Host.h"

#include <atomic>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/win32/Messages.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32Locale.h"
#include "platform/win32/Win32MainThread.h"

namespace lumivane::win32 {

namespace {

std::atomic<Win32Host*> liveHost{nullptr};
// Read by other threads, which must not touch the host itself: it may be going away on its own.
std::atomic<HWND> liveWindow{nullptr};

// The edit control needs CR LF; portable text may break lines with LF alone.
std::wstring ForEdit(const std::u16string& line) {
  std::wstring out;
  out.reserve(line.size() + 8);
  for (size_t i = 0; i < line.size(); ++i) {
    wchar_t c = static_cast<wchar_t>(line[i]);
    if (c == L'\0') break;
    if (c == L'\n' && (i == 0 || line[i - 1] != u'\r')) out += L'\r';
    out += c;
  }
  out += L"\r\n";
  return out;
}

std::wstring Utf8ToWide(const char* s) {
  int n = ::MultiByteToWideChar(CP_UTF8, 0, s, -1, nullptr, 0);
  if (n <= 1) return {};
  std::wstring w(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, s, -1, w.data(), n);
  w.resize(static_cast<size_t>(n - 1));
  return w;
}

} // namespace

Win32Host::Win32Host(HINSTANCE instance) : instance_(instance) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance_;
  wc.hIcon = ::LoadIconW(instance_, MAKEINTRESOURCEW(kAppIconId));
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kMainWindowClass;
  if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    throw std::runtime_error("RegisterClassExW failed");

  ::CreateWindowExW(0, kMainWindowClass, kAppCaption, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 640,
                    480, nullptr, nullptr, instance_, this);
  if (!window_) throw std::runtime_error("CreateWindowExW failed for the main window");
  threadId_ = ::GetCurrentThreadId();
  try {
    CreateLogEdit();
  } catch (...) {
    ::DestroyWindow(window_);
    throw;
  }
  liveHost.store(this);
  liveWindow.store(window_);
}

Win32Host::~Win32Host() {
  Win32Host* self = this;
  liveHost.compare_exchange_strong(self, nullptr);
  HWND window = window_;
  if (window) liveWindow.compare_exchange_strong(window, nullptr);
  // Whoever installed the handler may already be gone.
  handler_ = nullptr;
  if (window_) ::DestroyWindow(window_);
}

void Win32Host::CreateLogEdit() {
  log_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                           WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY |
                               ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                           0, 0, 0, 0, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kLogEditId)),
                           instance_, nullptr);
  if (!log_) throw std::runtime_error("CreateWindowExW failed for the log");
  // The log keeps every line since start; the default limit of 30,000 characters would cut it.
  ::SendMessageW(log_, EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
  int dpi = 96;
  if (WindowDc dc(window_); dc) dpi = ::GetDeviceCaps(dc.get(), LOGPIXELSY);
  font_.reset(::CreateFontW(-::MulDiv(9, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH,
                            L"Segoe UI"));
  if (font_) ::SendMessageW(log_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  RECT rc{};
  ::GetClientRect(window_, &rc);
  ::MoveWindow(log_, 0, 0, rc.right, rc.bottom, FALSE);
}

void Win32Host::SetTimerEnabled(bool enabled) {
  if (!window_) {
    timerEnabled_ = false;
    return;
  }
  if (enabled) {
    timerEnabled_ = ::SetTimer(window_, kTimer1Id, kTimer1IntervalMs, nullptr) != 0;
  } else {
    ::KillTimer(window_, kTimer1Id);
    timerEnabled_ = false;
  }
}

void Win32Host::CloseMainForm() {
  if (window_) ::DestroyWindow(window_);
}

uint32_t Win32Host::RegisterWindowMessage(const std::u16string& name) {
  return ::RegisterWindowMessageW(ToWide(name).c_str());
}

void Win32Host::ShowErrorBox(const std::u16string& text) {
  ::MessageBoxW(window_, ToWide(text).c_str(), kAppCaption, MB_ICONERROR | MB_TOPMOST | MB_OK);
}

void Win32Host::AppendLogLine(const std::u16string& line) {
  Append(ForEdit(line));
}

void Win32Host::Append(const std::wstring& text) {
  if (!log_) return;
  int end = ::GetWindowTextLengthW(log_);
  ::SendMessageW(log_, EM_SETSEL, end, end);
  ::SendMessageW(log_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

void Win32Host::InitializeCom() {
  if (SUCCEEDED(::CoInitialize(nullptr))) ++comInits_;
}

void Win32Host::UninitializeCom() {
  if (comInits_ == 0) return;
  --comInits_;
  ::CoUninitialize();
}

void Win32Host::ShowMainWindow() {
  if (!window_) return;
  ::ShowWindow(window_, SW_SHOW);
  ::SetForegroundWindow(window_);
  // Normal state: a minimised (or maximised) window is restored.
  ::ShowWindow(window_, SW_RESTORE);
}

LRESULT CALLBACK Win32Host::WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  try {
    if (msg == WM_NCCREATE) {
      auto* host = static_cast<Win32Host*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
      host->window_ = window;
      ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(host));
    }
    auto* host = reinterpret_cast<Win32Host*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (host) return host->HandleMessage(msg, wParam, lParam);
  } catch (...) {
    ReportCallbackFailure(L"main window procedure");
  }
  return ::DefWindowProcW(window, msg, wParam, lParam);
}

LRESULT Win32Host::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND window = window_;
  LRESULT result = 0;
  if (Win32MainThread::HandleMessage(msg, wParam, lParam, result)) return result;
  switch (msg) {
  case kMsgLogLine: {
    std::unique_ptr<std::wstring> line(reinterpret_cast<std::wstring*>(lParam));
    Append(*line);
    return 0;
  }
  case WM_SIZE:
    if (log_) ::MoveWindow(log_, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
    break;
  case WM_TIMER:
    // KillTimer leaves already posted ticks in the queue; a disabled timer must not run a pass.
    if (wParam == kTimer1Id && !timerEnabled_) return 0;
    break;
  case WM_NCDESTROY: {
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    HWND live = window;
    liveWindow.compare_exchange_strong(live, nullptr);
    MessageHandler handler = handler_;
    window_ = nullptr;
    log_ = nullptr;
    timerEnabled_ = false;
    Win32MainThread::DiscardPending(window);
    MSG m;
    while (::PeekMessageW(&m, window, kMsgLogLine, kMsgLogLine, PM_REMOVE)) {
      // PeekMessage hands out WM_QUIT whatever the filter; the message loop still needs it.
      if (m.message == WM_QUIT) {
        ::PostQuitMessage(static_cast<int>(m.wParam));
        break;
      }
      if (m.message == kMsgLogLine) delete reinterpret_cast<std::wstring*>(m.lParam);
    }
    if (handler && handler(window, msg, wParam, lParam, result)) return result;
    return ::DefWindowProcW(window, msg, wParam, lParam);
  }
  default:
    break;
  }
  if (handler_ && handler_(window, msg, wParam, lParam, result)) return result;
  return ::DefWindowProcW(window, msg, wParam, lParam);
}

void ReportFailure(const std::wstring& text) noexcept {
  try {
    std::u16string time = Win32Locale().FormatLongTime(Win32Clock().Now());
    std::wstring line = L"[" + ToWide(time) + L"] ERROR! " + text + L"\r\n";
    HWND window = liveWindow.load();
    // Only the window's own thread ends the host, so there it is safe to use.
    Win32Host* host = liveHost.load();
    if (window && host && ::GetWindowThreadProcessId(window, nullptr) == ::GetCurrentThreadId()) {
      host->AppendLogLine(FromWide(line.substr(0, line.size() - 2)));
      return;
    }
    if (window) {
      auto owned = std::make_unique<std::wstring>(line);
      if (::PostMessageW(window, kMsgLogLine, 0, reinterpret_cast<LPARAM>(owned.get()))) {
        owned.release();
        return;
      }
    }
    ::OutputDebugStringW(line.c_str());
  } catch (...) {
    ::OutputDebugStringW(L"Lumivane: a failure could not be logged\r\n");
  }
}

void ReportCallbackFailure(const wchar_t* where) noexcept {
  std::wstring text;
  try {
    text = std::wstring(where) + L": ";
    std::exception_ptr error = std::current_exception();
    try {
      if (error) std::rethrow_exception(error);
      text += L"unknown failure";
    } catch (const std::exception& e) {
      text += Utf8ToWide(e.what());
    } catch (...) {
      text += L"unknown exception";
    }
  } catch (...) {
    text = where;
  }
  ReportFailure(text);
}

} // namespace lumivane::win32
