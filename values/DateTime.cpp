#include "values/DateTime.h"

#include <algorithm>
#include <tuple>

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

// Draw in 0..n-1 that stays in range for any n (Random32Below leaves large
// bounds to its caller).
int32_t DrawBelow(int32_t n) { return n >= 32767 ? Random32Below(n) % n : Random32Below(n); }

// Characters of a zone as AppendTimeText writes it ("+hh:00").
constexpr std::size_t kZoneWidth = 6;

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

int MakeRandDate(std::string& out, std::string_view fromText, std::string_view toText,
                 std::string_view format, const DateTimeOptions& options) {
  const std::string_view fmt = DateFormatOrRun(format, options);
  int fd = 1, fm = 1, fy = 0, td = 31, tm = 12, ty = 0;
  if (DateScanLowLevel(fromText, fd, fm, fy, 1, fmt, options.YearFrom, options.YearTo) != 0 ||
      DateScanLowLevel(toText, td, tm, ty, 0, fmt, options.YearFrom, options.YearTo) != 0) {
    fy = ty = 0;
  }
  // Reversed bounds would make the month and day spans negative.
  if (fy != 0 && ty != 0 && std::tie(fy, fm, fd) > std::tie(ty, tm, td)) {
    std::swap(fy, ty);
    std::swap(fm, tm);
    std::swap(fd, td);
  }
  int lowYear = fy != 0 ? fy : options.YearFrom;
  int highYear = ty != 0 ? ty : options.YearTo;
  if (highYear < lowYear) std::swap(lowYear, highYear);

  int day = 1, month = 1, year = lowYear;
  for (int attempt = 0; attempt < 50; ++attempt) {
    day = RandomBelow(30) + 1;
    if (fy == ty && fy != 0) {
      month = fm + RandomBelow(tm - fm + 1);
      if (fm == tm) day = fd + RandomBelow(td - fd + 1);
    } else {
      month = RandomBelow(12) + 1;
    }
    year = lowYear + RandomBelow(highYear - lowYear + 1);
    if (fy == 0 || ty == 0) break;
    if (std::tie(year, month, day) >= std::tie(fy, fm, fd) && std::tie(year, month, day) <= std::tie(ty, tm, td)) break;
  }
  if (month == 2 && day > 28) day = 28;
  day = std::min(day, 30);
  AppendDateText(out, day, month, year, fmt);
  return 0;
}

void MakeRandTime(std::string& out, std::string_view fromText, std::string_view toText,
                  const DateTimeOptions& options) {
  int fh = 0, fm = 0, fs = 0, th = 23, tm = 59, ts = 59;
  int h = 0, m = 0, s = 0;
  if (!fromText.empty() && TimeScanLowLevel(fromText, h, m, s, options.TimeFormat) == 0) std::tie(fh, fm, fs) = std::tie(h, m, s);
  if (!toText.empty() && TimeScanLowLevel(toText, h, m, s, options.TimeFormat) == 0) std::tie(th, tm, ts) = std::tie(h, m, s);
  const int hours = th - fh + 1;
  const int millis = RandomBelow(1000);
  const int zone = RandomBelow(23) - 11;
  int hour = fh, minute = 0, second = 0;
  for (int attempt = 0; attempt < 20; ++attempt) {
    hour = hours > 1 ? fh + RandomBelow(hours) : fh;
    minute = RandomBelow(60);
    second = RandomBelow(60);
    if (std::tie(hour, minute, second) >= std::tie(fh, fm, fs) && std::tie(hour, minute, second) <= std::tie(th, tm, ts)) break;
  }
  AppendTimeText(out, hour, minute, second, millis, zone, options.TimeFormat);
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
bool DateFieldsValid(int d, int m, int y) {
  return d >= 1 && m >= 1 && y >= 1 && m <= 12 && (d <= DaysInMonth(m) || (m == 2 && d == 29));
}

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

  int year = y1, month = m1, upperYear = y2;
  if (y1 < y2) {
    year = y1 + DrawBelow(y2 - y1 + 1);
    if (year != y1) month = DrawBelow(year == y2 ? m2 : 12) + 1;
    else month = m1 == 12 ? 12 : m1 + DrawBelow(12 - m1);
  } else {
    upperYear = y1;
    month = m1 < m2 ? m1 + DrawBelow(m2 - m1) : m1;
  }
  const int days = DaysInMonth(month);
  int day = 1;
  const bool atLower = year == y1 && month == m1;
  const bool atUpper = year == upperYear && month == m2;
  if (atLower && atUpper && d1 <= d2) {
    day = d1 + DrawBelow(d2 - d1 + 1);  // both bounds in one month: stay between them
  } else if (atLower) {
    const int g = days == d1 ? 1 : days - d1;
    day = d1 + DrawBelow(g);
  } else if (atUpper) {
    day = DrawBelow(d2) + 1;
  } else {
    day = DrawBelow(days) + 1;
  }
  day = std::clamp(day, 1, days);
  if (format.find("YY") == std::string_view::npos) {
    message = Message("Invalid short year in the date format '%s'", format, {});
    return 207;
  }
  AppendDateText(out, day, month, year, format);
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

  int hour = h1, minute = m1, second = 0, upperHour = h2;
  bool done = false;
  if (h1 < h2) {
    hour = h1 + DrawBelow(h2 - h1);
    minute = hour > h1 ? DrawBelow(60) : m1 + DrawBelow(60 - m1);
  } else {
    upperHour = h1;
    if (m1 >= m2) {
      minute = m1;
      const int top = m2 == m1 && s1 < s2 ? s2 : 60;
      second = s1 + DrawBelow(top - s1);
      done = true;
    } else {
      minute = m1 + DrawBelow(m2 - m1);
    }
  }
  if (!done) {
    if (hour == h1 && minute == m1) {
      const int top = upperHour == hour && m2 == minute && s1 < s2 ? s2 : 60;
      second = s1 + DrawBelow(top - s1);
    } else if (hour == upperHour && minute == m2) {
      second = DrawBelow(s2 == 0 ? 60 : s2);
    } else {
      second = DrawBelow(60);
    }
  }

  const int millis = format.find("sss") != npos ? DrawBelow(1000) : 0;
  AppendTimeText(out, hour, minute, second, millis, 0, format);
  return 0;
}
