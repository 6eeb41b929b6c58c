// OdbcSourceReader: a source reader that speaks the ODBC call-level interface
// itself, with an environment and a connection of its own. The pattern
// engine's own connection is one of these (unconnected until a function
// needs it), and so is every temporary connection a function names in its
// parameters. Access files are opened through the MDB Tools driver.
//
// Error texts are the driver's diagnostics; when a failing call leaves none,
// "SQLError fail (call status, diagnostic status)".
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <memory>
#include <string>
#include <vector>

#include "GenTmpl/SourceReader.h"

class OdbcSourceReader : public SqlSourceReader {
 public:
  OdbcSourceReader();
  ~OdbcSourceReader() override;
  OdbcSourceReader(const OdbcSourceReader&) = delete;
  OdbcSourceReader& operator=(const OdbcSourceReader&) = delete;

  int OpenFile(const std::string& path, int kind, bool readOnly) override;
  int Connect(const std::string& source, const std::string& user,
              const std::string& password) override;
  int Disconnect() override;
  bool Connected() const override { return connected_; }

 protected:
  int RunQuery(const std::string& sql, int maxColumns,
               std::vector<std::vector<std::string>>& columns) override;
  char QuoteOpen() const override { return quote_; }
  char QuoteClose() const override { return quote_; }

 private:
  struct HandleFree {
    SQLSMALLINT type;
    void operator()(void* handle) const;
  };
  using Handle = std::unique_ptr<void, HandleFree>;

  // Allocates the connection handle; connects with `connect`.
  template <typename ConnectCall>
  int Open(ConnectCall connect);
  int DriverConnect(const std::string& connectionString);
  // Records the diagnostics of `handle` after a call that returned `rc`.
  int Diagnose(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle);
  // Reads column `col` of the current row as text into `text`; false on failure.
  bool ReadText(SQLHSTMT stmt, SQLUSMALLINT col, std::string& text, size_t& budget);

  Handle env_{nullptr, HandleFree{SQL_HANDLE_ENV}};
  Handle dbc_{nullptr, HandleFree{SQL_HANDLE_DBC}};
  bool connected_ = false;
  char quote_ = '"';
};
