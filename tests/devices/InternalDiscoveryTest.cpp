// WMI errors part-way through the first discovery pass: what was written stays, the rest is
// skipped, and the DDC/CI pass still runs.
#include <gtest/gtest.h>

#include "DeviceTestEnv.h"

namespace lumivane {
namespace {

using Stage = SimWmi::Stage;
const std::u16string kPanel = u"DISPLAY\\LEN40A9\\4&2e1c&0&UID265988_0";

TEST(DiscoverInternalDisplays, KeepsWhatWasWrittenBeforeAWmiError) {
  struct Case {
    const char* what;
    Stage stage;
    size_t nth;
    int records;          // records left in the table
    bool brightness;      // the panel's brightness pass ran
    const char* internal; // its "internal"
  };
  // Calls in order: Query 1 (identity), Next/Get per object, Query 2 (brightness), Query 3 (methods).
  const Case cases[] = {
      {"connect", Stage::Connect, 1, 0, false, nullptr},
      {"identity query", Stage::Query, 1, 0, false, nullptr},
      {"second identity object", Stage::Next, 2, 1, false, "false"},
      {"brightness query", Stage::Query, 2, 2, false, "false"},
      {"methods query", Stage::Query, 3, 2, true, "false"},
      {"first property", Stage::Get, 1, 0, false, nullptr},
  };
  for (const Case& c : cases) {
    DeviceTestEnv t;
    t.wmi.Add(SimWmiMonitor::Panel(kPanel, 40, {0, 50, 100}));
    t.wmi.Add(
        SimWmiMonitor::Identity(u"DISPLAY\\DEL41A3\\5&1&0&UID4352_0", "DEL", "41A3", "", WmiValue::Null()));
    t.AddDesktop({{u"ACR0001", u"1&UID77"}}, {SimPhysicalMonitor{}});
    t.wmi.FailAt(c.stage, c.nth, u"Generic failure ");
    t.Discover();
    EXPECT_EQ(t.devices.Count(), c.records + 1) << c.what; // plus the DDC/CI monitor
    EXPECT_EQ(t.log.Lines(), std::vector<std::string>{"[12:00:00] ERROR! WMI message: Generic failure "})
        << c.what;
    const TAssoc* panel = FindChild(t.devices, Variant(DeviceUid(kPanel)));
    ASSERT_EQ(panel != nullptr, c.internal != nullptr) << c.what;
    if (!panel) continue;
    EXPECT_EQ(panel->IsSet(u"brightness"), c.brightness) << c.what;
    EXPECT_EQ(RecordText(*panel, u"internal"), FromUtf8(c.internal)) << c.what;
  }
}

TEST(DiscoverInternalDisplays, AsksForActiveInstancesOfTheThreeClasses) {
  DeviceTestEnv t;
  SimWmiMonitor off = SimWmiMonitor::Panel(u"DISPLAY\\OFF0000\\1&UID5_0", 40, {});
  off.active = false;
  t.wmi.Add(off);
  DiscoverInternalDisplays(t.env);
  EXPECT_EQ(t.devices.Count(), 0);
  EXPECT_EQ(t.wmi.Queries(), (std::vector<std::u16string>{
                                 u"SELECT * FROM WmiMonitorID WHERE Active=True",
                                 u"SELECT * FROM WmiMonitorBrightness WHERE Active=True",
                                 u"SELECT * FROM WmiMonitorBrightnessMethods WHERE Active=True",
                             }));
}

} // namespace
} // namespace lumivane
