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

// A monitor that WMI lists but that does not answer DDC/CI (a TV, or DDC/CI off in its menu) stays
// in the table, inactive. Synchronisation cannot reach it, so it must not keep an idle program
// starting a brightness job on every pass.
TEST_F(SupervisionTest, SynchronisedIdlePassesStartNoJobForAMonitorWithoutDdcCi) {
  AddMonitor(u"SIM0001", u"1&UID1", 60);
  const size_t b = AddMonitor(u"SIM0002", u"1&UID2", 35);
  wmi.Add(SimWmiMonitor::Identity(u"DISPLAY\\TVS0003\\1&UID3_0", "TVS", "0003", "TV", WmiValue::Null()));
  Start();
  MakeActive(Pnp(u"SIM0001", u"1&UID1"));
  controller->Form.SyncBox.SetChecked(true);
  for (int i = 0; i < 5; ++i)
    Pass();
  ASSERT_EQ(WritesTo(b), std::vector<uint32_t>{60});

  const size_t jobs = pool.Started();
  for (int i = 0; i < 10; ++i)
    Pass();
  EXPECT_EQ(pool.Started() - jobs, 0u);
  EXPECT_EQ(WritesTo(b), std::vector<uint32_t>{60});
}

} // namespace
} // namespace lumivane
