#include <cstdint>

#include "controller/MainForm.h"

namespace lumivane {

namespace {
// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}
} // namespace

uint64_t UnixMsFromLocalTime(const LocalTime& t) {
  const int64_t days = DaysFromCivil(t.year, t.month, t.day);
  const int64_t seconds = days * 86400 + int64_t{t.hour} * 3600 + int64_t{t.minute} * 60 + t.second;
  return static_cast<uint64_t>(seconds) * 1000 + static_cast<uint64_t>(t.millisecond);
}

} // namespace lumivane
