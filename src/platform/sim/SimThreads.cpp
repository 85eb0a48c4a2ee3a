#include "platform/sim/SimThreads.h"

#include <chrono>
#include <exception>

namespace lumivane {

SimMainThread::SimMainThread() : mainId_(std::this_thread::get_id()) {}

bool SimMainThread::IsMainThread() const {
  return std::this_thread::get_id() == mainId_;
}

void SimMainThread::Synchronize(const std::function<void()>& fn) {
  if (IsMainThread()) {
    fn();
    return;
  }
  std::mutex doneMutex;
  std::condition_variable doneCv;
  bool done = false;
  std::exception_ptr error;
  {
    std::lock_guard lock(mutex_);
    ++synchronized_;
    queue_.push_back([&] {
      try {
        fn();
      } catch (...) {
        error = std::current_exception();
      }
      std::lock_guard doneLock(doneMutex);
      done = true;
      doneCv.notify_one();
    });
  }
  changed_.notify_all();
  std::unique_lock doneLock(doneMutex);
  doneCv.wait(doneLock, [&] { return done; });
  if (error) std::rethrow_exception(error);
}

void SimMainThread::Queue(std::function<void()> fn) {
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(fn));
  }
  changed_.notify_all();
}

size_t SimMainThread::Pump() {
  std::deque<std::function<void()>> batch;
  {
    std::lock_guard lock(mutex_);
    batch.swap(queue_);
  }
  for (auto& fn : batch)
    fn();
  return batch.size();
}

bool SimMainThread::PumpUntil(const std::function<bool()>& done, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (Pump() > 0) continue;
    std::unique_lock lock(mutex_);
    if (changed_.wait_until(lock, deadline, [&] { return !queue_.empty(); })) continue;
    lock.unlock();
    return done();
  }
  return true;
}

size_t SimMainThread::SynchronizeCount() const {
  std::lock_guard lock(mutex_);
  return synchronized_;
}

SimThreadPool::~SimThreadPool() {
  Join();
}

void SimThreadPool::Run(std::function<void()> task) {
  std::lock_guard lock(mutex_);
  ++started_;
  if (mode_ == Mode::Manual) {
    pending_.push_back(std::move(task));
    return;
  }
  threads_.emplace_back(std::move(task));
}

void SimThreadPool::RunAll(std::vector<std::function<void()>> tasks) {
  std::vector<std::exception_ptr> errors(tasks.size());
  auto runOne = [&](size_t i) {
    try {
      tasks[i]();
    } catch (...) {
      errors[i] = std::current_exception();
    }
  };
  if (mode_ == Mode::Manual || serial_) {
    for (size_t i = 0; i < tasks.size(); ++i)
      runOne(i);
  } else {
    std::vector<std::thread> threads;
    threads.reserve(tasks.size());
    // Joined whatever happens: the tasks use this frame.
    struct Joiner {
      std::vector<std::thread>& threads;
      ~Joiner() {
        for (auto& t : threads)
          t.join();
      }
    } joiner{threads};
    for (size_t i = 1; i < tasks.size(); ++i)
      threads.emplace_back(runOne, i);
    if (!tasks.empty()) runOne(0);
  }
  for (const auto& error : errors)
    if (error) std::rethrow_exception(error);
}

bool SimThreadPool::RunNext() {
  std::function<void()> task;
  {
    std::lock_guard lock(mutex_);
    if (pending_.empty()) return false;
    task = std::move(pending_.front());
    pending_.pop_front();
  }
  task();
  return true;
}

size_t SimThreadPool::Pending() const {
  std::lock_guard lock(mutex_);
  return pending_.size();
}

size_t SimThreadPool::Started() const {
  std::lock_guard lock(mutex_);
  return started_;
}

void SimThreadPool::Join() {
  std::vector<std::thread> threads;
  {
    std::lock_guard lock(mutex_);
    threads.swap(threads_);
  }
  for (auto& t : threads)
    if (t.joinable()) t.join();
}

} // namespace lumivane
