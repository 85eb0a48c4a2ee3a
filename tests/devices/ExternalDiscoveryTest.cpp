// The DDC/CI pass: pairing physical monitors with display devices, failures of a whole desktop
// monitor, model detection asked per monitor, and who owns the physical monitor handles.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "DeviceTestEnv.h"

namespace lumivane {
namespace {

TEST(ResolvePnpName, TurnsTheDeviceInterfaceNameIntoThePlugAndPlayName) {
  DeviceTestEnv t;
  const MonitorHandle h = t.displays.AddMonitor(u"\\\\.\\DISPLAY1", DisplayMode{2560, 1440, 144});
  t.displays.AddDisplayDevice(
      h, {SimDisplayConfig::kActive,
          u"\\\\?\\DISPLAY#ABC1234#5&1a2b3c&0&UID4352#{e6f07b5f-ee97-4a90-b076-33f57bf4eaa7}"});
  t.displays.AddDisplayDevice(h, {0, SimDisplayConfig::InterfaceName(u"OFF0000", u"1&UID1")});
  t.displays.AddDisplayDevice(h, {SimDisplayConfig::kActive | SimDisplayConfig::kMirroring,
                                  SimDisplayConfig::InterfaceName(u"MIR0000", u"1&UID2")});
  t.displays.AddDisplayDevice(
      h, {SimDisplayConfig::kActive, SimDisplayConfig::InterfaceName(u"DEF5678", u"1&UID3")});
  t.displays.AddDisplayDevice(h, {SimDisplayConfig::kActive, u"MONITOR\\DEF5678\\{guid}\\0001"});

  const PnpName first = ResolvePnpName(t.env.ports, h, 0);
  EXPECT_EQ(first.name, u"DISPLAY\\ABC1234\\5&1a2b3c&0&UID4352");
  ASSERT_TRUE(first.mode.has_value());
  EXPECT_EQ(first.mode->width, 2560u);
  EXPECT_EQ(first.mode->frequency, 144u);
  EXPECT_EQ(ResolveHardwareId(t.env.ports, h, 0), u"ABC1234");
  // Physical monitor 1 pairs with the first qualifying entry at index 1 or later.
  EXPECT_EQ(ResolvePnpName(t.env.ports, h, 1).name, u"DISPLAY\\DEF5678\\1&UID3");
  // A device id without "\DISPLAY\" gives no name, past the end neither; the mode still reads.
  EXPECT_EQ(ResolvePnpName(t.env.ports, h, 4).name, u"");
  EXPECT_TRUE(ResolvePnpName(t.env.ports, h, 5).mode.has_value());
  EXPECT_EQ(ResolveHardwareId(t.env.ports, h, 5), u"");
  EXPECT_TRUE(t.log.Lines().empty());

  t.displays.FailMonitorInfo(h, SimSystemErrors::kInvalidHandle);
  const PnpName failed = ResolvePnpName(t.env.ports, h, 0);
  EXPECT_EQ(failed.name, u"");
  EXPECT_FALSE(failed.mode.has_value());
  EXPECT_EQ(t.log.Lines(),
            std::vector<std::string>{
                "[12:00:00] ERROR! Error retrieving the device's PNP name: The handle is invalid."});
}

TEST(DiscoverExternalMonitors, SkipsADesktopMonitorWhosePhysicalMonitorsCannotBeListed) {
  DeviceTestEnv t;
  const MonitorHandle a = t.AddDesktop({{u"AAA0001", u"1&UID1"}}, {SimPhysicalMonitor{}});
  const MonitorHandle b = t.AddDesktop({{u"BBB0001", u"1&UID2"}}, {SimPhysicalMonitor{}});
  t.AddDesktop({{u"CCC0001", u"1&UID3"}}, {SimPhysicalMonitor{}});
  t.monitors.FailCount(a, SimSystemErrors::kNotSupported);
  t.monitors.FailPhysical(b, SimSystemErrors::kGenFailure);
  DiscoverExternalMonitors(t.env);
  ASSERT_EQ(t.devices.Count(), 1);
  EXPECT_TRUE(t.devices.IsSet(DeviceUid(u"DISPLAY\\CCC0001\\1&UID3")));
  EXPECT_EQ(
      t.log.Lines(),
      (std::vector<std::string>{
          "[12:00:00] ERROR! Error retrieving the number of physical monitors for virtmon 0: The request is "
          "not supported.",
          "[12:00:00] ERROR! Error retrieving physical monitor information for virtmon 1: A device attached "
          "to the system is not functioning.",
      }));
}

TEST(DiscoverExternalMonitors, RetriesAFailedReadOnceAfter100Ms) {
  DeviceTestEnv t;
  SimPhysicalMonitor shy;
  shy.failFirstRead = true;
  t.AddDesktop({{u"AAA0001", u"1&UID1"}}, {shy});
  DiscoverExternalMonitors(t.env);
  EXPECT_EQ(t.clock.TotalSleptMs(), 100u);
  EXPECT_EQ(t.monitors.ReadCount(0), 2u);
  EXPECT_EQ(t.devices.Count(), 1);
}

TEST(DiscoverExternalMonitors, AsksForModelDetectionAtEveryPhysicalMonitor) {
  DeviceTestEnv t;
  SimPhysicalMonitor m;
  m.capabilities = "(prot(monitor)model(M1))";
  t.AddDesktop({{u"AAA0001", u"1&UID1"}, {u"AAA0002", u"1&UID2"}}, {m, m});
  int asked = 0;
  t.env.detectModel = [&] { return ++asked == 1; }; // unticked while the first monitor is read
  DiscoverExternalMonitors(t.env);
  EXPECT_EQ(asked, 2);
  const TAssoc& first = *FindChild(t.devices, Variant(DeviceUid(u"DISPLAY\\AAA0001\\1&UID1")));
  const TAssoc& second = *FindChild(t.devices, Variant(DeviceUid(u"DISPLAY\\AAA0002\\1&UID2")));
  EXPECT_EQ(RecordText(first, u"name"), u"M1");
  EXPECT_TRUE(first.IsSet(u"vcp"));
  EXPECT_EQ(RecordText(second, u"name"), u"AAA0002");
  EXPECT_FALSE(second.IsSet(u"vcp"));
}

TEST(MonitorHandles, OnlyRecordsHoldThemAndRediscoveryReleasesThem) {
  DeviceTestEnv t;
  SimPhysicalMonitor unreadable;
  unreadable.failEveryRead = true;
  t.wmi.Add(SimWmiMonitor::Panel(u"DISPLAY\\LEN40A9\\4&2e&0&UID1_0", 40, {0, 50, 100}));
  t.AddDesktop({{u"LEN40A9", u"4&2e&0&UID1"}}, {SimPhysicalMonitor{}}); // the panel
  t.AddDesktop({{u"AAA0001", u"1&UID2"}, {u"AAA0002", u"1&UID3"}}, {SimPhysicalMonitor{}, unreadable});
  t.AddDesktop({{u"BBB0001", u"1&UID4"}}, {SimPhysicalMonitor{}});
  t.Discover();
  // The panel's handle and the unreadable monitor's are of no use to any record.
  EXPECT_EQ(t.monitors.OpenHandleCount(), 2u);

  const auto first = t.monitors.OpenHandles();
  for (int rescan = 0; rescan < 3; ++rescan) {
    RediscoverDevices(t.env);
    EXPECT_EQ(t.devices.Count(), 3);
    EXPECT_EQ(t.monitors.OpenHandleCount(), 2u);
  }
  // Each rescan releases the two handles the old records held and the two no record takes.
  EXPECT_EQ(t.monitors.DestroyedCount(), 2u + 3 * 4);
  for (PhysicalMonitorHandle h : first)
    EXPECT_FALSE(WriteMonitorBrightness(t.env.ports, 30, h, u"old"));
  // The handles the records hold are the ones still open, and they work.
  for (const Variant& uid : t.devices.Keys()) {
    const TAssoc& record = *FindChild(t.devices, uid);
    if (RecordUInt(record, u"monid") == 0) continue;
    EXPECT_TRUE(
        WriteMonitorBrightness(t.env.ports, 30, RecordUInt(record, u"monid"), RecordText(record, u"number")));
  }
  EXPECT_EQ(t.monitors.Writes().size(), 2u);
  ReleaseMonitorHandles(t.monitors, t.devices);
  EXPECT_EQ(t.monitors.OpenHandleCount(), 0u);
}

TEST(MonitorHandles, TwoMonitorsWithoutANameShareOneRecordAndLeakNoHandle) {
  DeviceTestEnv t;
  // No display devices: neither physical monitor resolves, both get the UID of "".
  const MonitorHandle h = t.displays.AddMonitor(u"\\\\.\\DISPLAY1");
  t.monitors.AddPhysical(h, SimPhysicalMonitor{});
  t.monitors.AddPhysical(h, SimPhysicalMonitor{});
  DiscoverExternalMonitors(t.env);
  ASSERT_EQ(t.devices.Count(), 1);
  const TAssoc& record = *FindChild(t.devices, Variant(DeviceUid(u"")));
  EXPECT_EQ(RecordText(record, u"name"), u"");
  EXPECT_EQ(t.monitors.OpenHandles(), std::vector<PhysicalMonitorHandle>{RecordUInt(record, u"monid")});
}

TEST(MonitorHandles, AMonitorThatThrowsCostsOnlyItselfAndLeaksNoHandle) {
  DeviceTestEnv t;
  t.AddDesktop({{u"AAA0001", u"1&UID1"}, {u"AAA0002", u"1&UID2"}, {u"AAA0003", u"1&UID3"}},
               {SimPhysicalMonitor{}, SimPhysicalMonitor{}, SimPhysicalMonitor{}});
  t.AddDesktop({{u"BBB0001", u"1&UID4"}}, {SimPhysicalMonitor{}});
  // The first monitor fails before a record takes its handle (a record that cannot be read),
  // the second after (the model detection setting cannot be asked).
  const std::u16string first = DeviceUid(u"DISPLAY\\AAA0001\\1&UID1");
  t.devices[first][u"internal"] = Variant(u"perhaps");
  int asked = 0;
  t.env.detectModel = [&]() -> bool {
    if (++asked == 1) throw std::runtime_error("setting unavailable");
    return false;
  };
  DiscoverExternalMonitors(t.env);

  for (const char16_t* name :
       {u"DISPLAY\\AAA0002\\1&UID2", u"DISPLAY\\AAA0003\\1&UID3", u"DISPLAY\\BBB0001\\1&UID4"})
    EXPECT_TRUE(RecordBool(*FindChild(t.devices, Variant(DeviceUid(name))), u"active")) << ToUtf8(name);
  std::vector<PhysicalMonitorHandle> held;
  for (const Variant& uid : t.devices.Keys())
    if (const uint64_t monid = RecordUInt(*FindChild(t.devices, uid), u"monid")) held.push_back(monid);
  std::sort(held.begin(), held.end());
  EXPECT_EQ(t.monitors.OpenHandles(), held);
  EXPECT_EQ(t.monitors.DestroyedCount(), 1u);
  const auto lines = t.log.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].rfind("[12:00:00] ERROR! Error discovering physmon 0/0: ", 0), 0u) << lines[0];
  EXPECT_EQ(lines[1], "[12:00:00] ERROR! Error discovering physmon 0/1: setting unavailable");
}

} // namespace
} // namespace lumivane
