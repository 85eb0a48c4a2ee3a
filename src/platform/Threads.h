#pragma once
#include <functional>
#include <vector>

namespace lumivane {

// The main thread as seen from other threads.
class IMainThread {
 public:
  virtual ~IMainThread() = default;
  virtual bool IsMainThread() const = 0;
  // Runs fn on the main thread and returns when it has run. On the main thread fn runs at once.
  virtual void Synchronize(const std::function<void()>& fn) = 0;
  // Runs fn on the main thread later; calls from one thread keep their order.
  virtual void Queue(std::function<void()> fn) = 0;
};

// Runs tasks off the main thread.
class IThreadPool {
 public:
  virtual ~IThreadPool() = default;
  virtual void Run(std::function<void()> task) = 0;
  // Runs the tasks at the same time, the calling thread taking one of them, and returns when
  // every one has ended. Tasks must not wait for the main thread. When tasks threw, the first
  // one's exception (in list order) is rethrown after all have ended.
  virtual void RunAll(std::vector<std::function<void()>> tasks) = 0;
};

} // namespace lumivane
