#include "platform/win32/Win32ServiceManager.h"

#include "platform/win32/UniqueHandles.h"

namespace lumivane::win32 {

ServiceQuery Win32ServiceManager::QueryServiceState(const std::u16string& name) {
  ServiceQuery result;
  auto fail = [&result](ServiceQuery::Stage stage) {
    result.stage = stage;
    result.errorCode = ::GetLastError();
    return result;
  };
  UniqueScHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) return fail(ServiceQuery::Stage::ManagerFailed);
  UniqueScHandle service(
      ::OpenServiceW(manager.get(), reinterpret_cast<const wchar_t*>(name.c_str()), SERVICE_QUERY_STATUS));
  if (!service) return fail(ServiceQuery::Stage::ServiceFailed);
  SERVICE_STATUS status{};
  if (!::QueryServiceStatus(service.get(), &status)) return fail(ServiceQuery::Stage::StatusFailed);
  result.currentState = status.dwCurrentState;
  return result;
}

} // namespace lumivane::win32
