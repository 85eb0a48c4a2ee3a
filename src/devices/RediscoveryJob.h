#pragma once
// Rediscovery as a job of the brightness worker: the passes build a new device table from the
// ports alone, off the main thread, and the main thread takes it in one step. Until then the
// live table stays as it is.
#include <cstdint>
#include <functional>

#include "devices/BrightnessWorker.h"

namespace lumivane {

class TAssoc;

// What discovery reads from the settings, taken when the job is made.
struct DiscoverySettings {
  int32_t rangeMin = 0;
  int32_t rangeMax = 100;
  bool detectModel = false;
};

// Both passes into devices, each on its own: a failing WMI pass must not cost the monitors.
void DiscoverAll(DeviceEnv& env);

// The job procedure; it starts nothing and never throws. On the main thread it hands the new
// table to swapIn, which exchanges it with the live one (SwapChildren); swapIn is skipped when
// the program has no live table any more (liveDevices gives null). Then the job releases the
// handles of the records it is left with: the old ones, or the new ones nobody took. Always
// ends with ReleaseWorker on the main thread.
std::function<void()> RediscoverDevicesJob(const WorkerEnv& env, DiscoverySettings settings,
                                           std::function<void(TAssoc& fresh)> swapIn);

} // namespace lumivane
