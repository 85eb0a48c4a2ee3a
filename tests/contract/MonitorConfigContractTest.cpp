// The monitor configuration contract against the simulated monitors.
#include "contract/MonitorConfigContract.h"

#include "platform/sim/SimDisplayConfig.h"
#include "platform/sim/SimMonitorConfig.h"

namespace lumivane::contract {
namespace {

class SimMonitorConfigBackend {
 public:
  SimMonitorConfigBackend() {
    desktop_ = displays_.AddMonitor(u"\\\\.\\DISPLAY1");
    Install({});
  }

  void Install(const std::vector<ContractMonitor>& monitors) {
    config_ = std::make_unique<SimMonitorConfig>();
    config_->UseDesktopsOf(&displays_);
    ids_.clear();
    for (const ContractMonitor& m : monitors) {
      SimPhysicalMonitor state;
      state.minimum = m.minimum;
      state.current = m.current;
      state.maximum = m.maximum;
      state.capabilities = m.capabilities;
      ids_.push_back(config_->AddPhysical(desktop_, state));
    }
  }

  IMonitorConfig& Config() { return *config_; }
  MonitorHandle Desktop() const { return desktop_; }
  MonitorHandle NotADesktop() const { return desktop_ + 0x100; }

  void Unplug(size_t monitor) {
    SimPhysicalMonitor state = config_->State(ids_.at(monitor));
    state.unplugged = true;
    config_->Update(ids_.at(monitor), state);
  }

  std::vector<ContractWrite> Received() const {
    std::vector<ContractWrite> writes;
    for (const auto& w : config_->Writes())
      writes.push_back(
          {static_cast<size_t>(std::find(ids_.begin(), ids_.end(), w.monitor) - ids_.begin()), w.value});
    return writes;
  }

  uint32_t LastError() const { return errors_.LastError(); }
  void ClearLastError() { SimSystemErrors::SetLastError(0); }

 private:
  SimDisplayConfig displays_;
  MonitorHandle desktop_ = 0;
  std::unique_ptr<SimMonitorConfig> config_;
  std::vector<size_t> ids_;
  SimSystemErrors errors_;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Sim, MonitorConfigContract, SimMonitorConfigBackend);

} // namespace
} // namespace lumivane::contract
