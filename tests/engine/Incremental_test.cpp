#include "engine/Incremental.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

TEST(AdvanceDateTimeTest, CarriesEveryUnit) {
  DateTimeParts p{2013, 12, 31, 23, 59, 59};
  AdvanceDateTime(p, kIncSecond, 1);
  EXPECT_EQ((std::vector<int>{p.year, p.month, p.day, p.hour, p.minute, p.second}),
            (std::vector<int>{2014, 1, 1, 0, 0, 0}));
  AdvanceDateTime(p, kIncMonth, 25);
  EXPECT_EQ((std::vector<int>{p.year, p.month, p.day}), (std::vector<int>{2016, 2, 1}));
  AdvanceDateTime(p, kIncDay, -1);
  EXPECT_EQ((std::vector<int>{p.year, p.month, p.day}), (std::vector<int>{2016, 1, 31}));
  AdvanceDateTime(p, kIncDay, 365 * 3 + 1);
  EXPECT_EQ((std::vector<int>{p.year, p.month, p.day}), (std::vector<int>{2019, 2, 1}));
}

TEST(AdvanceDateTimeTest, HugeStepsStayInRange) {
  DateTimeParts p;
  AdvanceDateTime(p, kIncSecond, INT64_MAX);
  EXPECT_GE(p.month, 1);
  EXPECT_LE(p.month, 12);
  EXPECT_GE(p.day, 1);
  EXPECT_LE(p.day, 31);
  AdvanceDateTime(p, kIncYear, INT64_MIN);
  EXPECT_GE(p.month, 1);
}

TEST(SteppedValueTest, ReadsWhatItWrites) {
  DateTimeOptions options;
  options.DateFormat = "YYYY-MM-DD";
  options.TimeFormat = "HH:MM:SS";
  DateTimeParts p{2024, 2, 29 - 1, 13, 5, 9};
  std::string text;
  WriteSteppedValue(text, p, SteppedKind::kTimestamp, true, "%d", options);
  EXPECT_EQ(text, "2024-02-28 13:05:09");
  DateTimeParts back;
  ASSERT_EQ(ReadSteppedValue(text, SteppedKind::kTimestamp, "%d", options, back), 0);
  EXPECT_EQ((std::vector<int>{back.year, back.month, back.day, back.hour, back.minute, back.second}),
            (std::vector<int>{2024, 2, 28, 13, 5, 9}));
  EXPECT_NE(ReadSteppedValue("2024-13-01", SteppedKind::kDate, "", options, back), 0);
  EXPECT_NE(ReadSteppedValue("25:00:00", SteppedKind::kTime, "", options, back), 0);
}
