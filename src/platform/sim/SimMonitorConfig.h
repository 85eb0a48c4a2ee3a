#pragma once
// Simulated DDC/CI monitors. Each desktop monitor has physical monitors with a brightness
// range, a capabilities string, a per-call latency and scripted failures. Every call to
// GetPhysicalMonitors hands out fresh handles, as the platform does; destroyed or unknown
// handles fail with ERROR_INVALID_HANDLE. Safe to call from a worker thread.
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "platform/MonitorConfig.h"
#include "platform/sim/SimSystemErrors.h"

namespace lumivane {

class IDisplayConfig;

struct SimPhysicalMonitor {
  uint32_t minimum = 0, current = 50, maximum = 100;
  std::string capabilities;   // ANSI bytes; empty: GetCapabilitiesStringLength gives 0
  bool failFirstRead = false; // the first GetMonitorBrightness fails, later ones answer
  bool failEveryRead = false;
  bool failEveryWrite = false;
  bool failCapsLength = false;
  bool failCapsReply = false;
  // No longer listed; calls on its handles fail with ERROR_GRAPHICS_MONITOR_NO_LONGER_EXISTS.
  bool unplugged = false;
  // GetCapabilitiesStringLength answers this instead of the string's own length when set.
  std::optional<uint32_t> capsLengthAnswer;
  uint32_t errorCode = SimSystemErrors::kI2cError;
};

class SimMonitorConfig final : public IMonitorConfig {
 public:
  struct Write {
    size_t monitor; // id from AddPhysical
    PhysicalMonitorHandle handle;
    uint32_t value;
    std::thread::id thread;
    uint64_t timeMs = 0; // the clock when the monitor took the value (0 without a clock)
  };

  explicit SimMonitorConfig(IClock* clock = nullptr) : clock_(clock) {}

  // Returns the monitor's id for the accessors below.
  size_t AddPhysical(MonitorHandle desktop, const SimPhysicalMonitor& monitor);
  void SetLatencyMs(uint32_t ms) { latencyMs_ = ms; }           // each DDC/CI call, through the clock
  void FailCount(MonitorHandle desktop, uint32_t errorCode);    // GetNumberOfPhysicalMonitors
  void FailPhysical(MonitorHandle desktop, uint32_t errorCode); // GetPhysicalMonitors
  // The desktop monitors are those the display configuration lists; any other monitor handle is
  // refused with ERROR_INVALID_HANDLE, as the platform does. Without it every handle is a desktop
  // monitor.
  void UseDesktopsOf(IDisplayConfig* displays) { desktops_ = displays; }
  // GetNumberOfPhysicalMonitors answers count, however many monitors the desktop has.
  void AnswerCount(MonitorHandle desktop, uint32_t count);
  // The largest handle list and capabilities buffer a caller had allocated before the call
  // that fills it: the limits are the adapter's to check, before anything is allocated.
  size_t LargestListAsked() const;
  size_t LargestCapsBufferAsked() const;

  SimPhysicalMonitor State(size_t monitor) const;
  void Update(size_t monitor, const SimPhysicalMonitor& state);
  std::vector<Write> Writes() const;
  size_t ReadCount(size_t monitor) const;
  size_t DestroyedCount() const;
  size_t OpenHandleCount() const; // handed out and not destroyed
  std::vector<PhysicalMonitorHandle> OpenHandles() const;

  bool GetNumberOfPhysicalMonitors(MonitorHandle monitor, uint32_t& count) override;
  bool GetPhysicalMonitors(MonitorHandle monitor, uint32_t count,
                           std::vector<PhysicalMonitorHandle>& handles) override;
  bool GetMonitorBrightness(PhysicalMonitorHandle handle, BrightnessRange& range) override;
  bool SetMonitorBrightness(PhysicalMonitorHandle handle, uint32_t value) override;
  bool GetCapabilitiesStringLength(PhysicalMonitorHandle handle, uint32_t& length) override;
  bool CapabilitiesRequestAndCapabilitiesReply(PhysicalMonitorHandle handle, std::string& bytes,
                                               uint32_t length) override;
  void DestroyPhysicalMonitor(PhysicalMonitorHandle handle) override;

 private:
  struct Entry {
    MonitorHandle desktop;
    SimPhysicalMonitor state;
    size_t reads = 0;
  };
  // The monitor behind a live handle, or null with the last error set.
  Entry* Reach(PhysicalMonitorHandle handle);
  // False with the last error set when monitor is no desktop monitor (call without the lock).
  bool IsDesktop(MonitorHandle monitor);
  void Latency();

  IClock* clock_;
  IDisplayConfig* desktops_ = nullptr;
  uint32_t latencyMs_ = 0;
  mutable std::mutex mutex_;
  std::vector<Entry> monitors_;
  std::map<MonitorHandle, uint32_t> countFailures_, physicalFailures_, countAnswers_;
  size_t largestList_ = 0, largestCaps_ = 0;
  std::map<PhysicalMonitorHandle, size_t> open_;
  size_t destroyed_ = 0;
  PhysicalMonitorHandle nextHandle_ = 0x1000;
  std::vector<Write> writes_;
};

} // namespace lumivane
