#include "support/Calendar.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

std::tuple<int64_t, int, int> Ymd(const CalendarDate& d) { return {d.year, d.month, d.day}; }

TEST(Calendar, DayNumbersWalkThroughEveryRealDayInOrder) {
  // From 1 January 1600 to the end of 2400: each day number is the day after
  // the one before, and reads back to itself.
  const int64_t first = DayNumber(1600, 1, 1), last = DayNumber(2400, 12, 31);
  CalendarDate previous = DateOfDayNumber(first - 1);
  for (int64_t n = first; n <= last; ++n) {
    const CalendarDate d = DateOfDayNumber(n);
    ASSERT_TRUE(IsRealDate(d.year, d.month, d.day)) << n;
    ASSERT_EQ(n, DayNumber(d.year, d.month, d.day));
    const bool nextDay = d.year == previous.year && d.month == previous.month && d.day == previous.day + 1;
    const bool nextMonth = d.day == 1 && previous.day == DaysInMonth(previous.year, previous.month) &&
                           (d.month == previous.month + 1 ? d.year == previous.year
                                                          : d.month == 1 && d.year == previous.year + 1);
    ASSERT_TRUE(nextDay || nextMonth) << d.year << "-" << d.month << "-" << d.day;
    previous = d;
  }
}

TEST(Calendar, LeapYearsFollowTheFourHundredYearRule) {
  EXPECT_EQ(0, DayNumber(1970, 1, 1));
  for (int64_t year : {1900, 2000, 2019, 2020, 2100, 2400, -4, 0}) {
    const int64_t days = DayNumber(year + 1, 1, 1) - DayNumber(year, 1, 1);
    EXPECT_EQ(IsLeapYear(year) ? 366 : 365, days) << year;
    EXPECT_EQ(IsLeapYear(year) ? 29 : 28, DaysInMonth(year, 2)) << year;
  }
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_EQ(146097, DayNumber(2400, 1, 1) - DayNumber(2000, 1, 1));
  EXPECT_FALSE(IsRealDate(2019, 2, 29));
  EXPECT_FALSE(IsRealDate(2020, 4, 31));
  EXPECT_FALSE(IsRealDate(2020, 13, 1));
}

TEST(Calendar, FieldsOutOfRangeCountOn) {
  EXPECT_EQ(DayNumber(2021, 1, 1), DayNumber(2020, 13, 1));
  EXPECT_EQ(DayNumber(2020, 2, 29), DayNumber(2020, 3, 0));
  EXPECT_EQ(DayNumber(2019, 12, 31), DayNumber(2020, 0, 31));
  EXPECT_EQ(DayNumber(2020, 3, 1), DayNumber(2020, 1, 61));
}

TEST(Calendar, AddingMonthsKeepsTheDayOrTakesTheMonthsLast) {
  EXPECT_EQ(std::make_tuple(int64_t{2020}, 2, 29), Ymd(AddMonths(2020, 1, 31, 1)));
  EXPECT_EQ(std::make_tuple(int64_t{2020}, 3, 31), Ymd(AddMonths(2020, 1, 31, 2)));
  EXPECT_EQ(std::make_tuple(int64_t{2020}, 4, 30), Ymd(AddMonths(2020, 1, 31, 3)));
  EXPECT_EQ(std::make_tuple(int64_t{2021}, 2, 28), Ymd(AddMonths(2020, 1, 31, 13)));
  EXPECT_EQ(std::make_tuple(int64_t{2019}, 11, 30), Ymd(AddMonths(2020, 3, 30, -4)));
  EXPECT_EQ(std::make_tuple(int64_t{2024}, 2, 29), Ymd(AddMonths(2020, 2, 29, 48)));
  for (int64_t months = -30; months <= 30; ++months) {
    const CalendarDate d = AddMonths(2020, 5, 31, months);
    EXPECT_EQ(d.year * 12 + d.month - 1, 2020 * 12 + 4 + months);
    EXPECT_EQ(d.day, std::min(31, DaysInMonth(d.year, d.month)));
  }
}

TEST(Calendar, FarYearsAreHeldAtTheLimit) {
  const CalendarDate held = HoldYear(DateOfDayNumber(DayNumber(1'000'003, 2, 29)));
  EXPECT_EQ(1'000'000, held.year);
  EXPECT_TRUE(IsRealDate(held.year, held.month, held.day));
  EXPECT_EQ(std::make_tuple(int64_t{-1'000'000}, 3, 1), Ymd(HoldYear(CalendarDate{-2'000'000, 3, 1})));
  EXPECT_EQ(std::make_tuple(int64_t{2020}, 2, 29), Ymd(HoldYear(CalendarDate{2020, 2, 29})));
}

}  // namespace
