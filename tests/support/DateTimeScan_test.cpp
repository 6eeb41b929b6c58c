#include "support/DateTimeScan.h"

#include <gtest/gtest.h>

#include "support/DateTimeText.h"

namespace {

struct DateCase {
  const char* text;
  const char* format;
  int status;
  int day = 0, month = 0, year = 0;
};

class DateScanCases : public ::testing::TestWithParam<DateCase> {};

TEST_P(DateScanCases, ReadsOrRefuses) {
  const DateCase& c = GetParam();
  int d = 0, m = 0, y = 0;
  const int status = DateScanLowLevel(c.text, d, m, y, 1, c.format, 1950, 2020);
  EXPECT_EQ(c.status != 0, status != 0) << c.text;
  if (c.status == 0 && status == 0) {
    EXPECT_EQ(c.day, d);
    EXPECT_EQ(c.month, m);
    EXPECT_EQ(c.year, y);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DateScanCases,
    ::testing::Values(DateCase{"1.1.2013", "DD.MM.YYYY", 0, 1, 1, 2013},
                      DateCase{"  05-mar-2013 ", "DD-MON-YYYY", 0, 5, 3, 2013},
                      DateCase{"01-JAN-05", "DD-MON-YY", 0, 1, 1, 2005},
                      DateCase{"01-JAN-45", "DD-MON-YY", 0, 1, 1, 1945},
                      DateCase{"29.02.2000", "DD.MM.YYYY", 0, 29, 2, 2000},
                      DateCase{"29.02.1900", "DD.MM.YYYY", 1}, DateCase{"29.02.2013", "DD.MM.YYYY", 1},
                      // Without a year, 29 February falls in the first leap year of the window.
                      DateCase{"29.02", "DD.MM", 0, 29, 2, 1952},
                      DateCase{"1130305", "CYYMMDD", 0, 5, 3, 2013}, DateCase{"0991231", "CYYMMDD", 0, 31, 12, 1999},
                      DateCase{"10000101", "CYYMMDD", 0, 1, 1, 2900}, DateCase{"1131305", "CYYMMDD", 1},
                      DateCase{"99.99.9999", "DD.MM.YYYY", 1}, DateCase{"31.04.2000", "DD.MM.YYYY", 1},
                      DateCase{"30.02.2000", "DD.MM.YYYY", 1}, DateCase{"00.01.2000", "DD.MM.YYYY", 1},
                      DateCase{"01-XYZ-2000", "DD-MON-YYYY", 1}, DateCase{"01.01.2000x", "DD.MM.YYYY", 1},
                      DateCase{"01/01/2000", "DD.MM.YYYY", 1}, DateCase{"01.01.", "DD.MM.YYYY", 1},
                      DateCase{"2000", "%d", 1}, DateCase{"abc", "DD.MM.YYYY", 1}));

TEST(DateScan, EmptyTextIsTheOpenBoundOfTheYearWindow) {
  int d = 0, m = 0, y = 0;
  ASSERT_EQ(0, DateScanLowLevel("", d, m, y, 1, "DD.MM.YYYY", 1950, 2020));
  EXPECT_EQ(std::make_tuple(1, 1, 1950), std::make_tuple(d, m, y));
  ASSERT_EQ(0, DateScanLowLevel("  ", d, m, y, 0, "DD.MM.YYYY", 1950, 2020));
  EXPECT_EQ(std::make_tuple(31, 12, 2020), std::make_tuple(d, m, y));
}

TEST(TimeScan, RefusesImpossibleAndForeignText) {
  int h = 0, m = 0, s = 0;
  for (const char* text : {"", "24:00:00", "23:60:00", "23:59:60", "12:00", "ab:cd:ef", "12:00:00 extra"}) {
    EXPECT_NE(0, TimeScanLowLevel(text, h, m, s, "HH:MM:SS")) << text;
  }
  EXPECT_NE(0, TimeScanLowLevel("13:00 PM", h, m, s, "HH:MM PM"));
  EXPECT_NE(0, TimeScanLowLevel("10:00 XM", h, m, s, "HH:MM PM"));
  ASSERT_EQ(0, TimeScanLowLevel("12:05 am", h, m, s, "HH:MM PM"));
  EXPECT_EQ(0, h);
  ASSERT_EQ(0, TimeScanLowLevel("01:30 PM", h, m, s, "HH:MM AM"));
  EXPECT_EQ(13, h);
  ASSERT_EQ(0, TimeScanLowLevel("9:5:7", h, m, s, "HH:MM:SS"));
  EXPECT_EQ(std::make_tuple(9, 5, 7), std::make_tuple(h, m, s));
}

TEST(DateTimeText, WritesTheDocumentedForms) {
  std::string out;
  AppendDateText(out, 5, 3, 2013, "DD-MON-YYYY|DD-mon-YYYY|C|");
  AppendDateText(out, 5, 3, 2013, "MM/DD/YY");
  EXPECT_EQ("05-MAR-2013|05-mar-2013|1|03/05/13", out);
  out.clear();
  AppendTimeText(out, 0, 7, 9, 5, -3, "HH:MM:SS.sss PM TZ");
  EXPECT_EQ("12:07:09.005 AM -03:00", out);
  out.clear();
  AppendTimeText(out, 13, 7, 0, 0, 0, "HH:MM PM|");
  AppendTimeText(out, 12, 0, 0, 0, 0, "HH PM|");
  AppendTimeText(out, 8, 30, 0, 0, 0, "HH:MI");
  EXPECT_EQ("01:07 PM|12 PM|08:30", out);
}

TEST(DateTimeText, CenturyRoundsDownAndComesOnce) {
  std::string out;
  AppendDateText(out, 1, 1, 1850, "C|YY ");
  AppendDateText(out, 1, 1, 1899, "C|YY ");
  AppendDateText(out, 1, 1, 1900, "C|YY ");
  AppendDateText(out, 1, 1, 3013, "C|YY ");
  AppendDateText(out, 1, 1, 2013, "C-C");
  EXPECT_EQ("-1|50 -1|99 0|00 11|13 1-C", out);
}

TEST(DateScan, CenturyLeavesTheDigitsOfTheFieldsAfterIt) {
  int d = 0, m = 0, y = 0;
  ASSERT_EQ(0, DateScanLowLevel("1130305", d, m, y, 1, "CYYMMDD", 1950, 2020));
  EXPECT_EQ(std::make_tuple(5, 3, 2013), std::make_tuple(d, m, y));
  ASSERT_EQ(0, DateScanLowLevel("80990715", d, m, y, 1, "CYYMMDD", 1950, 2020));
  EXPECT_EQ(std::make_tuple(15, 7, 9999), std::make_tuple(d, m, y));
  ASSERT_EQ(0, DateScanLowLevel("-1500101", d, m, y, 1, "CYYMMDD", 1950, 2020));
  EXPECT_EQ(1850, y);
  ASSERT_EQ(0, DateScanLowLevel("1 13", d, m, y, 1, "C YY", 1950, 2020));
  EXPECT_EQ(2013, y);
  ASSERT_EQ(0, DateScanLowLevel("2013-1", d, m, y, 1, "YYYY-C", 1950, 2020));
  // No digit left for the century, or more than three.
  EXPECT_NE(0, DateScanLowLevel("13", d, m, y, 1, "CYY", 1950, 2020));
  EXPECT_NE(0, DateScanLowLevel("1234 13", d, m, y, 1, "C YY", 1950, 2020));
  EXPECT_NE(0, DateScanLowLevel("12340130305", d, m, y, 1, "CYYMMDD", 1950, 2020));
}

TEST(DateTimeScan, BlanksAroundTheFormatAreIgnored) {
  int d = 0, m = 0, y = 0;
  ASSERT_EQ(0, DateScanLowLevel(" 05.03.2013\t", d, m, y, 1, " DD.MM.YYYY\t", 1950, 2020));
  EXPECT_EQ(std::make_tuple(5, 3, 2013), std::make_tuple(d, m, y));
  ASSERT_EQ(0, DateScanLowLevel("05.03.2013", d, m, y, 1, "  DD.MM.YYYY", 1950, 2020));
  int h = 0, mi = 0, s = 0;
  ASSERT_EQ(0, TimeScanLowLevel(" 01:02 PM ", h, mi, s, " HH:MM PM "));
  EXPECT_EQ(std::make_tuple(13, 2, 0), std::make_tuple(h, mi, s));
}

TEST(DateAndTimeMacros, ExpandsIntoFileSafeText) {
  std::tm when{};
  when.tm_year = 2013 - 1900;
  when.tm_mon = 2;
  when.tm_mday = 5;
  when.tm_hour = 14;
  when.tm_min = 7;
  when.tm_sec = 9;
  EXPECT_EQ("/tmp/out_03-05-2013_02-07_PM.sql",
            DateAndTimeMacros("/tmp/out_$DATE$_$TIME$.sql", "MM/DD/YYYY", "HH:MM PM", when, 0));
  EXPECT_EQ("a2013-03-05b$DATE", DateAndTimeMacros("a$DATE$b$DATE", "YYYY-MM-DD", "HH:MM", when, 0));
  EXPECT_EQ("x", DateAndTimeMacros("x", "YYYY-MM-DD", "HH:MM", when, 0));
  const std::string now = DateAndTimeMacros("$DATE$$TIME$", "YYYY-MM-DD", "HH:MM:SS");
  EXPECT_EQ(18u, now.size());
  EXPECT_EQ(std::string::npos, now.find(':'));
}

}  // namespace
