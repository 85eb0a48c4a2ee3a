#pragma once
#include <cstdint>
#include <string>

namespace lumivane {

// The calling thread's last error code and the system's text for a code.
class ISystemErrors {
 public:
  virtual ~ISystemErrors() = default;
  virtual uint32_t LastError() const = 0;
  virtual std::u16string MessageText(uint32_t code) const = 0; // no trailing line break
};

} // namespace lumivane
