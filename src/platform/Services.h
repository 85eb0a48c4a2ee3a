#pragma once
#include <cstdint>
#include <string>

namespace lumivane {

// The service control manager: OpenSCManagerW, OpenServiceW, QueryServiceStatus.
struct ServiceQuery {
  enum class Stage { Ok, ManagerFailed, ServiceFailed, StatusFailed };
  Stage stage = Stage::Ok;
  uint32_t errorCode = 0;    // the last error of the failing call
  uint32_t currentState = 0; // dwCurrentState when stage is Ok; SERVICE_RUNNING = 4
};

class IServiceManager {
 public:
  static constexpr uint32_t kServiceRunning = 4;
  virtual ~IServiceManager() = default;
  virtual ServiceQuery QueryServiceState(const std::u16string& name) = 0;
};

} // namespace lumivane
