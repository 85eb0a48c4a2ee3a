// Input that arrives in the very millisecond of a command entry the program has already handled
// (the "u" that the menu build writes and marks done at once) still reaches the device.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "controller/SupervisionFixture.h"

namespace lumivane {
namespace {

const std::u16string kMonitor = Pnp(u"SIM0001", u"1&UID1");

struct InputCase {
  const char* name;
  void (*input)(SupervisionTest& t, TController& c);
  uint32_t written; // what the monitor, at 60 with its minimum 0, receives
};

void PrintTo(const InputCase& k, std::ostream* os) { *os << k.name; }

class HandledEntryTest : public SupervisionTest, public ::testing::WithParamInterface<InputCase> {
 protected:
  // The pointer on the icon, so that the hook takes the wheel.
  void PointAtIcon() {
    tray.SetIconRect({1000, 700, 16, 16});
    mouseHook.SetCursor({1008, 708});
    controller->TrayIcon1MouseMove();
  }
};

// The user picks the active monitor in the menu; the pass that takes the choice rebuilds the menu,
// and the input comes in the same millisecond, before the clock moves on.
TEST_P(HandledEntryTest, InputInTheMillisecondOfTheMenuBuildReachesTheMonitor) {
  const size_t monitor = AddMonitor(u"SIM0001", u"1&UID1", 60);
  Start();
  MakeActive(kMonitor);
  for (int i = 0; i < 2; ++i)
    Pass();
  PointAtIcon();
  ASSERT_EQ(monitors.Writes().size(), 0u);

  controller->SetActiveMonFromMenu(1);
  clock.AdvanceMs(100);
  host.FireTimer();
  ASSERT_TRUE(controller->PendingDevice.empty());
  GetParam().input(*this, *controller);
  for (int i = 0; i < 3; ++i)
    Pass();
  EXPECT_EQ(WritesTo(monitor), std::vector<uint32_t>{GetParam().written});
  EXPECT_EQ(controller->ShownBrightness, static_cast<int>(GetParam().written));
}

// The other order: the input is written first, and the pass of that millisecond rescans after a
// display change and builds the menu, whose "u" must not take the input's entry.
TEST_P(HandledEntryTest, InputBeforeTheMenuBuildOfItsMillisecondReachesTheMonitor) {
  const size_t monitor = AddMonitor(u"SIM0001", u"1&UID1", 60);
  Start();
  MakeActive(kMonitor);
  for (int i = 0; i < 12; ++i) // past the hold after the start's rescan
    Pass();
  PointAtIcon();
  ASSERT_EQ(monitors.Writes().size(), 0u);

  controller->WMDisplayChange();
  clock.AdvanceMs(100);
  GetParam().input(*this, *controller);
  host.FireTimer();
  ASSERT_FALSE(controller->RescanRequested);
  for (int i = 0; i < 3; ++i)
    Pass();
  EXPECT_EQ(WritesTo(monitor), std::vector<uint32_t>{GetParam().written});
  EXPECT_EQ(controller->ShownBrightness, static_cast<int>(GetParam().written));
}

INSTANTIATE_TEST_SUITE_P(
    SameMillisecond, HandledEntryTest,
    ::testing::Values(InputCase{"Click", [](SupervisionTest&, TController& c) { c.TrayIcon1Click(); }, 0},
                      InputCase{"Notch", [](SupervisionTest& t, TController&) { t.mouseHook.Wheel(-120); },
                                55},
                      // Notches of one millisecond share one entry, as they always have: one step.
                      InputCase{"TwoNotches",
                                [](SupervisionTest& t, TController&) {
                                  t.mouseHook.Wheel(-120);
                                  t.mouseHook.Wheel(-120);
                                },
                                55}),
    [](const auto& info) { return std::string(info.param.name); });

// A laptop panel that the system's brightness keys changed, read back in the pass that also took a
// menu choice: the reading becomes the shown value, and the panel is not set back to the old one.
class PanelReadTest : public SupervisionTest {};

TEST_F(PanelReadTest, PanelChangeReadInTheMillisecondOfTheMenuBuildIsKept) {
  const std::u16string panelName = u"DISPLAY\\LEN40A0\\4&2f3a&0&UID265988_0";
  std::vector<int64_t> levels;
  for (int l = 0; l <= 100; l += 10)
    levels.push_back(l);
  const size_t panel = wmi.Add(SimWmiMonitor::Panel(panelName, 40, levels));
  displays.AddDisplayDevice(desktop, {SimDisplayConfig::kActive,
                                      SimDisplayConfig::InterfaceName(u"LEN40A0", u"4&2f3a&0&UID265988")});
  monitors.AddPhysical(desktop, SimPhysicalMonitor{}); // the panel's own entry; never read over DDC/CI
  Start();
  controller->Form.TrackBox.SetChecked(true);
  controller->ActiveDevice = DeviceUid(panelName);
  controller->ValueChange(40, false);
  for (int i = 0; i < 3; ++i)
    Pass();
  const size_t calls = wmi.MethodCalls().size();

  SimWmiMonitor changed = wmi.State(panel);
  changed.currentBrightness = 90;
  wmi.Update(panel, changed);
  controller->SetActiveMonFromMenu(1);
  controller->TickPhase = 9; // the next pass reads the panel back
  for (int i = 0; i < 4; ++i)
    Pass();
  EXPECT_EQ(controller->ShownBrightness, 90);
  EXPECT_EQ(wmi.State(panel).currentBrightness, 90);
  EXPECT_EQ(wmi.MethodCalls().size(), calls) << "the panel was written";
}

} // namespace
} // namespace lumivane
