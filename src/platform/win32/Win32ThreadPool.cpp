#include "platform/win32/Win32ThreadPool.h"

#include <windows.h>

#include <objbase.h>

#include <algorithm>
#include <chrono>
#include <exception>
#include <memory>
#include <vector>

#include "platform/win32/UniqueHandles.h"
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

// One task of RunAll and what it threw.
struct Slot {
  Task* task = nullptr;
  std::exception_ptr error;
};

void RunSlot(Slot& slot) noexcept {
  const TaskApartment apartment;
  try {
    (*slot.task)();
  } catch (...) {
    slot.error = std::current_exception();
  }
}

DWORD WINAPI SlotThread(void* context) noexcept {
  RunSlot(*static_cast<Slot*>(context));
  return 0;
}

// Waits for every thread started, also when the caller leaves by an exception: the threads use
// the caller's frame.
class ThreadsJoined {
 public:
  explicit ThreadsJoined(std::vector<UniqueHandle>& threads) : threads_(threads) {}
  ThreadsJoined(const ThreadsJoined&) = delete;
  ThreadsJoined& operator=(const ThreadsJoined&) = delete;
  ~ThreadsJoined() {
    for (const UniqueHandle& thread : threads_)
      ::WaitForSingleObject(thread.get(), INFINITE);
  }

 private:
  std::vector<UniqueHandle>& threads_;
};

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
  // A thread of its own that ends with the task: a system pool keeps a worker waiting after
  // its last task (Wine keeps one for good), and an idle thread still costs its stack.
  if (HANDLE thread = ::CreateThread(nullptr, 0, WorkItemCallback, owned.get(), 0, nullptr)) {
    owned.release();
    ::CloseHandle(thread);
    return;
  }
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

void Win32ThreadPool::RunAll(std::vector<std::function<void()>> tasks) {
  std::vector<Slot> slots(tasks.size());
  for (size_t i = 0; i < tasks.size(); ++i)
    slots[i].task = &tasks[i];
  // A thread per task that ends with it, rather than a pool that stays: these runs are rare,
  // and every thread kept alive costs its stack.
  std::vector<UniqueHandle> threads;
  threads.reserve(tasks.size()); // no allocation between starting a thread and owning it
  std::vector<size_t> unthreaded;
  {
    const ThreadsJoined joined(threads);
    for (size_t i = 1; i < slots.size(); ++i) {
      HANDLE thread = ::CreateThread(nullptr, 0, SlotThread, &slots[i], 0, nullptr);
      if (thread)
        threads.emplace_back(thread);
      else
        unthreaded.push_back(i);
    }
    if (!unthreaded.empty())
      ReportFailure(L"no thread could be started for a task; running it on the calling thread");
    if (!slots.empty()) RunSlot(slots[0]);
    for (size_t i : unthreaded)
      RunSlot(slots[i]);
  }
  for (const Slot& slot : slots)
    if (slot.error) std::rethrow_exception(slot.error);
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
