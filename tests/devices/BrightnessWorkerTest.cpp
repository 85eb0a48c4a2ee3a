// The brightness worker on a real pool thread with the main thread pumped by the test: writes,
// reports, synchronisation over two jobs, level snapping, failures and the release of
// WorkerBusy whatever happens.
#include "devices/BrightnessWorker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <limits>
#include <optional>
#include <thread>

#include "DeviceTestEnv.h"
#include "MeteredMonitors.h"
#include "platform/sim/SimThreads.h"

namespace lumivane {
namespace {

constexpr uint64_t s1 = 1767225600000, s2 = s1 + 140;
const std::u16string kPanel = u"DISPLAY\\LEN40A9\\4&2e&0&UID1_0";

class BrightnessWorker : public testing::Test {
 protected:
  // A, B, E: DDC/CI monitors; P: a panel with levels 0..100 in steps of 25; D: inactive.
  void SetUp() override {
    t.wmi.Add(SimWmiMonitor::Panel(kPanel, 50, {0, 25, 50, 75, 100}));
    t.AddDesktop({{u"LEN40A9", u"4&2e&0&UID1"}}, {SimPhysicalMonitor{}});
    SimPhysicalMonitor monitor;
    monitor.current = 50;
    t.AddDesktop(
        {{u"AAA0001", u"1&UID2"}, {u"BBB0001", u"1&UID3"}, {u"EEE0001", u"1&UID4"}, {u"DDD0001", u"1&UID5"}},
        {monitor, monitor, monitor, monitor});
    t.Discover();
    ASSERT_EQ(t.devices.Count(), 5);
    for (const Variant& uid : t.devices.Keys())
      t.devices[uid][u"counter"] = Variant(s1);
    Record(D)[u"active"] = Variant(false);
  }

  TAssoc& Record(const std::u16string& uid) { return t.devices[uid]; }

  BrightnessJob JobFor(const std::u16string& uid, int32_t brightness, uint64_t newest, bool sync) {
    TAssoc& r = Record(uid);
    BrightnessJob job;
    job.MonitorHash = uid;
    job.number = RecordText(r, u"number");
    job.monid = static_cast<uint32_t>(RecordUInt(r, u"monid"));
    job.IsInternal = RecordBool(r, u"internal");
    job.IsActive = RecordBool(r, u"active");
    job.Brightness = brightness;
    job.SyncFlag = sync;
    job.CurrCounter = newest;
    job.CurrBrightness = static_cast<int32_t>(RecordInt(r, u"brightness"));
    job.MyCounter = RecordUInt(r, u"counter");
    job.dvs = sync ? t.devices.JSONDump() : std::u16string();
    return job;
  }

  // As the main timer does: WorkerBusy, the job on a pool thread, then the timer goes on pumping.
  void Run(const BrightnessJob& job) {
    busy = true;
    pool.Run(SetBrightness(worker, job));
    ASSERT_TRUE(main.PumpUntil([&] { return !busy; }));
    pool.Join();
  }

  int64_t Brightness(const std::u16string& uid) { return RecordInt(Record(uid), u"brightness"); }
  uint64_t Counter(const std::u16string& uid) { return RecordUInt(Record(uid), u"counter"); }
  int64_t Errors(const std::u16string& uid) { return RecordInt(Record(uid), u"errors"); }
  size_t WritesTo(size_t monitor) {
    size_t n = 0;
    for (const auto& w : t.monitors.Writes())
      n += w.monitor == monitor;
    return n;
  }

  DeviceTestEnv t;
  SimMainThread main;
  SimThreadPool pool{SimThreadPool::Mode::Threads};
  bool busy = false;
  TAssoc* live = &t.devices;
  WorkerEnv worker{t.env.ports, main, [this] { return live; }, [this] { busy = false; }};

  const std::u16string P = DeviceUid(kPanel);
  const std::u16string A = DeviceUid(u"DISPLAY\\AAA0001\\1&UID2");
  const std::u16string B = DeviceUid(u"DISPLAY\\BBB0001\\1&UID3");
  const std::u16string E = DeviceUid(u"DISPLAY\\EEE0001\\1&UID4");
  const std::u16string D = DeviceUid(u"DISPLAY\\DDD0001\\1&UID5");
  // SimMonitorConfig ids in the order added: the panel's physical monitor first.
  static constexpr size_t kA = 1, kB = 2, kE = 3, kD = 4;
};

TEST_F(BrightnessWorker, SynchronisedDevicesConvergeOverTwoJobs) {
  Record(E)[u"counter"] = Variant(uint64_t{s1 - 500}); // an older stamp than everyone else's

  Run(JobFor(A, 60, s2, true));
  EXPECT_EQ(Counter(A), s2);
  EXPECT_EQ(Brightness(A), 60);
  EXPECT_EQ(Counter(B), s1); // held MyCounter: left for the next job
  EXPECT_EQ(Brightness(B), 50);
  EXPECT_EQ(Counter(E), s1); // older stamp: written now and stamped s1
  EXPECT_EQ(Brightness(E), 60);
  EXPECT_EQ(Counter(P), s1);

  Run(JobFor(A, 60, s2, true));
  for (const auto& uid : {A, B, E, P})
    EXPECT_EQ(Counter(uid), s2);
  EXPECT_EQ(Brightness(B), 60);
  EXPECT_EQ(Brightness(P), 75); // snapped up to a level the panel accepts
  EXPECT_EQ(t.wmi.State(0).currentBrightness, 75);
  EXPECT_EQ(Counter(D), s1); // inactive: never touched
  EXPECT_EQ(WritesTo(kA), 1u);
  EXPECT_EQ(WritesTo(kB), 1u);
  EXPECT_EQ(WritesTo(kE), 1u);
  EXPECT_EQ(WritesTo(kD), 0u);
  EXPECT_EQ(t.clock.TotalSleptMs(), 500u); // after the one WMI write
  EXPECT_TRUE(t.log.Lines().empty());
}

TEST_F(BrightnessWorker, MonitorsAndPanelsAreWrittenOnTheWorker) {
  Run(JobFor(A, 60, s2, true));
  Run(JobFor(A, 60, s2, true));
  const auto mainId = std::this_thread::get_id();
  ASSERT_FALSE(t.monitors.Writes().empty());
  for (const auto& w : t.monitors.Writes())
    EXPECT_NE(w.thread, mainId);
  ASSERT_EQ(t.wmi.MethodCalls().size(), 1u);
  EXPECT_NE(t.wmi.MethodCalls()[0].thread, mainId);
}

TEST_F(BrightnessWorker, TargetsAreClampedToTheirRangeAndSnappedToTheirLevels) {
  struct Case {
    const char* what;
    bool panel;
    int64_t min, max;
    int32_t active;
    int64_t written;
  };
  const Case cases[] = {
      {"next level up", true, 0, 100, 60, 75},
      {"no level up to max: the nearest below", true, 0, 70, 60, 50},
      {"a level as it is", true, 0, 100, 50, 50},
      {"lowered to max", false, 20, 80, 95, 80},
      {"raised to min", false, 20, 80, 5, 20},
      {"min above max: min wins", false, 90, 80, 95, 90},
  };
  for (const Case& c : cases) {
    const std::u16string target = c.panel ? P : B;
    TAssoc& r = Record(target);
    r[u"min"] = Variant(DecimalText(c.min));
    r[u"max"] = Variant(DecimalText(c.max));
    r[u"brightness"] = Variant(u"1");
    r[u"counter"] = Variant(uint64_t{1});
    // A is up to date with the newest command; only the synchronisation writes.
    Record(A)[u"brightness"] = Variant(c.active);
    Run(JobFor(A, c.active, s1, true));
    EXPECT_EQ(Brightness(target), c.written) << c.what;
    if (c.panel)
      EXPECT_EQ(t.wmi.State(0).currentBrightness, c.written) << c.what;
    else
      EXPECT_EQ(t.monitors.State(kB).current, c.written) << c.what;
  }
}

TEST_F(BrightnessWorker, AFailedTargetIsCountedAndRetriedByTheNextJob) {
  auto broken = t.monitors.State(kB);
  broken.failEveryWrite = true;
  t.monitors.Update(kB, broken);
  Record(B)[u"counter"] = Variant(uint64_t{1});

  Run(JobFor(A, 60, s2, true));
  EXPECT_EQ(Errors(B), 1);
  EXPECT_EQ(Counter(B), 1u);
  EXPECT_EQ(Brightness(B), 50);
  EXPECT_EQ(t.log.Lines(),
            std::vector<std::string>{
                "[12:00:00] ERROR! Device #3 failed to set monitor brightness: An error occurred while "
                "transmitting data to the device on the I2C bus."});

  broken.failEveryWrite = false;
  t.monitors.Update(kB, broken);
  Run(JobFor(A, 60, s2, true));
  EXPECT_EQ(Errors(B), 0);
  EXPECT_EQ(Counter(B), s2);
  EXPECT_EQ(t.monitors.State(kB).current, 60u);
}

// The targets follow a value the job device holds: when its write fails, none is written.
TEST_F(BrightnessWorker, AFailedJobDeviceIsCountedAndStopsTheSynchronisation) {
  auto broken = t.monitors.State(kA);
  broken.failEveryWrite = true;
  t.monitors.Update(kA, broken);
  Record(B)[u"counter"] = Variant(uint64_t{1});
  Run(JobFor(A, 60, s2, true));
  Run(JobFor(A, 60, s2, true));
  EXPECT_EQ(Errors(A), 2); // the text "0" of discovery counted on
  EXPECT_EQ(Counter(A), s1);
  EXPECT_EQ(Counter(B), 1u);
  EXPECT_TRUE(t.monitors.Writes().empty());
}

TEST_F(BrightnessWorker, AnInternalJobDeviceIsWrittenOverWmi) {
  Run(JobFor(P, 25, s2, false));
  EXPECT_EQ(t.wmi.State(0).currentBrightness, 25);
  EXPECT_EQ(Brightness(P), 25);
  EXPECT_EQ(Counter(P), s2);
  EXPECT_EQ(t.clock.TotalSleptMs(), 500u);
}

TEST_F(BrightnessWorker, JobsWithNothingToDoOnlyReleaseTheWorker) {
  struct Case {
    const char* what;
    std::function<BrightnessJob()> job;
  };
  const Case cases[] = {
      {"up to date, no synchronisation", [&] { return JobFor(A, 60, s1, false); }},
      {"inactive job device", [&] { return JobFor(D, 60, s2, true); }},
  };
  for (const Case& c : cases) {
    const std::u16string before = t.devices.JSONDump();
    Run(c.job());
    EXPECT_EQ(t.devices.JSONDump(), before) << c.what;
    EXPECT_TRUE(t.monitors.Writes().empty()) << c.what;
    EXPECT_TRUE(t.wmi.MethodCalls().empty()) << c.what;
  }
}

TEST_F(BrightnessWorker, ADeviceAlreadyAtTheValueIsStampedWithoutAWrite) {
  Record(B)[u"counter"] = Variant(uint64_t{1});
  BrightnessJob job = JobFor(A, 50, s2, true);
  job.dvs.clear(); // an empty table text synchronises nothing
  Run(job);
  EXPECT_TRUE(t.monitors.Writes().empty());
  EXPECT_EQ(Counter(A), s2);
  EXPECT_EQ(Errors(A), 0);
  EXPECT_EQ(Record(A)[u"brightness"].Val().Kind(), vkInteger);
  EXPECT_EQ(Counter(B), 1u);
}

// A job that meets an error the writers do not turn into a false result ends with a line of its
// own and still releases the worker. Each case runs on a fixture of its own, so that a case
// that logs nothing cannot pass on the line of another.
class UnexpectedError : public BrightnessWorker, public testing::WithParamInterface<size_t> {
 protected:
  struct Case {
    const char* what;
    std::function<BrightnessJob()> job;
    std::string line;
  };
  std::vector<Case> Cases() {
    return {
        {"snapshot value that is not a number",
         [&] {
           Record(B)[u"counter"] = Variant(u"soon");
           return JobFor(A, 60, s2, true);
         },
         "[12:00:00] ERROR! Brightness job for device #3 ended early: Could not convert variant \"soon\" of "
         "type (UString) into type (UInt64)"},
        {"live value that is not a number (report on the main thread)",
         [&] {
           auto broken = t.monitors.State(kA);
           broken.failEveryWrite = true;
           t.monitors.Update(kA, broken);
           Record(A)[u"errors"] = Variant(u"many");
           return JobFor(A, 60, s2, false);
         },
         "[12:00:00] ERROR! Brightness job for device #2 ended early: Could not convert variant \"many\" of "
         "type (UString) into type (Int64)"},
        {"negative brightness", [&] { return JobFor(A, -5, s2, false); },
         "[12:00:00] ERROR! Brightness job for device #2 ended early: brightness out of range"},
    };
  }
};

TEST_P(UnexpectedError, EndsTheJobWithItsOwnLineAndReleasesTheWorker) {
  const Case c = Cases().at(GetParam());
  SCOPED_TRACE(c.what);
  const BrightnessJob job = c.job();
  ASSERT_TRUE(t.log.Lines().empty());
  Run(job);
  EXPECT_FALSE(busy);
  const auto lines = t.log.Lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), c.line);
}

INSTANTIATE_TEST_SUITE_P(EachCase, UnexpectedError, testing::Range<size_t>(0, 3));

// Every failure is counted against the device that failed and logged under its number, so
// that supervision can disable it instead of a job failing the same way on every pass.
class FailingDevice : public BrightnessWorker {
 protected:
  void RunAndExpectCountedOn(const BrightnessJob& job, const std::u16string& failed, const char* line) {
    Run(job);
    EXPECT_FALSE(busy);
    for (const std::u16string& uid : {P, A, B, E})
      EXPECT_EQ(Errors(uid), uid == failed ? 1 : 0)
          << "device #" << ToUtf8(RecordText(Record(uid), u"number"));
    const auto lines = t.log.Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find(line), std::string::npos) << lines.back();
  }
};

// The panel fails the same way whether it is the job's device or a synchronised target.
class WmiLocatorFailure : public FailingDevice, public testing::WithParamInterface<bool> {};

TEST_P(WmiLocatorFailure, IsCountedOnThePanel) {
  const bool panelIsTarget = GetParam();
  SCOPED_TRACE(panelIsTarget ? "synchronised panel" : "the job's panel");
  t.wmi.FailLocator("The WMI locator cannot be created: Class not registered");
  if (panelIsTarget) Record(P)[u"counter"] = Variant(uint64_t{0});
  RunAndExpectCountedOn(panelIsTarget ? JobFor(A, 60, s2, true) : JobFor(P, 75, s2, false), P,
                        "ERROR! WMI message: The WMI locator cannot be created");
  // The job's own monitor was written before the panel failed.
  if (panelIsTarget) EXPECT_EQ(Counter(A), s2);
  EXPECT_EQ(Counter(P), panelIsTarget ? 0u : s1);
  EXPECT_EQ(t.wmi.State(0).currentBrightness, 50);
}

INSTANTIATE_TEST_SUITE_P(JobsPanelOrTarget, WmiLocatorFailure, testing::Bool());

TEST_F(FailingDevice, ATargetWhoseRecordCannotBeReadEndsTheJobUnderItsOwnNumber) {
  Record(B)[u"counter"] = Variant(uint64_t{0});
  Record(B)[u"min"] = Variant(u"low");
  RunAndExpectCountedOn(JobFor(A, 60, s2, true), B, "ERROR! Brightness job for device #3 ended early");
}

TEST_F(BrightnessWorker, ReportsAreDroppedOnceTheTableIsGone) {
  live = nullptr;
  Run(JobFor(A, 60, s2, true));
  EXPECT_FALSE(busy);
  EXPECT_EQ(WritesTo(kA), 1u);
  EXPECT_EQ(Counter(A), s1);
}

// Steps that arrive while a job runs are not merged into it: the job writes and reports the value
// and stamp it captured, which leaves the device's counter behind the newest stamp, and the next
// job carries only the newest value. The worker stays busy until the job's last step, so no
// other job can start while the steps arrive.
TEST_F(BrightnessWorker, StepsArrivingDuringAJobAreCarriedOutByTheNextJobOnly) {
  // What the main timer holds: the newest command stamp and the brightness wanted for the
  // active device, the panel.
  uint64_t newest = s2;
  int32_t wanted = 25;
  // The table as each job left it when it released the worker.
  std::vector<uint64_t> counterAtRelease;
  WorkerEnv env{t.env.ports, main, [this] { return live; },
                [&] {
                  busy = false;
                  counterAtRelease.push_back(Counter(P));
                }};
  // Runs on the main thread until the job has ended, whatever it does with the worker flag.
  auto start = [&](const BrightnessJob& job, std::atomic<bool>& ended) {
    busy = true;
    pool.Run([run = SetBrightness(env, job), &ended] {
      run();
      ended = true;
    });
  };
  auto finish = [&](std::atomic<bool>& ended) {
    for (int wait = 0; wait < 5000 && !ended; ++wait) {
      if (main.Pump() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(ended);
    pool.Join();
  };

  std::atomic<bool> first{false};
  start(JobFor(P, wanted, newest, true), first);
  // The job has made its WMI write and now waits for the main thread to take its report;
  // twenty wheel steps arrive and find the worker busy.
  for (int wait = 0; wait < 500 && main.SynchronizeCount() == 0; ++wait)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(main.SynchronizeCount(), 1u);
  for (int step = 1; step <= 20; ++step) {
    ++newest;
    wanted = 25 + 50 * step / 20;
    EXPECT_TRUE(busy) << "step " << step;
  }
  EXPECT_EQ(t.wmi.MethodCalls().size(), 1u);
  finish(first);
  EXPECT_FALSE(busy);
  EXPECT_EQ(counterAtRelease, std::vector<uint64_t>{s2}); // released after its report
  EXPECT_EQ(t.wmi.State(0).currentBrightness, 25);
  EXPECT_EQ(Brightness(P), 25);
  EXPECT_EQ(Counter(P), s2); // behind the newest stamp
  for (const auto& uid : {A, B, E})
    EXPECT_EQ(Counter(uid), s1); // held the job's MyCounter: left for the next job

  // The timer starts a job at each later pass until every active device holds the newest stamp.
  int jobs = 0;
  auto behind = [&] {
    for (const auto& uid : {P, A, B, E})
      if (Counter(uid) != newest) return true;
    return false;
  };
  while (behind() && jobs < 10) {
    std::atomic<bool> ended{false};
    start(JobFor(P, wanted, newest, true), ended);
    finish(ended);
    ++jobs;
  }
  EXPECT_EQ(jobs, 2);
  ASSERT_EQ(t.wmi.MethodCalls().size(), 2u); // 25, then only the newest value
  EXPECT_EQ(t.wmi.MethodCalls()[1].args,
            (std::vector<std::pair<std::u16string, int32_t>>{{u"Timeout", 1}, {u"Brightness", 75}}));
  for (size_t monitor : {kA, kB, kE}) {
    EXPECT_EQ(WritesTo(monitor), 1u);
    EXPECT_EQ(t.monitors.State(monitor).current, 75u);
  }
  EXPECT_EQ(Brightness(P), 75);
}

// Stored limits can span the whole 32-bit range: the panel's nearest level is found among its
// few levels, not by walking the range one value at a time.
TEST_F(BrightnessWorker, APanelTargetWithHostileLimitsGetsItsNearestLevelAtOnce) {
  constexpr int64_t kLow = std::numeric_limits<int32_t>::min(), kHigh = std::numeric_limits<int32_t>::max();
  struct Case {
    const char* what;
    int64_t min, max;
    int32_t active;
    int64_t written;
  };
  const Case cases[] = {
      {"above every level: the highest", kLow, kHigh, 110, 100},
      {"between levels: the next up", kLow, kHigh, 60, 75},
      {"below every level: the lowest", kLow, kHigh, -7, 0},
      {"no level in the range: the lower limit", 101, kHigh, 60, 101},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TAssoc& r = Record(P);
    r[u"min"] = Variant(DecimalText(c.min));
    r[u"max"] = Variant(DecimalText(c.max));
    r[u"brightness"] = Variant(u"1");
    r[u"counter"] = Variant(uint64_t{1});
    Record(A)[u"brightness"] = Variant(c.active);
    const auto start = std::chrono::steady_clock::now();
    Run(JobFor(A, c.active, s1, true));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(Brightness(P), c.written);
    EXPECT_EQ(t.wmi.State(0).currentBrightness, c.written);
  }
}

// One job writes every lagging target at the same time, after the job device; each device's
// result is reported on its own, and the lines come in the order of the reports, although the
// monitors answer last one first.
class SynchronisedWrites : public BrightnessWorker {
 protected:
  void SetUp() override {
    BrightnessWorker::SetUp();
    for (const auto& uid : {B, E}) {
      Record(uid)[u"counter"] = Variant(uint64_t{1}); // behind the job device: written by this job
      Record(uid)[u"brightness"] = Variant(u"40");    // and recorded at another value
    }
  }

  // The monitors answer in the order opposite to the snapshot's order of B and E.
  void RunGated(const BrightnessJob& job, size_t together) {
    const auto keys = t.devices.Keys();
    const bool bFirst = std::find_if(keys.begin(), keys.end(), [&](const Variant& k) {
                          return k.Text() == B || k.Text() == E;
                        })->Text() == B;
    gate.HoldTogether(MeteredMonitors::Op::Write, together, bFirst); // kB's handle is below kE's
    busy = true;
    pool.Run(SetBrightness(gatedWorker, job));
    ASSERT_TRUE(main.PumpUntil([&] { return !busy; }, 20000));
    pool.Join();
    EXPECT_FALSE(gate.HoldTimedOut()) << "the writes did not run at the same time";
    EXPECT_EQ(gate.MostAtOnce(MeteredMonitors::Op::Write), together);
  }

  MeteredMonitors gate{t.monitors};
  const DevicePorts& p = t.env.ports;
  WorkerEnv gatedWorker{
      DevicePorts{gate, p.displays, p.wmi, p.services, p.errors, p.clock, p.log, p.locale, p.pool}, main,
      [this] { return live; }, [this] { busy = false; }};
};

TEST_F(SynchronisedWrites, ReachEveryMonitorAtOnceAndReportEachDevice) {
  for (const size_t failing : {kB, kE}) {
    auto broken = t.monitors.State(failing);
    broken.failEveryWrite = true;
    t.monitors.Update(failing, broken);
  }
  // The job device already holds 50: only the targets are written.
  RunGated(JobFor(A, 50, s2, true), 2);
  EXPECT_EQ(Counter(A), s2);
  EXPECT_EQ(Brightness(A), 50);
  EXPECT_EQ(Errors(A), 0);
  for (const auto& uid : {B, E}) {
    EXPECT_EQ(Counter(uid), 1u);
    EXPECT_EQ(Brightness(uid), 40);
    EXPECT_EQ(Errors(uid), 1);
  }
  std::vector<std::string> inKeyOrder; // the order of a job that writes one target after the other
  for (const Variant& uid : t.devices.Keys())
    if (uid.Text() == B || uid.Text() == E)
      inKeyOrder.push_back("[12:00:00] ERROR! Device #" + ToUtf8(RecordText(Record(uid.Text()), u"number")) +
                           " failed to set monitor brightness: An error occurred while transmitting data to "
                           "the device on the I2C bus.");
  EXPECT_EQ(t.log.Lines(), inKeyOrder);

  // Repaired, the two are written together by the next job; the job device needs no write.
  for (const size_t failing : {kB, kE}) {
    auto fixed = t.monitors.State(failing);
    fixed.failEveryWrite = false;
    t.monitors.Update(failing, fixed);
  }
  RunGated(JobFor(A, 50, s2, true), 2);
  for (const auto& uid : {B, E}) {
    EXPECT_EQ(Counter(uid), s2);
    EXPECT_EQ(Brightness(uid), 50);
    EXPECT_EQ(Errors(uid), 0);
  }
  EXPECT_EQ(WritesTo(kA), 0u);
  EXPECT_FALSE(gate.OneMonitorOverlapped());
}

// The targets follow a value the job device holds, so its write is over before theirs begin.
TEST_F(SynchronisedWrites, TheJobDeviceIsWrittenBeforeItsTargets) {
  // Writes that take a while, so that writes running together would overlap.
  t.clock.SetRealSleep(true);
  t.monitors.SetLatencyMs(30);
  busy = true;
  pool.Run(SetBrightness(gatedWorker, JobFor(A, 60, s2, true)));
  ASSERT_TRUE(main.PumpUntil([&] { return !busy; }, 20000));
  pool.Join();
  const auto handleOf = [&](const std::u16string& uid) {
    return static_cast<PhysicalMonitorHandle>(RecordUInt(Record(uid), u"monid"));
  };
  std::optional<MeteredMonitors::Time> activeEnd;
  std::vector<MeteredMonitors::Time> targetStarts;
  for (const auto& call : gate.Calls()) {
    if (call.op != MeteredMonitors::Op::Write) continue;
    if (call.handle == handleOf(A)) activeEnd = call.end;
    if (call.handle == handleOf(B) || call.handle == handleOf(E)) targetStarts.push_back(call.start);
  }
  ASSERT_TRUE(activeEnd);
  ASSERT_EQ(targetStarts.size(), 2u);
  for (const auto& start : targetStarts)
    EXPECT_GE(start, *activeEnd);
  for (const auto& uid : {A, B, E})
    EXPECT_EQ(Brightness(uid), 60);
}

TEST_F(SynchronisedWrites, AnUnexpectedErrorInOneWriteCostsOnlyThatDevice) {
  // The one the job reaches first fails; the one after it must still be reported.
  const auto keys = t.devices.Keys();
  const std::u16string first = std::find_if(keys.begin(), keys.end(), [&](const Variant& k) {
                                 return k.Text() == B || k.Text() == E;
                               })->Text();
  const std::u16string second = first == B ? E : B;
  Record(first)[u"min"] = Variant(u"-9"); // a limit no monitor can be written to
  Record(first)[u"max"] = Variant(u"-5");
  RunGated(JobFor(A, 60, s2, true), 1);
  EXPECT_FALSE(busy);
  EXPECT_EQ(Counter(A), s2);
  EXPECT_EQ(Errors(first), 1);
  EXPECT_EQ(Counter(first), 1u);
  EXPECT_EQ(Counter(second), s1);
  EXPECT_EQ(Brightness(second), 60);
  EXPECT_EQ(Errors(second), 0);
  EXPECT_EQ(t.log.Lines(), std::vector<std::string>{"[12:00:00] ERROR! Brightness job for device #" +
                                                    ToUtf8(RecordText(Record(first), u"number")) +
                                                    " ended early: brightness out of range"});
}

} // namespace
} // namespace lumivane
