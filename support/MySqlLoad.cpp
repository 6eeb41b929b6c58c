#include "support/MySqlLoad.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "support/Database.h"

MySqlLoad::MySqlLoad(CDB& db) : db_(db) {}

MySqlLoad::~MySqlLoad() { RemoveFile(); }

void MySqlLoad::RemoveFile() {
  file_.reset();
  if (path_.empty()) return;
  std::error_code ec;
  std::filesystem::remove(path_, ec);
  path_.clear();
}

int MySqlLoad::Begin(const std::string& intoTable) {
  RemoveFile();
  error_.clear();
  intoTable_ = intoTable;
  std::error_code ec;
  std::string pattern = (std::filesystem::temp_directory_path(ec) / "quarnel-load-XXXXXX").string();
  const int fd = mkstemp(pattern.data());
  if (fd < 0) {
    error_ = "Could not make a file for LOAD DATA: " + std::string(std::strerror(errno));
    return kDbError;
  }
  path_ = pattern;
  file_.reset(fdopen(fd, "wb"));
  if (!file_) {
    error_ = "Could not write a file for LOAD DATA: " + std::string(std::strerror(errno));
    ::close(fd);
    RemoveFile();
    return kDbError;
  }
  return kDbOk;
}

int MySqlLoad::Put(std::string_view lines) {
  if (!file_) {
    error_ = "No load was started";
    return kDbError;
  }
  if (std::fwrite(lines.data(), 1, lines.size(), file_.get()) != lines.size()) {
    error_ = "Could not write the file for LOAD DATA: " + std::string(std::strerror(errno));
    return kDbError;
  }
  return kDbOk;
}

int MySqlLoad::End(int64_t* rows) {
  *rows = 0;
  if (!file_) {
    error_ = "No load was started";
    return kDbError;
  }
  // fclose reports what buffered writes could not do.
  const bool written = std::fflush(file_.get()) == 0;
  file_.reset();
  if (!written) {
    error_ = "Could not write the file for LOAD DATA: " + std::string(std::strerror(errno));
    RemoveFile();
    return kDbError;
  }
  std::string statement = "load data local infile ";
  db_.AppendTextLiteral(statement, path_);
  statement += ' ';
  statement += intoTable_;
  int status = db_.Exec(statement);
  if (CDB::isOK(status)) {
    status = db_.NRecords(rows);
    db_.FreeStmt();
    KeepWarnings();
  } else {
    error_ = db_.ErrorText();
  }
  db_.FreeStmt();
  RemoveFile();
  return status;
}

void MySqlLoad::KeepWarnings() {
  // A load from the client's file skips the rows the table refuses and says
  // why only in its warnings.
  error_.clear();
  if (!CDB::isOK(db_.Exec("show warnings limit 5"))) return;
  std::string message;
  long ind = 0;
  while (CDB::isOK(db_.Fetch())) {
    if (!CDB::isOK(db_.GetDataAsText(3, &message, &ind)) || ind < 0) continue;
    error_ += (error_.empty() ? "" : "\n") + message;
  }
}

void MySqlLoad::Abort(const char* reason) {
  if (error_.empty() && reason) error_ = reason;
  RemoveFile();
}

void MySqlLoad::Cancel() { db_.CancelRunning(); }
