#include "values/DateTime.h"

#include <gtest/gtest.h>

#include <map>
#include <tuple>

#include "support/Calendar.h"
#include "support/DateTimeScan.h"
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

// Draws between two bounds: every value lies between them, both included,
// and every value of a small span comes up about equally often.
enum class Draw { kRandDate, kRandTime, kRandDateTime, kDateInFormat, kTimeInFormat };

struct SpanCase {
  Draw draw;
  const char* format;  // the date format, or the time format of the time draws
  const char* from;
  const char* to;
  const char* low;  // the least and the greatest value of the span, in the format
  const char* high;
  int values;  // how many values the span holds; 0 when too many to count them
};

// The run's options of a case: its format as the run's date or time format.
DateTimeOptions OptionsFor(const SpanCase& c) {
  DateTimeOptions options;
  if (c.draw == Draw::kRandTime) options.TimeFormat = c.format;
  else options.DateFormat = c.format;
  if (c.draw == Draw::kRandDateTime) options.TimeFormat = "HH:MM:SS";
  return options;
}

// A value of the case read back: a day number, a second of the day, or an instant in seconds.
int64_t ReadBack(const SpanCase& c, const std::string& text, const DateTimeOptions& options) {
  int a = 0, b = 0, d = 0;
  switch (c.draw) {
    case Draw::kRandDate:
      EXPECT_EQ(0, DateScanLowLevel(text, d, b, a, 1, c.format, 1950, 2020)) << text;
      return DayNumber(a, b, d);
    case Draw::kDateInFormat:
      ParseDateInFormat(text, c.format, d, b, a);
      EXPECT_TRUE(IsRealDate(a, b, d)) << text;
      return DayNumber(a, b, d);
    case Draw::kRandTime:
      EXPECT_EQ(0, TimeScanLowLevel(text, a, b, d, c.format)) << text;
      return (a * 60 + b) * 60 + d;
    case Draw::kTimeInFormat:
      ParseTimeInFormat(text, c.format, a, b, d);
      return (a * 60 + b) * 60 + d;
    case Draw::kRandDateTime: {
      DateTimeParts p;
      EXPECT_EQ(0, ReadDateTime(text, "", 1, options, p)) << text;
      return DayNumber(p.year, p.month, p.day) * 86400 + (p.hour * 60 + p.minute) * 60 + p.second;
    }
  }
  return 0;
}

std::string DrawOne(const SpanCase& c, const DateTimeOptions& options) {
  std::string out, message;
  switch (c.draw) {
    case Draw::kRandDate: MakeRandDate(out, c.from, c.to, c.format, options); break;
    case Draw::kRandTime: MakeRandTime(out, c.from, c.to, options); break;
    case Draw::kRandDateTime: MakeRandDateTime(out, c.from, c.to, "", options); break;
    case Draw::kDateInFormat: EXPECT_EQ(0, RandomDateInFormat(out, message, c.format, c.from, c.to, nullptr)) << message; break;
    case Draw::kTimeInFormat: EXPECT_EQ(0, RandomTimeInFormat(out, message, c.format, c.from, c.to, nullptr)) << message; break;
  }
  return out;
}

class DrawSpans : public ::testing::TestWithParam<SpanCase> {};

TEST_P(DrawSpans, StayWithinTheBoundsAndReachEveryValueEvenly) {
  const SpanCase& c = GetParam();
  const DateTimeOptions options = OptionsFor(c);
  const int64_t low = ReadBack(c, c.low, options), high = ReadBack(c, c.high, options);
  SeedRandomSource(11);
  const int draws = c.values > 0 ? 400 * c.values : 20000;
  std::map<int64_t, int> counts;
  for (int i = 0; i < draws; ++i) {
    const std::string text = DrawOne(c, options);
    const int64_t v = ReadBack(c, text, options);
    ASSERT_TRUE(v >= low && v <= high) << text << " is not within " << c.low << " .. " << c.high;
    ++counts[v];
  }
  if (c.values == 0) return;
  EXPECT_EQ(static_cast<size_t>(c.values), counts.size());
  EXPECT_EQ(low, counts.begin()->first);
  EXPECT_EQ(high, counts.rbegin()->first);
  for (const auto& [value, count] : counts) {
    EXPECT_NEAR(count, 400, 100) << "value " << value << " of " << c.low << " .. " << c.high;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Spans, DrawSpans,
    ::testing::Values(
        SpanCase{Draw::kRandDate, "DD.MM.YYYY", "28.02.2020", "01.03.2020", "28.02.2020", "01.03.2020", 3},
        SpanCase{Draw::kRandDate, "DD.MM.YYYY", "05.03.2013", "05.03.2013", "05.03.2013", "05.03.2013", 1},
        SpanCase{Draw::kRandDate, "DD.MM.YYYY", "02.01.2021", "30.12.2020", "30.12.2020", "02.01.2021", 4},
        SpanCase{Draw::kRandDate, "CYYMMDD", "1131230", "1140102", "1131230", "1140102", 4},
        SpanCase{Draw::kRandDate, "YYYY-MM-DD", "2020-02-01", "2020-03-31", "2020-02-01", "2020-03-31", 60},
        SpanCase{Draw::kRandDate, "DD.MM.YYYY", "", "", "01.01.1950", "31.12.2020", 0},
        SpanCase{Draw::kRandDate, "DD.MM.YYYY", "99.99.9999", "garbage", "01.01.1950", "31.12.2020", 0},
        SpanCase{Draw::kRandTime, "HH:MM:SS", "23:59:30", "23:59:30", "23:59:30", "23:59:30", 1},
        SpanCase{Draw::kRandTime, "HH:MM:SS", "10:00:59", "10:01:01", "10:00:59", "10:01:01", 3},
        SpanCase{Draw::kRandTime, "HH:MM PM", "01:00 PM", "01:02 PM", "01:00 PM", "01:02 PM", 3},
        SpanCase{Draw::kRandTime, "HH:MM PM", "12:59 PM", "11:58 AM", "11:58 AM", "12:59 PM", 62},
        SpanCase{Draw::kRandTime, "HH:MM:SS", "", "bad", "00:00:00", "23:59:59", 0},
        SpanCase{Draw::kRandDateTime, "DD.MM.YYYY", "31.12.2019 23:59:59", "01.01.2020 00:00:01",
                 "31.12.2019 23:59:59", "01.01.2020 00:00:01", 3},
        SpanCase{Draw::kRandDateTime, "DD.MM.YYYY", "29.02.2020", "29.02.2020", "29.02.2020 00:00:00",
                 "29.02.2020 23:59:59", 0},
        SpanCase{Draw::kRandDateTime, "DD.MM.YYYY", "", "", "01.01.1950 00:00:00", "31.12.2020 23:59:59", 0},
        SpanCase{Draw::kDateInFormat, "DD.MM.YYYY", "28.02.2020", "01.03.2020", "28.02.2020", "01.03.2020", 3},
        SpanCase{Draw::kDateInFormat, "DD.MM.YYYY", "31.12.2019", "31.12.2019", "31.12.2019", "31.12.2019", 1},
        SpanCase{Draw::kDateInFormat, "MON DD YYYY", "JAN 30 2021", "FEB 02 2021", "JAN 30 2021", "FEB 02 2021", 4},
        SpanCase{Draw::kDateInFormat, "DD.MM.YY", "30.12.19", "02.01.20", "30.12.19", "02.01.20", 4},
        SpanCase{Draw::kDateInFormat, "CYYMMDD", "1200301", "1200229", "1200229", "1200301", 2},
        SpanCase{Draw::kDateInFormat, "DD.MM.YYYY", "", "", "01.01.1970", "31.12.2050", 0},
        SpanCase{Draw::kTimeInFormat, "HH:MM:SS", "23:59:30", "23:59:30", "23:59:30", "23:59:30", 1},
        SpanCase{Draw::kTimeInFormat, "HH:MM:SS", "10:00:58", "10:01:01", "10:00:58", "10:01:01", 4},
        SpanCase{Draw::kTimeInFormat, "HH:MM PM", "01:00 PM", "02:00 PM", "01:00 PM", "02:00 PM", 61},
        SpanCase{Draw::kTimeInFormat, "HH:MI AM", "11:59 AM", "12:01 PM", "11:59 AM", "12:01 PM", 3},
        SpanCase{Draw::kTimeInFormat, "HH:MM AM", "13:00 AM", "13:02 AM", "01:00 PM", "01:02 PM", 3},
        SpanCase{Draw::kTimeInFormat, "HH:MM:SS", "", "", "00:00:00", "23:59:59", 0}));

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
        InFormatError{true, "DD.MM.YYYY", "29.02.2019", "", 204,
                      "Could not recognize date format 'DD.MM.YYYY' for 'from' date [29.02.2019]"},
        InFormatError{true, "DD.MM", "", "", 207, "Invalid short year in the date format 'DD.MM'"},
        InFormatError{false, "HH:MM", "00:00:00", "", 300,
                      "'From' time '00:00:00' does not correspond to format 'HH:MM'"},
        InFormatError{false, "HH:MM:SS", "", "25:00:00", 301,
                      "'To' time '25:00:00' does not correspond to format 'HH:MM:SS'"},
        InFormatError{false, "xx-yy", "", "", 302, "Incorrect or incomplete time format 'xx-yy'"}));

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

}  // namespace
