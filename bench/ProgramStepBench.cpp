// The per-program step asks for the foreground program once per pass, whatever the length of the
// list, and looks its name up: a pass with 0, 10 and 100 rules, none of them in front.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "controller/MainForm.h"
#include "platform/sim/SimPlatform.h"

namespace {

using namespace lumivane;

constexpr const char16_t* kUid = u"9f86d081884c7d659a2feaa0c55ad015a3bf4f1b";

struct Program {
  explicit Program(int rules) {
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
                              {u"brightness", u"50"}})
      record.Items(key) = Variant(value);
    controller->ActiveDevice = kUid;
    controller->ValueChange(50, false);

    std::u16string list;
    for (int n = 0; n < rules; ++n)
      list += u"program" + Variant::Narrow(n).Text() + u".exe=" + Variant::Narrow(n % 101).Text() + u"\r\n";
    controller->Form.Config.UserSetText(list);
    sim.process.SetForegroundProgram(u"explorer.exe");
    Pass(); // builds the table
  }
  void Pass() {
    clock.AdvanceMs(100);
    controller->Timer1Timer();
  }

  SimClock clock;
  SimMachine machine{&clock};
  SimPlatform sim{clock, machine};
  std::unique_ptr<TController> controller;
};

void BM_PassWithProgramRules(benchmark::State& state) {
  Program p(static_cast<int>(state.range(0)));
  const int queriesBefore = p.sim.process.ForegroundQueries();
  int64_t passes = 0;
  for (auto _ : state) {
    p.Pass();
    ++passes;
  }
  state.counters["foreground queries per pass"] =
      passes ? static_cast<double>(p.sim.process.ForegroundQueries() - queriesBefore) / passes : 0.0;
}
BENCHMARK(BM_PassWithProgramRules)->Arg(0)->Arg(10)->Arg(100);

} // namespace
