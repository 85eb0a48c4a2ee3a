// The main thread does not let a silent WMI service or a flood of window messages keep it busy:
// WMI walks end after a bounded wait, rescans are spaced, and only Timer1's own ticks run passes.
#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "SupervisionFixture.h"
#include "controller/MeteredMonitors.h"

namespace lumivane {
namespace {

const std::u16string kPanelName = u"DISPLAY\\LEN40A0\\4&2f3a&0&UID265988_0";

// A WMI port that counts the connections made on the main thread: every WMI read or write
// begins with one.
class MeteredWmi final : public IWmi {
 public:
  explicit MeteredWmi(IWmi& inner) : inner_(inner), main_(std::this_thread::get_id()) {}
  size_t MainThreadCalls() const { return mainCalls_; }
  size_t Calls() const { return calls_; }
  std::unique_ptr<IWmiServices> Connect(const std::u16string& nameSpace) override {
    ++calls_;
    if (std::this_thread::get_id() == main_) ++mainCalls_;
    return inner_.Connect(nameSpace);
  }

 private:
  IWmi& inner_;
  std::thread::id main_;
  std::atomic<size_t> calls_{0}, mainCalls_{0};
};

class MainThreadWaitsTest : public SupervisionTest {
 protected:
  Platform ControllerPorts() override {
    Platform p = Ports();
    p.monitors = &meteredMonitors;
    p.wmi = &meteredWmi;
    return p;
  }
  // A laptop panel (tracked, the active device) and one DDC/CI monitor.
  void StartWithPanel() {
    panel = wmi.Add(SimWmiMonitor::Panel(kPanelName, 40, {0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
    displays.AddDisplayDevice(desktop, {SimDisplayConfig::kActive,
                                        SimDisplayConfig::InterfaceName(u"LEN40A0", u"4&2f3a&0&UID265988")});
    monitors.AddPhysical(desktop, SimPhysicalMonitor{}); // the panel's own entry
    AddMonitor(u"SIM0001", u"1&UID1", 40);
    Start();
    controller->Form.TrackBox.SetChecked(true);
    MakeActive(kPanelName);
    for (int i = 0; i < 3; ++i)
      Pass(); // the devices catch up with the current stamp
  }
  size_t BrightnessReads() const {
    const auto queries = wmi.Queries();
    return static_cast<size_t>(
        std::count(queries.begin(), queries.end(), u"SELECT * FROM WmiMonitorBrightness WHERE Active=True"));
  }
  size_t LinesWith(const std::u16string& text) const {
    const auto lines = host.LogLines();
    return static_cast<size_t>(std::count_if(lines.begin(), lines.end(), [&](const std::u16string& l) {
      return l.find(text) != std::u16string::npos;
    }));
  }
  // One tick as it comes, and the main-thread steps of a job it started.
  bool Tick() {
    const bool ran = host.FireTimer();
    EXPECT_TRUE(mainThread.PumpUntil([&] { return !controller->WorkerBusy; }));
    pool.Join();
    return ran;
  }
  int64_t PanelErrors() { return RecordInt(Record(kPanelName), u"errors"); }

  size_t panel = 0;
  MeteredMonitors meteredMonitors{monitors, clock_};
  MeteredWmi meteredWmi{wmi};
};

// Start, the wheel, a synchronised change, tracking, a rescan and a resume talk to the devices
// from the worker: the main thread, which draws the icon and answers the wheel, never waits for
// a monitor or for WMI.
TEST_F(MainThreadWaitsTest, NoStepReachesADeviceFromTheMainThread) {
  StartWithPanel();
  EXPECT_GT(meteredMonitors.Calls(), 0u) << "start-up read the monitor";
  EXPECT_GT(meteredWmi.Calls(), 0u) << "start-up looked for the panel";
  EXPECT_EQ(meteredMonitors.MainThreadCalls(), 0u) << "start";
  EXPECT_EQ(meteredWmi.MainThreadCalls(), 0u) << "start";
  const size_t monitor = 1; // the DDC/CI monitor after the panel's own entry
  struct Step {
    const char* what;
    bool reachesMonitor, reachesWmi;
    std::function<void()> run;
  };
  const Step steps[] = {
      {"wheel", false, true,
       [&] {
         Wheel(1);
         for (int i = 0; i < 3; ++i)
           Pass();
       }},
      {"synchronised change", true, true,
       [&] {
         controller->Form.SyncBox.SetChecked(true);
         Wheel(1);
         for (int i = 0; i < 3; ++i)
           Pass();
         EXPECT_EQ(monitors.State(monitor).current, 60u);
       }},
      {"tracking read", false, true,
       [&] {
         for (int i = 0; i < 9; ++i)
           Pass(); // one tracking read every ninth pass
       }},
      {"rescan", true, true,
       [&] {
         const size_t scans = meteredMonitors.Scans().size();
         controller->RescanRequested = true;
         Pass();
         EXPECT_GT(meteredMonitors.Scans().size(), scans) << "the monitors were looked for";
       }},
      {"resume", true, true,
       [&] {
         controller->PowerSuspend();
         clock.AdvanceMs(2 * 3600 * 1000);
         SimPhysicalMonitor m = monitors.State(monitor);
         m.current = 100;
         monitors.Update(monitor, m);
         controller->PowerResume();
         for (int i = 0; i < 60; ++i)
           Pass();
         EXPECT_EQ(monitors.State(monitor).current, 60u) << "the monitor got its value back";
       }},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    const size_t ddcMain = meteredMonitors.MainThreadCalls(), wmiMain = meteredWmi.MainThreadCalls();
    const size_t ddcAll = meteredMonitors.Calls(), wmiAll = meteredWmi.Calls();
    step.run();
    if (step.reachesMonitor) EXPECT_GT(meteredMonitors.Calls(), ddcAll) << "the step reached the monitor";
    if (step.reachesWmi) EXPECT_GT(meteredWmi.Calls(), wmiAll) << "the step reached WMI";
    EXPECT_EQ(meteredMonitors.MainThreadCalls(), ddcMain);
    EXPECT_EQ(meteredWmi.MainThreadCalls(), wmiMain);
  }
  // The rescan found both devices again, from the worker.
  EXPECT_TRUE(Active(Pnp(u"SIM0001", u"1&UID1")));
  EXPECT_TRUE(Active(kPanelName));
}

TEST_F(MainThreadWaitsTest, ATimedOutTrackingReadCountsAsAFailedReadOfThePanel) {
  StartWithPanel();
  ASSERT_EQ(PanelErrors(), 0);
  const size_t reads = BrightnessReads();
  wmi.TimeOutAt(SimWmi::Stage::Next, 0);
  const uint64_t before = clock.LocalMs();
  for (int i = 0; i < 9; ++i)
    Pass(); // one tracking read every ninth pass
  EXPECT_EQ(BrightnessReads(), reads + 1);
  EXPECT_EQ(PanelErrors(), 1);
  EXPECT_EQ(LinesWith(u"] WMI error: WMI did not answer within 5 seconds"), 1u);
  // Nine passes and one bounded wait.
  EXPECT_EQ(clock.LocalMs() - before, 9 * 100 + kWmiWaitMs);

  // Reads that keep timing out add up until the panel is disabled, as failed writes do.
  for (int i = 0; i < 5 * 9 + 1; ++i)
    Pass();
  EXPECT_EQ(LinesWith(u"] ERROR! Device #1 stopped responding and was disabled"), 1u);
}

TEST_F(MainThreadWaitsTest, ADiscoveryWhoseWalkTimesOutEndsItAndTheMonitorsAreStillFound) {
  StartWithPanel();
  wmi.TimeOutAt(SimWmi::Stage::Next, 0);
  controller->RescanRequested = true;
  Pass();
  EXPECT_EQ(LinesWith(u"] ERROR! WMI message: WMI did not answer within 5 seconds"), 1u);
  TAssoc& devices = controller->Root->Items(u"devices");
  const std::u16string uid = DeviceUid(kPanelName);
  EXPECT_FALSE(devices.IsSet(uid) && RecordFlag(devices.Items(uid), u"internal"))
      << "no WMI answer, no panel";
  EXPECT_TRUE(Active(Pnp(u"SIM0001", u"1&UID1")));
}

// Display changes and power events arrive in bursts; each used to cost a full rediscovery in
// the next pass.
TEST_F(MainThreadWaitsTest, AFloodOfRescanRequestsLeadsToOneRescanASecond) {
  AddMonitor(u"SIM0001", u"1&UID1", 40);
  Start();
  const size_t base = displays.EnumCalls();
  for (int i = 0; i < 30; ++i) { // three seconds of passes, a request before each
    if (i % 2)
      controller->WMDisplayChange();
    else
      controller->PowerResume();
    Pass();
  }
  EXPECT_EQ(displays.EnumCalls() - base, 3u); // at 0.1 s, 1.1 s and 2.1 s
  // The requests made while the last rescan held still lead to one more once its second is
  // over, at 3.1 s.
  for (int i = 0; i < 10; ++i)
    Pass();
  EXPECT_EQ(displays.EnumCalls() - base, 4u);
  // Every device in use before the resume is back, so the resume looks no further.
  for (int i = 0; i < 50; ++i)
    Pass();
  EXPECT_EQ(displays.EnumCalls() - base, 4u);
  EXPECT_TRUE(Active(Pnp(u"SIM0001", u"1&UID1")));

  // One request on its own is served at the next pass.
  controller->WMDisplayChange();
  Pass();
  EXPECT_EQ(displays.EnumCalls() - base, 5u);
}

// WM_TIMER can be posted by any process; Timer1's own ticks come about 100 ms apart.
TEST_F(MainThreadWaitsTest, ForgedTimerTicksBetweenPassesRunNoPass) {
  StartWithPanel();
  const size_t reads = BrightnessReads();
  // A flood: 450 ticks, one every millisecond. A pass runs only where 50 ms have gone by since
  // the last one ended, so at most nine passes, and no more than one tracking read.
  for (int i = 0; i < 450; ++i) {
    clock.AdvanceMs(1);
    Tick();
  }
  EXPECT_LE(BrightnessReads() - reads, 1u);

  // Ticks that come somewhat early are still Timer1's: every one of them runs its pass.
  const size_t steady = BrightnessReads();
  for (int i = 0; i < 18; ++i) {
    clock.AdvanceMs(60);
    ASSERT_TRUE(Tick());
  }
  EXPECT_EQ(BrightnessReads() - steady, 2u);
  EXPECT_TRUE(host.TimerEnabled());
}

} // namespace
} // namespace lumivane
