// The display configuration contract against the system's desktop monitors (under Wine: one
// screen, \\.\DISPLAY1, with one monitor device).
#include "contract/DisplayConfigContract.h"

#include <windows.h>

#include "platform/win32/Win32DisplayConfig.h"

namespace lumivane::contract {
namespace {

class Win32DisplayConfigBackend {
 public:
  IDisplayConfig& Displays() { return displays_; }
  MonitorHandle NotAMonitor() const { return 0x12345; }
  uint32_t LastError() const { return ::GetLastError(); }
  void ClearLastError() { ::SetLastError(0); }

 private:
  win32::Win32DisplayConfig displays_;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, DisplayConfigContract, Win32DisplayConfigBackend);

} // namespace
} // namespace lumivane::contract
