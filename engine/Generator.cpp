#include "engine/Generator.h"

#include <unistd.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "engine/BackgroundTask.h"
#include "engine/FillMethods.h"
#include "engine/OutputFiles.h"
#include "project/PatternForm.h"
#include "support/Database.h"
#include "support/Log.h"
#include "support/SystemRandom.h"
#include "support/PgCopy.h"
#include "support/ScriptParser.h"

namespace {

constexpr const char* kPending = "Pending...";

// How one rule of the loop ended for the rest of the run.
enum class RuleOutcome { kNext, kLeaveLoop, kEndRun };

std::string_view TrimRight(std::string_view text) {
  const size_t end = text.find_last_not_of(" \t\r\n");
  return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

void RemoveFile(const std::string& path) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
}

// A unique empty file in the system's temporary folder; empty when none can
// be made.
std::string MakeBulkFile() {
  std::error_code ec;
  std::string pattern = (std::filesystem::temp_directory_path(ec) / "qrnXXXXXX").string();
  if (ec) return {};
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) return {};
  ::close(fd);
  return pattern;
}

// The Inserted/Created text of a finished rule: its rows and their rate; a
// clear rule inserts nothing, so its text is the tables it emptied.
std::string CountText(int mode, uint64_t count, const std::string& rate) {
  if (mode == kRuleClear) return std::to_string(count) + " table(s) cleared";
  return std::to_string(count) + " (" + rate + " r/s)";
}

}  // namespace

QuarnelGenerator::QuarnelGenerator() = default;

QuarnelGenerator::~QuarnelGenerator() {
  generator_.reset();
  outputs_.reset();
  if (!bulkFile_.empty()) RemoveFile(bulkFile_);
}

void QuarnelGenerator::Trace(const char* text) const {
  if (trace_) options_.log->State(text);
}

void QuarnelGenerator::LogEntry(std::string_view text, std::string_view title) const {
  if (options_.log) options_.log->Bug(text, title);
}

void QuarnelGenerator::Console(int message, int number, const std::string& text) const {
  if (options_.console) options_.console(message, number, text);
}

void QuarnelGenerator::SetCell(int column, const std::string& text) const {
  Console(kSetCell, line_ * 100 + column, text);
}

void QuarnelGenerator::Heading(const std::string& text) const {
  if (options_.consoleMode) {
    // The headings of parts side by side would count each part's rules.
    if (options_.printsHeadings) Console(kConsoleText, 1, text);
  } else {
    Console(kItemText, kConsoleHeadingItem, text);
  }
}

bool QuarnelGenerator::HasScript(std::string_view script) { return !TrimRight(script).empty(); }

bool QuarnelGenerator::Connected() const { return options_.connection && options_.connection->connected(); }

bool QuarnelGenerator::Selected(size_t index) const {
  const std::vector<int16_t>& selection = options_.ruleSelection;
  return selection.empty() || std::binary_search(selection.begin(), selection.end(), static_cast<int16_t>(index));
}

void QuarnelGenerator::SetUp(const RunOptions& options) {
  options_ = options;
  if (options_.sharded) {
    partProject_ = *options.project;
    NameFilesAfterPart(partProject_, options_.shard);
    options_.project = &partProject_;
    keySeed_ = options_.Repeatable ? static_cast<uint32_t>(options_.InitRepeat) : options_.shardSeed;
    if (keySeed_ == 0 && !SystemRandomBytes(reinterpret_cast<unsigned char*>(&keySeed_), sizeof keySeed_)) {
      keySeed_ = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    }
  }
  trace_ = options_.log && !options_.performanceMode;
  // The run keeps its own copy of the global variables, since their values
  // are filled here and the caller's list is read-only.
  globals_.clear();
  if (options.globalVars) globals_ = *options.globalVars;
  options_.globalVars = &globals_;

  CDB* db = Connected() ? options_.connection : nullptr;
  auto evaluate = [db](ProjectVariable& variable) {
    variable.Value.clear();
    if (variable.Type == "Constant") {
      variable.Value = variable.Def;
      return;
    }
    if (!db) return;
    std::unique_ptr<CStmt> stmt = db->NewStmt();
    if (CDB::isOK(db->Exec(variable.Def, stmt.get())) && CDB::isOK(db->Fetch(stmt.get()))) {
      long indicator = 0;
      db->GetDataAsText(1, &variable.Value, &indicator, stmt.get());
      if (indicator < 0) variable.Value.clear();
    }
    db->FreeStmt(stmt.get());
  };
  for (ProjectVariable& variable : options_.project->localVars) evaluate(variable);
  for (ProjectVariable& variable : globals_) evaluate(variable);

  namedGens_ = NamedGeneratorPatterns(*options_.project, PatternSettingsOf(options_), db);
  outputs_ = std::make_unique<OutputFiles>(options_);
  generator_ = std::make_unique<RowGenerator>(options_, outputs_.get());
  generator_->Patterns().SetNamedGenList(&namedGens_);
}

PatternSettings PatternSettingsOf(const RunOptions& options) {
  PatternSettings settings;
  settings.DateFormat = options.DateFormat;
  settings.TimeFormat = options.TimeFormat;
  settings.DateTimeSep = options.DateTimeSep;
  settings.MaxBlobSize = options.MaxBlobSize;
  return settings;
}

std::vector<NamedGenerator> NamedGeneratorPatterns(const Project& project, const PatternSettings& settings,
                                                   const CDB* db) {
  std::vector<NamedGenerator> patterns;
  for (const ColumnRule& generator : project.namedGens) {
    ColumnRule copy = generator;
    ColumnRuleToPattern(copy, nullptr, &settings, db);
    patterns.push_back({copy.NamedGen, copy.Mask});
  }
  return patterns;
}

int QuarnelGenerator::PendingLinesOf(const Rule& rule) const {
  if (!rule.Enabled) return options_.ConsoleShowsDisabled ? 1 : 0;
  return 1 + (HasScript(rule.sqlBefore) ? 1 : 0) + (HasScript(rule.sqlAfter) ? 1 : 0);
}

void QuarnelGenerator::CreatePendingLines(size_t first, size_t end) {
  const Project& project = *options_.project;
  auto add = [this](const std::string& item, const char* state) {
    Console(kAddLine, 0, item);
    Console(kSetLastLine, kConsoleState, state);
  };
  if (HasScript(project.sqlBefore)) add("Prologue SQL script", kPending);
  for (size_t i = first; i < end; ++i) {
    const Rule& rule = project.rules[i];
    if (!rule.Enabled && !options_.ConsoleShowsDisabled) continue;
    if (rule.Enabled && HasScript(rule.sqlBefore)) add(rule.TabName + " (prologue)", kPending);
    add(rule.TabName, rule.Enabled ? kPending : "Disabled");
    Console(kSetLastLine, kConsoleNote, rule.note);
    if (rule.Enabled && HasScript(rule.sqlAfter)) add(rule.TabName + " (epilogue)", kPending);
  }
  if (HasScript(project.sqlAfter)) add("Epilogue SQL script", kPending);
}

// Turns a cancel of the run into a cancel of the statement or COPY the run
// waits on: a load blocked by another session's lock would otherwise never
// come back to look at the cancel flag.
class QuarnelGenerator::CancelWatch {
 public:
  explicit CancelWatch(QuarnelGenerator& run) : run_(run) {
    if (run.options_.cancel) thread_ = std::thread([this] { Watch(); });
  }
  ~CancelWatch() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) thread_.join();
  }
  CancelWatch(const CancelWatch&) = delete;
  CancelWatch& operator=(const CancelWatch&) = delete;

 private:
  void Watch() {
    std::unique_lock lock(mutex_);
    while (!stop_) {
      wake_.wait_for(lock, std::chrono::milliseconds(100));
      if (stop_ || !run_.options_.Cancelled() || !run_.loading_.load()) continue;
      if (run_.options_.connection) run_.options_.connection->CancelRunning();
      {
        std::lock_guard copyLock(run_.copyMutex_);
        if (run_.copy_) run_.copy_->Cancel();
      }
      // Again after a while: the first may have come between two statements.
      wake_.wait_for(lock, std::chrono::seconds(1), [this] { return stop_; });
    }
  }

  QuarnelGenerator& run_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::thread thread_;
};

void QuarnelGenerator::Run(const RunOptions& options) {
  summary_ = RunSummary{};
  ruleLineRows_.clear();
  SetUp(options);
  // A part that ends, early or not, no longer holds the others at a rule.
  struct LeaveParts {
    ShardBarrier* barrier;
    ~LeaveParts() {
      if (barrier) barrier->Leave();
    }
  } leaveParts{options_.barrier};
  CancelWatch cancelWatch(*this);
  Project& project = *options_.project;
  generator_->SetShowErrors(true);
  line_ = 0;
  Trace("QuarnelGenerator::Run - prepare");

  const size_t ruleCount = project.rules.size();
  size_t first = 0;
  size_t end = ruleCount;
  if (!options_.ruleSelection.empty()) {
    first = std::min<size_t>(std::max<int>(options_.ruleSelection.front(), 0), ruleCount);
    end = std::min<size_t>(std::max<int>(options_.ruleSelection.back(), 0) + 1, ruleCount);
  }

  if (trace_) {
    char text[512];
    std::snprintf(text, sizeof text, "%d rules, %s date fmt, %s time fmt, file:%s, exec:%s, text:%s",
                  static_cast<int>(ruleCount), options_.DateFormat.c_str(), options_.TimeFormat.c_str(),
                  project.ToFile ? "Y" : "N", project.NoExec ? "N" : "Y", project.ToTxtFile ? "Y" : "N");
    LogEntry(text, "Start project");
  }

  if (Connected()) {
    if (options_.VerifySchema && VerifySchema(static_cast<int>(first), static_cast<int>(end), 0) != 0) {
      summary_.stopped = true;
      summary_.schemaDifferences = differences_;
      return;
    }
    LogEntry(options_.connection->Info().ConInfo(), "Connected");
    Trace("QuarnelGenerator::Run - start");
  }

  if (project.TruncateSQL && !project.SQLFile.empty()) RemoveFile(project.SQLFile);
  if (project.TruncateTXT && !project.TXTFile.empty()) RemoveFile(project.TXTFile);

  pending_ = options_.ConsoleShowsPending && !options_.consoleMode && options_.console;
  if (pending_) CreatePendingLines(first, end);

  if (HasScript(project.sqlBefore) && FirstPart()) SQLExec(project.sqlBefore, true, false);

  if (options_.UseBULK) {
    bulkFile_ = MakeBulkFile();
    if (bulkFile_.empty()) LogEntry("The temporary bulk file could not be created", "QuarnelGenerator::Run");
  }
  outputs_->OpenProjectXml();

  const int headingCount = options_.ruleSelection.empty() ? static_cast<int>(ruleCount)
                                                          : static_cast<int>(options_.ruleSelection.size());
  RuleOutcome outcome = RuleOutcome::kNext;
  for (size_t index = first; index < end && outcome == RuleOutcome::kNext; ++index) {
    const Rule& stored = project.rules[index];
    if (!stored.Enabled) {
      if (!pending_ && options_.ConsoleShowsDisabled && !options_.consoleMode && options_.console) {
        Console(kAddLine, 0, stored.TabName);
        Console(kSetLastLine, kConsoleState, "Disabled");
        Console(kSetLastLine, kConsoleNote, stored.note);
        ++line_;
      } else if (pending_) {
        line_ += PendingLinesOf(stored);
      }
      continue;
    }
    if (options_.UseBULK && stored.Mode != kRuleClear && stored.PerTrans == 0) {
      options_.Messages().Message(
          "Warning!", "Bulk Insert mode is not compatible with autocommit.\nPlease set up transaction size in rule properties.",
          PromptIcon::kWarning);
      summary_.stopped = true;
      outcome = RuleOutcome::kEndRun;
      break;
    }
    if (!Selected(index)) {
      // Lines made in advance for a rule outside the selection keep their text.
      if (pending_) line_ += PendingLinesOf(stored);
      continue;
    }
    if (options_.barrier) {
      // Part 1 empties a replaced table before any part inserts into it.
      if (FirstPart() && stored.Mode == kRuleData && stored.InsMode == kInsReplace) {
        ClearForReplace(stored, stored.TabName);
      }
      options_.barrier->Arrive();
    }
    const int result = RunRule(index, headingCount);
    if (result < 0) {
      outcome = RuleOutcome::kEndRun;
    } else if (result > 0 || options_.Cancelled()) {
      outcome = RuleOutcome::kLeaveLoop;
    }
  }
  summary_.cancelled = options_.Cancelled();
  if (outcome == RuleOutcome::kEndRun) {
    summary_.stopped = true;
    // A single transaction of a run that could not finish is all or nothing.
    if (options_.SingleTransaction && Connected() && !project.NoExec) options_.connection->EndTran(1);
    outputs_->CloseRuleFiles();
    outputs_->CloseRuleXml();
    outputs_->CloseProjectXml();
    TakeOutputFailures();
    if (trace_) options_.log->ClearState();
    return;
  }

  if (options_.SingleTransaction) Commit(false);
  generator_->Patterns().Clear();
  Trace("QuarnelGenerator::Run - terminate");
  outputs_->CloseProjectXml();
  // The epilogue runs once every part has made its rows.
  if (options_.barrier) options_.barrier->Arrive();
  if (HasScript(project.sqlAfter) && FirstPart()) SQLExec(project.sqlAfter, false, false);
  outputs_->CloseRuleFiles();  // the epilogue's statements went to the project's SQL file
  TakeOutputFailures();
  // The connection outlives the run: it goes back to autocommit, so that no
  // transaction opened here is left for the next user of the connection.
  if (Connected() && !project.NoExec) options_.connection->SetAutoCommit(true);
  if (trace_) options_.log->ClearState();
}

// Runs rule `index`; returns 0 to go on, 1 to leave the rule loop (the
// finishing steps still run) and -1 to end the run at once.
int QuarnelGenerator::RunRule(size_t index, int headingCount) {
  Project& project = *options_.project;
  const int ruleCount = static_cast<int>(project.rules.size());
  // The run works on a copy: the row count and everything the rule's
  // generators adjust stay out of the project.
  Rule rule = project.rules[index];

  outputs_->OpenRuleXml(rule);
  Trace("QuarnelGenerator::Run - one rule");
  char text[160];
  std::snprintf(text, sizeof text, " Execution console: rule %d of %d running", static_cast<int>(index) + 1, ruleCount);
  Heading(text);

  const bool dataRule = rule.Mode == kRuleData || rule.Mode == kRuleFile;
  const bool updates = rule.InsMode == kInsUpdate || rule.InsMode == kInsScramble;
  if (!FirstPart() && (!dataRule || updates)) {
    return LeaveToFirstPart(index, "rules of this kind run in part 1");
  }
  if (HasScript(rule.sqlBefore) && FirstPart()) SQLExec(rule.sqlBefore, true, true);

  std::string name = rule.TabName;
  if (rule.Mode == kRuleClear) {
    std::snprintf(text, sizeof text, "Clearing %d table(s)", static_cast<int>(rule.ClTab.size()));
    name = text;
  }
  if (!options_.consoleMode) {
    if (pending_) {
      SetCell(kConsoleState, "Starting...");
    } else {
      Console(kAddLine, 0, name);
      Console(kSetLastLine, kConsoleState, "Starting...");
      Console(kSetLastLine, kConsoleNote, rule.note);
    }
  }

  // A rule whose row count could not be had makes no rows: any number would
  // be a guess. A count drawn at random is drawn alike in every part.
  bool countFailed = false;
  if (dataRule) {
    const ScopedRandomKey key(options_.sharded, keySeed_, index + 1, 0);
    countFailed = RowCount(rule) != 0;
  }
  if (countFailed) rule.Records = 0;
  if (dataRule) {
    if (generator_->GenerateValues(rule) != kRowOk) {
      options_.Messages().Message("Error", "Could not initialize rule", PromptIcon::kError);
      LogEntry("Could not initialize rule", "QuarnelGenerator::Run");
      return -1;
    }
    if (options_.sharded && !updates) {
      std::string why = generator_->WhyRowsFollowEarlierRows();
      // Parts in other processes could insert before part 1's delete.
      if (why.empty() && rule.InsMode == kInsReplace && !options_.barrier && options_.shard.count > 1) {
        why = "it replaces the table's rows";
      }
      if (why.empty()) {
        slice_ = RowsOfShard(rule.Records, options_.shard);
      } else if (!FirstPart()) {
        return LeaveToFirstPart(index, why);
      } else if (options_.shard.count > 1 && options_.consoleMode) {
        Console(kConsoleText, 1, "Rule " + std::to_string(index) + " is made whole in part 1: " + why + ".");
      }
      generator_->KeyRows(keySeed_, index + 1);
    }
  }
  if (dataRule) {
    const ShardRows rows = slice_.value_or(ShardRows{1, rule.Records});
    summary_.rowsAsked += static_cast<uint64_t>(std::max<int64_t>(rows.last - rows.first + 1, 0));
  }
  if (!options_.consoleMode) Console(kProgressRange, rule.Records, "");
  Trace("QuarnelGenerator::Run - inited");
  if (!options_.consoleMode) SetCell(kConsoleState, "Running...");

  watch_.Start();
  inserted_ = 0;
  rejected_ = 0;
  int result = countFailed ? kGenCountFailed : kGenOk;
  bool rolledBack = false;
  switch (countFailed ? -1 : rule.Mode) {
    case -1: break;
    case kRuleTables: result = TablesByTemplate(rule); break;
    case kRuleObjects: result = Objects(rule); break;
    case kRuleClear: result = ClearTables(rule); break;
    case kRuleData:
    case kRuleFile:
      outputs_->OpenTable(rule);
      result = rule.InsMode == kInsUpdate || rule.InsMode == kInsScramble ? UpdateData(rule, rule.InsMode == kInsScramble)
                                                                          : OneData(rule, rule.TabName);
      outputs_->CloseTable();
      if (result == kGenConnectionLost) {
        LogEntry("The connection to the database was lost: rule " + rule.TabName + " and the run stop",
                 "QuarnelGenerator::Run");
        if (options_.consoleMode) {
          Console(kConsoleText, 1,
                  "The connection to the database was lost: the run stops (" + std::to_string(inserted_) +
                      " row(s) committed, " + std::to_string(rejected_) + " rejected).");
        }
        summary_.stopped = true;
      } else if (options_.SingleTransaction && result != kGenOk) {
        if (Connected() && !project.NoExec) options_.connection->EndTran(1);
        LogEntry("The transaction of the run was rolled back", "QuarnelGenerator::Run");
        rolledBack = true;
      }
      break;
    default:
      LogEntry("Unknown rule kind " + std::to_string(rule.Mode) + " of rule " + rule.TabName, "QuarnelGenerator::Run");
      result = kGenNotAvailable;
      break;
  }
  if (!rolledBack) {
    watch_.Stop();
    generator_->ReleaseScrambleTarget();
    Trace("QuarnelGenerator::Run - statistics");
  }

  // An output file of the rule that could not be written fails it.
  if (TakeOutputFailures() && result == kGenOk) {
    result = kGenOutputFailed;
    if (dataRule && !options_.consoleMode) SetCell(kConsoleState, "Error");
  }
  // The row loop fills a data rule's line itself; console mode has no lines,
  // so every rule's outcome is printed there.
  if (!dataRule || options_.Cancelled() || options_.consoleMode || countFailed) Statistics(index, result);
  if (rolledBack) {
    // Nothing the run's transaction held is left: this rule's rows and those
    // of the rules before it in the run.
    if (!options_.consoleMode) SetCell(kConsoleState, "Rolled back");
    rejected_ += inserted_;
    inserted_ = 0;
    for (size_t k = 0; k < summary_.lines.size(); ++k) {
      summary_.lines[k].state = "Rolled back";
      summary_.lines[k].inserted = "0";
      if (!options_.consoleMode) Console(kSetCell, ruleLineRows_[k] * 100 + kConsoleState, "Rolled back");
    }
    summary_.rejected += summary_.inserted;
    summary_.inserted = 0;
  }
  ruleLineRows_.push_back(line_);
  AddRuleLine(name, index, rule, result, rolledBack);
  ++line_;
  ++summary_.rulesExecuted;
  if (result != kGenOk) ++summary_.rulesFailed;
  summary_.inserted += inserted_;
  summary_.rejected += rejected_;

  if (HasScript(rule.sqlAfter) && FirstPart()) SQLExec(rule.sqlAfter, false, true);
  ExecutedHeading(summary_.rulesExecuted, headingCount);
  outputs_->CloseRuleFiles();
  outputs_->CloseRuleXml();
  TakeOutputFailures();
  return rolledBack || result == kGenConnectionLost || options_.Cancelled() ? 1 : 0;
}

int QuarnelGenerator::LeaveToFirstPart(size_t index, const std::string& why) {
  if (options_.consoleMode) {
    Console(kConsoleText, 1, "Rule " + std::to_string(index) + ", made in part 1: " + why + ".");
  }
  outputs_->CloseRuleXml();
  return 0;
}

bool QuarnelGenerator::TakeOutputFailures() {
  const std::string failures = outputs_->TakeFailures();
  if (failures.empty()) return false;
  summary_.outputFailures += static_cast<int>(std::count(failures.begin(), failures.end(), '\n'));
  std::string_view text = failures;
  text.remove_suffix(1);
  if (options_.consoleMode) Console(kConsoleText, 1, std::string(text));
  return true;
}

void QuarnelGenerator::Statistics(size_t index, int result) {
  const char* state = options_.Cancelled() ? "Terminated" : kCompleted;
  watch_.PerSecond(inserted_, rate_);
  const int mode = options_.project->rules[index].Mode;
  const std::string count = CountText(mode, inserted_, rate_);
  char text[256];
  if (options_.consoleMode) {
    RuleLine line;
    line.rule = static_cast<int>(index);
    line.mode = mode;
    line.inserted = count;
    line.rejectedRows = rejected_;
    line.failed = result != kGenOk;
    Console(kConsoleText, 1, ConsoleRuleText(line));
  }
  char title[32];
  std::snprintf(title, sizeof title, "Rule %d:", static_cast<int>(index));
  LogEntry(count, title);
  if (!options_.consoleMode) {
    SetCell(kConsoleState, result != kGenOk ? (options_.Cancelled() ? "Cancelled" : "Error") : state);
    SetCell(kConsoleInserted, count);
    std::snprintf(text, sizeof text, "%" PRIu64, rejected_);
    SetCell(kConsoleRejected, text);
  }
}

void QuarnelGenerator::AddRuleLine(const std::string& item, size_t index, const Rule& rule, int result,
                                   bool rolledBack) {
  const bool cancelled = options_.Cancelled();
  const char* state = rolledBack       ? "Rolled back"
                      : result != kGenOk ? (cancelled ? "Cancelled" : "Error")
                                         : (cancelled ? "Terminated" : kCompleted);
  watch_.PerSecond(inserted_, rate_);
  RuleLine line{item, state, CountText(rule.Mode, inserted_, rate_), std::to_string(rejected_), rule.note};
  line.rule = static_cast<int>(index);
  line.mode = rule.Mode;
  line.rows = inserted_;
  line.rejectedRows = rejected_;
  line.seconds = watch_.Elapsed();
  line.failed = result != kGenOk || rolledBack;
  summary_.lines.push_back(std::move(line));
}

std::string ConsoleRuleText(const RuleLine& line) {
  if (line.failed) return "Error";
  char text[256];
  std::snprintf(text, sizeof text, "Rule %d, %s%s, rejected %" PRIu64 ".", line.rule,
                line.mode == kRuleClear ? "" : "inserted ", line.inserted.c_str(), line.rejectedRows);
  return text;
}

RunSummary SumOfParts(const std::vector<RunSummary>& parts) {
  RunSummary sum;
  for (const RunSummary& part : parts) {
    sum.rulesFailed += part.rulesFailed;
    sum.rowsAsked += part.rowsAsked;
    sum.inserted += part.inserted;
    sum.rejected += part.rejected;
    sum.stopped = sum.stopped || part.stopped;
    sum.outputFailures += part.outputFailures;
    sum.scriptStatementsFailed += part.scriptStatementsFailed;
    sum.cancelled = sum.cancelled || part.cancelled;
    if (sum.schemaDifferences.empty()) sum.schemaDifferences = part.schemaDifferences;
    for (const RuleLine& line : part.lines) {
      const auto same = std::find_if(sum.lines.begin(), sum.lines.end(),
                                     [&line](const RuleLine& had) { return had.rule == line.rule; });
      if (same == sum.lines.end()) {
        sum.lines.push_back(line);
        continue;
      }
      same->rows += line.rows;
      same->rejectedRows += line.rejectedRows;
      same->seconds = std::max(same->seconds, line.seconds);
      if (line.failed && !same->failed) {
        same->state = line.state;
        same->failed = true;
      }
    }
  }
  // Lines in the project's order, whichever part ran a rule first.
  std::stable_sort(sum.lines.begin(), sum.lines.end(),
                   [](const RuleLine& a, const RuleLine& b) { return a.rule < b.rule; });
  for (RuleLine& line : sum.lines) {
    line.inserted = CountText(line.mode, line.rows, RateText(line.rows, line.seconds));
    line.rejected = std::to_string(line.rejectedRows);
  }
  sum.rulesExecuted = static_cast<int>(sum.lines.size());
  return sum;
}

void QuarnelGenerator::ExecutedHeading(int executed, int ruleCount) {
  char text[160];
  std::snprintf(text, sizeof text, " Execution console: %d of %d rule%s executed ", executed, ruleCount,
                executed == 1 ? "" : "s");
  Heading(text);
}

void QuarnelGenerator::SQLExec(std::string_view script, bool isPrologue, bool isRuleLevel) {
  Trace("QuarnelGenerator:: SQLExec");
  script = TrimRight(script);
  if (!Connected() || script.empty()) {
    if (options_.ConsoleShowsPending) ++line_;
    return;
  }
  std::string title = isPrologue ? "Prologue" : "Epilogue";
  title += " SQL script";
  title += isRuleLevel ? " (rule)" : " (project)";
  if (!options_.consoleMode) {
    if (pending_) {
      SetCell(kConsoleItem, title);
    } else {
      Console(kAddLine, 0, title);
    }
    SetCell(kConsoleState, "Running...");
  }
  CParse parse;
  parse.Parse(script);
  CDB& db = *options_.connection;
  int done = 0;
  int failed = 0;
  for (const std::string& statement : parse.Statements()) {
    statement_.assign(statement);
    statement_ += "\r\n";
    outputs_->WriteSQL(statement_, nullptr);
    if (CDB::isOK(db.Exec(statement))) {
      ++done;
    } else {
      ++failed;
      LogEntry(db.ErrorText() + "\r\n" + statement, "QuarnelGenerator::SQLExec");
      if (generator_->ShowErrors()) {
        bool dontShowAgain = false;
        if (options_.Messages().ErrorDialog(db.ErrorText(), statement, dontShowAgain) != PromptAnswer::kOk) {
          options_.Cancel();
        }
        if (dontShowAgain) generator_->SetShowErrors(false);
      }
    }
    db.FreeStmt();
  }
  // Outside a single transaction the script's work is committed for good, so
  // that a later rule in autocommit mode is not left inside a transaction.
  Commit(!options_.SingleTransaction);
  summary_.scriptStatementsFailed += failed;
  if (options_.consoleMode && failed > 0) {
    Console(kConsoleText, 1, title + ": " + std::to_string(failed) + " of " + std::to_string(done + failed) +
                                 " statement(s) failed.");
  }
  if (!options_.consoleMode) {
    SetCell(kConsoleState, failed > 0 ? "Error" : kCompleted);
    SetCell(kConsoleInserted, std::to_string(done));
    SetCell(kConsoleRejected, std::to_string(failed));
  }
  ++line_;
}
