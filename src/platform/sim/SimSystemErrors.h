#pragma once
// Last error per thread, set by the simulated adapters when a call fails.
#include <cstdint>
#include <string>

#include "platform/SystemErrors.h"

namespace lumivane {

class SimSystemErrors final : public ISystemErrors {
 public:
  static constexpr uint32_t kInvalidHandle = 6;        // ERROR_INVALID_HANDLE
  static constexpr uint32_t kGenFailure = 31;          // ERROR_GEN_FAILURE
  static constexpr uint32_t kNotSupported = 50;        // ERROR_NOT_SUPPORTED
  static constexpr uint32_t kInvalidParameter = 87;    // ERROR_INVALID_PARAMETER
  static constexpr uint32_t kCallNotImplemented = 120; // ERROR_CALL_NOT_IMPLEMENTED
  static constexpr uint32_t kServiceDoesNotExist = 1060;
  static constexpr uint32_t kNoSystemResources = 1450;    // ERROR_NO_SYSTEM_RESOURCES
  static constexpr uint32_t kInvalidMonitorHandle = 1461; // ERROR_INVALID_MONITOR_HANDLE
  static constexpr uint32_t kAccessDenied = 5;
  static constexpr uint32_t kI2cError = 0xC0262582;              // ERROR_GRAPHICS_I2C_ERROR_TRANSMITTING_DATA
  static constexpr uint32_t kMonitorNoLongerExists = 0xC026258D; // ERROR_GRAPHICS_MONITOR_NO_LONGER_EXISTS

  static void SetLastError(uint32_t code);
  uint32_t LastError() const override;
  std::u16string MessageText(uint32_t code) const override;
};

} // namespace lumivane
