#include "values/DateTime.h"

#include <algorithm>
#include <cstdio>
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

// Overwrites the token at its first occurrence with `value` printed in `width` digits.
void Overwrite(std::string& out, std::string_view token, int value, int width) {
  const auto pos = out.find(token);
  if (pos == std::string::npos) return;
  char buf[16];
  const int n = std::snprintf(buf, sizeof buf, "%0*d", width, value);
  out.replace(pos, token.size(), buf, static_cast<std::size_t>(n));
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
  int value = 0;
  if (const auto p = format.find("HH"); p != std::string_view::npos && FieldAt(text, p, 2, value)) hour = value;
  if (const auto p = format.find("MM"); p != std::string_view::npos && FieldAt(text, p, 2, value)) minute = value;
  if (const auto p = format.find("SS"); p != std::string_view::npos && FieldAt(text, p, 2, value)) second = value;
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
  int longYear = format.find("YYYY") != std::string_view::npos ? 1 : 0;
  if (ResolveBound(from, host, fromText)) {
    if (fromText.size() != format.size()) {
      message = Message("'From' date '%s' does not correspond to format '%s'", fromText, format);
      return 200;
    }
    longYear = ParseDateInFormat(fromText, format, d1, m1, y1);
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

  std::string result(format);
  if (const auto pc = result.find('C'); pc != std::string::npos) {
    result.replace(pc, 1, std::to_string(year / 100 - 19));
  }
  if (longYear) {
    const auto p = result.find("YYYY");
    if (p == std::string::npos) {
      message = Message("Invalid long year in the date format '%s'", format, {});
      return 206;
    }
    Overwrite(result, "YYYY", year, 4);
  } else {
    const auto p = result.find("YY");
    if (p == std::string::npos) {
      message = Message("Invalid short year in the date format '%s'", format, {});
      return 207;
    }
    Overwrite(result, "YY", year % 100, 2);
  }
  Overwrite(result, "MM", month, 2);
  Overwrite(result, "DD", day, 2);
  std::string name = MonthName(month);
  if (const auto p = result.find("MON"); p != std::string::npos) result.replace(p, 3, name);
  for (char& c : name) c = static_cast<char>(c - 'A' + 'a');
  if (const auto p = result.find("mon"); p != std::string::npos) result.replace(p, 3, name);
  out = std::move(result);
  return 0;
}

int RandomTimeInFormat(std::string& out, std::string& message, std::string_view format,
                       std::string_view from, std::string_view to, PatternHost* host) {
  out.clear();
  if (format.empty()) format = "HH:MM:SS";
  std::string fromText, toText;
  int h1 = 0, m1 = 0, s1 = 0, h2 = 23, m2 = 59, s2 = 59;
  if (ResolveBound(from, host, fromText)) {
    ParseTimeInFormat(fromText, format, h1, m1, s1);
    if (fromText.size() != format.size() || h1 > 23 || m1 > 59 || s1 > 59) {
      message = Message("'From' time '%s' does not correspond to format '%s'", fromText, format);
      return 300;
    }
  }
  if (ResolveBound(to, host, toText)) {
    ParseTimeInFormat(toText, format, h2, m2, s2);
    if (toText.size() != format.size() || h2 > 23 || m2 > 59 || s2 > 59) {
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

  std::string result(format);
  int shownHour = hour;
  auto mark = result.find("AM");
  if (mark == std::string::npos) mark = result.find("PM");
  if (mark != std::string::npos) {
    // The mark follows the drawn hour, so the text names the time that was drawn.
    result.replace(mark, 2, hour >= 12 ? "PM" : "AM");
    shownHour = hour % 12 == 0 ? 12 : hour % 12;
  }
  if (result.find("sss") != std::string::npos) Overwrite(result, "sss", DrawBelow(1000), 3);
  Overwrite(result, "SS", second, 2);
  Overwrite(result, "MM", minute, 2);
  Overwrite(result, "HH", shownHour, 2);
  out = std::move(result);
  return 0;
}
