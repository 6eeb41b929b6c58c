// SourceReader: where the table, query, Access and Excel pattern functions read
// their values from. One small interface with three implementations: over the
// support library's `CDB` (the engine's custom connection), directly over the
// ODBC call-level interface (the engine's own connection and the temporary
// connections a function names), and over FreeXL for .xls workbooks.
//
// Every operation returns 0 on success and -1 on failure; LastError() then
// says why. Results are whole columns held in memory: a source is read once,
// when a pattern function is compiled, and every later value is a lookup.
//
// Names that reach a statement (tables, columns) are checked before use: a
// name is a dotted chain of plain identifiers or well-formed quoted ones
// ("a b", [a b], `a b`), so that no name can end its quoting early and carry
// further SQL. A free-text condition or statement is the pattern author's own
// SQL and is passed as it is.
//
// REQUIRES: one thread at a time per object.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class SourceReader {
 public:
  // OpenFile kinds.
  static constexpr int kAccessFile = 0;
  static constexpr int kExcelFile = 1;
  // Most bytes of values one read may hold; a larger source is refused
  // rather than exhausting memory.
  static constexpr size_t kMaxSourceBytes = size_t{256} << 20;
  // What one value costs against that budget besides its bytes.
  static constexpr size_t kValueCost = sizeof(std::string);

  virtual ~SourceReader() = default;

  // Opens a file data source of `kind`; read-only sources are never written.
  virtual int OpenFile(const std::string& path, int kind, bool readOnly) = 0;
  // Connects to a data source: a data source name, or a full connection
  // string (any text holding "=").
  virtual int Connect(const std::string& source, const std::string& user,
                      const std::string& password) = 0;
  virtual int Disconnect() = 0;
  virtual bool Connected() const = 0;

  // The distinct non-NULL values of `column` of `table`, narrowed by
  // `condition` when it is not empty.
  virtual int DistinctValues(const std::string& table, const std::string& column,
                             const std::string& condition, std::vector<std::string>& values) = 0;
  // One list per non-empty column name, all rows, kept aligned (NULL is the
  // empty text). Names not yet quoted are quoted with the source's own
  // identifier quotes.
  virtual int ColumnValues(const std::string& table, const std::vector<std::string>& columns,
                           std::vector<std::vector<std::string>>& values) = 0;
  // One list per result column of `statement`, all rows.
  virtual int QueryColumns(const std::string& statement,
                           std::vector<std::vector<std::string>>& values) = 0;
  // The first result column of `statement`, all rows.
  virtual int QueryValues(const std::string& statement, std::vector<std::string>& values) = 0;

  const std::string& LastError() const { return error_; }

 protected:
  // Records `message` as the last error; returns -1.
  int Fail(std::string message);
  // Charges one value of `bytes` against `budget`; false (error recorded)
  // when the budget would be exceeded.
  bool Charge(size_t bytes, size_t& budget);

  std::string error_;
};

// A reader for a file source of `kind` (Access through the ODBC driver, Excel
// through FreeXL), unopened; null for an unknown kind.
std::unique_ptr<SourceReader> NewFileSourceReader(int kind);

// Whether `name` is a dotted chain of plain identifiers (letters, digits, "_",
// "$", "#", bytes of UTF-8 sequences) and quoted identifiers whose inner
// closing quotes are doubled.
bool IsSafeSqlName(std::string_view name);

// `name` enclosed in `open` and `close` unless it already begins with a double
// quote, "[" or a backquote. Returns false (and leaves `out` alone) when the
// result would not be a safe name.
bool QuoteSqlName(std::string_view name, char open, char close, std::string& out);

// Whether `source` is a full connection string rather than a data source name.
bool IsConnectionString(std::string_view source);
// `source` with user and password added as UID and PWD when they are given
// (braced, so that ";" inside them keeps its meaning).
std::string WithCredentials(const std::string& source, const std::string& user,
                            const std::string& password);
// The driver connection string for a file source of `kind`. Returns false
// with `error` set for a kind without a driver, a path that is not a regular
// file, or one that a connection string cannot carry.
bool FileConnectString(const std::string& path, int kind, bool readOnly, std::string& out,
                       std::string& error);

// The statements the SQL readers send, with every name checked. Each returns
// false with `error` set when a name is refused.
bool BuildDistinctStatement(const std::string& table, const std::string& column,
                            const std::string& condition, std::string& sql, std::string& error);
bool BuildColumnsStatement(const std::string& table, const std::vector<std::string>& columns,
                           char open, char close, std::string& sql, std::string& error);

// The part a SQL-speaking reader shares: statements are built here and run by
// the implementation's RunQuery.
class SqlSourceReader : public SourceReader {
 public:
  int DistinctValues(const std::string& table, const std::string& column,
                     const std::string& condition, std::vector<std::string>& values) override;
  int ColumnValues(const std::string& table, const std::vector<std::string>& columns,
                   std::vector<std::vector<std::string>>& values) override;
  int QueryColumns(const std::string& statement,
                   std::vector<std::vector<std::string>>& values) override;
  int QueryValues(const std::string& statement, std::vector<std::string>& values) override;

 protected:
  // Runs `sql` and fills one list per result column (at most `maxColumns`
  // when it is positive), NULL as the empty text, reading no more than
  // kMaxSourceBytes in all. Returns 0 or -1 with the error recorded.
  virtual int RunQuery(const std::string& sql, int maxColumns,
                       std::vector<std::vector<std::string>>& columns) = 0;
  // The connection's identifier quote characters.
  virtual char QuoteOpen() const = 0;
  virtual char QuoteClose() const = 0;
  int NotConnected();
};
