// The structural rule kinds: tables made from a template and filled like a
// data rule, database objects made from a text, and clear rules that empty a
// list of tables. Each statement goes to the SQL output as well as to the
// database; with NoExec it only counts.
#include <string>

#include "engine/FillMethods.h"
#include "engine/Generator.h"
#include "engine/OutputFiles.h"
#include "project/Project.h"
#include "support/Database.h"
#include "support/Log.h"
#include "values/Random.h"

namespace {

// Object type words by OType.
constexpr const char* kObjectTypes[] = {"view", "procedure", "rule", "role", "trigger", "index"};
// Kinds whose names the servers take without an owner: a role belongs to the
// server, a trigger or an index to the schema of its table.
constexpr int kFirstUnqualifiedObject = 3;

// "   name type(size) primary key|NULL|NOT NULL" lines joined by ",\r\n";
// the names quoted as `db` (may be null) needs them.
std::string ColumnDefinitions(const std::vector<ColumnRule>& columns, const RunOptions& options, const CDB* db) {
  std::string out;
  for (const ColumnRule& column : columns) {
    if (options.Cancelled()) break;
    if (!out.empty()) out += ",\r\n";
    out += "   ";
    out += db ? db->QuotedStr(column.Name) : column.Name;
    out += ' ';
    out += column.TypeName;
    if (column.iSize > 0 && column.TypeName.find('(') == std::string::npos) out += column.sSize(1, 0);
    out += column.isKey ? " primary key" : column.isNull ? " NULL" : " NOT NULL";
  }
  return out;
}

}  // namespace

std::string QuarnelGenerator::TemplateName(const std::string& nameTemplate) {
  std::string name;
  // Letters and digits only: the characters stand in a name, which must not
  // begin with a digit.
  auto addChar = [&] {
    char c = options_.strings.RandomChar(0);
    if ((name.empty() || name.back() == '.') && c >= '0' && c <= '9') c = static_cast<char>('a' + (c - '0'));
    name += c;
  };
  for (char ch : nameTemplate) {
    if (ch == '*') {
      for (int n = (RandomDraw() & 7) + 1; n > 0; --n) addChar();
    } else if (ch == '?') {
      addChar();
    } else {
      name += ch;
    }
  }
  return name;
}

void QuarnelGenerator::DropBeforeCreate(const std::string& statement, const Rule& rule, const char* title) {
  outputs_->WriteSQL(statement, &rule);
  if (options_.project->NoExec || !Connected()) return;
  CDB& db = *options_.connection;
  const bool ok = CDB::isOK(db.Exec(statement));
  if (!ok) {
    LogEntry(db.ErrorText() + "\r\n" + statement, title);
  } else if (options_.LogLevel == 1) {
    LogEntry(statement, title);
  }
  db.FreeStmt();
}

int QuarnelGenerator::TablesByTemplate(Rule& rule) {
  Trace("QuarnelGenerator::TablesByTemplate");
  // The tables are filled like a data rule into each new name.
  RowCount(rule);
  if (generator_->GenerateValues(rule) != kRowOk) {
    options_.Messages().Message("Error", "Could not initialize rule", PromptIcon::kError);
    LogEntry("Could not initialize rule", "QuarnelGenerator::TablesByTemplate");
    return kGenRowFailed;
  }
  const CDB* db = options_.connection;
  const std::string definitions = ColumnDefinitions(rule.Fields, options_, db);
  const bool noExec = options_.project->NoExec != 0 || !Connected();
  int result = kGenOk;
  for (int t = 0; t < rule.nTables && !options_.Cancelled(); ++t) {
    const std::string name = TemplateName(rule.TabName);
    // The rows go into the same quoted name (OneData quotes it alike).
    const std::string table = db ? db->QualifiedName(name) : name;
    if (rule.InsMode == kInsReplace) DropBeforeCreate("\r\ndrop table " + table + "\r\n", rule, "Drop Table");
    const std::string create = "\r\ncreate table " + table + "(\r\n" + definitions + ")\r\n";
    outputs_->WriteSQL(create, &rule);
    bool created = noExec;
    if (!noExec) {
      created = CDB::isOK(ExecStatement(create));
      options_.connection->FreeStmt();
    }
    if (created) {
      outputs_->OpenTable(rule);
      const int filled = OneData(rule, name);
      outputs_->CloseTable();
      if (filled != kGenOk) result = filled;
    }
    Commit(t + 1 == rule.nTables);
    if (result != kGenOk) break;
  }
  // A commit that was not the last opened a transaction nothing used.
  if (!noExec) options_.connection->SetAutoCommit(true);
  return result;
}

int QuarnelGenerator::Objects(const Rule& rule) {
  Trace("QuarnelGenerator::Objects");
  const char* type = rule.OType >= 0 && rule.OType < static_cast<int>(std::size(kObjectTypes))
                         ? kObjectTypes[rule.OType]
                         : nullptr;
  if (!type) {
    LogEntry("Unknown object type " + std::to_string(rule.OType) + " of rule " + rule.TabName,
             "QuarnelGenerator::Objects");
    return kGenRowFailed;
  }
  const bool noExec = options_.project->NoExec != 0 || !Connected();
  const CDB* db = options_.connection;
  for (int t = 0; t < rule.nTables && !options_.Cancelled(); ++t) {
    const std::string name = TemplateName(rule.TabName);
    const std::string object =
        !db ? name : rule.OType >= kFirstUnqualifiedObject ? db->QuotedStr(name) : db->QualifiedName(name);
    if (rule.InsMode == kInsReplace)
      DropBeforeCreate("\r\ndrop " + std::string(type) + " " + object + "\r\n", rule, "Drop Object");
    const std::string create = "\r\ncreate " + std::string(type) + " " + object + "\r\n" + rule.OText + "\r\n";
    outputs_->WriteSQL(create, &rule);
    if (noExec) {
      ++inserted_;
    } else {
      ExecStatement(create);
      options_.connection->FreeStmt();
    }
    Commit(t + 1 == rule.nTables);
  }
  if (!noExec) options_.connection->SetAutoCommit(true);
  return kGenOk;
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
    const std::string name = db ? db->QualifiedName(entry.ClTab) : entry.ClTab;
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
