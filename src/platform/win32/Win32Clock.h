#pragma once
#include "platform/Clock.h"

namespace lumivane::win32 {

class Win32Clock final : public IClock {
 public:
  LocalTime Now() const override;
  uint64_t TickMs() const override;
  void SleepMs(uint32_t ms) override;
};

} // namespace lumivane::win32
