#pragma once
// What the device functions reach: the platform ports, the log and the device table.
#include <cstdint>
#include <functional>

#include "platform/Clock.h"
#include "platform/DisplayConfig.h"
#include "platform/Locale.h"
#include "platform/Log.h"
#include "platform/MonitorConfig.h"
#include "platform/Services.h"
#include "platform/SystemErrors.h"
#include "platform/Threads.h"
#include "platform/Wmi.h"

namespace lumivane {

class TAssoc;

// The ports every device function may use. The writers take only this, so a worker thread can
// hold it without touching the device table.
struct DevicePorts {
  IMonitorConfig& monitors;
  IDisplayConfig& displays;
  IWmi& wmi;
  IServiceManager& services;
  ISystemErrors& errors;
  IClock& clock;
  ILog& log;
  const ILocale& locale;
  // Talks to several monitors at once (RunAll); each monitor's own calls stay on one task.
  IThreadPool& pool;
};

// The same ports with another log: work that runs beside other work logs into a buffer of its own.
inline DevicePorts PortsLoggingTo(const DevicePorts& ports, ILog& log) {
  return DevicePorts{ports.monitors, ports.displays, ports.wmi, ports.services,
                     ports.errors,   ports.clock,    log,       ports.locale,
                     ports.pool};
}

// Discovery's view of the program: the ports, the live device table ("devices" of the state
// root) and the settings it reads. Cheap to build; the controller may make one per call.
struct DeviceEnv {
  DevicePorts ports;
  TAssoc& devices;
  int32_t rangeMin = 0;   // RangeMin ("vmin")
  int32_t rangeMax = 100; // RangeMax ("vmax")
  // DetectModelBox checked; asked again for every physical monitor. Empty means unchecked.
  std::function<bool()> detectModel;
};

} // namespace lumivane
