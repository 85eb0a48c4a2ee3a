#pragma once
#include <cstdint>

#include "platform/Locale.h"

namespace lumivane {

// Wall clock and pauses. Callable from any thread.
class IClock {
 public:
  virtual ~IClock() = default;
  virtual LocalTime Now() const = 0; // local date and time, no time-zone conversion
  virtual void SleepMs(uint32_t ms) = 0;
};

} // namespace lumivane
