#include "platform/sim/SimMonitorConfig.h"

#include <algorithm>

#include "platform/DisplayConfig.h"
#include "platform/sim/SimClock.h"

namespace lumivane {

size_t SimMonitorConfig::AddPhysical(MonitorHandle desktop, const SimPhysicalMonitor& monitor) {
  std::lock_guard lock(mutex_);
  monitors_.push_back({desktop, monitor});
  return monitors_.size() - 1;
}

void SimMonitorConfig::FailCount(MonitorHandle desktop, uint32_t errorCode) {
  std::lock_guard lock(mutex_);
  countFailures_[desktop] = errorCode;
}

void SimMonitorConfig::FailPhysical(MonitorHandle desktop, uint32_t errorCode) {
  std::lock_guard lock(mutex_);
  physicalFailures_[desktop] = errorCode;
}

void SimMonitorConfig::AnswerCount(MonitorHandle desktop, uint32_t count) {
  std::lock_guard lock(mutex_);
  countAnswers_[desktop] = count;
}

size_t SimMonitorConfig::LargestListAsked() const {
  std::lock_guard lock(mutex_);
  return largestList_;
}

size_t SimMonitorConfig::LargestCapsBufferAsked() const {
  std::lock_guard lock(mutex_);
  return largestCaps_;
}

SimPhysicalMonitor SimMonitorConfig::State(size_t monitor) const {
  std::lock_guard lock(mutex_);
  return monitors_.at(monitor).state;
}

void SimMonitorConfig::Update(size_t monitor, const SimPhysicalMonitor& state) {
  std::lock_guard lock(mutex_);
  monitors_.at(monitor).state = state;
}

std::vector<SimMonitorConfig::Write> SimMonitorConfig::Writes() const {
  std::lock_guard lock(mutex_);
  return writes_;
}

size_t SimMonitorConfig::ReadCount(size_t monitor) const {
  std::lock_guard lock(mutex_);
  return monitors_.at(monitor).reads;
}

size_t SimMonitorConfig::DestroyedCount() const {
  std::lock_guard lock(mutex_);
  return destroyed_;
}

size_t SimMonitorConfig::OpenHandleCount() const {
  std::lock_guard lock(mutex_);
  return open_.size();
}

std::vector<PhysicalMonitorHandle> SimMonitorConfig::OpenHandles() const {
  std::lock_guard lock(mutex_);
  std::vector<PhysicalMonitorHandle> handles;
  for (const auto& [handle, monitor] : open_)
    handles.push_back(handle);
  return handles;
}

void SimMonitorConfig::Latency() {
  if (clock_ && latencyMs_) clock_->SleepMs(latencyMs_);
}

SimMonitorConfig::Entry* SimMonitorConfig::Reach(PhysicalMonitorHandle handle) {
  const auto it = open_.find(handle);
  if (it == open_.end()) {
    SimSystemErrors::SetLastError(SimSystemErrors::kInvalidHandle);
    return nullptr;
  }
  Entry& entry = monitors_[it->second];
  if (entry.state.unplugged) {
    SimSystemErrors::SetLastError(SimSystemErrors::kMonitorNoLongerExists);
    return nullptr;
  }
  return &entry;
}

bool SimMonitorConfig::IsDesktop(MonitorHandle monitor) {
  if (!desktops_) return true;
  const auto listed = desktops_->EnumDisplayMonitors();
  if (std::find(listed.begin(), listed.end(), monitor) != listed.end()) return true;
  SimSystemErrors::SetLastError(SimSystemErrors::kInvalidHandle);
  return false;
}

bool SimMonitorConfig::GetNumberOfPhysicalMonitors(MonitorHandle monitor, uint32_t& count) {
  if (!IsDesktop(monitor)) return false;
  std::lock_guard lock(mutex_);
  if (const auto f = countFailures_.find(monitor); f != countFailures_.end()) {
    SimSystemErrors::SetLastError(f->second);
    return false;
  }
  if (const auto a = countAnswers_.find(monitor); a != countAnswers_.end()) {
    count = a->second;
    return true;
  }
  count = static_cast<uint32_t>(std::count_if(monitors_.begin(), monitors_.end(), [&](const Entry& e) {
    return e.desktop == monitor && !e.state.unplugged;
  }));
  return true;
}

bool SimMonitorConfig::GetPhysicalMonitors(MonitorHandle monitor, uint32_t count,
                                           std::vector<PhysicalMonitorHandle>& handles) {
  if (!IsDesktop(monitor)) return false;
  std::lock_guard lock(mutex_);
  largestList_ = std::max(largestList_, handles.capacity());
  if (const auto f = physicalFailures_.find(monitor); f != physicalFailures_.end()) {
    SimSystemErrors::SetLastError(f->second);
    return false;
  }
  if (count > kMaxPhysicalMonitors) {
    SimSystemErrors::SetLastError(SimSystemErrors::kInvalidParameter);
    return false;
  }
  std::vector<size_t> ids;
  for (size_t i = 0; i < monitors_.size(); ++i)
    if (monitors_[i].desktop == monitor && !monitors_[i].state.unplugged) ids.push_back(i);
  if (count != ids.size()) {
    SimSystemErrors::SetLastError(SimSystemErrors::kInvalidParameter);
    return false;
  }
  handles.assign(count, 0);
  for (uint32_t p = 0; p < count; ++p) {
    handles[p] = nextHandle_++;
    open_[handles[p]] = ids[p];
  }
  return true;
}

bool SimMonitorConfig::GetMonitorBrightness(PhysicalMonitorHandle handle, BrightnessRange& range) {
  Latency();
  std::lock_guard lock(mutex_);
  Entry* e = Reach(handle);
  if (!e) return false;
  const bool fail = e->state.failEveryRead || (e->state.failFirstRead && e->reads == 0);
  ++e->reads;
  if (fail) {
    SimSystemErrors::SetLastError(e->state.errorCode);
    return false;
  }
  range = {e->state.minimum, e->state.current, e->state.maximum};
  return true;
}

bool SimMonitorConfig::SetMonitorBrightness(PhysicalMonitorHandle handle, uint32_t value) {
  Latency();
  std::lock_guard lock(mutex_);
  Entry* e = Reach(handle);
  if (!e) return false;
  if (e->state.failEveryWrite || value < e->state.minimum || value > e->state.maximum) {
    SimSystemErrors::SetLastError(e->state.failEveryWrite ? e->state.errorCode
                                                          : SimSystemErrors::kInvalidParameter);
    return false;
  }
  e->state.current = value;
  writes_.push_back({static_cast<size_t>(e - monitors_.data()), handle, value, std::this_thread::get_id(),
                     clock_ ? SimClock::ToMs(clock_->Now()) : 0});
  return true;
}

bool SimMonitorConfig::GetCapabilitiesStringLength(PhysicalMonitorHandle handle, uint32_t& length) {
  Latency();
  std::lock_guard lock(mutex_);
  Entry* e = Reach(handle);
  if (!e) return false;
  if (e->state.failCapsLength) {
    SimSystemErrors::SetLastError(e->state.errorCode);
    return false;
  }
  if (e->state.capsLengthAnswer) {
    length = *e->state.capsLengthAnswer;
    return true;
  }
  // The platform counts the terminating zero. A monitor without capabilities answers 0 and
  // leaves no error of its own.
  if (e->state.capabilities.empty()) SimSystemErrors::SetLastError(0);
  length = e->state.capabilities.empty() ? 0 : static_cast<uint32_t>(e->state.capabilities.size() + 1);
  return true;
}

bool SimMonitorConfig::CapabilitiesRequestAndCapabilitiesReply(PhysicalMonitorHandle handle,
                                                               std::string& bytes, uint32_t length) {
  Latency();
  std::lock_guard lock(mutex_);
  largestCaps_ = std::max(largestCaps_, bytes.capacity());
  Entry* e = Reach(handle);
  if (!e) return false;
  if (e->state.failCapsReply) {
    SimSystemErrors::SetLastError(e->state.errorCode);
    return false;
  }
  // A buffer without room for the whole reply and its zero gets nothing, not a cut-off string.
  if (length == 0 || length > kMaxCapabilitiesLength || length < e->state.capabilities.size() + 1) {
    SimSystemErrors::SetLastError(SimSystemErrors::kInvalidParameter);
    return false;
  }
  bytes.assign(length, '\0');
  std::copy_n(e->state.capabilities.begin(), std::min<size_t>(length, e->state.capabilities.size()),
              bytes.begin());
  return true;
}

void SimMonitorConfig::DestroyPhysicalMonitor(PhysicalMonitorHandle handle) {
  std::lock_guard lock(mutex_);
  if (open_.erase(handle)) ++destroyed_;
}

} // namespace lumivane
