#pragma once
// The brightness worker: one job at a time, run on a thread of its own. It writes DDC/CI monitors
// and WMI panels itself, the job's device first and then every synchronised device at the same
// time (ports.pool), and reaches the device table and WorkerBusy only through Synchronize.
#include <cstdint>
#include <functional>
#include <string>

#include "devices/DeviceEnv.h"
#include "platform/Threads.h"

namespace lumivane {

class TAssoc;

struct WorkerEnv {
  DevicePorts ports; // used from the worker thread
  IMainThread& mainThread;
  // The live device table, asked on the main thread for each report; null once the program
  // has freed it, and the report is then skipped.
  std::function<TAssoc*()> liveDevices;
  // Clears WorkerBusy; run on the main thread as the job's last step, whatever happened.
  std::function<void()> releaseWorker;
};

// What SetBrightness captures; only CurrBrightness changes afterwards.
struct BrightnessJob {
  std::u16string MonitorHash; // UID of the job's device
  std::u16string number;
  uint32_t monid = 0;
  bool IsInternal = false;
  bool IsActive = false;
  int32_t Brightness = 0;
  bool SyncFlag = false;
  uint64_t CurrCounter = 0;
  int32_t CurrBrightness = 0;
  uint64_t MyCounter = 0;
  std::u16string dvs; // JSON of the device table, or empty
};

// Makes the job procedure. It starts nothing; the procedure runs the job on the calling
// thread, never throws, and always ends with ReleaseWorker on the main thread.
std::function<void()> SetBrightness(const WorkerEnv& env, const std::u16string& MonitorHash,
                                    const std::u16string& number, uint32_t monid, bool IsInternal,
                                    bool IsActive, int32_t Brightness, bool SyncFlag, uint64_t CurrCounter,
                                    int32_t CurrBrightness, uint64_t MyCounter, const std::u16string& dvs);
std::function<void()> SetBrightness(const WorkerEnv& env, BrightnessJob job);

} // namespace lumivane
