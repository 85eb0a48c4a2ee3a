#include "platform/win32/Win32MainThread.h"

#include <memory>
#include <stdexcept>

#include "platform/win32/Messages.h"
#include "platform/win32/Win32Host.h"

namespace lumivane::win32 {

namespace {

struct SyncCall {
  const std::function<void()>* fn = nullptr;
  std::exception_ptr error;
  bool ran = false;
};

} // namespace

Win32MainThread::Win32MainThread(HWND window)
    : window_(window), threadId_(::GetWindowThreadProcessId(window, nullptr)) {}

bool Win32MainThread::IsMainThread() const {
  return ::GetCurrentThreadId() == threadId_;
}

void Win32MainThread::Synchronize(const std::function<void()>& fn) {
  if (IsMainThread()) {
    fn();
    return;
  }
  SyncCall call;
  call.fn = &fn;
  ::SendMessageW(window_, kMsgSynchronize, 0, reinterpret_cast<LPARAM>(&call));
  if (!call.ran) throw std::runtime_error("Synchronize: the main window is gone");
  if (call.error) std::rethrow_exception(call.error);
}

void Win32MainThread::Queue(std::function<void()> fn) {
  auto owned = std::make_unique<std::function<void()>>(std::move(fn));
  if (::PostMessageW(window_, kMsgQueue, 0, reinterpret_cast<LPARAM>(owned.get()))) owned.release();
}

bool Win32MainThread::HandleMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT& result) noexcept {
  if (msg == kMsgSynchronize) {
    auto* call = reinterpret_cast<SyncCall*>(lParam);
    try {
      (*call->fn)();
    } catch (...) {
      call->error = std::current_exception();
    }
    call->ran = true;
    result = 0;
    return true;
  }
  if (msg == kMsgQueue) {
    std::unique_ptr<std::function<void()>> fn(reinterpret_cast<std::function<void()>*>(lParam));
    try {
      (*fn)();
    } catch (...) {
      ReportCallbackFailure(L"queued call");
    }
    result = 0;
    return true;
  }
  return false;
}

void Win32MainThread::DiscardPending(HWND window) noexcept {
  MSG m;
  while (::PeekMessageW(&m, window, kMsgQueue, kMsgQueue, PM_REMOVE)) {
    // PeekMessage hands out WM_QUIT whatever the filter; the message loop still needs it.
    if (m.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    if (m.message == kMsgQueue) delete reinterpret_cast<std::function<void()>*>(m.lParam);
  }
}

} // namespace lumivane::win32
