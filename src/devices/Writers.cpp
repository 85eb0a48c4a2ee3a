#include <stdexcept>

#include "devices/Devices.h"
#include "devices/LogText.h"
#include "devices/WmiNames.h"

namespace lumivane {

bool WriteMonitorBrightness(const DevicePorts& ports, int64_t value, PhysicalMonitorHandle handle,
                            const std::u16string& number) {
  if (value < 0 || value > UINT32_MAX) throw std::invalid_argument("brightness out of range");
  if (ports.monitors.SetMonitorBrightness(handle, static_cast<uint32_t>(value))) return true;
  const std::u16string message = ports.errors.MessageText(ports.errors.LastError());
  ports.log.LogError(FillText(u"Device #%s failed to set monitor brightness: %s", {number, message}));
  return false;
}

bool WriteDisplayBrightness(const DevicePorts& ports, const std::u16string& uid, const std::u16string& number,
                            int32_t value) {
  if (!IsServiceRunning(ports, kWmiService)) {
    ports.log.LogError(kWmiServiceDown);
    return false;
  }
  try {
    auto services = ports.wmi.Connect(kWmiNamespace);
    auto objects = services->ExecQuery(kQueryBrightnessMethods);
    while (auto object = objects->Next()) {
      if (DeviceUid(WmiText(object->Get(u"InstanceName"))) != uid) continue;
      const int64_t result =
          object->CallMethod(u"WmiSetBrightness", {{u"Timeout", 1}, {u"Brightness", value}});
      if (result == 0) return true;
      ports.log.LogError(FillText(u"Device #%s failed to set display brightness", {number}));
      return false;
    }
    return false;
  } catch (const WmiError& e) {
    ports.log.LogError(u"WMI message: " + e.Description());
    return false;
  }
}

int64_t ReadDisplayBrightness(const DevicePorts& ports, const std::u16string& uid) {
  if (!IsServiceRunning(ports, kWmiService)) return -1;
  try {
    auto services = ports.wmi.Connect(kWmiNamespace);
    auto objects = services->ExecQuery(kQueryBrightness);
    while (auto object = objects->Next()) {
      if (DeviceUid(WmiText(object->Get(u"InstanceName"))) != uid) continue;
      const WmiValue current = object->Get(u"CurrentBrightness");
      // A panel that answers without a number cannot be read.
      return current.kind == WmiValue::Kind::Integer ? current.integer : -1;
    }
    return -1;
  } catch (const WmiError& e) {
    ports.log.LogLine(FillText(u"[%s] WMI error: %s", {ports.log.TimeText(), e.Description()}));
    return -1;
  }
}

} // namespace lumivane
