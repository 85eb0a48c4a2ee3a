#pragma once
#include <functional>

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
};

} // namespace lumivane
