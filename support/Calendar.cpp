#include "support/Calendar.h"

#include <algorithm>

namespace {

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Days of the 400-year cycle of the calendar.
constexpr int64_t kDaysPer400Years = 146097;
// Day number of 1 March of year 0, the start of the cycles counted below.
constexpr int64_t kMarchOfYear0 = -719468;

}  // namespace

bool IsLeapYear(int64_t year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int64_t year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool IsRealDate(int64_t year, int month, int day) { return day >= 1 && day <= DaysInMonth(year, month); }

// Years are counted from March, so that the leap day closes a year: the day of
// such a year is then a fixed function of its month.
int64_t DayNumber(int64_t year, int64_t month, int64_t day) {
  year += FloorDiv(month - 1, 12);
  month -= 12 * FloorDiv(month - 1, 12);
  if (month <= 2) --year;
  const int64_t era = FloorDiv(year, 400);
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * kDaysPer400Years + dayOfEra + kMarchOfYear0 + day - 1;
}

CalendarDate DateOfDayNumber(int64_t dayNumber) {
  const int64_t z = dayNumber - kMarchOfYear0;
  const int64_t era = FloorDiv(z, kDaysPer400Years);
  const int64_t dayOfEra = z - era * kDaysPer400Years;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
  CalendarDate date;
  date.day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
  date.month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
  date.year = yearOfEra + era * 400 + (date.month <= 2 ? 1 : 0);
  return date;
}

CalendarDate AddMonths(int64_t year, int month, int day, int64_t months) {
  const int64_t count = year * 12 + (month - 1) + months;
  CalendarDate date;
  date.year = FloorDiv(count, 12);
  date.month = static_cast<int>(count - date.year * 12) + 1;
  date.day = std::clamp(day, 1, DaysInMonth(date.year, date.month));
  return date;
}

CalendarDate HoldYear(CalendarDate date) {
  constexpr int64_t kYearLimit = 1'000'000;
  if (date.year > kYearLimit || date.year < -kYearLimit) {
    date.year = std::clamp(date.year, -kYearLimit, kYearLimit);
    date.day = std::min(date.day, DaysInMonth(date.year, date.month));
  }
  return date;
}
