#pragma once
#include <cstdint>

#include "platform/Locale.h"

namespace lumivane {

// Wall clock and pauses. Callable from any thread.
class IClock {
 public:
  virtual ~IClock() = default;
  virtual LocalTime Now() const = 0; // local date and time, no time-zone conversion
  // Milliseconds since some fixed start; never goes back when the wall clock is set. Cheap, for
  // spacing events: it needs no time-zone conversion, unlike Now.
  virtual uint64_t TickMs() const = 0;
  virtual void SleepMs(uint32_t ms) = 0;
};

} // namespace lumivane
