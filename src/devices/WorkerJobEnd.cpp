#include "devices/WorkerJobEnd.h"

#include "devices/Devices.h"

namespace lumivane {

void LogCurrentException(ILog& log) noexcept {
  try {
    log.LogError(CurrentExceptionText(u"Unknown exception"));
  } catch (...) {
  }
}

void ReportOnMainThread(const WorkerEnv& env, const std::function<void()>& step) noexcept {
  try {
    env.mainThread.Synchronize(step);
  } catch (...) {
    LogCurrentException(env.ports.log);
  }
}

void ReleaseWorkerFromJob(const WorkerEnv& env) noexcept {
  try {
    env.mainThread.Synchronize([&] {
      if (env.releaseWorker) env.releaseWorker();
    });
  } catch (...) {
  }
}

} // namespace lumivane
