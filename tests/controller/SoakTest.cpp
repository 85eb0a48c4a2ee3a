// Many timer passes of random input: wheel notches, clicks, program values and reports, monitors
// that stop taking writes or answering reads, unplugged and returned, WMI down and up, the
// clock set back, and worker jobs held back for a while. Whatever happens, no exception leaves
// a pass, the timer comes back, the worker gets free once its jobs may run, the command map
// stays small, and every physical monitor handle handed out is held by a record or released.
// The log memo may refuse text as well.
#include <gtest/gtest.h>

#include <cstdint>
#include <iostream>
#include <random>
#include <set>
#include <vector>

#include "controller/SupervisionFixture.h"

namespace lumivane {
namespace {

class SoakTest : public SupervisionTest {
 protected:
  SoakTest() : SupervisionTest(SimThreadPool::Mode::Manual) {}

  size_t AddPanel() {
    std::vector<int64_t> levels;
    for (int l = 0; l <= 100; l += 10)
      levels.push_back(l);
    const std::u16string name = u"DISPLAY\\LEN40A0\\4&2f3a&0&UID265988_0";
    const size_t panel = wmi.Add(SimWmiMonitor::Panel(name, 40, levels));
    displays.AddDisplayDevice(desktop, {SimDisplayConfig::kActive,
                                        SimDisplayConfig::InterfaceName(u"LEN40A0", u"4&2f3a&0&UID265988")});
    monitors.AddPhysical(desktop, SimPhysicalMonitor{});
    return panel;
  }

  uint32_t Next(uint32_t n) { return static_cast<uint32_t>(rng() % n); }

  // What the tray menu would do with no active device: take the first usable one.
  void SettleActiveDevice() {
    TController& c = *controller;
    if (c.ActiveRecord()) return;
    TAssoc& devices = c.Root->Items(u"devices");
    for (const Variant& key : devices.Keys()) {
      if (devices[key][u"active"].Val().Text() != u"true") continue;
      c.ActiveDevice = key.Text();
      c.OtherActiveCount = devices.Count() - 1;
      c.ValueChange(static_cast<int>(devices[key][u"brightness"].Val().ToInt64()), false);
      return;
    }
  }

  void Command(const char16_t* letter, int value) {
    controller->Root->Items(u"cmd").Items(Variant(controller->NowUnixMs())).Items(letter) =
        Variant::Narrow(value);
    clock.AdvanceMs(Next(20));
  }

  void RandomInput(std::vector<size_t>& externals, size_t panel) {
    const uint32_t roll = Next(1000);
    if (roll < 300) {
      Command(u"s", Next(2) ? 1 : -1);
    } else if (roll < 340) {
      Command(u"n", 1);
    } else if (roll < 380) {
      Command(u"i", static_cast<int>(Next(101)));
    } else if (roll < 400) {
      Command(u"u", static_cast<int>(Next(101)));
    } else if (roll < 420) {
      const size_t id = externals[Next(3)];
      SimPhysicalMonitor m = monitors.State(id);
      m.failEveryWrite = !m.failEveryWrite;
      monitors.Update(id, m);
    } else if (roll < 435) {
      const size_t id = externals[Next(3)];
      SimPhysicalMonitor m = monitors.State(id);
      m.failEveryRead = !m.failEveryRead;
      monitors.Update(id, m);
    } else if (roll < 445) {
      const size_t id = externals[Next(3)];
      SimPhysicalMonitor m = monitors.State(id);
      m.unplugged = !m.unplugged;
      monitors.Update(id, m);
      controller->RescanRequested = true; // the display change that follows
    } else if (roll < 455) {
      wmiDown = !wmiDown;
      services.SetState(u"winmgmt", wmiDown ? SimServiceManager::kStopped : IServiceManager::kServiceRunning);
    } else if (roll < 462) {
      if (Next(2))
        wmi.FailAt(SimWmi::Stage::Connect, 0, u"RPC server unavailable");
      else
        wmi.ClearFailures();
    } else if (roll < 466) {
      clock.SetLocalMs(clock.LocalMs() - 3600 * 1000); // end of daylight-saving time
    } else if (roll < 476) {
      controller->RescanRequested = true;
    } else if (roll < 486) {
      SimWmiMonitor p = wmi.State(panel);
      p.currentBrightness = Next(11) * 10; // the system's brightness keys
      wmi.Update(panel, p);
    } else if (roll < 490) {
      controller->Form.SyncBox.SetChecked(!controller->Form.SyncBox.Checked());
    } else if (roll < 494) {
      controller->RangeMin = static_cast<int>(Next(40));
      controller->RangeMax = 60 + static_cast<int>(Next(41));
      controller->RangeChanged = true;
    } else if (roll < 500) {
      holdJobs = !holdJobs;
    } else if (roll < 503) {
      logFails = !logFails; // the log memo refuses text
      host.FailLogAppends(logFails);
    }
  }

  std::set<uint64_t> RecordHandles() {
    std::set<uint64_t> held;
    TAssoc& devices = controller->Root->Items(u"devices");
    for (const Variant& key : devices.Keys()) {
      TAssoc& r = devices[key];
      if (r.IsSet(u"monid") && r[u"internal"].Val().Text() != u"true")
        held.insert(r[u"monid"].Val().ToUInt64());
    }
    return held;
  }

  std::mt19937 rng{20260301};
  bool wmiDown = false;
  bool holdJobs = false;
  bool logFails = false;
};

TEST_F(SoakTest, HundredThousandPassesOfRandomInput) {
  std::vector<size_t> externals{AddMonitor(u"SIM0001", u"1&UID1", 60), AddMonitor(u"SIM0002", u"1&UID2", 35)};
  displays.AddMonitor(u"\\\\.\\DISPLAY2");
  const MonitorHandle second = displays.EnumDisplayMonitors().back();
  displays.AddDisplayDevice(
      second, {SimDisplayConfig::kActive, SimDisplayConfig::InterfaceName(u"SIM0003", u"1&UID3")});
  externals.push_back(monitors.AddPhysical(second, SimPhysicalMonitor{}));
  const size_t panel = AddPanel();
  Start();
  controller->Form.SyncBox.SetChecked(true);
  controller->Form.TrackBox.SetChecked(true);

  size_t jobsRun = 0, rescansWaited = 0;
  for (int pass = 0; pass < 100000; ++pass) {
    SettleActiveDevice();
    const int inputs = static_cast<int>(Next(3));
    for (int n = 0; n < inputs; ++n)
      RandomInput(externals, panel);

    clock.AdvanceMs(100);
    try {
      ASSERT_TRUE(host.FireTimer()) << "timer not armed before pass " << pass;
    } catch (...) {
      FAIL() << "exception escaped pass " << pass;
    }
    ASSERT_TRUE(host.TimerEnabled()) << pass;
    ASSERT_LE(pool.Pending(), 1u) << pass;
    ASSERT_LE(controller->Root->Items(u"cmd").Count(), 3) << pass;
    ASSERT_LE(controller->BackOff().Tracked(), 4u) << pass;
    if (controller->RescanRequested && controller->WorkerBusy) ++rescansWaited;

    if (!holdJobs || pass % 50 == 0) {
      while (pool.RunNext())
        ++jobsRun;
      mainThread.Pump();
      ASSERT_FALSE(controller->WorkerBusy) << pass;
    }
    const std::vector<PhysicalMonitorHandle> open = monitors.OpenHandles();
    ASSERT_EQ(std::set<uint64_t>(open.begin(), open.end()), RecordHandles()) << pass;
  }
  std::cout << "[ soak ] jobs " << jobsRun << ", passes with a rescan waiting on a job " << rescansWaited
            << ", log lines " << host.LogLines().size() << ", handles destroyed " << monitors.DestroyedCount()
            << "\n";
  EXPECT_GT(jobsRun, 1000u);
  EXPECT_GT(monitors.DestroyedCount(), 100u);

  host.FailLogAppends(false);
  while (pool.RunNext())
    ;
  mainThread.Pump();
  controller->Exiter();
  controller->FormClose();
  EXPECT_EQ(monitors.OpenHandleCount(), 0u);
}

} // namespace
} // namespace lumivane
