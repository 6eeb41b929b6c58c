// Update mode of a data rule: every existing row of the rule's table (those
// meeting the rule's where clause) gets new values in its generated columns,
// found by its key. The keys are read on the run connection while the
// updates run, one statement per row in autocommit, on a second connection
// with the same settings.
#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "engine/FillMethods.h"
#include "engine/Generator.h"
#include "engine/OutputFiles.h"
#include "support/Database.h"
#include "support/Log.h"

namespace {

constexpr const char* kUpdatePlace = "QuarnelGenerator::UpdateData";

// The column name of "table.column" (or of a bare name).
std::string BareName(const std::string& name) {
  const size_t point = name.rfind('.');
  return point == std::string::npos ? name : name.substr(point + 1);
}

bool SameName(const std::string& a, const std::string& b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

// Whether `text` is a plain decimal number that can stand unquoted.
bool PlainNumber(const std::string& text) {
  size_t i = text.empty() || (text[0] != '-' && text[0] != '+') ? 0 : 1;
  size_t digits = 0;
  bool point = false;
  for (; i < text.size(); ++i) {
    if (text[i] >= '0' && text[i] <= '9') {
      ++digits;
    } else if (text[i] == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digits > 0;
}

// Appends `value` as a literal: a plain number of an unquoted type as it is,
// anything else in single quotes with the quotes inside doubled, so that the
// value can never become part of the statement.
void AppendLiteral(std::string& out, const std::string& value, bool quotedType) {
  if (!quotedType && PlainNumber(value)) {
    out += value;
    return;
  }
  out += '\'';
  for (char ch : value) {
    if (ch == '\'') out += '\'';
    out += ch;
  }
  out += '\'';
}

}  // namespace

void QuarnelGenerator::UpdateProgress(int row, bool final) {
  if (options_.consoleMode) return;
  Console(kProgressPos, row, "");
  SetCell(kConsoleState, final ? kCompleted : "Running...");
  watch_.PerSecond(inserted_, rate_);
  char text[160];
  std::snprintf(text, sizeof text, "%" PRIu64 " (%s r/s)", inserted_, rate_.c_str());
  SetCell(kConsoleInserted, text);
  std::snprintf(text, sizeof text, final ? "%" PRIu64 " " : "%" PRIu64, rejected_);
  SetCell(kConsoleRejected, text);
}

void QuarnelGenerator::LogKeysAndColumns(const std::vector<std::string>& keys) const {
  char text[64];
  for (size_t k = 0; k < keys.size(); ++k) {
    std::snprintf(text, sizeof text, "PKD[%zu]=", k);
    LogEntry(text + keys[k], kUpdatePlace);
  }
  const std::vector<ColumnRule>& columns = generator_->Columns();
  for (size_t c = 0; c < columns.size(); ++c) {
    std::snprintf(text, sizeof text, "Field[%zu]=", c);
    LogEntry(text + columns[c].Name, kUpdatePlace);
  }
}

int QuarnelGenerator::UpdateRows(const Rule& rule) {
  reportInterval_ = options_.performanceMode && options_.ReportInterval > 0 ? options_.ReportInterval
                                                                             : kDefaultReportInterval;
  if (!Connected()) {
    LogEntry("No connection: update mode of rule " + rule.TabName + " changed nothing",
             "QuarnelGenerator::UpdateData, Connect");
    return kGenConnectFailed;
  }
  CDB& db = *options_.connection;
  int type = 0;
  db.Interface(&type);
  std::unique_ptr<CDB> writer = CDB::newDB(type != 0 ? type : CONN_INFO::kOdbc);
  if (!writer || !CDB::isOK(writer->Connect(db))) {
    LogEntry(writer ? writer->ErrorText() : "No connection of this interface type",
             "QuarnelGenerator::UpdateData, Connect");
    return kGenConnectFailed;
  }

  std::string owner, name;
  db.PrepareOwner(&owner, &name, db.Owner(), rule.TabName, 1);
  const std::string table = !owner.empty() && db.qualifyOwner() ? owner + "." + name : name;
  if (options_.Cancelled()) return kGenOk;

  std::vector<std::string> keys;
  for (const std::string& column : rule.updColumn)
    if (!column.empty()) keys.push_back(BareName(column));
  if (keys.empty()) {
    std::string plainOwner, plainName;
    db.PrepareOwner(&plainOwner, &plainName, db.Owner(), rule.TabName, 0);
    std::vector<PK_DESC> primary;
    if (CDB::isOK(db.PKList(&primary, plainName, plainOwner))) {
      std::ranges::sort(primary, {}, &PK_DESC::Position);
      for (const PK_DESC& key : primary) keys.push_back(key.Column);
    }
  }
  if (keys.empty()) {
    LogEntry("No PK found and not defined by user", kUpdatePlace);
    return kGenOk;
  }

  // Each key column's place among the rule's columns; a row can only be
  // found by all of its key columns.
  const std::vector<ColumnRule>& columns = generator_->Columns();
  std::vector<size_t> keyColumn(keys.size(), columns.size());
  std::vector<bool> isKey(columns.size(), false);
  std::string missing;
  for (size_t k = 0; k < keys.size(); ++k) {
    for (size_t c = 0; c < columns.size(); ++c) {
      if (SameName(columns[c].Name, keys[k])) {
        keyColumn[k] = c;
        isKey[c] = true;
        break;
      }
    }
    if (keyColumn[k] == columns.size()) missing += (missing.empty() ? "" : ",") + keys[k];
  }
  if (!missing.empty()) {
    if (std::ranges::none_of(isKey, [](bool b) { return b; })) {
      LogEntry("Empty 'Where' clause found in Update mode", kUpdatePlace);
    } else {
      LogEntry("Key column(s) " + missing + " of table " + rule.TabName +
                   " not among the rule's columns: the rows cannot be told apart, nothing was updated",
               kUpdatePlace);
    }
    LogKeysAndColumns(keys);
    return kGenOk;
  }

  // Keys, identity columns and Ignore columns keep their values.
  std::vector<bool> settable(columns.size(), false);
  for (size_t c = 0; c < columns.size(); ++c)
    settable[c] = !isKey[c] && !columns[c].IsIdentity() && columns[c].Method != kMethodIgnore;
  if (std::ranges::none_of(settable, [](bool b) { return b; })) {
    LogEntry("Rule " + rule.TabName + " has no column to update (only keys, identity and Ignore columns)",
             kUpdatePlace);
    return kGenOk;
  }

  const std::string where = rule.UpdWhere.empty() ? std::string() : " where " + rule.UpdWhere;
  statement_ = "select count(*) from " + table + where;
  int64_t count = 0;
  long indicator = 0;
  if (!CDB::isOK(db.Exec(statement_)) || !CDB::isOK(db.Fetch()) ||
      !CDB::isOK(db.GetData(1, &count, &indicator))) {
    LogEntry(db.ErrorText() + "\r\n" + statement_, kUpdatePlace);
    db.FreeStmt();
    return kGenCountFailed;
  }
  db.FreeStmt();

  std::string keyList;
  for (const std::string& key : keys) keyList += (keyList.empty() ? "" : ",") + db.QuotedStr(key);
  statement_ = "select " + keyList + " from " + table;
  if (db.serverKind() == kServerMsSql) statement_ += " with (NOLOCK)";
  statement_ += where;
  if (!CDB::isOK(db.Exec(statement_))) {
    LogEntry(db.ErrorText() + "\r\n" + statement_, kUpdatePlace);
    db.FreeStmt();
    return kGenSelectFailed;
  }
  writer->SetAutoCommit(true);
  if (!options_.consoleMode) Console(kProgressRange, static_cast<int>(std::min<int64_t>(count, INT32_MAX)), "");

  const std::string head = "update " + table +
                           (db.serverKind() == kServerMsSql && db.serverVersion() > 7 ? " with (ROWLOCK)" : "") +
                           " set ";
  const bool noExec = options_.project->NoExec != 0;
  int result = kGenOk;
  int row = 0;
  std::string condition, set, value, update;
  while (!options_.Cancelled() && CDB::isOK(db.Fetch())) {
    ++row;
    condition.clear();
    bool keysRead = true;
    for (size_t k = 0; k < keys.size() && keysRead; ++k) {
      value.clear();
      long ind = 0;
      keysRead = CDB::isOK(db.GetDataAsText(static_cast<int>(k + 1), &value, &ind));
      if (!condition.empty()) condition += " and ";
      condition += db.QuotedStr(keys[k]);
      if (ind < 0) {
        condition += " is null";
      } else {
        condition += " = ";
        AppendLiteral(condition, value, *columns[keyColumn[k]].Quote() != '\0');
      }
    }
    if (!keysRead) {
      LogEntry(db.ErrorText() + "\r\n" + statement_, kUpdatePlace);
      ++rejected_;
      continue;
    }
    if (generator_->GenOneRowValues(values_, row, textLine_, ",") != kRowOk) {
      result = kGenValueFailed;
      break;
    }
    set.clear();
    for (size_t c = 0; c < columns.size(); ++c) {
      if (!settable[c]) continue;
      if (!set.empty()) set += ',';
      set += db.QuotedStr(columns[c].Name);
      set += '=';
      set += generator_->Field(c).final;
    }
    update.assign(head);
    update += set;
    update += " where ";
    update += condition;
    update += "\r\n";
    if (options_.LogLevel == 1) LogEntry(update, "Update:");
    outputs_->WriteSQL(update, &rule);
    if (noExec) {
      ++inserted_;
    } else if (CDB::isOK(writer->Exec(update))) {
      ++inserted_;
    } else {
      ++rejected_;
      LogEntry(writer->ErrorText() + "\r\n" + update, kUpdatePlace);
    }
    writer->FreeStmt();
    if (row % reportInterval_ == 0) {
      UpdateProgress(row, false);
      const double elapsed = watch_.Elapsed();
      if (elapsed > 0 && reportInterval_ < row / elapsed && reportInterval_ < (1 << 29)) reportInterval_ *= 2;
    }
  }
  writer->Disconnect();
  watch_.Stop();
  UpdateProgress(row, true);
  db.FreeStmt();
  generator_->Patterns().Clear();
  if (options_.log) options_.log->ClearState();
  return result;
}
