// Direct pattern functions: no state between calls, so nothing is bound to a
// node position. Each appends its value to `out`.

#include <array>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "GenTmpl/BuiltinFunctions.h"
#include "GenTmpl/FuncText.h"
#include "GenTmpl/FunctionTable.h"
#include "GenTmpl/PatternEngine.h"
#include "support/DateTimeText.h"
#include "support/TextUtil.h"
#include "values/DateTime.h"
#include "values/Random.h"

namespace {

using Params = FuncParams;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAlnum(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The text of a numeric parameter: a pattern when it starts with "$", a
// variable when it starts with "#" or "@" and a lookup is set.
std::string_view NumericParam(PatternEngine& engine, std::string_view text, std::string& buffer) {
  if (text.size() > 1 && text[0] == '$') {
    std::string format;
    engine.Evaluate(text, buffer, format);
    return buffer;
  }
  if (!text.empty() && (text[0] == '#' || text[0] == '@') && engine.HasVariableLookup()) {
    buffer = engine.Variable(text);
    return buffer;
  }
  return text;
}

std::string_view ParamOr(Params p, std::size_t i, std::string_view fallback) {
  return i < p.size() && !p[i].empty() ? p[i] : fallback;
}

void RInt(PatternEngine& engine, Params p, std::string& out, std::string&) {
  std::string_view fromText = NumericParam(engine, ParamOr(p, 0, "0"), engine.Scratch(0));
  std::string_view toText = NumericParam(engine, ParamOr(p, 1, "32000"), engine.Scratch(1));
  int64_t from = ParamInt64(fromText);
  int64_t to = ParamInt64(toText);
  if (to < from && toText.size() > 8) to = 2147483647;
  int64_t value = from;
  if (to > from) {
    uint64_t span = static_cast<uint64_t>(to) - static_cast<uint64_t>(from);
    if (span > static_cast<uint64_t>(INT64_MAX)) span = INT64_MAX;
    value = static_cast<int64_t>(static_cast<uint64_t>(from) +
                                 static_cast<uint64_t>(Random64Below(static_cast<int64_t>(span))));
  }
  if (const SafeFormat* f = engine.CheckedFormat("RInt", ParamOr(p, 2, "%I64d"), SafeFormat::Kind::kInteger)) {
    f->Append(out, static_cast<long long>(value));
  }
}

void RFloat(PatternEngine& engine, Params p, std::string& out, std::string&) {
  std::string_view from = NumericParam(engine, ParamOr(p, 0, "0"), engine.Scratch(0));
  std::string_view to = NumericParam(engine, ParamOr(p, 1, "1000000"), engine.Scratch(1));
  int decimals = p.size() > 2 ? ParamInt(p[2]) : 2;
  double sigma = 1.0;
  if (p.size() > 5) sigma = std::strtod(std::string(p[5]).c_str(), nullptr);
  // Drawn before the format is checked: a refused format still takes its draw.
  const double value = RandomFloatValue(from, to, decimals, p.size() > 4 ? p[4] : "", sigma);
  if (const SafeFormat* f = engine.CheckedFormat("RFloat", ParamOr(p, 3, "%f"), SafeFormat::Kind::kFloating)) {
    f->Append(out, value);
  }
}

void RString(PatternEngine& engine, Params p, std::string& out, std::string&) {
  if (p.size() < 2) return;
  int64_t min = std::max<int64_t>(ParamInt64(p[0]), 0);
  int64_t max = std::max(ParamInt64(p[1]), min);
  if (max > PatternEngine::kMaxElementLength) {
    engine.SetError(PatternEngine::kErrRepeaterTooLong,
                    "RString: length " + std::to_string(max) + " is above the limit of " +
                        std::to_string(PatternEngine::kMaxElementLength) + " characters.");
    return;
  }
  int64_t upper = p.size() > 2 ? ParamInt64(p[2]) : 5;
  int64_t space = p.size() > 3 ? ParamInt64(p[3]) : 5;
  int64_t punct = p.size() > 4 ? ParamInt64(p[4]) : 0;
  int64_t length = max > min ? min + Random64Below(max - min + 1) : min;
  if (!engine.Charge(static_cast<std::size_t>(length))) return;
  static constexpr char kPunct[] = {'.', ',', '?', '!'};
  for (int64_t i = 0; i < length; ++i) {
    int64_t d = Random32Below(100);
    if (d < punct) {
      out += kPunct[Random32Below(4)];
    } else if (d < punct + space) {
      out += ' ';
    } else if (d < punct + space + upper) {
      out += static_cast<char>('A' + Random32Below(26));
    } else {
      out += static_cast<char>('a' + Random32Below(26));
    }
  }
}

// The random date and time functions: a value drawn between two bounds in
// the format given first, which also becomes the value format.
using InFormatDraw = int (*)(std::string&, std::string&, std::string_view, std::string_view, std::string_view,
                             PatternHost*);

void RandomInFormat(PatternEngine& engine, Params p, std::string& out, std::string& format, InFormatDraw draw,
                    std::string_view defaultFormat) {
  std::string_view fmt = ParamOr(p, 0, defaultFormat);
  std::string& value = engine.Scratch(0);
  std::string& message = engine.Scratch(1);
  int code = draw(value, message, fmt, ParamOr(p, 1, ""), ParamOr(p, 2, ""), &engine);
  if (code != 0) {
    engine.SetError(code, message);
    return;
  }
  out += value;
  format.assign(fmt);
}

void RDate(PatternEngine& engine, Params p, std::string& out, std::string& format) {
  RandomInFormat(engine, p, out, format, &RandomDateInFormat, "DD.MM.YYYY");
}

void RTime(PatternEngine& engine, Params p, std::string& out, std::string& format) {
  RandomInFormat(engine, p, out, format, &RandomTimeInFormat, "HH:MM:SS");
}

std::tm LocalNow() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

void Today(PatternEngine&, Params p, std::string& out, std::string& format) {
  std::string_view fmt = ParamOr(p, 0, "DD.MM.YYYY");
  std::tm now = LocalNow();
  AppendDateText(out, now.tm_mday, now.tm_mon + 1, now.tm_year + 1900, fmt);
  format.assign(fmt);
}

void Now(PatternEngine&, Params p, std::string& out, std::string& format) {
  std::string_view fmt = ParamOr(p, 0, "HH:MM:SS");
  std::tm now = LocalNow();
  AppendTimeText(out, now.tm_hour, now.tm_min, now.tm_sec, 0, 0, fmt);
  format.assign(fmt);
}

// $Date and $Time: the value as it stands, or evaluated when it is a pattern
// (its value format then passes on); with a second parameter that is the
// value format.
void DateOrTime(PatternEngine& engine, Params p, std::string& out, std::string& format) {
  if (p.empty()) return;
  if (!p[0].empty() && p[0][0] == '$') {
    std::string& value = engine.Scratch(0);
    engine.Evaluate(p[0], value, format);
    out += value;
  } else {
    out += p[0];
  }
  if (p.size() >= 2) format.assign(p[1]);
}

void Group(PatternEngine& engine, Params p, std::string& out, std::string&) {
  if (p.size() != 2) {
    engine.SetError(102, "Group: parameter list must contain 2 items.");
    return;
  }
  int group = ParamInt(p[0]);
  FuncData* node = engine.GroupNode(group);
  if (!node) {
    engine.SetError(101, "Group: specified group " + std::to_string(group) + " not found.");
    return;
  }
  node->GroupValue(out, ParamInt(p[1]));
}

void Variables(PatternEngine& engine, Params p, std::string& out, std::string&) {
  if (p.empty()) {
    engine.SetError(108, "Variables: parameter list must contain 1 item.");
    return;
  }
  std::string& text = engine.Scratch(0);
  text.clear();
  for (std::size_t i = 0; i < p.size(); ++i) {
    if (i > 0) text += ',';
    text += p[i];
  }
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n; ++i) {
    char c = text[i];
    if (c == '@' && i + 1 < n && IsDigit(text[i + 1])) {
      std::size_t k = i + 1;
      int64_t index = 0;
      while (k < n && IsDigit(text[k])) {
        if (index < 1000000000) index = index * 10 + (text[k] - '0');
        ++k;
      }
      if (index >= 1) {
        if (const std::string* v = engine.ColumnValueAt(static_cast<std::size_t>(index - 1))) out += *v;
      }
      i = k - 1;
    } else if (c == '@' && i + 1 < n && text[i + 1] == '\'') {
      std::size_t close = text.find('\'', i + 2);
      const std::string* v = nullptr;
      if (close != std::string::npos) {
        v = engine.ColumnValue(std::string_view(text).substr(i + 2, close - i - 2));
      }
      if (v) {
        out += *v;
        i = close;
      } else {
        out += c;
      }
    } else if ((c == '@' || c == '#') && i + 1 < n && IsAlnum(text[i + 1])) {
      std::size_t k = i + 1;
      while (k < n && IsAlnum(text[k])) ++k;
      if (engine.HasVariableLookup()) out += engine.Variable(std::string_view(text).substr(i, k - i));
      i = k - 1;
    } else {
      out += c;
    }
  }
}

void Truncate(PatternEngine& engine, Params p, std::string& out, std::string&) {
  if (p.size() != 2) {
    engine.SetError(106, "Truncate: parameter list must contain 2 items.");
    return;
  }
  int64_t size = ParamInt64(p[1]);
  if (size <= 0) {
    engine.SetError(107, "Truncate: string size must be positive integer value.");
    return;
  }
  std::string& value = engine.Scratch(0);
  std::string format;
  engine.Evaluate(p[0], value, format);
  out.append(value, 0, CharacterPrefix(value, static_cast<std::size_t>(size)));
}

void ChangeCase(PatternEngine& engine, Params p, std::string& out, bool upper) {
  if (p.empty()) return;
  std::string& value = engine.Scratch(0);
  std::string format;
  engine.Evaluate(p[0], value, format);
  for (char c : value) {
    if (upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (!upper && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    out += c;
  }
}

void Upper(PatternEngine& engine, Params p, std::string& out, std::string&) { ChangeCase(engine, p, out, true); }
void Lower(PatternEngine& engine, Params p, std::string& out, std::string&) { ChangeCase(engine, p, out, false); }

// Whether a value of the ODBC type (a code or a type name) goes unquoted.
bool UnquotedType(std::string_view type) {
  if (type.empty()) return false;
  int code = ParamInt(type);
  if (code != 0) return (code >= 2 && code <= 11) || (code >= 91 && code <= 93) || (code >= -7 && code <= -5);
  static constexpr std::array<std::string_view, 12> kNames = {
      "integer", "decimal", "numeric", "smallint", "float", "real",
      "bigint",  "tinyint", "bit",     "double",   "date",  "time"};
  for (std::string_view name : kNames) {
    if (EqualsNoCase(type, name)) return true;
  }
  return false;
}

void Quote(PatternEngine& engine, Params p, std::string& out, std::string&) {
  if (p.empty()) return;
  std::string& value = engine.Scratch(0);
  std::string format;
  engine.Evaluate(p[0], value, format);
  char quote = '\'';
  if (p.size() >= 3 && !p[2].empty()) quote = p[2][0];
  if (p.size() >= 2 && UnquotedType(p[1])) {
    out += value;
    return;
  }
  out += quote;
  out += value;
  out += quote;
}

void Format(PatternEngine& engine, Params p, std::string& out, std::string&) {
  if (p.size() != 2) return;
  std::string& value = engine.Scratch(0);
  std::string format;
  engine.Evaluate(p[0], value, format);
  std::string_view fmt = p[1];
  std::size_t percent = fmt.find('%');
  char letter = 0;
  for (std::size_t i = percent == std::string_view::npos ? fmt.size() : percent + 1; i < fmt.size(); ++i) {
    char c = fmt[i];
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
      letter = c;
      break;
    }
  }
  if (letter == 0) {
    out += value;
    return;
  }
  SafeFormat::Kind kind = SafeFormat::Kind::kText;
  switch (letter) {
    case 'd': case 'u': case 'x': case 'l': case 'I': kind = SafeFormat::Kind::kInteger; break;
    case 'f': kind = SafeFormat::Kind::kFloating; break;
    default: break;
  }
  const SafeFormat* f = engine.CheckedFormat("Format", fmt, kind);
  if (!f) return;
  switch (kind) {
    case SafeFormat::Kind::kInteger: f->Append(out, static_cast<long long>(ParamInt64(value))); break;
    case SafeFormat::Kind::kFloating: f->Append(out, std::strtod(value.c_str(), nullptr)); break;
    case SafeFormat::Kind::kText: f->Append(out, std::string_view(value)); break;
  }
}

void Pattern(PatternEngine& engine, Params p, std::string& out, std::string&) {
  if (p.size() != 1) return;
  std::string& first = engine.Scratch(0);
  std::string& second = engine.Scratch(1);
  std::string format;
  engine.Evaluate(p[0], first, format);
  engine.Evaluate(first, second, format);
  out += second;
}

void Text(PatternEngine& engine, Params p, std::string& out, std::string&) {
  int length = p.size() > 0 && !p[0].empty() ? ParamInt(p[0]) : 128;
  std::string& text = engine.Scratch(1);
  if (engine.PhraseLibrary().PhraseText(engine.Phrases(), ParamOr(p, 1, "EN"), length, text) == 0) {
    out += text;
  }
}

void Guid(PatternEngine&, Params, std::string& out, std::string&) { AppendRandomUuid(out); }

thread_local int t_callDepth = 0;

void Call(PatternEngine& engine, Params p, std::string& out, std::string& format) {
  if (p.size() != 1) {
    engine.SetError(600, "Function $Call expects one paremeter.");
    return;
  }
  const std::vector<NamedGenerator>* generators = engine.NamedGenList();
  if (!generators) {
    engine.SetError(601, "Call: named generators do not passed to pattern engine.");
    return;
  }
  for (const NamedGenerator& g : *generators) {
    if (!EqualsNoCase(g.name, p[0])) continue;
    // A generator that calls itself would recurse until the stack ends, and
    // one that calls itself several times would branch out exponentially:
    // the first call too deep ends the whole value.
    if (t_callDepth >= kMaxCallDepth) {
      engine.LimitError(603, "Call: named generator '" + g.name + "' calls itself (more than " +
                               std::to_string(kMaxCallDepth) + " nested calls).");
      return;
    }
    ++t_callDepth;
    std::string& value = engine.Scratch(0);
    engine.Evaluate(g.pattern, value, format);
    --t_callDepth;
    out += value;
    return;
  }
  engine.SetError(602, "Call: named generator '" + std::string(p[0]) + "' not found.");
}

void AppendPair(std::string& out) {
  std::array<char, 32> buf;
  int a = Random32Below(100);
  int b = Random32Below(100);
  int n = std::snprintf(buf.data(), buf.size(), "%d %d", a, b);
  out.append(buf.data(), static_cast<std::size_t>(n));
}

constexpr std::array<const char*, 3> kKinds = {"POINT", "STRINGLINE", "POLYGON"};
constexpr std::array<int, 3> kPairs = {1, 2, 4};

void Geometry(PatternEngine& engine, Params p, std::string& out, std::string&) {
  if (p.size() > 1) {
    engine.SetError(400, "Function $Geometry expects not more than one parameter.");
    return;
  }
  int64_t count = 1;
  if (p.size() == 1) {
    count = ParamInt64(p[0]);
    if (count <= 0) {
      engine.SetError(401, "Geometry: parameter '" + std::string(p[0]) +
                               "' is incorrect, expects positive integer.");
      return;
    }
  }
  int kind = Random32Below(3);
  if (count > 1) out += "MULTI";
  out += kKinds[kind];
  if (count > 1) out += '(';
  for (int64_t part = 0; part < count; ++part) {
    std::size_t before = out.size();
    if (part > 0) out += ", ";
    out += '(';
    for (int k = 0; k < kPairs[kind]; ++k) {
      if (k > 0) out += ", ";
      AppendPair(out);
    }
    out += ')';
    if (!engine.Charge(out.size() - before)) return;
  }
  if (count > 1) out += ')';
}

void Geography(PatternEngine& engine, Params p, std::string& out, std::string&) {
  if (!p.empty()) {
    engine.SetError(500, "Function $Geography has no parameters.");
    return;
  }
  int kind = Random32Below(3);
  out += kKinds[kind];
  out += '(';
  std::array<char, 64> buf;
  for (int k = 0; k < kPairs[kind]; ++k) {
    if (k > 0) out += ',';
    int a = Random32Below(359) - 179;
    int b = Random32Below(999);
    int c = Random32Below(359) - 179;
    int d = Random32Below(999);
    int n = std::snprintf(buf.data(), buf.size(), "%d.%03d %d.%03d", a, b, c, d);
    out.append(buf.data(), static_cast<std::size_t>(n));
  }
  out += ')';
}

}  // namespace

void RegisterDirectFunctions(FunctionTable& table) {
  table.AddDirect("rint", RInt);
  table.AddDirect("rfloat", RFloat);
  table.AddDirect("rstring", RString);
  table.AddDirect("rdate", RDate);
  table.AddDirect("rtime", RTime);
  table.AddDirect("today", Today);
  table.AddDirect("now", Now);
  table.AddDirect("date", DateOrTime);
  table.AddDirect("time", DateOrTime);
  table.AddDirect("group", Group);
  table.AddDirect("variables", Variables);
  table.AddDirect("vars", Variables);
  table.AddDirect("truncate", Truncate);
  table.AddDirect("upper", Upper);
  table.AddDirect("lower", Lower);
  table.AddDirect("quote", Quote);
  table.AddDirect("format", Format);
  table.AddDirect("pattern", Pattern);
  table.AddDirect("text", Text);
  table.AddDirect("guid", Guid);
  // A named generator's pattern is not known here: taken as carrying state.
  table.AddDirect("call", Call, FunctionTable::Always);
  table.AddDirect("geometry", Geometry);
  table.AddDirect("geography", Geography);
}
