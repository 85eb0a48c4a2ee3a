#include "devices/TrackingReadJob.h"

#include <utility>

#include "devices/Devices.h"
#include "devices/WorkerJobEnd.h"

namespace lumivane {

namespace {
void Run(const WorkerEnv& env, const std::u16string& uid,
         const std::function<void(int64_t)>& report) noexcept {
  int64_t value = -1;
  try {
    value = ReadDisplayBrightness(env.ports, uid);
  } catch (...) {
    LogCurrentException(env.ports.log);
  }
  ReportOnMainThread(env, [&] { report(value); });
  ReleaseWorkerFromJob(env);
}
} // namespace

std::function<void()> TrackingReadJob(const WorkerEnv& env, std::u16string uid,
                                      std::function<void(int64_t value)> report) {
  return [env, uid = std::move(uid), report = std::move(report)] { Run(env, uid, report); };
}

} // namespace lumivane
