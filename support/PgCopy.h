// PgCopy: streams rows into a PostgreSQL table with COPY ... FROM STDIN in
// text format, on a libpq connection of its own made from the same
// connection record as the run's ODBC connection (its connection-string keys,
// or the data source's entries in odbc.ini).
//
// One COPY is open at a time: Begin, any number of Put calls, then End, which
// reports the rows the server stored, or Abort. Every operation returns a
// DbStatus; ErrorText() holds the server's message of the last failure.
//
// REQUIRES: one thread at a time uses the object.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "support/BulkStream.h"
#include "support/ConnInfo.h"

struct pg_conn;
struct pg_cancel;

// What a libpq connection is made from for a connection record: the
// parameters ("host='..' port='..' ...") from the keys of its ODBC connection
// string (Server, Port, Database, Uid, Pwd, SSLmode and their usual synonyms)
// or of its data source in odbc.ini, the keys of the string winning; and the
// statements the driver runs after connecting (ConnSettings).
struct PgConnectParams {
  std::string conninfo;
  std::string connSettings;
};
PgConnectParams PgConnectParamsFor(const CONN_INFO& info);

// Appends `value` as one field of COPY's text format: backslash, tab, line
// feed and carriage return escaped; every other byte as it is.
void AppendCopyField(std::string& out, std::string_view value);
// The field text of a NULL.
inline constexpr std::string_view kCopyNull = "\\N";

// Asks the server of `info` to cancel what its backend `pid` runs, over a
// libpq connection of its own: drivers do not always cancel a statement
// that another thread waits on.
void PgCancelBackend(const CONN_INFO& info, int pid);

class PgCopy : public BulkStream {
 public:
  PgCopy();
  ~PgCopy() override;
  PgCopy(const PgCopy&) = delete;
  PgCopy& operator=(const PgCopy&) = delete;

  int Connect(const CONN_INFO& info);
  bool connected() const;
  // Starts `copyStatement` ("copy T(cols) from stdin").
  int Begin(const std::string& copyStatement) override;
  int Put(std::string_view lines) override;
  int End(int64_t* rows) override;
  void Abort(const char* reason) override;
  bool copying() const override { return copying_; }
  // Asks the server to cancel what the connection is running, so that a
  // blocked COPY ends with an error. May be called from another thread while
  // one of the calls above waits; not at the same time as Connect.
  void Cancel() override;
  const std::string& ErrorText() const override { return error_; }

 private:
  struct ConnCloser {
    void operator()(pg_conn* conn) const;
  };
  struct CancelFreer {
    void operator()(pg_cancel* cancel) const;
  };
  // Reads the result of the ended COPY; kDbOk with the stored rows, or the error.
  int Finish(int64_t* rows);
  void TakeError(const char* fallback);

  std::unique_ptr<pg_conn, ConnCloser> conn_;
  std::unique_ptr<pg_cancel, CancelFreer> cancel_;
  bool copying_ = false;
  std::string error_;
};
