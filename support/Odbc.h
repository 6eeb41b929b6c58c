// `CDB` over unixODBC. Handles are owned by small RAII wrappers; the ODBC
// environment is shared by all connections of the process.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "support/Database.h"

class OdbcEnv;

// One ODBC statement handle.
class OdbcStmt : public CStmt {
 public:
  explicit OdbcStmt(SQLHDBC dbc);
  ~OdbcStmt() override;
  OdbcStmt(const OdbcStmt&) = delete;
  OdbcStmt& operator=(const OdbcStmt&) = delete;
  SQLHSTMT handle() const { return stmt_; }
  // Closes an open cursor so the handle can run the next statement.
  void Close();

 private:
  SQLHSTMT stmt_ = SQL_NULL_HSTMT;
};

class CODBC : public CDB {
 public:
  CODBC();
  ~CODBC() override;
  CODBC(const CODBC&) = delete;
  CODBC& operator=(const CODBC&) = delete;

  int Connect(const CONN_INFO& info) override;
  using CDB::Connect;
  int Disconnect() override;

  std::unique_ptr<CStmt> NewStmt() override;
  int Exec(const std::string& sql, CStmt* stmt = nullptr) override;
  int Fetch(CStmt* stmt = nullptr) override;
  int NumResultCols(int* count, CStmt* stmt = nullptr) override;
  int ColumnName(int col, std::string* name, CStmt* stmt = nullptr) override;
  int GetData(int col, int64_t* value, long* ind, CStmt* stmt = nullptr) override;
  int GetDataAsBytes(int col, std::string* bytes, long* ind, CStmt* stmt = nullptr) override;
  void CancelRunning() override;
  int GetDataAsText(int col, std::string* text, long* ind, CStmt* stmt = nullptr,
                    size_t maxLen = 0) override;
  int FreeStmt(CStmt* stmt = nullptr) override;
  int NRecords(int64_t* count, CStmt* stmt = nullptr) override;
  int ExecWithBlob(const std::string& sql, int64_t length, const BlobReader& read) override;
  bool PreparesInserts() const override;
  std::unique_ptr<CPreparedInsert> PrepareInsert(const std::string& insert, const std::string& markers,
                                                 int* status) override;

  int SetAutoCommit(bool on) override;
  int BeginTran() override;
  int EndTran(int rollback) override;

  int FieldsList(FieldList* list, const std::string& table, const std::string& owner,
                 int withKeys = 1) override;
  int PKList(std::vector<PK_DESC>* list, const std::string& table,
             const std::string& owner) override;
  int FKList(std::vector<FK_DESC>* list, const std::string& table,
             const std::string& owner) override;
  int UniqueColumns(std::vector<std::string>* list, const std::string& table,
                    const std::string& owner) override;
  int TablesList(std::vector<TABLE_DESC>* list, const std::string& owner, int kinds,
                 int flag = 0) override;
  int CheckList(std::vector<std::string>* list, const std::string& table,
                const std::string& owner) override;
  int ObjectText(std::vector<std::string>* lines, const std::string& table,
                 const std::string& owner, bool portable = false) override;

 private:
  friend class OdbcPreparedInsert;
  // ObjectText of a PostgreSQL table, from the catalogue.
  int PostgresTableText(std::vector<std::string>* lines, const std::string& name,
                        const std::string& schema, const std::string& full);
  OdbcStmt* Resolve(CStmt* stmt);
  SQLRETURN DriverConnect(const std::string& conStr);
  // Whether the last failure (in error_) shows the server out of reach.
  bool LinkIsDown() const;
  int backendPid_ = 0;  // PostgreSQL: the server process of this connection
  // Reads a column part by part as C type `cType` (SQL_C_CHAR or SQL_C_BINARY).
  int GetDataInParts(int col, SQLSMALLINT cType, std::string* out, long* ind, CStmt* stmt,
                     size_t maxLen);
  // Records the diagnostics of a failed call and passes its status on.
  int Fail(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* what);
  int NotConnected();
  void ReadServerFacts();
  // Runs a catalogue query on a statement of its own and hands each row to `row`.
  template <typename Call, typename Row>
  int Catalogue(const char* what, Call call, Row row);
  // The single text value of a query, or empty.
  std::string QueryText(const std::string& sql);
  std::string ResolveOwner(const std::string& owner) const;
  // The catalogue and schema arguments that name an owner: MySQL and MariaDB
  // take their databases as catalogues, other servers owners as schemas.
  std::string CatalogOf(const std::string& owner) const;
  std::string SchemaOf(const std::string& owner) const;
  void ApplySqliteTypeName(FLD_DESC* field) const;

  std::shared_ptr<OdbcEnv> env_;
  SQLHDBC dbc_ = SQL_NULL_HDBC;
  std::unique_ptr<OdbcStmt> defaultStmt_;
  bool inTransaction_ = false;
  // A prepared insert while it executes, for CancelRunning on another thread.
  std::mutex runningMutex_;
  SQLHSTMT running_ = SQL_NULL_HSTMT;
};

// The data sources (user and system) and the drivers the driver manager knows,
// by name, in its order; empty when it lists none.
std::vector<std::string> OdbcDataSources();
std::vector<std::string> OdbcDrivers();
