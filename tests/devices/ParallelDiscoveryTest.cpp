// The DDC/CI pass talks to every physical monitor at once, yet its table and log are those of a
// walk that talks to one monitor after the other, also when the monitors answer in the reverse
// order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "DeviceTestEnv.h"
#include "MeteredMonitors.h"

namespace lumivane {
namespace {

using Op = MeteredMonitors::Op;

SimPhysicalMonitor Monitor(uint32_t current, const std::string& caps = {}) {
  SimPhysicalMonitor m;
  m.current = current;
  m.capabilities = caps;
  return m;
}

struct Scene {
  const char* name;
  bool detectModel;
  size_t talkedTo; // physical monitors that are asked over DDC/CI
  std::function<void(DeviceTestEnv&)> build;
};

const Scene kScenes[] = {
    {"plain", false, 4,
     [](DeviceTestEnv& t) {
       t.AddDesktop({{u"AAA0001", u"1&UID1"}, {u"AAA0002", u"1&UID2"}}, {Monitor(10), Monitor(20)});
       t.AddDesktop({{u"BBB0001", u"1&UID3"}}, {Monitor(30)});
       t.AddDesktop({{u"CCC0001", u"1&UID4"}}, {Monitor(40)});
     }},
    {"one failing read, a retried one, an empty and a failing desktop, a lookup that fails", false, 5,
     [](DeviceTestEnv& t) {
       SimPhysicalMonitor broken = Monitor(20), late = Monitor(30), huge = Monitor(40);
       broken.failEveryRead = true;
       late.failFirstRead = true;
       huge.maximum = 0xFFFFFFF0u; // clamped, with a line that names the record's number
       t.AddDesktop({{u"AAA0001", u"1&UID1"}, {u"AAA0002", u"1&UID2"}}, {Monitor(10), broken});
       t.AddDesktop({}, {});
       t.AddDesktop({{u"BBB0001", u"1&UID3"}}, {late});
       const MonitorHandle refused = t.AddDesktop({{u"XXX0001", u"1&UID9"}}, {Monitor(90)});
       t.monitors.FailCount(refused, SimSystemErrors::kInvalidMonitorHandle);
       t.AddDesktop({{u"CCC0001", u"1&UID4"}}, {huge});
       const MonitorHandle nameless = t.AddDesktop({{u"DDD0001", u"1&UID5"}}, {Monitor(50)});
       t.displays.FailMonitorInfo(nameless, SimSystemErrors::kInvalidHandle); // logged by the lookup
     }},
    {"model detection", true, 5,
     [](DeviceTestEnv& t) {
       SimPhysicalMonitor noLength = Monitor(30, "(model(X))"), noReply = Monitor(50, "(model(Y))");
       noLength.failCapsLength = true;
       noReply.failCapsReply = true;
       t.AddDesktop({{u"AAA0001", u"1&UID1"}, {u"AAA0002", u"1&UID2"}},
                    {Monitor(10, "(prot(monitor)model(FIRST 27))"), Monitor(20, "(prot(monitor)type(lcd))")});
       t.AddDesktop({{u"BBB0001", u"1&UID3"}}, {noLength});
       t.AddDesktop({{u"CCC0001", u"1&UID4"}, {u"CCC0002", u"1&UID5"}}, {Monitor(40), noReply});
     }},
    {"two physical monitors with one name", false, 3,
     [](DeviceTestEnv& t) {
       t.AddDesktop({{u"AAA0001", u"1&UID1"}}, {Monitor(10)});
       t.AddDesktop({{u"BBB0001", u"1&UID2"}}, {Monitor(20)});
       t.AddDesktop({{u"AAA0001", u"1&UID1"}}, {Monitor(30)});
     }},
    {"a known panel and a known monitor", false, 3,
     [](DeviceTestEnv& t) {
       const std::u16string panel = u"DISPLAY\\LEN40A9\\4&2e&0&UID1_0";
       t.wmi.Add(SimWmiMonitor::Panel(panel, 55, {0, 50, 100}));
       t.wmi.Add(SimWmiMonitor::Identity(u"DISPLAY\\DEL0001\\1&UID2_0", "DEL", "0001", "Dell U2720Q",
                                         WmiValue::Int(11)));
       t.wmi.Add(SimWmiMonitor::Identity(u"DISPLAY\\DEL0002\\1&UID3_0", "DEL", "0002", "Dell P2419H",
                                         WmiValue::Int(11)));
       SimPhysicalMonitor silent = Monitor(20);
       silent.failEveryRead = true;
       t.AddDesktop({{u"LEN40A9", u"4&2e&0&UID1"}}, {Monitor(99)});
       t.AddDesktop({{u"DEL0001", u"1&UID2"}, {u"DEL0002", u"1&UID3"}}, {Monitor(70), silent});
       t.AddDesktop({{u"NEW0001", u"1&UID4"}}, {Monitor(80)});
     }},
};

// The table, the log and the handles left open, as text.
std::string Outcome(const DeviceTestEnv& t) {
  std::string out;
  for (char c : ToUtf8(t.devices.JSONDump()))
    if (c != '\r') out.push_back(c); // the dump ends its lines as Windows does
  out += "\n";
  for (const auto& line : t.log.Lines())
    out += line + "\n";
  return out + "open handles: " + std::to_string(t.monitors.OpenHandleCount()) + "\n";
}

// Both passes, as a rescan runs them; serial: one monitor after the other.
std::string Discover(const Scene& scene, bool serial) {
  DeviceTestEnv t;
  scene.build(t);
  t.detectModel = scene.detectModel;
  t.pool.SetSerial(serial);
  MeteredMonitors gate(t.monitors);
  gate.HoldTogether(Op::Read, scene.talkedTo);
  const DevicePorts& p = t.env.ports;
  DeviceEnv gated{
      DevicePorts{gate, p.displays, p.wmi, p.services, p.errors, p.clock, p.log, p.locale, p.pool}, t.devices,
      t.env.rangeMin, t.env.rangeMax, t.env.detectModel};
  if (serial) {
    t.Discover();
  } else {
    DiscoverInternalDisplays(gated);
    DiscoverExternalMonitors(gated);
    EXPECT_FALSE(gate.HoldTimedOut()) << "the monitors were not asked at the same time";
    EXPECT_EQ(gate.MostAtOnce(Op::Read), scene.talkedTo);
    EXPECT_FALSE(gate.OneMonitorOverlapped());
    // Each monitor hears its calls in the walk's order, one after the other.
    std::map<PhysicalMonitorHandle, std::vector<MeteredMonitors::Call>> byMonitor;
    for (const auto& call : gate.Calls())
      byMonitor[call.handle].push_back(call);
    for (auto& [handle, calls] : byMonitor) {
      std::sort(calls.begin(), calls.end(), [](const auto& a, const auto& b) { return a.start < b.start; });
      for (size_t i = 1; i < calls.size(); ++i) {
        EXPECT_GE(calls[i].start, calls[i - 1].end) << handle;
        EXPECT_LE(static_cast<int>(calls[i - 1].op), static_cast<int>(calls[i].op)) << handle;
      }
    }
  }
  return Outcome(t);
}

// What a walk that asked one monitor after the other gave for each scene, one section a scene
// headed "== name".
std::map<std::string, std::string> WalkInTurn() {
  std::ifstream in(LUMIVANE_TEST_DATA "/devices/discovery_in_turn.txt");
  std::map<std::string, std::string> sections;
  std::string line, *section = nullptr;
  while (std::getline(in, line)) {
    if (line.rfind("== ", 0) == 0)
      section = &sections[line.substr(3)];
    else if (section)
      *section += line + "\n";
  }
  return sections;
}

TEST(ParallelDiscovery, GivesTheTableAndLogOfAWalkInTurn) {
  const auto expected = WalkInTurn();
  for (const Scene& scene : kScenes) {
    SCOPED_TRACE(scene.name);
    ASSERT_EQ(expected.count(scene.name), 1u);
    EXPECT_EQ(Discover(scene, false), expected.at(scene.name));
    EXPECT_EQ(Discover(scene, true), expected.at(scene.name));
  }
}

} // namespace
} // namespace lumivane
