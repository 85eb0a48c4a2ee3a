#pragma once
#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace lumivane::win32 {

// Work that other threads hand to the main thread (queued calls, log lines, synchronous calls),
// run there in the order it was handed in. The window only gets kMsgWork, which carries nothing:
// every process on the desktop can post to the window, so a forged one drains an empty queue at
// most. Shared by the host and whoever hands in work, so a late caller finds it closed rather
// than gone. Always owned by a shared_ptr.
class WorkQueue : public std::enable_shared_from_this<WorkQueue> {
 public:
  explicit WorkQueue(HWND window) : window_(window) {}
  WorkQueue(const WorkQueue&) = delete;
  WorkQueue& operator=(const WorkQueue&) = delete;

  // Any thread. Runs fn on the main thread later; false (and fn dropped) once closed.
  bool Post(std::function<void()> fn);
  // Not on the main thread: runs fn there and waits for it on the call's own completion, not on a
  // message reply, so a main thread in a modal loop still serves it. Throws fn's exception again;
  // throws std::runtime_error when the queue closes before fn ran. The queue lives on while the
  // call waits, whoever lets go of it meanwhile.
  void Call(const std::function<void()>& fn);

  // Main thread: runs the work handed in so far. Work handed in meanwhile waits for its own
  // message, so a call that queues another cannot hold the thread here for ever.
  void Drain() noexcept;
  // Main thread, as the window goes: drops what waits (freeing it) and wakes waiting callers.
  void Close() noexcept;
  bool Closed() const;
  std::size_t Pending() const;

 private:
  struct SyncCall {
    const std::function<void()>* fn = nullptr;
    std::exception_ptr error;
    enum class State { Waiting, Ran, Dropped } state = State::Waiting;
    std::condition_variable done;
  };
  struct Item {
    std::function<void()> call;
    std::shared_ptr<SyncCall> sync; // set for a synchronous call; call is then empty
  };

  bool Push(Item item);
  void Run(Item& item) noexcept;

  HWND window_;
  mutable std::mutex mutex_;
  std::deque<Item> items_;
  bool closed_ = false;
  // A kMsgWork is on its way; cleared when a drain starts, so a lost message is posted again.
  bool signalled_ = false;
  // Items wait or a message is on its way. Read without the lock, so that the timer's drain of
  // an idle queue costs no lock; set under it whenever either changes.
  std::atomic<bool> busy_{false};
  void NoteBusy() { busy_.store(signalled_ || !items_.empty(), std::memory_order_release); }
};

} // namespace lumivane::win32
