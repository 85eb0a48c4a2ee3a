// The simulated WMI answers a method call only where the platform would: WmiSetBrightness on a
// brightness-methods object, with the in-parameters that method declares.
#include "platform/sim/SimWmi.h"

#include <gtest/gtest.h>

namespace lumivane {
namespace {

using Args = std::vector<std::pair<std::u16string, int32_t>>;

TEST(SimWmi, SetsBrightnessOnlyThroughTheMethodsClass) {
  struct Case {
    const char* what;
    const char16_t* className;
    const char16_t* method;
    Args args;
    bool answers;
    int64_t brightness; // the panel's CurrentBrightness afterwards
  };
  const Case cases[] = {
      {"methods object",
       u"WmiMonitorBrightnessMethods",
       u"WmiSetBrightness",
       {{u"Timeout", 1}, {u"Brightness", 70}},
       true,
       70},
      {"brightness object",
       u"WmiMonitorBrightness",
       u"WmiSetBrightness",
       {{u"Timeout", 1}, {u"Brightness", 70}},
       false,
       40},
      {"identity object",
       u"WmiMonitorID",
       u"WmiSetBrightness",
       {{u"Timeout", 1}, {u"Brightness", 70}},
       false,
       40},
      {"unknown method", u"WmiMonitorBrightnessMethods", u"WmiRevertToPolicyBrightness", {}, false, 40},
      {"undeclared in-parameter",
       u"WmiMonitorBrightnessMethods",
       u"WmiSetBrightness",
       {{u"Timeout", 1}, {u"Level", 70}},
       false,
       40},
  };
  for (const Case& c : cases) {
    SimWmi wmi;
    const size_t panel = wmi.Add(SimWmiMonitor::Panel(u"DISPLAY\\LEN40A9\\4&2e&0&UID1_0", 40, {}));
    auto services = wmi.Connect(u"root\\WMI");
    auto objects =
        services->ExecQuery(u"SELECT * FROM " + std::u16string(c.className) + u" WHERE Active=True");
    auto object = objects->Next();
    ASSERT_NE(object, nullptr) << c.what;
    if (c.answers) {
      EXPECT_EQ(object->CallMethod(c.method, c.args), 0) << c.what;
    } else {
      EXPECT_THROW(object->CallMethod(c.method, c.args), WmiError) << c.what;
    }
    EXPECT_EQ(wmi.State(panel).currentBrightness, c.brightness) << c.what;
    EXPECT_EQ(wmi.MethodCalls().size(), c.answers ? 1u : 0u) << c.what;
  }
}

} // namespace
} // namespace lumivane
