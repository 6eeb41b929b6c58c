#include "engine/Incremental.h"

#include <algorithm>

#include "support/DateTimeScan.h"
#include "support/DateTimeText.h"

namespace {

// Moves whole multiples of `size` from `value` into `carry`, leaving value in
// [0, size).
void Carry(int64_t& value, int64_t& carry, int64_t size) {
  int64_t q = value / size;
  value %= size;
  if (value < 0) {
    value += size;
    --q;
  }
  carry += q;
}

// Years beyond this are held there, so that huge steps cannot overflow.
constexpr int64_t kYearLimit = 1'000'000;

}  // namespace

SteppedKind SteppedKindOf(int sqlType) {
  switch (sqlType) {
    case 9: case 91: return SteppedKind::kDate;
    case 10: case 92: return SteppedKind::kTime;
    case 11: case 93: return SteppedKind::kTimestamp;
    default: return SteppedKind::kNone;
  }
}

void AdvanceDateTime(DateTimeParts& parts, int unit, int64_t step) {
  int64_t second = parts.second, minute = parts.minute, hour = parts.hour;
  int64_t day = parts.day, month = parts.month, year = parts.year;
  // A step of more than a few centuries is cut, so the arithmetic stays exact.
  constexpr int64_t kStepLimit = int64_t{1} << 40;
  if (step > kStepLimit) step = kStepLimit;
  if (step < -kStepLimit) step = -kStepLimit;
  switch (unit) {
    case kIncSecond: second += step; break;
    case kIncMinute: minute += step; break;
    case kIncHour: hour += step; break;
    case kIncDay: day += step; break;
    case kIncMonth: month += step; break;
    case kIncYear: year += step; break;
    default: break;
  }
  Carry(second, minute, 60);
  Carry(minute, hour, 60);
  Carry(hour, day, 24);
  // Months first, so that the day is counted against the right month.
  int64_t m0 = month - 1;
  Carry(m0, year, 12);
  month = m0 + 1;
  // Whole years of days at once (365 without leap days), then month by month.
  if (day > 365 || day < -365) {
    const int64_t years = day / 365;
    year += years;
    day -= years * 365;
  }
  while (day > DaysInMonth(static_cast<int>(month))) {
    day -= DaysInMonth(static_cast<int>(month));
    if (++month > 12) {
      month = 1;
      ++year;
    }
  }
  while (day < 1) {
    if (--month < 1) {
      month = 12;
      --year;
    }
    day += DaysInMonth(static_cast<int>(month));
  }
  if (year > kYearLimit) year = kYearLimit;
  if (year < -kYearLimit) year = -kYearLimit;
  parts.second = static_cast<int>(second);
  parts.minute = static_cast<int>(minute);
  parts.hour = static_cast<int>(hour);
  parts.day = static_cast<int>(day);
  parts.month = static_cast<int>(month);
  parts.year = static_cast<int>(year);
}

int ReadSteppedValue(std::string_view text, SteppedKind kind, std::string_view dateFormat,
                     const DateTimeOptions& options, DateTimeParts& parts) {
  if (kind == SteppedKind::kTime) {
    return TimeScanLowLevel(text, parts.hour, parts.minute, parts.second, options.TimeFormat) == 0 ? 0 : -1;
  }
  return ReadDateTime(text, dateFormat, 1, options, parts);
}

void WriteSteppedValue(std::string& out, const DateTimeParts& parts, SteppedKind kind, bool withTime,
                       std::string_view dateFormat, const DateTimeOptions& options) {
  if (kind != SteppedKind::kTime) {
    MakeDate(out, parts.day, parts.month, parts.year, dateFormat, options);
    if (!withTime) return;
    out += options.DateTimeSep;
  }
  MakeTime(out, parts.hour, parts.minute, parts.second, 0, 0, {}, options);
}
