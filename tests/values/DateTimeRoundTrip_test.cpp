// Every date and time written in a format reads back to the same value, by
// every reader of that format: the scanners (bounds of the Random method,
// Incremental starts), the positional readers (bounds of the pattern
// functions) and the date-time reader (timestamps). The draws between two
// bounds written in a format read back between those bounds.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>

#include "support/Calendar.h"
#include "support/DateTimeScan.h"
#include "support/DateTimeText.h"
#include "values/DateTime.h"
#include "values/Random.h"

namespace {

// The date formats offered to users, those of the examples and tests, and
// formats with the century, month names and two-digit years in other places.
const char* const kDateFormats[] = {
    "YYYY-MM-DD", "MM.DD.YYYY",  "DD.MM.YYYY",  "MM.DD.YY",    "MM/DD/YYYY",  "MM/DD/YY",
    "MM-DD-YYYY", "YYYY.MM.DD",  "MM-DD-YY",    "DD-MON-YYYY", "DD-mon-YYYY", "DD/MM/YYYY",
    "DD-MM-YYYY", "DD-MON-YY",   "DD-mon-YY",   "YYYYMMDD",    "YYMMDD",      "CYYMMDD",
    "C YY/MM/DD", "CYY-MON-DD",  "MON DD YYYY", "mon DD, YY",  "DD MON YYYY", "MONDDYYYY",
    "YY.MM.DD C", "DD.MM.YYC",   "DDMMC-YY",    " DD.MM.YYYY\t"};

// The time formats offered to users and those of the tests, with both marks
// of the 12-hour clock.
const char* const kTimeFormats[] = {
    "HH:MM PM",        "HH:MM:SS",        "HH:MM:SS PM", "HH:MM:SS.sss",    "HH:MM:SS.sss PM",
    "HH:MM:SS.sss TZ", "HH:MM:SS.sss PM TZ", "HH:MM",    "HH:MI:SS",        "HHMMSS",
    "HH:MM AM",        "HH:MI PM",        "HHMMSSPM",    "HH PM",           "TZ HH:MM",
    " HH:MM:SS PM "};

bool Has(std::string_view format, std::string_view token) { return format.find(token) != std::string_view::npos; }

// The years a format tells apart: four digits from year 100 on (a year read
// as 0..99 is a two-digit year), one century digit for 1900..2899, and two
// year digits alone for 1930..2029.
std::pair<int, int> Years(std::string_view format) {
  if (Has(format, "C")) return {1900, 2899};
  if (Has(format, "YYYY")) return {100, 9999};
  return {1930, 2029};
}

// The step a time format shows, in seconds.
int Step(std::string_view format) {
  if (Has(format, "SS")) return 1;
  return Has(format, "MM") || Has(format, "MI") ? 60 : 3600;
}

std::string DateText(const CalendarDate& d, std::string_view format) {
  std::string out;
  AppendDateText(out, d.day, d.month, static_cast<int>(d.year), format);
  return out;
}

std::tuple<int, int, int> Ymd(const CalendarDate& d) { return {static_cast<int>(d.year), d.month, d.day}; }

// Edge days of the format's years, then random days among them.
std::vector<CalendarDate> SomeDays(std::string_view format, int count) {
  const auto [first, last] = Years(format);
  std::vector<CalendarDate> days = {{first, 1, 1}, {last, 12, 31}, {2000, 2, 29}, {2024, 2, 29}, {2023, 12, 31}};
  std::mt19937 rng(17);
  std::uniform_int_distribution<int64_t> pick(DayNumber(first, 1, 1), DayNumber(last, 12, 31));
  for (int i = 0; i < count; ++i) days.push_back(DateOfDayNumber(pick(rng)));
  return days;
}

class DateFormatRoundTrip : public testing::TestWithParam<const char*> {};

TEST_P(DateFormatRoundTrip, EveryReaderGetsTheWrittenDateBack) {
  const std::string format = GetParam();
  DateTimeOptions options;
  options.DateFormat = format;
  options.TimeFormat = "HH:MM:SS PM";
  SeedRandomSource(3);
  for (const CalendarDate& date : SomeDays(format, 2000)) {
    const std::string text = DateText(date, format);
    int d = 0, m = 0, y = 0;
    ASSERT_EQ(0, DateScanLowLevel(text, d, m, y, 1, format, 1950, 2020)) << text << " in " << format;
    ASSERT_EQ(Ymd(date), std::make_tuple(y, m, d)) << text << " in " << format;
    ParseDateInFormat(text, format, d, m, y);
    ASSERT_EQ(Ymd(date), std::make_tuple(y, m, d)) << text << " in " << format;
    // A timestamp in the format, as the Incremental method and the random
    // timestamps read it.
    DateTimeParts parts;
    ASSERT_EQ(0, ReadDateTime(text + " 11:05:09 PM", "", 1, options, parts)) << text;
    ASSERT_EQ(std::make_tuple(Ymd(date), 23, 5, 9),
              std::make_tuple(std::make_tuple(parts.year, parts.month, parts.day), parts.hour, parts.minute,
                              parts.second));
    // Equal bounds give exactly the date, whichever draw reads them.
    std::string drawn, message;
    ASSERT_EQ(0, RandomDateInFormat(drawn, message, format, text, text, nullptr)) << message;
    ASSERT_EQ(text, drawn);
    drawn.clear();
    MakeRandDate(drawn, text, text, format, options);
    ASSERT_EQ(text, drawn);
  }
}

TEST_P(DateFormatRoundTrip, DrawsReadBackBetweenTheirBounds) {
  const std::string format = GetParam();
  DateTimeOptions options;
  SeedRandomSource(5);
  const std::vector<CalendarDate> days = SomeDays(format, 300);
  std::mt19937 rng(23);
  for (const CalendarDate& low : days) {
    const int64_t from = DayNumber(low.year, low.month, low.day);
    const int64_t to = std::min(from + static_cast<int64_t>(rng() % 800), DayNumber(Years(format).second, 12, 31));
    const std::string lowText = DateText(low, format), highText = DateText(DateOfDayNumber(to), format);
    for (int i = 0; i < 10; ++i) {
      std::string inFormat, message, run;
      ASSERT_EQ(0, RandomDateInFormat(inFormat, message, format, lowText, highText, nullptr)) << message;
      MakeRandDate(run, lowText, highText, format, options);
      for (const std::string& text : {inFormat, run}) {
        int d = 0, m = 0, y = 0;
        ASSERT_EQ(0, DateScanLowLevel(text, d, m, y, 1, format, 1950, 2020)) << text;
        const int64_t n = DayNumber(y, m, d);
        ASSERT_TRUE(n >= from && n <= to) << text << " not within " << lowText << " .. " << highText;
        ParseDateInFormat(text, format, d, m, y);
        ASSERT_EQ(n, DayNumber(y, m, d)) << text;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, DateFormatRoundTrip, testing::ValuesIn(kDateFormats));

class TimeFormatRoundTrip : public testing::TestWithParam<const char*> {};

std::vector<int> SomeSeconds(std::string_view format, int count) {
  const int step = Step(format);
  std::vector<int> seconds = {0, 43199, 43200, 46800, 86399, 3600, 39600};
  std::mt19937 rng(29);
  for (int i = 0; i < count; ++i) seconds.push_back(static_cast<int>(rng() % 86400));
  for (int& s : seconds) s -= s % step;
  return seconds;
}

int SecondsOf(int h, int m, int s) { return (h * 60 + m) * 60 + s; }

TEST_P(TimeFormatRoundTrip, EveryReaderGetsTheWrittenTimeBack) {
  const std::string format = GetParam();
  DateTimeOptions options;
  options.TimeFormat = format;
  SeedRandomSource(7);
  std::mt19937 rng(31);
  for (const int t : SomeSeconds(format, 3000)) {
    std::string text;
    AppendTimeText(text, t / 3600, t / 60 % 60, t % 60, static_cast<int>(rng() % 1000),
                   static_cast<int>(rng() % 23) - 11, format);
    int h = -1, m = -1, s = -1;
    ASSERT_EQ(0, TimeScanLowLevel(text, h, m, s, format)) << text << " in " << format;
    ASSERT_EQ(t, SecondsOf(h, m, s)) << text << " in " << format;
    ParseTimeInFormat(text, format, h, m, s);
    ASSERT_EQ(t, SecondsOf(h, m, s)) << text << " in " << format;
    // Equal bounds give exactly the time.
    std::string drawn, message;
    ASSERT_EQ(0, RandomTimeInFormat(drawn, message, format, text, text, nullptr)) << message;
    ParseTimeInFormat(drawn, format, h, m, s);
    ASSERT_EQ(t, SecondsOf(h, m, s)) << drawn << " from " << text;
    drawn.clear();
    MakeRandTime(drawn, text, text, options);
    ASSERT_EQ(0, TimeScanLowLevel(drawn, h, m, s, format)) << drawn;
    ASSERT_EQ(t, SecondsOf(h, m, s)) << drawn << " from " << text;
  }
}

TEST_P(TimeFormatRoundTrip, DrawsReadBackBetweenTheirBounds) {
  const std::string format = GetParam();
  DateTimeOptions options;
  options.TimeFormat = format;
  SeedRandomSource(9);
  std::mt19937 rng(37);
  for (const int from : SomeSeconds(format, 300)) {
    int to = from + static_cast<int>(rng() % 7200);
    to = std::min(to - to % Step(format), 86399 - 86399 % Step(format));
    std::string lowText, highText;
    AppendTimeText(lowText, from / 3600, from / 60 % 60, from % 60, 0, 0, format);
    AppendTimeText(highText, to / 3600, to / 60 % 60, to % 60, 0, 0, format);
    for (int i = 0; i < 10; ++i) {
      std::string inFormat, message, run;
      ASSERT_EQ(0, RandomTimeInFormat(inFormat, message, format, lowText, highText, nullptr)) << message;
      MakeRandTime(run, lowText, highText, options);
      for (const std::string& text : {inFormat, run}) {
        int h = 0, m = 0, s = 0;
        ASSERT_EQ(0, TimeScanLowLevel(text, h, m, s, format)) << text;
        const int t = SecondsOf(h, m, s);
        ASSERT_TRUE(t >= from && t <= to) << text << " not within " << lowText << " .. " << highText;
        ParseTimeInFormat(text, format, h, m, s);
        ASSERT_EQ(t, SecondsOf(h, m, s)) << text;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, TimeFormatRoundTrip, testing::ValuesIn(kTimeFormats));

}  // namespace
