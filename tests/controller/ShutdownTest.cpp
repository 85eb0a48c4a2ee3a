// Exit, restart and the session and shell events, driven as the window delivers them.
#include "controller/ControllerFixture.h"
#include "controller/SupervisionFixture.h"

namespace lumivane {
namespace {

using Launch = SimProcessServices::Launch;
const std::u16string kExe = u"C:\\Program Files\\Lumivane\\lumivane.exe";
const std::u16string kFolder = u"C:\\Program Files\\Lumivane";

class ShutdownTest : public ControllerTest {
 protected:
  ShutdownTest() {
    app.process.SetExecutablePath(kExe);
    Pass(); // the icon is shown at the end of the first pass
  }
};

TEST_F(ShutdownTest, ClosingTheSettingsWindowWhileRunningOnlyHidesIt) {
  EXPECT_FALSE(c().FormClose());
  EXPECT_EQ(app.host.HideCount(), 1);
  EXPECT_TRUE(c().Root);
  EXPECT_TRUE(app.tray.IsVisible());
  EXPECT_TRUE(Pass());
}

TEST_F(ShutdownTest, RestartReleasesEverythingThenStartsTheNewCopyInItsFolder) {
  c().Restart();
  c().Exiter(); // the first request wins
  Pass();
  ASSERT_TRUE(app.host.Closed());
  EXPECT_FALSE(c().Root);
  EXPECT_FALSE(app.tray.IsVisible());
  EXPECT_EQ(app.host.ComUninitCount(), 1);
  EXPECT_EQ(app.process.Launches(), (std::vector<Launch>{{kExe, kFolder}}));
  // A second close (the destroy after the close) neither releases nor launches again.
  EXPECT_TRUE(c().FormClose());
  EXPECT_EQ(app.process.Launches().size(), 1u);
  EXPECT_EQ(app.host.ComUninitCount(), 1);
}

TEST_F(ShutdownTest, WhatEndsTheProgramAndWhetherACopyStarts) {
  struct Case {
    const char* name;
    void (*act)(SimProcess&);
    size_t launches;
  };
  const Case cases[] = {
      {"exit", [](SimProcess& p) { p.controller.Exiter(); }, 0},
      {"exit after restart", [](SimProcess& p) { p.controller.Restart(), p.controller.Exiter(); }, 1},
      {"restart after exit", [](SimProcess& p) { p.controller.Exiter(), p.controller.Restart(); }, 0},
      {"session end during a pending restart",
       [](SimProcess& p) {
         p.controller.Restart();
         EXPECT_TRUE(p.controller.WMQueryEndSession());
         p.controller.WMEndSession(true);
       },
       0},
      {"end of session alone", [](SimProcess& p) { p.controller.WMEndSession(true); }, 0},
      {"restart with the executable's folder gone",
       [](SimProcess& p) { p.process.RemoveFolder(kFolder), p.controller.Restart(); }, 0},
      {"restart when the copy cannot start",
       [](SimProcess& p) { p.process.FailLaunches(true), p.controller.Restart(); }, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    SimMachine own(&clock); // the fixture's process holds the single-instance mutex
    SimProcess p(clock, own);
    p.process.SetExecutablePath(kExe);
    StartProcess(p);
    k.act(p);
    for (int i = 0; i < 3 && !p.host.Closed(); ++i) {
      clock.AdvanceMs(100);
      p.host.FireTimer();
    }
    EXPECT_TRUE(p.host.Closed());
    EXPECT_FALSE(p.controller.Root);
    EXPECT_EQ(p.process.Launches().size(), k.launches);
  }
}

// However the end was asked for, a job still writing the monitors holds it off: the passes keep
// coming and do nothing else (a notch waits), a close from outside is refused, and the first pass
// after the job closes the form once.
TEST_F(ShutdownTest, TheEndWaitsForARunningJob) {
  struct Case {
    const char* name;
    void (*ask)(TController&);
    bool closeFromOutside;
    size_t launches;
  };
  const Case cases[] = {
      {"exit", [](TController& c) { c.Exiter(); }, false, 0},
      {"exit, then a close from outside", [](TController& c) { c.Exiter(); }, true, 0},
      {"restart", [](TController& c) { c.Restart(); }, false, 1},
      {"end of session",
       [](TController& c) {
         EXPECT_TRUE(c.WMQueryEndSession());
         c.WMEndSession(true);
       },
       true, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    SimMachine own(&clock);
    SimProcess p(clock, own);
    p.process.SetExecutablePath(kExe);
    StartProcess(p);
    TController& c = p.controller;
    TAssoc& record = c.Root->Items(u"devices").Items(kUid);
    record[u"number"] = Variant(u"1");
    record[u"active"] = Variant(u"true");
    c.ActiveDevice = kUid;
    c.ValueChange(50, false);
    auto pass = [&] {
      clock.AdvanceMs(100);
      return p.host.FireTimer();
    };

    c.WorkerBusy = true;
    k.ask(c);
    c.Root->Items(u"cmd").Items(Variant(c.NowUnixMs())).Items(u"s") = Variant::Narrow(1);
    for (int n = 0; n < 3; ++n) {
      ASSERT_TRUE(pass());
      EXPECT_TRUE(p.host.TimerEnabled());
      EXPECT_FALSE(p.host.Closed());
      if (k.closeFromOutside) EXPECT_FALSE(c.FormClose()); // the job reports into the table
      EXPECT_TRUE(c.Root);
    }
    EXPECT_EQ(c.ShownBrightness, 50);
    EXPECT_EQ(p.tray.Adds(), 0);

    c.WorkerBusy = false;
    const int enables = p.host.TimerEnableCount();
    ASSERT_TRUE(pass());
    EXPECT_TRUE(p.host.Closed());
    EXPECT_EQ(p.host.TimerEnableCount(), enables);
    EXPECT_FALSE(c.Root);
    EXPECT_EQ(p.process.Launches().size(), k.launches);
    EXPECT_FALSE(pass());
  }
}

TEST_F(ShutdownTest, DisplayChangeRescansWhileRunningAndIsIgnoredDuringShutdown) {
  c().WMDisplayChange();
  EXPECT_TRUE(c().RescanRequested);
  Pass();
  EXPECT_FALSE(c().RescanRequested);
  c().Exiter();
  c().WMDisplayChange();
  EXPECT_FALSE(c().RescanRequested);
}

TEST_F(ShutdownTest, TaskbarCreatedBringsTheIconBackWithItsImage) {
  ActiveDevice(40);
  const auto image = app.tray.Current();
  app.tray.RestartShell();
  c().TaskbarCreated();
  EXPECT_TRUE(app.tray.InShell());
  EXPECT_EQ(app.tray.Refreshes(), 1);
  EXPECT_EQ(app.tray.Current(), image);
  // A hidden icon stays out of the new notification area.
  c().Exiter();
  Pass();
  app.tray.RestartShell();
  c().TaskbarCreated();
  EXPECT_FALSE(app.tray.InShell());
}

// Windows asks first and may then call the end off (another program refuses, or the user
// cancels): the program answers with consent and runs on, the wheel over its icon still reaching
// the monitor. When the session does end, the program ends.
class SessionEndTest : public SupervisionTest {};

TEST_F(SessionEndTest, ACancelledEndOfSessionLeavesItRunning) {
  const size_t monitor = AddMonitor(u"SIM0001", u"1&UID1", 40);
  Start();
  MakeActive(Pnp(u"SIM0001", u"1&UID1"));
  Pass();
  EXPECT_TRUE(controller->WMQueryEndSession());
  Pass();
  controller->WMEndSession(false);
  for (int i = 0; i < 3; ++i)
    Pass();
  EXPECT_FALSE(host.Closed());
  EXPECT_TRUE(tray.IsVisible());

  tray.SetIconRect({1000, 700, 16, 16});
  mouseHook.SetCursor({1008, 708});
  controller->TrayIcon1MouseMove();
  clock.AdvanceMs(1);
  EXPECT_EQ(mouseHook.Wheel(120), IMouseHook::Verdict::Swallow);
  Pass();
  Pass();
  EXPECT_EQ(WritesTo(monitor), std::vector<uint32_t>{45});
  EXPECT_EQ(monitors.State(monitor).current, 45u);

  EXPECT_TRUE(controller->WMQueryEndSession());
  controller->WMEndSession(true);
  Pass();
  EXPECT_TRUE(host.Closed());
}

} // namespace
} // namespace lumivane
