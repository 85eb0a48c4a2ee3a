#pragma once
// A monitor port between the controller and the simulated monitors that counts the DDC/CI calls
// made on the main thread and notes when each discovery of the desktop monitors began.
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/MonitorConfig.h"
#include "platform/sim/SimClock.h"

namespace lumivane {

class MeteredMonitors final : public IMonitorConfig {
 public:
  MeteredMonitors(IMonitorConfig& inner, SimClock& clock)
      : inner_(inner), clock_(clock), main_(std::this_thread::get_id()) {}

  size_t MainThreadCalls() const { return mainCalls_; }
  size_t Calls() const { return calls_; }
  std::vector<uint64_t> Scans() const {
    std::lock_guard lock(mutex_);
    return scans_;
  }

  bool GetNumberOfPhysicalMonitors(MonitorHandle monitor, uint32_t& count) override {
    {
      std::lock_guard lock(mutex_);
      scans_.push_back(clock_.LocalMs());
    }
    return inner_.GetNumberOfPhysicalMonitors(monitor, count);
  }
  bool GetPhysicalMonitors(MonitorHandle monitor, uint32_t count,
                           std::vector<PhysicalMonitorHandle>& handles) override {
    return inner_.GetPhysicalMonitors(monitor, count, handles);
  }
  bool GetMonitorBrightness(PhysicalMonitorHandle handle, BrightnessRange& range) override {
    Count();
    return inner_.GetMonitorBrightness(handle, range);
  }
  bool SetMonitorBrightness(PhysicalMonitorHandle handle, uint32_t value) override {
    Count();
    return inner_.SetMonitorBrightness(handle, value);
  }
  bool GetCapabilitiesStringLength(PhysicalMonitorHandle handle, uint32_t& length) override {
    Count();
    return inner_.GetCapabilitiesStringLength(handle, length);
  }
  bool CapabilitiesRequestAndCapabilitiesReply(PhysicalMonitorHandle handle, std::string& bytes,
                                               uint32_t length) override {
    Count();
    return inner_.CapabilitiesRequestAndCapabilitiesReply(handle, bytes, length);
  }
  void DestroyPhysicalMonitor(PhysicalMonitorHandle handle) override {
    inner_.DestroyPhysicalMonitor(handle);
  }

 private:
  void Count() {
    ++calls_;
    if (std::this_thread::get_id() == main_) ++mainCalls_;
  }
  IMonitorConfig& inner_;
  SimClock& clock_;
  std::thread::id main_;
  std::atomic<size_t> calls_{0}, mainCalls_{0};
  mutable std::mutex mutex_;
  std::vector<uint64_t> scans_;
};

} // namespace lumivane
