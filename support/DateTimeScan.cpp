#include "support/DateTimeScan.h"

#include <algorithm>
#include <chrono>

#include "support/Calendar.h"
#include "support/DateTimeText.h"

namespace {

std::string_view Trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads 1..maxDigits decimal digits at `pos`; false when there is none.
bool ReadDigits(std::string_view text, std::size_t& pos, int maxDigits, int& value, int* count = nullptr) {
  int n = 0;
  value = 0;
  while (n < maxDigits && pos < text.size() && IsDigit(text[pos])) {
    value = value * 10 + (text[pos] - '0');
    ++pos;
    ++n;
  }
  if (count) *count = n;
  return n > 0;
}

// As ReadDigits, with an optional leading '-'.
bool ReadSigned(std::string_view text, std::size_t& pos, int maxDigits, int& value) {
  const bool negative = pos < text.size() && text[pos] == '-';
  if (negative) ++pos;
  if (!ReadDigits(text, pos, maxDigits, value)) return false;
  if (negative) value = -value;
  return true;
}

int TwoDigitYear(int y) { return y < 30 ? 2000 + y : 1900 + y; }

std::size_t DigitRun(std::string_view text, std::size_t pos) {
  std::size_t end = pos;
  while (end < text.size() && IsDigit(text[end])) ++end;
  return end - pos;
}

// The digits the format writes from `pos` on before anything else: the
// fixed-width fields and literal digits that may follow the century directly.
std::size_t DigitsWrittenFrom(std::string_view format, std::size_t pos, const DateFormatInfo& info) {
  std::size_t digits = 0, length = 1;
  for (std::size_t f = pos; f < format.size(); f += length) {
    switch (DateTokenAt(format, f, info, length)) {
      case DateToken::kYear4: digits += 4; break;
      case DateToken::kYear2:
      case DateToken::kMonth:
      case DateToken::kDay: digits += 2; break;
      case DateToken::kLiteral:
        if (!IsDigit(format[f])) return digits;
        ++digits;
        break;
      default: return digits;  // a month name
    }
  }
  return digits;
}

// Reads the century at `pos` (an optional '-' and up to three digits). It is
// written in as many digits as it needs, so of the digits at `pos` it takes
// those that the fields after it (`following` digits) leave: "CYY" reads
// "113" as century 1 and year 13.
bool ReadCentury(std::string_view text, std::size_t& pos, std::size_t following, int& century) {
  const bool negative = pos < text.size() && text[pos] == '-';
  const std::size_t run = DigitRun(text, pos + (negative ? 1 : 0));
  if (run <= following || run - following > 3) return false;
  return ReadSigned(text, pos, static_cast<int>(run - following), century);
}

}  // namespace

int DateScanLowLevel(std::string_view text, int& day, int& month, int& year, int boundKind,
                     std::string_view format, int yearFrom, int yearTo) {
  const bool lower = boundKind == 1;
  text = Trim(text);
  format = Trim(format);  // its blanks are written around the text, which is trimmed
  int d = -1, m = -1, y = -1, shortYear = -1, century = 0;
  if (!text.empty()) {
    const DateFormatInfo info(format);
    if (!info.hasDateToken) return 1;
    std::size_t pos = 0, length = 1;
    for (std::size_t f = 0; f < format.size(); f += length) {
      int value = 0, digits = 0;
      switch (DateTokenAt(format, f, info, length)) {
        case DateToken::kYear4:
          if (!ReadDigits(text, pos, 4, value, &digits)) return 1;
          if (digits < 3) shortYear = value;
          else y = value;
          break;
        case DateToken::kYear2:
          if (!ReadDigits(text, pos, 2, shortYear)) return 1;
          break;
        case DateToken::kCentury:
          if (!ReadCentury(text, pos, DigitsWrittenFrom(format, f + length, info), century)) return 1;
          break;
        case DateToken::kMonth:
          if (!ReadDigits(text, pos, 2, m)) return 1;
          break;
        case DateToken::kDay:
          if (!ReadDigits(text, pos, 2, d)) return 1;
          break;
        case DateToken::kMonUpper:
        case DateToken::kMonLower:
          if (pos + 3 > text.size()) return 1;
          m = MonthFromName(text.substr(pos, 3));
          if (m == 0) return 1;
          pos += 3;
          break;
        case DateToken::kLiteral:
          if (pos >= text.size() || text[pos] != format[f]) return 1;
          ++pos;
          break;
      }
    }
    if (pos != text.size()) return 1;
    if (shortYear >= 0) y = info.hasCentury ? shortYear + 100 * century + 1900 : TwoDigitYear(shortYear);
  }
  const bool yearRead = y >= 0;
  if (y < 0) y = lower ? yearFrom : yearTo;
  if (m < 0) m = lower ? 1 : 12;
  // 29 February without a year is the nearest such day within the years.
  if (!yearRead && m == 2 && d == 29) {
    for (int step = 0; step < 4 && !IsLeapYear(y); ++step) y += lower ? 1 : -1;
  }
  if (d < 0) d = lower ? 1 : DaysInMonth(y, m);
  if (!IsRealDate(y, m, d)) return 1;
  day = d;
  month = m;
  year = y;
  return 0;
}

int TimeScanLowLevel(std::string_view text, int& hour, int& minute, int& second,
                     std::string_view format) {
  text = Trim(text);
  if (text.empty()) return 1;
  format = Trim(format);
  const TimeFormatInfo info(format);
  int h = 0, mi = 0, s = 0;
  bool sawHour = false, sawMark = false, afternoon = false;
  std::size_t pos = 0, length = 1;
  for (std::size_t f = 0; f < format.size(); f += length) {
    int ignored = 0;
    switch (TimeTokenAt(format, f, info, length)) {
      case TimeToken::kHour:
        if (!ReadDigits(text, pos, 2, h)) return 1;
        sawHour = true;
        break;
      case TimeToken::kMinute:
        if (!ReadDigits(text, pos, 2, mi)) return 1;
        break;
      case TimeToken::kSecond:
        if (!ReadDigits(text, pos, 2, s)) return 1;
        break;
      case TimeToken::kMillis:
        if (!ReadDigits(text, pos, 3, ignored)) return 1;
        break;
      case TimeToken::kAmPm: {
        if (pos + 2 > text.size()) return 1;
        const char a = static_cast<char>(text[pos] & ~0x20);
        const char b = static_cast<char>(text[pos + 1] & ~0x20);
        if ((a != 'A' && a != 'P') || b != 'M') return 1;
        afternoon = a == 'P';
        sawMark = true;
        pos += 2;
        break;
      }
      case TimeToken::kZone:
        if (pos >= text.size() || (text[pos] != '+' && text[pos] != '-')) return 1;
        ++pos;
        if (!ReadDigits(text, pos, 2, ignored)) return 1;
        if (pos >= text.size() || text[pos] != ':') return 1;
        ++pos;
        if (!ReadDigits(text, pos, 2, ignored)) return 1;
        break;
      case TimeToken::kLiteral:
        if (pos >= text.size() || text[pos] != format[f]) return 1;
        ++pos;
        break;
    }
  }
  if (pos != text.size()) return 1;
  if (sawMark && sawHour) {
    if (h < 1 || h > 12) return 1;
    if (h == 12) h = 0;
    if (afternoon) h += 12;
  }
  if (h > 23 || mi > 59 || s > 59) return 1;
  hour = h;
  minute = mi;
  second = s;
  return 0;
}

namespace {

void AppendFileSafe(std::string& out, std::string_view text) {
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= ' ' || u == 0x7f) {
      out += '_';
    } else {
      switch (c) {
        case '/': case '\\': case ':': case '*': case '?': case '"': case '<': case '>': case '|':
          out += '-';
          break;
        default:
          out += c;
      }
    }
  }
}

}  // namespace

std::string DateAndTimeMacros(std::string_view text, std::string_view dateFormat,
                              std::string_view timeFormat, const std::tm& when, int millis) {
  static constexpr std::string_view kDate = "$DATE$";
  static constexpr std::string_view kTime = "$TIME$";
  std::string out, piece;
  out.reserve(text.size() + 32);
  std::size_t pos = 0;
  while (pos < text.size()) {
    const bool isDate = text.compare(pos, kDate.size(), kDate) == 0;
    const bool isTime = !isDate && text.compare(pos, kTime.size(), kTime) == 0;
    if (!isDate && !isTime) {
      out += text[pos++];
      continue;
    }
    piece.clear();
    if (isDate) {
      AppendDateText(piece, when.tm_mday, when.tm_mon + 1, when.tm_year + 1900, dateFormat);
    } else {
      AppendTimeText(piece, when.tm_hour, when.tm_min, when.tm_sec, millis,
                     static_cast<int>(when.tm_gmtoff / 3600), timeFormat);
    }
    AppendFileSafe(out, piece);
    pos += kDate.size();
  }
  return out;
}

std::string DateAndTimeMacros(std::string_view text, std::string_view dateFormat,
                              std::string_view timeFormat) {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const int millis = static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
  std::tm local{};
  localtime_r(&seconds, &local);
  return DateAndTimeMacros(text, dateFormat, timeFormat, local, millis);
}
