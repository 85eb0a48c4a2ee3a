#include "platform/win32/Win32MonitorConfig.h"

#include <string>

namespace lumivane::win32 {

namespace {

HANDLE ToHandle(PhysicalMonitorHandle handle) {
  return reinterpret_cast<HANDLE>(handle);
}
HMONITOR ToMonitor(MonitorHandle monitor) {
  return reinterpret_cast<HMONITOR>(monitor);
}

template <typename Fn> void Lookup(HMODULE module, const char* name, Fn& fn) {
  fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

} // namespace

Win32MonitorConfig::Win32MonitorConfig() : module_(LoadSystemLibrary(L"dxva2.dll")) {
  if (!module_) loadError_ = ::GetLastError();
  Resolve();
}

Win32MonitorConfig::Win32MonitorConfig(UniqueHmodule module) : module_(std::move(module)) {
  if (!module_) loadError_ = ERROR_MOD_NOT_FOUND;
  Resolve();
}

void Win32MonitorConfig::Resolve() {
  if (!module_) {
    if (loadError_ == ERROR_SUCCESS) loadError_ = ERROR_MOD_NOT_FOUND;
    return;
  }
  HMODULE m = module_.get();
  Lookup(m, "GetNumberOfPhysicalMonitorsFromHMONITOR", getNumber_);
  Lookup(m, "GetPhysicalMonitorsFromHMONITOR", getPhysical_);
  Lookup(m, "GetMonitorBrightness", getBrightness_);
  Lookup(m, "SetMonitorBrightness", setBrightness_);
  Lookup(m, "GetCapabilitiesStringLength", capsLength_);
  Lookup(m, "CapabilitiesRequestAndCapabilitiesReply", capsReply_);
  Lookup(m, "DestroyPhysicalMonitor", destroy_);
}

bool Win32MonitorConfig::Unavailable() const {
  ::SetLastError(module_ ? ERROR_PROC_NOT_FOUND : loadError_);
  return false;
}

bool Win32MonitorConfig::GetNumberOfPhysicalMonitors(MonitorHandle monitor, uint32_t& count) {
  if (!getNumber_) return Unavailable();
  DWORD n = 0;
  if (!getNumber_(ToMonitor(monitor), &n)) return false;
  count = n;
  return true;
}

bool Win32MonitorConfig::GetPhysicalMonitors(MonitorHandle monitor, uint32_t count,
                                             std::vector<PhysicalMonitorHandle>& handles) {
  if (!getPhysical_) return Unavailable();
  if (count > kMaxPhysicalMonitors) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  // Value-initialised: the API expects a zero-filled array.
  std::vector<PHYSICAL_MONITOR> records(count);
  if (!getPhysical_(ToMonitor(monitor), count, records.data())) return false;
  handles.clear();
  handles.reserve(count);
  for (const auto& r : records)
    handles.push_back(reinterpret_cast<PhysicalMonitorHandle>(r.hPhysicalMonitor));
  return true;
}

bool Win32MonitorConfig::GetMonitorBrightness(PhysicalMonitorHandle handle, BrightnessRange& range) {
  if (!getBrightness_) return Unavailable();
  DWORD minimum = 0, current = 0, maximum = 0;
  if (!getBrightness_(ToHandle(handle), &minimum, &current, &maximum)) return false;
  range.minimum = minimum;
  range.current = current;
  range.maximum = maximum;
  return true;
}

bool Win32MonitorConfig::SetMonitorBrightness(PhysicalMonitorHandle handle, uint32_t value) {
  if (!setBrightness_) return Unavailable();
  return setBrightness_(ToHandle(handle), value) != FALSE;
}

bool Win32MonitorConfig::GetCapabilitiesStringLength(PhysicalMonitorHandle handle, uint32_t& length) {
  if (!capsLength_) return Unavailable();
  DWORD n = 0;
  if (!capsLength_(ToHandle(handle), &n)) return false;
  length = n;
  return true;
}

bool Win32MonitorConfig::CapabilitiesRequestAndCapabilitiesReply(PhysicalMonitorHandle handle,
                                                                 std::string& bytes, uint32_t length) {
  if (!capsReply_) return Unavailable();
  if (length == 0 || length > kMaxCapabilitiesLength) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  bytes.assign(length, '\0');
  return capsReply_(ToHandle(handle), bytes.data(), length) != FALSE;
}

void Win32MonitorConfig::DestroyPhysicalMonitor(PhysicalMonitorHandle handle) {
  if (destroy_) destroy_(ToHandle(handle));
}

} // namespace lumivane::win32
