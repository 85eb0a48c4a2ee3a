#pragma once
// The steps every worker job ends with, whatever happened before them.
#include <functional>

#include "devices/BrightnessWorker.h"

namespace lumivane {

// Logs the exception being handled; a log that fails as well is left alone.
void LogCurrentException(ILog& log) noexcept;

// Runs step on the main thread; an exception from it or from the hand-off is logged.
void ReportOnMainThread(const WorkerEnv& env, const std::function<void()>& step) noexcept;

// Frees the worker for the next job (ReleaseWorker on the main thread); the job's last step.
void ReleaseWorkerFromJob(const WorkerEnv& env) noexcept;

} // namespace lumivane
