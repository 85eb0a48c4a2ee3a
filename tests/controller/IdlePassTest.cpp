// An idle pass that would repeat one that found nothing to do is left out; whatever changes
// after it still reaches the monitors at the next pass.
#include "controller/SupervisionFixture.h"

namespace lumivane {
namespace {

// Ticking "synchronise" in the settings writes no command: only the pass compares the other
// monitors with the active one.
TEST_F(SupervisionTest, SynchronisationSwitchedOnWhileIdleBringsTheOtherMonitorAlong) {
  const size_t a = AddMonitor(u"SIM0001", u"1&UID1", 60);
  const size_t b = AddMonitor(u"SIM0002", u"1&UID2", 35);
  Start();
  MakeActive(Pnp(u"SIM0001", u"1&UID1"));
  for (int i = 0; i < 5; ++i)
    Pass();
  ASSERT_TRUE(monitors.Writes().empty());

  controller->Form.SyncBox.SetChecked(true);
  for (int i = 0; i < 3; ++i)
    Pass();
  EXPECT_EQ(WritesTo(a), std::vector<uint32_t>{});
  EXPECT_EQ(WritesTo(b), std::vector<uint32_t>{60});
}

} // namespace
} // namespace lumivane
