// Local wall time <-> milliseconds since 1970-01-01 00:00 of the same wall clock, on the
// proleptic Gregorian calendar (Howard Hinnant's day algorithms).
#include "platform/Locale.h"

namespace lumivane {

namespace {
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2));
}
} // namespace

uint64_t UnixMsFromLocalTime(const LocalTime& t) {
  const int64_t days = DaysFromCivil(t.year, t.month, t.day);
  const int64_t seconds = days * 86400 + int64_t{t.hour} * 3600 + int64_t{t.minute} * 60 + t.second;
  return static_cast<uint64_t>(seconds) * 1000 + static_cast<uint64_t>(t.millisecond);
}

LocalTime LocalTimeFromUnixMs(uint64_t ms) {
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

} // namespace lumivane
