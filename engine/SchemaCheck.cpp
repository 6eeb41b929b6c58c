// The check before a run that the tables and columns of the data rules still
// match the database: every difference is listed, and any difference stops
// the run before a statement is executed.
#include <algorithm>
#include <cstdio>
#include <string>

#include "engine/Generator.h"
#include "support/Database.h"

namespace {

constexpr const char* kVerifyTitle = "Database Schema Verification";

// Closes the prompt's progress window however the check ends.
class ProgressWindow {
 public:
  explicit ProgressWindow(Prompt& prompt) : prompt_(prompt) { prompt_.Progress(kVerifyTitle, "", 0); }
  ~ProgressWindow() { prompt_.ProgressDone(); }
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;
  void Step(const std::string& status, int percent) { prompt_.Progress(kVerifyTitle, status, percent); }

 private:
  Prompt& prompt_;
};

}  // namespace

int QuarnelGenerator::VerifySchema(int first, int end, int /*flag: not read*/) {
  if (options_.consoleMode) return 0;
  Trace("QuarnelGenerator:: VerifySchema");
  differences_.clear();
  if (!Connected()) return 0;
  CDB& db = *options_.connection;
  const std::vector<Rule>& rules = options_.project->rules;
  const int ruleCount = static_cast<int>(rules.size());
  first = std::max(first, 0);
  end = std::min(end, ruleCount);
  ProgressWindow progress(options_.Messages());
  FieldList fields;
  for (int index = first; index < end; ++index) {
    const Rule& rule = rules[index];
    if (rule.Mode != kRuleData || !rule.Enabled) continue;
    progress.Step(rule.TabName, index * 100 / ruleCount);
    fields.clear();
    std::string owner, name;
    db.PrepareOwner(&owner, &name, db.Owner(), rule.TabName, 0);
    if (!CDB::isOK(db.FieldsList(&fields, name, owner, 0)) || fields.empty()) {
      char number[16];
      std::snprintf(number, sizeof number, "%d", index + 1);
      LogEntry("Table '" + rule.TabName + "' in the rule " + number + " does not exist or inaccessible [" +
                   db.ErrorText() + "]. Execution stopped.",
               "QuarnelGenerator::VerifySchema");
      differences_.push_back({rule.TabName, "", SchemaDifference::kTableUnreadable});
      continue;
    }
    auto inTable = [&fields](const std::string& column) {
      return std::ranges::any_of(fields, [&column](const FLD_DESC& f) { return f.Name == column; });
    };
    for (const ColumnRule& column : rule.Fields) {
      if (!inTable(column.Name))
        differences_.push_back({rule.TabName, column.Name, SchemaDifference::kColumnNotInTable});
    }
    // An update sets only the columns its rule lists: the table's others are
    // no difference.
    if (rule.InsMode == kInsUpdate) continue;
    for (const FLD_DESC& field : fields) {
      const bool inRule =
          std::ranges::any_of(rule.Fields, [&field](const ColumnRule& c) { return c.Name == field.Name; });
      if (!inRule) differences_.push_back({rule.TabName, field.Name, SchemaDifference::kColumnNotInRule});
    }
  }
  return static_cast<int>(differences_.size());
}

int QuarnelGenerator::VerifyProjectSchema(const RunOptions& options) {
  options_ = options;
  if (!options_.project) return 0;
  return VerifySchema(0, static_cast<int>(options_.project->rules.size()), 0);
}
