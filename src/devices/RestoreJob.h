#pragma once
// A job that gives one device a brightness of its own, outside the active device's hand-off:
// after sleep, a device that is not the active one gets back the value it had. Like the
// brightness worker it runs on a pool thread, writes a DDC/CI monitor or a WMI panel itself,
// runs every update of the device table on the main thread, and releases the worker at its end.
#include <cstdint>
#include <functional>
#include <string>

#include "devices/BrightnessWorker.h"

namespace lumivane {

struct RestoreJob {
  std::u16string uid;
  std::u16string number;
  uint32_t monid = 0;
  bool internal = false;
  int32_t value = 0;
};

// The job procedure; it starts nothing, never throws, and always ends with ReleaseWorker on the
// main thread. On success the record gets "brightness" = value and "errors" 0, a failed write
// adds 1 to "errors"; "counter" is left alone.
std::function<void()> RestoreBrightness(const WorkerEnv& env, RestoreJob job);

} // namespace lumivane
