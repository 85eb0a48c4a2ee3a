#pragma once
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/Threads.h"

namespace lumivane::win32 {

// Run starts a thread per task that ends with it (the system pool only when no thread can be
// started); an exception that leaves a task is logged. RunAll starts a thread per task (but the
// first, which the caller runs) and ends them with the tasks. Every task has a COM apartment of
// its own.
class Win32ThreadPool final : public IThreadPool {
 public:
  Win32ThreadPool();
  void Run(std::function<void()> task) override;
  void RunAll(std::vector<std::function<void()>> tasks) override;

  // Waits until no task of this pool runs, calling serve every few milliseconds meanwhile (a
  // task may be waiting for the caller's thread). False when one still runs after timeoutMs.
  bool WaitIdle(uint32_t timeoutMs, const std::function<void()>& serve = {});
  std::size_t Running() const;

 private:
  // Shared with the tasks, which may end after the pool object.
  struct State {
    std::mutex mutex;
    std::condition_variable idle;
    std::size_t running = 0;
  };
  std::shared_ptr<State> state_;
};

} // namespace lumivane::win32
