// Exit, restart and the session and shell events, driven as the window delivers them.
#include "controller/ControllerFixture.h"

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
    p.controller.Startup();
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

TEST_F(ShutdownTest, ACancelledEndOfSessionLeavesItRunning) {
  c().WMEndSession(false);
  EXPECT_EQ(c().RunState, 1);
  EXPECT_TRUE(Pass());
  EXPECT_FALSE(app.host.Closed());
}

TEST_F(ShutdownTest, CloseWaitsForARunningJob) {
  c().Exiter();
  c().WorkerBusy = true;
  EXPECT_FALSE(c().FormClose()); // a close from outside while the job reports into the table
  EXPECT_TRUE(c().Root);
  Pass();
  EXPECT_FALSE(app.host.Closed());
  c().WorkerBusy = false;
  Pass();
  EXPECT_TRUE(app.host.Closed());
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

TEST_F(ShutdownTest, ResumeRescansAtOnceAndAgainAFewSecondsLater) {
  c().ShownBrightness = 40;
  c().PowerSuspend();
  c().PowerResume();
  EXPECT_TRUE(c().RescanRequested);
  Pass();
  EXPECT_FALSE(c().RescanRequested);
  for (int i = 0; i < 45; ++i) {
    Pass();
    ASSERT_FALSE(c().RescanRequested) << "pass " << i;
  }
  clock.AdvanceMs(500);
  c().Timer1Timer();
  EXPECT_EQ(c().ResumeRescanAtMs, 0u);
  // A clock set back by an hour does not hold the second rescan off for an hour.
  c().PowerResume();
  Pass();
  clock.SetLocalMs(clock.LocalMs() - 3600 * 1000);
  Pass();
  EXPECT_EQ(c().ResumeRescanAtMs, 0u);
}

} // namespace
} // namespace lumivane
