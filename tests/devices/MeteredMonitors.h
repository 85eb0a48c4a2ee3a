#pragma once
// A monitor port between the code under test and the simulated monitors. It records every call
// to a physical monitor with its thread and real start and end, notices two calls to one
// monitor under way at once, and can hold calls of one kind until several are under way
// together, then let them return last monitor first.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/MonitorConfig.h"

namespace lumivane {

class MeteredMonitors final : public IMonitorConfig {
 public:
  using Time = std::chrono::steady_clock::time_point;
  enum class Op { Read, Write, CapsLength, CapsReply };
  struct Call {
    PhysicalMonitorHandle handle;
    Op op;
    std::thread::id thread;
    Time start, end;
  };

  explicit MeteredMonitors(IMonitorConfig& inner) : inner_(inner) {}

  // Calls of op wait, once their monitor has answered, until `together` of them are under way
  // at once (or the time is up, as it is when nothing runs at the same time); the group then
  // returns from the last monitor (the highest handle) to the first, or the other way round.
  // Later calls pass. Starts the counts of MostAtOnce afresh.
  void HoldTogether(Op op, size_t together, bool lastFirst = true) {
    std::lock_guard lock(mutex_);
    holdOp_ = op;
    together_ = together;
    lastFirst_ = lastFirst;
    released_ = timedOut_ = false;
    most_.clear();
  }

  std::vector<Call> Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
  }
  // The most calls of op that were under way at one time.
  size_t MostAtOnce(Op op) const {
    std::lock_guard lock(mutex_);
    const auto it = most_.find(op);
    return it == most_.end() ? 0 : it->second;
  }
  bool OneMonitorOverlapped() const {
    std::lock_guard lock(mutex_);
    return oneMonitorOverlapped_;
  }
  bool HoldTimedOut() const {
    std::lock_guard lock(mutex_);
    return timedOut_;
  }

  bool GetNumberOfPhysicalMonitors(MonitorHandle monitor, uint32_t& count) override {
    return inner_.GetNumberOfPhysicalMonitors(monitor, count);
  }
  bool GetPhysicalMonitors(MonitorHandle monitor, uint32_t count,
                           std::vector<PhysicalMonitorHandle>& handles) override {
    return inner_.GetPhysicalMonitors(monitor, count, handles);
  }
  bool GetMonitorBrightness(PhysicalMonitorHandle handle, BrightnessRange& range) override {
    return Metered(handle, Op::Read, [&] { return inner_.GetMonitorBrightness(handle, range); });
  }
  bool SetMonitorBrightness(PhysicalMonitorHandle handle, uint32_t value) override {
    return Metered(handle, Op::Write, [&] { return inner_.SetMonitorBrightness(handle, value); });
  }
  bool GetCapabilitiesStringLength(PhysicalMonitorHandle handle, uint32_t& length) override {
    return Metered(handle, Op::CapsLength,
                   [&] { return inner_.GetCapabilitiesStringLength(handle, length); });
  }
  bool CapabilitiesRequestAndCapabilitiesReply(PhysicalMonitorHandle handle, std::string& bytes,
                                               uint32_t length) override {
    return Metered(handle, Op::CapsReply,
                   [&] { return inner_.CapabilitiesRequestAndCapabilitiesReply(handle, bytes, length); });
  }
  void DestroyPhysicalMonitor(PhysicalMonitorHandle handle) override {
    inner_.DestroyPhysicalMonitor(handle);
  }

 private:
  static constexpr std::chrono::seconds kPatience{5};

  template <class F> bool Metered(PhysicalMonitorHandle handle, Op op, F&& call) {
    const Time start = std::chrono::steady_clock::now();
    {
      std::lock_guard lock(mutex_);
      if (busy_[handle]++ > 0) oneMonitorOverlapped_ = true;
      size_t& now = underWay_[op];
      ++now;
      most_[op] = std::max(most_[op], now);
    }
    // The answer and its last error are the monitor's; waiting after it keeps both.
    const bool answer = call();
    Hold(handle, op);
    std::lock_guard lock(mutex_);
    --busy_[handle];
    --underWay_[op];
    calls_.push_back({handle, op, std::this_thread::get_id(), start, std::chrono::steady_clock::now()});
    return answer;
  }

  void Hold(PhysicalMonitorHandle handle, Op op) {
    std::unique_lock lock(mutex_);
    if (together_ == 0 || op != holdOp_ || released_) return;
    held_.insert(handle);
    changed_.notify_all();
    if (!changed_.wait_for(lock, kPatience, [&] { return released_ || held_.size() >= together_; }))
      timedOut_ = true;
    released_ = true;
    changed_.notify_all();
    if (!changed_.wait_for(lock, kPatience, [&] {
          return lastFirst_ ? held_.upper_bound(handle) == held_.end() : *held_.begin() == handle;
        }))
      timedOut_ = true;
    held_.erase(handle);
    changed_.notify_all();
  }

  IMonitorConfig& inner_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Call> calls_;
  std::map<PhysicalMonitorHandle, size_t> busy_;
  std::map<Op, size_t> underWay_, most_;
  bool oneMonitorOverlapped_ = false;
  Op holdOp_ = Op::Read;
  size_t together_ = 0;
  bool released_ = false, timedOut_ = false, lastFirst_ = true;
  std::set<PhysicalMonitorHandle> held_;
};

} // namespace lumivane
