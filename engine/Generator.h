// QuarnelGenerator: runs one project against the run connection. Run walks
// the project prologue, every selected and enabled rule with its own scripts,
// and the project epilogue; a data rule is filled row by row by OneData, which
// delivers each row as an insert statement (in transactions of the rule's
// size) or through a bulk load, and to the SQL, text and XML outputs.
// Progress goes to the console callback of the run options, trace and error
// entries to their log.
//
// Every operation reports through integer statuses; nothing throws out of
// here. The object lives for one run (or several runs one after the other).
//
// REQUIRES: the connection, project, log, value library and global variables
// named by the run options outlive Run; one thread uses the object. Only the
// cancel flag may be written from another thread during a run.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "GenTmpl/PatternEngine.h"
#include "engine/RunOptions.h"
#include "engine/Shards.h"
#include "project/PatternForm.h"
#include "project/Project.h"
#include "support/PreparedInsert.h"
#include "support/TimeCounter.h"

class BackgroundTask;
class CDB;
class OutputFiles;
class BulkStream;
class RowGenerator;

// Results of OneData and of the rule kinds the run driver dispatches to.
enum GeneratorStatus {
  kGenOk = 0,
  kGenRowFailed = 1,             // a row could not be generated
  kGenCancelled = -1,            // cancelled before the rule started
  kGenSingleTranFailed = -10,    // a statement failed under SingleTransaction
  kGenConnectionLost = -20,      // the database went out of reach during the rule
  kGenOutputFailed = 5,          // an output file of the rule could not be opened or written
  kGenNotAvailable = -100,       // the rule kind is unknown to this build
  // Update and scramble modes.
  kGenTargetFailed = -1,         // the scramble target table could not be prepared
  kGenConnectFailed = 1,         // the writing connection could not be connected
  kGenCountFailed = -2,          // the count query failed
  kGenSelectFailed = -4,         // the select of the keys failed
  kGenValueFailed = 4,           // a value could not be generated
};

// Results of PrepareScrambleTable.
enum ScrambleTableStatus {
  kScrambleTableReady = 0,
  kScrambleNoCreateText = -1,    // the source table's create statement could not be read
  kScrambleCreateFailed = 1,     // the target's create statement failed
  kScrambleNoTarget = -10,       // there is no target connection
};

// One difference VerifySchema found between a data rule and its table.
struct SchemaDifference {
  enum Kind {
    kColumnNotInTable = 0,   // a column of the rule is missing from the table
    kTableUnreadable = 1,    // the table does not exist or cannot be read
    kColumnNotInRule = 2,    // a column of the table is missing from the rule
  };
  std::string table;
  std::string column;  // empty for kTableUnreadable
  int kind = kColumnNotInTable;
};

// One rule that ran, with the texts its execution-console line ends with
// (the columns of ConsoleColumn), also in console mode, which has no lines.
struct RuleLine {
  std::string item;      // TabName, or "Clearing %d table(s)"
  std::string state;     // "Done", "Terminated", "Error", "Cancelled" or "Rolled back"
  std::string inserted;  // "%I64d (%s r/s)"
  std::string rejected;
  std::string note;
  // The same as numbers, for summing the lines of the parts of one run.
  int rule = -1;  // index in the project
  int mode = 0;
  uint64_t rows = 0;
  uint64_t rejectedRows = 0;
  double seconds = 0;
  bool failed = false;
};

// What a run did, for callers that report an outcome (the exit status of
// console mode, the benchmark, the execution report of console mode).
struct RunSummary {
  int rulesExecuted = 0;   // rules that reached their statistics
  int rulesFailed = 0;     // of those, rules whose kind or row loop returned an error
  uint64_t rowsAsked = 0;  // rows the data rules set out to make: their parts' slices, or all
  uint64_t inserted = 0;   // over all rules
  uint64_t rejected = 0;
  bool stopped = false;    // ended early: schema check, a rule's set-up, or bulk insert with autocommit
  int outputFailures = 0;  // output files that could not be opened or written
  int scriptStatementsFailed = 0;  // statements of prologue and epilogue scripts that failed
  bool cancelled = false;
  std::vector<RuleLine> lines;  // the rules that ran, in run order
  // What the schema check found when it stopped the run; empty otherwise.
  std::vector<SchemaDifference> schemaDifferences;
};

// One summary of the parts of a run that ran side by side: counts added, a
// rule's line once with its rows summed over the parts (its rate over the
// slowest part's time) and its state the worst of the parts'.
RunSummary SumOfParts(const std::vector<RunSummary>& parts);
// The line console mode prints for a finished rule.
std::string ConsoleRuleText(const RuleLine& line);

// The date, time and size settings of a run's pattern forms.
PatternSettings PatternSettingsOf(const RunOptions& options);
// The pattern forms of the project's named generators, as a run's $Call finds
// them; `db` (may be null) quotes the names of linked tables.
std::vector<NamedGenerator> NamedGeneratorPatterns(const Project& project, const PatternSettings& settings,
                                                   const CDB* db);

class QuarnelGenerator {
 public:
  // Longest run of rows between console updates outside performance mode.
  static constexpr int kDefaultReportInterval = 100;
  // Most rows of one insert statement on SQL Server.
  static constexpr int kMsSqlMaxRows = 1000;
  // Rows handed to the database at a time (at least one statement's worth),
  // unless a transaction ends sooner.
  static constexpr int kPieceRows = 2000;
  // Block size of the copy of a loaded bulk file to the text outputs.
  static constexpr size_t kBulkCopyBlock = 20480;
  // State text of a rule or script that ended normally.
  static constexpr const char* kCompleted = "Done";

  QuarnelGenerator();
  ~QuarnelGenerator();
  QuarnelGenerator(const QuarnelGenerator&) = delete;
  QuarnelGenerator& operator=(const QuarnelGenerator&) = delete;

  // Runs the project of `options`, which are copied for the run.
  void Run(const RunOptions& options);
  const RunSummary& Summary() const { return summary_; }

  // Runs one prologue or epilogue script statement by statement.
  void SQLExec(std::string_view script, bool isPrologue, bool isRuleLevel);

  // The row loop of a data rule into table `tableName`; a GeneratorStatus.
  int OneData(const Rule& rule, const std::string& tableName);
  // Executes one counted statement on the run connection: success adds to the
  // inserted counter, failure (logged with the driver's text) to the rejected
  // counter. Returns the connection's status.
  int ExecStatement(const std::string& statement);
  // Ends the current transaction with commit; unless `final`, opens the next.
  // `line`: the SQL output receives its COMMIT line (when the project asks).
  // Rows of a transaction whose commit failed are moved from the inserted to
  // the rejected counter. Returns the connection's status (kDbOk when there
  // is nothing to commit).
  int Commit(bool final, bool line = true);
  // Loads `rows` rows from the temporary bulk file and copies it to the text
  // outputs; `first` is the rule's first load.
  void BulkExec(int rows, const Rule& rule, bool first);

  // Rows per insert statement on `db`: RowsPerStatement where the server
  // takes multi-row inserts (at most kMsSqlMaxRows on SQL Server), else 1.
  int RowsPerStatementFor(const CDB& db) const;

  uint64_t Inserted() const { return inserted_; }
  uint64_t Rejected() const { return rejected_; }

  // Sets the rule's Records from its row-count mode. Returns 0, or 1 when a
  // count statement failed (Records then keeps its stored value).
  int RowCount(Rule& rule);

  // Update mode (scramble false) rewrites the generated columns of the
  // rule's existing rows in place, found by their key. Scramble mode copies
  // the rows into the rule's target table through the scramble target
  // connection, Ignore columns unchanged and the others with new values.
  // Both read only the rows meeting UpdWhere. A GeneratorStatus.
  int UpdateData(const Rule& rule, bool scramble);
  // Drops and creates the scramble target table from the source table's
  // create statement when RecreateScrambleTab is set; a ScrambleTableStatus.
  int PrepareScrambleTable(const Rule& rule, CDB* target);

  // Compares the enabled data rules of [first, end) with their tables and
  // returns the number of differences (0 in console mode, where no check is
  // made); the flag is not read. The differences stay in Differences().
  int VerifySchema(int first, int end, int flag);
  const std::vector<SchemaDifference>& Differences() const { return differences_; }
  // The check alone, outside a run: every enabled data rule of the project of
  // `options` against its table on the options' connection. Nothing is
  // executed or written. Returns the number of differences.
  int VerifyProjectSchema(const RunOptions& options);
  // A name from a template: "*" replaced by 1 to 8 random characters and "?"
  // by one. The statements qualify it with the connection's owner where the
  // server needs one (CDB::QualifiedName).
  std::string TemplateName(const std::string& nameTemplate);
  // The structural rule kinds: tables by template, objects and clear.
  int TablesByTemplate(Rule& rule);
  int Objects(const Rule& rule);
  int ClearTables(const Rule& rule);

 private:
  class CancelWatch;
  // Run stages.
  void SetUp(const RunOptions& options);
  // Whether this run makes the first part of the rows (or all of them):
  // scripts and the rules that cannot be made in parts run there.
  bool FirstPart() const { return !options_.sharded || options_.shard.index == 1; }
  // A part after the first skips rule `index`, which the first part makes
  // whole (`why`). Returns RunRule's 0.
  int LeaveToFirstPart(size_t index, const std::string& why);
  void CreatePendingLines(size_t first, size_t end);
  // Lines that CreatePendingLines made for `rule` (prologue, rule, epilogue).
  int PendingLinesOf(const Rule& rule) const;
  int RunRule(size_t index, int ruleCount);
  void Statistics(size_t index, int result);
  // Adds the finished rule's line to the run summary.
  // Counts and, in console mode, prints the output files that failed since
  // the last call; true when there were any.
  bool TakeOutputFailures();
  // `rolledBack`: the rule ended the run's single transaction with a rollback.
  void AddRuleLine(const std::string& item, size_t index, const Rule& rule, int result, bool rolledBack);
  void ExecutedHeading(int executed, int ruleCount);
  bool Selected(size_t index) const;

  // Console callback helpers; nothing happens without a callback.
  void Console(int message, int number, const std::string& text) const;
  void SetCell(int column, const std::string& text) const;
  void Heading(const std::string& text) const;
  void Trace(const char* text) const;
  void LogEntry(std::string_view text, std::string_view title) const;
  // Whether `script` holds anything but blanks, tabs and line ends.
  static bool HasScript(std::string_view script);

  // What statements did to the database: the inserted and rejected rows, and
  // those inserted since the last commit.
  struct RowCounts {
    uint64_t inserted = 0;
    uint64_t rejected = 0;
    uint64_t uncommitted = 0;
    bool failed = false;  // the rule must stop: a row failed under SingleTransaction, or `lost`
    bool lost = false;    // the connection to the database was lost
  };
  enum PieceCommit { kNoCommit, kCommitNext, kCommitFinal };
  // Rows made by the run's thread and delivered together: the value lists of
  // batched statements, or the lines of a COPY.
  struct RowPiece {
    std::string data;
    std::vector<size_t> ends;  // batched statements: where each row's value list ends in data
    InsertRows params;         // prepared inserts: the rows' values to bind
    int rows = 0;
    PieceCommit commit = kNoCommit;  // the transaction (and a COPY) ends after these rows
    bool last = false;               // the rule's last piece
    void Clear() {
      data.clear();
      ends.clear();
      params.Clear();
      rows = 0;
    }
  };

  // Rows a statement carries where a COPY load was asked for but cannot be used.
  static constexpr int kCopyBatchRows = 100;
  // Row loop helpers.
  // Writes and runs the delete that empties a replaced table.
  void ClearForReplace(const Rule& rule, const std::string& tableName);
  // `bulk`: the rule loads through COPY or the bulk file.
  void PrepareRuleTexts(const Rule& rule, const std::string& tableName, bool bulk);
  int ExecCounted(const std::string& statement, RowCounts& counts);
  // Sets up the rule's prepared inserts where the connection takes them.
  void PrepareInserts(bool countingOnly, bool bulk);
  // The current row's values, added to `rows` for a prepared insert.
  void AddRowParams(InsertRows& rows) const;
  // Inserts the current row (its statement in statement_) through the
  // prepared insert, else as its literal statement; counted as ExecStatement.
  int InsertRow();
  // Runs a statement of the row loop on the run's connection, where a cancel
  // of the run may cancel it.
  int ExecLoading(const std::string& statement);
  // Logs a failed statement; an error text the same as the last one's is
  // counted instead, and said once with its count by FlushRepeatedError.
  void LogFailedStatement(const std::string& error, const std::string& statement);
  void FlushRepeatedError();
  int EndTransaction(RowCounts& counts, bool final);
  void WriteCommitLine();
  // Opens the libpq connection of a COPY rule; false (logged) when it fails.
  bool StartCopy();
  // The current row, added to the piece being filled.
  void AddRowToPiece();
  bool PieceFull() const;
  // Hands the filled piece to the sending side and starts the next one.
  void HandOver(PieceCommit commit, bool last);
  // Waits for the piece in flight and takes over its counts.
  void FinishPieces();
  void TakeSentCounts();
  // Sending side: a piece as batched statements, or into the open COPY.
  void DeliverPiece(const RowPiece& piece, RowCounts& counts);
  void SendBatches(const RowPiece& piece, RowCounts& counts);
  // batch_ = the literal insert statement of `count` rows of `piece` from `row`.
  void LiteralBatch(const RowPiece& piece, size_t row, size_t count);
  // Rows of `piece` as one literal statement each.
  void SendRowByRow(const RowPiece& piece, size_t row, size_t count, RowCounts& counts);
  void CopyPiece(const RowPiece& piece, RowCounts& counts);
  void Progress(const Rule& rule, int row);
  CDB* CommitConnection() const;

  // Update and scramble helpers.
  // Writes a drop statement to the SQL output and, unless NoExec, executes
  // it; a failure is logged under `title` and otherwise ignored.
  void DropBeforeCreate(const std::string& statement, const Rule& rule, const char* title);
  void UpdateProgress(int row, bool final);
  // The "PKD[i]=" and "Field[i]=" log lines of a rule whose rows cannot be found.
  void LogKeysAndColumns(const std::vector<std::string>& keys) const;
  bool Connected() const;

  RunOptions options_;
  // A run made in parts works on a copy of the project (the run fills in its
  // variables, and parts may run side by side), with its files named after
  // its part.
  Project partProject_;
  uint64_t keySeed_ = 0;               // the keyed streams' seed of a run made in parts
  std::optional<ShardRows> slice_;     // the rows the next OneData makes; unset: all
  std::unique_ptr<OutputFiles> outputs_;
  std::unique_ptr<RowGenerator> generator_;
  std::vector<ProjectVariable> globals_;        // the run's copy, with values
  std::vector<NamedGenerator> namedGens_;
  RunSummary summary_;
  std::vector<SchemaDifference> differences_;

  bool trace_ = false;
  bool pending_ = false;   // console lines were created in advance
  int line_ = 0;           // console line of the current item
  _TimeCounter watch_;
  uint64_t inserted_ = 0;
  uint64_t rejected_ = 0;
  bool inTransaction_ = false;     // the row loop opened a transaction for its rule
  uint64_t uncommitted_ = 0;       // rows inserted since the last commit
  std::string lastError_;          // of the last failed statement logged
  uint64_t repeatedErrors_ = 0;    // failures since with the same error
  std::string bulkFile_;

  // Per rule, built once and reused by every row.
  std::string prefix_;       // "insert into T(cols) values", or the bulk statement before FIRSTROW
  std::string bulkTail_;     // the bulk statement after FIRSTROW's number
  std::string header_;
  std::string delimiter_;
  std::string values_;
  std::string textLine_;
  std::string statement_;
  std::string rate_;
  std::string scratch_;
  int reportInterval_ = kDefaultReportInterval;
  bool headerInBulk_ = false;

  // Batched statements and COPY: filled on the run's thread, sent by task_.
  int rowsPerStatement_ = 1;
  std::string copyStatement_;  // "copy T(cols) from stdin"
  std::unique_ptr<BulkStream> copy_;  // made and dropped under copyMutex_, which CancelWatch takes
  bool loadData_ = false;             // copy_ is MySQL's LOAD DATA, which reads values as made
  std::mutex copyMutex_;
  std::vector<int> ruleLineRows_;  // the console line of each of summary_.lines
  // Set while a statement or COPY of the row loop runs: only those may be
  // cancelled by CancelWatch, never a commit or a script.
  std::atomic<bool> loading_{false};
  class LoadingScope {
   public:
    explicit LoadingScope(std::atomic<bool>& flag) : flag_(flag) { flag_.store(true); }
    ~LoadingScope() { flag_.store(false); }
    LoadingScope(const LoadingScope&) = delete;
    LoadingScope& operator=(const LoadingScope&) = delete;

   private:
    std::atomic<bool>& flag_;
  };
  RowPiece pieces_[2];
  int filling_ = 0;
  // The rule's prepared inserts, used by the sending side; null where rows
  // go as literal statements.
  std::unique_ptr<PreparedInserts> inserts_;
  InsertRows rowParams_;  // the current row, where rows are sent one at a time
  RowCounts sent_;       // written by the sending side, taken over between pieces
  std::string batch_;    // the sending side's statement
  uint64_t copyRows_ = 0;     // rows put into the open COPY
  bool copyFailed_ = false;   // the open COPY's chunk is lost
  std::unique_ptr<BackgroundTask> task_;
};

// ", Rest: ..." for `rest` rows at `rate` rows per second, appended to `out`;
// nothing when the time rounds down to zero seconds.
void AppendRemainingTime(std::string& out, int64_t rest, double rate);
