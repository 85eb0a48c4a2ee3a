// Brightness after sleep, judged by what the simulated monitors receive and when: monitors wake
// at another brightness and some refuse DDC/CI for a few seconds. Each monitor in use before
// sleep gets its own value back once it answers, within a minute of the wake, unless the user
// changed it since.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "controller/MeteredMonitors.h"
#include "controller/SupervisionFixture.h"

namespace lumivane {
namespace {

const std::u16string kFirst = Pnp(u"SIM0001", u"1&UID1");
const std::u16string kSecond = Pnp(u"SIM0002", u"1&UID2");
constexpr uint64_t kSecondMs = 1000;
constexpr uint64_t kTwoHours = 2 * 3600 * kSecondMs;
constexpr int64_t kRescanGap = 3000; // between the rescans that look for a monitor still missing

class SleepTest : public SupervisionTest {
 protected:
  Platform ControllerPorts() override {
    Platform p = Ports();
    p.monitors = &scans;
    return p;
  }

  // The first monitor at 60 made active and stepped down to 55 by the wheel; a second one at
  // second (none when 0). Both hold their values before the computer sleeps.
  void StartAt55(uint32_t second = 0, bool sync = false) {
    first = AddMonitor(u"SIM0001", u"1&UID1", 60);
    if (second) this->second = AddMonitor(u"SIM0002", u"1&UID2", second);
    Start();
    controller->Form.SyncBox.SetChecked(sync);
    MakeActive(kFirst);
    Wheel(-1);
    for (int i = 0; i < 3; ++i)
      Pass();
    ASSERT_EQ(monitors.State(first).current, 55u);
  }
  // Two hours asleep; the monitors wake at 100, answering or not.
  void SleepAndWake(std::vector<std::pair<size_t, bool>> woken) {
    controller->PowerSuspend();
    clock.AdvanceMs(kTwoHours);
    for (const auto& [monitor, answering] : woken) {
      SimPhysicalMonitor m = monitors.State(monitor);
      m.current = 100;
      monitors.Update(monitor, m);
      Answering(monitor, answering);
    }
    wake = clock.LocalMs();
    controller->PowerResume();
  }
  void Answering(size_t monitor, bool answering) {
    SimPhysicalMonitor m = monitors.State(monitor);
    m.failEveryRead = m.failEveryWrite = !answering;
    monitors.Update(monitor, m);
  }
  // Forward time since the wake: a clock set back counts as standing still.
  int64_t SinceWake(uint64_t at) const {
    return static_cast<int64_t>(at) - static_cast<int64_t>(wake) +
           (at < wake ? static_cast<int64_t>(setBack) : 0);
  }
  // Passes until ms after the wake; each monitor listed answers again from its time on.
  void RunUntil(int64_t ms, std::vector<std::pair<size_t, int64_t>> answersFrom = {}) {
    while (SinceWake(clock.LocalMs()) < ms) {
      for (const auto& [monitor, from] : answersFrom)
        if (SinceWake(clock.LocalMs()) >= from) Answering(monitor, true);
      Pass();
    }
  }
  std::vector<SimMonitorConfig::Write> WritesSinceWake(size_t monitor) const {
    std::vector<SimMonitorConfig::Write> found;
    for (const auto& w : monitors.Writes())
      if (w.monitor == monitor && SinceWake(w.timeMs) >= 0) found.push_back(w);
    return found;
  }
  std::vector<uint32_t> ValuesSinceWake(size_t monitor) const {
    std::vector<uint32_t> values;
    for (const auto& w : WritesSinceWake(monitor))
      values.push_back(w.value);
    return values;
  }
  std::vector<int64_t> ScansSinceWake() const {
    std::vector<int64_t> times;
    for (uint64_t t : scans.Scans())
      if (SinceWake(t) >= 0) times.push_back(SinceWake(t));
    return times;
  }
  size_t LogLinesWith(const std::u16string& text) const {
    const auto lines = host.LogLines();
    return static_cast<size_t>(std::count_if(lines.begin(), lines.end(), [&](const std::u16string& l) {
      return l.find(text) != std::u16string::npos;
    }));
  }

  MeteredMonitors scans{monitors, clock_};
  size_t first = 0, second = 0;
  uint64_t wake = 0;
  uint64_t setBack = 0; // how far the clock was set back after the wake
};

// The monitor refuses every call for seven seconds after waking: the rescans that find no device
// cost nothing, and the first that finds it leads to the write.
struct LateCase {
  const char* what;
  uint64_t setBack; // the clock set back this far a second after the wake
};
void PrintTo(const LateCase& k, std::ostream* os) { *os << k.what; }
class LateMonitorTest : public SleepTest, public ::testing::WithParamInterface<LateCase> {};

TEST_P(LateMonitorTest, GetsItsValueBackOnceItAnswers) {
  setBack = GetParam().setBack;
  StartAt55();
  SleepAndWake({{first, false}});
  RunUntil(1000);
  if (setBack) clock.SetLocalMs(clock.LocalMs() - setBack);
  const int64_t answers = 7000;
  RunUntil(20000, {{first, answers}});

  const auto writes = WritesSinceWake(first);
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].value, 55u);
  EXPECT_GE(SinceWake(writes[0].timeMs), answers);
  EXPECT_LE(SinceWake(writes[0].timeMs), answers + kRescanGap + 500);
  EXPECT_EQ(monitors.State(first).current, 55u);
  EXPECT_EQ(controller->ShownBrightness, 55);
  EXPECT_EQ(LogLinesWith(u"] Resumed from sleep: device #1 has brightness 55 again"), 1u);

  // Rescans: one at the first pass after the wake, then one every three seconds while the monitor
  // is missing, and none once it is back.
  const std::vector<int64_t> times = ScansSinceWake();
  ASSERT_EQ(times.size(), 4u) << ::testing::PrintToString(times);
  EXPECT_LE(times[0], 300);
  for (size_t i = 1; i < times.size(); ++i) {
    EXPECT_GE(times[i] - times[i - 1], kRescanGap);
    EXPECT_LE(times[i] - times[i - 1], kRescanGap + 400);
  }
  EXPECT_LT(times[2], answers);
  EXPECT_GE(times[3], answers);
}

INSTANTIATE_TEST_SUITE_P(Sleep, LateMonitorTest,
                         ::testing::Values(LateCase{"clock runs on", 0},
                                           LateCase{"clock set back an hour", 3600 * kSecondMs}),
                         [](const auto& info) { return info.index == 0 ? "ClockRunsOn" : "ClockSetBack"; });

struct SyncCase {
  const char* what;
  bool sync;
  uint32_t secondBefore; // what the second monitor holds before sleep
  uint32_t secondAfterWheel;
};
void PrintTo(const SyncCase& k, std::ostream* os) { *os << k.what; }
class TwoMonitorTest : public SleepTest, public ::testing::WithParamInterface<SyncCase> {};

TEST_P(TwoMonitorTest, EachMonitorGetsItsOwnValueBack) {
  const SyncCase& k = GetParam();
  StartAt55(30, k.sync);
  ASSERT_EQ(monitors.State(second).current, k.secondBefore);
  SleepAndWake({{first, true}, {second, true}});
  RunUntil(3000);
  EXPECT_EQ(ValuesSinceWake(first), std::vector<uint32_t>{55});
  EXPECT_EQ(ValuesSinceWake(second), std::vector<uint32_t>{k.secondBefore});
  EXPECT_EQ(monitors.State(second).current, k.secondBefore);
  for (const auto& w : WritesSinceWake(second))
    EXPECT_LE(SinceWake(w.timeMs), 1000);
}

// The second monitor wakes late, so rescans go on after the first has its value back; a wheel
// step made in between stays. With synchronisation on, the late monitor follows that step.
TEST_P(TwoMonitorTest, AWheelStepAfterWakingIsNotUndone) {
  const SyncCase& k = GetParam();
  StartAt55(30, k.sync);
  SleepAndWake({{first, true}, {second, false}});
  RunUntil(1000);
  ASSERT_EQ(ValuesSinceWake(first), std::vector<uint32_t>{55});
  Wheel(1);
  RunUntil(12000, {{second, 5000}});
  EXPECT_EQ(ValuesSinceWake(first), (std::vector<uint32_t>{55, 60}));
  EXPECT_EQ(monitors.State(first).current, 60u);
  EXPECT_EQ(controller->ShownBrightness, 60);
  EXPECT_EQ(monitors.State(second).current, k.secondAfterWheel);
  EXPECT_EQ(ValuesSinceWake(second), std::vector<uint32_t>{k.secondAfterWheel});
}

INSTANTIATE_TEST_SUITE_P(Sleep, TwoMonitorTest,
                         ::testing::Values(SyncCase{"each on its own", false, 30, 30},
                                           SyncCase{"synchronised", true, 55, 60}),
                         [](const auto& info) { return info.param.sync ? "Synchronised" : "EachOnItsOwn"; });

TEST_F(SleepTest, NothingIsGivenBackAfterTheMinute) {
  StartAt55();
  SleepAndWake({{first, false}});
  RunUntil(65000);
  const std::vector<int64_t> times = ScansSinceWake();
  ASSERT_FALSE(times.empty());
  EXPECT_LE(times.back(), 60 * static_cast<int64_t>(kSecondMs));
  EXPECT_EQ(
      LogLinesWith(u"] Resumed from sleep: 1 device(s) did not get their brightness back within a minute"),
      1u);

  // It answers at last, and a display change brings it back as it is.
  Answering(first, true);
  controller->WMDisplayChange();
  RunUntil(70000);
  EXPECT_EQ(ScansSinceWake().size(), times.size() + 1);
  EXPECT_TRUE(Active(kFirst));
  EXPECT_EQ(ValuesSinceWake(first), std::vector<uint32_t>{});
  EXPECT_EQ(monitors.State(first).current, 100u);
  EXPECT_EQ(controller->ShownBrightness, 100);
}

// A notch turned while the monitor is still missing changes nothing, so it does not cost the
// monitor its value.
TEST_F(SleepTest, ANotchWhileTheMonitorIsMissingDoesNotCancelItsValue) {
  StartAt55();
  SleepAndWake({{first, false}});
  RunUntil(1000);
  Wheel(1);
  RunUntil(8000, {{first, 2000}});
  EXPECT_EQ(ValuesSinceWake(first), std::vector<uint32_t>{55});
  EXPECT_EQ(controller->ShownBrightness, 55);
}

// The notch comes just before the rescan that finds the monitor again, and is carried out from
// the value it woke with: that is the user's choice now, not undone by the value of before sleep.
TEST_F(SleepTest, ANotchAsTheMonitorReturnsIsKept) {
  StartAt55();
  SleepAndWake({{first, false}});
  RunUntil(2000);
  Answering(first, true);
  controller->WMDisplayChange();
  Wheel(-1);
  RunUntil(8000);
  EXPECT_EQ(ValuesSinceWake(first), std::vector<uint32_t>{95});
  EXPECT_EQ(controller->ShownBrightness, 95);
}

// A job still runs at the first passes after the wake, so the rescan waits: until it has run,
// the records hold what the monitor had before sleep, which must not pass for a value given back.
TEST_F(SleepTest, AJobInFlightAtTheWakeDoesNotPassForTheValueGivenBack) {
  StartAt55();
  SleepAndWake({{first, true}});
  controller->WorkerBusy = true;
  for (int i = 0; i < 2; ++i) {
    clock.AdvanceMs(100);
    host.FireTimer();
  }
  controller->WorkerBusy = false;
  RunUntil(3000);
  EXPECT_EQ(ValuesSinceWake(first), std::vector<uint32_t>{55});
  EXPECT_EQ(monitors.State(first).current, 55u);
  EXPECT_EQ(controller->ShownBrightness, 55);
}

// A rescan that read the monitors before the sleep and hands its table in after the wake is not
// the rescan after the wake: the monitor, which woke at 100, still gets its value back.
TEST_F(SleepTest, ARescanThatReadTheMonitorsBeforeTheSleepDoesNotPassForOneAfterTheWake) {
  StartAt55();
  const size_t handed = mainThread.SynchronizeCount();
  controller->RescanRequested = true;
  clock.AdvanceMs(2 * kSecondMs); // past the spacing after the last rescan
  host.FireTimer();
  for (int i = 0; i < 5000 && mainThread.SynchronizeCount() == handed; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_GT(mainThread.SynchronizeCount(), handed) << "the rescan read the monitors";
  SleepAndWake({{first, true}});
  ASSERT_TRUE(mainThread.PumpUntil([&] { return !controller->WorkerBusy; }));
  pool.Join();
  RunUntil(8000);
  EXPECT_EQ(ValuesSinceWake(first), std::vector<uint32_t>{55});
  EXPECT_EQ(monitors.State(first).current, 55u);
}

// The monitor answers at once but refuses writes for three seconds: it is disabled and found
// again on the way (supervision's usual course), and the value still reaches it once it takes
// writes.
TEST_F(SleepTest, MonitorThatRefusesWritesAtFirstGetsItsValueOnceItTakesThem) {
  StartAt55();
  SleepAndWake({{first, true}});
  SetLocked(first, true);
  RunUntil(3000);
  EXPECT_EQ(ValuesSinceWake(first), std::vector<uint32_t>{});
  SetLocked(first, false);
  RunUntil(20000);
  EXPECT_EQ(ValuesSinceWake(first), std::vector<uint32_t>{55});
  EXPECT_EQ(monitors.State(first).current, 55u);
  EXPECT_EQ(controller->ShownBrightness, 55);
}

} // namespace
} // namespace lumivane
