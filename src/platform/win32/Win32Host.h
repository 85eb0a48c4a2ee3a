#pragma once
#include <windows.h>

#include <deque>
#include <functional>
#include <memory>

#include "platform/Host.h"
#include "platform/win32/UniqueHandles.h"
#include "platform/win32/WorkQueue.h"

namespace lumivane::win32 {

// The hidden top-level main window (the settings window, whose controls Win32SettingsView makes)
// with the debug log in a read-only multi-line edit. Top-level rather than message-only, so that
// it receives the shell's "TaskbarCreated" broadcast. Other threads reach it only through its
// work queue.
class Win32Host final : public IHost {
 public:
  // Return true when the message was handled; result is then the window procedure's answer.
  using MessageHandler = std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT& result)>;

  // Creates the window; throws std::runtime_error when that fails.
  explicit Win32Host(HINSTANCE instance);
  ~Win32Host() override;
  Win32Host(const Win32Host&) = delete;
  Win32Host& operator=(const Win32Host&) = delete;

  HWND Window() const { return window_; }
  HWND LogEdit() const { return log_; }
  // Drained on kMsgWork and on every Timer1 tick; closed when the window goes.
  const std::shared_ptr<WorkQueue>& Work() const { return work_; }
  // Sees every message after the host's own; WM_TIMER of Timer1 only while the timer is enabled.
  void SetMessageHandler(MessageHandler handler) { handler_ = std::move(handler); }

  void SetTimerEnabled(bool enabled) override;
  bool TimerEnabled() const override { return timerEnabled_; }
  // Posts kMsgPass once; the handler sees it while the timer is enabled.
  void RequestPass() override;
  void CloseMainForm() override;
  void HideMainForm() override;
  uint32_t TaskbarCreatedMessage() override;
  void ShowErrorBox(const std::u16string& text) override;
  void AppendLogLine(const std::u16string& line) override;
  void InitializeCom() override;
  void UninitializeCom() override;
  void ShowMainWindow() override;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
  // The host whose window this is; nullptr for none.
  static Win32Host* HostOf(HWND window);
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void Create(); // the window class, the window and its log; throws when one of them fails
  void CreateLogEdit();
  void Append(const std::wstring& line);
  void Destroy();

  HINSTANCE instance_;
  HWND window_ = nullptr;
  HWND log_ = nullptr;
  // The length in the edit of each line it holds, oldest first, to drop the oldest past the limit.
  std::deque<size_t> logLengths_;
  DWORD threadId_ = 0;
  bool timerEnabled_ = false;
  // The system timer of Timer1 exists; disabling only drops its ticks (see SetTimerEnabled).
  bool timerRunning_ = false;
  // GetTickCount64 when the timer was last disabled; a pass at most this long keeps the rhythm.
  ULONGLONG disabledAtMs_ = 0;
  static constexpr ULONGLONG kShortPassMs = 20;
  // Our kMsgPass is in the queue: any other was forged.
  bool passPosted_ = false;
  // Set by our own DestroyWindow: a WM_DESTROY or WM_NCDESTROY without it was forged.
  bool destroying_ = false;
  int comInits_ = 0;
  UniqueGdiObj font_;
  MessageHandler handler_;
  std::shared_ptr<WorkQueue> work_;
};

// A window's device context (GetDC) for as long as it lives; null window = the screen.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(::GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ::ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// Logs a failure as an error line of the debug log of the live host (appended on the main
// thread, whichever thread reports it); without a host it goes to the debugger output.
void ReportFailure(const std::wstring& text) noexcept;
// For catch-all handlers of callbacks: reports the exception in flight, naming where it was caught.
void ReportCallbackFailure(const wchar_t* where) noexcept;

} // namespace lumivane::win32
