#include "controller/ControllerFixture.h"
#include "devices/Devices.h"

namespace lumivane {
namespace {

using Probe = SimProcessServices::Probe;

class StartupTest : public ::testing::Test {
 protected:
  std::vector<bool> ProbeKeeps(const SimProcess& p) {
    std::vector<bool> keeps;
    for (const Probe& probe : p.process.Probes())
      keeps.push_back(probe.keep);
    return keeps;
  }
  // A desktop monitor with one DDC/CI monitor at the given brightness, named SIM000<n>.
  static size_t AddMonitor(SimProcess& p, int n, uint32_t brightness) {
    const std::u16string digit(1, static_cast<char16_t>(u'0' + n));
    const MonitorHandle desktop = p.displays.AddMonitor(u"\\\\.\\DISPLAY" + digit);
    p.displays.AddDisplayDevice(
        desktop,
        {SimDisplayConfig::kActive, SimDisplayConfig::InterfaceName(u"SIM000" + digit, u"1&UID" + digit)});
    SimPhysicalMonitor m;
    m.current = brightness;
    return p.monitors.AddPhysical(desktop, m);
  }
  static bool HasDumpLine(const SimProcess& p) {
    for (const auto& line : p.host.LogLines())
      if (line.find(u"] Dump:") != std::u16string::npos) return true;
    return false;
  }

  SimClock clock;
  SimMachine machine{&clock};
};

TEST_F(StartupTest, CreatesRootWithSeedAndStartValues) {
  SimProcess app(clock, machine);
  TController& c = app.controller;
  // Start-up owns these values whatever they held before.
  c.RescanRequested = c.MenuRebuildRequested = c.ProgramsChanged = c.RangeChanged = true;
  c.WorkerBusy = true;
  c.StepPercent = 9;
  c.ShownBrightness = 40;
  c.PendingDevice = u"x";
  c.ActiveDevice = u"y";
  c.IconFontHeight = 3;
  c.Startup();

  EXPECT_FALSE(c.RescanRequested || c.MenuRebuildRequested || c.ProgramsChanged || c.RangeChanged);
  // The worker is taken by the start-up discovery, and is free once it has run.
  EXPECT_TRUE(c.WorkerBusy);
  while (app.pool.RunNext())
    app.mainThread.Pump();
  EXPECT_FALSE(c.WorkerBusy);
  EXPECT_EQ(c.StepPercent, 5);
  EXPECT_EQ(c.RangeMin, 0);
  EXPECT_EQ(c.RangeMax, 100);
  EXPECT_EQ(c.TickPhase, 1);
  EXPECT_EQ(c.PredBrightness, 0);
  EXPECT_EQ(c.ShownBrightness, -1);
  EXPECT_EQ(c.BrightnessBeforeProgram, -1);
  EXPECT_TRUE(c.PendingDevice.empty());
  EXPECT_TRUE(c.ActiveDevice.empty());
  EXPECT_EQ(c.IconFontHeight, 16);
  EXPECT_EQ(c.SingleInstanceMessage, u"Only a single instance of this application can run!");
  EXPECT_EQ(c.FTaskMsg, app.host.RegisteredMessages().at(u"TASKBARCREATED"));
  EXPECT_EQ(app.process.InstalledFonts().count(c.FontResource), 1u);
  EXPECT_EQ(app.host.ComInitCount(), 1);
  EXPECT_TRUE(app.host.TimerEnabled());
  EXPECT_EQ(c.RunState, 1);

  ASSERT_TRUE(c.Root);
  EXPECT_EQ(c.Root->Count(), 4);
  for (const char16_t* key : {u"cmd", u"programs", u"devices", u"lang"})
    EXPECT_TRUE(c.Root->IsSet(key)) << ToUtf8(key);
  TAssoc& cmd = c.Root->Items(u"cmd");
  ASSERT_EQ(cmd.Count(), 1);
  ASSERT_TRUE(cmd.IsSet(Variant::Narrow(1)));
  EXPECT_EQ(cmd[Variant::Narrow(1)][u"z"].Val().ToInt64(), -1);
  EXPECT_TRUE(machine.MutexExists(u"Global\\Lumivane"));
}

// The monitors are looked for on the worker: the icon is up before any device answers, the
// table and its dump arrive with the job, and the digits with the next pass.
TEST_F(StartupTest, TheIconComesFirstAndTheDevicesWithTheDiscoveryJob) {
  SimProcess app(clock, machine);
  const size_t monitor = AddMonitor(app, 1, 40);

  app.controller.Startup();
  clock.AdvanceMs(100);
  app.host.FireTimer();
  EXPECT_TRUE(app.tray.IsVisible());
  EXPECT_EQ(app.monitors.ReadCount(monitor), 0u);
  EXPECT_EQ(app.controller.Root->Items(u"devices").Count(), 0);
  EXPECT_FALSE(HasDumpLine(app));

  while (app.pool.RunNext())
    app.mainThread.Pump();
  EXPECT_GT(app.monitors.ReadCount(monitor), 0u);
  const auto lines = app.host.LogLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(app.controller.Root->Items(u"devices").Count(), 1);
  EXPECT_EQ(lines.back(),
            u"[12:00:00] Dump:" + app.controller.Root->Items(u"devices").Dump(false, u"", false));
  clock.AdvanceMs(100);
  app.host.FireTimer();
  ASSERT_FALSE(app.tray.History().empty());
  EXPECT_EQ(app.tray.History().back().text, u"40");
}

// The stored choice names a device the start-up discovery has not found yet when the settings
// load; it is taken once the table arrives.
TEST_F(StartupTest, TheStoredDeviceIsChosenWhenTheTableArrives) {
  SimProcess app(clock, machine);
  AddMonitor(app, 1, 40);
  AddMonitor(app, 2, 70);
  const std::u16string second = DeviceUid(u"DISPLAY\\SIM0002\\1&UID2");
  machine.registry.SetString(kSettingsKey, u"actmon", second);
  StartProcess(app);
  clock.AdvanceMs(100);
  app.host.FireTimer();
  EXPECT_EQ(app.controller.ActiveDevice, second);
  ASSERT_FALSE(app.tray.History().empty());
  EXPECT_EQ(app.tray.History().back().text, u"70");
}

TEST_F(StartupTest, SecondCopyShowsTheMessageAndEndsAtTheFirstPass) {
  SimProcess first(clock, machine);
  StartProcess(first);
  SimProcess second(clock, machine);
  const uint64_t t0 = clock.LocalMs();
  StartProcess(second);

  std::vector<uint64_t> at;
  for (const Probe& p : second.process.Probes()) {
    EXPECT_FALSE(p.result);
    at.push_back(p.atMs - t0);
  }
  EXPECT_EQ(at, (std::vector<uint64_t>{0, 250, 500, 750, 1000}));
  EXPECT_EQ(ProbeKeeps(second), (std::vector<bool>{false, false, false, false, true}));
  EXPECT_EQ(second.host.ErrorBoxes(), std::vector<std::u16string>{second.controller.SingleInstanceMessage});
  EXPECT_EQ(second.controller.RunState, 0);
  EXPECT_TRUE(second.host.TimerEnabled());
  EXPECT_FALSE(HasDumpLine(second));

  clock.AdvanceMs(100);
  EXPECT_TRUE(second.host.FireTimer());
  EXPECT_TRUE(second.host.Closed());
  EXPECT_FALSE(second.controller.Root);
  EXPECT_EQ(second.tray.Adds(), 0);
  EXPECT_TRUE(second.process.InstalledFonts().empty());
  EXPECT_EQ(second.host.ComUninitCount(), 1);

  EXPECT_EQ(first.controller.RunState, 1);
  EXPECT_TRUE(machine.MutexExists(u"Global\\Lumivane"));
}

// The old process of a restart ends some time after the new one started probing; failures
// are checks that fail on their own (no security descriptor), with no other process.
TEST_F(StartupTest, RestartedCopyWaitsUpToOneSecondForTheMutex) {
  struct Case {
    int oldEndsAfterMs; // -1: no old process
    int failingChecks;
    size_t probes; // including the decisive call
    uint64_t waitedMs;
    bool starts;
  };
  const Case cases[] = {
      {0, 0, 2, 0, true},        {600, 0, 5, 750, true}, {1000, 0, 5, 1000, true},
      {1001, 0, 5, 1000, false}, {-1, 2, 4, 500, true},  {-1, 5, 5, 1000, false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << "old ends after " << k.oldEndsAfterMs << ", failing "
                                    << k.failingChecks);
    SimClock caseClock;
    SimMachine caseMachine{&caseClock};
    SimProcess old(caseClock, caseMachine);
    if (k.oldEndsAfterMs >= 0) {
      StartProcess(old);
      old.process.ExitAt(caseClock.LocalMs() + k.oldEndsAfterMs);
    }
    SimProcess fresh(caseClock, caseMachine);
    fresh.process.FailNextChecks(k.failingChecks);
    StartProcess(fresh);

    EXPECT_EQ(fresh.process.Probes().size(), k.probes);
    EXPECT_TRUE(fresh.process.Probes().back().keep);
    EXPECT_EQ(caseClock.TotalSleptMs(), k.waitedMs);
    EXPECT_EQ(fresh.controller.RunState, k.starts ? 1 : 0);
    EXPECT_EQ(fresh.host.ErrorBoxes().empty(), k.starts);
    EXPECT_EQ(HasDumpLine(fresh), k.starts);
  }
}

TEST_F(StartupTest, MissingFontResourceIsNotFatalAndIsNotRemoved) {
  SimProcess app(clock, machine);
  app.process.SetFontResourcePresent(false);
  StartProcess(app);
  EXPECT_EQ(app.controller.FontResource, IProcessServices::kInvalidFont);
  EXPECT_TRUE(HasDumpLine(app));
  app.controller.Exiter();
  clock.AdvanceMs(100);
  app.host.FireTimer();
  EXPECT_TRUE(app.host.Closed());
  EXPECT_TRUE(app.process.RemovedFonts().empty());
}

TEST_F(StartupTest, CloseReleasesTrayFontRootAndComOnce) {
  SimProcess app(clock, machine);
  StartProcess(app);
  const uintptr_t font = app.controller.FontResource;
  clock.AdvanceMs(100);
  app.host.FireTimer();
  ASSERT_TRUE(app.tray.IsVisible());

  app.controller.Exiter();
  clock.AdvanceMs(100);
  app.host.FireTimer(); // closes the window, whose destroy handler is FormClose
  ASSERT_TRUE(app.host.Closed());
  app.controller.FormClose();
  EXPECT_FALSE(app.tray.IsVisible());
  EXPECT_EQ(app.process.RemovedFonts(), std::vector<uintptr_t>{font});
  EXPECT_EQ(app.process.BadFontRemovals(), 0);
  EXPECT_FALSE(app.controller.Root);
  EXPECT_EQ(app.host.ComUninitCount(), 1);
  // Handlers that still run find no root and do nothing.
  app.controller.ValueChange(50, false);
  EXPECT_EQ(app.controller.ShownBrightness, -1);
}

} // namespace
} // namespace lumivane

namespace lumivane {
namespace {

// Every port is required, checked once where the controller is made, by name.
TEST(ControllerPorts, ABundleWithoutAPortIsRefusedByName) {
  SimClock clock;
  SimMachine machine(&clock);
  SimPlatform sim(clock, machine);
  EXPECT_EQ(sim.Ports().MissingPort(), nullptr);
  for (auto drop : {+[](Platform& p) { p.popup = nullptr; }, +[](Platform& p) { p.locale = nullptr; }}) {
    Platform ports = sim.Ports();
    drop(ports);
    try {
      TController c(ports);
      ADD_FAILURE() << "a controller was made without the " << ports.MissingPort() << " port";
    } catch (const std::invalid_argument& e) {
      EXPECT_EQ(std::string(e.what()),
                std::string("TController: the platform has no ") + ports.MissingPort() + " port");
    }
  }
}

} // namespace
} // namespace lumivane
