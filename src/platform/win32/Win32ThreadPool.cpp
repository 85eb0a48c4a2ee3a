#include "platform/win32/Win32ThreadPool.h"

#include <windows.h>

#include <memory>

#include "platform/win32/Win32Host.h"

namespace lumivane::win32 {

namespace {

using Task = std::function<void()>;

void RunTask(void* context) noexcept {
  std::unique_ptr<Task> task(static_cast<Task*>(context));
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

void Win32ThreadPool::Run(std::function<void()> task) {
  auto owned = std::make_unique<Task>(std::move(task));
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

} // namespace lumivane::win32
