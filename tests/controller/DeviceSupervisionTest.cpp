// The timer pass driving real discovery and the brightness worker over simulated monitors:
// start-up discovery, one write per device for a burst of wheel steps, the error sweep with its
// rescan, tracking of a laptop panel, and handles that do not pile up across rescans.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>

#include "controller/MainForm.h"
#include "devices/Devices.h"
#include "platform/sim/SimPlatform.h"

namespace lumivane {
namespace {

std::u16string Pnp(const std::u16string& hwid, const std::u16string& instance) {
  return u"DISPLAY\\" + hwid + u"\\" + instance;
}

// A process whose ports include simulated monitors, WMI and services, with a pool of real
// threads so that DDC/CI writes happen off the main thread.
// Declared first so that they exist before the simulated adapters that use them.
struct SharedMachine {
  SimClock clock_;
  SimMachine machine_{&clock_};
};

class SupervisionTest : public ::testing::Test, public SharedMachine, public SimPlatform {
 protected:
  SupervisionTest() : SimPlatform(clock_, machine_, SimThreadPool::Mode::Threads) {
    host.SetOnTimer([this] { controller->Timer1Timer(); });
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

  void Start() {
    controller = std::make_unique<TController>(Ports());
    controller->Startup();
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

  // One tick, then wait for a job it started and run the job's main-thread steps.
  void Pass() {
    clock.AdvanceMs(100);
    host.FireTimer();
    ASSERT_TRUE(mainThread.PumpUntil([&] { return !controller->WorkerBusy; }));
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

  MonitorHandle desktop = 0;
  std::unique_ptr<TController> controller;
};

TEST_F(SupervisionTest, StartupDiscoversTheMonitorsAndDumpsThemLast) {
  AddMonitor(u"SIM0001", u"1&UID1", 60);
  AddMonitor(u"SIM0002", u"1&UID2", 35);
  Start();
  EXPECT_EQ(controller->Root->Items(u"devices").Count(), 2);
  EXPECT_EQ(Record(Pnp(u"SIM0001", u"1&UID1")).Items(u"brightness").Val().Text(), u"60");
  EXPECT_EQ(Record(Pnp(u"SIM0002", u"1&UID2")).Items(u"number").Val().Text(), u"2");
  const std::u16string dump = host.LogLines().back();
  EXPECT_EQ(dump.rfind(u"[12:00:00] Dump:\r\n", 0), 0u) << ToUtf8(dump);
  for (const char16_t* key : {u"monid", u"brightness", u"min_orig", u"max_orig", u"width", u"height", u"hz"})
    EXPECT_NE(dump.find(key), std::u16string::npos) << ToUtf8(key);
}

TEST_F(SupervisionTest, BurstOfWheelStepsReachesEachMonitorAsOneWriteOffTheMainThread) {
  const size_t a = AddMonitor(u"SIM0001", u"1&UID1", 60);
  const size_t b = AddMonitor(u"SIM0002", u"1&UID2", 35);
  Start();
  controller->SyncBox.Checked = true;
  MakeActive(Pnp(u"SIM0001", u"1&UID1"));
  // Fresh records hold counter 0: the first passes bring both monitors to 60.
  for (int i = 0; i < 3; ++i)
    Pass();
  EXPECT_EQ(WritesTo(a), std::vector<uint32_t>{});
  EXPECT_EQ(WritesTo(b), std::vector<uint32_t>{60});

  for (int i = 0; i < 20; ++i)
    Wheel(-1);
  for (int i = 0; i < 4; ++i)
    Pass();
  EXPECT_EQ(controller->ShownBrightness, 0);
  EXPECT_EQ(WritesTo(a), std::vector<uint32_t>{0});
  EXPECT_EQ(WritesTo(b), (std::vector<uint32_t>{60, 0}));
  for (const auto& w : monitors.Writes())
    EXPECT_NE(w.thread, std::this_thread::get_id());
  // Both devices now hold the newest stamp: no further job.
  const size_t jobs = pool.Started();
  Pass();
  EXPECT_EQ(pool.Started(), jobs);
  EXPECT_EQ(Record(Pnp(u"SIM0002", u"1&UID2")).Items(u"counter").Val().ToUInt64(), controller->CommandStamp);
}

TEST_F(SupervisionTest, FailingMonitorIsDisabledLoggedAndRediscovered) {
  const size_t a = AddMonitor(u"SIM0001", u"1&UID1", 60);
  Start();
  MakeActive(Pnp(u"SIM0001", u"1&UID1"));
  SimPhysicalMonitor broken = monitors.State(a);
  broken.failEveryWrite = true;
  monitors.Update(a, broken);
  Wheel(1);
  // Six failed writes, one per job; the seventh pass finds "errors" 6 and sweeps.
  for (int i = 0; i < 7; ++i)
    Pass();
  const auto lines = host.LogLines();
  const auto disabled = std::count_if(lines.begin(), lines.end(), [](const std::u16string& l) {
    return l.size() > 10 && l.substr(10) == u" ERROR! Device #1 stopped responding and was disabled";
  });
  EXPECT_EQ(disabled, 1) << ToUtf8(lines.back());
  // The rescan in the same pass found the monitor again as a fresh record, and the menu build
  // after it made it the active device again.
  EXPECT_EQ(controller->ActiveDevice, DeviceUid(Pnp(u"SIM0001", u"1&UID1")));
  TAssoc& fresh = Record(Pnp(u"SIM0001", u"1&UID1"));
  EXPECT_EQ(fresh.Items(u"errors").Val().Text(), u"0");
  EXPECT_EQ(fresh.Items(u"active").Val().Text(), u"true");
  EXPECT_EQ(monitors.OpenHandleCount(), 1u);
}

TEST_F(SupervisionTest, RescansReleaseThePhysicalMonitorHandles) {
  AddMonitor(u"SIM0001", u"1&UID1", 60);
  AddMonitor(u"SIM0002", u"1&UID2", 35);
  Start();
  for (int i = 0; i < 5; ++i) {
    controller->RescanRequested = true;
    Pass();
  }
  EXPECT_EQ(monitors.OpenHandleCount(), 2u);
  EXPECT_EQ(monitors.DestroyedCount(), 10u);
  controller->Exiter();
  controller->FormClose();
  EXPECT_EQ(monitors.OpenHandleCount(), 0u);
}

TEST_F(SupervisionTest, TrackedPanelChangeBecomesTheShownBrightnessAndReachesTheMonitor) {
  const std::u16string panelName = u"DISPLAY\\LEN40A0\\4&2f3a&0&UID265988_0";
  std::vector<int64_t> levels;
  for (int l = 0; l <= 100; l += 10)
    levels.push_back(l);
  const size_t panel = wmi.Add(SimWmiMonitor::Panel(panelName, 40, levels));
  displays.AddDisplayDevice(desktop, {SimDisplayConfig::kActive,
                                      SimDisplayConfig::InterfaceName(u"LEN40A0", u"4&2f3a&0&UID265988")});
  monitors.AddPhysical(desktop, SimPhysicalMonitor{}); // the panel's own entry; never read over DDC/CI
  displays.AddMonitor(u"\\\\.\\DISPLAY2");
  const MonitorHandle second = displays.EnumDisplayMonitors().back();
  displays.AddDisplayDevice(
      second, {SimDisplayConfig::kActive, SimDisplayConfig::InterfaceName(u"SIM0002", u"1&UID2")});
  SimPhysicalMonitor ext;
  ext.current = 40;
  ext.maximum = 80;
  const size_t external = monitors.AddPhysical(second, ext);
  Start();
  controller->SyncBox.Checked = true;
  controller->TrackBox.Checked = true;
  controller->ActiveDevice = DeviceUid(panelName);
  controller->OtherActiveCount = 1;
  controller->ValueChange(40, false);
  for (int i = 0; i < 3; ++i)
    Pass(); // both devices catch up with the current stamp

  SimWmiMonitor changed = wmi.State(panel);
  changed.currentBrightness = 90; // the system's brightness keys
  wmi.Update(panel, changed);
  for (int i = 0; i < 12; ++i)
    Pass();
  EXPECT_EQ(controller->ShownBrightness, 90);
  EXPECT_EQ(
      controller->Root->Items(u"devices").Items(DeviceUid(panelName)).Items(u"brightness").Val().ToInt64(),
      90);
  // The monitor follows, clamped to its own maximum.
  ASSERT_FALSE(WritesTo(external).empty());
  EXPECT_EQ(WritesTo(external).back(), 80u);
  EXPECT_EQ(monitors.State(external).current, 80u);
}

} // namespace
} // namespace lumivane

namespace lumivane {
namespace {

// Sleep: the monitor forgets its brightness and refuses its first read after waking, so the
// first rescan misses it; the second, a few seconds later, finds it and the brightness of before
// sleep is written back.
TEST_F(SupervisionTest, ResumeFromSleepWritesTheBrightnessOfBeforeSleepBack) {
  const size_t a = AddMonitor(u"SIM0001", u"1&UID1", 60);
  Start();
  MakeActive(Pnp(u"SIM0001", u"1&UID1"));
  Wheel(-1);
  Pass();
  Pass();
  ASSERT_EQ(monitors.State(a).current, 55u);

  controller->PowerSuspend();
  SimPhysicalMonitor woken = monitors.State(a);
  woken.current = 100;
  woken.failEveryRead = true;
  monitors.Update(a, woken);
  controller->PowerResume();
  Pass();
  EXPECT_EQ(controller->Root->Items(u"devices").Count(), 0) << "the first scan after waking misses it";
  woken.failEveryRead = false;
  monitors.Update(a, woken);

  for (int i = 0; i < 60 && monitors.State(a).current != 55u; ++i)
    Pass();
  EXPECT_EQ(monitors.State(a).current, 55u);
  EXPECT_EQ(controller->ShownBrightness, 55);
  const auto lines = host.LogLines();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::u16string& l) {
                            return l.find(u"] Resumed from sleep: brightness 55 is written to the displays again") !=
                                   std::u16string::npos;
                          }),
            1);
  // Nothing is left to restore: a later wheel step is not undone.
  clock.AdvanceMs(1);
  Wheel(1);
  for (int i = 0; i < 3; ++i)
    Pass();
  EXPECT_EQ(monitors.State(a).current, 60u);
  EXPECT_EQ(controller->BrightnessBeforeSleep, -1);
}

} // namespace
} // namespace lumivane
