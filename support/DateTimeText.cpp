#include "support/DateTimeText.h"

#include <array>
#include <charconv>
#include <cstdlib>

namespace {

constexpr std::array<const char*, 12> kMonthNames = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                     "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

bool At(std::string_view text, std::size_t pos, std::string_view token) {
  return text.compare(pos, token.size(), token) == 0;
}

// Appends `value` in decimal, zero-padded to `width` digits like "%0*d".
void AppendNumber(std::string& out, long long value, int width) {
  char buf[24];
  const bool negative = value < 0;
  const unsigned long long magnitude =
      negative ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
  const auto end = std::to_chars(buf, buf + sizeof buf, magnitude).ptr;
  const int digits = static_cast<int>(end - buf);
  if (negative) {
    out += '-';
    --width;
  }
  if (digits < width) out.append(static_cast<std::size_t>(width - digits), '0');
  out.append(buf, end);
}

// Division and remainder rounded down, so that a year before 1900 has a
// negative century and still a year of the century in 0..99.
long long FloorDiv(long long a, long long b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }
long long FloorMod(long long a, long long b) { return a - FloorDiv(a, b) * b; }

void AppendMonthName(std::string& out, int month, bool lower) {
  const char* name = MonthName(month);
  for (int i = 0; i < 3; ++i) out += lower ? static_cast<char>(name[i] - 'A' + 'a') : name[i];
}

}  // namespace

DateFormatInfo::DateFormatInfo(std::string_view format)
    : longYear(format.find("YYYY") != std::string_view::npos),
      centuryAt(format.find('C')),
      hasCentury(centuryAt != std::string_view::npos),
      hasDateToken(format.find("YY") != std::string_view::npos ||
                   format.find("MM") != std::string_view::npos ||
                   format.find("DD") != std::string_view::npos ||
                   format.find("MON") != std::string_view::npos ||
                   format.find("mon") != std::string_view::npos) {}

TimeFormatInfo::TimeFormatInfo(std::string_view format)
    : twelveHour(format.find("PM") != std::string_view::npos || format.find("AM") != std::string_view::npos),
      hasMM(format.find("MM") != std::string_view::npos) {}

DateToken DateTokenAt(std::string_view format, std::size_t pos, const DateFormatInfo& info,
                      std::size_t& length) {
  struct Entry {
    std::string_view text;
    DateToken token;
  };
  // Every token starts with one of these letters: anything else is a literal
  // at once (the separators, between the tokens of every format).
  switch (format[pos]) {
    case 'Y':
    case 'M':
    case 'm':
    case 'D':
      break;
    case 'C':
      length = 1;
      return pos == info.centuryAt ? DateToken::kCentury : DateToken::kLiteral;
    default:
      length = 1;
      return DateToken::kLiteral;
  }
  // Longer tokens first, so "MON" is not taken for a literal "M" and "YYYY" wins over "YY".
  const Entry entries[] = {{"YYYY", DateToken::kYear4}, {"MON", DateToken::kMonUpper},
                           {"mon", DateToken::kMonLower}, {"YY", DateToken::kYear2},
                           {"MM", DateToken::kMonth},     {"DD", DateToken::kDay}};
  for (const Entry& e : entries) {
    if (e.token == DateToken::kYear2 && info.longYear) continue;
    if (At(format, pos, e.text)) {
      length = e.text.size();
      return e.token;
    }
  }
  length = 1;
  return DateToken::kLiteral;
}

TimeToken TimeTokenAt(std::string_view format, std::size_t pos, const TimeFormatInfo& info,
                      std::size_t& length) {
  struct Entry {
    std::string_view text;
    TimeToken token;
  };
  const Entry entries[] = {{"sss", TimeToken::kMillis}, {"HH", TimeToken::kHour},
                           {"SS", TimeToken::kSecond},  {"TZ", TimeToken::kZone},
                           {"PM", TimeToken::kAmPm},    {"AM", TimeToken::kAmPm},
                           {"MM", TimeToken::kMinute},  {"MI", TimeToken::kMinute}};
  for (const Entry& e : entries) {
    if (e.text == "MI" && info.hasMM) continue;
    if (At(format, pos, e.text)) {
      length = e.text.size();
      return e.token;
    }
  }
  length = 1;
  return TimeToken::kLiteral;
}

const char* MonthName(int month) {
  int index = (month - 1) % 12;
  if (index < 0) index += 12;
  return kMonthNames[static_cast<std::size_t>(index)];
}

int MonthFromName(std::string_view name) {
  if (name.size() != 3) return 0;
  for (std::size_t m = 0; m < kMonthNames.size(); ++m) {
    bool same = true;
    for (std::size_t i = 0; i < 3 && same; ++i) {
      char c = name[i];
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      same = c == kMonthNames[m][i];
    }
    if (same) return static_cast<int>(m) + 1;
  }
  return 0;
}

void AppendDateText(std::string& out, int day, int month, int year, std::string_view format) {
  const DateFormatInfo info(format);
  std::size_t length = 1;
  for (std::size_t pos = 0; pos < format.size(); pos += length) {
    switch (DateTokenAt(format, pos, info, length)) {
      case DateToken::kYear4: AppendNumber(out, year, 4); break;
      case DateToken::kYear2: AppendNumber(out, FloorMod(year, 100), 2); break;
      case DateToken::kCentury: AppendNumber(out, FloorDiv(static_cast<long long>(year) - 1900, 100), 1); break;
      case DateToken::kMonth: AppendNumber(out, month, 2); break;
      case DateToken::kDay: AppendNumber(out, day, 2); break;
      case DateToken::kMonUpper: AppendMonthName(out, month, false); break;
      case DateToken::kMonLower: AppendMonthName(out, month, true); break;
      case DateToken::kLiteral: out += format[pos]; break;
    }
  }
}

void AppendTimeText(std::string& out, int hour, int minute, int second, int millis,
                    int zoneHours, std::string_view format) {
  const TimeFormatInfo info(format);
  const bool afternoon = hour >= 12;
  if (info.twelveHour) {
    if (afternoon) hour -= 12;
    if (hour == 0) hour = 12;
  }
  std::size_t length = 1;
  for (std::size_t pos = 0; pos < format.size(); pos += length) {
    switch (TimeTokenAt(format, pos, info, length)) {
      case TimeToken::kHour: AppendNumber(out, hour, 2); break;
      case TimeToken::kMinute: AppendNumber(out, minute, 2); break;
      case TimeToken::kSecond: AppendNumber(out, second, 2); break;
      case TimeToken::kMillis: AppendNumber(out, millis, 3); break;
      case TimeToken::kAmPm: out += afternoon ? "PM" : "AM"; break;
      case TimeToken::kZone:
        out += zoneHours < 0 ? '-' : '+';
        AppendNumber(out, std::abs(static_cast<long long>(zoneHours)), 2);
        out += ":00";
        break;
      case TimeToken::kLiteral: out += format[pos]; break;
    }
  }
}
