#pragma once
// Desktop monitors, display devices and display modes.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/MonitorConfig.h"

namespace lumivane {

struct DisplayDeviceEntry {
  uint32_t stateFlags = 0; // DISPLAY_DEVICE_ACTIVE = 0x1, 0x8 = mirroring driver
  std::u16string deviceId; // device interface name (EDD_GET_DEVICE_INTERFACE_NAME)
};

struct DisplayMode {
  uint32_t width = 0, height = 0, frequency = 0;
};

class IDisplayConfig {
 public:
  virtual ~IDisplayConfig() = default;
  virtual std::vector<MonitorHandle> EnumDisplayMonitors() = 0;
  // szDevice of MONITORINFOEXW, e.g. \\.\DISPLAY1
  virtual bool GetMonitorDeviceName(MonitorHandle monitor, std::u16string& deviceName) = 0;
  // false past the last entry
  virtual bool EnumDisplayDevice(const std::u16string& deviceName, uint32_t index,
                                 DisplayDeviceEntry& entry) = 0;
  virtual bool GetCurrentDisplayMode(const std::u16string& deviceName, DisplayMode& mode) = 0;
};

} // namespace lumivane
