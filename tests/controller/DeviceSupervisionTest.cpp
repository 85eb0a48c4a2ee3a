// The timer pass driving real discovery and the brightness worker over simulated monitors:
// start-up discovery, one write per device for a burst of wheel steps, the error sweep with its
// rescan, tracking of a laptop panel, and handles that do not pile up across rescans.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "controller/SupervisionFixture.h"

namespace lumivane {
namespace {

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
  controller->Form.SyncBox.SetChecked(true);
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
    clock.AdvanceMs(TController::kRescanHoldMs); // rescans are at least a second apart
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
  controller->Form.SyncBox.SetChecked(true);
  controller->Form.TrackBox.SetChecked(true);
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

// A service manager that can be made to throw something discovery does not expect.
class ThrowingServices final : public IServiceManager {
 public:
  explicit ThrowingServices(IServiceManager& inner) : inner_(inner) {}
  ServiceQuery QueryServiceState(const std::u16string& name) override {
    if (fail) throw std::runtime_error("service manager gone");
    return inner_.QueryServiceState(name);
  }
  bool fail = false;

 private:
  IServiceManager& inner_;
};

class RescanTest : public SupervisionTest {
 protected:
  Platform ControllerPorts() override {
    Platform p = Ports();
    p.services = &throwing;
    return p;
  }
  ThrowingServices throwing{services};
};

TEST_F(RescanTest, FailingWmiPassDoesNotSkipTheMonitors) {
  AddMonitor(u"SIM0001", u"1&UID1", 60);
  AddMonitor(u"SIM0002", u"1&UID2", 35);
  Start();
  throwing.fail = true;
  controller->RescanRequested = true;
  Pass();
  EXPECT_EQ(controller->Root->Items(u"devices").Count(), 2);
  EXPECT_EQ(monitors.OpenHandleCount(), 2u);
  const auto lines = host.LogLines();
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::u16string& l) {
    return l.find(u"ERROR! service manager gone") != std::u16string::npos;
  }));
}

// Until the main thread takes a rescan's table the devices are looked for on the worker; the
// program goes on meanwhile.
class RescanInFlightTest : public SupervisionTest {
 protected:
  // Starts a rescan and returns once the job has read the monitors and waits to hand its table in.
  void RescanUpToTheHandOver() {
    const size_t handed = mainThread.SynchronizeCount();
    controller->RescanRequested = true;
    clock.AdvanceMs(2000); // past the spacing after the last rescan
    host.FireTimer();
    for (int i = 0; i < 5000 && mainThread.SynchronizeCount() == handed; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_GT(mainThread.SynchronizeCount(), handed);
  }
  void TakeTheTable() {
    ASSERT_TRUE(mainThread.PumpUntil([&] { return !controller->WorkerBusy; }));
    pool.Join();
  }
};

// Limits changed while the devices are looked for apply to the records the rescan brings.
TEST_F(RescanInFlightTest, ALimitChangedDuringTheRescanAppliesToTheTableItBrings) {
  AddMonitor(u"SIM0001", u"1&UID1", 60);
  Start();
  RescanUpToTheHandOver();
  controller->RangeMax = 80; // as the upper-limit box does
  controller->RangeChanged = true;
  clock.AdvanceMs(100);
  host.FireTimer();
  TakeTheTable();
  EXPECT_EQ(RecordInt(Record(Pnp(u"SIM0001", u"1&UID1")), u"max"), 80);
}

// A refused start-up job is tried again by the timer; that table still brings the stored device
// choice and the start-up dump.
class StartupJobRefusedTest : public SupervisionTest {
 protected:
  class FirstJobRefused final : public IThreadPool {
   public:
    explicit FirstJobRefused(IThreadPool& inner) : inner_(inner) {}
    void Run(std::function<void()> task) override {
      if (refuse_) {
        refuse_ = false;
        throw std::runtime_error("no thread for the job");
      }
      inner_.Run(std::move(task));
    }
    void RunAll(std::vector<std::function<void()>> tasks) override { inner_.RunAll(std::move(tasks)); }

   private:
    IThreadPool& inner_;
    bool refuse_ = true;
  };
  Platform ControllerPorts() override {
    Platform p = Ports();
    p.pool = &refusing;
    return p;
  }
  FirstJobRefused refusing{pool};
};

TEST_F(StartupJobRefusedTest, TheRetriedDiscoveryBringsTheStoredChoiceAndTheDump) {
  AddMonitor(u"SIM0001", u"1&UID1", 60);
  AddMonitor(u"SIM0002", u"1&UID2", 35);
  const std::u16string second = DeviceUid(Pnp(u"SIM0002", u"1&UID2"));
  machine_.registry.SetString(kSettingsKey, u"actmon", second);
  Start();
  ASSERT_EQ(controller->Root->Items(u"devices").Count(), 0);
  for (int i = 0; i < 15; ++i)
    Pass();
  EXPECT_EQ(controller->Root->Items(u"devices").Count(), 2);
  EXPECT_EQ(controller->ActiveDevice, second);
  EXPECT_EQ(controller->ShownBrightness, 35);
  const auto lines = host.LogLines();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::u16string& l) { return l.find(u"] Dump:") != std::u16string::npos; }),
            1);
}

// After the clock is set back (end of daylight-saving time) new commands carry smaller stamps
// than the last one the devices hold; the first of them must still reach every device.
TEST_F(SupervisionTest, ValueOfTheFirstCommandAfterTheClockWasSetBackReachesTheMonitors) {
  const size_t a = AddMonitor(u"SIM0001", u"1&UID1", 65);
  const size_t b = AddMonitor(u"SIM0002", u"1&UID2", 65);
  Start();
  controller->Form.SyncBox.SetChecked(true);
  MakeActive(Pnp(u"SIM0001", u"1&UID1"));
  Wheel(1);
  for (int i = 0; i < 3; ++i)
    Pass();
  ASSERT_EQ(monitors.State(b).current, 70u);
  struct Case {
    const char16_t* letter;
    int value;
  };
  for (const Case& k : {Case{u"i", 30}, Case{u"u", 45}, Case{u"i", 55}}) {
    SCOPED_TRACE(ToUtf8(k.letter));
    clock.SetLocalMs(clock.LocalMs() - 3600 * 1000);
    controller->Root->Items(u"cmd").Items(Variant(controller->NowUnixMs())).Items(k.letter) =
        Variant::Narrow(k.value);
    for (int i = 0; i < 4; ++i)
      Pass();
    EXPECT_EQ(controller->ShownBrightness, k.value);
    EXPECT_EQ(monitors.State(a).current, static_cast<uint32_t>(k.value));
    EXPECT_EQ(monitors.State(b).current, static_cast<uint32_t>(k.value));
  }
}

} // namespace
} // namespace lumivane
