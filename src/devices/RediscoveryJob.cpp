#include "devices/RediscoveryJob.h"

#include <memory>
#include <utility>

#include "assoc/AssocArrays.h"
#include "devices/Devices.h"
#include "devices/WorkerJobEnd.h"

namespace lumivane {

void DiscoverAll(DeviceEnv& env) {
  for (void (*pass)(DeviceEnv&) : {&DiscoverInternalDisplays, &DiscoverExternalMonitors}) {
    try {
      pass(env);
    } catch (...) {
      env.ports.log.LogError(CurrentExceptionText(u"Unknown exception"));
    }
  }
}

namespace {
void Run(const WorkerEnv& env, const DiscoverySettings& settings,
         const std::function<void(TAssoc&)>& swapIn) noexcept {
  try {
    // Shaped like the live table after Clear, so that the new table lists its records in the
    // order a rebuild in place would.
    auto fresh = std::make_unique<TAssoc>();
    fresh->Add(Variant(u""));
    fresh->Clear();
    DeviceEnv denv{env.ports, *fresh, settings.rangeMin, settings.rangeMax,
                   [detect = settings.detectModel] { return detect; }};
    DiscoverAll(denv);
    ReportOnMainThread(env, [&] {
      if (env.liveDevices && env.liveDevices()) swapIn(*fresh);
    });
    // After the swap these are the old records, which no job uses any more; without one, the
    // new records nobody took.
    ReleaseMonitorHandles(env.ports.monitors, *fresh);
  } catch (...) {
    LogCurrentException(env.ports.log);
  }
  ReleaseWorkerFromJob(env);
}
} // namespace

std::function<void()> RediscoverDevicesJob(const WorkerEnv& env, DiscoverySettings settings,
                                           std::function<void(TAssoc& fresh)> swapIn) {
  return [env, settings, swapIn = std::move(swapIn)] { Run(env, settings, swapIn); };
}

} // namespace lumivane
