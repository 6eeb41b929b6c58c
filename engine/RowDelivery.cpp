// How the rows of a rule reach the database in pieces: multi-row insert
// statements (a failing one sent again row by row), prepared inserts with
// bound values where the connection takes them (SQLite), or PostgreSQL's
// COPY. The run's thread fills one piece while the other is sent, by a
// second thread where the rule allows it.
#include <algorithm>

#include "engine/BackgroundTask.h"
#include "engine/FillMethods.h"
#include "engine/Generator.h"
#include "support/Database.h"
#include "support/Log.h"
#include "support/MySqlLoad.h"
#include "support/PgCopy.h"

namespace {

// Appends one field of a COPY line: the value the insert statement would
// have given the column.
void AppendCopyValue(std::string& out, const RowField& field, char quote) {
  const std::string& value = field.final;
  if (value == "NULL") {
    out += kCopyNull;
    return;
  }
  if (field.expression) {
    // A conversion the server would apply: COPY takes the value before it.
    std::string_view raw = field.raw;
    if (raw.size() >= 2 && raw.front() == '\'' && raw.back() == '\'') raw = raw.substr(1, raw.size() - 2);
    AppendCopyField(out, raw);
    return;
  }
  size_t open = 0;
  if (value.size() >= 3 && value[0] == 'N' && value[1] == '\'') {
    open = 2;
  } else if (value.size() >= 2 && (value[0] == quote || value[0] == '\'')) {
    open = 1;
  }
  if (open == 0 || value.back() != value[open - 1]) {
    AppendCopyField(out, value);
    return;
  }
  // A literal: its doubled quotes stand for one.
  const char q = value[open - 1];
  std::string_view inner(value.data() + open, value.size() - open - 1);
  for (size_t pos = 0; pos <= inner.size();) {
    size_t pair = inner.find(q, pos);
    if (pair == std::string_view::npos) pair = inner.size();
    AppendCopyField(out, inner.substr(pos, std::min(pair + 1, inner.size()) - pos));
    pos = pair + 1;
    if (pos < inner.size() && inner[pos] == q) ++pos;
  }
}

// Appends one field of a LOAD DATA line: the value as made, with what LOAD
// DATA reads as an escape escaped.
void AppendLoadValue(std::string& out, const RowField& field) {
  if (field.final == "NULL") {
    out += kCopyNull;
    return;
  }
  // A literal or a conversion: the value before the quotes; a number stands as it is.
  const std::string_view value = field.quoted || field.expression ? std::string_view(field.raw) : field.final;
  for (const char c : value) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\0': out += "\\0"; break;
      default: out += c;
    }
  }
}

}  // namespace

int QuarnelGenerator::RowsPerStatementFor(const CDB& db) const {
  const int wanted = std::max(1, options_.RowsPerStatement);
  switch (db.serverKind()) {
    case kServerPostgres:
    case kServerMySql:
    case kServerSqlite:
      return wanted;
    case kServerMsSql:
      // Row constructors came with SQL Server 2008.
      return db.serverVersion() >= 10 ? std::min(wanted, kMsSqlMaxRows) : 1;
    default:
      return 1;
  }
}

bool QuarnelGenerator::StartCopy() {
  CDB& db = *options_.connection;
  loadData_ = db.serverKind() == kServerMySql;
  if (loadData_) {
    std::lock_guard lock(copyMutex_);
    copy_ = std::make_unique<MySqlLoad>(db);
    return true;
  }
  auto copy = std::make_unique<PgCopy>();
  PgCopy& pg = *copy;
  {
    std::lock_guard lock(copyMutex_);
    copy_ = std::move(copy);
  }
  if (CDB::isOK(pg.Connect(db.Info()))) return true;
  LogEntry(pg.ErrorText(), "BULK INSERT");
  return false;
}

void QuarnelGenerator::PrepareInserts(bool countingOnly, bool bulk) {
  inserts_.reset();
  CDB* db = options_.connection;
  // Literals in another quote than the single one are not read back.
  if (countingOnly || bulk || !db || options_.DataQuote() != '\'' || !db->PreparesInserts()) return;
  size_t columns = 0;
  for (const ColumnRule& column : generator_->Columns()) {
    if (column.Method != kMethodIgnore) ++columns;
  }
  inserts_ = std::make_unique<PreparedInserts>(*db, prefix_);
  for (RowPiece& piece : pieces_) piece.params.Reset(columns);
  rowParams_.Reset(columns);
}

void QuarnelGenerator::AddRowParams(InsertRows& rows) const {
  rows.BeginRow();
  const size_t columns = generator_->Columns().size();
  for (size_t c = 0; c < columns; ++c) {
    const RowField& field = generator_->Field(c);
    if (!field.included) continue;
    // A conversion is SQL the server evaluates: the row goes as a literal statement.
    if (field.expression) {
      rows.AddUnbound();
    } else {
      rows.Add(field.final);
    }
  }
  rows.EndRow();
}

int QuarnelGenerator::InsertRow() {
  int status = kDbNotBound;
  if (inserts_) {
    rowParams_.Clear();
    AddRowParams(rowParams_);
    LoadingScope loading(loading_);
    status = inserts_->Insert(rowParams_, 0, 1);
  }
  if (status == kDbNotBound) return ExecStatement(statement_);
  CDB& db = *options_.connection;
  if (CDB::isOK(status)) {
    ++inserted_;
    if (inTransaction_) ++uncommitted_;
    if (options_.LogLevel == 1 && options_.log) options_.log->Bug(statement_, "QuarnelGenerator::ExecStatement");
    return status;
  }
  if (db.connectionLost()) {
    ++rejected_;
    LogFailedStatement(db.ErrorText(), statement_);
    return status;
  }
  // Nothing of the row stayed: its literal statement is counted and logged
  // as every other one is.
  return ExecStatement(statement_);
}

void QuarnelGenerator::AddRowToPiece() {
  RowPiece& piece = pieces_[filling_];
  ++piece.rows;
  if (!copy_) {
    piece.data += values_;
    piece.ends.push_back(piece.data.size());
    if (inserts_) AddRowParams(piece.params);
    return;
  }
  const char quote = options_.DataQuote();
  bool first = true;
  const std::vector<ColumnRule>& columns = generator_->Columns();
  for (size_t c = 0; c < columns.size(); ++c) {
    if (columns[c].Method == kMethodIgnore) continue;
    if (!first) piece.data += '\t';
    first = false;
    if (loadData_) {
      AppendLoadValue(piece.data, generator_->Field(c));
    } else {
      AppendCopyValue(piece.data, generator_->Field(c), quote);
    }
  }
  piece.data += '\n';
}

bool QuarnelGenerator::PieceFull() const {
  // A piece ends with a whole statement, so a piece never splits a batch.
  const int rows = pieces_[filling_].rows;
  return rows >= std::max(kPieceRows, rowsPerStatement_) && rows % rowsPerStatement_ == 0;
}

void QuarnelGenerator::TakeSentCounts() {
  inserted_ += sent_.inserted;
  rejected_ += sent_.rejected;
  sent_.inserted = 0;
  sent_.rejected = 0;
}

void QuarnelGenerator::HandOver(PieceCommit commit, bool last) {
  RowPiece& piece = pieces_[filling_];
  piece.commit = commit;
  piece.last = last;
  // The other piece is free again once the sending side is done with it.
  task_->Wait();
  TakeSentCounts();
  task_->Run([this, &piece] { DeliverPiece(piece, sent_); });
  if (!task_->threaded()) TakeSentCounts();
  filling_ ^= 1;
  pieces_[filling_].Clear();
}

void QuarnelGenerator::FinishPieces() {
  task_->Wait();
  TakeSentCounts();
}

void QuarnelGenerator::DeliverPiece(const RowPiece& piece, RowCounts& counts) {
  if (copy_) {
    CopyPiece(piece, counts);
  } else {
    SendBatches(piece, counts);
  }
  if (piece.commit != kNoCommit && inTransaction_ && !counts.failed) {
    EndTransaction(counts, piece.commit == kCommitFinal);
  }
}

void QuarnelGenerator::LiteralBatch(const RowPiece& piece, size_t row, size_t count) {
  batch_.assign(prefix_);
  size_t from = row == 0 ? 0 : piece.ends[row - 1];
  for (size_t k = row; k < row + count; ++k) {
    batch_ += k == row ? "(" : ",(";
    batch_.append(piece.data, from, piece.ends[k] - from);
    batch_ += ')';
    from = piece.ends[k];
  }
  batch_ += "\r\n";
}

void QuarnelGenerator::SendRowByRow(const RowPiece& piece, size_t row, size_t count, RowCounts& counts) {
  for (size_t k = row; k < row + count && !counts.failed && !options_.Cancelled(); ++k) {
    LiteralBatch(piece, k, 1);
    if (!CDB::isOK(ExecCounted(batch_, counts)) && options_.SingleTransaction) counts.failed = true;
  }
}

void QuarnelGenerator::SendBatches(const RowPiece& piece, RowCounts& counts) {
  CDB& db = *options_.connection;
  const size_t rows = piece.ends.size();
  const size_t perStatement = static_cast<size_t>(rowsPerStatement_);
  // A cancel ends the piece: its other rows are never sent.
  for (size_t row = 0; row < rows && !counts.failed && !options_.Cancelled();) {
    const size_t count = std::min(perStatement, rows - row);
    int status = kDbNotBound;
    if (inserts_) {
      LoadingScope loading(loading_);
      status = inserts_->Insert(piece.params, row, count);
    }
    if (status == kDbNotBound) {
      LiteralBatch(piece, row, count);
      if (count == 1) {
        if (!CDB::isOK(ExecCounted(batch_, counts)) && options_.SingleTransaction) counts.failed = true;
        row += count;
        continue;
      }
      status = ExecLoading(batch_);
    } else if (!CDB::isOK(status) || (options_.LogLevel == 1 && options_.log)) {
      // The statement these rows stand for, for the log.
      LiteralBatch(piece, row, count);
    }
    if (CDB::isOK(status)) {
      counts.inserted += count;
      if (inTransaction_) counts.uncommitted += count;
      if (options_.LogLevel == 1 && options_.log) options_.log->Bug(batch_, "QuarnelGenerator::ExecStatement");
    } else if (db.connectionLost()) {
      // Nothing more reaches the server: sending the rows again would only
      // fail each of them.
      counts.rejected += count;
      LogFailedStatement(db.ErrorText(), batch_);
      counts.failed = counts.lost = true;
    } else {
      // The statement stored nothing: each row is sent again on its own, so
      // only the rows the server refuses are rejected.
      if (count > 1 && options_.LogLevel == 1 && options_.log) {
        options_.log->Bug(db.ErrorText() + "\r\n" + batch_, "Batch sent again row by row");
      }
      SendRowByRow(piece, row, count, counts);
    }
    row += count;
  }
}

void QuarnelGenerator::CopyPiece(const RowPiece& piece, RowCounts& counts) {
  LoadingScope loading(loading_);
  if (piece.rows > 0 && !copyFailed_) {
    if (!copy_->copying() && !CDB::isOK(copy_->Begin(copyStatement_))) {
      copyFailed_ = true;
    } else if (!CDB::isOK(copy_->Put(piece.data))) {
      copyFailed_ = true;
    }
  }
  copyRows_ += static_cast<uint64_t>(piece.rows);
  if ((piece.commit == kNoCommit && !piece.last) || copyRows_ == 0) return;
  int64_t stored = 0;
  if (!copyFailed_ && CDB::isOK(copy_->End(&stored))) {
    const uint64_t loaded = std::min<uint64_t>(static_cast<uint64_t>(std::max<int64_t>(stored, 0)), copyRows_);
    counts.inserted += loaded;
    counts.rejected += copyRows_ - loaded;
    if (loaded < copyRows_ && options_.log) options_.log->Bug(copy_->ErrorText(), "BULK INSERT");
    if (options_.LogLevel == 1 && options_.log) options_.log->Bug(copyStatement_, "Bulk Exec");
  } else {
    copy_->Abort("the rows could not be sent");
    if (options_.log) options_.log->Bug(copy_->ErrorText(), "BULK INSERT");
    counts.rejected += copyRows_;
  }
  copyRows_ = 0;
  copyFailed_ = false;
}
