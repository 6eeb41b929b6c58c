#include "project/PatternForm.h"

#include <algorithm>
#include <limits>

#include "support/Database.h"

namespace {

// ODBC SQL type codes the conversion tells apart. The database layer reports
// the ODBC 3 date and time codes (91..93); older projects hold 9..11.
constexpr int kNumeric = 2, kDecimal = 3, kInteger = 4, kSmallInt = 5, kFloat = 6, kReal = 7,
              kDouble = 8, kDate = 9, kTime = 10, kTimestamp = 11, kTypeDate = 91,
              kTypeTime = 92, kTypeTimestamp = 93, kBigInt = -5, kTinyInt = -6, kBit = -7,
              kBinary = -2, kVarBinary = -3, kLongVarBinary = -4, kTimestampTz = -155,
              kOtherInt = -150;

// What the flat-file generator uses in place of program settings.
constexpr const char* kFlatDateFormat = "DD-MM-YYYY";
constexpr const char* kFlatTimeFormat = "HH:MM:SS";
constexpr const char* kFlatDateTimeSep = ".";
constexpr int64_t kFlatMaxBlobSize = 255;

bool IsDate(int type) { return type == kDate || type == kTypeDate; }
bool IsTime(int type) { return type == kTime || type == kTypeTime; }

std::string Num(int64_t value) { return std::to_string(value); }

// Byte count of a random binary value: the column size (or `limit` for large
// objects) lowered to the leading integer of HighRange, which also stands in
// when the size is 0. Never negative and small enough to double.
int64_t BinaryLength(const ColumnRule& c, int64_t limit) {
  int64_t n = limit;
  const int64_t high = LeadingInteger(c.HighRange);
  if (n == 0 || high < n) n = high;
  return std::clamp<int64_t>(n, 0, std::numeric_limits<int32_t>::max());
}

std::string RandomPattern(ColumnRule& c, const PatternSettings* s) {
  const std::string dateFormat = s ? s->DateFormat : kFlatDateFormat;
  const std::string timeFormat = s ? s->TimeFormat : kFlatTimeFormat;
  switch (c.iType) {
    case kNumeric:
    case kDecimal:
    case kFloat:
    case kReal:
    case kDouble:
      if (c.sFormat.find("%d") != std::string::npos) c.sFormat.clear();
      return "$Rfloat(" + c.LowRange + "," + c.HighRange + "," + Num(c.iDigits) + "," + c.sFormat + ")";
    case kInteger:
    case kSmallInt:
    case kBigInt:
    case kTinyInt:
    case kBit:
    case kOtherInt:
      return "$Rint(" + c.LowRange + "," + c.HighRange + "," + c.sFormat + ")";
    case kDate:
    case kTypeDate:
      if (c.sFormat.empty() && s) c.sFormat = s->DateFormat;
      return "$RDate(" + c.sFormat + "," + c.LowRange + "," + c.HighRange + ")";
    case kTime:
    case kTypeTime:
      return "$RTime(" + timeFormat + "," + c.LowRange + "," + c.HighRange + ")";
    case kTimestamp:
    case kTypeTimestamp:
    case kTimestampTz: {
      std::string sep = kFlatDateTimeSep;
      if (s) sep = s->DateTimeSep == "Space" ? " " : s->DateTimeSep;
      std::string out = "$RDate(" + dateFormat + "," + c.LowRange + "," + c.HighRange + ")" + sep +
                        "$RTime(" + timeFormat + ")";
      if (c.iType == kTimestampTz) out += " -00:00";
      return out;
    }
    case kLongVarBinary:
      return "0xX{1:" + Num(2 * BinaryLength(c, s ? s->MaxBlobSize : kFlatMaxBlobSize)) + "}";
    case kVarBinary:
      return "0xX{1:" + Num(2 * BinaryLength(c, c.iSize)) + "}";
    case kBinary:
      return "0xX{=" + Num(2 * BinaryLength(c, c.iSize)) + "}";
    default: {
      const std::string h = Num(c.RndSeparators / 2);
      return "$RString(" + c.LowRange + "," + c.HighRange + ",5," + h + "," + h + ")";
    }
  }
}

std::string LinkedTablePattern(const ColumnRule& c, const Rule* rule, const CDB* connection) {
  if (c.groupNo < 1 || c.seqFK < 1)
    return "$Table(" + c.Table + "," + c.Column + "," + Num(c.Seqent) + ")";
  auto quoted = [&](const std::string& name) { return connection ? connection->QuotedStr(name) : name; };
  std::string columns;
  if (rule == nullptr) {
    columns = quoted(c.Column);
  } else {
    for (const ColumnRule& other : rule->Fields) {
      if (other.seqFK != c.seqFK || other.Table != c.Table) continue;
      if (!columns.empty()) columns += ",";
      columns += quoted(other.Column);
    }
  }
  return "$TableGroup(" + Num(c.groupNo) + "," + c.Table + "," + columns + "," + Num(c.Seqent) + ")";
}

// `text` as a pattern that produces exactly it: every character the pattern
// language reads as more than itself (class letters, functions, references,
// groups, optional parts, the parameter commas and blanks at either end) is
// escaped.
std::string LiteralPattern(std::string_view text) {
  static constexpr std::string_view kMeaningful = "\\AaNX[]<>@$()#,";
  std::string out;
  out.reserve(text.size() * 2);
  for (size_t i = 0; i < text.size(); ++i) {
    const bool edgeBlank = text[i] == ' ' && (i == 0 || i + 1 == text.size());
    if (edgeBlank || kMeaningful.find(text[i]) != std::string_view::npos) out += '\\';
    out += text[i];
  }
  return out;
}

std::string ValueListPattern(const ColumnRule& c) {
  const bool withUsage = c.Values.size() == c.ValueUse.size();
  std::string out = withUsage ? "$List(false" : "$List(true";
  for (size_t i = 0; i < c.Values.size(); ++i) {
    // Items that are patterns themselves stand as they are.
    out += "," + (c.asMask ? c.Values[i] : LiteralPattern(c.Values[i]));
    if (withUsage) out += "," + Num(c.ValueUse[i]);
  }
  return out + ")";
}

std::string IncrementalPattern(const ColumnRule& c, const PatternSettings* s) {
  if (IsTime(c.iType)) {
    const char* unit = c.incTimeMode == 1 ? "M" : c.incTimeMode == 2 ? "H" : "S";
    return "$IncTime(" + (s ? s->TimeFormat : std::string()) + "," + c.Start + "," + c.Step + "," +
           unit + ")";
  }
  if (IsDate(c.iType)) {
    const char* unit = c.incTimeMode == 4 ? "M" : c.incTimeMode == 5 ? "Y" : "D";
    return "$IncDate(" + (s ? s->DateFormat : std::string()) + "," + c.Start + "," + c.Step + "," +
           unit + ")";
  }
  return "$Inc(" + c.Start + "," + c.Step + "," + c.sFormat + "," + Num(c.Cycle) + "," +
         Num(c.Times) + ")";
}

// Position (from 1) of `c` among the columns of its group, counted up to it.
int GroupPosition(const ColumnRule& c, const Rule* rule) {
  if (rule == nullptr) return 2;
  int position = 0;
  for (const ColumnRule& other : rule->Fields) {
    if (other.groupNo == c.groupNo) ++position;
    if (other.Name == c.Name) return position;
  }
  return 2;
}

}  // namespace

void ColumnRuleToPattern(ColumnRule& c, const Rule* rule, const PatternSettings* settings,
                         const CDB* connection) {
  // The integer bounds are prepared again by the next run from the texts.
  c.lowBound = c.highBound = -1;
  switch (c.Method) {
    case kMethodPattern:
      if (!c.regexp.empty() && c.Mask.empty()) c.Mask = "$Regexp(" + c.regexp + ")";
      return;
    case kMethodIgnore:
      c.Mask.clear();
      return;
    case kMethodRandom:
      c.Mask = RandomPattern(c, settings);
      break;
    case kMethodLinkedTable:
      c.Mask = LinkedTablePattern(c, rule, connection);
      break;
    case kMethodValueList:
      c.Mask = ValueListPattern(c);
      break;
    case kMethodDiskFile:
      c.Mask = c.groupNo < 1 ? "$File(" + c.FileName + "," + Num(c.Seqent) + ")"
                             : "$FileGroup(" + Num(c.groupNo) + ",1," + c.FileName + "," +
                                   Num(c.Seqent) + ",0," + c.fileSeparator + ")";
      break;
    case kMethodLibrary:
      c.Mask = "$Lib(" + c.LibName + ",," + Num(c.iSize) + "," + Num(c.Seqent) + ")";
      break;
    case kMethodIncremental:
      c.Mask = IncrementalPattern(c, settings);
      break;
    case kMethodSql:
      c.Mask = c.groupNo < 1 ? "$Query((" + c.SQL + ")," + Num(c.Seqent) + ")"
                             : "$QueryGroup(" + Num(c.groupNo) + ",(" + c.SQL + ")," + Num(c.Seqent) + ")";
      break;
    case kMethodGroupItem:
      c.Mask = "$Group(" + Num(c.groupNo) + "," + Num(GroupPosition(c, rule)) + ")";
      break;
    case kMethodNamedGen:
      c.Mask = "$Call(" + c.NamedGen + ")";
      break;
    default:
      // Computed and custom generator columns keep the user's own pattern,
      // unwrapped: wrapping it here would nest one more wrapper per run.
      return;
  }
  if (c.Unique) {
    c.Mask = "$Unique(" + c.Mask + ")";
    return;
  }
  if (c.UseNulls > 0 && c.UseNulls <= 100) c.Mask = "$IfR(" + Num(c.UseNulls) + ",\\NULL," + c.Mask + ")";
  if (c.SequenceLen >= 2) c.Mask = "$Seq(" + c.Mask + "," + Num(c.SequenceLen) + ")";
}
