#include "platform/win32/Win32DisplayConfig.h"

#include <windows.h>

#include <cwchar>

namespace lumivane::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t));
// The sizes the callers' structures must announce, on 32- and 64-bit builds alike.
static_assert(sizeof(MONITORINFOEXW) == 104);
static_assert(sizeof(DISPLAY_DEVICEW) == 840);
static_assert(sizeof(DEVMODEW) == 220);

namespace {

// Fixed-size WCHAR fields are not guaranteed to hold a terminator.
template <size_t N> std::u16string FromField(const WCHAR (&field)[N]) {
  return std::u16string(reinterpret_cast<const char16_t*>(field), ::wcsnlen(field, N));
}

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM param) noexcept {
  try {
    reinterpret_cast<std::vector<MonitorHandle>*>(param)->push_back(reinterpret_cast<MonitorHandle>(monitor));
    return TRUE;
  } catch (...) {
    return FALSE; // out of memory: keep the monitors collected so far
  }
}

} // namespace

std::vector<MonitorHandle> Win32DisplayConfig::EnumDisplayMonitors() {
  std::vector<MonitorHandle> monitors;
  // On failure the monitors collected so far are still in enumeration order.
  ::EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&monitors));
  return monitors;
}

bool Win32DisplayConfig::GetMonitorDeviceName(MonitorHandle monitor, std::u16string& deviceName) {
  MONITORINFOEXW info{};
  info.cbSize = sizeof(info);
  if (!::GetMonitorInfoW(reinterpret_cast<HMONITOR>(monitor), &info)) return false;
  deviceName = FromField(info.szDevice);
  return true;
}

bool Win32DisplayConfig::EnumDisplayDevice(const std::u16string& deviceName, uint32_t index,
                                           DisplayDeviceEntry& entry) {
  DISPLAY_DEVICEW device{};
  device.cb = sizeof(device);
  if (!::EnumDisplayDevicesW(Wide(deviceName), index, &device, EDD_GET_DEVICE_INTERFACE_NAME)) return false;
  entry.stateFlags = device.StateFlags;
  entry.deviceId = FromField(device.DeviceID);
  return true;
}

bool Win32DisplayConfig::GetCurrentDisplayMode(const std::u16string& deviceName, DisplayMode& mode) {
  DEVMODEW devMode{};
  devMode.dmSize = sizeof(devMode);
  if (!::EnumDisplaySettingsW(Wide(deviceName), ENUM_CURRENT_SETTINGS, &devMode)) return false;
  mode.width = devMode.dmPelsWidth;
  mode.height = devMode.dmPelsHeight;
  mode.frequency = devMode.dmDisplayFrequency;
  return true;
}

} // namespace lumivane::win32
