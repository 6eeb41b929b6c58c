// The database access interface every layer uses: one connection, its default
// statement and any number of extra statements, transactions, and the catalogue
// (columns, keys, tables, create statements). `CODBC` implements it over
// unixODBC; nothing else in the program calls the ODBC API directly.
//
// Every operation returns a status; `CDB::isOK(status)` tells success and
// `ErrorText()` gives the driver's diagnostics of the last failure.
// A CDB object is used by one thread at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/ConnInfo.h"
#include "support/DbTypes.h"
#include "support/PreparedInsert.h"

// Server kinds read from the driver's DBMS name. Kinds 2, 3 and 8 take no N
// prefix on Unicode literals.
enum ServerKind {
  kServerOracle = 0,
  kServerMsSql = 1,
  kServerMySql = 2,
  kServerPostgres = 3,
  kServerSqlite = 8,
  kServerOther = 9,
};

// Statuses besides the driver's own return codes.
enum DbStatus {
  kDbOk = 0,
  kDbOkWithInfo = 1,
  kDbNoData = 100,
  kDbError = -1,
  kDbNotConnected = -10,
  kDbBadArgument = -11,
  kDbPrepareError = -12,  // a statement could not be prepared
  kDbNotBound = -13,      // the rows cannot be bound: they go as literal statements
};

// Size of the pieces in which ExecWithBlob sends a large value.
constexpr size_t kBlobPieceSize = 40960;

// Supplies a large value piece by piece: fills up to `size` bytes of `buffer`
// and returns how many it filled, 0 at the end, or -1 when reading failed.
using BlobReader = std::function<long(char* buffer, size_t size)>;

// A statement handle of its own, for callers that keep a result open while
// running other statements on the same connection.
class CStmt {
 public:
  virtual ~CStmt() = default;
};

class CDB {
 public:
  static bool isOK(int status) { return status == kDbOk || status == kDbOkWithInfo; }
  // A new, unconnected connection object for an interface type (CONN_INFO::kOdbc).
  static std::unique_ptr<CDB> newDB(int type = CONN_INFO::kOdbc);

  virtual ~CDB() = default;

  virtual int Connect(const CONN_INFO& info) = 0;
  // Connects with the settings of another connection.
  int Connect(const CDB& other) { return Connect(other.Info()); }
  virtual int Disconnect() = 0;
  int Interface(int* type) const { *type = info_.ConType; return kDbOk; }
  const CONN_INFO& Info() const { return info_; }

  bool connected() const { return connected_; }
  int serverKind() const { return serverKind_; }
  int serverVersion() const { return serverVersion_; }
  const std::string& dbmsName() const { return dbmsName_; }
  // Qualify table names with the owner in generated statements.
  bool qualifyOwner() const { return qualifyOwner_; }
  void setQualifyOwner(bool on) { qualifyOwner_ = on; }
  const std::string& ErrorText() const { return error_; }
  // Whether a failure since the last Connect showed that the server is out
  // of reach (a broken link, the server shutting down): nothing sent on this
  // connection will work any more, a commit included.
  bool connectionLost() const { return connectionLost_; }

  // Statements. A null `stmt` means the connection's default statement.
  virtual std::unique_ptr<CStmt> NewStmt() = 0;
  virtual int Exec(const std::string& sql, CStmt* stmt = nullptr) = 0;
  // Next row; a non-OK status (kDbNoData at the end) means no more rows.
  virtual int Fetch(CStmt* stmt = nullptr) = 0;
  virtual int NumResultCols(int* count, CStmt* stmt = nullptr) = 0;
  virtual int ColumnName(int col, std::string* name, CStmt* stmt = nullptr) = 0;
  // 1-based column as integer; *ind is -1 for NULL.
  virtual int GetData(int col, int64_t* value, long* ind, CStmt* stmt = nullptr) = 0;
  // 1-based column as text of any length (binary as hex); *ind is -1 for NULL,
  // else the length. A positive `maxLen` stops reading after that many bytes.
  virtual int GetDataAsText(int col, std::string* text, long* ind, CStmt* stmt = nullptr,
                            size_t maxLen = 0) = 0;
  // 1-based column as its bytes, unconverted; *ind is -1 for NULL, else the
  // length.
  virtual int GetDataAsBytes(int col, std::string* bytes, long* ind, CStmt* stmt = nullptr) = 0;
  virtual int FreeStmt(CStmt* stmt = nullptr) = 0;
  // Asks the driver to cancel the statement running on the default
  // statement, from another thread: a statement waiting on a lock ends with
  // an error.
  virtual void CancelRunning() = 0;
  // Rows affected by the last statement.
  virtual int NRecords(int64_t* count, CStmt* stmt = nullptr) = 0;
  // Executes `sql` on a statement of its own, its one parameter marker taking
  // a binary value of `length` bytes that `read` supplies in pieces of
  // kBlobPieceSize bytes while the statement executes, so the value is never
  // held whole in memory. Returns kDbPrepareError when the statement could
  // not be prepared, else the status of the execution.
  virtual int ExecWithBlob(const std::string& sql, int64_t length, const BlobReader& read) = 0;
  // Whether inserts with bound values store exactly what insert statements
  // of literals store, so that PrepareInsert may be used (SQLite).
  virtual bool PreparesInserts() const { return false; }
  // Prepares `insert` ("insert into T(cols) values") followed by one
  // parameter marker per character of `markers`: 'r' for a real
  // (ParamKind::kReal), '?' for any other value. Null, with the status in
  // *status, when it cannot be prepared.
  virtual std::unique_ptr<CPreparedInsert> PrepareInsert(const std::string& insert, const std::string& markers,
                                                         int* status);

  // Transactions: BeginTran leaves autocommit, EndTran(0) commits and EndTran(1)
  // rolls back, then autocommit is on again.
  virtual int SetAutoCommit(bool on) = 0;
  virtual int BeginTran() = 0;
  virtual int EndTran(int rollback) = 0;

  // Owner (schema) names are qualified with: the connection's conOwner, else the
  // server's current schema (empty for SQLite).
  const std::string& Owner() const { return owner_; }
  bool IsEmptyOwner() const { return owner_.empty(); }

  // Identifier quoting.
  void SetQuoteChars(char open, char close) { quoteOpen_ = open; quoteClose_ = close; }
  char quoteOpen() const { return quoteOpen_; }
  char quoteClose() const { return quoteClose_; }
  // Whether a name must be quoted on this server to keep its meaning.
  bool NeedsQuote(const std::string& name) const;
  // The name quoted when it needs it (always when `force`); a name that is
  // already quoted is returned as it is.
  std::string QuotedStr(const std::string& name, int force = 0) const;
  // Splits "owner.table" (either part may be quoted); without an owner in the
  // name, `defaultOwner` is used. With `quote` both parts come back quoted
  // where needed.
  void PrepareOwner(std::string* owner, std::string* name, const std::string& defaultOwner,
                    const std::string& table, int quote) const;
  // `table` as it stands in a statement: the owner written in it, else the
  // connection's owner when names are qualified with it, and each part quoted
  // where it needs to be, so no name is ever read as SQL.
  std::string QualifiedName(const std::string& table) const;
  // `bytes` as a literal of a binary value on this server kind, so that a
  // statement carries them exactly.
  std::string BinaryLiteral(std::string_view bytes) const;
  // Whether this server reads a backslash in a string literal as an escape
  // (MySQL and MariaDB unless their sql_mode says NO_BACKSLASH_ESCAPES).
  bool backslashEscapes() const { return backslashEscapes_; }
  // Appends `text` as a string literal in single quotes that this server
  // reads back as exactly `text`: quotes doubled, and where backslashes
  // escape, backslashes doubled and NUL written as \0.
  void AppendTextLiteral(std::string& out, std::string_view text) const;
  // Whether `text` holds a NUL that no string literal of this server can
  // carry (MySQL and MariaDB without backslash escapes end a statement
  // there): such a text is written as BinaryLiteral.
  bool NulNeedsHex(std::string_view text) const {
    return serverKind_ == kServerMySql && !backslashEscapes_ && text.find('\0') != std::string_view::npos;
  }

  // Catalogue. `owner` empty means the connection's owner.
  virtual int FieldsList(FieldList* list, const std::string& table, const std::string& owner,
                         int withKeys = 1) = 0;
  virtual int PKList(std::vector<PK_DESC>* list, const std::string& table,
                     const std::string& owner) = 0;
  virtual int FKList(std::vector<FK_DESC>* list, const std::string& table,
                     const std::string& owner) = 0;
  // Columns that a unique index or constraint covers on their own.
  virtual int UniqueColumns(std::vector<std::string>* list, const std::string& table,
                            const std::string& owner) = 0;
  // `kinds` is a mask of TableKind.
  virtual int TablesList(std::vector<TABLE_DESC>* list, const std::string& owner, int kinds,
                         int flag = 0) = 0;
  // Check-constraint texts of a table, as written in its definition.
  virtual int CheckList(std::vector<std::string>* list, const std::string& table,
                        const std::string& owner) = 0;
  // The create statement of a table, as lines: the server's own where it keeps
  // one (SQLite), from the catalogue's type names (PostgreSQL), else built
  // from the columns as the driver describes them and the primary key. With
  // `portable` the PostgreSQL statement is built as for other servers too,
  // for a table to be made on a server of another kind.
  virtual int ObjectText(std::vector<std::string>* lines, const std::string& table,
                         const std::string& owner, bool portable = false) = 0;
  // The server's date format in the tokens of the date writer.
  int GetDateFormat(std::string* format) const;

 protected:
  CONN_INFO info_;
  bool connected_ = false;
  int serverKind_ = kServerOther;
  int serverVersion_ = 0;
  std::string dbmsName_;
  bool qualifyOwner_ = false;
  std::string owner_;
  char quoteOpen_ = '"';
  char quoteClose_ = '"';
  std::string error_;
  bool connectionLost_ = false;
  bool backslashEscapes_ = false;
};

// Writes `text` into `out` as the inside of a string literal: each single
// quote doubled and, with `backslashEscapes`, each backslash doubled and NUL
// written as \0.
void AppendLiteralText(std::string& out, std::string_view text, bool backslashEscapes);

// Server kind for a DBMS name as the driver reports it.
int ServerKindFromDbmsName(const std::string& dbmsName);
