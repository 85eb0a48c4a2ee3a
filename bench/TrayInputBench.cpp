// The tray's input side: the hook procedure runs for every mouse event of the desktop while the
// pointer is on the icon and must answer well within the system's time-out; the menu is rebuilt
// at start, after every rescan and for every choice.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <string>

#include "controller/MainForm.h"
#include "platform/sim/SimPlatform.h"

namespace {

using namespace lumivane;

struct Program {
  explicit Program(int devices) {
    // The simulated pool holds jobs back: the menu and the hook are measured, not jobs.
    controller = std::make_unique<TController>(sim.Ports());
    controller->Startup();
    // The start-up discovery job finds no device; it runs now so that the worker is free.
    while (sim.pool.RunNext())
      sim.mainThread.Pump();
    TAssoc& table = controller->Root->Items(u"devices");
    for (int n = 1; n <= devices; ++n) {
      std::u16string uid(40, u'0');
      uid[38] = static_cast<char16_t>(u'0' + n / 10);
      uid[39] = static_cast<char16_t>(u'0' + n % 10);
      TAssoc& record = table.Items(uid);
      const std::u16string number = Variant::Narrow(n).Text();
      for (auto [key, value] : {std::pair<const char16_t*, std::u16string>{u"number", number},
                                {u"active", u"true"},
                                {u"internal", n == 1 ? u"true" : u"false"},
                                {u"name", u" DELL U2720Q "},
                                {u"width", u"3840"},
                                {u"height", u"2160"},
                                {u"hz", u"60"},
                                {u"min", u"0"},
                                {u"max", u"100"},
                                {u"brightness", u"50"}})
        record.Items(key) = Variant(value);
    }
    controller->Form.DetectResBox.SetChecked(true);
    controller->BuildMenu();
    clock.AdvanceMs(100);
    controller->Timer1Timer(); // shows the icon
    sim.tray.SetIconRect({1800, 1040, 16, 16});
    sim.mouseHook.SetCursor({1808, 1048});
    controller->TrayIcon1MouseMove();
  }

  SimClock clock;
  SimMachine machine{&clock};
  SimPlatform sim{clock, machine};
  std::unique_ptr<TController> controller;
};

// A pointer movement over the icon: hit-test and pass on.
void BM_HookProcMove(benchmark::State& state) {
  Program p(2);
  for (auto _ : state)
    benchmark::DoNotOptimize(p.controller->WheelHookProc(0, 0x0200, 0));
}
BENCHMARK(BM_HookProcMove);

// A wheel notch over the icon: hit-test and one command written (same millisecond, so the map
// does not grow with the iterations).
void BM_HookProcWheel(benchmark::State& state) {
  Program p(2);
  uint32_t data = 120u << 16;
  for (auto _ : state) {
    benchmark::DoNotOptimize(p.controller->WheelHookProc(0, IMouseHook::kWheelMessage, data));
    data ^= 0xFF100000u; // alternate +120 and -120
  }
}
BENCHMARK(BM_HookProcWheel);

void BM_BuildMenu(benchmark::State& state) {
  Program p(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    p.controller->BuildMenu();
    p.clock.AdvanceMs(1); // each build writes its own "u" entry, as it does in the program
  }
}
BENCHMARK(BM_BuildMenu)->Arg(2)->Arg(16);

} // namespace
