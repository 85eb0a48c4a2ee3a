#include "devices/RestoreJob.h"

#include <exception>
#include <utility>

#include "assoc/AssocArrays.h"
#include "devices/DeviceTable.h"
#include "devices/Devices.h"
#include "devices/LogText.h"
#include "devices/WorkerJobEnd.h"

namespace lumivane {

namespace {
void Run(const WorkerEnv& env, const RestoreJob& job) noexcept {
  bool ok = false;
  try {
    if (job.internal) {
      try {
        ok = WriteDisplayBrightness(env.ports, job.uid, job.number, job.value);
      } catch (...) {
        ok = false;
      }
    } else
      ok = WriteMonitorBrightness(env.ports, job.value, job.monid, job.number);
  } catch (const std::exception& e) {
    try {
      env.ports.log.LogError(u"Brightness job for device #" + job.number + u" ended early: " +
                             ExceptionText(e));
    } catch (...) {
    }
  } catch (...) {
  }
  try {
    env.mainThread.Synchronize([&] {
      try {
        TAssoc* devices = env.liveDevices ? env.liveDevices() : nullptr;
        // A device the table no longer has (a rescan since) is not made again.
        if (!devices || !devices->IsSet(Variant(job.uid))) return;
        TAssoc& record = (*devices)[Variant(job.uid)];
        if (ok) {
          record[u"brightness"] = Variant(job.value);
          record[u"errors"] = Variant::Narrow(0);
        } else {
          CountError(record);
        }
      } catch (...) {
      }
    });
  } catch (...) {
  }
  ReleaseWorkerFromJob(env);
}
} // namespace

std::function<void()> RestoreBrightness(const WorkerEnv& env, RestoreJob job) {
  return [env, job = std::move(job)] { Run(env, job); };
}

} // namespace lumivane
