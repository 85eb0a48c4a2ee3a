#pragma once
// The simulated platform wired for the device functions, with a log that keeps its lines.
#include <mutex>
#include <string>
#include <vector>

#include "assoc/AssocArrays.h"
#include "devices/DeviceEnv.h"
#include "devices/Devices.h"
#include "platform/sim/SimClock.h"
#include "platform/sim/SimDisplayConfig.h"
#include "platform/sim/SimMonitorConfig.h"
#include "platform/sim/SimServiceManager.h"
#include "platform/sim/SimSystemErrors.h"
#include "platform/sim/SimThreads.h"
#include "platform/sim/SimWmi.h"

namespace lumivane {

class TestLog final : public ILog {
 public:
  void LogLine(const std::u16string& text) override {
    std::lock_guard lock(mutex_);
    lines_.push_back(ToUtf8(text));
  }
  void LogError(const std::u16string& message) override {
    LogLine(u"[" + TimeText() + u"] ERROR! " + message);
  }
  std::u16string TimeText() override { return u"12:00:00"; }
  std::vector<std::string> Lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

struct DeviceTestEnv {
  SimClock clock;
  SimMonitorConfig monitors{&clock};
  SimDisplayConfig displays;
  SimWmi wmi;
  SimServiceManager services;
  SimSystemErrors errors;
  TestLog log;
  SimThreadPool pool{SimThreadPool::Mode::Threads};
  TAssoc devices;
  bool detectModel = false;
  DeviceEnv env{DevicePorts{monitors, displays, wmi, services, errors, clock, log, CurrentLocale(), pool},
                devices, 0, 100, [this] { return detectModel; }};

  // A desktop monitor \\.\DISPLAYn with one active display device per physical monitor.
  MonitorHandle AddDesktop(const std::vector<std::pair<std::u16string, std::u16string>>& hwidAndInstance,
                           const std::vector<SimPhysicalMonitor>& physical) {
    const MonitorHandle h = displays.AddMonitor(
        u"\\\\.\\DISPLAY" + FromUtf8(std::to_string(displays.EnumDisplayMonitors().size() + 1)));
    for (const auto& [hwid, instance] : hwidAndInstance)
      displays.AddDisplayDevice(h,
                                {SimDisplayConfig::kActive, SimDisplayConfig::InterfaceName(hwid, instance)});
    for (const auto& p : physical)
      monitors.AddPhysical(h, p);
    return h;
  }
  void Discover() {
    DiscoverInternalDisplays(env);
    DiscoverExternalMonitors(env);
  }
};

} // namespace lumivane
