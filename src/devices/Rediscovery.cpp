#include "assoc/AssocArrays.h"
#include "devices/Devices.h"

namespace lumivane {

void RediscoverDevices(DeviceEnv& env) {
  // The old records are the only holders of their physical monitor handles.
  ReleaseMonitorHandles(env.ports.monitors, env.devices);
  env.devices.Clear();
  DiscoverInternalDisplays(env);
  DiscoverExternalMonitors(env);
}

} // namespace lumivane
