#include "quarnel/ServerTypeRules.h"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "support/TextUtil.h"

namespace {

// A type name without its size or precision: "timestamp(3) with time zone"
// gives "timestamp with time zone".
std::string WithoutSize(const std::string& type) {
  std::string out;
  int depth = 0;
  for (char c : type) {
    if (c == '(') ++depth;
    else if (c == ')') depth = std::max(0, depth - 1);
    else if (depth == 0) out += c;
  }
  std::string collapsed;
  for (char c : TrimText(out))
    if (c != ' ' || (!collapsed.empty() && collapsed.back() != ' ')) collapsed += c;
  return collapsed;
}

// The first number in the type's parentheses, or 0: 8 for "character varying(8)".
int DeclaredSize(const std::string& type) {
  const size_t open = type.find('(');
  return open == std::string::npos ? 0 : std::atoi(type.c_str() + open + 1);
}

bool IsIntegerWord(const std::string& word) {
  return word == "smallint" || word == "integer" || word == "bigint" || word == "int" || word == "int2" ||
         word == "int4" || word == "int8" || word == "tinyint";
}

void SetList(ColumnRule& column, std::vector<std::string> items) {
  column.Method = kMethodValueList;
  column.ValueUse.assign(items.size(), 0);
  column.Values = std::move(items);
}

void SetPattern(ColumnRule& column, std::string pattern) {
  column.Method = kMethodPattern;
  column.Mask = std::move(pattern);
}

// Patterns read the letters a, A, N and X as random characters and "[" "]"
// as an optional part: where the text means them as themselves they are
// escaped.
//
// A small JSON document with a few kinds of member.
constexpr const char* kJsonPattern =
    "{\"id\": 1NNN, \"code\": \"A{=3}\", \"\\active\": <true|f\\alse>, \"t\\ags\": \\[\"a{3:8}\"[, \"a{3:8}\"]\\]}";

struct TypePattern {
  std::string_view word;
  const char* pattern;
};

constexpr TypePattern kTypePatterns[] = {
    {"json", kJsonPattern},
    {"jsonb", kJsonPattern},
    {"inet", "10.1NN.1NN.1NN"},
    {"cidr", "10.1NN.1NN.0/24"},
    {"macaddr", "XX:XX:XX:XX:XX:XX"},
    {"macaddr8", "XX:XX:XX:XX:XX:XX:XX:XX"},
    {"interval", "N{1:3} d\\ays N hours NN minutes"},
    {"tsvector", "a{3:9} a{3:9} a{3:9}"},
    {"bytea", "\\\\xX{=32}"},  // the hex form: \x and two digits a byte
};

}  // namespace

void DescribeServerType(FLD_DESC& field, const ServerColumnType& type) {
  if (type.serverFilled) field.isAutoIncrement = 1;
  if (!type.typeName.empty()) field.TypeName = type.typeName;
  if (type.isArray || !type.enumLabels.empty()) return;  // literals, whatever the driver said
  const std::string word = WithoutSize(type.baseType);
  if ((word == "numeric" || word == "decimal") && type.baseType.find('(') == std::string::npos) {
    // No declared precision: any number is taken; make money-like amounts.
    field.iType = word == "numeric" ? SQL_NUMERIC : SQL_DECIMAL;
    field.iSize = 12;
    field.iDigits = 2;
  } else if (word == "money") {
    field.iType = SQL_DECIMAL;
    field.iSize = 10;
    field.iDigits = 2;
  } else if (word == "time with time zone" || word == "timetz") {
    field.iType = SQL_TYPE_TIME;
    field.iSize = 8;
  } else if (word == "uuid") {
    field.iType = SQL_GUID;
    field.iSize = 36;
  } else if ((word == "tinyint" && DeclaredSize(type.baseType) == 1) ||
             ((word == "boolean" || word == "bool") && !FLD_DESC::TypeIsText(field.iType))) {
    field.iType = SQL_BIT;  // MySQL's booleans: tinyint(1)
  } else if (word == "year") {
    field.iType = SQL_SMALLINT;
    field.iSize = 4;
  } else if (FLD_DESC::TypeIsText(field.iType) && IsIntegerWord(word)) {
    // A domain over an integer that the driver took for text.
    field.iType = word == "smallint" || word == "int2" ? SQL_SMALLINT
                  : word == "bigint" || word == "int8" ? SQL_BIGINT
                                                       : SQL_INTEGER;
    field.iDigits = 0;
  }
}

bool ApplyServerTypeValues(ColumnRule& column, const ServerColumnType& type) {
  if (column.Method != kMethodRandom) return false;
  if (!type.enumLabels.empty()) {
    SetList(column, type.enumLabels);
    return true;
  }
  if (type.isArray) {
    const std::string element = ArrayElementPattern(type.baseType);
    SetPattern(column, "{" + element + "[," + element + "][," + element + "]}");
    return true;
  }
  const std::string word = WithoutSize(type.baseType);
  if ((word == "boolean" || word == "bool") && FLD_DESC::TypeIsText(column.iType)) {
    SetList(column, {"true", "false"});
    return true;
  }
  if (word == "xml") {
    SetList(column, {"<item id=\"1\"/>", "<item id=\"2\"><name>two</name></item>"});
    return true;
  }
  for (const TypePattern& entry : kTypePatterns) {
    if (word != entry.word) continue;
    SetPattern(column, entry.pattern);
    return true;
  }
  return false;
}

void ApplyServerTypeBounds(ColumnRule& column, const ServerColumnType& type) {
  if (column.Method != kMethodRandom) return;
  if (!type.maxValue.empty() && (column.HighRange.empty() || LeadingInteger(column.HighRange) > LeadingInteger(type.maxValue)))
    column.HighRange = type.maxValue;
  // An empty low bound draws from 0 up: it needs saying where the type starts at 0 or above.
  const bool below = column.LowRange.empty() ? LeadingInteger(type.minValue) >= 0
                                             : LeadingInteger(column.LowRange) < LeadingInteger(type.minValue);
  if (!type.minValue.empty() && below) column.LowRange = type.minValue;
}

std::string ArrayElementPattern(const std::string& elementType) {
  const std::string word = WithoutSize(elementType);
  if (IsIntegerWord(word)) return "1N{0:3}";
  if (word == "numeric" || word == "decimal" || word == "real" || word == "double precision") return "1N{0:3}.NN";
  if (word == "boolean") return "<true|f\\alse>";
  if (word == "uuid") return kUuidPattern;
  if (word == "date") return "20N{=2}-1<0|1|2>-1N";
  const int size = DeclaredSize(elementType);
  const int longest = size > 0 ? std::min(size, 10) : 10;
  return "a{" + std::to_string(std::min(3, longest)) + ":" + std::to_string(longest) + "}";
}
