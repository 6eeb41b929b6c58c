// The row loop of a data rule: statements, transactions, bulk loads and the
// live progress of the rule's console line.
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "engine/BackgroundTask.h"
#include "engine/FillMethods.h"
#include "engine/Generator.h"
#include "engine/OutputFiles.h"
#include "support/Database.h"
#include "support/Log.h"
#include "support/PgCopy.h"

namespace {

uintmax_t FileSize(const std::string& path) {
  std::error_code ec;
  const uintmax_t size = std::filesystem::file_size(path, ec);
  return ec ? 0 : size;
}

// Appends the whole of `from` to the end of `to` (created when missing).
// Returns false when either file cannot be used.
bool AppendFile(const std::string& from, const std::string& to) {
  std::ifstream in(from, std::ios::binary);
  std::ofstream out(to, std::ios::binary | std::ios::app);
  if (!in || !out) return false;
  char block[QuarnelGenerator::kBulkCopyBlock];
  while (in) {
    in.read(block, sizeof block);
    const std::streamsize got = in.gcount();
    if (got > 0) out.write(block, got);
  }
  return static_cast<bool>(out.flush());
}

}  // namespace

void AppendRemainingTime(std::string& out, int64_t rest, double rate) {
  if (rest <= 0 || !(rate > 0)) return;
  const double total = static_cast<double>(rest) / rate;
  if (!(total < 9.2e18)) return;
  int64_t seconds = static_cast<int64_t>(total);
  int64_t minutes = 0, hours = 0, days = 0;
  if (seconds > 60) {
    minutes = seconds / 60;
    seconds %= 60;
  }
  if (minutes > 60) {
    hours = minutes / 60;
    minutes %= 60;
  }
  if (hours > 24) {
    days = hours / 24;
    hours %= 24;
  }
  if (days == 0 && hours == 0 && minutes == 0 && seconds == 0) return;
  char text[128];
  if (days > 0) {
    std::snprintf(text, sizeof text, "%" PRId64 " days, %02" PRId64 " hr, %02" PRId64 " min, %02" PRId64 " sec", days,
                  hours, minutes, seconds);
  } else if (hours > 0) {
    std::snprintf(text, sizeof text, "%" PRId64 " hr, %02" PRId64 " min, %02" PRId64 " sec", hours, minutes, seconds);
  } else if (minutes > 0) {
    std::snprintf(text, sizeof text, "%" PRId64 " min, %02" PRId64 " sec", minutes, seconds);
  } else {
    std::snprintf(text, sizeof text, "%" PRId64 " sec", seconds);
  }
  out += ", Rest: ";
  out += text;
}

CDB* QuarnelGenerator::CommitConnection() const {
  CDB* target = generator_ ? generator_->ScrambleTarget() : nullptr;
  return target ? target : options_.connection;
}

int QuarnelGenerator::ExecCounted(const std::string& statement, RowCounts& counts) {
  CDB& db = *options_.connection;
  const int status = ExecLoading(statement);
  if (!CDB::isOK(status)) {
    ++counts.rejected;
    LogFailedStatement(db.ErrorText(), statement);
    if (db.connectionLost()) counts.failed = counts.lost = true;
  } else {
    ++counts.inserted;
    if (inTransaction_) ++counts.uncommitted;
    if (options_.LogLevel == 1 && options_.log) options_.log->Bug(statement, "QuarnelGenerator::ExecStatement");
  }
  return status;
}

void QuarnelGenerator::LogFailedStatement(const std::string& error, const std::string& statement) {
  if (!options_.log) return;
  if (error == lastError_) {
    ++repeatedErrors_;
    return;
  }
  FlushRepeatedError();
  lastError_ = error;
  options_.log->Bug(error + "\r\n" + statement, "QuarnelGenerator::ExecStatement");
}

void QuarnelGenerator::FlushRepeatedError() {
  if (repeatedErrors_ > 0 && options_.log) {
    options_.log->Bug("The error above came again for " + std::to_string(repeatedErrors_) + " more statement(s)",
                      "QuarnelGenerator::ExecStatement");
  }
  repeatedErrors_ = 0;
  lastError_.clear();
}

int QuarnelGenerator::ExecLoading(const std::string& statement) {
  LoadingScope loading(loading_);
  return options_.connection->Exec(statement);
}

int QuarnelGenerator::ExecStatement(const std::string& statement) {
  RowCounts counts{inserted_, rejected_, uncommitted_};
  const int status = ExecCounted(statement, counts);
  inserted_ = counts.inserted;
  rejected_ = counts.rejected;
  uncommitted_ = counts.uncommitted;
  return status;
}

int QuarnelGenerator::EndTransaction(RowCounts& counts, bool final) {
  int status = kDbOk;
  CDB* db = CommitConnection();
  if (!options_.project->NoExec && db && db->connected()) {
    // A commit on a lost connection may say it succeeded; it cannot have.
    status = db->connectionLost() ? kDbNotConnected : db->EndTran(0);
    if (!CDB::isOK(status)) {
      if (options_.log) options_.log->Bug(db->connectionLost() ? "The connection to the database was lost" : db->ErrorText(), "Commit");
      // What the failed transaction held never reached the database.
      counts.inserted -= counts.uncommitted;
      counts.rejected += counts.uncommitted;
    } else if (options_.LogLevel == 1 && options_.log) {
      options_.log->Bug("Commit", "Exec");
    }
    if (!final) db->BeginTran();
  }
  counts.uncommitted = 0;
  return status;
}

void QuarnelGenerator::WriteCommitLine() {
  if (options_.project->AddCommit) outputs_->WriteSQL("COMMIT\r\n", nullptr);
}

int QuarnelGenerator::Commit(bool final, bool line) {
  RowCounts counts{inserted_, rejected_, uncommitted_};
  const int status = EndTransaction(counts, final);
  inserted_ = counts.inserted;
  rejected_ = counts.rejected;
  uncommitted_ = counts.uncommitted;
  if (line) WriteCommitLine();
  return status;
}

void QuarnelGenerator::BulkExec(int rows, const Rule& rule, bool first) {
  if (rows <= 0 || !Connected()) return;
  outputs_->CloseText();
  const Project& project = *options_.project;
  if (!project.NoExec) {
    CDB& db = *options_.connection;
    statement_.assign(prefix_);
    statement_ += first && headerInBulk_ ? '2' : '1';
    statement_ += bulkTail_;
    if (options_.LogLevel == 1 && options_.log) options_.log->Bug(statement_, "Bulk Exec");
    const uint64_t expected = static_cast<uint64_t>(rows);
    if (CDB::isOK(db.Exec(statement_))) {
      int64_t affected = 0;
      uint64_t loaded = expected;
      if (CDB::isOK(db.NRecords(&affected)) && affected >= 0) loaded = std::min<uint64_t>(affected, expected);
      inserted_ += loaded;
      rejected_ += expected - loaded;
      if (inTransaction_) uncommitted_ += loaded;
    } else {
      if (options_.log) options_.log->Bug(db.ErrorText(), "BULK INSERT");
      rejected_ += expected;
    }
    db.FreeStmt();
  }
  if (!bulkFile_.empty()) {
    if (!rule.OutFileTXT.empty() && !AppendFile(bulkFile_, rule.OutFileTXT) && options_.log) {
      options_.log->Bug("Could not append to TXT file " + rule.OutFileTXT, "QuarnelGenerator::BulkExec");
    }
    if (project.ToTxtFile && !project.TXTFile.empty() && !AppendFile(bulkFile_, project.TXTFile) && options_.log) {
      options_.log->Bug("Could not append to TXT file " + project.TXTFile, "QuarnelGenerator::BulkExec");
    }
    std::error_code ec;
    std::filesystem::remove(bulkFile_, ec);
  }
}

void QuarnelGenerator::ClearForReplace(const Rule& rule, const std::string& tableName) {
  CDB* db = options_.connection;
  statement_ = "delete from " + (db ? db->QualifiedName(tableName) : tableName) + "\r\n";
  outputs_->WriteSQL(statement_, &rule);
  if (!options_.project->NoExec && Connected()) {
    const bool ok = CDB::isOK(db->Exec(statement_));
    if (!ok || options_.LogLevel == 1) LogEntry((ok ? "" : db->ErrorText() + "\r\n") + statement_, "Clear table");
    db->FreeStmt();
  }
}

void QuarnelGenerator::PrepareRuleTexts(const Rule& rule, const std::string& tableName, bool bulk) {
  CDB* db = options_.connection;
  const std::string table = db ? db->QualifiedName(tableName) : tableName;
  // Parts side by side had the table emptied before any of them started.
  if (rule.InsMode == kInsReplace && rule.Mode == kRuleData && !options_.barrier) ClearForReplace(rule, tableName);

  std::string columns, filled;
  bool identity = false;
  for (const ColumnRule& column : generator_->Columns()) {
    const std::string name = db ? db->QuotedStr(column.Name) : column.Name;
    if (column.Method != kMethodIgnore) {
      // COPY leaves ignored columns to their defaults, as inserts do.
      if (!filled.empty()) filled += ',';
      filled += name;
    } else if (!bulk) {
      continue;
    }
    if (!columns.empty()) columns += ',';
    columns += name;
    if (column.Method != kMethodIgnore && column.IsIdentity()) identity = true;
  }
  copyStatement_ = db && db->serverKind() == kServerMySql
                       ? "into table " + table + " character set utf8mb4 (" + filled + ")"
                       : "copy " + table + "(" + filled + ") from stdin";
  if (bulk) {
    prefix_ = "bulk insert " + table + " from '" + bulkFile_ +
              "' with (FIELDTERMINATOR='\\t',ROWTERMINATOR='\\n',FIRSTROW=";
    bulkTail_ = ",CODEPAGE='RAW'";
    if (identity) bulkTail_ += ", KEEPIDENTITY";
    bulkTail_ += ")";
  } else {
    prefix_ = "insert into " + table + "(" + columns + ") values";
    bulkTail_.clear();
  }
}

void QuarnelGenerator::Progress(const Rule& rule, int row) {
  const double elapsed = watch_.Elapsed();
  const double rate = elapsed > 0 ? row / elapsed : 0;
  watch_.PerSecond(static_cast<uint64_t>(row), rate_);
  Console(kProgressPos, row, "");
  char text[160];
  std::snprintf(text, sizeof text, "%" PRIu64 " (%s r/s) of %d", inserted_, rate_.c_str(), rule.Records);
  scratch_ = text;
  if (options_.ConsoleShowsRest && rate > 0.1) {
    AppendRemainingTime(scratch_, static_cast<int64_t>(rule.Records) - static_cast<int64_t>(rejected_ + inserted_),
                        rate);
  }
  SetCell(kConsoleState, "Running...");
  SetCell(kConsoleInserted, scratch_);
  std::snprintf(text, sizeof text, "%" PRIu64, rejected_);
  SetCell(kConsoleRejected, text);
  if (reportInterval_ < rate && reportInterval_ < (1 << 29)) reportInterval_ *= 2;
}

int QuarnelGenerator::OneData(const Rule& rule, const std::string& tableName) {
  reportInterval_ = options_.performanceMode && options_.ReportInterval > 0 ? options_.ReportInterval
                                                                             : kDefaultReportInterval;
  if (options_.Cancelled()) return kGenCancelled;
  if (trace_) {
    char text[64];
    std::snprintf(text, sizeof text, "QuarnelGenerator:: OneData(InsMode=%d)", rule.InsMode);
    options_.log->State(text);
  }
  const Project& project = *options_.project;
  const ShardRows rows = slice_.value_or(ShardRows{1, rule.Records});
  slice_.reset();
  if (project.TruncateTXT && !rule.OutFileTXT.empty()) {
    std::error_code ec;
    std::filesystem::remove(rule.OutFileTXT, ec);
  }

  const bool connected = Connected();
  const bool countingOnly = project.NoExec || !connected || rule.Mode == kRuleFile;
  const bool postgres = connected && options_.connection->serverKind() == kServerPostgres;
  // COPY runs on a connection of its own: under SingleTransaction the rows
  // go as batched statements instead, inside the run's one transaction.
  const bool batchesForCopy = options_.UseBULK != 0 && options_.SingleTransaction && postgres;
  const bool bulk = options_.UseBULK != 0 && !batchesForCopy;
  // PostgreSQL loads through COPY, MySQL and MariaDB through LOAD DATA of a
  // file of COPY's lines; other servers through the bulk file.
  const bool mysql = connected && options_.connection->serverKind() == kServerMySql;
  const bool copy = bulk && !countingOnly && (postgres || mysql);
  const bool fileBulk = bulk && !copy;
  // A rule that reads its own table while it makes rows must see each row
  // inserted before the next is made: it keeps one row a statement.
  const bool readsBack = generator_->ReadsDatabasePerRow();
  rowsPerStatement_ = bulk || countingOnly || readsBack ? 1 : RowsPerStatementFor(*options_.connection);
  if (batchesForCopy && !countingOnly && !readsBack) rowsPerStatement_ = std::max(rowsPerStatement_, kCopyBatchRows);
  // Rows go to the database in pieces of several rows, not one by one.
  const bool pieces = copy || rowsPerStatement_ > 1;
  const bool sqlOutput = project.ToFile || !rule.OutFile.empty();
  const bool sqlNeeded = !bulk && (pieces ? sqlOutput : !countingOnly || sqlOutput);
  const bool textOut = fileBulk || project.ToTxtFile || !rule.OutFileTXT.empty();
  const std::string_view textFile = fileBulk ? std::string_view(bulkFile_) : std::string_view();
  delimiter_ = bulk ? "\t" : OutputFiles::TextDelimiter(project.TxtDelimiter);
  const bool fixed = delimiter_ == kFixedLengthDelimiter;

  std::unique_lock<std::mutex> writing;
  if (options_.barrier && !countingOnly && options_.connection->serverKind() == kServerSqlite) {
    writing = std::unique_lock(options_.barrier->Writer());
  }
  PrepareRuleTexts(rule, tableName, bulk);
  generator_->SetBulkLoad(bulk, fileBulk);
  generator_->SetMakesTextLine(textOut);
  // Fixed-length widths come from the columns' types and sizes; drawing
  // values to measure them would change the rows every output receives.
  outputs_->Widths().clear();

  inTransaction_ = false;
  uncommitted_ = 0;
  if (((rule.PerTrans > 0 && !project.NoExec) || options_.SingleTransaction) && connected) {
    options_.connection->SetAutoCommit(false);
    options_.connection->BeginTran();
    inTransaction_ = true;
  }

  headerInBulk_ = false;
  // A part that starts later leaves the header to the first part.
  if (textOut && project.TxtOutColumnNames && rows.first == 1) {
    const std::string& target = !rule.OutFileTXT.empty() ? rule.OutFileTXT : project.TXTFile;
    if (rule.InsMode != kInsAppend || FileSize(target) == 0) {
      header_.clear();
      outputs_->TextHeader(header_, generator_->Columns(), fixed ? std::string_view(kFixedLengthDelimiter) : delimiter_,
                           bulk, fileBulk);
      outputs_->WriteText(header_, rule, textFile);
      headerInBulk_ = fileBulk;
    }
  }

  if (pieces) {
    if (copy) StartCopy();
    for (RowPiece& piece : pieces_) piece.Clear();
    filling_ = 0;
    sent_ = RowCounts{};
    copyRows_ = 0;
    copyFailed_ = false;
    // Under SingleTransaction the first failing row ends the rule at once,
    // which only one thread can tell in time.
    const bool beside = options_.generateBeside && !options_.SingleTransaction && !readsBack;
    task_ = std::make_unique<BackgroundTask>(beside);
  }
  PrepareInserts(countingOnly, bulk);

  Trace("QuarnelGenerator:: OneData main loop");
  int result = kGenOk;
  bool firstBulk = true;
  const bool chunked = !options_.SingleTransaction && rule.Mode != kRuleFile && rule.PerTrans > 0;
  // The rows of this run: all of them, or its part's slice, numbered as in
  // the whole set (transactions end at the same rows whatever the part).
  const int first = static_cast<int>(rows.first);
  const int last = static_cast<int>(rows.last);
  if (first > 1) generator_->StartAtRow(first);
  int i = first;
  for (; !options_.Cancelled() && i <= last; ++i) {
    if (generator_->GenOneRowValues(values_, i, textLine_, delimiter_) != kRowOk) {
      result = kGenRowFailed;
      break;
    }
    if (sqlNeeded) {
      statement_.assign(prefix_);
      statement_ += '(';
      statement_ += values_;
      statement_ += ")\r\n";
      outputs_->WriteSQL(statement_, &rule);
    }
    if (textOut) outputs_->WriteText(textLine_, rule, textFile);
    const bool chunkEnd = chunked && i % rule.PerTrans == 0;
    if (countingOnly) {
      ++inserted_;
    } else if (pieces) {
      AddRowToPiece();
      if (chunkEnd || PieceFull()) {
        HandOver(chunkEnd ? kCommitNext : kNoCommit, false);
        if (chunkEnd) WriteCommitLine();
        if (sent_.failed) {
          result = sent_.lost ? kGenConnectionLost : kGenSingleTranFailed;
          break;
        }
      }
    } else if (!bulk) {
      if (!CDB::isOK(InsertRow())) {
        if (options_.connection->connectionLost()) {
          result = kGenConnectionLost;
          break;
        }
        if (options_.SingleTransaction) {
          result = kGenSingleTranFailed;
          break;
        }
      }
    }
    if (i % reportInterval_ == 0 && !options_.consoleMode) Progress(rule, i);
    if (chunkEnd && !pieces) {
      if (bulk) {
        BulkExec(std::min(rule.PerTrans, i - first + 1), rule, firstBulk);
        firstBulk = false;
      }
      Commit(false);
    }
  }
  // Row i was not finished: the loop ended before it or failed in it.
  const int done = i - 1;
  // The last chunk is loaded and committed before the line shows the rule's
  // counts, so that they include it.
  const bool closing = !options_.SingleTransaction && rule.PerTrans > 0 && connected;
  const int rest = closing ? std::min(done % rule.PerTrans, done - first + 1) : 0;
  // The script's last COMMIT line ends the whole set of rows, so that the
  // scripts of a run's parts joined in order are the script of one run.
  const bool setEnds = last >= rule.Records;
  const bool stopped = result == kGenSingleTranFailed || result == kGenConnectionLost;
  if (pieces) {
    if (!stopped) HandOver(rest > 0 ? kCommitFinal : kNoCommit, true);
    FinishPieces();
    task_.reset();
    {
      std::lock_guard lock(copyMutex_);
      copy_.reset();
    }
    if (sent_.failed) result = sent_.lost ? kGenConnectionLost : kGenSingleTranFailed;
    if (rest > 0 && setEnds) WriteCommitLine();
  } else if (rest > 0) {
    if (bulk) BulkExec(rest, rule, firstBulk);
    Commit(true, setEnds);
  }
  inserts_.reset();
  if (result == kGenConnectionLost) {
    // The open transaction died with the connection.
    uint64_t& open = pieces ? sent_.uncommitted : uncommitted_;
    inserted_ -= open;
    rejected_ += open;
    open = 0;
  }
  FlushRepeatedError();
  if (closing && inTransaction_) {
    // Every row is committed; leaving a transaction open would catch the
    // next rule's autocommit rows, and its reads would hold locks that
    // parts running beside this one wait on.
    options_.connection->SetAutoCommit(true);
  }
  watch_.Stop();
  if (!options_.consoleMode) {
    Console(kProgressPos, done, "");
    SetCell(kConsoleState, result == kGenOk ? kCompleted : "Error");
    watch_.PerSecond(inserted_, rate_);
    char text[160];
    std::snprintf(text, sizeof text, "%" PRIu64 " (%s r/s)", inserted_, rate_.c_str());
    SetCell(kConsoleInserted, text);
    std::snprintf(text, sizeof text, "%" PRIu64, rejected_);
    SetCell(kConsoleRejected, text);
  }
  inTransaction_ = false;
  generator_->Patterns().Clear();
  if (options_.log) options_.log->ClearState();
  return result;
}
