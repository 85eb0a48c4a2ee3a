// One redraw of the tray digits with the simulated canvas: painting, the mask and the icon, and
// handing the icon to the tray (which destroys the one it replaces).
#include <benchmark/benchmark.h>

#include <string>

#include "controller/MainForm.h"
#include "platform/sim/SimPlatform.h"

namespace {

using namespace lumivane;

struct Program {
  explicit Program(int iconSize) {
    sim.textMetrics.SetSmallIconSize({iconSize, iconSize});
    sim.textMetrics.SetSettingsWindowIconSize({iconSize, iconSize});
    controller.Rend();
    controller.IconFontHeight = controller.FontHeight2Digits;
  }
  SimClock clock;
  SimMachine machine{&clock};
  SimPlatform sim{clock, machine};
  TController controller{sim.Ports()};
};

void BM_CreateTextIcon(benchmark::State& state) {
  Program p(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    IconHandle icon = p.controller.CreateTextIcon(u"42");
    benchmark::DoNotOptimize(icon);
    p.sim.iconPainter.DestroyIcon(icon);
  }
}
BENCHMARK(BM_CreateTextIcon)->Arg(16)->Arg(32);

void BM_UpdateTrayIconText(benchmark::State& state) {
  Program p(static_cast<int>(state.range(0)));
  const std::u16string texts[] = {u"41", u"42"};
  int n = 0;
  for (auto _ : state) {
    bool ok = p.controller.UpdateTrayIconText(texts[n ^= 1]);
    benchmark::DoNotOptimize(ok);
  }
  if (p.sim.iconPainter.LiveIcons() != 1) state.SkipWithError("an icon leaked");
}
BENCHMARK(BM_UpdateTrayIconText)->Arg(16)->Arg(32);

} // namespace
