#include "engine/FillMethods.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "engine/Incremental.h"
#include "engine/OutputFiles.h"
#include "engine/RunOptions.h"
#include "engine/ScrambleTarget.h"
#include "engine/UniqueSet.h"
#include "support/Calendar.h"
#include "support/Database.h"
#include "support/DateTimeScan.h"
#include "support/DateTimeText.h"
#include "support/Log.h"
#include "support/TextUtil.h"
#include "values/Decimal.h"
#include "values/Random.h"

namespace {

bool IsNumericType(int type) { return (type >= 2 && type <= 8) || type == -6 || type == -5; }
bool RemovesComma(int type) { return type == 4 || type == 5 || type == -5; }
bool IsDateTimeType(int type) {
  return SteppedKindOf(type) != SteppedKind::kNone || type == -155;
}

// Whether `text` (blanks around it allowed) is a plain decimal number: it can
// stand unquoted in a statement without changing the statement's meaning.
bool IsNumberLiteral(std::string_view text) {
  size_t i = 0;
  const size_t n = text.size();
  while (i < n && text[i] == ' ') ++i;
  if (i < n && (text[i] == '-' || text[i] == '+')) ++i;
  size_t digits = 0;
  while (i < n && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  if (i < n && text[i] == '.') {
    ++i;
    while (i < n && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < n && (text[i] == '-' || text[i] == '+')) ++i;
    size_t exponent = 0;
    while (i < n && text[i] >= '0' && text[i] <= '9') ++i, ++exponent;
    if (exponent == 0) return false;
  }
  while (i < n && text[i] == ' ') ++i;
  return i == n;
}

// Makes `text` from `from` on the inside of a string literal, in place:
// quotes doubled and, where the server reads backslashes as escapes
// (`backslashes`), backslashes doubled and NUL written as \0.
void DoubleQuotes(std::string& text, size_t from, bool backslashes) {
  const std::string_view rest = std::string_view(text).substr(from);
  const bool escapes = backslashes ? std::any_of(rest.begin(), rest.end(),
                                                 [](char c) { return c == '\'' || c == '\\' || c == '\0'; })
                                   : rest.find('\'') != std::string_view::npos;
  if (!escapes) return;
  std::string out(text, 0, from);
  AppendLiteralText(out, rest, backslashes);
  text.swap(out);
}

// Makes `value` safe between single quotes. A value that already stands
// between quotes (more than two characters, or N'...') keeps them, and only
// its inside is escaped; returns true then.
bool EscapeQuotes(std::string& value, bool backslashes) {
  const size_t n = value.size();
  if (n >= 3 && value[0] == 'N' && value[1] == '\'' && value[n - 1] == '\'') {
    value.pop_back();
    DoubleQuotes(value, 2, backslashes);
    value += '\'';
    return true;
  }
  if (n > 2 && value.front() == '\'' && value.back() == '\'') {
    value.pop_back();
    DoubleQuotes(value, 1, backslashes);
    value += '\'';
    return true;
  }
  DoubleQuotes(value, 0, backslashes);
  return false;
}

// The integer `text` holds entirely (blanks around it allowed).
bool ReadWholeInteger(const std::string& text, long long& out) {
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  out = std::strtoll(begin, &end, 10);
  if (end == begin || errno == ERANGE) return false;
  while (*end == ' ') ++end;
  return *end == '\0';
}

bool ReadWholeDouble(const std::string& text, double& out) {
  const char* begin = text.c_str();
  char* end = nullptr;
  out = std::strtod(begin, &end);
  if (end == begin || !std::isfinite(out)) return false;
  while (*end == ' ') ++end;
  return *end == '\0';
}

long long RoundToInteger(double v) {
  if (!(v == v)) return 0;
  if (v >= 9.2e18) return INT64_MAX;
  if (v <= -9.2e18) return INT64_MIN;
  return std::llround(v);
}

std::string Replace(std::string text, std::string_view from, std::string_view to) {
  for (size_t pos = text.find(from); pos != std::string::npos; pos = text.find(from, pos + to.size())) {
    text.replace(pos, from.size(), to);
  }
  return text;
}

}  // namespace

struct RowGenerator::State {
  // The column's pattern, compiled when first used.
  std::shared_ptr<const CompiledPattern> pattern;
  std::array<std::vector<std::string>, kCacheLists> cache;
  // Which items of a list read from a database are NULL; empty for the other
  // lists, whose items are NULL when they read "NULL".
  std::array<std::vector<bool>, kCacheLists> nulls;
  std::vector<uint64_t> thresholds;  // weighted Value List: n running sums of the weights
  uint32_t cursor = 0;          // sequential list position
  uint64_t skippedPicks = 0;    // picks of rows before a run's first row, applied once the list is known
  size_t lastIndex = 0;         // the index chosen in this row, for group members
  bool loaded = false;
  bool warned = false;
  size_t leader = 0;            // first column of the same groupNo
  int groupPos = 0;             // earlier columns of the same groupNo
  int fkPos = 0;                // earlier columns of the same key group (seqFK, Table)
  bool linksTarget = false;     // Linked Database Table: the link is the rule's own table

  // Incremental: whole numbers in 64 bits, decimals exactly at incScale.
  SteppedKind stepped = SteppedKind::kNone;
  bool incDecimal = false;
  bool incExhausted = false;  // the next step would pass the largest number
  int incScale = 0;
  int64_t incInt = 0, incStartInt = 0, incStepInt = 1;
  DecimalUnits incUnits = 0, incStartUnits = 0, incStepUnits = 0;
  int64_t counter = 0;
  DateTimeParts steppedValue;  // current value of a stepped date, time or timestamp
  // The day of the month of the start: month and year steps keep to it, so a
  // monthly series from 31 January gives the last day of every shorter month.
  int monthDay = 1;

  int repeat = 0;  // SequenceLen
  std::unique_ptr<UniqueSet> unique;
  std::unique_ptr<CDB> connection;  // the column's own

  SafeFormat intFormat, floatFormat, textFormat;
  bool formatFloat = false;  // sFormat has an "f" after its first character

  // Per row.
  std::string valueFormat;  // the value format a pattern gave this row's value
  std::string pending;  // set by a linked-table key group for this row
  bool hasPending = false;
  bool pendingNull = false;
  std::string previous;  // last row's value as made, for SequenceLen repeats
  bool previousNull = false;
  int previousExpr = 0;
  int rawExpr = 0;  // the method's own expression flag, before date conversion
  RowField field;

  // An item read from a database, NULL or not.
  void AppendItem(size_t list, const std::string& text, bool isNull) {
    cache[list].push_back(isNull ? std::string() : text);
    nulls[list].push_back(isNull);
  }
  void ClearLists() {
    for (auto& list : cache) list.clear();
    for (auto& list : nulls) list.clear();
  }
  bool IsNullItem(size_t list, size_t index) const {
    return nulls[list].empty() ? cache[list][index] == "NULL" : nulls[list][index];
  }
};

const RowField& RowGenerator::Field(size_t column) const { return state_[column]->field; }

RowGenerator::RowGenerator(RunOptions& options, OutputFiles* outputs) : options_(options), outputs_(outputs) {}

RowGenerator::~RowGenerator() {
  patterns_.Clear();
  items_.Clear();
  ReleaseScrambleTarget();
}

void RowGenerator::ReleaseScrambleTarget() {
  if (target_) target_->Disconnect();
  target_.reset();
}

void RowGenerator::Warn(size_t column, std::string_view caption, const std::string& text, bool error) {
  State& st = *state_[column];
  if (st.warned) return;
  st.warned = true;
  if (options_.log) options_.log->Bug(text, "QuarnelGenerator::OneFieldValue");
  options_.Messages().Message(caption, text, error ? PromptIcon::kError : PromptIcon::kWarning);
}

int RowGenerator::PrepareTarget(const Rule& rule) {
  const CONN_INFO& info = rule.TargetConn;
  target_ = CDB::newDB(info.ConType != 0 ? info.ConType : CONN_INFO::kOdbc);
  if (!target_ || !CDB::isOK(target_->Connect(info)) || !target_->connected()) {
    target_.reset();
    options_.Messages().Message("Error", "Connection error (target database)", PromptIcon::kError);
    return kRowTargetConnection;
  }
  CDB* run = options_.connection;
  if (run && TargetMayBeSource(rule, *run, *target_)) {
    const PromptAnswer answer =
        options_.Messages().Ask("Warning!", "Possible the Target table is same as Source. Continue anyway?",
                                PromptIcon::kWarning, PromptButtons::kYesNo, PromptAnswer::kNo);
    if (answer != PromptAnswer::kYes) {
      ReleaseScrambleTarget();
      return kRowSameTarget;
    }
  }
  return kRowOk;
}

int RowGenerator::GenerateValues(const Rule& rule) {
  if (options_.log && !options_.performanceMode) options_.log->State("QuarnelGenerator::GenerateValues");
  rule_ = &rule;
  columns_ = rule.Fields;
  keyed_ = false;
  bulkLoad_ = options_.UseBULK != 0;
  state_.clear();
  for (size_t i = 0; i < columns_.size(); ++i) state_.push_back(std::make_unique<State>());
  ReleaseScrambleTarget();
  freshConnection_.reset();

  const uint32_t seed = options_.Repeatable ? static_cast<uint32_t>(options_.InitRepeat) : 0;
  options_.strings.SeedRandom(seed, options_.CharSet);
  // A repeatable run keeps its seed through the pattern engines' first Init.
  if (seed != 0) PatternEngine::SeedRandom(seed);

  if (rule.InsMode == kInsScramble) {
    const int status = PrepareTarget(rule);
    if (status != kRowOk) return status;
  }

  random_.dateTime.DateFormat = options_.DateFormat;
  random_.dateTime.TimeFormat = options_.TimeFormat;
  random_.dateTime.YearFrom = options_.YearFrom;
  random_.dateTime.YearTo = options_.YearTo;
  random_.dateTime.DateTimeSep = options_.DateTimeSep;
  random_.serverKind = options_.connection ? options_.connection->serverKind() : kServerOther;
  // Literals are written for the database the statements go to: a
  // scramble's target, else the run's connection.
  literalsFor_ = target_ ? target_.get() : options_.connection;
  backslashes_ = literalsFor_ && literalsFor_->backslashEscapes();
  random_.MaxBlobSize = options_.MaxBlobSize;
  random_.strings = &options_.strings;
  CLog* log = options_.log;
  random_.log = [log](std::string_view message, std::string_view source) {
    if (log) log->Bug(message, source);
  };
  const RunOptions* options = &options_;
  random_.variable = [options](std::string_view text) { return options->Variable(text); };
  if (!options_.DateConversion.empty()) dateConversion_.Prepare(options_.DateConversion, SafeFormat::Kind::kText);

  // The pattern engines: the rule's, and the one that evaluates list items.
  // The engines make a connection of their own: only when a pattern may use it.
  const bool patterns = std::any_of(columns_.begin(), columns_.end(), [](const ColumnRule& column) {
    return column.asMask || column.Method == kMethodPattern || column.Method == kMethodComputed ||
           column.Method == kMethodCustom || column.Method == kMethodNamedGen || !column.NamedGen.empty();
  });
  const CDB* patternConnection =
      patterns && options_.connection && options_.connection->connected() ? options_.connection : nullptr;
  for (PatternEngine* engine : {&patterns_, &items_}) {
    engine->Clear();
    engine->SetLog(log);
    engine->Init(options_.LibraryLocation, 0, random_.variable);
  }
  patterns_.SetConnection(patternConnection);
  items_.SetConnection(patternConnection);
  for (const ColumnRule& column : columns_) patterns_.AddColumn(column.Name);

  for (size_t i = 0; i < columns_.size(); ++i) PrepareColumn(i);
  return kRowOk;
}

void RowGenerator::PrepareColumn(size_t index) {
  ColumnRule& col = columns_[index];
  State& st = *state_[index];
  if (!col.NamedGen.empty() && options_.project) {
    const auto& generators = options_.project->namedGens;
    const auto generator = std::find_if(generators.begin(), generators.end(),
                                        [&col](const ColumnRule& g) { return g.NamedGen == col.NamedGen; });
    if (generator != generators.end()) {
      const FLD_DESC descriptor = col;
      col = *generator;
      static_cast<FLD_DESC&>(col) = descriptor;
    } else if (col.Method == kMethodNamedGen) {
      Warn(index, "Warning!",
           "Table '" + rule_->TabName + "', column '" + col.Name + "': the project has no named generator '" +
               col.NamedGen + "'",
           false);
    }
  }
  col.LowRange = options_.Variable(col.LowRange);
  col.HighRange = options_.Variable(col.HighRange);
  col.Start = options_.Variable(col.Start);
  col.Step = options_.Variable(col.Step);
  if (rule_->InsMode == kInsUpdate || rule_->InsMode == kInsScramble) {
    col.lowBound = LeadingInteger(col.LowRange);
    col.highBound = LeadingInteger(col.HighRange);
  }

  st.leader = index;
  for (size_t j = 0; j < index; ++j) {
    const ColumnRule& other = columns_[j];
    if (col.groupNo > 0 && other.groupNo == col.groupNo) {
      if (st.groupPos == 0) st.leader = j;
      ++st.groupPos;
    }
    if (col.seqFK > 0 && other.seqFK == col.seqFK && other.Table == col.Table) ++st.fkPos;
  }

  if (col.Method == kMethodValueList) PrepareValueList(col, st);
  if (col.Seqent && (col.Method == kMethodValueList || col.Method == kMethodDiskFile || col.Method == kMethodLibrary)) {
    col.LowRange.clear();
  }
  if (col.Method == kMethodSql) col.sFormat.clear();
  if (col.Method == kMethodLinkedTable) {
    st.linksTarget = EqualsNoCase(UnquoteIdentifier(col.Table), UnquoteIdentifier(rule_->TabName));
  }
  if (col.Method == kMethodPattern && col.Mask.empty() && !col.regexp.empty()) col.Mask = "$Regexp(" + col.regexp + ")";

  if (col.Method == kMethodIncremental) PrepareIncremental(col, st);
  if (col.Method == kMethodRandom) CheckDateTimeBounds(index);
  if (col.Unique && !st.unique) {
    st.unique = std::make_unique<UniqueSet>(random_.serverKind == kServerMySql || random_.serverKind == kServerMsSql);
  }

  const std::string numberFormat = col.sFormat.empty() ? "%d" : col.sFormat;
  st.intFormat.Prepare(numberFormat, SafeFormat::Kind::kInteger);
  st.floatFormat.Prepare(numberFormat, SafeFormat::Kind::kFloating);
  st.textFormat.Prepare(col.sFormat, SafeFormat::Kind::kText);
  st.formatFloat = col.sFormat.find('f', 1) != std::string::npos;
}

void RowGenerator::CheckDateTimeBounds(size_t index) {
  const ColumnRule& col = columns_[index];
  const bool time = col.iType == 10 || col.iType == 92 || col.iType == -154;
  const bool date = col.iType == 9 || col.iType == 91 || col.iType == 11 || col.iType == 93 || col.iType == -155;
  if (!time && !date) return;
  const DateTimeOptions& options = random_.dateTime;
  const std::string format =
      time ? options.TimeFormat : DateFormatInfo(col.sFormat).hasDateToken ? col.sFormat : options.DateFormat;
  for (const std::string* bound : {&col.LowRange, &col.HighRange}) {
    // Empty bounds are open on purpose; variables are read per value.
    if (bound->empty() || bound->front() == '#' || bound->front() == '@') continue;
    DateTimeParts parts;
    int hour = 0, minute = 0, second = 0;
    const bool readable = time ? TimeScanLowLevel(*bound, hour, minute, second, format) == 0
                               : ReadDateTime(*bound, col.sFormat, 1, options, parts) == 0;
    if (readable) continue;
    Warn(index, "Warning!",
         "Table '" + rule_->TabName + "', column '" + col.Name + "': the bound '" + *bound +
             "' cannot be read in the format '" + format + "'; the column's values are drawn as if it were empty",
         false);
    return;
  }
}

void RowGenerator::PrepareValueList(const ColumnRule& col, State& st) {
  st.cache[0] = col.Values;
  const size_t n = col.Values.size();
  uint64_t used = 0, unweighted = 0;
  for (size_t i = 0; i < n; ++i) {
    const int use = i < col.ValueUse.size() ? col.ValueUse[i] : 0;
    if (use > 0) used += static_cast<uint64_t>(use); else ++unweighted;
  }
  st.thresholds.clear();
  if (used == 0) return;  // all alike: drawn evenly
  // The unweighted items share what the weights leave of 100 evenly, in
  // whole multiples of their count so that nothing is lost to rounding.
  const uint64_t rest = used < 100 ? 100 - used : 0;
  uint64_t sum = 0;
  for (size_t i = 0; i < n; ++i) {
    const int use = i < col.ValueUse.size() ? col.ValueUse[i] : 0;
    sum += use > 0 ? static_cast<uint64_t>(use) * std::max<uint64_t>(unweighted, 1) : rest;
    st.thresholds.push_back(sum);
  }
}

void RowGenerator::PrepareIncremental(ColumnRule& col, State& st) {
  if (col.AfterLast) StartAfterLast(col);
  if (LeadingInteger(col.Step) == 0 && std::strtod(col.Step.c_str(), nullptr) == 0) col.Step = "1";
  if (col.Times < 1) col.Times = 1;
  st.counter = 0;
  st.stepped = SteppedKindOf(col.iType);
  st.incExhausted = false;
  const bool exactDecimal = col.iType == 2 || col.iType == 3;
  st.incDecimal = exactDecimal || col.iType == 6 || col.iType == 7 || col.iType == 8;
  if (st.incDecimal) {
    st.incScale = std::min(kMaxDecimalScale, std::max({DecimalPlaces(col.Start), DecimalPlaces(col.Step),
                                                       exactDecimal ? static_cast<int>(col.iDigits) : 0}));
    if (!ParseDecimal(col.Start, st.incScale, st.incStartUnits)) st.incStartUnits = 0;
    if (!ParseDecimal(col.Step, st.incScale, st.incStepUnits) || st.incStepUnits == 0) {
      st.incStepUnits = DecimalScale(st.incScale);
    }
    st.incUnits = st.incStartUnits;
  } else {
    st.incStartInt = LeadingInteger(col.Start);
    st.incStepInt = LeadingInteger(col.Step);
    st.incInt = st.incStartInt;
  }
}

void RowGenerator::StartAfterLast(ColumnRule& col) {
  CDB* db = options_.connection;
  if (!db || !db->connected()) return;
  const std::string table = db->QualifiedName(rule_->TabName);
  std::string column = db->QuotedStr(col.Name);
  const bool largeObject = col.iType == -1 || col.iType == -4 || col.iType == -10;
  if (db->serverKind() == kServerMsSql && (FLD_DESC::TypeWithQuotas(col.iType) || largeObject)) {
    const size_t percent = col.sFormat.find('%');
    const size_t position = percent == std::string::npos ? 1 : percent + 1;
    column = "CAST(SUBSTRING(" + column + "," + std::to_string(position) + ",9) AS INTEGER)";
  }
  const std::string sql = "select max(" + column + ")+1 from " + table;
  std::unique_ptr<CStmt> stmt = db->NewStmt();
  std::string text;
  long ind = 0;
  if (!stmt || !CDB::isOK(db->Exec(sql, stmt.get())) || !CDB::isOK(db->Fetch(stmt.get())) ||
      !CDB::isOK(db->GetDataAsText(1, &text, &ind, stmt.get(), kMaxSqlField))) {
    if (options_.log) options_.log->Bug(db->ErrorText() + "\r\n" + sql, "QuarnelGenerator::GenerateValues");
  } else {
    col.Start = ind < 0 ? "1" : text;
  }
  if (stmt) db->FreeStmt(stmt.get());
}

CDB* RowGenerator::ColumnConnection(size_t s, std::string& error, std::string& description) {
  const CONN_INFO& own = columns_[s];
  CDB* db = nullptr;
  if (own.ConType != 0) {
    State& st = *state_[s];
    if (!st.connection || !st.connection->connected()) {
      st.connection = CDB::newDB(own.ConType);
      if (st.connection) st.connection->Connect(own);
    }
    db = st.connection.get();
    description = own.ConInfo();
  } else if (options_.connection && (rule_->InsMode == kInsUpdate || rule_->InsMode == kInsScramble)) {
    // The run connection is busy with the rule's own select in these modes.
    if (!freshConnection_ || !freshConnection_->connected()) {
      freshConnection_ = CDB::newDB(options_.connection->Info().ConType);
      if (freshConnection_) freshConnection_->Connect(options_.connection->Info());
    }
    db = freshConnection_.get();
    description = options_.connection->Info().ConInfo();
  } else {
    db = options_.connection;
    if (db) description = db->Info().ConInfo();
  }
  if (db && db->connected()) return db;
  error = db ? db->ErrorText() : "Not connected";
  return nullptr;
}

int RowGenerator::OneFieldValue(std::string& value, size_t c, size_t s, bool& isNull, int row, int& expression) {
  State& st = *state_[c];
  const ColumnRule& col = columns_[c];
  if (st.hasPending) {
    value = st.pending;
    isNull = st.pendingNull;
  } else if (col.SequenceLen > 1 && st.repeat >= 1 && st.repeat <= col.SequenceLen - 1) {
    value = st.previous;
    isNull = st.previousNull;
    expression = st.previousExpr;
    ++st.repeat;
  } else {
    st.repeat = 1;
    const ColumnRule& source = columns_[s];
    switch (source.Method) {
      case kMethodRandom: {
        const int made = OneRandom(source, value, random_);
        isNull = made == kRandomNull;
        expression = made == kRandomExpression ? 1 : 0;
        break;
      }
      case kMethodLinkedTable: {
        const int status = LinkedValue(value, c, s, isNull, row);
        if (status != kRowOk) return status;
        break;
      }
      case kMethodValueList:
        if (!ChooseFromList(value, c, s, ListOf(c, s), isNull) && col.isNull < 1) {
          Warn(c, "Warning!",
               "Value list is empty and column '" + col.Name + "' is NOT NULL.\nPlease check your generation rule for table '" +
                   rule_->TabName + "'.",
               false);
        }
        break;
      case kMethodDiskFile:
        if (!state_[s]->loaded) LoadFile(s);
        ChooseFromList(value, c, s, ListOf(c, s), isNull);
        break;
      case kMethodLibrary:
        if (!state_[s]->loaded && !LoadLibrary(s)) return kRowFailed;
        ChooseFromList(value, c, s, ListOf(c, s), isNull);
        break;
      case kMethodIncremental: {
        const int status = IncrementalValue(value, c);
        if (status != kRowOk) return status;
        break;
      }
      case kMethodPattern:
      case kMethodComputed:
      case kMethodCustom:
        // Computed and custom columns are held as patterns: "$$(...)" calls
        // the expression evaluator, "$DLL(...)" a custom generator library.
        if (!source.Mask.empty()) PatternValue(value, c, source.Mask);
        // A pattern makes NULL as the text NULL ("$IfR(10,\NULL,...)").
        if (value == "NULL") {
          value.clear();
          isNull = true;
        }
        break;
      case kMethodSql: {
        const int status = SqlValue(value, c, s, isNull);
        if (status != kRowOk) return status;
        break;
      }
      default:
        break;
    }
  }
  st.rawExpr = expression;
  if (isNull) {
    // Column references and text fields see a NULL as the text NULL.
    st.field.raw = "NULL";
  } else {
    st.field.raw = value;
    ApplyDateConversion(value, c, expression);
  }
  return kRowOk;
}

bool RowGenerator::ChooseFromList(std::string& value, size_t c, size_t s, int p, bool& isNull) {
  State& src = *state_[s];
  const ColumnRule& source = columns_[s];
  if (p < 0 || p >= kCacheLists) return false;
  const std::vector<std::string>& list = src.cache[p];
  if (list.empty()) return false;
  size_t index;
  if (p == 0) {
    if (source.Seqent) {
      if (src.skippedPicks > 0) {
        src.cursor = static_cast<uint32_t>(src.skippedPicks % list.size());
        src.skippedPicks = 0;
      }
      index = src.cursor % list.size();
      src.cursor = index + 1 >= list.size() ? 0 : static_cast<uint32_t>(index + 1);
    } else if (src.thresholds.size() == list.size() && src.thresholds.back() > 0) {
      // Weighted: the first item whose running sum passes the draw.
      const uint64_t draw = UniformBelow(src.thresholds.back());
      index = static_cast<size_t>(std::upper_bound(src.thresholds.begin(), src.thresholds.end(), draw) -
                                  src.thresholds.begin());
    } else {
      index = static_cast<size_t>(UniformBelow(list.size()));
    }
    src.lastIndex = index;
  } else {
    // A group member takes the row its leader chose.
    index = src.lastIndex % list.size();
  }
  const ColumnRule& col = columns_[c];
  if (src.IsNullItem(static_cast<size_t>(p), index)) {
    value.clear();
    isNull = true;
  } else if (source.asMask) {
    // An item that is a pattern may make NULL as the text NULL.
    items_.GenerateItem(list[index], value);
    isNull = value == "NULL";
    if (isNull) value.clear();
    else FormatListValue(value, c, source.Method);
  } else {
    value = list[index];
    FormatListValue(value, c, source.Method);
  }
  if (source.Method == kMethodLinkedTable && col.seqFK > 0 && p == 0) SetKeyGroup(c, s, index);
  return true;
}

void RowGenerator::FormatListValue(std::string& value, size_t c, int method) {
  const ColumnRule& col = columns_[c];
  State& st = *state_[c];
  if (col.sFormat.empty() || method == kMethodValueList || method == kMethodDiskFile) return;
  scratch_.clear();
  if (IsNumericType(col.iType)) {
    // A value that is not entirely a number is kept as it is rather than cut
    // to the number it starts with.
    if (st.formatFloat) {
      double d;
      if (!ReadWholeDouble(value, d)) return;
      AppendNumber(scratch_, c, d, true);
    } else {
      long long v;
      if (!ReadWholeInteger(value, v)) return;
      st.intFormat.Append(scratch_, v);
    }
  } else {
    if (method == kMethodLibrary) return;
    st.textFormat.Append(scratch_, value);
  }
  value.swap(scratch_);
}

void RowGenerator::AppendNumber(std::string& out, size_t c, double value, bool asDouble) {
  const State& st = *state_[c];
  if (asDouble && st.floatFormat.ok()) {
    st.floatFormat.Append(out, value);
  } else if (st.intFormat.ok() || !st.floatFormat.ok()) {
    st.intFormat.Append(out, RoundToInteger(value));
  } else {
    st.floatFormat.Append(out, value);
  }
}

void RowGenerator::AppendIncrementalDecimal(std::string& out, size_t c) {
  const ColumnRule& col = columns_[c];
  const State& st = *state_[c];
  if (st.formatFloat) {
    st.floatFormat.Append(out, DecimalToDouble(st.incUnits, st.incScale));
  } else if (col.sFormat.empty() || col.sFormat == "%d") {
    AppendDecimal(out, st.incUnits, st.incScale);
  } else {
    st.intFormat.Append(out, RoundToInteger(DecimalToDouble(st.incUnits, st.incScale)));
  }
}

void RowGenerator::SetKeyGroup(size_t c, size_t s, size_t index) {
  const ColumnRule& col = columns_[c];
  const State& src = *state_[s];
  for (size_t j = c + 1; j < columns_.size(); ++j) {
    const ColumnRule& member = columns_[j];
    if (member.seqFK != col.seqFK || member.Table != col.Table) continue;
    State& st = *state_[j];
    // Only the first 32 columns of a key group are loaded.
    if (st.fkPos >= kCacheLists || src.cache[st.fkPos].empty()) {
      if (!st.warned && options_.log) options_.log->Bug("List for '" + member.Name + "' is empty", "QuarnelGenerator::OneFieldValue");
      st.warned = true;
      continue;
    }
    const std::vector<std::string>& list = src.cache[st.fkPos];
    const size_t item = index % list.size();
    st.pendingNull = src.IsNullItem(static_cast<size_t>(st.fkPos), item);
    st.pending = st.pendingNull ? std::string() : list[item];
    st.hasPending = true;
  }
}

int RowGenerator::LinkedValue(std::string& value, size_t c, size_t s, bool& isNull, int row) {
  State& src = *state_[s];
  const ColumnRule& source = columns_[s];
  const size_t n = src.cache[0].size();
  const bool reload = !src.loaded || (src.linksTarget && (n <= 5 || (n < 50 && row % 20 == 0) || (n >= 50 && row % 100 == 0)));
  if (reload) {
    const int status = LoadLinked(s);
    if (status != kRowOk) return status;
  }
  if (!ChooseFromList(value, c, s, ListOf(c, s), isNull) && columns_[c].isNull < 1) {
    Warn(c, "Warning!",
         "Linked table '" + source.Table + "' is empty and\ncolumn " + rule_->TabName + "." + columns_[c].Name +
             " is NOT NULL.\nPlease fill it before this rule execution.",
         false);
  }
  return kRowOk;
}

int RowGenerator::LoadLinked(size_t s) {
  State& src = *state_[s];
  const ColumnRule& source = columns_[s];
  src.loaded = true;
  std::string error, description;
  CDB* db = ColumnConnection(s, error, description);
  if (!db) {
    const std::string text = "Field '" + source.Name + "'<-'" + source.Table + "'\r\n\r\n" + error + "\r\n" + description;
    if (options_.log) options_.log->Bug(text, "QuarnelGenerator::OneFieldValue");
    options_.Messages().Message("Connection error", text, PromptIcon::kError);
    return kRowColumnConnection;
  }
  std::string columns;
  int count = 0;
  if (source.seqFK > 0) {
    for (const ColumnRule& member : columns_) {
      if (member.seqFK != source.seqFK || member.Table != source.Table || count == kCacheLists) continue;
      if (count++ > 0) columns += ',';
      columns += db->QuotedStr(member.Column);
    }
  } else {
    columns = db->QuotedStr(source.Column);
    count = 1;
  }
  const std::string table = db->QualifiedName(source.Table);
  const std::string sql = "select distinct " + columns + " from " + table + " order by " + columns;
  src.ClearLists();
  std::unique_ptr<CStmt> stmt = db->NewStmt();
  if (!stmt || !CDB::isOK(db->Exec(sql, stmt.get()))) {
    if (options_.log) options_.log->Bug(db->ErrorText() + "\r\n" + sql, "QuarnelGenerator::OneFieldValue");
    return kRowOk;
  }
  std::string text;
  long ind = 0;
  const size_t limit = options_.FromLinked > 0 ? static_cast<size_t>(options_.FromLinked) : SIZE_MAX;
  while (src.cache[0].size() < limit && !options_.Cancelled() && CDB::isOK(db->Fetch(stmt.get()))) {
    for (int k = 0; k < count; ++k) {
      if (!CDB::isOK(db->GetDataAsText(k + 1, &text, &ind, stmt.get()))) {
        text.clear();
        ind = 0;
      }
      src.AppendItem(static_cast<size_t>(k), text, ind < 0);
    }
  }
  db->FreeStmt(stmt.get());
  return kRowOk;
}

int RowGenerator::SqlValue(std::string& value, size_t c, size_t s, bool& isNull) {
  State& src = *state_[s];
  const ColumnRule& source = columns_[s];
  if (!source.asList || !src.loaded) {
    const int status = RunSql(s, source.asList != 0);
    if (status != kRowOk) return status;
  }
  if (source.asList) {
    ChooseFromList(value, c, s, ListOf(c, s), isNull);
    return kRowOk;
  }
  if (src.cache[0].empty()) return kRowOk;
  isNull = src.IsNullItem(0, 0);
  if (!isNull) value = src.cache[0][0];
  return kRowOk;
}

int RowGenerator::RunSql(size_t s, bool all) {
  State& src = *state_[s];
  const ColumnRule& source = columns_[s];
  src.loaded = true;
  src.ClearLists();
  std::string error, description;
  CDB* db = ColumnConnection(s, error, description);
  if (!db) {
    const std::string text = source.SQL + "\r\n\r\n" + error + "\r\n" + description;
    if (options_.log) options_.log->Bug(text, "QuarnelGenerator::OneFieldValue");
    options_.Messages().Message("Connection error", text, PromptIcon::kError);
    return kRowColumnConnection;
  }
  std::unique_ptr<CStmt> stmt = db->NewStmt();
  if (!stmt || !CDB::isOK(db->Exec(source.SQL, stmt.get()))) {
    const std::string dbError = db->ErrorText();
    if (options_.log) options_.log->Bug(dbError + "\r\n" + source.SQL, "QuarnelGenerator::OneFieldValue");
    if (stmt) db->FreeStmt(stmt.get());
    if (showErrors_) {
      bool dontShowAgain = false;
      if (options_.Messages().ErrorDialog(dbError, source.SQL, dontShowAgain) != PromptAnswer::kOk) options_.Cancel();
      if (dontShowAgain) showErrors_ = false;
    }
    return kRowOk;
  }
  int columns = 0;
  if (!CDB::isOK(db->NumResultCols(&columns, stmt.get())) || columns <= 0) {
    if (options_.log) options_.log->Bug("No columns found in result set:" + source.SQL, "QuarnelGenerator::OneFieldValue");
    columns = kCacheLists;
  }
  columns = std::min(columns, kCacheLists);
  size_t limit = 1;
  if (all) limit = options_.FromLinked > 0 ? static_cast<size_t>(options_.FromLinked) : SIZE_MAX;
  std::string text;
  long ind = 0;
  size_t rows = 0;
  while (rows < limit && !options_.Cancelled() && CDB::isOK(db->Fetch(stmt.get()))) {
    for (int k = 0; k < columns; ++k) {
      if (!CDB::isOK(db->GetDataAsText(k + 1, &text, &ind, stmt.get(), kMaxSqlField))) break;
      src.AppendItem(static_cast<size_t>(k), text, ind < 0);
    }
    ++rows;
  }
  db->FreeStmt(stmt.get());
  if (options_.LogLevel == 1 && options_.log) {
    options_.log->State("FM_SQL: " + std::to_string(rows) + " rows loaded");
  }
  return kRowOk;
}

void RowGenerator::LoadFile(size_t s) {
  State& src = *state_[s];
  const ColumnRule& source = columns_[s];
  src.loaded = true;
  std::string separator = source.fileSeparator;
  if (options_.flatFile || separator.empty() || separator == "<tab>") separator = "\t";
  std::error_code error;
  const bool folder = std::filesystem::is_directory(source.FileName, error);
  std::ifstream in;
  if (!folder) in.open(source.FileName, std::ios::binary);
  if (folder || !in) {
    const std::string text = "Table '" + rule_->TabName + "', column '" + source.Name + "'. Error open file '" +
                             source.FileName + "'" + (folder ? ": it is a folder" : "");
    Warn(s, "Error", text, true);
    return;
  }
  std::string line;
  size_t lines = 0;
  size_t widest = 0;
  while (std::getline(in, line)) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    size_t start = 0;
    for (size_t k = 0; k < static_cast<size_t>(kCacheLists); ++k) {
      const size_t end = line.find(separator, start);
      auto& list = src.cache[k];
      // Fields missing from earlier lines are empty, so every list stays
      // aligned with the line numbers.
      if (list.size() < lines) list.resize(lines);
      list.push_back(line.substr(start, end == std::string::npos ? std::string::npos : end - start));
      widest = std::max(widest, k + 1);
      if (end == std::string::npos) break;
      start = end + separator.size();
    }
    ++lines;
  }
  for (size_t k = 0; k < widest; ++k) src.cache[k].resize(lines);
}

bool RowGenerator::LoadLibrary(size_t s) {
  State& src = *state_[s];
  const ColumnRule& source = columns_[s];
  src.loaded = true;
  if (!options_.library || !options_.library->IsOpen()) {
    // Not the column's fault, and no value would be right: the rule stops.
    const std::string library = options_.library ? " '" + options_.library->Path() + "'" : "";
    Warn(s, "Error",
         "Column " + std::to_string(s + 1) + " needs Library item '" + source.LibName + "', but the value library" +
             library + " could not be opened",
         true);
    return false;
  }
  std::string list, field;
  VLibrary::SplitLibName(source.LibName, list, field);
  auto& values = src.cache[0];
  values.clear();
  if (options_.library->LoadList(list, field, {}, values) < 0) values.clear();
  const int64_t longest = LeadingInteger(source.HighRange);
  if (longest > 0) {
    std::erase_if(values, [longest](const std::string& v) { return static_cast<int64_t>(CharacterCount(v)) > longest; });
  }
  if (values.empty()) {
    Warn(s, "Warning!",
         "Column " + std::to_string(s + 1) + " is not compatible with Library item '" + source.LibName + "'", false);
  }
  return true;
}

int RowGenerator::IncrementalValue(std::string& value, size_t c) {
  State& st = *state_[c];
  const ColumnRule& col = columns_[c];
  if (st.stepped != SteppedKind::kNone) {
    // The start is read once: the value is then carried from row to row as
    // parts, so no step depends on how its text reads back.
    if (st.counter == 0) {
      if (ReadSteppedValue(col.LowRange, st.stepped, col.sFormat, random_.dateTime, st.steppedValue) != 0) {
        st.warned = false;  // every unreadable date is reported: the rule stops here
        Warn(c, "Bad date Error", col.LowRange, true);
        return kRowFailed;
      }
      st.monthDay = st.steppedValue.day;
    }
    if (st.counter % col.Times == 0) AdvanceDateTime(st.steppedValue, col.incTimeMode, st.incStepInt, st.monthDay);
    ++st.counter;
    const bool withTime = st.stepped == SteppedKind::kTimestamp ||
                          (st.stepped == SteppedKind::kDate && random_.serverKind == kServerOracle);
    WriteSteppedValue(value, st.steppedValue, st.stepped, withTime, col.sFormat, random_.dateTime);
    return kRowOk;
  }
  if (st.incExhausted) {
    st.warned = false;
    Warn(c, "Error", "Column '" + col.Name + "': the next incremental value is past the largest number it can hold",
         true);
    return kRowFailed;
  }
  if (st.incDecimal) {
    AppendIncrementalDecimal(value, c);
  } else if (st.formatFloat) {
    AppendNumber(value, c, static_cast<double>(st.incInt), true);
  } else {
    st.intFormat.Append(value, static_cast<long long>(st.incInt));
  }
  ++st.counter;
  if (col.Cycle > 0 && st.counter % col.Cycle == 0) {
    st.incInt = st.incStartInt;
    st.incUnits = st.incStartUnits;
  } else if (st.counter % col.Times == 0) {
    constexpr DecimalUnits kLargest = static_cast<DecimalUnits>(INT64_MAX) * 1'000'000'000'000'000'000;
    if (st.incDecimal) {
      st.incExhausted = st.incUnits > kLargest - st.incStepUnits || st.incUnits < -kLargest - st.incStepUnits;
      st.incUnits += st.incExhausted ? 0 : st.incStepUnits;
    } else {
      st.incExhausted = __builtin_add_overflow(st.incInt, st.incStepInt, &st.incInt);
    }
  }
  return kRowOk;
}

void RowGenerator::PatternValue(std::string& value, size_t c, std::string_view pattern) {
  const ColumnRule& col = columns_[c];
  std::shared_ptr<const CompiledPattern>& compiled = state_[c]->pattern;
  if (!compiled || compiled->text() != pattern) compiled = patterns_.Compiled(pattern);
  const size_t nodes = patterns_.Mark();
  for (int evaluation = 0; evaluation < kMaxPatternEvaluations; ++evaluation) {
    patterns_.Retry(nodes);  // a value too long is made again by the same nodes
    value.clear();
    // Stored as the column's value once the row's value is final, so that a
    // retry never becomes the previous value.
    if (patterns_.Generate(value, -1, *compiled, &state_[c]->valueFormat) != 0) {
      const std::string text = "Error: '" + patterns_.ErrorMessage() + "'\r\nPattern '" + std::string(pattern) + "'";
      State& st = *state_[c];
      if (!st.warned) {
        st.warned = true;
        if (options_.log) {
          options_.log->Bug(Replace(Replace(text, "\r", " "), "\n", " "), "QuarnelGenerator::OneFieldValue");
        }
        options_.Messages().Message("Wrong Pattern", text, PromptIcon::kError);
      }
    }
    if (col.iSize <= 0 || value.size() <= static_cast<size_t>(col.iSize)) break;
  }
}

void RowGenerator::ApplyDateConversion(std::string& value, size_t c, int& expression) {
  const std::string& conversion = options_.DateConversion;
  if (conversion.empty() || !dateConversion_.ok() || !IsDateTimeType(columns_[c].iType) || value.empty()) return;
  // A value that already is the conversion (a list item written as one) is
  // an expression as it stands.
  const size_t call = conversion.find('(');
  if (call != std::string::npos && call > 0 && value.size() > call &&
      EqualsNoCase(std::string_view(value).substr(0, call + 1), std::string_view(conversion).substr(0, call + 1))) {
    expression = 1;
    return;
  }
  // The value stands between the template's quotes: its own quotes are doubled.
  DoubleQuotes(value, 0, backslashes_);
  scratch_.clear();
  dateConversion_.Append(scratch_, value);
  value.swap(scratch_);
  expression = 1;
}

size_t RowGenerator::SourceOf(size_t c) const {
  const ColumnRule& col = columns_[c];
  const State& st = *state_[c];
  return col.groupNo > 0 && st.leader != c && col.Method != kMethodIncremental ? st.leader : c;
}

int RowGenerator::ListOf(size_t c, size_t s) const {
  const ColumnRule& source = columns_[s];
  const State& st = *state_[c];
  switch (source.Method) {
    case kMethodValueList:
    case kMethodLibrary: return 0;
    case kMethodDiskFile: return c == s ? 0 : st.groupPos;
    case kMethodSql: return !source.asList ? -1 : c == s ? 0 : st.groupPos;
    case kMethodLinkedTable: return source.seqFK > 0 ? st.fkPos : 0;
    default: return -1;
  }
}

std::string RowGenerator::WhyRowsFollowEarlierRows() {
  if (ReadsDatabasePerRow()) return "it reads the database while it makes rows";
  for (size_t c = 0; c < columns_.size(); ++c) {
    const ColumnRule& col = columns_[c];
    if (col.Method == kMethodIgnore) continue;
    const std::string name = "column '" + col.Name + "' ";
    if (col.Unique && (col.Method != kMethodIncremental || col.Cycle > 0)) return name + "is unique";
    if (col.SequenceLen > 1) return name + "repeats each value for several rows";
    if (col.Method == kMethodIncremental && col.AfterLast) return name + "starts after the table's last value";
    const ColumnRule& source = columns_[SourceOf(c)];
    const bool pattern = source.Method == kMethodPattern || source.Method == kMethodComputed ||
                         source.Method == kMethodCustom;
    if (pattern && !source.Mask.empty() && patterns_.Compiled(source.Mask)->CarriesRowState())
      return name + "has a pattern that carries values from row to row";
    if (source.asMask) {
      // Only a value list's items are known before its first row.
      const std::vector<std::string>& items = state_[SourceOf(c)]->cache[0];
      const bool carries = source.Method != kMethodValueList ||
                           std::any_of(items.begin(), items.end(), [this](const std::string& item) {
                             return items_.Compiled(item)->CarriesRowState();
                           });
      if (carries) return name + "has list items that are patterns";
    }
  }
  return {};
}

void RowGenerator::SkipIncremental(size_t c, int64_t rows) {
  State& st = *state_[c];
  const ColumnRule& col = columns_[c];
  const int64_t times = std::max(col.Times, 1);
  if (st.stepped != SteppedKind::kNone) {
    // A start that cannot be read is left for the first row to report.
    if (ReadSteppedValue(col.LowRange, st.stepped, col.sFormat, random_.dateTime, st.steppedValue) != 0) return;
    st.monthDay = st.steppedValue.day;
    // Row k (from 0) steps first when k is a multiple of Times.
    int64_t steps = (rows - 1) / times + 1;
    // In pieces AdvanceDateTime takes whole; a step so long that each piece
    // is one step has reached the calendar's end long before the cap.
    const int64_t stride = std::max<int64_t>(1, kLongestStep / std::max<int64_t>(1, std::abs(st.incStepInt)));
    for (int pieces = 0; steps > 0 && pieces < 100000; ++pieces) {
      const int64_t now = std::min(steps, stride);
      AdvanceDateTime(st.steppedValue, col.incTimeMode, st.incStepInt * now, st.monthDay);
      steps -= now;
    }
    st.counter = rows;
    return;
  }
  // The value after `rows` rows: one step for every multiple of Times since
  // the current cycle began (a cycle starts again from Start).
  const int64_t cycleStart = col.Cycle > 0 ? rows / col.Cycle * col.Cycle : 0;
  const int64_t steps = rows / times - cycleStart / times;
  // A run that passed the largest number on the way (in its first cycle) has stopped there.
  const int64_t mostSteps = col.Cycle > 0 && rows >= col.Cycle ? std::max(steps, (col.Cycle - 1) / times) : steps;
  st.counter = rows;
  if (st.incDecimal) {
    constexpr DecimalUnits kLargest = static_cast<DecimalUnits>(INT64_MAX) * 1'000'000'000'000'000'000;
    const DecimalUnits step = st.incStepUnits < 0 ? -st.incStepUnits : st.incStepUnits;
    const bool fits = step == 0 || static_cast<DecimalUnits>(mostSteps) <= 2 * kLargest / step;
    const DecimalUnits farthest = fits ? st.incStartUnits + st.incStepUnits * mostSteps : 0;
    st.incExhausted = !fits || farthest > kLargest || farthest < -kLargest;
    if (!st.incExhausted) st.incUnits = st.incStartUnits + st.incStepUnits * steps;
  } else {
    const __int128 farthest = static_cast<__int128>(st.incStartInt) + static_cast<__int128>(st.incStepInt) * mostSteps;
    st.incExhausted = farthest > INT64_MAX || farthest < INT64_MIN;
    if (!st.incExhausted) st.incInt = st.incStartInt + st.incStepInt * steps;
  }
}

void RowGenerator::StartAtRow(int64_t first) {
  const int64_t before = first - 1;
  if (before <= 0) return;
  std::vector<uint64_t> picksPerRow(columns_.size(), 0);
  for (size_t c = 0; c < columns_.size(); ++c) {
    const ColumnRule& col = columns_[c];
    if (col.Method == kMethodIgnore) continue;
    if (col.Method == kMethodIncremental) {
      SkipIncremental(c, before);
      continue;
    }
    const size_t s = SourceOf(c);
    // List 0 is picked from; the others take the row their leader picked.
    if (columns_[s].Seqent && ListOf(c, s) == 0) ++picksPerRow[s];
  }
  for (size_t s = 0; s < columns_.size(); ++s) {
    if (picksPerRow[s] > 0) state_[s]->skippedPicks = picksPerRow[s] * static_cast<uint64_t>(before);
  }
}

int RowGenerator::GenOneRowValues(std::string& values, int row, std::string& textLine, std::string_view delimiter) {
  const ScopedRandomKey key(keyed_, keySeed_, keyRule_, static_cast<uint64_t>(row));
  values.clear();
  textLine.clear();
  const char q = options_.DataQuote();
  const int serverKind = random_.serverKind;
  const bool unicodeServer = serverKind != kServerMySql && serverKind != kServerPostgres && serverKind != kServerSqlite;
  for (auto& st : state_) {
    st->field.final.clear();
    st->previous.swap(st->field.raw);
    st->field.raw.clear();
    st->previousNull = st->field.isNull;
    st->previousExpr = st->rawExpr;
    st->hasPending = false;
    st->valueFormat.clear();
  }
  const bool fixed = delimiter == kFixedLengthDelimiter;
  const bool bulk = bulkLoad_;
  const bool quoteTexts = options_.project && options_.project->QuoteExportString;
  size_t position = 0;
  for (size_t c = 0; c < columns_.size(); ++c) {
    ColumnRule& col = columns_[c];
    State& st = *state_[c];
    RowField& field = st.field;
    field.included = col.Method != kMethodIgnore || bulk;
    if (col.Method == kMethodIgnore) {
      field.final = kIgnored;
      field.isNull = false;
      field.expression = 0;
      field.quoted = false;
    } else {
      const size_t s = SourceOf(c);
      const bool quoting = (FLD_DESC::TypeWithQuotas(col.iType) && !col.NoQuotas) || col.AlwaysQuote;
      field.quoted = quoting;
      if (quoting && col.iSize > 0 && LeadingInteger(col.HighRange) == 0) col.HighRange = std::to_string(col.iSize);
      std::string& value = field.final;
      // A value tried again (not unique) takes the pattern nodes of the first try.
      const size_t nodes = patterns_.Mark();
      for (int failures = 0;;) {
        patterns_.Retry(nodes);
        value.clear();
        bool isNull = false;
        int expression = 0;
        const int status = OneFieldValue(value, c, s, isNull, row, expression);
        if (status != kRowOk) return status;
        field.isNull = isNull;
        field.expression = expression;
        bool wrapped = false;
        if ((!col.NoQuotas || quoting) && !expression) wrapped = EscapeQuotes(value, backslashes_);
        if (isNull) {
          value = "NULL";
        } else if (!quoting || expression) {
          if (options_.RemoveComma && RemovesComma(col.iType)) std::erase(value, ',');
          if (!expression) {
            if (value.empty()) {
              // Nothing between two commas would break the statement.
              value = "NULL";
            } else if (!col.NoQuotas && !IsNumberLiteral(value)) {
              // Not a number: written as a literal the server converts or
              // rejects, never as part of the statement.
              value.insert(value.begin(), q);
              value += q;
            }
          }
        } else if (!wrapped) {
          const bool prefix = options_.UnicodePrefix && unicodeServer && col.TypeIsUnicode();
          value.insert(0, prefix ? 2 : 1, q);
          if (prefix) value[0] = 'N';
          value += q;
        }
        if (quoting && !isNull && !expression && literalsFor_ && literalsFor_->NulNeedsHex(field.raw))
          value = literalsFor_->BinaryLiteral(field.raw);
        if (!isNull && col.UseNulls > 0 && RandomBelow(100) < col.UseNulls) value = "NULL";
        // NULLs never collide: any number of rows may hold them.
        if (st.unique && value != "NULL" && !st.unique->Insert(value)) {
          if (++failures >= options_.UniqueTryCounter) {
            if (options_.log) {
              options_.log->Bug("ABORT: Could not find unique value for " + rule_->TabName + "." + col.Name + "!",
                                "QuarnelGenerator::GenOneRowValues");
            }
            return kRowFailed;
          }
          continue;
        }
        break;
      }
      // References to the column see the value as it was made, once a row.
      patterns_.SetColumnValue(static_cast<int>(c), field.raw, st.valueFormat);
    }
    if (!field.included) continue;
    if (position > 0) values += ',';
    values += field.final;
    if (makesTextLine_) {
      // The text field: the value as made, without the NULL share.
      // Quotes in the value are the value's own: they stay.
      const std::string_view text = col.Method == kMethodIgnore || field.isNull ? std::string_view() : field.raw;
      if (fixed && outputs_) {
        outputs_->FixedLength(textLine, text, col, position);
      } else {
        if (position > 0 && !fixed) textLine += delimiter;
        AppendTextField(textLine, text, delimiter, bulkFile_, field.quoted && quoteTexts && !field.isNull);
      }
    }
    ++position;
  }
  WriteXmlRow();
  patterns_.NextRow();
  return kRowOk;
}

bool RowGenerator::ReadsDatabasePerRow() const {
  for (size_t c = 0; c < columns_.size(); ++c) {
    const ColumnRule& col = columns_[c];
    if (col.Method == kMethodSql && !col.asList) return true;
    if (col.Method == kMethodLinkedTable && state_[c]->linksTarget) return true;
  }
  return false;
}

void RowGenerator::WriteXmlRow() {
  HTML* xml = outputs_ ? outputs_->Xml() : nullptr;
  if (!xml) return;
  const bool asTag = outputs_->XMLType() != 0;
  xml->OpenTag("row");
  for (size_t c = 0; c < columns_.size(); ++c) {
    if (columns_[c].Method == kMethodIgnore) continue;
    const RowField& field = state_[c]->field;
    const std::string_view text = field.isNull ? std::string_view() : std::string_view(field.raw);
    if (asTag) {
      xml->Tag(columns_[c].Name, text);
    } else {
      xml->Tag("value", text, "field", columns_[c].Name);
    }
  }
  xml->CloseTag("row");
}

