#pragma once
// A settable wall clock. Pauses advance the clock instead of waiting, unless real sleeping is
// switched on (benchmarks that model device latency).
#include <atomic>
#include <cstdint>
#include <mutex>

#include "platform/Clock.h"

namespace lumivane {

class SimClock final : public IClock {
 public:
  // Starts at 2026-03-01 12:00:00.000 local time.
  SimClock();

  LocalTime Now() const override;
  // Moves with every forward step of the wall clock (AdvanceMs, SleepMs, a later SetLocalMs);
  // setting the wall clock back leaves it where it is.
  uint64_t TickMs() const override;
  void SleepMs(uint32_t ms) override;

  void SetLocalMs(uint64_t msSince1970); // local wall time in ms since 1970-01-01 00:00
  void SetLocalTime(const LocalTime& t);
  void AdvanceMs(uint64_t ms);
  uint64_t LocalMs() const;
  void SetRealSleep(bool real) { realSleep_ = real; }
  uint64_t TotalSleptMs() const { return slept_; }
  uint64_t NowCalls() const { return nowCalls_; } // local-time conversions asked for (Now)

  static uint64_t ToMs(const LocalTime& t);
  static LocalTime FromMs(uint64_t ms);

 private:
  mutable std::mutex mutex_;
  uint64_t ms_;
  uint64_t tick_ = 0;
  mutable std::atomic<uint64_t> nowCalls_{0};
  std::atomic<bool> realSleep_{false};
  std::atomic<uint64_t> slept_{0};
};

} // namespace lumivane
