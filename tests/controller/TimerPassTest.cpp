#include <algorithm>

#include "controller/ControllerFixture.h"
#include "devices/Devices.h"

namespace lumivane {
namespace {

class TimerPassTest : public ControllerTest {
 protected:
  bool AllDone() {
    for (const Variant& key : Cmd().Keys())
      if (!Cmd()[key].IsSet(u"z")) return false;
    return true;
  }
  bool Drew(const std::u16string& text) {
    const auto texts = TrayTexts();
    return std::find(texts.begin(), texts.end(), text) != texts.end();
  }
};

TEST_F(TimerPassTest, ThreeNotchesDownAreCarriedOutInOnePass) {
  ActiveDevice(47);
  for (int n = 0; n < 3; ++n)
    Wheel(-1);
  Pass();
  EXPECT_EQ(c().ShownBrightness, 35);
  EXPECT_EQ(TrayTexts(), (std::vector<std::u16string>{u"47", u"45", u"40", u"35"}));
  EXPECT_TRUE(AllDone());
  EXPECT_TRUE(app.host.TimerEnabled());
}

TEST_F(TimerPassTest, NotchAndClickInOneMillisecondStepFirstThenToggle) {
  ActiveDevice(47, 10);
  Command(u"s", -1);
  Command(u"n", 1);
  ASSERT_EQ(Cmd().Count(), 2); // the seed and the one shared entry
  Pass();
  EXPECT_EQ(TrayTexts(), (std::vector<std::u16string>{u"47", u"45", u"10"}));
  EXPECT_EQ(c().PredBrightness, 45);
}

TEST_F(TimerPassTest, NewestEntryTakesReportedAndProgramValues) {
  struct Case {
    const char* what;
    std::vector<std::pair<const char16_t*, int>> letters;
    int expected;
  };
  const Case cases[] = {
      {"u is taken unchanged", {{u"u", 77}}, 77},
      {"i is limited to the range", {{u"i", 77}}, 50},
      {"u wins over i", {{u"i", 20}, {u"u", 30}}, 30},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Devices().Clear();
    ActiveDevice(40, 0, 50);
    for (const auto& [letter, value] : k.letters)
      Command(letter, value);
    Pass();
    EXPECT_EQ(c().ShownBrightness, k.expected);
    EXPECT_TRUE(AllDone());
  }
}

TEST_F(TimerPassTest, OvertakenReportIsNeverCarriedOut) {
  ActiveDevice(50);
  Command(u"u", 80);
  clock.AdvanceMs(3);
  Wheel(1);
  Pass();
  Pass();
  EXPECT_EQ(c().ShownBrightness, 55);
  EXPECT_FALSE(Drew(u"80"));
}

TEST_F(TimerPassTest, AntiGlareDimsToMinimumAndReturns) {
  ActiveDevice(60, 10);
  Command(u"n", 1);
  Pass();
  EXPECT_EQ(c().ShownBrightness, 10);
  EXPECT_EQ(c().PredBrightness, 60);
  Command(u"n", 1);
  Pass();
  EXPECT_EQ(c().ShownBrightness, 60);
  EXPECT_EQ(c().PredBrightness, 60);
}

TEST_F(TimerPassTest, ClickWithoutSomethingToReturnToChangesNothing) {
  struct Case {
    const char* what;
    int shown, pred;
    void (*setup)(TController&, TAssoc& record);
  };
  const Case cases[] = {
      {"at the minimum with nothing remembered", 10, 0, [](TController&, TAssoc&) {}},
      {"at the minimum, remembered level below it", 10, 5, [](TController&, TAssoc&) {}},
      {"no active device", 60, 33, [](TController& c, TAssoc&) { c.ActiveDevice.clear(); }},
      {"active device stopped responding", 60, 33,
       [](TController&, TAssoc& r) { r[u"active"] = Variant(false); }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Devices().Clear();
    TAssoc& record = ActiveDevice(k.shown, 10);
    c().PredBrightness = k.pred;
    k.setup(c(), record);
    const int shown = c().ShownBrightness;
    const size_t drawn = app.tray.History().size();
    Command(u"n", 1);
    Pass();
    EXPECT_EQ(c().PredBrightness, k.pred);
    EXPECT_EQ(c().ShownBrightness, shown);
    EXPECT_EQ(app.tray.History().size(), drawn);
  }
}

TEST_F(TimerPassTest, FailingStepIsLoggedOnceAndTheTimerComesBack) {
  TAssoc& record = ActiveDevice(50);
  record[u"min"] = Variant(u"low");
  const size_t lines = app.host.LogLines().size();
  Wheel(1);
  Pass();
  EXPECT_TRUE(app.host.TimerEnabled());
  EXPECT_TRUE(app.tray.IsVisible()); // later steps of the pass still ran
  const auto log = app.host.LogLines();
  ASSERT_EQ(log.size(), lines + 1);
  EXPECT_EQ(log.back().rfind(u"[12:00:00] ERROR! ", 0), 0u) << ToUtf8(log.back());
  EXPECT_NE(log.back().find(u"low"), std::u16string::npos);

  Pass();
  EXPECT_EQ(app.host.LogLines().size(), lines + 1);
  EXPECT_TRUE(app.host.TimerEnabled());
}

TEST_F(TimerPassTest, TimerComesBackWhenLoggingTheFailureFailsToo) {
  TAssoc& record = ActiveDevice(50);
  record[u"min"] = Variant(u"low");
  app.host.FailLogAppends(true);
  Wheel(1);
  EXPECT_NO_THROW(Pass());
  EXPECT_TRUE(app.host.TimerEnabled());
  EXPECT_TRUE(app.tray.IsVisible());
  app.host.FailLogAppends(false);
  EXPECT_NO_THROW(Pass());
  EXPECT_TRUE(app.host.TimerEnabled());
}

TEST_F(TimerPassTest, RangeRefreshStartsFromTheDeviceOwnRange) {
  AddDevice(u"a", 0, 100);
  AddDevice(u"b", 20, 60);
  ActiveDevice(50);
  struct Case {
    int rangeMin, rangeMax;
    int aMin, aMax, bMin, bMax;
  };
  const Case cases[] = {{10, 50, 10, 50, 20, 50}, {70, 100, 70, 100, 70, 60}, {0, 100, 0, 100, 20, 60}};
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << k.rangeMin << ".." << k.rangeMax);
    c().RangeMin = k.rangeMin;
    c().RangeMax = k.rangeMax;
    c().RangeChanged = true;
    Pass();
    EXPECT_FALSE(c().RangeChanged);
    EXPECT_EQ(Devices()[u"a"][u"min"].Val().ToInt64(), k.aMin);
    EXPECT_EQ(Devices()[u"a"][u"max"].Val().ToInt64(), k.aMax);
    EXPECT_EQ(Devices()[u"b"][u"min"].Val().ToInt64(), k.bMin);
    EXPECT_EQ(Devices()[u"b"][u"max"].Val().ToInt64(), k.bMax);
    EXPECT_EQ(c().ShownBrightness, 50);
  }
}

TEST_F(TimerPassTest, RescanWaitsWhileTheWorkerIsBusy) {
  ActiveDevice(50);
  c().RescanRequested = c().MenuRebuildRequested = c().ProgramsChanged = true;
  c().WorkerBusy = true;
  Pass();
  EXPECT_TRUE(c().RescanRequested);
  EXPECT_FALSE(c().MenuRebuildRequested || c().ProgramsChanged);
  EXPECT_EQ(Devices().Count(), 1);

  c().WorkerBusy = false;
  Pass();
  EXPECT_FALSE(c().RescanRequested);
  EXPECT_EQ(Devices().Count(), 1); // the old table stays until the rescan's job brings the new one
  RunJobs();
  EXPECT_EQ(Devices().Count(), 0);
  EXPECT_EQ(c().ActiveDevice, kUid); // found again by its key when discovery brings it back
}

TEST_F(TimerPassTest, TickPhaseCyclesAndTheIconAppearsAfterTheFirstPass) {
  EXPECT_FALSE(app.tray.IsVisible());
  const size_t drawn = app.tray.History().size(); // the application icon of the empty menu
  std::vector<int> phases;
  for (int n = 0; n < 10; ++n) {
    Pass();
    phases.push_back(c().TickPhase);
    EXPECT_TRUE(app.tray.IsVisible());
  }
  EXPECT_EQ(phases, (std::vector<int>{2, 3, 4, 5, 6, 7, 8, 9, 1, 2}));
  EXPECT_EQ(app.tray.Adds(), 1);
  EXPECT_EQ(app.tray.History().size(), drawn); // only the seed: nothing carried out
}

// An idle pass costs what a plain timer costs: no local-time conversion (under Wine each one
// reads the time-zone file).
TEST_F(TimerPassTest, IdlePassesReadNoLocalTime) {
  Pass(); // the first pass shows the icon
  const uint64_t before = clock.NowCalls();
  for (int n = 0; n < 20; ++n)
    ASSERT_TRUE(Pass());
  EXPECT_EQ(clock.NowCalls(), before);
  ActiveDevice(50);
  Pass(); // carries out the entry ValueChange wrote
  const uint64_t shown = clock.NowCalls();
  for (int n = 0; n < 20; ++n)
    ASSERT_TRUE(Pass());
  EXPECT_EQ(clock.NowCalls(), shown);
  // The spacing of ticks still holds, and does not follow the wall clock back.
  const int passes = app.host.TimerEnableCount(); // every pass enables the timer at its end
  clock.AdvanceMs(20);
  app.host.FireTimer();
  clock.AdvanceMs(20);
  clock.SetLocalMs(clock.LocalMs() - 3'600'000);
  app.host.FireTimer();
  EXPECT_EQ(app.host.TimerEnableCount(), passes); // 20 and 40 ms after the pass: none
  clock.AdvanceMs(10);
  app.host.FireTimer();
  EXPECT_EQ(app.host.TimerEnableCount(), passes + 1);
}

// The tracked panel is read over WMI in one pass of nine, not in every pass.
TEST_F(TimerPassTest, ATrackedPanelIsReadOnEveryNinthPass) {
  const std::u16string pnp = u"DISPLAY\\LEN40A0\\4&2f3a&0&UID265988_0";
  app.wmi.Add(SimWmiMonitor::Panel(pnp, 50, {}));
  TAssoc& panel = AddDevice(DeviceUid(pnp), 0, 100, {{u"internal", Variant(u"true")}});
  panel[u"brightness"] = Variant(u"50");
  panel[u"counter"] = Variant(uint64_t{1}); // up to date with the seed entry: no job to start
  c().ActiveDevice = DeviceUid(pnp);
  c().ValueChange(50, false);
  c().Form.TrackBox.SetChecked(true);

  const size_t discovery = app.wmi.Queries().size(); // start-up's own queries
  const size_t jobs = app.pool.Started();
  std::vector<int> readAt;
  for (int n = 1; n <= 90; ++n) {
    const size_t before = app.wmi.Queries().size();
    Pass();
    RunJobs();
    if (app.wmi.Queries().size() > before) readAt.push_back(n);
  }
  EXPECT_EQ(readAt, (std::vector<int>{9, 18, 27, 36, 45, 54, 63, 72, 81, 90}));
  const auto queries = app.wmi.Queries();
  for (size_t i = discovery; i < queries.size(); ++i)
    EXPECT_EQ(queries[i], u"SELECT * FROM WmiMonitorBrightness WHERE Active=True");
  EXPECT_EQ(app.pool.Started() - jobs, 10u); // each read is a job of its own, off the main thread
}

// A notch made while the tracked panel is read is newer than the value read: it keeps its place
// even when the panel was changed from outside meanwhile.
TEST_F(TimerPassTest, ANotchDuringATrackingReadWinsOverTheValueRead) {
  const std::u16string pnp = u"DISPLAY\\LEN40A0\\4&2f3a&0&UID265988_0";
  const size_t wmiPanel = app.wmi.Add(SimWmiMonitor::Panel(pnp, 50, {}));
  TAssoc& panel = AddDevice(DeviceUid(pnp), 0, 100, {{u"internal", Variant(u"true")}});
  panel[u"brightness"] = Variant(u"50");
  panel[u"counter"] = Variant(uint64_t{1});
  c().ActiveDevice = DeviceUid(pnp);
  c().ValueChange(50, false);
  c().Form.TrackBox.SetChecked(true);
  const size_t jobs = app.pool.Started();
  for (int n = 1; n <= 9; ++n)
    Pass(); // the ninth starts the read, which waits to run
  ASSERT_EQ(app.pool.Started(), jobs + 1);
  Wheel(1);
  Pass();
  SimWmiMonitor changed = app.wmi.State(wmiPanel);
  changed.currentBrightness = 80; // changed from outside before the read answers
  app.wmi.Update(wmiPanel, changed);
  RunJobs();
  for (int n = 0; n < 3; ++n) {
    Pass();
    RunJobs();
  }
  EXPECT_EQ(c().ShownBrightness, 55);
  EXPECT_EQ(app.wmi.State(wmiPanel).currentBrightness, 55);
}

} // namespace
} // namespace lumivane
