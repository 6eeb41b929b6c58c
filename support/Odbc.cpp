#include "support/Odbc.h"

#include "support/PgCopy.h"
#include "support/ServerTypes.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <mutex>
#include <sstream>

#include "support/TextUtil.h"

// The process-wide ODBC environment, alive while any connection uses it.
class OdbcEnv {
 public:
  static std::shared_ptr<OdbcEnv> Get() {
    static std::mutex mutex;
    static std::weak_ptr<OdbcEnv> shared;
    std::lock_guard<std::mutex> lock(mutex);
    std::shared_ptr<OdbcEnv> env = shared.lock();
    if (!env) {
      env = std::shared_ptr<OdbcEnv>(new OdbcEnv());
      shared = env;
    }
    return env;
  }
  ~OdbcEnv() {
    if (env_ != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, env_);
  }
  SQLHENV handle() const { return env_; }

 private:
  OdbcEnv() {
    if (SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_)))
      SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    else
      env_ = SQL_NULL_HENV;
  }
  SQLHENV env_ = SQL_NULL_HENV;
};

namespace {

constexpr int kLoginTimeoutSeconds = 20;

SQLCHAR* Sql(const std::string& text) {
  return reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str()));
}

// Diagnostics of a handle as "[state] message" lines.
std::string Diagnostics(SQLSMALLINT handleType, SQLHANDLE handle) {
  std::string text;
  SQLCHAR state[6];
  SQLCHAR message[1024];
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  for (SQLSMALLINT i = 1;; ++i) {
    SQLRETURN rc = SQLGetDiagRec(handleType, handle, i, state, &native, message, sizeof message,
                                 &length);
    if (!SQL_SUCCEEDED(rc)) break;
    if (!text.empty()) text += "\n";
    text += "[";
    text += reinterpret_cast<char*>(state);
    text += "] ";
    text += reinterpret_cast<char*>(message);
  }
  return text;
}

// Reads "(12,2)" after a type name into size and digits.
void ParseSizeSuffix(const std::string& typeName, int* size, int16_t* digits) {
  size_t open = typeName.find('(');
  if (open == std::string::npos) return;
  const char* p = typeName.c_str() + open + 1;
  char* end = nullptr;
  long first = std::strtol(p, &end, 10);
  if (end == p) return;
  *size = static_cast<int>(std::clamp(first, 0L, 2147483647L));
  *digits = 0;
  if (*end == ',') {
    long second = std::strtol(end + 1, nullptr, 10);
    *digits = static_cast<int16_t>(std::clamp(second, 0L, 32767L));
  }
}

// The check clauses of a SQLite create statement: the text inside each
// CHECK( ... ), with quoted text and comments skipped when looking for it.
std::vector<std::string> SqliteChecks(const std::string& sql) {
  std::vector<std::string> checks;
  size_t i = 0;
  const size_t n = sql.size();
  while (i < n) {
    char c = sql[i];
    if (c == '\'' || c == '"' || c == '`' || c == '[') {
      char close = c == '[' ? ']' : c;
      for (++i; i < n && sql[i] != close; ++i) {
      }
      ++i;
      continue;
    }
    if ((c == 'c' || c == 'C') && (i == 0 || !(std::isalnum(static_cast<unsigned char>(sql[i - 1])) || sql[i - 1] == '_')) &&
        ToUpperAscii(sql.substr(i, 5)) == "CHECK") {
      size_t j = i + 5;
      while (j < n && std::isspace(static_cast<unsigned char>(sql[j]))) ++j;
      if (j < n && sql[j] == '(') {
        int depth = 0;
        size_t start = j + 1;
        for (; j < n; ++j) {
          char d = sql[j];
          if (d == '\'') {
            for (++j; j < n && sql[j] != '\''; ++j) {
            }
            continue;
          }
          if (d == '(') ++depth;
          if (d == ')' && --depth == 0) break;
        }
        if (j < n) checks.push_back(TrimText(sql.substr(start, j - start)));
        i = j + 1;
        continue;
      }
    }
    ++i;
  }
  return checks;
}

// Whether `text` mentions `word` as a whole identifier (any case).
bool MentionsWord(const std::string& text, const std::string& word) {
  if (word.empty()) return false;
  std::string t = ToUpperAscii(text), w = ToUpperAscii(word);
  for (size_t pos = t.find(w); pos != std::string::npos; pos = t.find(w, pos + 1)) {
    auto ident = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    bool before = pos == 0 || !ident(t[pos - 1]);
    bool after = pos + w.size() >= t.size() || !ident(t[pos + w.size()]);
    if (before && after) return true;
  }
  return false;
}

}  // namespace

OdbcStmt::OdbcStmt(SQLHDBC dbc) {
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt_))) stmt_ = SQL_NULL_HSTMT;
}

OdbcStmt::~OdbcStmt() {
  if (stmt_ != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
}

void OdbcStmt::Close() {
  if (stmt_ != SQL_NULL_HSTMT) SQLFreeStmt(stmt_, SQL_CLOSE);
}

std::unique_ptr<CDB> CDB::newDB(int type) {
  if (type != CONN_INFO::kOdbc) return nullptr;
  return std::make_unique<CODBC>();
}

CODBC::CODBC() : env_(OdbcEnv::Get()) {}

CODBC::~CODBC() { Disconnect(); }

int CODBC::Fail(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* what) {
  error_ = Diagnostics(handleType, handle);
  if (error_.empty()) error_ = std::string(what) + " failed";
  if (connected_ && !connectionLost_) connectionLost_ = LinkIsDown();
  return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO ? static_cast<int>(kDbError) : static_cast<int>(rc);
}

bool CODBC::LinkIsDown() const {
  // SQLSTATE class 08 is a connection exception; 57P01 to 57P03 are a
  // PostgreSQL server shutting down or not accepting connections.
  for (const char* state : {"[08", "[57P01]", "[57P02]", "[57P03]"}) {
    if (error_.find(state) != std::string::npos) return true;
  }
  SQLUINTEGER dead = SQL_CD_FALSE;
  return SQL_SUCCEEDED(SQLGetConnectAttr(dbc_, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) && dead == SQL_CD_TRUE;
}

int CODBC::NotConnected() {
  error_ = "Not connected to a database";
  return kDbNotConnected;
}

int CODBC::Connect(const CONN_INFO& info) {
  Disconnect();
  error_.clear();
  info_ = info;
  if (info_.ConType == 0) info_.ConType = CONN_INFO::kOdbc;
  if (env_->handle() == SQL_NULL_HENV) {
    error_ = "The ODBC driver manager could not be initialised";
    return kDbError;
  }
  if (info_.conStr.empty() && info_.conDSN.empty()) {
    error_ = "No data source or connection string was given";
    return kDbBadArgument;
  }
  SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_DBC, env_->handle(), &dbc_);
  if (!SQL_SUCCEEDED(rc)) {
    dbc_ = SQL_NULL_HDBC;
    return Fail(rc, SQL_HANDLE_ENV, env_->handle(), "SQLAllocHandle");
  }
  SQLSetConnectAttr(dbc_, SQL_ATTR_LOGIN_TIMEOUT,
                    reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(kLoginTimeoutSeconds)), 0);
  if (!info_.conStr.empty()) {
    rc = DriverConnect(info_.conStr);
  } else {
    rc = SQLConnect(dbc_, Sql(info_.conDSN), SQL_NTS, Sql(info_.conUser), SQL_NTS,
                    Sql(info_.conPwd), SQL_NTS);
  }
  const auto failed = [&](SQLRETURN code) {
    int status = Fail(code, SQL_HANDLE_DBC, dbc_, "Connect");
    connected_ = false;
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    dbc_ = SQL_NULL_HDBC;
    return status;
  };
  if (!SQL_SUCCEEDED(rc)) return failed(rc);
  connected_ = true;
  connectionLost_ = false;
  defaultStmt_ = std::make_unique<OdbcStmt>(dbc_);
  ReadServerFacts();
  // MySQL and MariaDB report the rows an update changed, not those it found,
  // so an update that leaves a row as it was would look like a miss; their
  // drivers report found rows under option flag 2. Unless the connection
  // sets its options itself, connect again with it.
  const std::string lowerConStr = ToLowerAscii(info_.conStr);
  if (serverKind_ == kServerMySql && lowerConStr.find("option=") == std::string::npos &&
      lowerConStr.find("found_rows=") == std::string::npos) {
    const std::string conStr = info_.conStr.empty()
                                   ? "DSN=" + info_.conDSN + ";UID=" + info_.conUser + ";PWD=" + info_.conPwd
                                   : info_.conStr;
    defaultStmt_.reset();
    SQLDisconnect(dbc_);
    rc = DriverConnect(conStr + ";OPTION=2");
    if (!SQL_SUCCEEDED(rc)) return failed(rc);
    defaultStmt_ = std::make_unique<OdbcStmt>(dbc_);
    ReadServerFacts();
  }
  return kDbOk;
}

SQLRETURN CODBC::DriverConnect(const std::string& conStr) {
  SQLCHAR out[1024];
  SQLSMALLINT outLen = 0;
  return SQLDriverConnect(dbc_, nullptr, Sql(conStr), SQL_NTS, out, sizeof out, &outLen, SQL_DRIVER_NOPROMPT);
}

int CODBC::Disconnect() {
  defaultStmt_.reset();
  if (dbc_ != SQL_NULL_HDBC) {
    if (inTransaction_) SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
    SQLDisconnect(dbc_);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    dbc_ = SQL_NULL_HDBC;
  }
  inTransaction_ = false;
  connected_ = false;
  return kDbOk;
}

void CODBC::ReadServerFacts() {
  SQLCHAR buffer[256];
  SQLSMALLINT length = 0;
  dbmsName_.clear();
  if (SQL_SUCCEEDED(SQLGetInfo(dbc_, SQL_DBMS_NAME, buffer, sizeof buffer, &length)))
    dbmsName_ = reinterpret_cast<char*>(buffer);
  serverKind_ = ServerKindFromDbmsName(dbmsName_);
  serverVersion_ = 0;
  if (SQL_SUCCEEDED(SQLGetInfo(dbc_, SQL_DBMS_VER, buffer, sizeof buffer, &length)))
    serverVersion_ = std::atoi(reinterpret_cast<char*>(buffer));
  quoteOpen_ = quoteClose_ = '"';
  if (SQL_SUCCEEDED(SQLGetInfo(dbc_, SQL_IDENTIFIER_QUOTE_CHAR, buffer, sizeof buffer, &length)) &&
      length > 0 && buffer[0] != ' ') {
    quoteOpen_ = quoteClose_ = static_cast<char>(buffer[0]);
  }
  qualifyOwner_ = !info_.conOwner.empty();
  owner_ = info_.conOwner;
  backendPid_ = serverKind_ == kServerPostgres ? std::atoi(QueryText("select pg_backend_pid()").c_str()) : 0;
  backslashEscapes_ = serverKind_ == kServerMySql &&
                      ToUpperAscii(QueryText("select @@sql_mode")).find("NO_BACKSLASH_ESCAPES") == std::string::npos;
  if (owner_.empty()) {
    if (serverKind_ == kServerPostgres) {
      owner_ = QueryText("select current_schema()");
    } else if (serverKind_ == kServerMySql) {
      owner_ = QueryText("select database()");
    } else if (serverKind_ == kServerOracle &&
               SQL_SUCCEEDED(SQLGetInfo(dbc_, SQL_USER_NAME, buffer, sizeof buffer, &length))) {
      owner_ = reinterpret_cast<char*>(buffer);
    }
  }
}

std::string CODBC::QueryText(const std::string& sql) {
  OdbcStmt stmt(dbc_);
  std::string value;
  long ind = 0;
  if (isOK(Exec(sql, &stmt)) && isOK(Fetch(&stmt)) && isOK(GetDataAsText(1, &value, &ind, &stmt)) &&
      ind >= 0)
    return value;
  return "";
}

OdbcStmt* CODBC::Resolve(CStmt* stmt) {
  return stmt ? static_cast<OdbcStmt*>(stmt) : defaultStmt_.get();
}

std::unique_ptr<CStmt> CODBC::NewStmt() {
  if (!connected_) return nullptr;
  auto stmt = std::make_unique<OdbcStmt>(dbc_);
  if (stmt->handle() == SQL_NULL_HSTMT) return nullptr;
  return stmt;
}

int CODBC::Exec(const std::string& sql, CStmt* stmt) {
  if (!connected_) return NotConnected();
  OdbcStmt* s = Resolve(stmt);
  if (!s || s->handle() == SQL_NULL_HSTMT) return NotConnected();
  s->Close();
  SQLRETURN rc = SQLExecDirect(s->handle(), Sql(sql), static_cast<SQLINTEGER>(sql.size()));
  if (rc == SQL_NO_DATA) return kDbOk;  // a searched update or delete that touched no row
  if (!SQL_SUCCEEDED(rc)) return Fail(rc, SQL_HANDLE_STMT, s->handle(), "Exec");
  return kDbOk;
}

int CODBC::Fetch(CStmt* stmt) {
  if (!connected_) return NotConnected();
  OdbcStmt* s = Resolve(stmt);
  SQLRETURN rc = SQLFetch(s->handle());
  if (rc == SQL_NO_DATA) return kDbNoData;
  if (!SQL_SUCCEEDED(rc)) return Fail(rc, SQL_HANDLE_STMT, s->handle(), "Fetch");
  return kDbOk;
}

int CODBC::NumResultCols(int* count, CStmt* stmt) {
  if (!connected_) return NotConnected();
  OdbcStmt* s = Resolve(stmt);
  SQLSMALLINT n = 0;
  SQLRETURN rc = SQLNumResultCols(s->handle(), &n);
  if (!SQL_SUCCEEDED(rc)) return Fail(rc, SQL_HANDLE_STMT, s->handle(), "NumResultCols");
  *count = n;
  return kDbOk;
}

int CODBC::ColumnName(int col, std::string* name, CStmt* stmt) {
  if (!connected_) return NotConnected();
  OdbcStmt* s = Resolve(stmt);
  SQLCHAR buffer[512];
  SQLSMALLINT length = 0, type = 0, digits = 0, nullable = 0;
  SQLULEN size = 0;
  SQLRETURN rc = SQLDescribeCol(s->handle(), static_cast<SQLUSMALLINT>(col), buffer, sizeof buffer,
                                &length, &type, &size, &digits, &nullable);
  if (!SQL_SUCCEEDED(rc)) return Fail(rc, SQL_HANDLE_STMT, s->handle(), "DescribeCol");
  name->assign(reinterpret_cast<char*>(buffer));
  return kDbOk;
}

int CODBC::GetData(int col, int64_t* value, long* ind, CStmt* stmt) {
  if (!connected_) return NotConnected();
  OdbcStmt* s = Resolve(stmt);
  SQLBIGINT number = 0;
  SQLLEN indicator = 0;
  SQLRETURN rc = SQLGetData(s->handle(), static_cast<SQLUSMALLINT>(col), SQL_C_SBIGINT, &number,
                            sizeof number, &indicator);
  if (!SQL_SUCCEEDED(rc)) return Fail(rc, SQL_HANDLE_STMT, s->handle(), "GetData");
  *ind = indicator == SQL_NULL_DATA ? -1 : static_cast<long>(sizeof number);
  *value = indicator == SQL_NULL_DATA ? 0 : number;
  return kDbOk;
}

int CODBC::GetDataAsText(int col, std::string* text, long* ind, CStmt* stmt, size_t maxLen) {
  return GetDataInParts(col, SQL_C_CHAR, text, ind, stmt, maxLen);
}

int CODBC::GetDataAsBytes(int col, std::string* bytes, long* ind, CStmt* stmt) {
  return GetDataInParts(col, SQL_C_BINARY, bytes, ind, stmt, 0);
}

int CODBC::GetDataInParts(int col, SQLSMALLINT cType, std::string* out, long* ind, CStmt* stmt,
                          size_t maxLen) {
  if (!connected_) return NotConnected();
  OdbcStmt* s = Resolve(stmt);
  out->clear();
  char buffer[16384];
  // A text part that did not fit fills the buffer but for its terminating
  // zero; a binary part has none.
  const size_t room = cType == SQL_C_CHAR ? sizeof buffer - 1 : sizeof buffer;
  for (;;) {
    SQLLEN indicator = 0;
    SQLRETURN rc = SQLGetData(s->handle(), static_cast<SQLUSMALLINT>(col), cType, buffer,
                              sizeof buffer, &indicator);
    if (rc == SQL_NO_DATA) break;  // every part has been read
    if (!SQL_SUCCEEDED(rc)) return Fail(rc, SQL_HANDLE_STMT, s->handle(), "GetData");
    if (indicator == SQL_NULL_DATA) {
      *ind = -1;
      return kDbOk;
    }
    size_t got = (indicator == SQL_NO_TOTAL || indicator > static_cast<SQLLEN>(room))
                     ? room
                     : static_cast<size_t>(indicator);
    out->append(buffer, got);
    if (rc == SQL_SUCCESS) break;
    if (maxLen > 0 && out->size() >= maxLen) break;
  }
  if (maxLen > 0 && out->size() > maxLen) out->resize(maxLen);
  *ind = static_cast<long>(out->size());
  return kDbOk;
}

void CODBC::CancelRunning() {
  if (!connected_) return;
  {
    std::lock_guard lock(runningMutex_);
    if (running_ != SQL_NULL_HSTMT) SQLCancel(running_);
  }
  if (backendPid_ > 0) {
    PgCancelBackend(info_, backendPid_);
    return;
  }
  OdbcStmt* s = Resolve(nullptr);
  if (s && s->handle() != SQL_NULL_HSTMT) SQLCancel(s->handle());
}

int CODBC::FreeStmt(CStmt* stmt) {
  if (!connected_) return kDbOk;
  OdbcStmt* s = Resolve(stmt);
  if (s) s->Close();
  return kDbOk;
}

int CODBC::NRecords(int64_t* count, CStmt* stmt) {
  if (!connected_) return NotConnected();
  OdbcStmt* s = Resolve(stmt);
  SQLLEN rows = 0;
  SQLRETURN rc = SQLRowCount(s->handle(), &rows);
  if (!SQL_SUCCEEDED(rc)) return Fail(rc, SQL_HANDLE_STMT, s->handle(), "RowCount");
  *count = rows;
  return kDbOk;
}

int CODBC::ExecWithBlob(const std::string& sql, int64_t length, const BlobReader& read) {
  if (!connected_) return NotConnected();
  OdbcStmt stmt(dbc_);
  const SQLHSTMT h = stmt.handle();
  if (h == SQL_NULL_HSTMT) return Fail(SQL_ERROR, SQL_HANDLE_DBC, dbc_, "ExecWithBlob");
  SQLRETURN rc = SQLPrepare(h, Sql(sql), static_cast<SQLINTEGER>(sql.size()));
  if (!SQL_SUCCEEDED(rc)) {
    Fail(rc, SQL_HANDLE_STMT, h, "Prepare");
    return kDbPrepareError;
  }
  // Some drivers must know the whole length before the first piece.
  SQLCHAR needLength[4] = {};
  SQLSMALLINT infoLength = 0;
  const bool wantsLength = SQL_SUCCEEDED(SQLGetInfo(dbc_, SQL_NEED_LONG_DATA_LEN, needLength, sizeof needLength,
                                                    &infoLength)) && needLength[0] == 'Y';
  SQLLEN indicator = wantsLength ? SQL_LEN_DATA_AT_EXEC(static_cast<SQLLEN>(length)) : SQL_DATA_AT_EXEC;
  rc = SQLBindParameter(h, 1, SQL_PARAM_INPUT, SQL_C_BINARY, SQL_LONGVARBINARY,
                        static_cast<SQLULEN>(std::max<int64_t>(length, 1)), 0,
                        reinterpret_cast<SQLPOINTER>(static_cast<intptr_t>(1)), 0, &indicator);
  if (!SQL_SUCCEEDED(rc)) return Fail(rc, SQL_HANDLE_STMT, h, "BindParameter");
  rc = SQLExecute(h);
  std::vector<char> piece;
  while (rc == SQL_NEED_DATA) {
    SQLPOINTER token = nullptr;
    rc = SQLParamData(h, &token);
    if (rc != SQL_NEED_DATA) break;
    piece.resize(kBlobPieceSize);
    bool sent = false;
    for (;;) {
      const long got = read(piece.data(), piece.size());
      if (got < 0) {
        SQLCancel(h);
        error_ = "The value could not be read";
        return kDbError;
      }
      // An empty value still needs one (empty) piece.
      if (got == 0 && sent) break;
      SQLRETURN put = SQLPutData(h, piece.data(), static_cast<SQLLEN>(got));
      if (!SQL_SUCCEEDED(put)) {
        int status = Fail(put, SQL_HANDLE_STMT, h, "PutData");
        SQLCancel(h);
        return status;
      }
      sent = true;
      if (got == 0) break;
    }
  }
  if (rc == SQL_NO_DATA) return kDbOk;  // no row matched
  if (!SQL_SUCCEEDED(rc)) return Fail(rc, SQL_HANDLE_STMT, h, "Execute");
  return kDbOk;
}

namespace {

// The savepoint that makes several rows of one Insert call all or none.
constexpr const char* kRowsSavepoint = "quarnel_rows";
// Status of an array execution that the driver ran for fewer rows than given.
constexpr int kArrayShort = -1000;

}  // namespace

// A prepared insert on a CODBC connection. Values are bound column by
// column; where the driver takes parameter arrays, one execution sends the
// rows of a call, else the statement runs once a row.
class OdbcPreparedInsert : public CPreparedInsert {
 public:
  OdbcPreparedInsert(CODBC& db, std::string markers) : db_(db), stmt_(db.dbc_), markers_(std::move(markers)) {}
  // Prepares `sql` and finds out whether the driver takes arrays; a DbStatus.
  int Prepare(const std::string& sql);
  int Insert(const InsertRows& rows, size_t first, size_t count) override;

 private:
  static constexpr size_t kMaxArrayRows = 1000;
  struct Column {
    SQLSMALLINT cType = 0;
    size_t width = 0;  // bytes of one value in data
    std::vector<char> data;
    std::vector<SQLLEN> lengths;
    // What the driver was given last, so that unchanged buffers are not bound again.
    SQLSMALLINT boundType = 0;
    const void* boundData = nullptr;
    const SQLLEN* boundLengths = nullptr;
    size_t boundWidth = 0;
  };

  int InsertRange(const InsertRows& rows, size_t first, size_t count);
  // Sizes the buffers for `slots` rows of values like those of rows
  // [first, first + count) and binds the ones that changed.
  int Layout(const InsertRows& rows, size_t first, size_t count, size_t slots);
  // Gives the driver column `c`'s buffers.
  int Bind(size_t c);
  void Fill(const InsertRows& rows, size_t row, size_t slot);
  int Execute(size_t slots);
  int Savepoint(const char* verb);

  CODBC& db_;
  OdbcStmt stmt_;
  std::string markers_;
  std::vector<Column> columns_;
  std::vector<ParamKind> kinds_;
  bool arrays_ = false;
  SQLULEN paramset_ = 1;
  SQLULEN processed_ = 0;
};

int OdbcPreparedInsert::Prepare(const std::string& sql) {
  const SQLHSTMT h = stmt_.handle();
  if (h == SQL_NULL_HSTMT) return db_.Fail(SQL_ERROR, SQL_HANDLE_DBC, db_.dbc_, "PrepareInsert");
  SQLRETURN rc = SQLPrepare(h, Sql(sql), static_cast<SQLINTEGER>(sql.size()));
  if (!SQL_SUCCEEDED(rc)) {
    db_.Fail(rc, SQL_HANDLE_STMT, h, "Prepare");
    return kDbPrepareError;
  }
  columns_.resize(markers_.size());
  SQLSetStmtAttr(h, SQL_ATTR_PARAMS_PROCESSED_PTR, &processed_, 0);
  // A driver without parameter arrays refuses the size or keeps 1.
  SQLULEN size = 0;
  arrays_ = SQL_SUCCEEDED(SQLSetStmtAttr(h, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(SQLULEN{2}), 0)) &&
            SQL_SUCCEEDED(SQLGetStmtAttr(h, SQL_ATTR_PARAMSET_SIZE, &size, 0, nullptr)) && size == 2;
  SQLSetStmtAttr(h, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(SQLULEN{1}), 0);
  paramset_ = 1;
  return kDbOk;
}

int OdbcPreparedInsert::Insert(const InsertRows& rows, size_t first, size_t count) {
  if (!db_.connected_) return db_.NotConnected();
  if (!rows.Uniform(first, count, &kinds_) || kinds_.size() != markers_.size()) return kDbNotBound;
  for (size_t c = 0; c < kinds_.size(); ++c) {
    if (kinds_[c] != ParamKind::kNull && (kinds_[c] == ParamKind::kReal) != (markers_[c] == 'r')) return kDbNotBound;
  }
  if (count == 1) return InsertRange(rows, first, 1);
  int status = Savepoint("savepoint ");
  if (!CDB::isOK(status)) return status;
  status = InsertRange(rows, first, count);
  if (status == kArrayShort) {
    // The driver took the array size but not the array: the rows go one by
    // one from now on, after what the short execution stored is undone.
    arrays_ = false;
    status = Savepoint("rollback to ");
    if (CDB::isOK(status)) status = InsertRange(rows, first, count);
  }
  if (CDB::isOK(status)) {
    status = Savepoint("release ");
    if (CDB::isOK(status)) return status;
  }
  // None of the rows stays; the failure's own diagnostics are what the caller reads.
  const std::string error = db_.error_;
  Savepoint("rollback to ");
  Savepoint("release ");
  db_.error_ = error;
  return status;
}

int OdbcPreparedInsert::Savepoint(const char* verb) {
  return db_.Exec(std::string(verb) + kRowsSavepoint);
}

int OdbcPreparedInsert::InsertRange(const InsertRows& rows, size_t first, size_t count) {
  // The SQLite ODBC driver takes a blob's length when the parameter is
  // bound, not at each execution: rows with blobs go one by one, their blob
  // columns bound again for each.
  const bool blobs = std::find(kinds_.begin(), kinds_.end(), ParamKind::kBinary) != kinds_.end();
  if (arrays_ && !blobs) {
    for (size_t done = 0; done < count;) {
      const size_t slots = std::min(kMaxArrayRows, count - done);
      int status = Layout(rows, first + done, slots, slots);
      if (!CDB::isOK(status)) return status;
      for (size_t slot = 0; slot < slots; ++slot) Fill(rows, first + done + slot, slot);
      status = Execute(slots);
      if (!CDB::isOK(status)) return status;
      done += slots;
    }
    return kDbOk;
  }
  int status = Layout(rows, first, count, 1);
  for (size_t row = first; row < first + count && CDB::isOK(status); ++row) {
    Fill(rows, row, 0);
    for (size_t c = 0; c < columns_.size() && blobs && CDB::isOK(status); ++c) {
      if (columns_[c].cType == SQL_C_BINARY) status = Bind(c);
    }
    if (CDB::isOK(status)) status = Execute(1);
  }
  return status;
}

int OdbcPreparedInsert::Layout(const InsertRows& rows, size_t first, size_t count, size_t slots) {
  for (size_t c = 0; c < columns_.size(); ++c) {
    Column& column = columns_[c];
    const ParamKind kind = kinds_[c];
    const SQLSMALLINT cType = kind == ParamKind::kInteger  ? SQL_C_SBIGINT
                              : kind == ParamKind::kBinary ? SQL_C_BINARY
                                                           : SQL_C_CHAR;
    size_t width = sizeof(SQLBIGINT);
    if (cType != SQL_C_SBIGINT) {
      // Room for the longest value and a terminating zero, for drivers
      // that read text up to one.
      width = 1;
      for (size_t row = first; row < first + count; ++row) {
        width = std::max<size_t>(width, rows.Value(row, c).length + 1);
      }
    }
    if (cType != column.cType) column.width = 0;
    column.cType = cType;
    // Buffers only grow, so that they are seldom bound again.
    column.width = std::max(column.width, width);
    if (column.data.size() < slots * column.width) column.data.resize(slots * column.width);
    if (column.lengths.size() < slots) column.lengths.resize(slots);
    if (column.boundType == cType && column.boundData == column.data.data() &&
        column.boundLengths == column.lengths.data() && column.boundWidth == column.width) {
      continue;
    }
    const int status = Bind(c);
    if (!CDB::isOK(status)) return status;
  }
  return kDbOk;
}

int OdbcPreparedInsert::Bind(size_t c) {
  Column& column = columns_[c];
  const SQLHSTMT h = stmt_.handle();
  const SQLSMALLINT sqlType = column.cType == SQL_C_SBIGINT ? SQL_BIGINT
                              : column.cType == SQL_C_BINARY ? SQL_VARBINARY
                                                             : SQL_VARCHAR;
  const SQLULEN size = column.cType == SQL_C_SBIGINT ? 0 : static_cast<SQLULEN>(column.width);
  const SQLRETURN rc =
      SQLBindParameter(h, static_cast<SQLUSMALLINT>(c + 1), SQL_PARAM_INPUT, column.cType, sqlType, size, 0,
                       column.data.data(), static_cast<SQLLEN>(column.width), column.lengths.data());
  if (!SQL_SUCCEEDED(rc)) {
    column.boundType = 0;
    return db_.Fail(rc, SQL_HANDLE_STMT, h, "BindParameter");
  }
  column.boundType = column.cType;
  column.boundData = column.data.data();
  column.boundLengths = column.lengths.data();
  column.boundWidth = column.width;
  return kDbOk;
}

void OdbcPreparedInsert::Fill(const InsertRows& rows, size_t row, size_t slot) {
  for (size_t c = 0; c < columns_.size(); ++c) {
    Column& column = columns_[c];
    const ParamValue& value = rows.Value(row, c);
    char* at = column.data.data() + slot * column.width;
    if (value.kind == ParamKind::kNull) {
      column.lengths[slot] = SQL_NULL_DATA;
    } else if (column.cType == SQL_C_SBIGINT) {
      const SQLBIGINT number = value.integer;
      std::memcpy(at, &number, sizeof number);
      column.lengths[slot] = sizeof number;
    } else {
      const std::string_view bytes = rows.Bytes(value);
      std::memcpy(at, bytes.data(), bytes.size());
      at[bytes.size()] = '\0';
      column.lengths[slot] = static_cast<SQLLEN>(bytes.size());
    }
  }
}

int OdbcPreparedInsert::Execute(size_t slots) {
  const SQLHSTMT h = stmt_.handle();
  if (slots != paramset_) {
    const SQLRETURN rc = SQLSetStmtAttr(h, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(SQLULEN{slots}), 0);
    if (!SQL_SUCCEEDED(rc)) return db_.Fail(rc, SQL_HANDLE_STMT, h, "SetStmtAttr");
    paramset_ = slots;
  }
  processed_ = 0;
  {
    std::lock_guard lock(db_.runningMutex_);
    db_.running_ = h;
  }
  const SQLRETURN rc = SQLExecute(h);
  {
    std::lock_guard lock(db_.runningMutex_);
    db_.running_ = SQL_NULL_HSTMT;
  }
  if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) return db_.Fail(rc, SQL_HANDLE_STMT, h, "Execute");
  if (slots > 1 && processed_ != slots) return kArrayShort;
  return kDbOk;
}

bool CODBC::PreparesInserts() const {
  // SQLite stores a bound value as it stores the literal it stands for
  // (PreparedInsert.h); servers with static types would convert bound text
  // by other rules than literals.
  return connected_ && serverKind_ == kServerSqlite && !backslashEscapes_;
}

std::unique_ptr<CPreparedInsert> CODBC::PrepareInsert(const std::string& insert, const std::string& markers,
                                                      int* status) {
  if (!PreparesInserts()) return CDB::PrepareInsert(insert, markers, status);
  // The SQLite ODBC driver keeps a statement compiled between executions
  // only when it reads as a query; any other statement it compiles again at
  // each execution, which costs more than the insert. A leading WITH clause
  // makes the insert read as a query.
  std::string sql = "with quarnel_once as (select 1) ";
  sql += insert;
  sql += '(';
  for (size_t c = 0; c < markers.size(); ++c) {
    if (c > 0) sql += ',';
    sql += markers[c] == 'r' ? "cast(? as real)" : "?";
  }
  sql += ')';
  auto prepared = std::make_unique<OdbcPreparedInsert>(*this, markers);
  *status = prepared->Prepare(sql);
  if (!isOK(*status)) return nullptr;
  return prepared;
}

int CODBC::SetAutoCommit(bool on) {
  if (!connected_) return NotConnected();
  SQLRETURN rc = SQLSetConnectAttr(
      dbc_, SQL_ATTR_AUTOCOMMIT,
      reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF)),
      SQL_IS_UINTEGER);
  if (!SQL_SUCCEEDED(rc)) return Fail(rc, SQL_HANDLE_DBC, dbc_, "SetAutoCommit");
  return kDbOk;
}

int CODBC::BeginTran() {
  int status = SetAutoCommit(false);
  if (isOK(status)) inTransaction_ = true;
  return status;
}

int CODBC::EndTran(int rollback) {
  if (!connected_) return NotConnected();
  SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, dbc_, rollback ? SQL_ROLLBACK : SQL_COMMIT);
  int status = SQL_SUCCEEDED(rc) ? kDbOk : Fail(rc, SQL_HANDLE_DBC, dbc_, "EndTran");
  inTransaction_ = false;
  int restore = SetAutoCommit(true);
  return isOK(status) ? restore : status;
}

std::string CODBC::ResolveOwner(const std::string& owner) const {
  std::string plain = UnquoteIdentifier(owner.empty() ? owner_ : owner);
  return serverKind_ == kServerSqlite ? "" : plain;
}

std::string CODBC::CatalogOf(const std::string& owner) const {
  return serverKind_ == kServerMySql ? ResolveOwner(owner) : std::string();
}

std::string CODBC::SchemaOf(const std::string& owner) const {
  return serverKind_ == kServerMySql ? std::string() : ResolveOwner(owner);
}

template <typename Call, typename Row>
int CODBC::Catalogue(const char* what, Call call, Row row) {
  if (!connected_) return NotConnected();
  OdbcStmt stmt(dbc_);
  if (stmt.handle() == SQL_NULL_HSTMT) return Fail(SQL_ERROR, SQL_HANDLE_DBC, dbc_, what);
  SQLRETURN rc = call(stmt.handle());
  if (!SQL_SUCCEEDED(rc)) return Fail(rc, SQL_HANDLE_STMT, stmt.handle(), what);
  for (;;) {
    int status = Fetch(&stmt);
    if (status == kDbNoData) break;
    if (!isOK(status)) return status;
    auto text = [&](int col) {
      std::string value;
      long ind = 0;
      GetDataAsText(col, &value, &ind, &stmt);
      return value;
    };
    row(text);
  }
  return kDbOk;
}

namespace {
// Arguments of the catalogue functions: a null pointer for an empty text.
struct CatalogueName {
  explicit CatalogueName(const std::string& text) : value(text) {}
  SQLCHAR* ptr() { return value.empty() ? nullptr : Sql(value); }
  SQLSMALLINT len() const { return value.empty() ? 0 : SQL_NTS; }
  std::string value;
};
}  // namespace

void CODBC::ApplySqliteTypeName(FLD_DESC* f) const {
  const std::string type = ToUpperAscii(f->TypeName);
  int16_t code = SQL_VARCHAR;
  bool sized = false;
  auto has = [&](const char* word) { return type.find(word) != std::string::npos; };
  if (has("BIGINT")) code = SQL_BIGINT;
  else if (has("SMALLINT")) code = SQL_SMALLINT;
  else if (has("TINYINT")) code = SQL_TINYINT;
  else if (has("INT")) code = SQL_INTEGER;
  else if (has("NCHAR") || has("NVARCHAR") || has("NTEXT")) { code = has("NCHAR") && !has("VAR") ? SQL_WCHAR : SQL_WVARCHAR; sized = true; }
  else if (has("VARCHAR") || has("CLOB") || has("TEXT")) { code = has("CLOB") || (has("TEXT") && !has("(")) ? SQL_LONGVARCHAR : SQL_VARCHAR; sized = true; }
  else if (has("CHAR")) { code = SQL_CHAR; sized = true; }
  else if (has("VARBINARY")) { code = SQL_VARBINARY; sized = true; }
  else if (has("BLOB") || has("BINARY")) { code = has("(") ? SQL_BINARY : SQL_LONGVARBINARY; sized = true; }
  else if (has("REAL") || has("FLOA") || has("DOUB")) code = SQL_DOUBLE;
  else if (has("DECIMAL") || has("NUMERIC")) { code = has("DECIMAL") ? SQL_DECIMAL : SQL_NUMERIC; sized = true; }
  else if (has("TIMESTAMP") || has("DATETIME")) code = SQL_TYPE_TIMESTAMP;
  else if (has("DATE")) code = SQL_TYPE_DATE;
  else if (has("TIME")) code = SQL_TYPE_TIME;
  else if (has("BOOL") || has("BIT")) code = SQL_BIT;
  f->iType = code;
  if (sized && type.find('(') != std::string::npos) {
    ParseSizeSuffix(type, &f->iSize, &f->iDigits);
  } else if (code == SQL_INTEGER) {
    f->iSize = 10, f->iDigits = 0;
  } else if (code == SQL_BIGINT) {
    f->iSize = 19, f->iDigits = 0;
  } else if (code == SQL_SMALLINT) {
    f->iSize = 5, f->iDigits = 0;
  } else if (code == SQL_TINYINT) {
    f->iSize = 3, f->iDigits = 0;
  } else if (code == SQL_DECIMAL || code == SQL_NUMERIC) {
    f->iSize = 15, f->iDigits = 0;  // no declared precision
  }
}

int CODBC::FieldsList(FieldList* list, const std::string& table, const std::string& owner,
                      int withKeys) {
  list->clear();
  std::string name = UnquoteIdentifier(table);
  std::string schema = ResolveOwner(owner);
  auto read = [&](const std::string& tableName) {
    CatalogueName c(CatalogOf(owner)), s(SchemaOf(owner)), t(tableName);
    return Catalogue(
        "FieldsList",
        [&](SQLHSTMT h) { return SQLColumns(h, c.ptr(), c.len(), s.ptr(), s.len(), t.ptr(), t.len(), nullptr, 0); },
        [&](auto text) {
          FLD_DESC f;
          f.db = this;
          f.Owner = schema;
          f.Name = text(4);
          f.iType = static_cast<int16_t>(std::atoi(text(5).c_str()));
          f.TypeName = text(6);
          f.iSize = std::atoi(text(7).c_str());
          f.iDigits = static_cast<int16_t>(std::atoi(text(9).c_str()));
          f.isNull = static_cast<int16_t>(std::atoi(text(11).c_str()) != SQL_NO_NULLS);
          f.sDefault = text(13);
          // Some drivers spell "no default" as the text NULL.
          if (EqualsNoCase(f.sDefault, "NULL")) f.sDefault.clear();
          if (serverKind_ == kServerSqlite) ApplySqliteTypeName(&f);
          if (ToUpperAscii(f.sDefault).rfind("NEXTVAL(", 0) == 0 || ToUpperAscii(f.TypeName).find("SERIAL") != std::string::npos)
            f.isAutoIncrement = 1;
          list->push_back(std::move(f));
        });
  };
  int status = read(name);
  if (isOK(status) && list->empty() && serverKind_ == kServerPostgres && name != ToLowerAscii(name)) {
    name = ToLowerAscii(name);  // an unquoted name that the server folded to lower case
    status = read(name);
  }
  if (!isOK(status)) return status;
  if (list->empty()) {
    error_ = "Table '" + table + "' was not found or has no columns";
    return kDbNoData;
  }
  // Identity columns as the driver describes a result of the table.
  {
    OdbcStmt probe(dbc_);
    std::string from = schema.empty() ? QuotedStr(name) : QuotedStr(schema) + "." + QuotedStr(name);
    if (isOK(Exec("select * from " + from + " where 1=0", &probe))) {
      SQLSMALLINT count = 0;
      SQLNumResultCols(probe.handle(), &count);
      for (SQLSMALLINT i = 1; i <= count && i <= static_cast<SQLSMALLINT>(list->size()); ++i) {
        SQLLEN autoIncrement = SQL_FALSE;
        if (SQL_SUCCEEDED(SQLColAttribute(probe.handle(), static_cast<SQLUSMALLINT>(i), SQL_DESC_AUTO_UNIQUE_VALUE,
                                          nullptr, 0, nullptr, &autoIncrement)) &&
            autoIncrement == SQL_TRUE)
          (*list)[i - 1].isAutoIncrement = 1;
      }
    }
    error_.clear();
  }
  if (!withKeys) return kDbOk;
  std::vector<PK_DESC> keys;
  if (isOK(PKList(&keys, name, owner))) {
    for (FLD_DESC& f : *list)
      for (const PK_DESC& k : keys)
        if (k.Column == f.Name) f.isKey = 1;
  }
  std::vector<std::string> checks;
  if (isOK(CheckList(&checks, name, owner))) {
    for (FLD_DESC& f : *list)
      for (const std::string& check : checks)
        if (MentionsWord(check, f.Name)) f.sCheck += (f.sCheck.empty() ? "" : " AND ") + check;
  }
  error_.clear();
  return kDbOk;
}

int CODBC::UniqueColumns(std::vector<std::string>* list, const std::string& table, const std::string& owner) {
  list->clear();
  // Unique indexes by name with their columns; only an index of one column
  // makes that column's values unique on their own.
  std::map<std::string, std::vector<std::string>> indexes;
  CatalogueName c(CatalogOf(owner)), s(SchemaOf(owner)), t(UnquoteIdentifier(table));
  int status = Catalogue(
      "UniqueColumns",
      [&](SQLHSTMT h) {
        return SQLStatistics(h, c.ptr(), c.len(), s.ptr(), s.len(), t.ptr(), t.len(), SQL_INDEX_UNIQUE, SQL_QUICK);
      },
      [&](auto text) {
        if (std::atoi(text(7).c_str()) == SQL_TABLE_STAT || text(4) != "0") return;
        indexes[text(6)].push_back(text(9));
      });
  for (const auto& [index, columns] : indexes) {
    if (columns.size() == 1) list->push_back(columns.front());
  }
  return status;
}

int CODBC::PKList(std::vector<PK_DESC>* list, const std::string& table, const std::string& owner) {
  list->clear();
  CatalogueName c(CatalogOf(owner)), s(SchemaOf(owner)), t(UnquoteIdentifier(table));
  int status = Catalogue(
      "PKList",
      [&](SQLHSTMT h) { return SQLPrimaryKeys(h, c.ptr(), c.len(), s.ptr(), s.len(), t.ptr(), t.len()); },
      [&](auto text) {
        PK_DESC k;
        k.Table = text(3);
        k.Column = text(4);
        k.Position = std::atoi(text(5).c_str());
        k.KeyName = text(6);
        list->push_back(std::move(k));
      });
  std::sort(list->begin(), list->end(),
            [](const PK_DESC& a, const PK_DESC& b) { return a.Position < b.Position; });
  return status;
}

int CODBC::FKList(std::vector<FK_DESC>* list, const std::string& table, const std::string& owner) {
  list->clear();
  CatalogueName c(CatalogOf(owner)), s(SchemaOf(owner)), t(UnquoteIdentifier(table));
  return Catalogue(
      "FKList",
      [&](SQLHSTMT h) {
        return SQLForeignKeys(h, nullptr, 0, nullptr, 0, nullptr, 0, c.ptr(), c.len(), s.ptr(), s.len(), t.ptr(), t.len());
      },
      [&](auto text) {
        FK_DESC k;
        k.RefOwner = text(2);
        k.RefTable = text(3);
        k.RefColumn = text(4);
        k.Column = text(8);
        k.Position = std::atoi(text(9).c_str());
        k.KeyName = text(12);
        list->push_back(std::move(k));
      });
}

int CODBC::TablesList(std::vector<TABLE_DESC>* list, const std::string& owner, int kinds, int) {
  list->clear();
  std::string types;
  auto add = [&](const char* type) { types += (types.empty() ? "" : ",") + std::string(type); };
  if (kinds & kTables) add("TABLE");
  if (kinds & kViews) add("VIEW");
  if (kinds & kSynonyms) add("SYNONYM");
  if (types.empty()) return kDbOk;
  std::string schema = ResolveOwner(owner);
  // Partitions take their rows through the table they partition.
  std::vector<std::string> partitions;
  if ((kinds & kTables) && !isOK(ReadPartitionNames(*this, schema, &partitions))) partitions.clear();
  CatalogueName c(CatalogOf(owner)), s(SchemaOf(owner)), t("%"), y(types);
  return Catalogue(
      "TablesList",
      [&](SQLHSTMT h) { return SQLTables(h, c.ptr(), c.len(), s.ptr(), s.len(), t.ptr(), t.len(), y.ptr(), y.len()); },
      [&](auto text) {
        TABLE_DESC d;
        d.db = this;
        d.Owner = text(2);
        d.Name = text(3);
        if (serverKind_ == kServerSqlite && d.Name.rfind("sqlite_", 0) == 0) return;
        if (std::find(partitions.begin(), partitions.end(), d.Name) != partitions.end()) return;
        std::string type = ToUpperAscii(text(4));
        d.Kind = type == "VIEW" ? kViews : type == "SYNONYM" ? kSynonyms : kTables;
        d.Remarks = text(5);
        list->push_back(std::move(d));
      });
}

int CODBC::CheckList(std::vector<std::string>* list, const std::string& table, const std::string& owner) {
  list->clear();
  if (!connected_) return NotConnected();
  std::string name = UnquoteIdentifier(table);
  if (serverKind_ == kServerSqlite) {
    *list = SqliteChecks(QueryText("select sql from sqlite_master where type='table' and name=" + SqlStringLiteral(name)));
    return kDbOk;
  }
  std::string sql;
  if (serverKind_ == kServerPostgres) {
    sql = "select pg_get_constraintdef(c.oid) from pg_constraint c join pg_class t on c.conrelid=t.oid "
          "join pg_namespace n on t.relnamespace=n.oid where c.contype='c' and t.relname=" +
          SqlStringLiteral(name) + " and n.nspname=" + SqlStringLiteral(ResolveOwner(owner)) + " order by c.conname";
  } else if (serverKind_ == kServerMySql) {
    sql = "select check_clause from information_schema.check_constraints where constraint_schema=" +
          SqlStringLiteral(ResolveOwner(owner)) + " and table_name=" + SqlStringLiteral(name) +
          " order by constraint_name";
  } else {
    return kDbOk;  // other servers: no portable catalogue of checks
  }
  OdbcStmt stmt(dbc_);
  int status = Exec(sql, &stmt);
  if (!isOK(status)) return status;
  while (isOK(Fetch(&stmt))) {
    std::string text;
    long ind = 0;
    GetDataAsText(1, &text, &ind, &stmt);
    // "CHECK ((price >= 0))" -> "(price >= 0)"
    if (ToUpperAscii(text).rfind("CHECK ", 0) == 0) text = TrimText(text.substr(6));
    if (text.size() >= 2 && text.front() == '(' && text.back() == ')') text = text.substr(1, text.size() - 2);
    list->push_back(text);
  }
  return kDbOk;
}

int CODBC::PostgresTableText(std::vector<std::string>* lines, const std::string& name,
                             const std::string& schema, const std::string& full) {
  // The catalogue's own spelling of each type (bool, json, text[], varchar
  // without a length), so that every row of the table fits the copy.
  const std::string relation = "(select c.oid from pg_class c join pg_namespace n on n.oid=c.relnamespace where c.relname=" +
                               SqlStringLiteral(name) + " and n.nspname=" + SqlStringLiteral(schema) + ")";
  OdbcStmt stmt(dbc_);
  int status = Exec(
      "select a.attname, format_type(a.atttypid, a.atttypmod), coalesce(pg_get_expr(d.adbin, d.adrelid), ''), "
      "case when a.attnotnull then 1 else 0 end, a.attidentity::text, a.attgenerated::text "
      "from pg_attribute a left join pg_attrdef d on d.adrelid=a.attrelid and d.adnum=a.attnum "
      "where a.attrelid=" + relation + " and a.attnum>0 and not a.attisdropped order by a.attnum",
      &stmt);
  if (!isOK(status)) return status;
  std::vector<std::string> items;
  while (isOK(Fetch(&stmt))) {
    std::string text[6];
    long ind = 0;
    for (int i = 0; i < 6; ++i) GetDataAsText(i + 1, &text[i], &ind, &stmt);
    std::string item = "   " + QuotedStr(text[0]) + " " + text[1];
    if (text[4] == "a") {
      item += " GENERATED ALWAYS AS IDENTITY";
    } else if (text[4] == "d") {
      item += " GENERATED BY DEFAULT AS IDENTITY";
    } else if (text[5] == "s") {
      item += " GENERATED ALWAYS AS (" + text[2] + ") STORED";
    } else if (!text[2].empty()) {
      item += " DEFAULT " + text[2];
    }
    if (text[3] == "1") item += " NOT NULL";
    items.push_back(std::move(item));
  }
  stmt.Close();
  if (items.empty()) {
    error_ = "Table '" + name + "' was not found";
    return kDbNoData;
  }
  const std::string key = QueryText("select pg_get_constraintdef(oid) from pg_constraint where contype='p' and conrelid=" + relation);
  if (!key.empty()) items.push_back("   " + key);
  lines->push_back("CREATE TABLE " + full + " (");
  for (size_t i = 0; i < items.size(); ++i) lines->push_back(items[i] + (i + 1 < items.size() ? "," : ""));
  lines->push_back(")");
  return kDbOk;
}

int CODBC::ObjectText(std::vector<std::string>* lines, const std::string& table, const std::string& owner,
                      bool portable) {
  lines->clear();
  if (!connected_) return NotConnected();
  std::string name = UnquoteIdentifier(table);
  if (serverKind_ == kServerSqlite) {
    std::string sql = QueryText("select sql from sqlite_master where type='table' and name=" + SqlStringLiteral(name));
    if (sql.empty()) {
      error_ = "Table '" + table + "' was not found";
      return kDbNoData;
    }
    std::istringstream in(sql);
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines->push_back(line);
    }
    return kDbOk;
  }
  std::string schema = ResolveOwner(owner);
  std::string full = QuotedStr(name);
  if ((qualifyOwner_ || !owner.empty()) && !schema.empty()) full = QuotedStr(schema) + "." + full;
  if (serverKind_ == kServerPostgres && !portable) return PostgresTableText(lines, name, schema, full);
  if (serverKind_ == kServerMySql && !portable) {
    // The server's own statement, every type and option as it stands.
    OdbcStmt stmt(dbc_);
    std::string sql;
    long ind = 0;
    if (!isOK(Exec("show create table " + full, &stmt)) || !isOK(Fetch(&stmt)) ||
        !isOK(GetDataAsText(2, &sql, &ind, &stmt)) || ind < 0) {
      if (error_.empty()) error_ = "Table '" + table + "' was not found";
      return kDbNoData;
    }
    std::istringstream in(sql);
    for (std::string line; std::getline(in, line);) lines->push_back(line);
    return kDbOk;
  }
  FieldList fields;
  int status = FieldsList(&fields, name, owner, 1);
  if (!isOK(status)) return status;
  std::vector<std::string> items;
  std::string keys;
  for (const FLD_DESC& f : fields) {
    std::string item = "   " + QuotedStr(f.Name) + " " + f.TypeName;
    if (f.TypeName.find('(') == std::string::npos) item += f.sSize(1, 0);
    if (!f.sDefault.empty() && !f.IsIdentity()) item += " DEFAULT " + f.sDefault;
    if (!f.isNull) item += " NOT NULL";
    if (f.isKey) keys += (keys.empty() ? "" : ",") + QuotedStr(f.Name);
    items.push_back(std::move(item));
  }
  if (!keys.empty()) items.push_back("   PRIMARY KEY (" + keys + ")");
  lines->push_back("CREATE TABLE " + full + " (");
  for (size_t i = 0; i < items.size(); ++i) lines->push_back(items[i] + (i + 1 < items.size() ? "," : ""));
  lines->push_back(")");
  return kDbOk;
}

namespace {

// Lists the first name of each entry of SQLDataSources or SQLDrivers.
template <typename Call>
std::vector<std::string> ListNames(Call call) {
  std::vector<std::string> names;
  std::shared_ptr<OdbcEnv> env = OdbcEnv::Get();
  if (env->handle() == SQL_NULL_HENV) return names;
  SQLCHAR name[512];
  SQLCHAR detail[1024];
  SQLSMALLINT nameLength = 0;
  SQLSMALLINT detailLength = 0;
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  while (SQL_SUCCEEDED(call(env->handle(), direction, name, static_cast<SQLSMALLINT>(sizeof name), &nameLength,
                            detail, static_cast<SQLSMALLINT>(sizeof detail), &detailLength))) {
    names.emplace_back(reinterpret_cast<const char*>(name));
    direction = SQL_FETCH_NEXT;
  }
  return names;
}

}  // namespace

std::vector<std::string> OdbcDataSources() { return ListNames(SQLDataSources); }
std::vector<std::string> OdbcDrivers() { return ListNames(SQLDrivers); }
