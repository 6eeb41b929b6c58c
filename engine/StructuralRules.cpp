// The structural rule kinds. Clear rules empty their tables here and update
// mode is dispatched to UpdateRows; the schema check before a run, tables by
// template, objects and the scramble mode are not carried out by this build
// yet: each says so in the log and returns kGenNotAvailable, so a run reports
// the rule as failed instead of done.
#include <string>

#include "engine/Generator.h"
#include "engine/OutputFiles.h"
#include "project/Project.h"
#include "support/Database.h"
#include "support/Log.h"

namespace {

int NotAvailable(const RunOptions& options, const std::string& what, const char* place) {
  if (options.log) options.log->Bug(what + " is not available in this build; nothing was done", place);
  return kGenNotAvailable;
}

}  // namespace

int QuarnelGenerator::VerifySchema(int first, int end, int /*flag: selects nothing*/) {
  if (options_.consoleMode) return 0;
  return NotAvailable(options_,
                      "Schema verification of rules " + std::to_string(first + 1) + " to " + std::to_string(end),
                      "QuarnelGenerator::VerifySchema");
}

int QuarnelGenerator::UpdateData(const Rule& rule, bool scramble) {
  if (!scramble) return UpdateRows(rule);
  return NotAvailable(options_, "Scramble mode of rule " + rule.TabName, "QuarnelGenerator::UpdateData");
}

int QuarnelGenerator::TablesByTemplate(Rule& rule) {
  return NotAvailable(options_, "Tables by template " + rule.TabName, "QuarnelGenerator::TablesByTemplate");
}

int QuarnelGenerator::Objects(const Rule& rule) {
  return NotAvailable(options_, "Objects by template " + rule.TabName, "QuarnelGenerator::Objects");
}

int QuarnelGenerator::ClearTables(const Rule& rule) {
  const Project& project = *options_.project;
  const size_t listed = rule.ClTab.size();
  CDB* db = Connected() ? options_.connection : nullptr;
  bool open = false;  // a transaction opened by a commit that was not the last
  for (size_t i = 0; i < listed && !options_.Cancelled(); ++i) {
    const ClearTable& entry = rule.ClTab[i];
    if (!entry.ClUse) continue;
    if (!options_.consoleMode)
      SetCell(kConsoleState, entry.ClTab + ", " + std::to_string(i + 1) + "/" + std::to_string(listed));
    std::string name = entry.ClTab;
    if (name.find('.') == std::string::npos && db && !db->IsEmptyOwner()) name = db->Owner() + "." + name;
    const std::string statement = "delete from " + name + "\r\n";
    outputs_->WriteSQL(statement, &rule);
    if (project.NoExec || !db)
      ++inserted_;
    else
      ExecStatement(statement);
    const bool last = i + 1 == listed;
    Commit(last);
    open = !last && db && !project.NoExec;
  }
  // The commit after an earlier table opened a transaction that no later
  // delete used: back to autocommit, so the next rule's rows are not caught in it.
  if (open) db->SetAutoCommit(true);
  return kGenOk;
}
