#pragma once
// What the program relies on from the display configuration, run against every adapter of
// IDisplayConfig. A backend B is a fixture trait that provides:
//
//   IDisplayConfig& Displays();  // a machine with at least one desktop monitor
//   MonitorHandle NotAMonitor(); // a value that is no desktop monitor
//   uint32_t LastError();        // the calling thread's last error
//   void ClearLastError();
#include <gtest/gtest.h>

#include <cstdint>
#include <cwctype>
#include <string>
#include <vector>

#include "platform/DisplayConfig.h"

namespace lumivane::contract {

constexpr uint32_t kErrorInvalidMonitorHandle = 1461; // ERROR_INVALID_MONITOR_HANDLE

// The device interface class of monitors, as it ends a monitor device's interface name.
constexpr char16_t kMonitorInterfaceClass[] = u"{e6f07b5f-ee97-4a90-b076-33f57bf4eaa7}";

inline std::u16string FoldCase(std::u16string text) {
  for (auto& c : text)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return text;
}

inline bool IsDisplayDeviceName(const std::u16string& name) {
  static const std::u16string prefix = u"\\\\.\\DISPLAY";
  if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return false;
  for (size_t i = prefix.size(); i < name.size(); ++i)
    if (name[i] < u'0' || name[i] > u'9') return false;
  return name[prefix.size()] != u'0';
}

template <typename Backend> class DisplayConfigContract : public ::testing::Test {
 protected:
  IDisplayConfig& Displays() { return backend_.Displays(); }

  std::u16string FirstDeviceName() {
    const auto monitors = Displays().EnumDisplayMonitors();
    std::u16string name;
    if (monitors.empty() || !Displays().GetMonitorDeviceName(monitors.front(), name))
      ADD_FAILURE() << "no desktop monitor with a device name";
    return name;
  }

  Backend backend_;
};

TYPED_TEST_SUITE_P(DisplayConfigContract);

TYPED_TEST_P(DisplayConfigContract, DesktopMonitorsComeInAStableOrderWithDisplayDeviceNames) {
  const auto monitors = this->Displays().EnumDisplayMonitors();
  ASSERT_FALSE(monitors.empty());
  EXPECT_EQ(this->Displays().EnumDisplayMonitors(), monitors);
  std::vector<std::u16string> names;
  for (MonitorHandle monitor : monitors) {
    std::u16string name;
    ASSERT_TRUE(this->Displays().GetMonitorDeviceName(monitor, name)) << this->backend_.LastError();
    EXPECT_TRUE(IsDisplayDeviceName(name)) << std::string(name.begin(), name.end());
    for (const auto& other : names)
      EXPECT_NE(name, other) << "one device name per desktop monitor";
    names.push_back(name);
  }
}

// The walk over a desktop monitor's monitor devices stops at the first index that fails.
TYPED_TEST_P(DisplayConfigContract, MonitorDevicesCarryInterfaceNamesAndEndWithAFailure) {
  const std::u16string name = this->FirstDeviceName();
  uint32_t count = 0;
  DisplayDeviceEntry entry;
  while (count < 16 && this->Displays().EnumDisplayDevice(name, count, entry)) {
    const std::u16string id = FoldCase(entry.deviceId);
    EXPECT_EQ(id.rfind(u"\\\\?\\display#", 0), 0u) << std::string(id.begin(), id.end());
    EXPECT_GT(id.size(), std::u16string(kMonitorInterfaceClass).size());
    EXPECT_EQ(id.compare(id.size() - std::u16string(kMonitorInterfaceClass).size(), std::u16string::npos,
                         kMonitorInterfaceClass),
              0)
        << std::string(id.begin(), id.end());
    ++count;
  }
  EXPECT_GE(count, 1u) << "the desktop monitor has a monitor device";
  EXPECT_LT(count, 16u) << "the walk ends";
  EXPECT_FALSE(this->Displays().EnumDisplayDevice(name, count + 1, entry)) << "and stays ended";
  EXPECT_FALSE(this->Displays().EnumDisplayDevice(name, 1000, entry));
}

// A frequency of 0 or 1 means the hardware's default rate (Wine on a bare X screen reports 0).
TYPED_TEST_P(DisplayConfigContract, CurrentModeOfEveryDesktopMonitorIsSane) {
  for (MonitorHandle monitor : this->Displays().EnumDisplayMonitors()) {
    std::u16string name;
    ASSERT_TRUE(this->Displays().GetMonitorDeviceName(monitor, name));
    DisplayMode mode;
    ASSERT_TRUE(this->Displays().GetCurrentDisplayMode(name, mode));
    EXPECT_GE(mode.width, 320u);
    EXPECT_LE(mode.width, 32768u);
    EXPECT_GE(mode.height, 200u);
    EXPECT_LE(mode.height, 32768u);
    EXPECT_LE(mode.frequency, 1000u);
  }
}

TYPED_TEST_P(DisplayConfigContract, UnknownMonitorsAndDeviceNamesAreRefused) {
  std::u16string name = u"unchanged";
  this->backend_.ClearLastError();
  EXPECT_FALSE(this->Displays().GetMonitorDeviceName(this->backend_.NotAMonitor(), name));
  EXPECT_EQ(this->backend_.LastError(), kErrorInvalidMonitorHandle);
  EXPECT_EQ(name, u"unchanged");
  DisplayDeviceEntry entry;
  DisplayMode mode;
  for (const char16_t* bogus : {u"\\\\.\\DISPLAY99", u"DISPLAY1"}) {
    EXPECT_FALSE(this->Displays().EnumDisplayDevice(bogus, 0, entry));
    EXPECT_FALSE(this->Displays().GetCurrentDisplayMode(bogus, mode));
  }
}

REGISTER_TYPED_TEST_SUITE_P(DisplayConfigContract, DesktopMonitorsComeInAStableOrderWithDisplayDeviceNames,
                            MonitorDevicesCarryInterfaceNamesAndEndWithAFailure,
                            CurrentModeOfEveryDesktopMonitorIsSane, UnknownMonitorsAndDeviceNamesAreRefused);

} // namespace lumivane::contract
