#include "platform/sim/SimClock.h"

#include <chrono>
#include <thread>

namespace lumivane {


SimClock::SimClock() : ms_(ToMs(LocalTime{2026, 3, 1, 12, 0, 0, 0})) {}

uint64_t SimClock::ToMs(const LocalTime& t) {
  return UnixMsFromLocalTime(t);
}

LocalTime SimClock::FromMs(uint64_t ms) {
  return LocalTimeFromUnixMs(ms);
}

LocalTime SimClock::Now() const {
  ++nowCalls_;
  return FromMs(LocalMs());
}

uint64_t SimClock::TickMs() const {
  std::lock_guard lock(mutex_);
  return tick_;
}

uint64_t SimClock::LocalMs() const {
  std::lock_guard lock(mutex_);
  return ms_;
}

void SimClock::SetLocalMs(uint64_t msSince1970) {
  std::lock_guard lock(mutex_);
  if (msSince1970 > ms_) tick_ += msSince1970 - ms_;
  ms_ = msSince1970;
}

void SimClock::SetLocalTime(const LocalTime& t) {
  SetLocalMs(ToMs(t));
}

void SimClock::AdvanceMs(uint64_t ms) {
  std::lock_guard lock(mutex_);
  ms_ += ms;
  tick_ += ms;
}

void SimClock::SleepMs(uint32_t ms) {
  slept_ += ms;
  if (realSleep_) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  AdvanceMs(ms);
}

} // namespace lumivane
