#pragma once
// Simulated service control manager: services with a state, and failures at each stage.
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "platform/Services.h"

namespace lumivane {

class SimServiceManager final : public IServiceManager {
 public:
  static constexpr uint32_t kStopped = 1; // SERVICE_STOPPED

  // winmgmt starts out running.
  SimServiceManager() { SetState(u"winmgmt", kServiceRunning); }
  void SetState(const std::u16string& name, uint32_t state);
  void Remove(const std::u16string& name); // OpenServiceW then fails: no such service
  // The stage fails with errorCode (Ok clears every failure).
  void Fail(ServiceQuery::Stage stage, uint32_t errorCode);
  size_t Queries() const;

  ServiceQuery QueryServiceState(const std::u16string& name) override;

 private:
  mutable std::mutex mutex_;
  std::map<std::u16string, uint32_t> states_;
  ServiceQuery::Stage failStage_ = ServiceQuery::Stage::Ok;
  uint32_t failCode_ = 0;
  size_t queries_ = 0;
};

} // namespace lumivane
