#include "assoc/AssocArrays.h"
#include "devices/Devices.h"

namespace lumivane {

void RediscoverDevices(DeviceEnv& env) {
  // The old records are the only holders of their physical monitor handles.
  ReleaseMonitorHandles(env.ports.monitors, env.devices);
  env.devices.Clear();
  // Each pass on its own, as at start-up: a failing WMI pass must not cost the monitors.
  for (void (*pass)(DeviceEnv&) : {&DiscoverInternalDisplays, &DiscoverExternalMonitors}) {
    try {
      pass(env);
    } catch (...) {
      env.ports.log.LogError(CurrentExceptionText(u"Unknown exception"));
    }
  }
}

} // namespace lumivane
