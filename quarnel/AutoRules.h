// AutoRules: builds data rules from the schema of the connected database.
// One table gets one data rule whose column rules are chosen from each
// column's type, foreign keys, check constraints and name; a list of tables is
// first put into an order in which every table follows the tables its foreign
// keys refer to.
//
// Where the foreign keys of the listed tables form a cycle (or a table refers
// to itself) and the key columns are nullable, the cycle is broken: the insert
// rule leaves those columns NULL and an update rule placed after the referenced
// table's rule fills them from it. A cycle without a nullable key column is
// logged and its tables keep the order they were given in.
//
// REQUIRES: the connection, the log and the prompt outlive the object; the
// object is used by one thread at a time (the connection is not shared).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "project/Project.h"
#include "support/Database.h"
#include "support/ServerTypes.h"

class CLog;
class Prompt;
class ProgramSettings;
class ProjectDocument;

// The program settings the rule builder reads (groups 2 and 4).
struct AutoRuleSettings {
  int StringLen = 1;
  int StringLenTo = 4096;
  int DefDigits = 0;
  std::string NullFactor = "10";
  int DefRuleType = 0;
  int DefScrMode = 0;
  int IgnoreTimeStamps = 1;
  std::string Rows = "1000";
  std::string PerTran = "500";
  std::string DateFormat = "YYYY-MM-DD";
  std::string TimeFormat = "HH:MM:SS";
  int YearFrom = 1950;
  int YearTo = 2020;
};

AutoRuleSettings AutoRuleSettingsFrom(const ProgramSettings& settings);

// The wait window: `show` puts a text in it, `cancelled` tells whether the
// user cancelled it. Either may be empty.
struct AutoProgress {
  std::function<void(const std::string&)> show;
  std::function<bool()> cancelled;
};

// A foreign key left NULL by the insert rule of `table` and filled by an
// update rule once `refTable` has rows.
struct DeferredKey {
  std::string table;     // as given
  std::string refTable;  // as given (the listed name the key refers to)
  std::vector<std::string> columns;
};

struct TableOrder {
  std::vector<std::string> tables;      // every given table, in the order to fill them
  std::vector<std::string> unresolved;  // given tables the key order alone could not place
  std::vector<DeferredKey> deferred;
};

class AutoRules {
 public:
  static constexpr int kCancelled = -3;
  static constexpr int kNotConnected = -10;
  static constexpr int kNoTable = -11;       // no table name, or the table has no columns
  static constexpr int kRuleNotOpened = -12;  // the user chose not to open a rule of a missing table

  // `log` may be null; a null `prompt` means the current prompt.
  AutoRules(CDB& db, const AutoRuleSettings& settings, CLog* log = nullptr, Prompt* prompt = nullptr);

  void setProgress(AutoProgress progress) { progress_ = std::move(progress); }

  // Appends one data rule for `table` and marks the document modified.
  // Returns 0, or the status of MakeRule (nothing is appended then).
  int AddOneAuto(ProjectDocument& document, const std::string& table);
  // Orders the tables, optionally removes every rule first, builds one rule per
  // table (plus the update rules of broken key cycles) and optionally puts a
  // clear rule on top. Returns 0, kCancelled (the rules built so far stay), or
  // kNotConnected.
  int AddListAuto(ProjectDocument& document, const std::vector<std::string>& tables,
                  bool removeAllRules, bool addClearRule);
  // The order of AddListAuto. Returns 0 or kCancelled.
  int OrderTables(const std::vector<std::string>& tables, TableOrder* order);

  // Fills a new rule's column rules from the table's structure, or refreshes
  // them: column rules of dropped columns go, new columns get default column
  // rules at their place, existing column rules stay as they are. Returns 0,
  // kNotConnected, kNoTable or kRuleNotOpened; the rule is unchanged on failure.
  int MakeRule(const std::string& table, Rule& rule);
  // A rule without columns that starts as the settings say: insert mode,
  // rows and transaction size.
  Rule NewAutoRule() const;
  // One column rule with defaults, appended to `rule` or inserted before
  // `position` when it is within the rule's columns.
  // `serverType`, when given, is the server's own description of the column.
  void DefaultColumnRule(Rule& rule, const FLD_DESC& column, const std::vector<FK_DESC>& keys,
                         int unique, const std::vector<std::string>& checks, int position = -1,
                         const ServerColumnType* serverType = nullptr);
  // The first column-name rule that matches gives a library list or a pattern.
  static void ApplyNameRule(ColumnRule& column);
  // Narrows the column's bounds, or makes a value list, from the clauses of
  // the check texts that name the column. Clauses it cannot read are logged
  // and skipped.
  void ApplyCheckConstraints(ColumnRule& column, const std::vector<std::string>& checks);

 private:
  struct TableFacts;
  bool Cancelled() const;
  void Show(const std::string& text) const;
  void Trace(const std::string& text) const;
  void Error(const std::string& text, const std::string& where) const;
  // Name without the connection's identifier quotes.
  std::string PlainName(const std::string& table) const;
  int ReadForeignKeys(const std::string& table, std::vector<FK_DESC>* keys);
  int ReadTable(const std::string& table, TableFacts* facts);
  std::vector<DeferredKey> BreakCycles(const std::vector<std::string>& given,
                                       std::vector<std::string>& ordered,
                                       const std::vector<std::string>& unresolved);
  int BuildUpdateRule(const std::string& table, const std::vector<std::string>& columns, Rule* rule);

  CDB& db_;
  AutoRuleSettings settings_;
  CLog* log_;
  Prompt* prompt_;
  AutoProgress progress_;
};
