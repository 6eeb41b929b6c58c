#include "GenTmpl/SourceOdbc.h"

#include <cstdio>

namespace {

constexpr SQLULEN kLoginTimeoutSeconds = 20;

SQLCHAR* Sql(const std::string& text) {
  return reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str()));
}

}  // namespace

void OdbcSourceReader::HandleFree::operator()(void* handle) const {
  if (type == SQL_HANDLE_DBC) SQLDisconnect(handle);  // harmless when not connected
  SQLFreeHandle(type, handle);
}

OdbcSourceReader::OdbcSourceReader() = default;

OdbcSourceReader::~OdbcSourceReader() = default;

int OdbcSourceReader::Diagnose(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle) {
  std::string text;
  SQLCHAR state[6] = {};
  SQLCHAR message[1024] = {};
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  SQLRETURN diag = SQL_ERROR;
  for (SQLSMALLINT i = 1; handle != nullptr; ++i) {
    diag = SQLGetDiagRec(handleType, handle, i, state, &native, message, sizeof message, &length);
    if (!SQL_SUCCEEDED(diag)) break;
    if (!text.empty()) text += "\n";
    text += "[";
    text += reinterpret_cast<char*>(state);
    text += "] ";
    text += reinterpret_cast<char*>(message);
  }
  if (text.empty()) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "SQLError fail (%d,%d)", static_cast<int>(rc),
                  static_cast<int>(diag));
    text = buffer;
  }
  return Fail(std::move(text));
}

template <typename ConnectCall>
int OdbcSourceReader::Open(ConnectCall connect) {
  Disconnect();
  error_.clear();
  if (!env_) {
    SQLHANDLE env = SQL_NULL_HANDLE;
    SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    if (!SQL_SUCCEEDED(rc)) return Diagnose(rc, SQL_HANDLE_ENV, nullptr);
    env_.reset(env);
    rc = SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    if (!SQL_SUCCEEDED(rc)) {
      const int status = Diagnose(rc, SQL_HANDLE_ENV, env);
      env_.reset();
      return status;
    }
  }
  SQLHANDLE dbc = SQL_NULL_HANDLE;
  SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_DBC, env_.get(), &dbc);
  if (!SQL_SUCCEEDED(rc)) return Diagnose(rc, SQL_HANDLE_ENV, env_.get());
  dbc_.reset(dbc);
  SQLSetConnectAttr(dbc, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(kLoginTimeoutSeconds),
                    0);
  rc = connect(dbc);
  if (!SQL_SUCCEEDED(rc)) {
    const int status = Diagnose(rc, SQL_HANDLE_DBC, dbc);
    dbc_.reset();
    return status;
  }
  connected_ = true;
  quote_ = '"';
  SQLCHAR buffer[8] = {};
  SQLSMALLINT length = 0;
  // A driver without identifier quoting answers with a blank.
  if (SQL_SUCCEEDED(SQLGetInfo(dbc, SQL_IDENTIFIER_QUOTE_CHAR, buffer, sizeof buffer, &length)) &&
      length > 0 && buffer[0] != ' ')
    quote_ = static_cast<char>(buffer[0]);
  return 0;
}

int OdbcSourceReader::DriverConnect(const std::string& connectionString) {
  return Open([&](SQLHDBC dbc) {
    SQLCHAR out[1024];
    SQLSMALLINT outLength = 0;
    return SQLDriverConnect(dbc, nullptr, Sql(connectionString), SQL_NTS, out, sizeof out,
                            &outLength, SQL_DRIVER_NOPROMPT);
  });
}

int OdbcSourceReader::OpenFile(const std::string& path, int kind, bool readOnly) {
  std::string connectionString, error;
  if (!FileConnectString(path, kind, readOnly, connectionString, error)) {
    Disconnect();
    return Fail(error);
  }
  return DriverConnect(connectionString);
}

int OdbcSourceReader::Connect(const std::string& source, const std::string& user,
                              const std::string& password) {
  if (source.empty()) {
    Disconnect();
    return Fail("No data source was given.");
  }
  if (IsConnectionString(source)) return DriverConnect(WithCredentials(source, user, password));
  return Open([&](SQLHDBC dbc) {
    return SQLConnect(dbc, Sql(source), SQL_NTS, Sql(user), SQL_NTS, Sql(password), SQL_NTS);
  });
}

int OdbcSourceReader::Disconnect() {
  dbc_.reset();
  connected_ = false;
  return 0;
}

bool OdbcSourceReader::ReadText(SQLHSTMT stmt, SQLUSMALLINT col, std::string& text,
                                size_t& budget) {
  text.clear();
  char buffer[16384];
  for (;;) {
    SQLLEN indicator = 0;
    const SQLRETURN rc =
        SQLGetData(stmt, col, SQL_C_CHAR, buffer, sizeof buffer, &indicator);
    if (rc == SQL_NO_DATA) return true;  // every part has been read
    if (!SQL_SUCCEEDED(rc)) {
      Diagnose(rc, SQL_HANDLE_STMT, stmt);
      return false;
    }
    if (indicator == SQL_NULL_DATA) return true;
    // A part that did not fit fills the buffer but for its terminating zero.
    const size_t got = (indicator == SQL_NO_TOTAL || indicator >= static_cast<SQLLEN>(sizeof buffer))
                           ? sizeof buffer - 1
                           : static_cast<size_t>(indicator);
    if (!Charge(got, budget)) return false;
    text.append(buffer, got);
    if (rc == SQL_SUCCESS) return true;
  }
}

int OdbcSourceReader::RunQuery(const std::string& sql, int maxColumns,
                               std::vector<std::vector<std::string>>& columns) {
  columns.clear();
  if (!connected_) return NotConnected();
  SQLHANDLE raw = SQL_NULL_HANDLE;
  SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_STMT, dbc_.get(), &raw);
  if (!SQL_SUCCEEDED(rc)) return Diagnose(rc, SQL_HANDLE_DBC, dbc_.get());
  const Handle stmt(raw, HandleFree{SQL_HANDLE_STMT});
  rc = SQLExecDirect(raw, Sql(sql), static_cast<SQLINTEGER>(sql.size()));
  if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) return Diagnose(rc, SQL_HANDLE_STMT, raw);
  SQLSMALLINT count = 0;
  rc = SQLNumResultCols(raw, &count);
  if (!SQL_SUCCEEDED(rc)) return Diagnose(rc, SQL_HANDLE_STMT, raw);
  if (count <= 0) return Fail("The statement returned no result columns.");
  if (maxColumns > 0 && count > maxColumns) count = static_cast<SQLSMALLINT>(maxColumns);
  columns.resize(static_cast<size_t>(count));
  size_t budget = kMaxSourceBytes;
  std::string text;
  for (;;) {
    rc = SQLFetch(raw);
    if (rc == SQL_NO_DATA) break;
    if (!SQL_SUCCEEDED(rc)) {
      const int status = Diagnose(rc, SQL_HANDLE_STMT, raw);
      columns.clear();
      return status;
    }
    for (SQLSMALLINT col = 1; col <= count; ++col) {
      if (!ReadText(raw, static_cast<SQLUSMALLINT>(col), text, budget)) {
        columns.clear();
        return -1;
      }
      columns[static_cast<size_t>(col - 1)].push_back(text);
    }
  }
  SQLFreeStmt(raw, SQL_CLOSE);
  return 0;
}
