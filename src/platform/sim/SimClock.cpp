#include "platform/sim/SimClock.h"

#include <chrono>
#include <thread>

namespace lumivane {

namespace {
// Days since 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (m <= 2));
}
} // namespace

SimClock::SimClock() : ms_(ToMs(LocalTime{2026, 3, 1, 12, 0, 0, 0})) {}

uint64_t SimClock::ToMs(const LocalTime& t) {
  const int64_t days = DaysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day));
  const int64_t secs = days * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
  return static_cast<uint64_t>(secs) * 1000 + static_cast<uint64_t>(t.millisecond);
}

LocalTime SimClock::FromMs(uint64_t ms) {
  LocalTime t;
  const int64_t secs = static_cast<int64_t>(ms / 1000);
  t.millisecond = static_cast<int>(ms % 1000);
  CivilFromDays(secs / 86400, t.year, t.month, t.day);
  const int64_t rem = secs % 86400;
  t.hour = static_cast<int>(rem / 3600);
  t.minute = static_cast<int>(rem / 60 % 60);
  t.second = static_cast<int>(rem % 60);
  return t;
}

LocalTime SimClock::Now() const {
  return FromMs(LocalMs());
}

uint64_t SimClock::LocalMs() const {
  std::lock_guard lock(mutex_);
  return ms_;
}

void SimClock::SetLocalMs(uint64_t msSince1970) {
  std::lock_guard lock(mutex_);
  ms_ = msSince1970;
}

void SimClock::SetLocalTime(const LocalTime& t) {
  SetLocalMs(ToMs(t));
}

void SimClock::AdvanceMs(uint64_t ms) {
  std::lock_guard lock(mutex_);
  ms_ += ms;
}

void SimClock::SleepMs(uint32_t ms) {
  slept_ += ms;
  if (realSleep_) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  AdvanceMs(ms);
}

} // namespace lumivane
