#include "platform/win32/WorkQueue.h"

#include <stdexcept>
#include <utility>

#include "platform/win32/Messages.h"
#include "platform/win32/Win32Host.h"

namespace lumivane::win32 {

bool WorkQueue::Post(std::function<void()> fn) {
  return Push(Item{std::move(fn), nullptr});
}

bool WorkQueue::Push(Item item) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (closed_) return false;
  items_.push_back(std::move(item));
  // Before the post: the drain its message starts must not find the queue idle.
  NoteBusy();
  // A failed post leaves signalled_ false, so the next item tries again; the timer drains too.
  if (!signalled_) signalled_ = ::PostMessageW(window_, kMsgWork, 0, 0) != 0;
  return true;
}

void WorkQueue::Call(const std::function<void()>& fn) {
  const std::shared_ptr<WorkQueue> self = shared_from_this();
  auto call = std::make_shared<SyncCall>();
  call->fn = &fn;
  if (!Push(Item{{}, call})) throw std::runtime_error("Synchronize: the main window is gone");
  std::unique_lock<std::mutex> lock(mutex_);
  call->done.wait(lock, [&] { return call->state != SyncCall::State::Waiting; });
  if (call->state == SyncCall::State::Dropped)
    throw std::runtime_error("Synchronize: the main window is gone");
  if (call->error) std::rethrow_exception(call->error);
}

void WorkQueue::Drain() noexcept {
  // Whatever is handed in after this look posts its own message.
  if (!busy_.load(std::memory_order_acquire)) return;
  std::size_t count = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    signalled_ = false;
    count = items_.size();
    NoteBusy();
  }
  for (; count > 0; --count) {
    Item item;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      // A call run here may have closed the queue or drained it from a nested message loop.
      if (closed_ || items_.empty()) return;
      item = std::move(items_.front());
      items_.pop_front();
      NoteBusy();
    }
    Run(item);
  }
}

void WorkQueue::Run(Item& item) noexcept {
  if (!item.sync) {
    try {
      item.call();
    } catch (...) {
      ReportCallbackFailure(L"queued call");
    }
    return;
  }
  std::exception_ptr error;
  try {
    (*item.sync->fn)();
  } catch (...) {
    error = std::current_exception();
  }
  std::lock_guard<std::mutex> lock(mutex_);
  item.sync->error = error;
  item.sync->state = SyncCall::State::Ran;
  item.sync->done.notify_all();
}

void WorkQueue::Close() noexcept {
  std::deque<Item> dropped;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    dropped.swap(items_);
    NoteBusy();
    for (Item& item : dropped) {
      if (!item.sync) continue;
      item.sync->state = SyncCall::State::Dropped;
      item.sync->done.notify_all();
    }
  }
  // Freed outside the lock: a captured object's destructor may hand in work of its own.
}

bool WorkQueue::Closed() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return closed_;
}

std::size_t WorkQueue::Pending() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return items_.size();
}

} // namespace lumivane::win32
