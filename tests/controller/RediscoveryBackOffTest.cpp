// A monitor that answers reads but refuses every write (a locked picture mode) with
// synchronisation on: it is disabled, found again by the rescan, and disabled again. After the
// first time, it waits longer each time before a rescan may bring it back, while the other
// monitor keeps following the wheel.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <iostream>
#include <mutex>
#include <thread>
#include <vector>

#include "controller/MeteredMonitors.h"
#include "controller/SupervisionFixture.h"

namespace lumivane {
namespace {

const std::u16string kGood = Pnp(u"SIM0001", u"1&UID1");
const std::u16string kLocked = Pnp(u"SIM0002", u"1&UID2");
constexpr uint64_t kSecond = 1000;
constexpr uint64_t kMaxWait = 300 * kSecond;

class BackOffTest : public SupervisionTest {
 protected:
  Platform ControllerPorts() override {
    Platform p = Ports();
    p.monitors = &metered;
    return p;
  }

  // Both monitors found, synchronisation on, the good one active and both up to date.
  void StartTwo() {
    good = AddMonitor(u"SIM0001", u"1&UID1", 60);
    locked = AddMonitor(u"SIM0002", u"1&UID2", 40);
    Start();
    controller->Form.SyncBox.SetChecked(true);
    MakeActive(kGood);
    for (int i = 0; i < 3; ++i)
      Pass();
  }
  // Counts as it goes: an hour of the old cycle writes tens of thousands of lines.
  size_t DisableLines() {
    for (const std::u16string& line : host.LogLinesFrom(scannedLines)) {
      ++scannedLines;
      if (line.find(u"stopped responding and was disabled") != std::u16string::npos) ++disableLines;
    }
    return disableLines;
  }
  // Passes until the locked monitor has been disabled once more; false if that takes an hour.
  bool UntilDisabled() {
    const size_t before = DisableLines();
    for (int n = 0; n < 36000; ++n) {
      Pass();
      if (DisableLines() > before) return true;
    }
    return false;
  }
  // Passes until the monitor is active again; the simulated time that took, or kMaxWait * 2.
  uint64_t UntilBack(const std::u16string& pnp) {
    const uint64_t from = clock.LocalMs();
    while (!Active(pnp) && clock.LocalMs() - from < 2 * kMaxWait)
      Pass();
    return clock.LocalMs() - from;
  }

  MeteredMonitors metered{monitors, clock_};
  size_t good = 0, locked = 0;
  size_t scannedLines = 0, disableLines = 0;
};

TEST_F(BackOffTest, LockedMonitorOverAnHourWaitsLongerEachTimeAndTheOtherKeepsWorking) {
  monitors.SetLatencyMs(40);
  StartTwo();
  const size_t lines = host.LogLines().size();
  const size_t jobs = pool.Started();
  const size_t scans = metered.Scans().size();
  const size_t mainCalls = metered.MainThreadCalls();
  SetLocked(locked, true);

  const uint64_t start = clock.LocalMs();
  size_t passes = 0;
  std::vector<uint64_t> disabled; // when the pass that disabled the locked monitor began
  while (clock.LocalMs() - start < 3600 * kSecond) {
    if (passes % 50 == 0) Wheel(passes / 50 % 2 ? -1 : 1); // a notch every five seconds
    const size_t before = DisableLines();
    const uint64_t began = clock.LocalMs();
    Pass();
    ++passes;
    ASSERT_EQ(controller->Root->Items(u"devices").Count(), 2) << passes; // held back, not dropped
    ASSERT_TRUE(Active(kGood)) << passes;
    if (DisableLines() > before) disabled.push_back(began);
  }
  for (int i = 0; i < 3; ++i)
    Pass();

  const std::vector<uint64_t> all = metered.Scans();
  const std::vector<uint64_t> rescans(all.begin() + static_cast<std::ptrdiff_t>(scans), all.end());
  // From each disable to the rescan that may bring the monitor back.
  std::vector<uint64_t> waits;
  for (uint64_t d : disabled) {
    const auto next = std::lower_bound(rescans.begin(), rescans.end(), d);
    if (next != rescans.end()) waits.push_back(*next - d);
  }
  const size_t logLines = host.LogLinesFrom(lines).size();
  const size_t ddcMain = metered.MainThreadCalls() - mainCalls;
  std::cout << "[ hour ] passes " << passes << ", jobs " << pool.Started() - jobs << ", rescans "
            << rescans.size() << ", disables " << disabled.size() << ", log lines " << logLines
            << ", main-thread DDC/CI calls " << ddcMain << " (" << ddcMain * 40 / 1000.0
            << " s), waits in s:";
  for (size_t i = 0; i < waits.size() && i < 20; ++i)
    std::cout << ' ' << waits[i] / 100 / 10.0;
  std::cout << '\n';

  EXPECT_GE(disabled.size(), 5u);
  EXPECT_LE(disabled.size(), 30u);
  EXPECT_LE(rescans.size(), disabled.size());
  EXPECT_LE(logLines, 8 * disabled.size());
  EXPECT_LE(ddcMain * 40, 60 * kSecond);
  // The first rescan comes at once; then the waits double up to five minutes.
  ASSERT_GE(waits.size(), 4u);
  EXPECT_LT(waits[0], kSecond);
  EXPECT_GE(waits[1], 3 * kSecond);
  for (size_t i = 2; i < waits.size(); ++i) {
    EXPECT_GE(waits[i] + kSecond, std::min(waits[i - 1] * 2, kMaxWait)) << i;
    EXPECT_LE(waits[i], kMaxWait + kSecond) << i;
  }
  EXPECT_GE(waits.back() + kSecond, kMaxWait);
  // The working monitor followed every notch.
  EXPECT_EQ(controller->ActiveDevice, DeviceUid(kGood));
  EXPECT_EQ(monitors.State(good).current, static_cast<uint32_t>(controller->ShownBrightness));
  EXPECT_GE(WritesTo(good).size(), 700u);
}

TEST_F(BackOffTest, MonitorThatTakesWritesAgainComesBackWithinTheWait) {
  StartTwo();
  SetLocked(locked, true);
  Wheel(1);
  for (int n = 0; n < 4; ++n)
    ASSERT_TRUE(UntilDisabled()) << n;
  // Now held back; a rescan for another reason keeps it inactive in the table.
  ASSERT_FALSE(Active(kLocked));
  controller->RescanRequested = true;
  Pass();
  EXPECT_TRUE(controller->Root->Items(u"devices").IsSet(DeviceUid(kLocked)));
  EXPECT_FALSE(Active(kLocked));
  EXPECT_TRUE(Active(kGood));

  // Nor does setting the clock back an hour stretch the wait.
  clock.SetLocalMs(clock.LocalMs() - 3600 * kSecond);
  SetLocked(locked, false);
  EXPECT_LE(UntilBack(kLocked), 40 * kSecond);
  for (int i = 0; i < 3; ++i)
    Pass();
  EXPECT_EQ(monitors.State(locked).current, 65u);

  // Ten good minutes later a new failure is rescanned at once, and the waits start over.
  const size_t disables = DisableLines();
  for (int i = 0; i < 6000; ++i)
    Pass();
  EXPECT_EQ(DisableLines(), disables);
  SetLocked(locked, true);
  Wheel(-1);
  ASSERT_TRUE(UntilDisabled());
  EXPECT_TRUE(Active(kLocked));
  ASSERT_TRUE(UntilDisabled());
  EXPECT_FALSE(Active(kLocked));
  SetLocked(locked, false);
  EXPECT_LE(UntilBack(kLocked), 6 * kSecond);
}

} // namespace
} // namespace lumivane
