// Desktop monitors, display devices and modes as the system (here: Wine) reports them.
#include <windows.h>

#include <gtest/gtest.h>

#include <iostream>
#include <string>

#include "text/Utf.h"
#include "platform/win32/Win32DisplayConfig.h"

namespace lumivane::win32 {
namespace {

TEST(DisplayConfigAdapterTest, EveryDesktopMonitorHasADeviceNameAndACurrentMode) {
  Win32DisplayConfig displays;
  const auto monitors = displays.EnumDisplayMonitors();
  ASSERT_FALSE(monitors.empty());
  EXPECT_EQ(displays.EnumDisplayMonitors(), monitors) << "the order is stable";
  for (MonitorHandle monitor : monitors) {
    std::u16string name;
    ASSERT_TRUE(displays.GetMonitorDeviceName(monitor, name)) << ::GetLastError();
    EXPECT_EQ(name.rfind(u"\\\\.\\DISPLAY", 0), 0u) << ToUtf8(name);
    DisplayMode mode;
    ASSERT_TRUE(displays.GetCurrentDisplayMode(name, mode)) << ToUtf8(name);
    EXPECT_GT(mode.width, 0u);
    EXPECT_GT(mode.height, 0u);
    std::cout << ToUtf8(name) << ": " << mode.width << "x" << mode.height << " " << mode.frequency << " Hz\n";
  }
}

// What pairs a physical monitor with a plug-and-play name: the monitor devices of the desktop
// monitor's adapter, walked by index until the call fails.
TEST(DisplayConfigAdapterTest, MonitorDevicesEndWithAFailedCallAndCarryInterfaceNames) {
  Win32DisplayConfig displays;
  const auto monitors = displays.EnumDisplayMonitors();
  ASSERT_FALSE(monitors.empty());
  std::u16string name;
  ASSERT_TRUE(displays.GetMonitorDeviceName(monitors.front(), name));
  uint32_t index = 0;
  DisplayDeviceEntry entry;
  for (; index < 16 && displays.EnumDisplayDevice(name, index, entry); ++index) {
    std::cout << "device " << index << ": flags 0x" << std::hex << entry.stateFlags << std::dec << " id "
              << ToUtf8(entry.deviceId) << "\n";
    EXPECT_FALSE(entry.deviceId.empty());
  }
  EXPECT_GE(index, 1u) << "at least one monitor device";
  EXPECT_LT(index, 16u) << "the walk ends";
}

TEST(DisplayConfigAdapterTest, UnknownDeviceNamesAndMonitorHandlesAreRefused) {
  Win32DisplayConfig displays;
  DisplayDeviceEntry entry;
  DisplayMode mode;
  std::u16string name;
  EXPECT_FALSE(displays.EnumDisplayDevice(u"\\\\.\\DISPLAY99", 0, entry));
  EXPECT_FALSE(displays.GetCurrentDisplayMode(u"\\\\.\\DISPLAY99", mode));
  EXPECT_FALSE(displays.GetMonitorDeviceName(0x12345, name));
}

} // namespace
} // namespace lumivane::win32
