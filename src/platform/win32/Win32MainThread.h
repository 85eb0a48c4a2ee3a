#pragma once
#include <windows.h>

#include <functional>
#include <memory>

#include "platform/Threads.h"
#include "platform/win32/WorkQueue.h"

namespace lumivane::win32 {

class Win32Host;

// Runs calls on the thread that owns the host's main window, through the host's work queue.
class Win32MainThread final : public IMainThread {
 public:
  explicit Win32MainThread(const Win32Host& host);

  bool IsMainThread() const override;
  // An exception thrown by fn on the main thread is thrown again here, on the caller's thread.
  // Throws std::runtime_error when the window is gone (or goes) before fn could run.
  void Synchronize(const std::function<void()>& fn) override;
  // Dropped (and freed) when the window is gone.
  void Queue(std::function<void()> fn) override;

 private:
  std::shared_ptr<WorkQueue> queue_;
  DWORD threadId_;
};

} // namespace lumivane::win32
