#pragma once
// The Monitor Configuration API (DDC/CI). Handles are opaque integers. A failing call leaves
// its error code as the calling thread's last error (ISystemErrors).
#include <cstdint>
#include <string>
#include <vector>

namespace lumivane {

using MonitorHandle = uintptr_t;         // a desktop monitor (HMONITOR)
using PhysicalMonitorHandle = uintptr_t; // a physical monitor (PHYSICAL_MONITOR.hPhysicalMonitor)

// Adapters refuse larger lists and capabilities buffers (last error ERROR_INVALID_PARAMETER)
// before allocating them, whatever count or length the platform answered.
inline constexpr uint32_t kMaxPhysicalMonitors = 256;
inline constexpr uint32_t kMaxCapabilitiesLength = 1u << 20;

struct BrightnessRange {
  uint32_t minimum = 0, current = 0, maximum = 0;
};

class IMonitorConfig {
 public:
  virtual ~IMonitorConfig() = default;
  virtual bool GetNumberOfPhysicalMonitors(MonitorHandle monitor, uint32_t& count) = 0;
  // Fills handles (resized to count); every handle handed out must be destroyed by someone.
  virtual bool GetPhysicalMonitors(MonitorHandle monitor, uint32_t count,
                                   std::vector<PhysicalMonitorHandle>& handles) = 0;
  virtual bool GetMonitorBrightness(PhysicalMonitorHandle handle, BrightnessRange& range) = 0;
  virtual bool SetMonitorBrightness(PhysicalMonitorHandle handle, uint32_t value) = 0; // any thread
  virtual bool GetCapabilitiesStringLength(PhysicalMonitorHandle handle, uint32_t& length) = 0;
  // Fills bytes (resized to length) with the reply; it ends at a zero byte.
  virtual bool CapabilitiesRequestAndCapabilitiesReply(PhysicalMonitorHandle handle, std::string& bytes,
                                                       uint32_t length) = 0;
  virtual void DestroyPhysicalMonitor(PhysicalMonitorHandle handle) = 0;
};

} // namespace lumivane
