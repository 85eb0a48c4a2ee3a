#pragma once
// Service state from the service control manager.
#include "platform/Services.h"

namespace lumivane::win32 {

class Win32ServiceManager final : public IServiceManager {
 public:
  ServiceQuery QueryServiceState(const std::u16string& name) override;
};

} // namespace lumivane::win32
