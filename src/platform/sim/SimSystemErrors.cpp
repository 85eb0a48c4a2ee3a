#include "platform/sim/SimSystemErrors.h"

#include <cstdio>

namespace lumivane {

namespace {
thread_local uint32_t lastError = 0;

std::u16string Widen(const char* s) {
  std::u16string out;
  while (*s)
    out.push_back(static_cast<char16_t>(static_cast<unsigned char>(*s++)));
  return out;
}
} // namespace

void SimSystemErrors::SetLastError(uint32_t code) {
  lastError = code;
}

uint32_t SimSystemErrors::LastError() const {
  return lastError;
}

std::u16string SimSystemErrors::MessageText(uint32_t code) const {
  switch (code) {
  case 0:
    return u"The operation completed successfully.";
  case kAccessDenied:
    return u"Access is denied.";
  case kInvalidHandle:
    return u"The handle is invalid.";
  case kGenFailure:
    return u"A device attached to the system is not functioning.";
  case kInvalidParameter:
    return u"The parameter is incorrect.";
  case kNotSupported:
    return u"The request is not supported.";
  case kCallNotImplemented:
    return u"This function is not supported on this system.";
  case kServiceDoesNotExist:
    return u"The specified service does not exist as an installed service.";
  case kNoSystemResources:
    return u"Insufficient system resources exist to complete the requested service.";
  case kInvalidMonitorHandle:
    return u"Invalid monitor handle.";
  case kI2cError:
    return u"An error occurred while transmitting data to the device on the I2C bus.";
  default: {
    char buf[48];
    std::snprintf(buf, sizeof buf, "Unknown error 0x%08X", static_cast<unsigned>(code));
    return Widen(buf);
  }
  }
}

} // namespace lumivane
