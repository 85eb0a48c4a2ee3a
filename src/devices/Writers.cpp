#include <cstdint>
#include <exception>
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
  } catch (const std::exception& e) {
    // Also a locator that cannot be made: the write failed and the caller counts it.
    ports.log.LogError(u"WMI message: " + ExceptionText(e));
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
      // A panel that answers without a number, or with one no brightness field can hold,
      // cannot be read.
      if (current.kind != WmiValue::Kind::Integer || current.integer < 0 || current.integer > INT32_MAX)
        return -1;
      return current.integer;
    }
    return -1;
  } catch (const std::exception& e) {
    ports.log.LogLine(FillText(u"[%s] WMI error: %s", {ports.log.TimeText(), ExceptionText(e)}));
    return -1;
  }
}

} // namespace lumivane
