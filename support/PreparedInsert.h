// Rows inserted through one prepared statement with bound parameters, so
// the server compiles the insert once per rule instead of once per
// statement. The rows arrive as the SQL literals the row loop writes for its
// insert statements; InsertRows reads each literal back into the value the
// server would have made of it, and keeps the rows whose literals it cannot
// read that way (an expression, a function call) marked, so that they are
// sent as literal statements instead.
//
// What a literal becomes, as SQLite reads it:
//   NULL              -> NULL
//   'text' ('' = ')   -> text
//   X'hex'            -> blob
//   12, -7, +3        -> integer (a 64-bit value; larger ones are read as real)
//   1.5, 2e3, .5      -> real: bound as its text to CAST(? AS REAL), which
//                        converts it with the same routine the SQL parser uses,
//                        so the stored double is the same to the last bit
// Column affinity then applies to a bound value as it does to a literal.
//
// REQUIRES: the literals are those of a server that does not read
// backslashes as escapes and quotes text with the single quote.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// What a bound value is.
enum class ParamKind : uint8_t {
  kNull,
  kText,
  kInteger,
  kReal,    // text bound to a marker that converts it to a real
  kBinary,
};

// One value of InsertRows: the integer, or where its bytes stand.
struct ParamValue {
  ParamKind kind = ParamKind::kNull;
  uint32_t length = 0;
  size_t offset = 0;
  int64_t integer = 0;
};

// Reads one SQL literal; false when it is anything else (SQL text that only
// the server can evaluate). Text and blob bytes are appended to `bytes`.
bool ReadSqlLiteral(std::string_view literal, ParamValue* value, std::string* bytes);

class InsertRows {
 public:
  // Empties the rows; each row has `columns` values from now on.
  void Reset(size_t columns);
  void Clear();

  // A row is BeginRow, one Add or AddUnbound for each column, EndRow.
  void BeginRow();
  // Adds the column's value from its literal; a literal ReadSqlLiteral
  // cannot read marks the row as one to send as a literal statement.
  void Add(std::string_view literal);
  // Adds a value that is not a literal (an SQL expression): the row is sent
  // as a literal statement.
  void AddUnbound();
  void EndRow();

  size_t columns() const { return columns_; }
  size_t rows() const { return bindable_.size(); }
  bool Bindable(size_t row) const { return bindable_[row] != 0; }
  const ParamValue& Value(size_t row, size_t column) const { return values_[row * columns_ + column]; }
  std::string_view Bytes(const ParamValue& value) const {
    return std::string_view(bytes_).substr(value.offset, value.length);
  }

  // Whether rows [first, first + count) can go in one execution of one
  // statement: every row bindable, and in each column the values that are
  // not NULL of one kind. `kinds` receives that kind per column (kNull where
  // every value is NULL). An empty range is not uniform.
  bool Uniform(size_t first, size_t count, std::vector<ParamKind>* kinds) const;

 private:
  size_t columns_ = 0;
  std::vector<ParamValue> values_;   // row after row
  std::vector<uint8_t> bindable_;    // per row
  std::string bytes_;                // text and blob values
};

// A prepared insert on a connection. Insert executes it for rows of an
// InsertRows, whose column kinds must be those the statement was prepared
// for (its markers: CAST(? AS REAL) for kReal, ? for every other kind).
//
// REQUIRES: the connection outlives the object; one thread at a time uses
// the object and the connection.
class CPreparedInsert {
 public:
  virtual ~CPreparedInsert() = default;
  // Inserts rows [first, first + count). Several rows are stored all or none:
  // when one of them fails, none of them stays. Returns a DbStatus; the
  // connection's ErrorText() and connectionLost() tell about a failure.
  virtual int Insert(const InsertRows& rows, size_t first, size_t count) = 0;
};

class CDB;

// The prepared inserts of one rule into one table: one statement for each
// layout of markers its rows need, prepared when first needed.
//
// REQUIRES: `db` outlives the object; the thread that sends the rows is
// the only one to use the object and, meanwhile, the connection.
class PreparedInserts {
 public:
  // `insert` is "insert into T(cols) values".
  PreparedInserts(CDB& db, std::string insert);
  ~PreparedInserts();
  PreparedInserts(const PreparedInserts&) = delete;
  PreparedInserts& operator=(const PreparedInserts&) = delete;

  // Inserts rows [first, first + count) of `rows` as CPreparedInsert::Insert
  // does; kDbNotBound, with nothing sent, when the rows cannot go in one
  // execution (a row not bindable, kinds that differ within a column) or the
  // statement for them could not be prepared.
  int Insert(const InsertRows& rows, size_t first, size_t count);

 private:
  // Layouts a rule may need before its other rows go as literals.
  static constexpr size_t kMaxLayouts = 8;
  struct Layout {
    std::string markers;
    std::unique_ptr<CPreparedInsert> insert;  // null: preparing it failed
  };

  CDB& db_;
  std::string insert_;
  std::vector<Layout> layouts_;
  std::vector<ParamKind> kinds_;
  std::string markers_;
};
