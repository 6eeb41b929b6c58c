#include "values/OneRandom.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "values/Random.h"

namespace {

// Bounds beyond this are cut to it, so that spans and offsets stay in 64 bits.
constexpr int64_t kBoundLimit = 4'000'000'000'000'000'000;
constexpr int64_t kInt32Max = 2147483647;

enum class ValueKind { kInteger, kDecimal, kVarString, kFixedString, kBinary, kGuid, kDate, kTime, kDateTime, kNone };

ValueKind KindOf(int type) {
  switch (type) {
    case 4: case -5: case -150: case 5: case -6: case -7: return ValueKind::kInteger;
    case 2: case 3: case 6: case 7: case 8: return ValueKind::kDecimal;
    case 12: case -1: case -9: case -10: case -95: case -96: return ValueKind::kVarString;
    case 1: case -8: return ValueKind::kFixedString;
    case -2: case -3: case -4: return ValueKind::kBinary;
    case -11: return ValueKind::kGuid;
    case 9: case 91: return ValueKind::kDate;
    case 10: case 92: case -154: return ValueKind::kTime;
    case 11: case 93: case -155: return ValueKind::kDateTime;
    default: return ValueKind::kNone;
  }
}

bool IsLargeObject(int type) { return type == -1 || type == -10 || type == -4; }

std::string_view SkipBlanksAndPlus(std::string_view t) {
  while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  return t;
}

// Leading integer of a bound text, 0 when there is none, cut to kBoundLimit.
int64_t LeadingInteger(std::string_view t) {
  t = SkipBlanksAndPlus(t);
  const bool negative = !t.empty() && t.front() == '-';
  if (negative) t.remove_prefix(1);
  int64_t v = 0;
  for (char c : t) {
    if (c < '0' || c > '9') break;
    if (v > (kBoundLimit - (c - '0')) / 10) {
      v = kBoundLimit;
      break;
    }
    v = v * 10 + (c - '0');
  }
  return negative ? -v : v;
}

double LeadingDouble(std::string_view t) {
  t = SkipBlanksAndPlus(t);
  double v = 0;
  std::from_chars(t.data(), t.data() + t.size(), v);
  return v;
}

// The bound text after variable substitution.
std::string_view Bound(const std::string& text, RandomContext& context, std::string& scratch) {
  if (!text.empty() && (text[0] == '#' || text[0] == '@') && context.variable) {
    scratch = context.variable(text);
    return scratch;
  }
  return text;
}

// The output template of the column for its kind of value, or null when the
// value is written as it is.
const SafeFormat* OutputFormat(const RandomColumn& column, ValueKind kind, RandomContext& context) {
  const bool isString = kind == ValueKind::kVarString || kind == ValueKind::kFixedString || kind == ValueKind::kBinary;
  // "%d" is the column default; on a string it means no template at all.
  if ((kind == ValueKind::kInteger || isString) && column.sFormat.empty()) return nullptr;
  if (isString && column.sFormat == "%d") return nullptr;
  RandomColumn::PreparedFormat& p = column.prepared;
  if (!p.valid || p.forFormat != column.sFormat) {
    p.forFormat = column.sFormat;
    p.valid = true;
    p.reported = false;
    if (kind == ValueKind::kDecimal) {
      std::string f = column.sFormat.empty() || column.sFormat == "%d" ? "%.2f" : column.sFormat;
      if (f == "%.2f" || f == "%f") {
        const int digits = column.iDigits < 0 ? 0 : column.iDigits > 30 ? 30 : column.iDigits;
        char buf[32];
        if (column.iType == 2 || column.iType == 3) {
          std::snprintf(buf, sizeof buf, "%%%d.%df", column.iSize > 1 ? 12 : column.iSize, digits);
        } else {
          std::snprintf(buf, sizeof buf, "%%.%df", digits);
        }
        f = buf;
      }
      p.format.Prepare(f, SafeFormat::Kind::kFloating);
    } else {
      p.format.Prepare(column.sFormat, kind == ValueKind::kInteger ? SafeFormat::Kind::kInteger : SafeFormat::Kind::kText);
    }
  }
  if (!p.format.ok() && !p.reported) {
    p.reported = true;
    if (context.log) context.log(p.format.Error(), "One Random");
  }
  return &p.format;
}

struct Range {
  int64_t low;
  int64_t high;
};

// Bounds as every kind reads them: none (0 and 0) stay as they are, a low
// bound of 0 or more above a high bound of 0 or less is open upwards, and
// reversed bounds are taken the right way round.
void OpenAndOrder(Range& range) {
  if (range.low == 0 && range.high == 0) return;
  if (range.low >= 0 && range.high <= 0) range.high = kInt32Max;
  if (range.low > range.high) std::swap(range.low, range.high);
}

// An integer within the bounds, both included; none draws from 0..2147450879.
int64_t DrawInteger(const Range& range) {
  if (range.low == 0 && range.high == 0) return Random31();
  const uint64_t span = static_cast<uint64_t>(range.high) - static_cast<uint64_t>(range.low);
  return static_cast<int64_t>(static_cast<uint64_t>(range.low) + UniformBelow(span + 1));
}

void AppendInteger(std::string& out, long long v) {
  char buf[24];
  out.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

}  // namespace

int OneRandom(const RandomColumn& column, std::string& out, RandomContext& context) {
  std::string lowScratch, highScratch;
  const std::string_view lowText = Bound(column.LowRange, context, lowScratch);
  const std::string_view highText = Bound(column.HighRange, context, highScratch);
  Range range{column.lowBound != -1 ? column.lowBound : LeadingInteger(lowText),
              column.highBound != -1 ? column.highBound : LeadingInteger(highText)};
  range.low = std::clamp(range.low, -kBoundLimit, kBoundLimit);
  range.high = std::clamp(range.high, -kBoundLimit, kBoundLimit);
  OpenAndOrder(range);
  const ValueKind kind = KindOf(column.iType);

  switch (kind) {
    case ValueKind::kInteger: {
      int64_t r = DrawInteger(range);
      if (column.iType == 5) r %= 32767;
      else if (column.iType == -6) r %= 255;
      else if (column.iType == -7) r %= 2;
      out.clear();
      if (const SafeFormat* f = OutputFormat(column, kind, context)) f->Append(out, static_cast<long long>(r));
      else AppendInteger(out, r);
      return 0;
    }
    case ValueKind::kDecimal: {
      // Bounds as typed, exactly, at the column's decimals; none (0 and 0)
      // and a high bound of 0 above a positive low one leave the top open.
      const bool noLow = LeadingDouble(lowText) == 0, noHigh = LeadingDouble(highText) == 0;
      const int digits = std::clamp<int>(column.iDigits, 0, 8);
      // An open top stops at what a NUMERIC or DECIMAL column's precision
      // holds: numeric(6,2) takes no more than 9999.99.
      std::string top = "2147483647";
      const int whole = column.iSize - digits;
      constexpr int kNumericType = 2, kDecimalType = 3;  // the ODBC codes
      if ((column.iType == kNumericType || column.iType == kDecimalType) && column.iSize > 0 && whole < 10) {
        top = whole > 0 ? std::string(static_cast<size_t>(whole), '9') : std::string("0");
        if (digits > 0) top += "." + std::string(static_cast<size_t>(digits), '9');
      }
      const std::string_view low = noLow && noHigh ? std::string_view("0") : lowText;
      const std::string_view high = noHigh && (noLow || LeadingDouble(lowText) > 0) ? std::string_view(top) : highText;
      out.clear();
      OutputFormat(column, kind, context)->Append(out, RandomDecimal(low, high, digits));
      return 0;
    }
    case ValueKind::kVarString:
    case ValueKind::kFixedString:
    case ValueKind::kBinary: {
      int64_t length = 0;
      if (kind == ValueKind::kFixedString) {
        length = range.high;
      } else if (range.high >= 0) {
        const int64_t shortest = std::clamp<int64_t>(range.low, 0, range.high);
        length = shortest + static_cast<int64_t>(UniformBelow(static_cast<uint64_t>(range.high - shortest) + 1));
      }
      if (IsLargeObject(column.iType)) length = std::min(length, context.MaxBlobSize);
      else if (column.iSize > 0) length = std::min<int64_t>(length, int64_t{column.iSize} * (kind == ValueKind::kBinary ? 2 : 1));
      length = std::clamp<int64_t>(length, 0, kMaxRandomStringLength);
      const bool oracle = context.serverKind == 0;
      const bool expression = oracle && length >= 4000;
      const bool binary = kind == ValueKind::kBinary;
      const SafeFormat* f = expression ? nullptr : OutputFormat(column, kind, context);
      std::string& text = f ? context.scratch : out;
      text.assign(binary ? "0x" : "");
      context.strings->RandomText(text, static_cast<int>(length), column.RndSeparators, binary, oracle);
      if (f) {
        out.clear();
        f->Append(out, std::string_view(text));
      }
      return expression ? 1 : 0;
    }
    case ValueKind::kGuid: {
      out.clear();
      AppendRandomUuid(out);
      return 0;
    }
    case ValueKind::kDate:
      out.clear();
      MakeRandDate(out, lowText, highText, column.sFormat, context.dateTime);
      return 0;
    case ValueKind::kTime:
      out.clear();
      MakeRandTime(out, lowText, highText, context.dateTime);
      return 0;
    case ValueKind::kDateTime:
      out.clear();
      MakeRandDateTime(out, lowText, highText, column.sFormat, context.dateTime);
      if (column.iType == -155) out += " -00:00";
      return 0;
    case ValueKind::kNone:
      break;
  }
  if (context.log) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "<Type %d (", column.iType);
    context.log(std::string(buf) + column.TypeName + ") is not supported>", "One Random");
  }
  out.clear();
  return kRandomNull;
}
