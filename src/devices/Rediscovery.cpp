#include "assoc/AssocArrays.h"
#include "devices/Devices.h"
#include "devices/RediscoveryJob.h"

namespace lumivane {

void RediscoverDevices(DeviceEnv& env) {
  // The old records are the only holders of their physical monitor handles.
  ReleaseMonitorHandles(env.ports.monitors, env.devices);
  env.devices.Clear();
  DiscoverAll(env);
}

} // namespace lumivane
