#pragma once
// Simulated desktop monitors: device names, the display devices behind each (state flags and
// device interface names) and current display modes, with scripted failures.
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/DisplayConfig.h"

namespace lumivane {

class SimDisplayConfig final : public IDisplayConfig {
 public:
  static constexpr uint32_t kActive = 0x1;
  static constexpr uint32_t kMirroring = 0x8;

  // \\?\DISPLAY#<hardwareId>#<instance>#{e6f07b5f-ee97-4a90-b076-33f57bf4eaa7}
  static std::u16string InterfaceName(const std::u16string& hardwareId, const std::u16string& instance);

  // Appends a desktop monitor (EnumDisplayMonitors order) and returns its handle.
  MonitorHandle AddMonitor(const std::u16string& deviceName,
                           std::optional<DisplayMode> mode = DisplayMode{1920, 1080, 60});
  void AddDisplayDevice(MonitorHandle monitor, const DisplayDeviceEntry& entry);
  // The desktop monitor's information cannot be read (GetMonitorInfoW fails with errorCode).
  void FailMonitorInfo(MonitorHandle monitor, uint32_t errorCode);
  void SetMode(MonitorHandle monitor, std::optional<DisplayMode> mode);
  size_t InfoCalls() const;
  size_t EnumCalls() const; // desktop monitor lists asked for (one per DDC/CI discovery)

  std::vector<MonitorHandle> EnumDisplayMonitors() override;
  bool GetMonitorDeviceName(MonitorHandle monitor, std::u16string& deviceName) override;
  bool EnumDisplayDevice(const std::u16string& deviceName, uint32_t index,
                         DisplayDeviceEntry& entry) override;
  bool GetCurrentDisplayMode(const std::u16string& deviceName, DisplayMode& mode) override;

 private:
  struct Desktop {
    MonitorHandle handle;
    std::u16string deviceName;
    std::optional<DisplayMode> mode;
    std::vector<DisplayDeviceEntry> devices;
    uint32_t infoError = 0;
  };
  Desktop* Find(MonitorHandle monitor);
  Desktop* FindByName(const std::u16string& deviceName);

  mutable std::mutex mutex_;
  std::vector<Desktop> desktops_;
  MonitorHandle nextHandle_ = 0x10001;
  size_t infoCalls_ = 0;
  size_t enumCalls_ = 0;
};

} // namespace lumivane
