// The calendar behind every date the generators read, draw and step: the
// Gregorian calendar carried back before its introduction (proleptic), with
// its leap years, counted in days from 1 January 1970.
#pragma once

#include <cstdint>

struct CalendarDate {
  int64_t year = 1970;
  int month = 1;  // 1..12
  int day = 1;    // 1..DaysInMonth(year, month)
};

bool IsLeapYear(int64_t year);
// Days of a month: February has 29 in a leap year. 0 outside 1..12.
int DaysInMonth(int64_t year, int month);
// True for a day that exists: month 1..12 and day 1..DaysInMonth.
bool IsRealDate(int64_t year, int month, int day);

// Days from 1 January 1970 to the date (negative before it). The month and day
// may lie outside their ranges and count on: month 13 is January of the next
// year, day 0 the last day of the month before. Years beyond a few million
// are not supported.
int64_t DayNumber(int64_t year, int64_t month, int64_t day);
// The date `dayNumber` days after 1 January 1970.
CalendarDate DateOfDayNumber(int64_t dayNumber);

// The date `months` months after (year, month), on day `day` of that month or,
// when the month is shorter, on its last day: 31 January plus one month is the
// last day of February.
CalendarDate AddMonths(int64_t year, int month, int day, int64_t months);

// Stepped dates are held within years -1,000,000..1,000,000, and each step
// within kLongestStep days, months or seconds: any number of steps then keeps
// the arithmetic exact. HoldYear moves a date beyond onto the limit year, on
// the same day or, when that year's month is shorter, on its last day.
constexpr int64_t kLongestStep = int64_t{1} << 40;
CalendarDate HoldYear(CalendarDate date);
