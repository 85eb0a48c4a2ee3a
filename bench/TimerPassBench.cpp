// The 100 ms timer pass: an idle pass must cost the same after a long run of wheel commands as
// right after start, and a pass that carries out one notch stays small. Under Wine an idle pass
// runs with cold caches ten times a second, where every allocation goes through the process
// heap's lock: the allocations a pass makes are counted.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

#include "controller/MainForm.h"
#include "platform/sim/SimPlatform.h"

std::atomic<int64_t> g_allocations{0};

// The replaced pair matches: GCC cannot see that and warns.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpragmas"
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t n) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
#pragma GCC diagnostic pop

namespace {

using namespace lumivane;

constexpr const char16_t* kUid = u"9f86d081884c7d659a2feaa0c55ad015a3bf4f1b";

struct Program {
  Program() {
    // The simulated pool holds jobs back: what is measured is the pass itself, not jobs.
    controller = std::make_unique<TController>(sim.Ports());
    controller->Startup();
    // The start-up discovery job finds no device; it runs now so that the worker is free.
    while (sim.pool.RunNext())
      sim.mainThread.Pump();
    TAssoc& record = controller->Root->Items(u"devices").Items(kUid);
    for (auto [key, value] : {std::pair{u"number", u"1"},
                              {u"active", u"true"},
                              {u"internal", u"false"},
                              {u"min", u"0"},
                              {u"max", u"100"},
                              {u"min_orig", u"0"},
                              {u"max_orig", u"100"},
                              {u"brightness", u"50"}})
      record.Items(key) = Variant(value);
    controller->ActiveDevice = kUid;
    controller->ValueChange(50, false);
  }

  // One notch as the hook writes it, alternating so the value never sticks at a limit.
  void Notch() {
    TAssoc& entry = controller->Root->Items(u"cmd").Items(Variant(controller->NowUnixMs()));
    entry.Items(u"s") = Variant::Narrow(up ? 1 : -1);
    up = !up;
  }
  void Pass() {
    clock.AdvanceMs(100);
    controller->Timer1Timer();
  }

  SimClock clock;
  SimMachine machine{&clock};
  SimPlatform sim{clock, machine};
  std::unique_ptr<TController> controller;
  bool up = true;
};

void BM_IdlePassAfterCommands(benchmark::State& state) {
  Program p;
  for (int64_t n = 0; n < state.range(0); ++n) {
    p.Notch();
    p.Pass();
  }
  const int64_t before = g_allocations.load();
  for (auto _ : state)
    p.Pass();
  state.counters["allocations"] = benchmark::Counter(static_cast<double>(g_allocations.load() - before),
                                                     benchmark::Counter::kAvgIterations);
  state.counters["cmd entries"] = p.controller->Root->Items(u"cmd").Count();
}
BENCHMARK(BM_IdlePassAfterCommands)->Arg(10)->Arg(100000);

// Two simulated monitors found at start, the wheel turned, every job run: the devices hold the
// last value and nothing waits, as in a program left alone in the tray.
void BM_SettledIdlePass(benchmark::State& state) {
  SimClock clock;
  SimMachine machine{&clock};
  SimPlatform sim{clock, machine};
  for (const char16_t* n : {u"1", u"2"}) {
    const MonitorHandle h = sim.displays.AddMonitor(std::u16string(u"\\\\.\\DISPLAY") + n);
    sim.displays.AddDisplayDevice(
        h, {SimDisplayConfig::kActive, SimDisplayConfig::InterfaceName(std::u16string(u"SIM000") + n, n)});
    sim.monitors.AddPhysical(h, SimPhysicalMonitor{});
  }
  TController controller(sim.Ports());
  controller.Startup();
  auto pass = [&] {
    clock.AdvanceMs(100);
    controller.Timer1Timer();
    while (sim.pool.RunNext())
      sim.mainThread.Pump();
  };
  for (int n = 0; n < 20; ++n) {
    if (n < 10)
      controller.Root->Items(u"cmd").Items(Variant(controller.NowUnixMs())).Items(u"s") = Variant::Narrow(1);
    pass();
  }
  if (controller.ShownBrightness < 0 || controller.WorkerBusy)
    state.SkipWithError("the devices did not settle");
  const int64_t before = g_allocations.load();
  for (auto _ : state)
    pass();
  state.counters["allocations"] = benchmark::Counter(static_cast<double>(g_allocations.load() - before),
                                                     benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_SettledIdlePass);

void BM_PassWithOneNotch(benchmark::State& state) {
  Program p;
  for (auto _ : state) {
    p.Notch();
    p.Pass();
  }
}
BENCHMARK(BM_PassWithOneNotch);

} // namespace
