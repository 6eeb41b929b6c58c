#include "values/DateTime.h"

#include <gtest/gtest.h>

#include <tuple>

#include "support/DateTimeText.h"
#include "tests/values/FakePatternHost.h"
#include "values/Random.h"

namespace {

TEST(MakeDateTime, WritesIntoFormats) {
  const DateTimeOptions options;
  std::string out;
  MakeDate(out, 5, 3, 2013, "DD-MON-YYYY", options);
  out += '|';
  MakeDate(out, 5, 3, 2013, "MM/DD/YY", options);
  out += '|';
  MakeDate(out, 5, 3, 2013, "", options);  // the run's format
  out += '|';
  MakeDate(out, 5, 3, 2013, "%d", options);  // a leftover integer template is no date format
  EXPECT_EQ("05-MAR-2013|03/05/13|2013-03-05|2013-03-05", out);
  out.clear();
  MakeTime(out, 13, 5, 0, 0, 0, "", options);
  EXPECT_EQ("01:05 PM", out);
  EXPECT_EQ(" ", DateTimeOptions::SeparatorFromSetting("Space"));
  EXPECT_EQ(" ", DateTimeOptions::SeparatorFromSetting(" "));
  EXPECT_EQ("", DateTimeOptions::SeparatorFromSetting("T"));
}

struct DateBounds {
  const char* from;
  const char* to;
  std::tuple<int, int, int> low, high;  // (year, month, day)
};

class MakeRandDateBounds : public ::testing::TestWithParam<DateBounds> {};

TEST_P(MakeRandDateBounds, StaysWithinAndNeverWritesImpossibleDays) {
  const DateBounds& b = GetParam();
  DateTimeOptions options;
  options.DateFormat = "DD.MM.YYYY";
  SeedRandomSource(4);
  for (int i = 0; i < 3000; ++i) {
    std::string out;
    ASSERT_EQ(0, MakeRandDate(out, b.from, b.to, "", options));
    int d = 0, m = 0, y = 0;
    ASSERT_EQ(0, ParseDateInFormat(out, "DD.MM.YYYY", d, m, y) - 1) << out;
    ASSERT_TRUE(d >= 1 && d <= 30 && !(m == 2 && d > 28)) << out;
    ASSERT_TRUE(std::make_tuple(y, m, d) >= b.low && std::make_tuple(y, m, d) <= b.high) << out;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, MakeRandDateBounds,
    ::testing::Values(DateBounds{"10.05.2010", "20.05.2010", {2010, 5, 10}, {2010, 5, 20}},
                      DateBounds{"01.02.2011", "28.02.2011", {2011, 2, 1}, {2011, 2, 28}},
                      DateBounds{"20.05.2010", "10.05.2010", {2010, 5, 10}, {2010, 5, 20}},
                      DateBounds{"15.03.2000", "15.06.2003", {2000, 3, 15}, {2003, 6, 15}},
                      DateBounds{"", "", {1950, 1, 1}, {2020, 12, 31}},
                      DateBounds{"99.99.9999", "garbage", {1950, 1, 1}, {2020, 12, 31}},
                      DateBounds{"01.01.2000", "31.01.2000", {2000, 1, 1}, {2000, 1, 30}}));

TEST(MakeRandTime, StaysBetweenBoundsInTheRunFormat) {
  DateTimeOptions options;
  options.TimeFormat = "HH:MM:SS";
  SeedRandomSource(8);
  for (int i = 0; i < 2000; ++i) {
    std::string out;
    MakeRandTime(out, "10:15:00", "12:45:30", options);
    int h = 0, m = 0, s = 0;
    ParseTimeInFormat(out, "HH:MM:SS", h, m, s);
    ASSERT_TRUE(std::make_tuple(h, m, s) >= std::make_tuple(10, 15, 0) &&
                std::make_tuple(h, m, s) <= std::make_tuple(12, 45, 30))
        << out;
  }
  std::string out;
  MakeRandTime(out, "bad", "25:99:99", options);  // unreadable bounds fall back to the whole day
  EXPECT_EQ(8u, out.size());
}

TEST(ParseInFormat, ReadsByPosition) {
  int d = 0, m = 0, y = 0;
  EXPECT_EQ(0, ParseDateInFormat("01-JAN-05", "DD-MON-YY", d, m, y));
  EXPECT_EQ(std::make_tuple(1, 1, 2005), std::make_tuple(d, m, y));
  ParseDateInFormat("01.01.45", "DD.MM.YY", d, m, y);
  EXPECT_EQ(1945, y);
  ParseDateInFormat("1 01.01.13", "C DD.MM.YY", d, m, y);
  EXPECT_EQ(2013, y);
  EXPECT_EQ(1, ParseDateInFormat("05.0", "DD.MM.YYYY", d, m, y));
  EXPECT_EQ(std::make_tuple(5, 0, 0), std::make_tuple(d, m, y));
  int h = 0, mi = 0, s = 0;
  ParseTimeInFormat("07:08:09", "HH:MM:SS", h, mi, s);
  EXPECT_EQ(std::make_tuple(7, 8, 9), std::make_tuple(h, mi, s));
  ParseTimeInFormat("01:30 PM", "HH:MI PM", h, mi, s);
  EXPECT_EQ(std::make_tuple(13, 30, 0), std::make_tuple(h, mi, s));
  ParseTimeInFormat("12:05 am", "HH:MM AM", h, mi, s);
  EXPECT_EQ(std::make_tuple(0, 5, 0), std::make_tuple(h, mi, s));
  ParseTimeInFormat("+02:00 12:05:06 pm", "TZ HH:MM:SS PM", h, mi, s);
  EXPECT_EQ(std::make_tuple(12, 5, 6), std::make_tuple(h, mi, s));
}

struct InFormatError {
  bool date;
  const char* format;
  const char* from;
  const char* to;
  int code;
  const char* message;
};

class InFormatErrors : public ::testing::TestWithParam<InFormatError> {};

TEST_P(InFormatErrors, ReportCodeAndMessage) {
  const InFormatError& e = GetParam();
  std::string out = "stale", message;
  const int code = e.date ? RandomDateInFormat(out, message, e.format, e.from, e.to, nullptr)
                          : RandomTimeInFormat(out, message, e.format, e.from, e.to, nullptr);
  EXPECT_EQ(e.code, code);
  EXPECT_EQ(e.message, message);
  EXPECT_TRUE(out.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, InFormatErrors,
    ::testing::Values(
        InFormatError{true, "DD.MM.YYYY", "1.1.1970", "", 200,
                      "'From' date '1.1.1970' does not correspond to format 'DD.MM.YYYY'"},
        InFormatError{true, "DD.MM.YY", "01.01.70", "31.12.2050", 201,
                      "'To' date '31.12.2050' does not correspond to format 'DD.MM.YY'"},
        InFormatError{true, "DD.MM.YYYY", "00.01.1970", "", 204,
                      "Could not recognize date format 'DD.MM.YYYY' for 'from' date [00.01.1970]"},
        InFormatError{true, "DD.MM.YYYY", "01.01.1970", "99.99.9999", 205,
                      "Could not recognize date format 'DD.MM.YYYY' for 'to' date [99.99.9999]"},
        InFormatError{true, "DD.MM", "", "", 207, "Invalid short year in the date format 'DD.MM'"},
        InFormatError{false, "HH:MM", "00:00:00", "", 300,
                      "'From' time '00:00:00' does not correspond to format 'HH:MM'"},
        InFormatError{false, "HH:MM:SS", "", "25:00:00", 301,
                      "'To' time '25:00:00' does not correspond to format 'HH:MM:SS'"},
        InFormatError{false, "xx-yy", "", "", 302, "Incorrect or incomplete time format 'xx-yy'"}));

TEST(RandomDateInFormat, DrawsWithinBoundsInTheFormat) {
  SeedRandomSource(21);
  std::string out, message;
  for (int i = 0; i < 2000; ++i) {
    ASSERT_EQ(0, RandomDateInFormat(out, message, "DD.MM.YY", "05.03.10", "20.03.10", nullptr)) << message;
    int d = 0, m = 0, y = 0;
    ParseDateInFormat(out, "DD.MM.YY", d, m, y);
    ASSERT_TRUE(y == 2010 && m == 3 && d >= 5 && d <= 20) << out;
    ASSERT_EQ(0, RandomDateInFormat(out, message, "", "", "", nullptr));
    ParseDateInFormat(out, "DD.MM.YYYY", d, m, y);
    ASSERT_TRUE(y >= 1970 && y <= 2050 && d >= 1 && d <= DaysInMonth(m)) << out;
  }
  ASSERT_EQ(0, RandomDateInFormat(out, message, "mon DD YYYY", "jan 10 2001", "jan 12 2001", nullptr));
  EXPECT_EQ("jan ", out.substr(0, 4));
}

TEST(RandomDateInFormat, BoundsFromPatternsAndVariables) {
  FakePatternHost host;
  host.patterns["$Today()"] = {"15.06.2012", "DD.MM.YYYY"};
  host.variables["#end"] = "16.06.2012";
  SeedRandomSource(2);
  std::string out, message;
  for (int i = 0; i < 200; ++i) {
    ASSERT_EQ(0, RandomDateInFormat(out, message, "DD.MM.YYYY", "$Today()", "#end", &host)) << message;
    ASSERT_TRUE(out == "15.06.2012" || out == "16.06.2012") << out;
  }
  EXPECT_EQ(200, host.calls);
}

TEST(RandomTimeInFormat, DrawsWithinBoundsAndMarksTheHalfDay) {
  SeedRandomSource(5);
  std::string out, message;
  for (int i = 0; i < 2000; ++i) {
    ASSERT_EQ(0, RandomTimeInFormat(out, message, "HH:MM:SS", "08:30:15", "17:10:00", nullptr));
    int h = 0, m = 0, s = 0;
    ParseTimeInFormat(out, "HH:MM:SS", h, m, s);
    ASSERT_TRUE(std::make_tuple(h, m, s) >= std::make_tuple(8, 30, 15) &&
                std::make_tuple(h, m, s) <= std::make_tuple(17, 10, 0))
        << out;
    ASSERT_EQ(0, RandomTimeInFormat(out, message, "HH:MM AM", "13:00 AM", "15:00 AM", nullptr));
    ASSERT_EQ("PM", out.substr(6)) << out;
    ASSERT_TRUE(out.substr(0, 2) == "01" || out.substr(0, 2) == "02") << out;
  }
}

}  // namespace
