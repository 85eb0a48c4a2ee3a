// The service check, the DDC/CI and WMI writers and the WMI read-back, with their log texts.
#include <gtest/gtest.h>

#include "DeviceTestEnv.h"

namespace lumivane {
namespace {

using Stage = SimWmi::Stage;
const std::u16string kPanel = u"DISPLAY\\LEN40A9\\4&2e1c&0&UID265988_0";

TEST(IsServiceRunning, AnswersAndLogsEachStageOfTheServiceManager) {
  struct Case {
    const char* what;
    std::function<void(SimServiceManager&)> setup;
    bool running;
    std::vector<std::string> log;
  };
  const Case cases[] = {
      {"running", [](SimServiceManager&) {}, true, {}},
      {"stopped is not an error",
       [](SimServiceManager& s) { s.SetState(u"winmgmt", SimServiceManager::kStopped); },
       false,
       {}},
      {"manager",
       [](SimServiceManager& s) {
         s.Fail(ServiceQuery::Stage::ManagerFailed, SimSystemErrors::kAccessDenied);
       },
       false,
       {"[12:00:00] ERROR! Failed to open the service manager: Access is denied."}},
      {"missing",
       [](SimServiceManager& s) { s.Remove(u"winmgmt"); },
       false,
       {"[12:00:00] ERROR! Failed to open the service \"winmgmt\": The specified service does not exist as "
        "an "
        "installed service."}},
      {"status",
       [](SimServiceManager& s) {
         s.Fail(ServiceQuery::Stage::StatusFailed, SimSystemErrors::kAccessDenied);
       },
       false,
       {"[12:00:00] ERROR! Failed to get the status of the service \"winmgmt\": Access is denied."}},
  };
  for (const Case& c : cases) {
    DeviceTestEnv t;
    c.setup(t.services);
    EXPECT_EQ(IsServiceRunning(t.env.ports, u"winmgmt"), c.running) << c.what;
    EXPECT_EQ(t.log.Lines(), c.log) << c.what;
  }
}

TEST(WriteMonitorBrightness, SetsTheMonitorOrLogsThePlatformErrorAfterTheNumber) {
  DeviceTestEnv t;
  SimPhysicalMonitor broken;
  broken.failEveryWrite = true;
  t.AddDesktop({{u"AAA0001", u"1&UID1"}, {u"AAA0002", u"1&UID2"}}, {SimPhysicalMonitor{}, broken});
  t.Discover();
  const auto handles = t.monitors.OpenHandles();
  ASSERT_EQ(handles.size(), 2u);

  EXPECT_TRUE(WriteMonitorBrightness(t.env.ports, 70, handles[0], u"1"));
  EXPECT_EQ(t.monitors.State(0).current, 70u);
  EXPECT_FALSE(WriteMonitorBrightness(t.env.ports, 70, handles[1], u"2"));
  EXPECT_FALSE(WriteMonitorBrightness(t.env.ports, 70, 0xBAD, u"3"));
  EXPECT_THROW(WriteMonitorBrightness(t.env.ports, -1, handles[0], u"1"), std::invalid_argument);
  EXPECT_EQ(t.monitors.Writes().size(), 1u);
  EXPECT_EQ(t.log.Lines(),
            (std::vector<std::string>{
                "[12:00:00] ERROR! Device #2 failed to set monitor brightness: An error occurred "
                "while transmitting data to the device on the I2C bus.",
                "[12:00:00] ERROR! Device #3 failed to set monitor brightness: The handle is invalid.",
            }));
}

struct WmiWriteCase {
  const char* what;
  std::function<void(DeviceTestEnv&, size_t panel)> setup;
  bool result;
  size_t methodCalls;
  std::vector<std::string> log;
};

TEST(WriteDisplayBrightness, WritesTheFirstMatchingMethodsObjectOnly) {
  const WmiWriteCase cases[] = {
      {"written", [](DeviceTestEnv&, size_t) {}, true, 1, {}},
      {"several objects share the uid",
       [](DeviceTestEnv& t, size_t p) {
         auto m = t.wmi.State(p);
         m.methods = 3;
         t.wmi.Update(p, m);
       },
       true,
       1,
       {}},
      {"no methods object",
       [](DeviceTestEnv& t, size_t p) {
         auto m = t.wmi.State(p);
         m.methods = 0;
         t.wmi.Update(p, m);
       },
       false,
       0,
       {}},
      {"refused",
       [](DeviceTestEnv& t, size_t p) {
         auto m = t.wmi.State(p);
         m.setResult = 5;
         t.wmi.Update(p, m);
       },
       false,
       1,
       {"[12:00:00] ERROR! Device #1 failed to set display brightness"}},
      {"service down",
       [](DeviceTestEnv& t, size_t) { t.services.SetState(u"winmgmt", SimServiceManager::kStopped); },
       false,
       0,
       {"[12:00:00] ERROR! Service \"winmgmt\" (WMI) is down!"}},
      {"connect",
       [](DeviceTestEnv& t, size_t) { t.wmi.FailAt(Stage::Connect, 1, u"Access denied "); },
       false,
       0,
       {"[12:00:00] ERROR! WMI message: Access denied "}},
      {"query",
       [](DeviceTestEnv& t, size_t) { t.wmi.FailAt(Stage::Query, 1, u"Quota violation "); },
       false,
       0,
       {"[12:00:00] ERROR! WMI message: Quota violation "}},
      {"enumeration",
       [](DeviceTestEnv& t, size_t) { t.wmi.FailAt(Stage::Next, 1, u"Generic failure "); },
       false,
       0,
       {"[12:00:00] ERROR! WMI message: Generic failure "}},
      {"property",
       [](DeviceTestEnv& t, size_t) { t.wmi.FailAt(Stage::Get, 1, u"Not found "); },
       false,
       0,
       {"[12:00:00] ERROR! WMI message: Not found "}},
      {"method",
       [](DeviceTestEnv& t, size_t) { t.wmi.FailAt(Stage::Method, 1, u"Not supported "); },
       false,
       0,
       {"[12:00:00] ERROR! WMI message: Not supported "}},
      {"locator cannot be made",
       [](DeviceTestEnv& t, size_t) {
         t.wmi.FailLocator("The WMI locator cannot be created: Class not registered");
       },
       false,
       0,
       {"[12:00:00] ERROR! WMI message: The WMI locator cannot be created: Class not registered"}},
  };
  for (const auto& c : cases) {
    DeviceTestEnv t;
    t.wmi.Add(SimWmiMonitor::Panel(u"DISPLAY\\OTHER\\1&UID9_0", 10, {}));
    const size_t panel = t.wmi.Add(SimWmiMonitor::Panel(kPanel, 40, {0, 50, 100}));
    c.setup(t, panel);
    EXPECT_EQ(WriteDisplayBrightness(t.env.ports, DeviceUid(kPanel), u"1", 60), c.result) << c.what;
    const auto calls = t.wmi.MethodCalls();
    ASSERT_EQ(calls.size(), c.methodCalls) << c.what;
    if (!calls.empty()) {
      EXPECT_EQ(calls[0].monitor, panel) << c.what;
      EXPECT_EQ(calls[0].args,
                (std::vector<std::pair<std::u16string, int32_t>>{{u"Timeout", 1}, {u"Brightness", 60}}));
    }
    EXPECT_EQ(t.wmi.State(panel).currentBrightness, c.result ? 60 : 40) << c.what;
    EXPECT_EQ(t.log.Lines(), c.log) << c.what;
  }
}

TEST(ReadDisplayBrightness, ReadsThePanelOrGivesMinusOne) {
  DeviceTestEnv t;
  t.wmi.Add(SimWmiMonitor::Panel(u"DISPLAY\\OTHER\\1&UID9_0", 10, {}));
  t.wmi.Add(SimWmiMonitor::Panel(kPanel, 35, {}));
  EXPECT_EQ(ReadDisplayBrightness(t.env.ports, DeviceUid(kPanel)), 35);
  // The desktop form of the name is the same device.
  EXPECT_EQ(ReadDisplayBrightness(t.env.ports, DeviceUid(u"DISPLAY\\LEN40A9\\4&2e1c&0&UID265988")), 35);
  EXPECT_EQ(ReadDisplayBrightness(t.env.ports, DeviceUid(u"DISPLAY\\NONE\\1&UID1")), -1);
  EXPECT_TRUE(t.log.Lines().empty());

  t.wmi.FailAt(Stage::Get, 0, u"Generic failure ");
  EXPECT_EQ(ReadDisplayBrightness(t.env.ports, DeviceUid(kPanel)), -1);
  EXPECT_EQ(t.log.Lines(), std::vector<std::string>{"[12:00:00] WMI error: Generic failure "});

  t.wmi.ClearFailures();
  t.wmi.FailLocator("The WMI locator cannot be created: Class not registered");
  EXPECT_EQ(ReadDisplayBrightness(t.env.ports, DeviceUid(kPanel)), -1);
  EXPECT_EQ(t.log.Lines().back(),
            "[12:00:00] WMI error: The WMI locator cannot be created: Class not registered");

  t.wmi.ClearFailures();
  t.services.SetState(u"winmgmt", SimServiceManager::kStopped);
  EXPECT_EQ(ReadDisplayBrightness(t.env.ports, DeviceUid(kPanel)), -1);
  EXPECT_EQ(t.log.Lines().size(), 2u);
}

// A value no brightness field can hold is no reading: the caller counts it as a failure.
TEST(ReadDisplayBrightness, GivesMinusOneForAValueNoBrightnessCanHold) {
  const std::pair<WmiValue, int64_t> cases[] = {
      {WmiValue::Int(0), 0},
      {WmiValue::Int(INT32_MAX), INT32_MAX},
      {WmiValue::Int(int64_t{INT32_MAX} + 1), -1},
      {WmiValue::Int(-5), -1},
      {WmiValue::Str(u"35"), -1},
  };
  for (const auto& [answer, expected] : cases) {
    DeviceTestEnv t;
    SimWmiMonitor panel = SimWmiMonitor::Panel(kPanel, 35, {});
    panel.brightnessAnswer = answer;
    t.wmi.Add(panel);
    EXPECT_EQ(ReadDisplayBrightness(t.env.ports, DeviceUid(kPanel)), expected) << answer.integer;
    EXPECT_TRUE(t.log.Lines().empty());
  }
}

} // namespace
} // namespace lumivane
