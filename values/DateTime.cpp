#include "values/DateTime.h"

#include <algorithm>
#include <cstdint>

#include "support/Calendar.h"
#include "support/DateTimeScan.h"
#include "support/DateTimeText.h"
#include "values/PatternHost.h"
#include "values/Random.h"

std::string DateTimeOptions::SeparatorFromSetting(std::string_view setting) {
  return setting == "Space" || setting == " " ? " " : "";
}

namespace {

std::string_view DateFormatOrRun(std::string_view format, const DateTimeOptions& options) {
  return DateFormatInfo(format).hasDateToken ? format : std::string_view(options.DateFormat);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Leading digits of the `n` characters at `pos` (0 when there are none);
// false when `pos` is at or beyond the end of the text.
bool FieldAt(std::string_view text, std::size_t pos, std::size_t n, int& value) {
  if (pos >= text.size()) return false;
  value = 0;
  for (std::size_t i = pos; i < text.size() && i < pos + n && IsDigit(text[i]); ++i) value = value * 10 + (text[i] - '0');
  return true;
}

// Resolves a bound of an in-format draw: missing (two characters or fewer),
// a pattern, a variable, or the text itself. Returns false when missing.
bool ResolveBound(std::string_view bound, PatternHost* host, std::string& text) {
  if (bound.size() <= 2) return false;
  if (host && bound[0] == '$') {
    std::string format;
    host->EvaluatePattern(bound, text, format);
  } else if (host && (bound[0] == '#' || bound[0] == '@')) {
    text = host->Variable(bound);
  } else {
    text.assign(bound);
  }
  return true;
}

std::string Message(const char* pattern, std::string_view a, std::string_view b) {
  std::string out;
  for (const char* p = pattern; *p; ++p) {
    if (p[0] == '%' && p[1] == 's') {
      out += a;
      a = b;
      ++p;
    } else {
      out += *p;
    }
  }
  return out;
}

}  // namespace

void MakeDate(std::string& out, int day, int month, int year, std::string_view format,
              const DateTimeOptions& options) {
  AppendDateText(out, day, month, year, DateFormatOrRun(format, options));
}

void MakeTime(std::string& out, int hour, int minute, int second, int millis, int zoneHours,
              std::string_view format, const DateTimeOptions& options) {
  AppendTimeText(out, hour, minute, second, millis, zoneHours,
                 format.empty() ? std::string_view(options.TimeFormat) : format);
}

namespace {

constexpr int64_t kSecondsPerDay = 86400;
// Characters of a zone as AppendTimeText writes it ("+hh:00").
constexpr std::size_t kZoneWidth = 6;

int64_t SecondOfDay(const DateTimeParts& p) { return (int64_t{p.hour} * 60 + p.minute) * 60 + p.second; }
int64_t DayOf(const DateTimeParts& p) { return DayNumber(p.year, p.month, p.day); }
int64_t InstantOf(const DateTimeParts& p) { return DayOf(p) * kSecondsPerDay + SecondOfDay(p); }

// The smallest step, in seconds, that a time format shows: a second, a
// minute, or an hour when it shows only the hour.
int64_t TimeStep(std::string_view format) {
  const TimeFormatInfo info(format);
  int64_t step = 0;
  std::size_t length = 1;
  for (std::size_t pos = 0; pos < format.size(); pos += length) {
    switch (TimeTokenAt(format, pos, info, length)) {
      case TimeToken::kSecond: return 1;
      case TimeToken::kMinute: step = 60; break;
      case TimeToken::kHour: if (step == 0) step = 3600; break;
      default: break;
    }
  }
  return step == 0 ? 1 : step;
}

// A multiple of `step` drawn uniformly from those between the multiples at
// or below `low` and `high` (0 <= low <= high), both included.
int64_t DrawMultiple(int64_t low, int64_t high, int64_t step) {
  return (low / step + static_cast<int64_t>(UniformBelow(static_cast<uint64_t>(high / step - low / step + 1)))) * step;
}

// The time of day with random milliseconds and zone, in the run's format.
void AppendDrawnTime(std::string& out, int64_t secondOfDay, const DateTimeOptions& options) {
  const int millis = RandomBelow(1000);
  const int zone = RandomBelow(23) - 11;
  AppendTimeText(out, static_cast<int>(secondOfDay / 3600), static_cast<int>(secondOfDay / 60 % 60),
                 static_cast<int>(secondOfDay % 60), millis, zone, options.TimeFormat);
}

}  // namespace

int ReadDateTime(std::string_view text, std::string_view dateFormat, int boundKind,
                 const DateTimeOptions& options, DateTimeParts& parts) {
  const std::string_view format = DateFormatOrRun(dateFormat, options);
  const std::size_t dateLength = std::min(text.size(), format.size());
  if (DateScanLowLevel(text.substr(0, dateLength), parts.day, parts.month, parts.year, boundKind, format,
                       options.YearFrom, options.YearTo) != 0) {
    return -1;
  }
  std::string_view rest = text.substr(dateLength);
  if (!options.DateTimeSep.empty() && rest.starts_with(options.DateTimeSep)) rest.remove_prefix(options.DateTimeSep.size());
  while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
  if (rest.empty()) {
    const bool lower = boundKind == 1;
    parts.hour = lower ? 0 : 23;
    parts.minute = parts.second = lower ? 0 : 59;
    return 0;
  }
  return TimeScanLowLevel(rest, parts.hour, parts.minute, parts.second, options.TimeFormat) == 0 ? 0 : -1;
}

int MakeRandDate(std::string& out, std::string_view fromText, std::string_view toText,
                 std::string_view format, const DateTimeOptions& options) {
  const std::string_view fmt = DateFormatOrRun(format, options);
  // A column asks with the same bounds row after row: they are read once.
  struct Bounds {
    std::string from, to, format;
    int yearFrom = 0, yearTo = 0;
    int64_t low = 0, high = 0;
    bool set = false;
  };
  thread_local Bounds last;
  if (!last.set || last.from != fromText || last.to != toText || last.format != fmt ||
      last.yearFrom != options.YearFrom || last.yearTo != options.YearTo) {
    DateTimeParts low, high;
    if (DateScanLowLevel(fromText, low.day, low.month, low.year, 1, fmt, options.YearFrom, options.YearTo) != 0) {
      low = DateTimeParts{options.YearFrom, 1, 1};
    }
    if (DateScanLowLevel(toText, high.day, high.month, high.year, 0, fmt, options.YearFrom, options.YearTo) != 0) {
      high = DateTimeParts{options.YearTo, 12, 31};
    }
    last = Bounds{std::string(fromText), std::string(toText), std::string(fmt), options.YearFrom, options.YearTo,
                  std::min(DayOf(low), DayOf(high)), std::max(DayOf(low), DayOf(high)), true};
  }
  const CalendarDate date = DateOfDayNumber(last.low + DrawMultiple(0, last.high - last.low, 1));
  AppendDateText(out, date.day, date.month, static_cast<int>(date.year), fmt);
  return 0;
}

void MakeRandTime(std::string& out, std::string_view fromText, std::string_view toText,
                  const DateTimeOptions& options) {
  DateTimeParts read;
  auto secondOf = [&](std::string_view text, int64_t unread) {
    return TimeScanLowLevel(text, read.hour, read.minute, read.second, options.TimeFormat) == 0 ? SecondOfDay(read)
                                                                                                : unread;
  };
  const int64_t a = secondOf(fromText, 0), b = secondOf(toText, kSecondsPerDay - 1);
  AppendDrawnTime(out, DrawMultiple(std::min(a, b), std::max(a, b), TimeStep(options.TimeFormat)), options);
}

void MakeRandDateTime(std::string& out, std::string_view fromText, std::string_view toText,
                      std::string_view format, const DateTimeOptions& options) {
  DateTimeParts low, high;
  if (ReadDateTime(fromText, format, 1, options, low) != 0) low = DateTimeParts{options.YearFrom, 1, 1};
  if (ReadDateTime(toText, format, 0, options, high) != 0) high = DateTimeParts{options.YearTo, 12, 31, 23, 59, 59};
  if (InstantOf(low) > InstantOf(high)) std::swap(low, high);
  // Counted from the lower bound's midnight, so that every number is positive.
  const int64_t origin = DayOf(low) * kSecondsPerDay;
  const int64_t drawn =
      DrawMultiple(SecondOfDay(low), InstantOf(high) - origin, TimeStep(options.TimeFormat));
  const CalendarDate date = DateOfDayNumber(DayOf(low) + drawn / kSecondsPerDay);
  MakeDate(out, date.day, date.month, static_cast<int>(date.year), format, options);
  out += options.DateTimeSep;
  AppendDrawnTime(out, drawn % kSecondsPerDay, options);
}

int ParseDateInFormat(std::string_view text, std::string_view format, int& day, int& month, int& year) {
  day = month = year = 0;
  constexpr auto npos = std::string_view::npos;
  int value = 0;
  if (const auto p = format.find("DD"); p != npos && FieldAt(text, p, 2, value)) day = value;
  if (const auto p = format.find("MM"); p != npos) {
    if (FieldAt(text, p, 2, value)) month = value;
  } else {
    auto q = format.find("MON");
    if (q == npos) q = format.find("mon");
    if (q != npos && q < text.size()) month = MonthFromName(text.substr(q, 3));
  }
  const auto p4 = format.find("YYYY");
  const bool longYear = p4 != npos;
  const auto py = longYear ? p4 : format.find("YY");
  if (py != npos && FieldAt(text, py, longYear ? 4 : 2, value)) {
    year = value;
    if (!longYear || year < 100) {
      int century = 0;
      if (const auto pc = format.find('C'); pc != npos) {
        FieldAt(text, pc, 1, century);
        year += 100 * century + 1900;
      } else {
        year += year < 30 ? 2000 : 1900;
      }
    }
  }
  return longYear ? 1 : 0;
}

void ParseTimeInFormat(std::string_view text, std::string_view format, int& hour, int& minute, int& second) {
  hour = minute = second = 0;
  const TimeFormatInfo info(format);
  char mark = 0;
  int value = 0;
  std::size_t length = 1;
  // `at` follows the text as AppendTimeText writes it: every token keeps its
  // width but the zone, which writes "+hh:00" for "TZ".
  for (std::size_t pos = 0, at = 0; pos < format.size(); pos += length) {
    const TimeToken token = TimeTokenAt(format, pos, info, length);
    switch (token) {
      case TimeToken::kHour: if (FieldAt(text, at, 2, value)) hour = value; break;
      case TimeToken::kMinute: if (FieldAt(text, at, 2, value)) minute = value; break;
      case TimeToken::kSecond: if (FieldAt(text, at, 2, value)) second = value; break;
      case TimeToken::kAmPm:
        if (at + 1 < text.size() && (text[at + 1] & ~0x20) == 'M') mark = static_cast<char>(text[at] & ~0x20);
        break;
      default: break;
    }
    at += token == TimeToken::kZone ? kZoneWidth : length;
  }
  if ((mark == 'A' || mark == 'P') && hour <= 12) hour = hour % 12 + (mark == 'P' ? 12 : 0);
}

namespace {

// A date bound that can be drawn from: every field present and a real day.
bool DateFieldsValid(int d, int m, int y) { return y >= 1 && IsRealDate(y, m, d); }

}  // namespace

int RandomDateInFormat(std::string& out, std::string& message, std::string_view format,
                       std::string_view from, std::string_view to, PatternHost* host) {
  out.clear();
  if (format.empty()) format = "DD.MM.YYYY";
  std::string fromText, toText;
  int d1 = 1, m1 = 1, y1 = 1970, d2 = 31, m2 = 12, y2 = 2050;
  if (ResolveBound(from, host, fromText)) {
    if (fromText.size() != format.size()) {
      message = Message("'From' date '%s' does not correspond to format '%s'", fromText, format);
      return 200;
    }
    ParseDateInFormat(fromText, format, d1, m1, y1);
  }
  if (ResolveBound(to, host, toText)) {
    if (toText.size() != format.size()) {
      message = Message("'To' date '%s' does not correspond to format '%s'", toText, format);
      return 201;
    }
    ParseDateInFormat(toText, format, d2, m2, y2);
  }
  if (!DateFieldsValid(d1, m1, y1)) {
    message = Message("Could not recognize date format '%s' for 'from' date [%s]", format, fromText);
    return 204;
  }
  if (!DateFieldsValid(d2, m2, y2)) {
    message = Message("Could not recognize date format '%s' for 'to' date [%s]", format, toText);
    return 205;
  }
  if (format.find("YY") == std::string_view::npos) {
    message = Message("Invalid short year in the date format '%s'", format, {});
    return 207;
  }
  const int64_t a = DayNumber(y1, m1, d1), b = DayNumber(y2, m2, d2);
  const int64_t low = std::min(a, b);
  const CalendarDate date = DateOfDayNumber(low + DrawMultiple(0, std::max(a, b) - low, 1));
  AppendDateText(out, date.day, date.month, static_cast<int>(date.year), format);
  return 0;
}

int RandomTimeInFormat(std::string& out, std::string& message, std::string_view format,
                       std::string_view from, std::string_view to, PatternHost* host) {
  out.clear();
  if (format.empty()) format = "HH:MM:SS";
  std::string fromText, toText;
  int h1 = 0, m1 = 0, s1 = 0, h2 = 23, m2 = 59, s2 = 59;
  std::string written;
  AppendTimeText(written, 0, 0, 0, 0, 0, format);
  if (ResolveBound(from, host, fromText)) {
    ParseTimeInFormat(fromText, format, h1, m1, s1);
    if (fromText.size() != written.size() || h1 > 23 || m1 > 59 || s1 > 59) {
      message = Message("'From' time '%s' does not correspond to format '%s'", fromText, format);
      return 300;
    }
  }
  if (ResolveBound(to, host, toText)) {
    ParseTimeInFormat(toText, format, h2, m2, s2);
    if (toText.size() != written.size() || h2 > 23 || m2 > 59 || s2 > 59) {
      message = Message("'To' time '%s' does not correspond to format '%s'", toText, format);
      return 301;
    }
  }
  constexpr auto npos = std::string_view::npos;
  if (format.find("HH") == npos && format.find("MM") == npos && format.find("SS") == npos &&
      format.find("sss") == npos) {
    message = Message("Incorrect or incomplete time format '%s'", format, {});
    return 302;
  }
  const int64_t a = (int64_t{h1} * 60 + m1) * 60 + s1, b = (int64_t{h2} * 60 + m2) * 60 + s2;
  const int64_t t = DrawMultiple(std::min(a, b), std::max(a, b), TimeStep(format));
  const int millis = format.find("sss") != npos ? static_cast<int>(UniformBelow(1000)) : 0;
  AppendTimeText(out, static_cast<int>(t / 3600), static_cast<int>(t / 60 % 60), static_cast<int>(t % 60), millis, 0,
                 format);
  return 0;
}
