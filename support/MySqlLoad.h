// Bulk loads into MySQL and MariaDB: the rows go to a temporary file of the
// client, which LOAD DATA LOCAL INFILE reads on the connection the run uses,
// so the load belongs to the run's transaction like its other statements.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "support/BulkStream.h"

class CDB;

class MySqlLoad : public BulkStream {
 public:
  // `db` outlives the object.
  explicit MySqlLoad(CDB& db);
  ~MySqlLoad() override;
  MySqlLoad(const MySqlLoad&) = delete;
  MySqlLoad& operator=(const MySqlLoad&) = delete;

  // `intoTable` is the part of the statement after the file name:
  // "into table T ... (columns)".
  int Begin(const std::string& intoTable) override;
  int Put(std::string_view lines) override;
  // Runs LOAD DATA on the file written since Begin. Rows the table refuses
  // are skipped, not failed: *rows tells how many were stored, and
  // ErrorText the server's warnings.
  int End(int64_t* rows) override;
  void Abort(const char* reason) override;
  bool copying() const override { return file_ != nullptr; }
  void Cancel() override;
  const std::string& ErrorText() const override { return error_; }

 private:
  struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  void RemoveFile();
  // Takes the server's warnings of the last load as the error text.
  void KeepWarnings();

  CDB& db_;
  std::unique_ptr<std::FILE, FileCloser> file_;
  std::string path_;
  std::string intoTable_;
  std::string error_;
};
