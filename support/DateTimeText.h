// Date and time format templates: the tokens a format may hold, and writing a
// date or a time into a format. The writer and the scanners (DateTimeScan.h)
// share one tokenizer, so every text written in a format can be read back in it.
//
// Date tokens (case-sensitive): "YYYY" (or "YY" when the format has no "YYYY"),
// "C" (century counted from 1900, rounded down: 1850 is century -1 and year
// 50; only the first "C" of a format, later ones are literals), "MM", "DD",
// "MON", "mon".
// Time tokens: "HH", "MM" (or "MI" when the format has no "MM"), "SS", "sss",
// "PM" or "AM" (marks a 12-hour clock, written "AM" before noon and "PM" from
// noon on), "TZ" (zone as "+hh:00").
// Any other character is copied unchanged.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

enum class DateToken { kLiteral, kYear4, kYear2, kCentury, kMonth, kDay, kMonUpper, kMonLower };
enum class TimeToken { kLiteral, kHour, kMinute, kSecond, kMillis, kAmPm, kZone };

// Facts about a date format that decide how its tokens are read.
struct DateFormatInfo {
  explicit DateFormatInfo(std::string_view format);
  bool longYear;  // holds "YYYY"
  std::size_t centuryAt;  // position of the century token, npos when none
  bool hasCentury;
  // True when the format holds at least one field of a date.
  bool hasDateToken;
};

// Facts about a time format.
struct TimeFormatInfo {
  explicit TimeFormatInfo(std::string_view format);
  bool twelveHour;  // holds "PM" or "AM"
  bool hasMM;       // minute token is "MM"; otherwise "MI"
};

// Token at `pos` of `format`; `length` receives the number of format characters
// it spans (1 for a literal).
DateToken DateTokenAt(std::string_view format, std::size_t pos, const DateFormatInfo& info,
                      std::size_t& length);
TimeToken TimeTokenAt(std::string_view format, std::size_t pos, const TimeFormatInfo& info,
                      std::size_t& length);

// Three-letter upper-case month name for month 1..12 ("JAN"); any other month
// is reduced into the table the way (month - 1) mod 12 does.
const char* MonthName(int month);
// Month 1..12 of a three-letter name compared without regard to case, 0 when
// `name` is none.
int MonthFromName(std::string_view name);

// Appends the date written into `format`.
void AppendDateText(std::string& out, int day, int month, int year, std::string_view format);
// Appends the time written into `format`. With a 12-hour format the hour is
// shown 1..12, followed by its mark.
void AppendTimeText(std::string& out, int hour, int minute, int second, int millis,
                    int zoneHours, std::string_view format);
