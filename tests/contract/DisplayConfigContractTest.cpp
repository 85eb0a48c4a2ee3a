// The display configuration contract against simulated desktop monitors, set up as Wine reports
// its one screen.
#include "contract/DisplayConfigContract.h"

#include "platform/sim/SimDisplayConfig.h"
#include "platform/sim/SimSystemErrors.h"

namespace lumivane::contract {
namespace {

class SimDisplayConfigBackend {
 public:
  SimDisplayConfigBackend() {
    const MonitorHandle first = displays_.AddMonitor(u"\\\\.\\DISPLAY1", DisplayMode{1024, 768, 0});
    displays_.AddDisplayDevice(first, {SimDisplayConfig::kActive | 0x2,
                                       SimDisplayConfig::InterfaceName(u"Default_Monitor", u"0000&0000")});
    const MonitorHandle second = displays_.AddMonitor(u"\\\\.\\DISPLAY2", DisplayMode{2560, 1440, 144});
    displays_.AddDisplayDevice(second, {SimDisplayConfig::kActive,
                                        SimDisplayConfig::InterfaceName(u"ABC1234", u"5&1a2b3c&0&UID4352")});
  }

  IDisplayConfig& Displays() { return displays_; }
  MonitorHandle NotAMonitor() const { return 0x12345; }
  uint32_t LastError() const { return errors_.LastError(); }
  void ClearLastError() { SimSystemErrors::SetLastError(0); }

 private:
  SimDisplayConfig displays_;
  SimSystemErrors errors_;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Sim, DisplayConfigContract, SimDisplayConfigBackend);

} // namespace
} // namespace lumivane::contract
