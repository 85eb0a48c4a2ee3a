#include "platform/sim/SimServiceManager.h"

#include "platform/sim/SimSystemErrors.h"

namespace lumivane {

void SimServiceManager::SetState(const std::u16string& name, uint32_t state) {
  std::lock_guard lock(mutex_);
  states_[name] = state;
}

void SimServiceManager::Remove(const std::u16string& name) {
  std::lock_guard lock(mutex_);
  states_.erase(name);
}

void SimServiceManager::Fail(ServiceQuery::Stage stage, uint32_t errorCode) {
  std::lock_guard lock(mutex_);
  failStage_ = stage;
  failCode_ = errorCode;
}

size_t SimServiceManager::Queries() const {
  std::lock_guard lock(mutex_);
  return queries_;
}

ServiceQuery SimServiceManager::QueryServiceState(const std::u16string& name) {
  std::lock_guard lock(mutex_);
  ++queries_;
  ServiceQuery q;
  if (failStage_ == ServiceQuery::Stage::ManagerFailed) {
    q.stage = failStage_;
    q.errorCode = failCode_;
  } else if (!states_.count(name)) {
    q.stage = ServiceQuery::Stage::ServiceFailed;
    q.errorCode = SimSystemErrors::kServiceDoesNotExist;
  } else if (failStage_ != ServiceQuery::Stage::Ok) {
    q.stage = failStage_;
    q.errorCode = failCode_;
  } else {
    q.currentState = states_[name];
  }
  if (q.stage != ServiceQuery::Stage::Ok) SimSystemErrors::SetLastError(q.errorCode);
  return q;
}

} // namespace lumivane
