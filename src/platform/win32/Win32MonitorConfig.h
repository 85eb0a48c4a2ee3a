#pragma once
// The Monitor Configuration API from System32's dxva2.dll, resolved at run time so that a
// machine without it still starts: every call then fails with a last error the caller logs.
#include <windows.h>

#include <physicalmonitorenumerationapi.h>

#include "platform/MonitorConfig.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/UniqueHandles.h"

namespace lumivane::win32 {

class Win32MonitorConfig final : public IMonitorConfig {
 public:
  // Loads dxva2.dll from System32 only; a copy in the program's folder is never used.
  Win32MonitorConfig();
  // Uses a module the caller has loaded (tests load the DDC/CI simulator this way). An empty
  // module behaves like a missing dxva2.dll.
  explicit Win32MonitorConfig(UniqueHmodule module);

  bool GetNumberOfPhysicalMonitors(MonitorHandle monitor, uint32_t& count) override;
  bool GetPhysicalMonitors(MonitorHandle monitor, uint32_t count,
                           std::vector<PhysicalMonitorHandle>& handles) override;
  bool GetMonitorBrightness(PhysicalMonitorHandle handle, BrightnessRange& range) override;
  bool SetMonitorBrightness(PhysicalMonitorHandle handle, uint32_t value) override;
  bool GetCapabilitiesStringLength(PhysicalMonitorHandle handle, uint32_t& length) override;
  bool CapabilitiesRequestAndCapabilitiesReply(PhysicalMonitorHandle handle, std::string& bytes,
                                               uint32_t length) override;
  void DestroyPhysicalMonitor(PhysicalMonitorHandle handle) override;

  // Larger answers than these are refused as ERROR_INVALID_PARAMETER instead of being allocated.
  static constexpr uint32_t kMaxPhysicalMonitors = lumivane::kMaxPhysicalMonitors;
  static constexpr uint32_t kMaxCapabilitiesLength = lumivane::kMaxCapabilitiesLength;

 private:
  using GetNumberFn = BOOL(WINAPI*)(HMONITOR, DWORD*);
  using GetPhysicalFn = BOOL(WINAPI*)(HMONITOR, DWORD, LPPHYSICAL_MONITOR);
  using GetBrightnessFn = BOOL(WINAPI*)(HANDLE, DWORD*, DWORD*, DWORD*);
  using SetBrightnessFn = BOOL(WINAPI*)(HANDLE, DWORD);
  using CapsLengthFn = BOOL(WINAPI*)(HANDLE, DWORD*);
  using CapsReplyFn = BOOL(WINAPI*)(HANDLE, LPSTR, DWORD);
  using DestroyFn = BOOL(WINAPI*)(HANDLE);

  void Resolve();
  // Sets the reason a function is unavailable as the last error; returns false.
  bool Unavailable() const;

  UniqueHmodule module_;
  DWORD loadError_ = ERROR_SUCCESS; // why the module could not be loaded
  GetNumberFn getNumber_ = nullptr;
  GetPhysicalFn getPhysical_ = nullptr;
  GetBrightnessFn getBrightness_ = nullptr;
  SetBrightnessFn setBrightness_ = nullptr;
  CapsLengthFn capsLength_ = nullptr;
  CapsReplyFn capsReply_ = nullptr;
  DestroyFn destroy_ = nullptr;
};

} // namespace lumivane::win32
