// RowGenerator: the values of a data rule, column by column and row by row.
// GenerateValues prepares the rule once (caches, bounds, formats, the
// uniqueness sets, the pattern engine), GenOneRowValues then makes each row:
// it asks OneFieldValue for every column's value by its fill method, applies
// quoting, the NULL share and uniqueness, and assembles the SQL value list,
// the text line and the XML row element.
//
// Calling order per rule: GenerateValues; then GenOneRowValues for rows 1,
// 2, ... Nothing else draws values, so every output sees the same rows. The
// row's values stay readable through Field() until the next row. The pattern
// engine is prepared here (columns added, NextRow after each row); the caller
// only hands it the named generators through Patterns().
//
// The rule's column rules are copied at GenerateValues and every per-rule
// adjustment (a named generator's settings, bounds, variables) is made on the
// copy, so the project itself never changes during a run.
//
// REQUIRES: the run options (with their connection, project, log and value
// library) and the output files outlive the object; one thread uses it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "GenTmpl/PatternEngine.h"
#include "project/Project.h"
#include "support/SafeFormat.h"
#include "values/OneRandom.h"

class CDB;
class OutputFiles;
struct RunOptions;

// Result codes.
enum RowGeneratorStatus {
  kRowOk = 0,
  kRowFailed = 1,                // a value could not be made (uniqueness, a bad date)
  kRowTargetConnection = -4,     // the scramble target cannot be connected
  kRowColumnConnection = -8,     // a column's connection failed
  kRowSameTarget = -10,          // the user declined a target equal to the source
};

// One column's value in the current row.
struct RowField {
  std::string final;     // as it stands in the SQL value list ("NULL", 'text', 12)
  std::string raw;       // as the fill method produced it
  bool isNull = false;   // the method produced NULL
  int expression = 0;    // the value is SQL (a conversion), written without quotes
  bool quoted = false;   // the column's values are quoted literals
  bool included = true;  // the column takes part in the row (not Ignore, or bulk insert)
};

class RowGenerator {
 public:
  static constexpr int kCacheLists = 32;
  static constexpr int kMaxPatternEvaluations = 5;
  static constexpr size_t kMaxSqlField = 1024;
  static constexpr std::string_view kIgnored = "<ignored>";

  // `outputs` may be null: no fixed-length widths and no XML rows then.
  RowGenerator(RunOptions& options, OutputFiles* outputs);
  ~RowGenerator();
  RowGenerator(const RowGenerator&) = delete;
  RowGenerator& operator=(const RowGenerator&) = delete;

  // Prepares `rule` before its first row; 0, kRowTargetConnection or kRowSameTarget.
  int GenerateValues(const Rule& rule);
  // Whether the rule's rows are loaded in bulk, where Ignore columns keep
  // their places: the run's UseBULK unless the row loop loads otherwise.
  // `bulkFile`: the text lines are the server's bulk file, whose reader takes
  // fields as they stand.
  void SetBulkLoad(bool bulk, bool bulkFile) {
    bulkLoad_ = bulk;
    bulkFile_ = bulkFile;
  }
  // Whether GenOneRowValues makes the text line (on by default): a rule that
  // writes no text output leaves it empty and saves its making.
  void SetMakesTextLine(bool on) { makesTextLine_ = on; }
  // From now on row `row` of the rule draws from the keyed stream (seed,
  // rule, row) instead of the sequential source (a run made in parts).
  // GenerateValues turns it off.
  void KeyRows(uint64_t seed, uint64_t rule) {
    keyed_ = true;
    keySeed_ = seed;
    keyRule_ = rule;
  }
  // Why a row of the rule may depend on the rows made before it, so that the
  // rule cannot be made in parts; empty when every row stands alone.
  // Incremental columns and sequential picks do not count: StartAtRow sets
  // them. Call after GenerateValues.
  std::string WhyRowsFollowEarlierRows();
  // Sets the Incremental counters and the sequential positions as they stand
  // before row `first` (from 1), for a run that starts there.
  void StartAtRow(int64_t first);
  // Makes row `row` (from 1): `values` receives the SQL value list (joined by
  // ","), `textLine` the text line (fields joined by `delimiter`, or padded
  // when it is "<fixed length>"), and the XML row goes to the outputs' current
  // XML writer. Returns 0, or non-zero when the row could not be made (the
  // rule should stop).
  int GenOneRowValues(std::string& values, int row, std::string& textLine, std::string_view delimiter);
  // One value of column `c`, taken from source column `s` (the column itself
  // or its group leader). Returns 0 or kRowColumnConnection / kRowFailed.
  int OneFieldValue(std::string& value, size_t c, size_t s, bool& isNull, int row, int& expression);

  // The prepared columns, in rule order.
  const std::vector<ColumnRule>& Columns() const { return columns_; }
  const RowField& Field(size_t column) const;

  // Wraps a date or time value of column `c` in the run's date conversion
  // when one is set; `expression` then says the value is a complete literal.
  void ApplyDateConversion(std::string& value, size_t c, int& expression);
  // Whether making a row may read the run connection after the first row: a
  // linked table that is the rule's own table is reloaded, or a SQL
  // statement runs per row. Such rows cannot be made while others are sent.
  bool ReadsDatabasePerRow() const;

  PatternEngine& Patterns() { return patterns_; }
  // The scramble target connection made by GenerateValues, or null.
  CDB* ScrambleTarget() { return target_.get(); }
  void ReleaseScrambleTarget();
  // Whether a failing SQL statement shows the error dialog; the dialog's check
  // box turns it off for the run.
  bool ShowErrors() const { return showErrors_; }
  void SetShowErrors(bool on) { showErrors_ = on; }

 private:
  struct State;

  int PrepareTarget(const Rule& rule);
  void PrepareColumn(size_t index);
  static void PrepareValueList(const ColumnRule& column, State& state);
  // Says once when a Random date or time column has a bound its format cannot read.
  void CheckDateTimeBounds(size_t index);
  void PrepareIncremental(ColumnRule& column, State& state);
  // Which of `s`'s cached lists column `c` takes its value from (-1: none).
  // List 0 is picked from, and a sequential list moves on by that pick; the
  // others give the item of the row their group or key group picked.
  int ListOf(size_t c, size_t s) const;
  // The column `c` takes its value from: itself or its group's leader.
  size_t SourceOf(size_t c) const;
  void SkipIncremental(size_t c, int64_t rows);
  void StartAfterLast(ColumnRule& column);
  // The connection of methods 1 and 8 for column `s`, or null with the error
  // in `error` and the description in `description`.
  CDB* ColumnConnection(size_t s, std::string& error, std::string& description);

  int LinkedValue(std::string& value, size_t c, size_t s, bool& isNull, int row);
  int LoadLinked(size_t s);
  int SqlValue(std::string& value, size_t c, size_t s, bool& isNull);
  int RunSql(size_t s, bool all);
  void LoadFile(size_t s);
  // Loads a Value Library column's list; false (the error shown) when no
  // value library is open.
  bool LoadLibrary(size_t s);
  int IncrementalValue(std::string& value, size_t c);
  void PatternValue(std::string& value, size_t c, std::string_view pattern);
  // Picks from list `p` of `s`'s cache for `c`; false when the list is empty.
  bool ChooseFromList(std::string& value, size_t c, size_t s, int p, bool& isNull);
  void FormatListValue(std::string& value, size_t c, int method);
  void SetKeyGroup(size_t c, size_t s, size_t index);
  void Warn(size_t column, std::string_view caption, const std::string& text, bool error);
  void AppendNumber(std::string& out, size_t c, double value, bool asDouble);
  // An Incremental column's value: the decimal as it stands unless the
  // column's format asks for another form.
  void AppendIncrementalDecimal(std::string& out, size_t c);
  void WriteXmlRow();

  RunOptions& options_;
  OutputFiles* outputs_;
  const Rule* rule_ = nullptr;
  std::vector<ColumnRule> columns_;
  bool bulkLoad_ = false;
  bool bulkFile_ = false;
  std::vector<std::unique_ptr<State>> state_;
  PatternEngine patterns_;
  bool makesTextLine_ = true;
  const CDB* literalsFor_ = nullptr;  // where the statements go; null when nowhere
  bool backslashes_ = false;          // it reads backslashes in literals as escapes
  PatternEngine items_;  // evaluates list items used as patterns
  RandomContext random_;
  std::unique_ptr<CDB> target_;
  std::unique_ptr<CDB> freshConnection_;  // the run's settings, update and scramble modes
  bool showErrors_ = true;
  bool keyed_ = false;
  uint64_t keySeed_ = 0;
  uint64_t keyRule_ = 0;
  SafeFormat dateConversion_;
  std::string scratch_;
};
