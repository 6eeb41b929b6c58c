// libFuzzer target: the date and time scanners and writers. Fields (FuzzInput):
// date format, two date texts, time format, two time texts, then month, day,
// year, hour, minute, second, milliseconds and zone hours.
// - Any text scanned in any format either is refused or gives a real date or
//   time.
// - A date or time written into a format reads back in that format, with every
//   field the format holds (the year as far as the format keeps it).
// - The random draws between the texts as bounds, and the file-name macros,
//   run on the same formats.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "support/Calendar.h"
#include "support/DateTimeScan.h"
#include "support/DateTimeText.h"
#include "tests/fuzz/FuzzInput.h"
#include "values/DateTime.h"
#include "values/Random.h"

namespace {

constexpr int kYearFrom = 1950;
constexpr int kYearTo = 2020;

void ScanDate(std::string_view text, std::string_view format) {
  for (int boundKind = 0; boundKind <= 1; ++boundKind) {
    int day = 0, month = 0, year = 0;
    if (DateScanLowLevel(text, day, month, year, boundKind, format, kYearFrom, kYearTo) == 0)
      FuzzAssert(IsRealDate(year, month, day), "a date read is a real day", text);
  }
}

void ScanTime(std::string_view text, std::string_view format) {
  int hour = -1, minute = -1, second = -1;
  if (TimeScanLowLevel(text, hour, minute, second, format) != 0) return;
  FuzzAssert(hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59,
             "a time read is a real time", text);
}

// Which fields a date format writes.
struct DateFields {
  bool day = false, month = false, year4 = false, year2 = false, century = false;
};

DateFields FieldsOf(std::string_view format) {
  const DateFormatInfo info(format);
  DateFields f;
  std::size_t length = 1;
  for (std::size_t pos = 0; pos < format.size(); pos += length) {
    switch (DateTokenAt(format, pos, info, length)) {
      case DateToken::kDay: f.day = true; break;
      case DateToken::kMonth:
      case DateToken::kMonUpper:
      case DateToken::kMonLower: f.month = true; break;
      case DateToken::kYear4: f.year4 = true; break;
      case DateToken::kYear2: f.year2 = true; break;
      case DateToken::kCentury: f.century = true; break;
      case DateToken::kLiteral: break;
    }
  }
  return f;
}

void DateRoundTrip(std::string_view format, int day, int month, int year) {
  if (!DateFormatInfo(format).hasDateToken) return;  // not a date format: nothing to read back
  std::string text;
  AppendDateText(text, day, month, year, format);
  int d = 0, m = 0, y = 0;
  FuzzAssert(DateScanLowLevel(text, d, m, y, 1, format, kYearFrom, kYearTo) == 0, "a written date reads", text);
  const DateFields f = FieldsOf(format);
  const bool fullYear = f.year4 || (f.year2 && f.century);
  FuzzAssert((!f.day || d == day) && (!f.month || m == month) && (!fullYear || y == year) &&
                 (fullYear || !f.year2 || y % 100 == year % 100),
             "a written date reads back the same", text);
}

void TimeRoundTrip(std::string_view format, int hour, int minute, int second, int millis, int zone) {
  const TimeFormatInfo info(format);
  bool hasHour = false, hasMinute = false, hasSecond = false, hasField = false;
  std::size_t length = 1;
  for (std::size_t pos = 0; pos < format.size(); pos += length) {
    const TimeToken token = TimeTokenAt(format, pos, info, length);
    hasHour |= token == TimeToken::kHour;
    hasMinute |= token == TimeToken::kMinute;
    hasSecond |= token == TimeToken::kSecond;
    hasField |= token != TimeToken::kLiteral;
  }
  if (!hasField) return;  // not a time format
  std::string text;
  AppendTimeText(text, hour, minute, second, millis, zone, format);
  int h = -1, m = -1, s = -1;
  FuzzAssert(TimeScanLowLevel(text, h, m, s, format) == 0, "a written time reads", text);
  FuzzAssert((!hasHour || h == hour) && (!hasMinute || m == minute) && (!hasSecond || s == second),
             "a written time reads back the same", text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const std::string_view dateFormat = input.Text();
  const std::string_view dateFrom = input.Text();
  const std::string_view dateTo = input.Text();
  const std::string_view timeFormat = input.Text();
  const std::string_view timeFrom = input.Text();
  const std::string_view timeTo = input.Text();
  const int month = input.Number(1, 12);
  const int dayOfMonth = input.Number(1, 31);
  const int year = input.Number(0, 9999);
  const int day = std::min(dayOfMonth, DaysInMonth(year, month));
  const int hour = input.Number(0, 23);
  const int minute = input.Number(0, 59);
  const int second = input.Number(0, 59);
  const int millis = input.Number(0, 999);
  const int zone = input.Number(-14, 14);

  for (std::string_view text : {dateFrom, dateTo}) ScanDate(text, dateFormat);
  for (std::string_view text : {timeFrom, timeTo}) ScanTime(text, timeFormat);
  DateRoundTrip(dateFormat, day, month, year);
  TimeRoundTrip(timeFormat, hour, minute, second, millis, zone);

  SeedRandomSource(static_cast<uint32_t>(size));
  DateTimeOptions options;
  options.TimeFormat = std::string(timeFormat);
  std::string out;
  MakeRandDate(out, dateFrom, dateTo, dateFormat, options);
  MakeRandTime(out, timeFrom, timeTo, options);

  std::tm when{};
  when.tm_mday = day;
  when.tm_mon = month - 1;
  when.tm_year = year - 1900;
  when.tm_hour = hour;
  when.tm_min = minute;
  when.tm_sec = second;
  when.tm_gmtoff = zone * 3600L;
  DateAndTimeMacros(dateFrom, dateFormat, timeFormat, when, millis);
  return 0;
}
