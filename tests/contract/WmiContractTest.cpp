// The WMI contract against simulated WMI with one external monitor and no panel.
#include "contract/WmiContract.h"

#include "platform/sim/SimWmi.h"

namespace lumivane::contract {
namespace {

class SimWmiBackend {
 public:
  SimWmiBackend() {
    wmi_.Add(SimWmiMonitor::Identity(u"DISPLAY\\ABC1234\\5&1a2b3c&0&UID4352_0", "ABC", "1234", "SIM 27B",
                                     WmiValue::Int(7)));
  }

  IWmi& Wmi() { return wmi_; }
  bool RefusesUnknownClasses() const { return true; }
  std::u16string ObjectQuery() const { return ActiveQuery(u"WmiMonitorID"); }
  std::vector<std::pair<std::u16string, WmiValue::Kind>> Properties() const {
    return {{u"InstanceName", WmiValue::Kind::Text},
            {u"Active", WmiValue::Kind::Integer},
            {u"ManufacturerName", WmiValue::Kind::Array},
            {u"UserFriendlyNameLength", WmiValue::Kind::Integer}};
  }

 private:
  SimWmi wmi_;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Sim, WmiContract, SimWmiBackend);

} // namespace
} // namespace lumivane::contract
