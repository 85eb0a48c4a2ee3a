#include "devices/Devices.h"
#include "devices/LogText.h"

namespace lumivane {

namespace {
constexpr uint32_t kDisplayDeviceActive = 0x1;
constexpr uint32_t kMirroringDriver = 0x8;
constexpr size_t kDeviceIdChars = 128; // DISPLAY_DEVICEW.DeviceID

std::vector<std::u16string> Split(const std::u16string& s, const std::u16string& sep) {
  std::vector<std::u16string> pieces;
  if (s.empty()) return pieces;
  size_t start = 0;
  for (size_t at; (at = s.find(sep, start)) != std::u16string::npos; start = at + sep.size())
    pieces.push_back(s.substr(start, at - start));
  pieces.push_back(s.substr(start));
  return pieces;
}

// Hardware id and instance of the first qualifying monitor device at index p or later.
// False when the monitor's device name cannot be read (logged).
bool FindMonitorDevice(const DevicePorts& ports, MonitorHandle monitor, uint32_t p,
                       std::u16string& deviceName, std::vector<std::u16string>& parts) {
  parts.clear();
  if (!ports.displays.GetMonitorDeviceName(monitor, deviceName)) {
    const std::u16string message = ports.errors.MessageText(ports.errors.LastError());
    ports.log.LogError(FillText(u"Error retrieving the device's PNP name: %s", {message}));
    return false;
  }
  DisplayDeviceEntry entry;
  for (uint32_t index = p; ports.displays.EnumDisplayDevice(deviceName, index, entry); ++index) {
    if (!(entry.stateFlags & kDisplayDeviceActive) || (entry.stateFlags & kMirroringDriver)) continue;
    std::u16string id = entry.deviceId.substr(0, kDeviceIdChars);
    for (char16_t& c : id)
      if (c == u'#') c = u'\\';
    const auto halves = Split(id, u"\\DISPLAY\\");
    if (halves.size() == 2) parts = Split(halves[1], u"\\");
    break;
  }
  return true;
}
} // namespace

PnpName ResolvePnpName(const DevicePorts& ports, MonitorHandle monitor, uint32_t p) {
  PnpName result;
  std::u16string deviceName;
  std::vector<std::u16string> parts;
  if (!FindMonitorDevice(ports, monitor, p, deviceName, parts)) return result;
  if (parts.size() >= 2) result.name = u"DISPLAY\\" + parts[0] + u"\\" + parts[1];
  DisplayMode mode;
  if (ports.displays.GetCurrentDisplayMode(deviceName, mode)) result.mode = mode;
  return result;
}

std::u16string ResolveHardwareId(const DevicePorts& ports, MonitorHandle monitor, uint32_t p) {
  std::u16string deviceName;
  std::vector<std::u16string> parts;
  if (!FindMonitorDevice(ports, monitor, p, deviceName, parts) || parts.size() < 2) return {};
  return parts[0];
}

} // namespace lumivane
