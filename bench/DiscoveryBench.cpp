// Discovery time against simulated DDC/CI monitors that take 40 ms per call (real sleeps), and
// the time a synchronised change takes to reach four monitors through the worker. Every figure
// comes twice: "parallel" 1 talks to the monitors at once, 0 one after the other, as a single
// thread would.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "assoc/AssocArrays.h"
#include "devices/BrightnessWorker.h"
#include "devices/Devices.h"
#include "devices/RediscoveryJob.h"
#include "platform/sim/SimClock.h"
#include "platform/sim/SimDisplayConfig.h"
#include "platform/sim/SimMonitorConfig.h"
#include "platform/sim/SimServiceManager.h"
#include "platform/sim/SimSystemErrors.h"
#include "platform/sim/SimThreads.h"
#include "platform/sim/SimWmi.h"

namespace lumivane {
namespace {

constexpr uint32_t kDdcLatencyMs = 40;

class QuietLog final : public ILog {
 public:
  void LogLine(const std::u16string&) override {}
  void LogError(const std::u16string&) override {}
  std::u16string TimeText() override { return u"12:00:00"; }
};

// The monitor port as the program sees it, summing the time of the calls the main thread makes.
class MainThreadMeter final : public IMonitorConfig {
 public:
  explicit MainThreadMeter(IMonitorConfig& inner) : inner_(inner) {}
  double MainThreadMs() const { return static_cast<double>(ns_.load()) / 1e6; }

  bool GetNumberOfPhysicalMonitors(MonitorHandle monitor, uint32_t& count) override {
    return Timed([&] { return inner_.GetNumberOfPhysicalMonitors(monitor, count); });
  }
  bool GetPhysicalMonitors(MonitorHandle monitor, uint32_t count,
                           std::vector<PhysicalMonitorHandle>& handles) override {
    return Timed([&] { return inner_.GetPhysicalMonitors(monitor, count, handles); });
  }
  bool GetMonitorBrightness(PhysicalMonitorHandle handle, BrightnessRange& range) override {
    return Timed([&] { return inner_.GetMonitorBrightness(handle, range); });
  }
  bool SetMonitorBrightness(PhysicalMonitorHandle handle, uint32_t value) override {
    return Timed([&] { return inner_.SetMonitorBrightness(handle, value); });
  }
  bool GetCapabilitiesStringLength(PhysicalMonitorHandle handle, uint32_t& length) override {
    return Timed([&] { return inner_.GetCapabilitiesStringLength(handle, length); });
  }
  bool CapabilitiesRequestAndCapabilitiesReply(PhysicalMonitorHandle handle, std::string& bytes,
                                               uint32_t length) override {
    return Timed([&] { return inner_.CapabilitiesRequestAndCapabilitiesReply(handle, bytes, length); });
  }
  void DestroyPhysicalMonitor(PhysicalMonitorHandle handle) override {
    Timed([&] {
      inner_.DestroyPhysicalMonitor(handle);
      return true;
    });
  }

 private:
  template <class F> bool Timed(F&& call) {
    if (std::this_thread::get_id() != main_) return call();
    const auto start = std::chrono::steady_clock::now();
    const bool answer = call();
    ns_ += static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start)
            .count());
    return answer;
  }

  IMonitorConfig& inner_;
  const std::thread::id main_ = std::this_thread::get_id();
  std::atomic<uint64_t> ns_{0};
};

struct Machine {
  SimClock clock;
  SimMonitorConfig sim{&clock};
  MainThreadMeter monitors{sim};
  SimDisplayConfig displays;
  SimWmi wmi;
  SimServiceManager services;
  SimSystemErrors errors;
  QuietLog log;
  SimThreadPool pool{SimThreadPool::Mode::Threads};
  SimMainThread main;
  TAssoc devices;
  bool busy = false;
  DevicePorts ports{monitors, displays, wmi, services, errors, clock, log, CurrentLocale(), pool};
  WorkerEnv worker{ports, main, [this] { return &devices; }, [this] { busy = false; }};

  Machine(int count, bool parallel) {
    clock.SetRealSleep(true);
    sim.SetLatencyMs(kDdcLatencyMs);
    pool.SetSerial(!parallel);
    SimPhysicalMonitor m;
    m.capabilities =
        "(prot(monitor)type(lcd)model(BENCH 27)cmds(01 02 03 0C E3 F3)vcp(02 04 05 08 10 12 14(05 08 0B))"
        "mccs_ver(2.1))";
    for (int i = 0; i < count; ++i) {
      const std::u16string n = FromUtf8(std::to_string(i + 1));
      const MonitorHandle h = displays.AddMonitor(u"\\\\.\\DISPLAY" + n);
      displays.AddDisplayDevice(
          h, {SimDisplayConfig::kActive, SimDisplayConfig::InterfaceName(u"BEN000" + n, u"1&UID" + n)});
      sim.AddPhysical(h, m);
    }
  }
  ~Machine() { pool.Join(); }

  // As the main timer does: the job on a pool thread, the main thread pumped meanwhile.
  void RunJob(std::function<void()> job) {
    busy = true;
    pool.Run(std::move(job));
    main.PumpUntil([&] { return !busy; }, 60000);
    pool.Join();
  }
  void Rescan(bool detectModel) {
    RunJob(RediscoverDevicesJob(worker, DiscoverySettings{0, 100, detectModel},
                                [this](TAssoc& fresh) { devices.SwapChildren(fresh); }));
  }
};

// A rescan as the worker job runs it: wall time, and the main thread's time in device calls.
void BM_Rescan(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const bool model = state.range(1) != 0, parallel = state.range(2) != 0;
  double mainMs = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto machine = std::make_unique<Machine>(count, parallel);
    state.ResumeTiming();
    machine->Rescan(model);
    state.PauseTiming();
    if (machine->devices.Count() != count) state.SkipWithError("a monitor was not found");
    mainMs += machine->monitors.MainThreadMs();
    machine.reset();
    state.ResumeTiming();
  }
  state.counters["main_thread_ddc_ms"] = benchmark::Counter(mainMs, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_Rescan)
    ->ArgNames({"monitors", "model", "parallel"})
    ->ArgsProduct({{1, 4, 8}, {0, 1}, {0, 1}})
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// One wheel step with synchronisation on, from the command to the last monitor holding it.
// "lagging" 0: every device holds the previous stamp, so the job device is written by one job
// and the others by the next. "lagging" 1: the others are a stamp further behind (the wheel
// turned again before the next job), so one job writes all of them: the job device first, then
// the others.
void BM_SyncChange(benchmark::State& state) {
  constexpr uint64_t s0 = 500, s1 = 1000, s2 = 2000;
  const int count = static_cast<int>(state.range(0));
  const bool lagging = state.range(1) != 0, parallel = state.range(2) != 0;
  int jobs = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto machine = std::make_unique<Machine>(count, parallel);
    machine->Rescan(false);
    const std::u16string active = DeviceUid(u"DISPLAY\\BEN0001\\1&UID1");
    for (const Variant& uid : machine->devices.Keys())
      machine->devices[uid][u"counter"] = Variant(uid.Text() == active || !lagging ? s1 : s0);
    jobs = 0;
    state.ResumeTiming();
    for (;;) {
      bool behind = false;
      for (const Variant& uid : machine->devices.Keys())
        behind = behind || RecordUInt(machine->devices[uid], u"counter") != s2;
      if (!behind || jobs == 3) break;
      TAssoc& r = machine->devices[active];
      ++jobs;
      machine->RunJob(SetBrightness(machine->worker, active, RecordText(r, u"number"),
                                    static_cast<uint32_t>(RecordUInt(r, u"monid")), false, true, 70,
                                    count > 1, s2, static_cast<int32_t>(RecordInt(r, u"brightness")),
                                    RecordUInt(r, u"counter"), machine->devices.JSONDump()));
    }
    state.PauseTiming();
    for (const Variant& uid : machine->devices.Keys())
      if (RecordInt(machine->devices[uid], u"brightness") != 70) state.SkipWithError("a monitor lags behind");
    machine.reset();
    state.ResumeTiming();
  }
  state.counters["jobs"] = jobs;
}
BENCHMARK(BM_SyncChange)
    ->ArgNames({"monitors", "lagging", "parallel"})
    ->ArgsProduct({{1, 4}, {0, 1}, {0, 1}})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
} // namespace lumivane
