#pragma once
// The tracking read as a job of the brightness worker: the panel's brightness is read over WMI
// off the main thread, and the value is reported on the main thread.
#include <cstdint>
#include <functional>
#include <string>

#include "devices/BrightnessWorker.h"

namespace lumivane {

// The job procedure; it starts nothing and never throws. report gets the panel's brightness,
// or -1 when it could not be read, on the main thread; a read that failed unexpectedly is
// logged and reported as -1. Always ends with ReleaseWorker on the main thread.
std::function<void()> TrackingReadJob(const WorkerEnv& env, std::u16string uid,
                                      std::function<void(int64_t value)> report);

} // namespace lumivane
