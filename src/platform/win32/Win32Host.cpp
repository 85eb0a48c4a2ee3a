#include "platform/win32/Win32Host.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>

#include "platform/win32/ChildWindowGuard.h"
#include "platform/win32/Messages.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32Locale.h"
#include "text/ErrorText.h"

namespace lumivane::win32 {

namespace {

// The host whose log takes reported failures. Other threads must not touch the host itself (it
// may be going away on its own); they hand their line to its work queue.
struct LiveHost {
  Win32Host* host = nullptr;
  HWND window = nullptr;
  std::shared_ptr<WorkQueue> work;
};

// The host whose window this thread is creating, until its WM_NCCREATE.
thread_local Win32Host* creatingHost = nullptr;

// Every host that exists, to find a window's host by the window itself: another process can
// overwrite a window's user data, so nothing is kept there.
std::mutex& HostsMutex() {
  static auto* mutex = new std::mutex;
  return *mutex;
}
std::set<Win32Host*>& Hosts() {
  static auto* hosts = new std::set<Win32Host*>;
  return *hosts;
}

// Never destroyed: a pool thread may still report a failure while the process exits.
std::mutex& LiveMutex() {
  static auto* mutex = new std::mutex;
  return *mutex;
}
LiveHost& Live() {
  static auto* live = new LiveHost;
  return *live;
}

void ForgetLiveHost(const Win32Host* host) {
  std::shared_ptr<WorkQueue> work;
  std::lock_guard<std::mutex> lock(LiveMutex());
  if (Live().host != host) return;
  work.swap(Live().work); // released after the lock
  Live() = LiveHost{};
}

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

} // namespace

Win32Host::Win32Host(HINSTANCE instance) : instance_(instance) {
  {
    std::lock_guard<std::mutex> lock(HostsMutex());
    Hosts().insert(this);
  }
  try {
    Create();
  } catch (...) {
    std::lock_guard<std::mutex> lock(HostsMutex());
    Hosts().erase(this);
    throw;
  }
  std::lock_guard<std::mutex> lock(LiveMutex());
  Live() = LiveHost{this, window_, work_};
}

void Win32Host::Create() {
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

  creatingHost = this;
  // The settings window: a fixed single border with the system menu and minimise button only. The
  // settings view gives it its size and place.
  ::CreateWindowExW(0, kMainWindowClass, kAppCaption,
                    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, CW_USEDEFAULT,
                    CW_USEDEFAULT, 640, 480, nullptr, nullptr, instance_, nullptr);
  creatingHost = nullptr;
  if (!window_) throw std::runtime_error("CreateWindowExW failed for the main window");
  // The timer ticks here; WindowProc counts its own calls for the child window guard.
  ChildWindowGuard::CountedByItsProcedure(window_);
  threadId_ = ::GetCurrentThreadId();
  work_ = std::make_shared<WorkQueue>(window_);
  try {
    CreateLogEdit();
  } catch (...) {
    Destroy();
    throw;
  }
}

Win32Host::~Win32Host() {
  ForgetLiveHost(this);
  {
    std::lock_guard<std::mutex> lock(HostsMutex());
    Hosts().erase(this);
  }
  // Whoever installed the handler may already be gone.
  handler_ = nullptr;
  Destroy();
  work_->Close();
}

void Win32Host::Destroy() {
  if (!window_) return;
  destroying_ = true;
  ::DestroyWindow(window_);
}

void Win32Host::CreateLogEdit() {
  // Borderless, wrapping, with a vertical scroll bar; the settings view places it on its third page.
  log_ = ::CreateWindowExW(
      0, L"EDIT", L"", WS_CHILD | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 0, 0, 0, 0,
      window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kLogEditId)), instance_, nullptr);
  if (!log_) throw std::runtime_error("CreateWindowExW failed for the log");
  // The log keeps its newest lines (kLogLineLimit), far more than the default limit of 30,000
  // characters would hold.
  ::SendMessageW(log_, EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
  int dpi = 96;
  if (WindowDc dc(window_); dc) dpi = ::GetDeviceCaps(dc.get(), LOGPIXELSY);
  font_.reset(::CreateFontW(-::MulDiv(9, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH,
                            L"Segoe UI"));
  if (font_) ::SendMessageW(log_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
}

void Win32Host::SetTimerEnabled(bool enabled) {
  if (!window_) {
    timerEnabled_ = false;
    return;
  }
  if (!enabled) {
    // The system timer runs on and its ticks are dropped while disabled: a pass that is over in
    // a moment then costs no timer calls, just as a plain timer would.
    timerEnabled_ = false;
    disabledAtMs_ = ::GetTickCount64();
    return;
  }
  // After a short pass the running timer's next tick is still about 100 ms after the pass ended;
  // a longer one re-arms it, so that the next pass comes a whole interval after its end.
  if (!timerRunning_ || ::GetTickCount64() - disabledAtMs_ > kShortPassMs)
    timerRunning_ = ::SetTimer(window_, kTimer1Id, kTimer1IntervalMs, nullptr) != 0;
  timerEnabled_ = timerRunning_;
}

void Win32Host::RequestPass() {
  if (!window_ || passPosted_) return;
  passPosted_ = ::PostMessageW(window_, kMsgPass, 0, 0) != FALSE;
}

void Win32Host::HideMainForm() {
  if (window_) ::ShowWindow(window_, SW_HIDE);
}

void Win32Host::CloseMainForm() {
  Destroy();
}

uint32_t Win32Host::TaskbarCreatedMessage() {
  return ::RegisterWindowMessageW(L"TaskbarCreated");
}

void Win32Host::ShowErrorBox(const std::u16string& text) {
  ChildWindowGuard::ModalLoop loop(ChildWindowGuard::Takes::Posted);
  ::MessageBoxW(window_, ToWide(text).c_str(), kAppCaption, MB_ICONERROR | MB_TOPMOST | MB_OK);
}

void Win32Host::AppendLogLine(const std::u16string& line) {
  Append(ForEdit(line));
}

void Win32Host::Append(const std::wstring& text) {
  if (!log_) return;
  if (logLengths_.size() >= kLogLineLimit) {
    // The oldest line goes first, so that the new one leaves the caret, and the view, at the end.
    // Never more than the edit holds, should its text have been replaced.
    const size_t oldest = logLengths_.front();
    logLengths_.pop_front();
    const size_t held = static_cast<size_t>(::GetWindowTextLengthW(log_));
    const int cut = static_cast<int>(std::min(oldest, held));
    if (cut > 0) {
      ::SendMessageW(log_, EM_SETSEL, 0, cut);
      ::SendMessageW(log_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
    }
  }
  int end = ::GetWindowTextLengthW(log_);
  ::SendMessageW(log_, EM_SETSEL, end, end);
  ::SendMessageW(log_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  logLengths_.push_back(text.size());
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

Win32Host* Win32Host::HostOf(HWND window) {
  std::lock_guard<std::mutex> lock(HostsMutex());
  for (Win32Host* host : Hosts())
    if (host->window_ == window) return host;
  return nullptr;
}

LRESULT CALLBACK Win32Host::WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  const ChildWindowGuard::Frame frame(msg);
  try {
    // The host comes from this thread's CreateWindowExW, not from lParam: another process can
    // send WM_NCCREATE with a create structure of its own.
    if (msg == WM_NCCREATE && creatingHost && !creatingHost->window_) {
      creatingHost->window_ = window;
      creatingHost = nullptr;
    }
    if (Win32Host* host = HostOf(window)) return host->HandleMessage(msg, wParam, lParam);
  } catch (...) {
    ReportCallbackFailure(L"main window procedure");
  }
  return ::DefWindowProcW(window, msg, wParam, lParam);
}

LRESULT Win32Host::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND window = window_;
  LRESULT result = 0;
  switch (msg) {
  case kMsgWork:
    // Carries nothing; a forged one drains what is queued, or nothing.
    if (std::shared_ptr<WorkQueue> work = work_) work->Drain();
    return 0;
  case WM_TIMER:
    if (wParam != kTimer1Id) break;
    // KillTimer leaves already posted ticks in the queue; a disabled timer must not run a pass.
    // Timer1 has no timer procedure, so a tick with an lParam was forged, and the system posts
    // its ticks: one sent from another thread was forged too.
    if (!timerEnabled_ || lParam != 0 || ::InSendMessage()) return 0;
    // Work whose message was lost still runs.
    if (std::shared_ptr<WorkQueue> work = work_) work->Drain();
    if (!window_) return 0;
    break;
  case kMsgPass:
    // Carries nothing. Only our own posted request counts, once; one sent from another thread
    // was forged. A pass that is running (the timer is off) carries the command out itself, or
    // the next tick does.
    if (!passPosted_ || ::InSendMessage()) return 0;
    passPosted_ = false;
    if (!timerEnabled_ || !window_) return 0;
    break;
  case WM_CLOSE:
    if (handler_ && handler_(window, msg, wParam, lParam, result)) return result;
    Destroy();
    return 0;
  case WM_DESTROY:
    // Only our own DestroyWindow ends the window; another process can send these messages too.
    if (!destroying_) return 0;
    break;
  case WM_NCDESTROY: {
    if (!destroying_) return 0;
    ForgetLiveHost(this);
    MessageHandler handler = handler_;
    window_ = nullptr;
    log_ = nullptr;
    timerEnabled_ = false;
    timerRunning_ = false;
    passPosted_ = false;
    // Pending work is freed, waiting callers are told the window is gone; WM_QUIT stays queued.
    work_->Close();
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
    LiveHost live;
    {
      std::lock_guard<std::mutex> lock(LiveMutex());
      live = Live();
    }
    std::u16string entry = FromWide(line.substr(0, line.size() - 2));
    // Only the window's own thread ends the host, so there it is safe to use.
    if (live.host && ::GetWindowThreadProcessId(live.window, nullptr) == ::GetCurrentThreadId()) {
      live.host->AppendLogLine(entry);
      return;
    }
    // Runs in the host's own window procedure, so the host is still there.
    Win32Host* host = live.host;
    if (live.work && live.work->Post([host, entry] { host->AppendLogLine(entry); })) return;
    ::OutputDebugStringW(line.c_str());
  } catch (...) {
    ::OutputDebugStringW(L"Lumivane: a failure could not be logged\r\n");
  }
}

void ReportCallbackFailure(const wchar_t* where) noexcept {
  std::wstring text;
  try {
    text = std::wstring(where) + L": " +
           ToWide(std::current_exception() ? CurrentExceptionText(u"unknown exception") : u"unknown failure");
  } catch (...) {
    text = where;
  }
  ReportFailure(text);
}

} // namespace lumivane::win32
