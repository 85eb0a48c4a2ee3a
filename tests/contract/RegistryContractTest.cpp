// The registry contract against the simulated registry.
#include "contract/RegistryContract.h"

#include "platform/sim/SimRegistry.h"

namespace lumivane::contract {
namespace {

class SimRegistryBackend {
 public:
  IRegistry& Registry() { return registry_; }
  std::u16string ScratchKey() const { return u"\\SOFTWARE\\LumivaneTest"; }
  void PutExpandString(const std::u16string& key, const std::u16string& name, const std::u16string& text) {
    registry_.SetExpandString(key, name, text);
  }
  void PutBinary(const std::u16string& key, const std::u16string& name) { registry_.SetBinary(key, name); }
  bool KeyExists(const std::u16string& key) const { return registry_.KeyExists(key); }

 private:
  SimRegistry registry_;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Sim, RegistryContract, SimRegistryBackend);

} // namespace
} // namespace lumivane::contract
