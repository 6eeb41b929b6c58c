// Stateful pattern functions without an external source: counters, repeats,
// lists, conditions, uniqueness and regular expressions. Each node is built
// in a compile pass and keeps its state across rows.
#include <zlib.h>

#include <algorithm>
#include <unordered_set>
#include <vector>

#include "GenTmpl/BuiltinFunctions.h"
#include "GenTmpl/FuncText.h"
#include "GenTmpl/FunctionTable.h"
#include "GenTmpl/PatternEngine.h"
#include "support/Calendar.h"
#include "support/Database.h"
#include "support/DateTimeText.h"
#include "values/DateTime.h"
#include "values/RegexGenerator.h"

namespace {

// PatternEngine is the only FuncHost; the nodes of this file use the parts of
// it that data-source nodes do not need.
PatternEngine& EngineOf(FuncHost& host) { return static_cast<PatternEngine&>(host); }

// Reads a parameter that is a pattern when it starts with "$".
std::string PatternOrText(FuncHost& host, std::string_view text) {
  if (text.empty() || text[0] != '$') return std::string(text);
  std::string value, format;
  host.EvaluatePattern(text, value, format);
  return value;
}

class IncData final : public FuncData {
 public:
  IncData(FuncParams p, FuncHost& host) {
    std::size_t next = 1;
    if (!p.empty() && !p[0].empty() && p[0][0] == '$') {
      start_ = ParamInt64(PatternOrText(host, p[0]));
    } else {
      start_ = p.empty() ? 1 : ParamInt64(p[0]);
      // A name instead of a number: continue after the column's maximum.
      if (start_ == 0 && !p[0].empty() && !(p[0][0] >= '0' && p[0][0] <= '9')) {
        if (p.size() > 1) StartAfterMaximum(p[0], p[1], host.Connection());
        next = 2;
      }
    }
    step_ = p.size() > next ? ParamInt64(p[next]) : 1;
    std::string_view format = p.size() > next + 1 && !p[next + 1].empty() ? p[next + 1] : "%I64i";
    if (format_.Prepare(format, SafeFormat::Kind::kInteger) != 0) {
      host.SetError(PatternEngine::kErrFormatRefused, "IncData: " + format_.Error() + ".");
      valid_ = false;
    }
    limit_ = p.size() > next + 2 ? ParamInt64(p[next + 2]) : 0;
    times_ = p.size() > next + 3 ? ParamInt64(p[next + 3]) : 1;
    current_ = start_;
    repeat_ = times_;
  }

  void Value(std::string& out) override {
    if (!valid_) return;
    if (limit_ > 0 && current_ > limit_) current_ = start_;
    if (times_ > 1) {
      if (repeat_ < times_) {
        ++repeat_;
        out += last_;
        return;
      }
      repeat_ = 1;
    }
    last_.clear();
    format_.Append(last_, static_cast<long long>(current_));
    current_ = static_cast<int64_t>(static_cast<uint64_t>(current_) + static_cast<uint64_t>(step_));
    out += last_;
  }

 private:
  static std::string Quoted(std::string_view name) {
    std::string q = "\"";
    for (char c : name) {
      if (c == '"') q += '"';
      q += c;
    }
    return q + '"';
  }

  void StartAfterMaximum(std::string_view column, std::string_view table, CDB* db) {
    if (!db || !db->connected()) return;
    std::string sql = "select max(" + Quoted(column) + ") from " + Quoted(table);
    if (CDB::isOK(db->Exec(sql)) && CDB::isOK(db->Fetch())) {
      int64_t max = 0;
      long ind = 0;
      if (CDB::isOK(db->GetData(1, &max, &ind)) && ind != -1) start_ = max + 1;
    }
    db->FreeStmt();
  }

  int64_t current_ = 0, step_ = 1, start_ = 1, limit_ = 0, times_ = 1, repeat_ = 1;
  bool valid_ = true;
  SafeFormat format_;
  std::string last_;
};

// A time of day stepped by hours, minutes or seconds; hours wrap at 24.
class IncTimeData final : public FuncData {
 public:
  IncTimeData(FuncParams p, FuncHost& host) {
    format_ = p.size() > 0 && !p[0].empty() ? p[0] : "HH:MM:SS";
    std::string start = p.size() > 1 && !p[1].empty() ? PatternOrText(host, p[1]) : "00:00:00";
    ParseTimeInFormat(start, format_, hour_, minute_, second_);
    step_ = p.size() > 2 ? ParamInt64(p[2]) : 1;
    if (p.size() > 3 && !p[3].empty()) unit_ = static_cast<char>(p[3][0] & ~0x20);
  }

  void Value(std::string& out) override {
    AppendTimeText(out, hour_, minute_, second_, 0, 0, format_);
    Advance();
  }

 private:
  void Advance() {
    constexpr int64_t kDay = 86400;
    int64_t unitSeconds = unit_ == 'H' ? 3600 : unit_ == 'M' ? 60 : 1;
    int64_t seconds = int64_t{hour_} * 3600 + minute_ * 60 + second_;
    seconds = ((seconds + (step_ % kDay) * unitSeconds) % kDay + kDay) % kDay;
    hour_ = static_cast<int>(seconds / 3600);
    minute_ = static_cast<int>(seconds / 60 % 60);
    second_ = static_cast<int>(seconds % 60);
  }

  std::string format_;
  int hour_ = 0, minute_ = 0, second_ = 0;
  int64_t step_ = 1;
  char unit_ = 'S';
};

// A date stepped by days, months or years. Month and year steps keep to the
// start's day of the month, or to the month's last day when it is shorter: a
// monthly series from 31 January gives 29 February, 31 March, 30 April.
class IncDateData final : public FuncData {
 public:
  IncDateData(FuncParams p, FuncHost& host) {
    format_ = p.size() > 0 && !p[0].empty() ? p[0] : "DD.MM.YYYY";
    std::string start = p.size() > 1 && !p[1].empty() ? PatternOrText(host, p[1]) : "01.01.1970";
    int day = 0, month = 0, year = 0;
    ParseDateInFormat(start, format_, day, month, year);
    // Fields out of range count on, so a start the reader could not make out
    // still gives a real date.
    date_ = DateOfDayNumber(DayNumber(year, month, day));
    monthDay_ = date_.day;
    step_ = p.size() > 2 ? std::clamp(ParamInt64(p[2]), -kLongestStep, kLongestStep) : 1;
    if (p.size() > 3 && !p[3].empty()) unit_ = static_cast<char>(p[3][0] & ~0x20);
  }

  void Value(std::string& out) override {
    AppendDateText(out, date_.day, date_.month, static_cast<int>(date_.year), format_);
    if (unit_ == 'M' || unit_ == 'Y') {
      date_ = AddMonths(date_.year, date_.month, monthDay_, unit_ == 'Y' ? step_ * 12 : step_);
    } else {
      date_ = DateOfDayNumber(DayNumber(date_.year, date_.month, date_.day) + step_);
    }
    date_ = HoldYear(date_);
  }

 private:
  std::string format_;
  CalendarDate date_;
  int monthDay_ = 1;
  int64_t step_ = 1;
  char unit_ = 'D';
};

class SeqData final : public FuncData {
 public:
  SeqData(FuncParams p, FuncHost& host) : engine_(EngineOf(host)) {
    if (p.size() != 2) {
      host.SetError(2300, "SeqData: the function expects 2 parameters.");
      return;
    }
    pattern_ = p[0];
    times_ = std::max<int64_t>(ParamInt64(p[1]), 1);
    ok_ = true;
  }

  void Value(std::string& out) override {
    if (!ok_) return;
    if (counter_ == 0) {
      std::string format;
      // Functions in the pattern run only when a value is drawn, so they
      // keep nodes of their own instead of positions of the calling pass.
      engine_.EvaluateInScope(pattern_, cached_, format, scope_);
    }
    if (++counter_ >= times_) counter_ = 0;
    out += cached_;
  }

 private:
  PatternEngine& engine_;
  std::string pattern_;
  int64_t times_ = 1;
  int64_t counter_ = 0;
  std::string cached_;
  PatternEngine::NodeScope scope_;
  bool ok_ = false;
};

class ListData final : public FuncData {
 public:
  ListData(FuncParams p, FuncHost& host) {
    if (p.size() < 2) {
      host.SetError(2200, "ListData: the function expects at least 2 parameters.");
      return;
    }
    items_ = host.NewItemEngine();
    sequential_ = ParamFlag(p[0]);
    if (sequential_) {
      for (std::size_t i = 1; i < p.size(); ++i) values_.emplace_back(p[i]);
      return;
    }
    int sum = 0;
    for (std::size_t i = 1; i + 1 < p.size(); i += 2) {
      values_.emplace_back(p[i]);
      sum += std::clamp(ParamInt(p[i + 1]), -100000, 100000);
      sums_.push_back(sum);
    }
  }

  void Value(std::string& out) override {
    if (values_.empty()) return;
    std::size_t pick = 0;
    if (sequential_) {
      pick = Pick(values_.size(), true, cursor_);
    } else {
      int r = Random32Below(100);
      for (std::size_t i = 1; i < sums_.size(); ++i) {
        if (sums_[i - 1] <= r && r < sums_[i]) {
          pick = i;
          break;
        }
      }
    }
    items_->GenerateItem(values_[pick], value_);
    out += value_;
  }

 private:
  std::unique_ptr<PatternEngine> items_;
  bool sequential_ = false;
  std::vector<std::string> values_;
  std::vector<int> sums_;
  std::size_t cursor_ = 0;
  std::string value_;
};

class ListPatternData final : public FuncData {
 public:
  ListPatternData(FuncParams p, FuncHost& host) {
    if (p.size() != 2) {
      host.SetError(2800, "ListPatternData: the function expects 2 parameters.");
      return;
    }
    int64_t count = ParamInt64(p[0]);
    if (count <= 0) {
      host.SetError(2801, "ListPatternData: expects positive integer as 1st parameter.");
      return;
    }
    if (count > PatternEngine::kMaxElementLength) {
      host.SetError(PatternEngine::kErrRepeaterTooLong,
                    "ListPatternData: count " + std::to_string(count) + " is above the limit of " +
                        std::to_string(PatternEngine::kMaxElementLength) + " values.");
      return;
    }
    std::unordered_set<std::string> seen;
    std::string value, format;
    // The pattern's nodes are built once and kept for every value (counters
    // go on, a file is read once), then released with the scope.
    PatternEngine::NodeScope scope;
    PatternEngine& engine = EngineOf(host);
    int misses = 0;
    while (static_cast<int64_t>(values_.size()) < count && !PatternEngine::LimitReached()) {
      engine.EvaluateInScope(p[1], value, format, scope);
      if (!seen.insert(value).second) {
        if (++misses >= 20) {
          host.SetError(2802, "ListPatternData: could not generate unique value.");
          break;
        }
        continue;
      }
      misses = 0;
      values_.push_back(value);
    }
  }

  void Value(std::string& out) override {
    if (values_.empty()) return;
    out += values_[static_cast<std::size_t>(Random64Below(static_cast<int64_t>(values_.size())))];
  }
  std::size_t HeldBytes() const override { return HeldTextBytes(values_); }

 private:
  std::vector<std::string> values_;
};

// If and IfR: a choice between two patterns evaluated by an item engine.
class ChoiceData : public FuncData {
 public:
  ChoiceData(FuncParams p, FuncHost& host) {
    if (p.size() != 3) {
      host.SetError(2000, "IfData: the function expects 3 parameters.");
      return;
    }
    then_ = p[1];
    else_ = p[2];
    items_ = host.NewItemEngine();
  }

 protected:
  bool ready() const { return items_ != nullptr; }
  void Choose(bool first, std::string& out) {
    items_->GenerateItem(first ? then_ : else_, value_);
    out += value_;
  }

 private:
  std::string then_, else_;
  std::unique_ptr<PatternEngine> items_;
  std::string value_;
};

class IfData final : public ChoiceData {
 public:
  IfData(FuncParams p, FuncHost& host) : ChoiceData(p, host), engine_(EngineOf(host)) {
    if (ready()) condition_ = p[0];
  }

  void Value(std::string& out) override {
    if (!ready()) return;
    ExpressionEvaluator& evaluator = engine_.Evaluator();
    result_.clear();
    if (evaluator.Evaluate(result_, condition_, &engine_) != 0) {
      engine_.SetError(evaluator.ErrorCode(), evaluator.ErrorMessage());
    }
    Choose(ParamInt64(result_) >= 1, out);
  }

 private:
  PatternEngine& engine_;
  std::string condition_;
  std::string result_;
};

class IfRData final : public ChoiceData {
 public:
  IfRData(FuncParams p, FuncHost& host) : ChoiceData(p, host) {
    if (!ready()) return;
    percent_ = ParamInt64(p[0]);
    if (percent_ < 0 || percent_ > 100) {
      host.SetError(2001, "IfRData: the first parameter must be between 0 and 100.");
      valid_ = false;
    }
  }

  void Value(std::string& out) override {
    if (!ready() || !valid_) return;
    Choose(Random32Below(99) < percent_, out);
  }

 private:
  int64_t percent_ = 0;
  bool valid_ = true;
};

class UniqueData final : public FuncData {
 public:
  static constexpr int kTries = 50;

  UniqueData(FuncParams p, FuncHost& host) {
    if (p.size() != 1) {
      host.SetError(2100, "UniqueData: the function expects single parameter.");
      return;
    }
    pattern_ = p[0];
    items_ = host.NewItemEngine();
  }

  void Value(std::string& out) override {
    if (!items_) return;
    for (int i = 0; i < kTries && !PatternEngine::LimitReached(); ++i) {
      items_->GenerateItem(pattern_, value_);
      uint32_t crc = static_cast<uint32_t>(
          crc32(0L, reinterpret_cast<const Bytef*>(value_.data()), static_cast<uInt>(value_.size())));
      if (!seen_.insert(crc).second) continue;
      out += value_;
      return;
    }
  }

 private:
  std::string pattern_;
  std::unique_ptr<PatternEngine> items_;
  // The checksums of the values given so far: it grows as they come, so an
  // unused node costs next to nothing.
  std::unordered_set<uint32_t> seen_;
  std::string value_;
};

class RegexpData final : public FuncData {
 public:
  RegexpData(FuncParams p, FuncHost& host) {
    std::string_view expression = p.empty() ? std::string_view{} : p[0];
    valid_ = generator_.Parse(expression) == 0;
    if (!valid_) {
      host.SetError(2400, "RegexpData: invalid regular expression: " + generator_.Error() + ".");
    }
  }
  void Value(std::string& out) override {
    if (valid_) generator_.Generate(out);
  }

 private:
  RegexGenerator generator_;
  bool valid_ = false;
};

template <typename Node>
std::unique_ptr<FuncData> Make(FuncParams p, FuncHost& host) {
  return std::make_unique<Node>(p, host);
}

}  // namespace

void RegisterNodeFunctions(FunctionTable& table) {
  constexpr auto always = FunctionTable::Always;
  table.AddNode("inc", Make<IncData>, false, always);
  table.AddNode("inctime", Make<IncTimeData>, false, always);
  table.AddNode("incdate", Make<IncDateData>, false, always);
  table.AddNode("sequence", Make<SeqData>, false, always);
  table.AddNode("seq", Make<SeqData>, false, always);
  table.AddNode("unique", Make<UniqueData>, false, always);
  table.AddNode("uniq", Make<UniqueData>, false, always);
  table.AddNode("list", Make<ListData>, false, [](FuncParams p) { return !p.empty() && ParamFlag(p[0]); });
  // The list is drawn once, when the first row needs it.
  table.AddNode("listpattern", Make<ListPatternData>, false, always);
  table.AddNode("if", Make<IfData>);
  table.AddNode("ifr", Make<IfRData>);
  table.AddNode("regexp", Make<RegexpData>, true);
}
