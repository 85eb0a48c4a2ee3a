#pragma once
#include <windows.h>

#include <exception>
#include <functional>

#include "platform/Threads.h"

namespace lumivane::win32 {

// Runs calls on the thread that owns the hidden main window, through its private messages.
class Win32MainThread final : public IMainThread {
 public:
  explicit Win32MainThread(HWND window);

  bool IsMainThread() const override;
  // An exception thrown by fn on the main thread is thrown again here, on the caller's thread.
  // Throws std::runtime_error when the window is gone and fn could not run.
  void Synchronize(const std::function<void()>& fn) override;
  // Dropped (and freed) when the window is gone.
  void Queue(std::function<void()> fn) override;

  // The window procedure's part: runs kMsgSynchronize and kMsgQueue. True when msg was one.
  static bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept;
  // Frees queued calls that will never run because the window is being destroyed.
  static void DiscardPending(HWND window) noexcept;

 private:
  HWND window_;
  DWORD threadId_;
};

} // namespace lumivane::win32
