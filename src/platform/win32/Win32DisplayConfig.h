#pragma once
// Desktop monitors, their display devices and current modes from user32.
#include "platform/DisplayConfig.h"

namespace lumivane::win32 {

class Win32DisplayConfig final : public IDisplayConfig {
 public:
  std::vector<MonitorHandle> EnumDisplayMonitors() override;
  bool GetMonitorDeviceName(MonitorHandle monitor, std::u16string& deviceName) override;
  bool EnumDisplayDevice(const std::u16string& deviceName, uint32_t index,
                         DisplayDeviceEntry& entry) override;
  bool GetCurrentDisplayMode(const std::u16string& deviceName, DisplayMode& mode) override;
};

} // namespace lumivane::win32
