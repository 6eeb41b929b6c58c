#include "engine/Incremental.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/Calendar.h"

namespace {

std::vector<int> DateOf(const DateTimeParts& p) { return {p.year, p.month, p.day}; }

TEST(AdvanceDateTimeTest, CarriesEveryUnitThroughTheCalendar) {
  DateTimeParts p{2013, 12, 31, 23, 59, 59};
  AdvanceDateTime(p, kIncSecond, 1, 31);
  EXPECT_EQ((std::vector<int>{p.year, p.month, p.day, p.hour, p.minute, p.second}),
            (std::vector<int>{2014, 1, 1, 0, 0, 0}));
  AdvanceDateTime(p, kIncMonth, 25, 1);
  EXPECT_EQ(DateOf(p), (std::vector<int>{2016, 2, 1}));
  AdvanceDateTime(p, kIncDay, -1, 1);
  EXPECT_EQ(DateOf(p), (std::vector<int>{2016, 1, 31}));
  // Three years of days from January 2016 hold its leap day.
  AdvanceDateTime(p, kIncDay, 365 * 3 + 1, 1);
  EXPECT_EQ(DateOf(p), (std::vector<int>{2019, 1, 31}));
  AdvanceDateTime(p, kIncHour, -24 * 366, 1);
  EXPECT_EQ(DateOf(p), (std::vector<int>{2018, 1, 30}));
}

TEST(AdvanceDateTimeTest, MonthStepsKeepToTheDayOfTheStart) {
  DateTimeParts p{2020, 1, 31};
  std::vector<std::vector<int>> monthly;
  for (int i = 0; i < 4; ++i) {
    AdvanceDateTime(p, kIncMonth, 1, 31);
    monthly.push_back(DateOf(p));
  }
  EXPECT_EQ(monthly, (std::vector<std::vector<int>>{{2020, 2, 29}, {2020, 3, 31}, {2020, 4, 30}, {2020, 5, 31}}));
  DateTimeParts leap{2020, 2, 29};
  AdvanceDateTime(leap, kIncYear, 1, 29);
  EXPECT_EQ(DateOf(leap), (std::vector<int>{2021, 2, 28}));
  AdvanceDateTime(leap, kIncYear, 3, 29);
  EXPECT_EQ(DateOf(leap), (std::vector<int>{2024, 2, 29}));
  AdvanceDateTime(leap, kIncMonth, -1, 31);
  EXPECT_EQ(DateOf(leap), (std::vector<int>{2024, 1, 31}));
}

TEST(AdvanceDateTimeTest, HugeStepsStayInRange) {
  DateTimeParts p;
  for (int unit = kIncSecond; unit <= kIncYear; ++unit) {
    for (int64_t step : {INT64_MAX, INT64_MIN, int64_t{1} << 50}) {
      AdvanceDateTime(p, unit, step, 31);
      ASSERT_TRUE(IsRealDate(p.year, p.month, p.day)) << unit << " " << step;
      ASSERT_TRUE(p.hour >= 0 && p.hour < 24 && p.minute >= 0 && p.minute < 60 && p.second >= 0 && p.second < 60);
    }
  }
}

TEST(SteppedValueTest, ReadsWhatItWrites) {
  DateTimeOptions options;
  options.DateFormat = "YYYY-MM-DD";
  options.TimeFormat = "HH:MM:SS";
  DateTimeParts p{2024, 2, 29, 13, 5, 9};
  std::string text;
  WriteSteppedValue(text, p, SteppedKind::kTimestamp, true, "%d", options);
  EXPECT_EQ(text, "2024-02-29 13:05:09");
  DateTimeParts back;
  ASSERT_EQ(ReadSteppedValue(text, SteppedKind::kTimestamp, "%d", options, back), 0);
  EXPECT_EQ((std::vector<int>{back.year, back.month, back.day, back.hour, back.minute, back.second}),
            (std::vector<int>{2024, 2, 29, 13, 5, 9}));
  EXPECT_NE(ReadSteppedValue("2024-13-01", SteppedKind::kDate, "", options, back), 0);
  EXPECT_NE(ReadSteppedValue("2023-02-29", SteppedKind::kDate, "", options, back), 0);
  EXPECT_NE(ReadSteppedValue("25:00:00", SteppedKind::kTime, "", options, back), 0);
}

}  // namespace
