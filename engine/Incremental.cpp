#include "engine/Incremental.h"

#include <algorithm>

#include "support/Calendar.h"
#include "support/DateTimeScan.h"

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

}  // namespace

SteppedKind SteppedKindOf(int sqlType) {
  switch (sqlType) {
    case 9: case 91: return SteppedKind::kDate;
    case 10: case 92: return SteppedKind::kTime;
    case 11: case 93: return SteppedKind::kTimestamp;
    default: return SteppedKind::kNone;
  }
}

void AdvanceDateTime(DateTimeParts& parts, int unit, int64_t step, int monthDay) {
  step = std::clamp(step, -kLongestStep, kLongestStep);
  int64_t day = DayNumber(parts.year, parts.month, parts.day);
  int64_t second = (int64_t{parts.hour} * 60 + parts.minute) * 60 + parts.second;
  switch (unit) {
    case kIncSecond: second += step; break;
    case kIncMinute: second += step * 60; break;
    case kIncHour: second += step * 3600; break;
    case kIncDay: day += step; break;
    case kIncMonth:
    case kIncYear: {
      const CalendarDate d = AddMonths(parts.year, parts.month, monthDay, unit == kIncYear ? step * 12 : step);
      day = DayNumber(d.year, d.month, d.day);
      break;
    }
    default: break;
  }
  Carry(second, day, 86400);
  const CalendarDate date = HoldYear(DateOfDayNumber(day));
  parts.year = static_cast<int>(date.year);
  parts.month = date.month;
  parts.day = date.day;
  parts.hour = static_cast<int>(second / 3600);
  parts.minute = static_cast<int>(second / 60 % 60);
  parts.second = static_cast<int>(second % 60);
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
