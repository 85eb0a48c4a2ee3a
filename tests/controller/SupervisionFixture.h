#pragma once
// A process whose ports include simulated monitors, WMI and services, driven by real discovery
// and the real brightness worker.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "controller/MainForm.h"
#include "devices/Devices.h"
#include "platform/sim/SimPlatform.h"

namespace lumivane {

inline std::u16string Pnp(const std::u16string& hwid, const std::u16string& instance) {
  return u"DISPLAY\\" + hwid + u"\\" + instance;
}

// Declared first so that they exist before the simulated adapters that use them.
struct SharedMachine {
  SimClock clock_;
  SimMachine machine_{&clock_};
};

// With a pool of real threads DDC/CI writes happen off the main thread; in manual mode the
// test decides when a job runs.
class SupervisionTest : public ::testing::Test, public SharedMachine, public SimPlatform {
 protected:
  explicit SupervisionTest(SimThreadPool::Mode mode = SimThreadPool::Mode::Threads)
      : SimPlatform(clock_, machine_, mode) {
    host.SetOnTimer([this] { controller->Timer1Timer(); });
    host.SetOnPass([this] { controller->RequestedPass(); });
    desktop = displays.AddMonitor(u"\\\\.\\DISPLAY1");
  }
  ~SupervisionTest() override { pool.Join(); }

  size_t AddMonitor(const std::u16string& hwid, const std::u16string& instance, uint32_t brightness) {
    displays.AddDisplayDevice(desktop,
                              {SimDisplayConfig::kActive, SimDisplayConfig::InterfaceName(hwid, instance)});
    SimPhysicalMonitor m;
    m.current = brightness;
    return monitors.AddPhysical(desktop, m);
  }

  // The ports the controller gets; a test may put a wrapper in front of one of them.
  virtual Platform ControllerPorts() { return Ports(); }

  void Start() {
    controller = std::make_unique<TController>(ControllerPorts());
    controller->Startup();
    // The start-up discovery runs on the worker; its table arrives through the main thread.
    while (pool.RunNext())
      mainThread.Pump();
    ASSERT_TRUE(mainThread.PumpUntil([&] { return !controller->WorkerBusy; }));
    pool.Join();
  }

  // What the tray menu does once it exists: settle the active device and count the others.
  void MakeActive(const std::u16string& pnp) {
    TController& c = *controller;
    c.ActiveDevice = DeviceUid(pnp);
    c.OtherActiveCount = c.Root->Items(u"devices").Count() - 1;
    c.ValueChange(static_cast<int>(Record(pnp).Items(u"brightness").Val().ToInt64()), false);
  }

  TAssoc& Record(const std::u16string& pnp) {
    return controller->Root->Items(u"devices").Items(DeviceUid(pnp));
  }
  bool Active(const std::u16string& pnp) {
    return controller->Root->Items(u"devices").IsSet(DeviceUid(pnp)) &&
           Record(pnp).Items(u"active").Val().Text() == u"true";
  }

  // One tick, then wait for a job it started and run the job's main-thread steps.
  void Pass() {
    clock.AdvanceMs(100);
    host.FireTimer();
    ASSERT_TRUE(mainThread.PumpUntil([&] { return !controller->WorkerBusy; }));
    pool.Join();
  }
  void Wheel(int direction) {
    // Not in the millisecond of the entry that the menu build wrote and marked done.
    clock.AdvanceMs(1);
    controller->Root->Items(u"cmd").Items(Variant(controller->NowUnixMs())).Items(u"s") =
        Variant::Narrow(direction);
    clock.AdvanceMs(3);
  }
  std::vector<uint32_t> WritesTo(size_t monitor) const {
    std::vector<uint32_t> values;
    for (const auto& w : monitors.Writes())
      if (w.monitor == monitor) values.push_back(w.value);
    return values;
  }
  void SetLocked(size_t monitor, bool locked) {
    SimPhysicalMonitor m = monitors.State(monitor);
    m.failEveryWrite = locked;
    monitors.Update(monitor, m);
  }

  MonitorHandle desktop = 0;
  std::unique_ptr<TController> controller;
};

} // namespace lumivane
