#include "devices/Devices.h"
#include "devices/LogText.h"

namespace lumivane {

bool IsServiceRunning(const DevicePorts& ports, const std::u16string& name) {
  const ServiceQuery q = ports.services.QueryServiceState(name);
  const std::u16string message = ports.errors.MessageText(q.errorCode);
  switch (q.stage) {
  case ServiceQuery::Stage::ManagerFailed:
    ports.log.LogError(FillText(u"Failed to open the service manager: %s", {message}));
    return false;
  case ServiceQuery::Stage::ServiceFailed:
    ports.log.LogError(FillText(u"Failed to open the service \"%s\": %s", {name, message}));
    return false;
  case ServiceQuery::Stage::StatusFailed:
    ports.log.LogError(FillText(u"Failed to get the status of the service \"%s\": %s", {name, message}));
    return false;
  case ServiceQuery::Stage::Ok:
    break;
  }
  return q.currentState == IServiceManager::kServiceRunning;
}

} // namespace lumivane
