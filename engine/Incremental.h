// Incremental dates and times: reading the start of a stepped date, time or
// timestamp column, advancing one of its parts with carries into the larger
// parts, and writing it in the column's format.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "values/DateTime.h"

// Units of `incTimeMode`.
enum IncrementUnit { kIncSecond = 0, kIncMinute, kIncHour, kIncDay, kIncMonth, kIncYear };

// Adds `step` units of `unit` (negative steps go back) in the calendar of
// support/Calendar.h, carrying into the larger parts. A month or year step
// lands on day `monthDay` of the month it reaches, or on that month's last day
// when the month is shorter; other units leave `monthDay` unused.
void AdvanceDateTime(DateTimeParts& parts, int unit, int64_t step, int monthDay);

// What kind of stepped value an SQL type code gives.
enum class SteppedKind { kNone, kDate, kTime, kTimestamp };
SteppedKind SteppedKindOf(int sqlType);

// Reads `text` as a value of `kind`: a date in `dateFormat`, optionally
// followed by a time, as ReadDateTime reads it; a time alone in the run's time
// format for kTime. Returns 0, or -1 when the text cannot be read.
int ReadSteppedValue(std::string_view text, SteppedKind kind, std::string_view dateFormat,
                     const DateTimeOptions& options, DateTimeParts& parts);
// Writes the value: a time for kTime; a date for kDate unless `withTime`;
// otherwise date, separator and time.
void WriteSteppedValue(std::string& out, const DateTimeParts& parts, SteppedKind kind, bool withTime,
                       std::string_view dateFormat, const DateTimeOptions& options);
