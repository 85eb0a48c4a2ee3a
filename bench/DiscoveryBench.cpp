// Discovery time against simulated DDC/CI monitors that take 40 ms per call (real sleeps), and
// the time a synchronised change takes to reach four monitors through the worker.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "assoc/AssocArrays.h"
#include "devices/BrightnessWorker.h"
#include "devices/Devices.h"
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

struct Machine {
  SimClock clock;
  SimMonitorConfig monitors{&clock};
  SimDisplayConfig displays;
  SimWmi wmi;
  SimServiceManager services;
  SimSystemErrors errors;
  QuietLog log;
  TAssoc devices;
  bool detectModel = false;
  DeviceEnv env{DevicePorts{monitors, displays, wmi, services, errors, clock, log, CurrentLocale()}, devices, 0, 100,
                [this] { return detectModel; }};

  explicit Machine(int count) {
    clock.SetRealSleep(true);
    monitors.SetLatencyMs(kDdcLatencyMs);
    SimPhysicalMonitor m;
    m.capabilities =
        "(prot(monitor)type(lcd)model(BENCH 27)cmds(01 02 03 0C E3 F3)vcp(02 04 05 08 10 12 14(05 08 0B))"
        "mccs_ver(2.1))";
    for (int i = 0; i < count; ++i) {
      const std::u16string n = FromUtf8(std::to_string(i + 1));
      const MonitorHandle h = displays.AddMonitor(u"\\\\.\\DISPLAY" + n);
      displays.AddDisplayDevice(
          h, {SimDisplayConfig::kActive, SimDisplayConfig::InterfaceName(u"BEN000" + n, u"1&UID" + n)});
      monitors.AddPhysical(h, m);
    }
  }
  void Discover() {
    DiscoverInternalDisplays(env);
    DiscoverExternalMonitors(env);
  }
};

void BM_Discovery(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  uint64_t ddcMs = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto machine = std::make_unique<Machine>(count);
    machine->detectModel = state.range(1) != 0;
    state.ResumeTiming();
    machine->Discover();
    benchmark::DoNotOptimize(machine->devices.Count());
    ddcMs += machine->clock.TotalSleptMs();
  }
  state.counters["ddc_ms"] =
      benchmark::Counter(static_cast<double>(ddcMs), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_Discovery)
    ->ArgNames({"monitors", "model"})
    ->ArgsProduct({{1, 4, 8}, {0, 1}})
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A command stamped s2 reaches the active monitor and, through the second job, the three
// synchronised ones: two jobs on pool threads, the main thread pumped meanwhile.
void BM_SyncChangeReachesFourMonitors(benchmark::State& state) {
  constexpr uint64_t s1 = 1000, s2 = 2000;
  for (auto _ : state) {
    state.PauseTiming();
    auto machine = std::make_unique<Machine>(4);
    machine->Discover();
    for (const Variant& uid : machine->devices.Keys())
      machine->devices[uid][u"counter"] = Variant(s1);
    SimMainThread main;
    SimThreadPool pool(SimThreadPool::Mode::Threads);
    bool busy = false;
    WorkerEnv worker{machine->env.ports, main, [&] { return &machine->devices; }, [&] { busy = false; }};
    const std::u16string active = DeviceUid(u"DISPLAY\\BEN0001\\1&UID1");
    state.ResumeTiming();
    for (int job = 0; job < 2; ++job) {
      TAssoc& r = machine->devices[active];
      busy = true;
      pool.Run(SetBrightness(worker, active, RecordText(r, u"number"),
                             static_cast<uint32_t>(RecordUInt(r, u"monid")), false, true, 70, true, s2,
                             static_cast<int32_t>(RecordInt(r, u"brightness")), RecordUInt(r, u"counter"),
                             machine->devices.JSONDump()));
      main.PumpUntil([&] { return !busy; }, 60000);
      pool.Join();
    }
    for (const Variant& uid : machine->devices.Keys())
      if (RecordUInt(machine->devices[uid], u"counter") != s2) state.SkipWithError("a monitor lags behind");
  }
}
BENCHMARK(BM_SyncChangeReachesFourMonitors)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace lumivane
