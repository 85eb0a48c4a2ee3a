#include "platform/win32/Win32MainThread.h"

#include <stdexcept>
#include <utility>

#include "platform/win32/Win32Host.h"

namespace lumivane::win32 {

Win32MainThread::Win32MainThread(const Win32Host& host)
    : queue_(host.Work()), threadId_(::GetWindowThreadProcessId(host.Window(), nullptr)) {}

bool Win32MainThread::IsMainThread() const {
  return ::GetCurrentThreadId() == threadId_;
}

void Win32MainThread::Synchronize(const std::function<void()>& fn) {
  if (IsMainThread()) {
    fn();
    return;
  }
  if (!queue_) throw std::runtime_error("Synchronize: the main window is gone");
  queue_->Call(fn);
}

void Win32MainThread::Queue(std::function<void()> fn) {
  if (queue_) queue_->Post(std::move(fn));
}

} // namespace lumivane::win32
