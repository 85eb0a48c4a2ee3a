// A wheel notch over the icon is carried out by a pass that runs as soon as the hook has
// returned, not at the next tick: the monitor takes the value in the notch's own millisecond.
#include <gtest/gtest.h>

#include <vector>

#include "controller/SupervisionFixture.h"

namespace lumivane {
namespace {

using Verdict = IMouseHook::Verdict;

// One monitor at 50, active; the pointer rests on the icon at 1000,700 (16 x 16).
class WheelPassTest : public SupervisionTest {
 protected:
  explicit WheelPassTest(SimThreadPool::Mode mode = SimThreadPool::Mode::Threads) : SupervisionTest(mode) {
    monitor = AddMonitor(u"SIM0001", u"1&UID1", 50);
    Start();
    MakeActive(Pnp(u"SIM0001", u"1&UID1"));
    tray.SetIconRect({1000, 700, 16, 16});
    mouseHook.SetCursor({1008, 708});
    controller->TrayIcon1MouseMove();
  }

  // The message loop once the hook has returned: the requested pass, if one is pending.
  bool Loop() { return host.DeliverPass(); }
  void Settle() {
    ASSERT_TRUE(mainThread.PumpUntil([&] { return !controller->WorkerBusy; }));
    pool.Join();
  }
  Verdict Notch(int delta) {
    clock.AdvanceMs(1);
    return mouseHook.Wheel(delta);
  }
  int PassesRun() const { return host.TimerEnableCount(); } // every pass enables the timer at its end

  size_t monitor = 0;
};

TEST_F(WheelPassTest, ANotchReachesTheMonitorWithoutWaitingForTheNextTick) {
  Pass();
  Pass();
  ASSERT_TRUE(WritesTo(monitor).empty());
  clock.AdvanceMs(30); // between two ticks
  ASSERT_EQ(Notch(-120), Verdict::Swallow);
  const uint64_t notchAt = clock.LocalMs();
  EXPECT_TRUE(monitors.Writes().empty()); // nothing inside the hook itself
  ASSERT_TRUE(Loop());
  Settle();
  ASSERT_EQ(WritesTo(monitor), std::vector<uint32_t>{45});
  EXPECT_EQ(monitors.Writes().back().timeMs, notchAt);
  EXPECT_EQ(controller->ShownBrightness, 45);
}

TEST_F(WheelPassTest, NotchesBeforeTheLoopRunsAreOneExtraPass) {
  Pass();
  const int passes = PassesRun();
  for (int i = 0; i < 5; ++i)
    ASSERT_EQ(Notch(-120), Verdict::Swallow);
  ASSERT_TRUE(Loop());
  EXPECT_FALSE(Loop()); // used up: no second pass
  Settle();
  EXPECT_EQ(PassesRun(), passes + 1);
  EXPECT_EQ(WritesTo(monitor), std::vector<uint32_t>{25});
  // Two notches in one millisecond are still one step.
  clock.AdvanceMs(1);
  mouseHook.Wheel(120);
  mouseHook.Wheel(120);
  ASSERT_TRUE(Loop());
  EXPECT_FALSE(Loop());
  Settle();
  EXPECT_EQ(WritesTo(monitor), (std::vector<uint32_t>{25, 30}));
}

TEST_F(WheelPassTest, TheTimerKeepsItsRhythm) {
  // Idle passes ask for no extra pass.
  for (int i = 0; i < 5; ++i)
    Pass();
  EXPECT_FALSE(host.PassPending());
  clock.AdvanceMs(10); // just after a tick
  Notch(120);
  ASSERT_TRUE(Loop());
  Settle();
  const int passes = PassesRun();
  // Timer1's tick right after the requested pass runs none; the one a whole interval later does.
  clock.AdvanceMs(20);
  host.FireTimer();
  EXPECT_EQ(PassesRun(), passes);
  clock.AdvanceMs(80);
  host.FireTimer();
  EXPECT_EQ(PassesRun(), passes + 1);
  // Settled: the ticks after it find nothing to do and leave the timer alone.
  for (int i = 0; i < 3; ++i)
    Pass();
  EXPECT_EQ(PassesRun(), passes + 1);
  EXPECT_EQ(WritesTo(monitor), std::vector<uint32_t>{55});
}

TEST_F(WheelPassTest, ARequestWhileThePassIsOffRunsNothing) {
  Pass();
  Notch(120);
  // The window is gone by the time the loop gets to the request.
  controller->Exiter();
  Pass(); // the closing pass
  ASSERT_TRUE(host.Closed());
  EXPECT_FALSE(Loop());
}

class WheelPassBusyTest : public WheelPassTest {
 protected:
  WheelPassBusyTest() : WheelPassTest(SimThreadPool::Mode::Manual) {}
  // The waiting job runs, and its main-thread steps after it.
  void RunJob() {
    ASSERT_TRUE(pool.RunNext());
    ASSERT_TRUE(mainThread.PumpUntil([&] { return !controller->WorkerBusy; }));
  }
};

TEST_F(WheelPassBusyTest, ABusyWorkerStillQueuesTheNotch) {
  clock.AdvanceMs(100);
  host.FireTimer();
  while (pool.Pending() > 0)
    RunJob();
  const size_t jobs = pool.Started();
  const size_t written = WritesTo(monitor).size();
  Notch(-120);
  ASSERT_TRUE(Loop());
  ASSERT_EQ(pool.Started(), jobs + 1); // the job for 45 waits to run
  Notch(-120);
  ASSERT_TRUE(Loop());
  EXPECT_EQ(controller->ShownBrightness, 40);
  EXPECT_EQ(pool.Started(), jobs + 1); // no second job while the first is busy
  RunJob();
  EXPECT_EQ(WritesTo(monitor).size(), written + 1);
  EXPECT_EQ(WritesTo(monitor).back(), 45u);
  // The queued step goes out with the next pass once the worker is free.
  clock.AdvanceMs(100);
  host.FireTimer();
  ASSERT_EQ(pool.Started(), jobs + 2);
  RunJob();
  EXPECT_EQ(WritesTo(monitor).size(), written + 2);
  EXPECT_EQ(WritesTo(monitor).back(), 40u);
}

} // namespace
} // namespace lumivane
