#include "platform/win32/Win32ThreadPool.h"

#include <windows.h>

#include <objbase.h>

#include <algorithm>
#include <chrono>
#include <memory>

#include "platform/win32/Win32Host.h"

namespace lumivane::win32 {

namespace {

using Task = std::function<void()>;

// COM is per thread: a task that talks to WMI needs an apartment of its own, and every COM
// object it makes lives and ends within the task.
class TaskApartment {
 public:
  TaskApartment() : initialized_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}
  ~TaskApartment() {
    if (initialized_) ::CoUninitialize();
  }
  TaskApartment(const TaskApartment&) = delete;
  TaskApartment& operator=(const TaskApartment&) = delete;

 private:
  bool initialized_;
};

void RunTask(void* context) noexcept {
  std::unique_ptr<Task> task(static_cast<Task*>(context));
  const TaskApartment apartment;
  try {
    (*task)();
  } catch (...) {
    ReportCallbackFailure(L"pool task");
  }
}

void CALLBACK PoolCallback(PTP_CALLBACK_INSTANCE, void* context) noexcept {
  RunTask(context);
}

DWORD CALLBACK WorkItemCallback(void* context) noexcept {
  RunTask(context);
  return 0;
}

} // namespace

Win32ThreadPool::Win32ThreadPool() : state_(std::make_shared<State>()) {}

void Win32ThreadPool::Run(std::function<void()> task) {
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    ++state_->running;
  }
  // Counted until the task has ended, whatever way it ends.
  auto owned = std::make_unique<Task>([state = state_, task = std::move(task)] {
    struct Done {
      State& state;
      ~Done() {
        std::lock_guard<std::mutex> lock(state.mutex);
        if (--state.running == 0) state.idle.notify_all();
      }
    } done{*state};
    task();
  });
  if (::TrySubmitThreadpoolCallback(PoolCallback, owned.get(), nullptr)) {
    owned.release();
    return;
  }
  if (::QueueUserWorkItem(WorkItemCallback, owned.get(), WT_EXECUTEDEFAULT)) {
    owned.release();
    return;
  }
  // Without a pool the task still has to run: a worker that never ends would keep its busy flag
  // set for good.
  ReportFailure(L"the thread pool refused a task; running it on the calling thread");
  RunTask(owned.release());
}

bool Win32ThreadPool::WaitIdle(uint32_t timeoutMs, const std::function<void()>& serve) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(state_->mutex);
      const auto now = std::chrono::steady_clock::now();
      if (state_->running == 0) return true;
      if (now >= end) return false;
      const auto slice =
          std::min<std::chrono::steady_clock::duration>(end - now, std::chrono::milliseconds(10));
      if (state_->idle.wait_for(lock, slice, [this] { return state_->running == 0; })) return true;
    }
    if (serve) serve();
  }
}

std::size_t Win32ThreadPool::Running() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->running;
}

} // namespace lumivane::win32
