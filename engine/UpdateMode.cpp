// Update and scramble modes of a data rule. Both read the existing rows of
// the rule's table that meet its where clause on the run connection and keep
// that result open while they write through a second connection.
// Update: every row gets new values in its generated columns, found by its
// key and the where clause again, one statement per row in autocommit on a
// connection with the run's settings.
// Scramble: every row is inserted into the target table through the scramble
// target connection, Ignore columns copied unchanged and the others with new
// values, in transactions of PerTrans rows.
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
#include "engine/ScrambleTarget.h"
#include "support/Database.h"
#include "support/Log.h"

namespace {

constexpr const char* kUpdatePlace = "QuarnelGenerator::UpdateData";

// Whether the statement `db` ran last changed a row (a driver that cannot
// tell is taken at its word).
bool UpdatedAnyRow(CDB& db) {
  int64_t rows = -1;
  return !CDB::isOK(db.NRecords(&rows)) || rows != 0;
}

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
void AppendLiteral(std::string& out, const std::string& value, bool quotedType, const CDB& db) {
  if (!quotedType && PlainNumber(value)) {
    out += value;
    return;
  }
  db.AppendTextLiteral(out, value);
}

struct ColumnFacts {
  bool identity = false;
  bool binary = false;
  bool described = false;  // by the table; else the rule's own knowledge
};

// The facts of each rule column from the table's own description; a column
// the table does not describe keeps what the rule knows of it.
std::vector<ColumnFacts> TableColumnFacts(CDB& db, const std::string& table, const std::string& owner,
                                          const std::vector<ColumnRule>& columns) {
  FieldList fields;
  if (!CDB::isOK(db.FieldsList(&fields, table, owner, 0))) fields.clear();
  db.FreeStmt();
  std::vector<ColumnFacts> facts(columns.size());
  for (size_t c = 0; c < columns.size(); ++c) {
    const auto found = std::ranges::find_if(fields, [&](const FLD_DESC& f) { return SameName(f.Name, columns[c].Name); });
    facts[c].described = found != fields.end();
    const FLD_DESC& known = facts[c].described ? static_cast<const FLD_DESC&>(*found) : columns[c];
    // Either may know a column as identity: leaving it to the database is safe.
    facts[c].identity = known.IsIdentity() != 0 || columns[c].IsIdentity() != 0;
    facts[c].binary = FLD_DESC::TypeIsBinary(known.iType);
  }
  return facts;
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

int QuarnelGenerator::UpdateData(const Rule& rule, bool scramble) {
  reportInterval_ = options_.performanceMode && options_.ReportInterval > 0 ? options_.ReportInterval
                                                                             : kDefaultReportInterval;
  if (!Connected()) {
    LogEntry("No connection: rule " + rule.TabName + " changed nothing", "QuarnelGenerator::UpdateData, Connect");
    return kGenConnectFailed;
  }
  CDB& db = *options_.connection;
  std::unique_ptr<CDB> ownWriter;
  CDB* writer = nullptr;
  if (scramble) {
    writer = generator_->ScrambleTarget();
    if (!writer) {
      LogEntry("Wrong target DataBase", kUpdatePlace);
      if (!options_.consoleMode) SetCell(kConsoleState, "Stop on Error");
      return kGenTargetFailed;
    }
  } else {
    int type = 0;
    db.Interface(&type);
    ownWriter = CDB::newDB(type != 0 ? type : CONN_INFO::kOdbc);
    if (!ownWriter || !CDB::isOK(ownWriter->Connect(db))) {
      LogEntry(ownWriter ? ownWriter->ErrorText() : "No connection of this interface type",
               "QuarnelGenerator::UpdateData, Connect");
      return kGenConnectFailed;
    }
    writer = ownWriter.get();
  }

  const std::string table = db.QualifiedName(rule.TabName);
  if (options_.Cancelled()) return kGenOk;

  std::string plainOwner, plainName;
  db.PrepareOwner(&plainOwner, &plainName, db.Owner(), rule.TabName, 0);
  // A scramble copies rows and needs no key; an update finds each row by it.
  std::vector<std::string> keys;
  for (const std::string& column : rule.updColumn)
    if (!column.empty() && !scramble) keys.push_back(BareName(column));
  if (keys.empty() && !scramble) {
    std::vector<PK_DESC> primary;
    if (CDB::isOK(db.PKList(&primary, plainName, plainOwner))) {
      std::ranges::sort(primary, {}, &PK_DESC::Position);
      for (const PK_DESC& key : primary) keys.push_back(key.Column);
    }
  }
  if (keys.empty() && !scramble) {
    LogEntry("No PK found and not defined by user", kUpdatePlace);
    return kGenOk;
  }

  // Each key column's place among the rule's columns; an update can only
  // find a row by all of its key columns.
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
  if (!scramble && !missing.empty()) {
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

  // Which columns are identity or binary columns the table says now: a
  // project read from a file may not know, or the table may have changed.
  std::vector<ColumnFacts> facts = TableColumnFacts(db, plainName, plainOwner, columns);
  // Update: keys, identity and Ignore columns keep their values. Scramble:
  // identity columns are left to the target, Ignore columns are copied.
  std::vector<bool> written(columns.size(), false);
  for (size_t c = 0; c < columns.size(); ++c)
    written[c] = !facts[c].identity && (scramble || (!isKey[c] && columns[c].Method != kMethodIgnore));
  if (std::ranges::none_of(written, [](bool b) { return b; })) {
    LogEntry("Rule " + rule.TabName + " has no column to write (only keys, identity and Ignore columns)",
             kUpdatePlace);
    return scramble ? kGenTargetFailed : kGenOk;
  }
  // Only now, when the rule can run, may the target be made anew.
  if (scramble) {
    if (PrepareScrambleTable(rule, writer) != kScrambleTableReady) {
      if (!options_.consoleMode) SetCell(kConsoleState, "Stop on Error");
      return kGenTargetFailed;
    }
    // An identity column is left out only where the target fills it too: a
    // table made on a server of another kind may have none there.
    std::string targetOwner, targetName;
    writer->PrepareOwner(&targetOwner, &targetName, writer->Owner(), rule.sTarget, 0);
    const std::vector<ColumnFacts> target = TableColumnFacts(*writer, targetName, targetOwner, columns);
    for (size_t c = 0; c < columns.size(); ++c) {
      if (target[c].described && !target[c].identity) written[c] = true;
    }
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

  // The select names what it reads: the keys, then (scramble) the Ignore
  // columns, so that each copied value comes from its own column whatever
  // the order of the table's columns.
  std::string selectList;
  for (const std::string& key : keys) selectList += (selectList.empty() ? "" : ",") + db.QuotedStr(key);
  std::vector<int> source(columns.size(), 0);  // select position of a copied column
  int position = static_cast<int>(keys.size());
  std::string insertList;
  for (size_t c = 0; scramble && c < columns.size(); ++c) {
    if (!written[c]) continue;
    if (!insertList.empty()) insertList += ',';
    insertList += writer->QuotedStr(columns[c].Name);
    if (columns[c].Method != kMethodIgnore) continue;
    selectList += (selectList.empty() ? "" : ",") + db.QuotedStr(columns[c].Name);
    source[c] = ++position;
  }
  statement_ = "select " + (selectList.empty() ? std::string("1") : selectList) + " from " + table;
  if (db.serverKind() == kServerMsSql) statement_ += " with (NOLOCK)";
  statement_ += where;
  if (!CDB::isOK(db.Exec(statement_))) {
    LogEntry(db.ErrorText() + "\r\n" + statement_, kUpdatePlace);
    db.FreeStmt();
    return kGenSelectFailed;
  }
  const bool noExec = options_.project->NoExec != 0;
  if (scramble) {
    inTransaction_ = !noExec;
    uncommitted_ = 0;
    if (!noExec) writer->BeginTran();
  } else {
    writer->SetAutoCommit(true);
  }
  if (!options_.consoleMode) Console(kProgressRange, static_cast<int>(std::min<int64_t>(count, INT32_MAX)), "");

  std::string head;
  if (scramble) {
    head = "insert into " + ScrambleTargetName(rule, *writer) + "(" + insertList + ")\r\n values(";
  } else {
    head = "update " + table +
           (db.serverKind() == kServerMsSql && db.serverVersion() > 7 ? " with (ROWLOCK)" : "") + " set ";
  }
  // The update finds its row by the key and, when the rule has a where
  // clause, by that clause too: a key the user chose that is not unique can
  // never reach rows outside the clause.
  const std::string keep = rule.UpdWhere.empty() ? std::string() : " and (" + rule.UpdWhere + ")";
  const char* title = scramble ? "Scramble:" : "Update:";
  int result = kGenOk;
  int row = 0;
  std::string condition, value, statement;
  while (!options_.Cancelled() && CDB::isOK(db.Fetch())) {
    ++row;
    condition.clear();
    bool read = true;
    for (size_t k = 0; k < keys.size() && read && !scramble; ++k) {
      value.clear();
      long ind = 0;
      read = CDB::isOK(db.GetDataAsText(static_cast<int>(k + 1), &value, &ind));
      if (!condition.empty()) condition += " and ";
      condition += db.QuotedStr(keys[k]);
      if (ind < 0) {
        condition += " is null";
      } else {
        condition += " = ";
        AppendLiteral(condition, value, *columns[keyColumn[k]].Quote() != '\0', db);
      }
    }
    if (read && generator_->GenOneRowValues(values_, row, textLine_, ",") != kRowOk) {
      result = kGenValueFailed;
      break;
    }
    statement.assign(head);
    bool firstPart = true;
    for (size_t c = 0; c < columns.size() && read; ++c) {
      if (!written[c]) continue;
      if (!firstPart) statement += ',';
      firstPart = false;
      if (!scramble) {
        statement += db.QuotedStr(columns[c].Name);
        statement += '=';
      }
      if (source[c] == 0) {
        statement += generator_->Field(c).final;
        continue;
      }
      value.clear();
      long ind = 0;
      if (facts[c].binary) {
        // Bytes as they are, never through a text conversion of the driver.
        read = CDB::isOK(db.GetDataAsBytes(source[c], &value, &ind));
        statement += ind < 0 ? std::string("NULL") : writer->BinaryLiteral(value);
        continue;
      }
      read = CDB::isOK(db.GetDataAsText(source[c], &value, &ind));
      int expression = 0;
      if (ind >= 0) generator_->ApplyDateConversion(value, c, expression);
      if (ind < 0) {
        statement += "NULL";
      } else if (expression) {
        statement += value;
      } else {
        AppendLiteral(statement, value, *columns[c].Quote() != '\0', *writer);
      }
    }
    if (!read) {
      LogEntry(db.ErrorText() + "\r\n" + statement_, kUpdatePlace);
      ++rejected_;
      continue;
    }
    if (scramble) {
      statement += ")\r\n";
    } else {
      statement += " where ";
      statement += condition;
      statement += keep;
      statement += "\r\n";
    }
    if (options_.LogLevel == 1) LogEntry(statement, title);
    outputs_->WriteSQL(statement, &rule);
    if (noExec) {
      ++inserted_;
    } else {
      const bool ran = CDB::isOK(writer->Exec(statement));
      // An update that matched nothing ran, but changed no row.
      if (ran && (scramble || UpdatedAnyRow(*writer))) {
        ++inserted_;
        if (inTransaction_) ++uncommitted_;
      } else {
        ++rejected_;
        LogEntry((ran ? std::string("The update changed no row") : writer->ErrorText()) + "\r\n" + statement,
                 kUpdatePlace);
        if (!ran && writer->connectionLost()) {
          writer->FreeStmt();
          result = kGenConnectionLost;
          break;
        }
      }
    }
    writer->FreeStmt();
    if (scramble && rule.PerTrans > 0 && row % rule.PerTrans == 0) Commit(false);
    if (row % reportInterval_ == 0) {
      UpdateProgress(row, false);
      const double elapsed = watch_.Elapsed();
      if (elapsed > 0 && reportInterval_ < row / elapsed && reportInterval_ < (1 << 29)) reportInterval_ *= 2;
    }
  }
  if (scramble) {
    // A row that could not be made ends the rule; what was copied before it stays.
    Commit(true);
    inTransaction_ = false;
  } else {
    writer->Disconnect();
  }
  watch_.Stop();
  UpdateProgress(row, true);
  db.FreeStmt();
  generator_->Patterns().Clear();
  if (options_.log) options_.log->ClearState();
  return result;
}
