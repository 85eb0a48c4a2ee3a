#pragma once
// The main thread as a queue the test pumps, and a pool that runs tasks either on real threads
// or, in manual mode, when the test asks for it. RunAll uses real threads in Threads mode and
// runs the tasks one after another on the calling thread in Manual mode or when made serial.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/Threads.h"

namespace lumivane {

class SimMainThread final : public IMainThread {
 public:
  SimMainThread(); // the constructing thread is the main thread
  bool IsMainThread() const override;
  void Synchronize(const std::function<void()>& fn) override;
  void Queue(std::function<void()> fn) override;

  // Runs what is queued now (main thread only); returns how many calls ran.
  size_t Pump();
  // Pumps until done() holds or timeoutMs passes; returns done().
  bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000);
  size_t SynchronizeCount() const; // calls that arrived from other threads

 private:
  std::thread::id mainId_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::function<void()>> queue_;
  size_t synchronized_ = 0;
};

class SimThreadPool final : public IThreadPool {
 public:
  enum class Mode { Threads, Manual };
  explicit SimThreadPool(Mode mode = Mode::Threads) : mode_(mode) {}
  ~SimThreadPool() override; // joins every thread it started
  void Run(std::function<void()> task) override;
  void RunAll(std::vector<std::function<void()>> tasks) override;
  // RunAll runs its tasks one after another on the calling thread, as a single thread would.
  void SetSerial(bool serial) { serial_ = serial; }

  // Manual mode: runs the oldest waiting task on the calling thread; false when none waits.
  bool RunNext();
  size_t Pending() const;
  size_t Started() const; // tasks handed to Run so far
  void Join();            // waits for the threads started so far

 private:
  Mode mode_;
  std::atomic<bool> serial_{false};
  mutable std::mutex mutex_;
  std::deque<std::function<void()>> pending_;
  std::vector<std::thread> threads_;
  size_t started_ = 0;
};

} // namespace lumivane
