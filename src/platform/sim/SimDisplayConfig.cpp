#include "platform/sim/SimDisplayConfig.h"

#include "platform/sim/SimSystemErrors.h"

namespace lumivane {

std::u16string SimDisplayConfig::InterfaceName(const std::u16string& hardwareId,
                                               const std::u16string& instance) {
  return u"\\\\?\\DISPLAY#" + hardwareId + u"#" + instance + u"#{e6f07b5f-ee97-4a90-b076-33f57bf4eaa7}";
}

MonitorHandle SimDisplayConfig::AddMonitor(const std::u16string& deviceName,
                                           std::optional<DisplayMode> mode) {
  std::lock_guard lock(mutex_);
  desktops_.push_back({nextHandle_++, deviceName, mode, {}, 0});
  return desktops_.back().handle;
}

void SimDisplayConfig::AddDisplayDevice(MonitorHandle monitor, const DisplayDeviceEntry& entry) {
  std::lock_guard lock(mutex_);
  if (Desktop* d = Find(monitor)) d->devices.push_back(entry);
}

void SimDisplayConfig::FailMonitorInfo(MonitorHandle monitor, uint32_t errorCode) {
  std::lock_guard lock(mutex_);
  if (Desktop* d = Find(monitor)) d->infoError = errorCode;
}

void SimDisplayConfig::SetMode(MonitorHandle monitor, std::optional<DisplayMode> mode) {
  std::lock_guard lock(mutex_);
  if (Desktop* d = Find(monitor)) d->mode = mode;
}

size_t SimDisplayConfig::InfoCalls() const {
  std::lock_guard lock(mutex_);
  return infoCalls_;
}

SimDisplayConfig::Desktop* SimDisplayConfig::Find(MonitorHandle monitor) {
  for (auto& d : desktops_)
    if (d.handle == monitor) return &d;
  return nullptr;
}

SimDisplayConfig::Desktop* SimDisplayConfig::FindByName(const std::u16string& deviceName) {
  for (auto& d : desktops_)
    if (d.deviceName == deviceName) return &d;
  return nullptr;
}

size_t SimDisplayConfig::EnumCalls() const {
  std::lock_guard lock(mutex_);
  return enumCalls_;
}

std::vector<MonitorHandle> SimDisplayConfig::EnumDisplayMonitors() {
  std::lock_guard lock(mutex_);
  ++enumCalls_;
  std::vector<MonitorHandle> handles;
  for (const auto& d : desktops_)
    handles.push_back(d.handle);
  return handles;
}

bool SimDisplayConfig::GetMonitorDeviceName(MonitorHandle monitor, std::u16string& deviceName) {
  std::lock_guard lock(mutex_);
  ++infoCalls_;
  Desktop* d = Find(monitor);
  if (!d || d->infoError) {
    SimSystemErrors::SetLastError(d ? d->infoError : SimSystemErrors::kInvalidMonitorHandle);
    return false;
  }
  deviceName = d->deviceName;
  return true;
}

bool SimDisplayConfig::EnumDisplayDevice(const std::u16string& deviceName, uint32_t index,
                                         DisplayDeviceEntry& entry) {
  std::lock_guard lock(mutex_);
  Desktop* d = FindByName(deviceName);
  if (!d || index >= d->devices.size()) return false;
  entry = d->devices[index];
  return true;
}

bool SimDisplayConfig::GetCurrentDisplayMode(const std::u16string& deviceName, DisplayMode& mode) {
  std::lock_guard lock(mutex_);
  Desktop* d = FindByName(deviceName);
  if (!d || !d->mode) return false;
  mode = *d->mode;
  return true;
}

} // namespace lumivane
