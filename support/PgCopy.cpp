#include "support/PgCopy.h"

#include <libpq-fe.h>
#include <odbcinst.h>

#include <cstdlib>
#include <vector>

#include "support/Database.h"
#include "support/TextUtil.h"

namespace {

struct ResultClear {
  void operator()(PGresult* result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultClear>;

// The libpq keyword of an ODBC connection key, or null when libpq has none.
const char* LibpqKeyword(const std::string& odbcKey) {
  static constexpr struct {
    const char* odbc;
    const char* libpq;
  } kKeys[] = {{"SERVER", "host"},     {"SERVERNAME", "host"}, {"HOST", "host"},       {"PORT", "port"},
               {"DATABASE", "dbname"}, {"DB", "dbname"},       {"UID", "user"},        {"USERNAME", "user"},
               {"USER", "user"},       {"PWD", "password"},    {"PASSWORD", "password"}, {"SSLMODE", "sslmode"}};
  for (const auto& key : kKeys) {
    if (odbcKey == key.odbc) return key.libpq;
  }
  return nullptr;
}

void AppendParameter(std::string& out, const char* keyword, std::string_view value) {
  if (value.empty()) return;
  out += keyword;
  out += "='";
  for (char c : value) {
    if (c == '\'' || c == '\\') out += '\\';
    out += c;
  }
  out += "' ";
}

// The key/value pairs of an ODBC connection string; braced values may hold ';'.
std::vector<std::pair<std::string, std::string>> SplitConnectionString(std::string_view text) {
  std::vector<std::pair<std::string, std::string>> pairs;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t eq = text.find('=', pos);
    if (eq == std::string_view::npos) break;
    std::string key = ToUpperAscii(TrimText(std::string(text.substr(pos, eq - pos))));
    std::string value;
    size_t next = eq + 1;
    if (next < text.size() && text[next] == '{') {
      for (++next; next < text.size(); ++next) {
        if (text[next] == '}') {
          if (next + 1 < text.size() && text[next + 1] == '}') {
            value += '}';
            ++next;
            continue;
          }
          ++next;
          break;
        }
        value += text[next];
      }
      next = text.find(';', next);
    } else {
      next = text.find(';', eq + 1);
      value = TrimText(std::string(text.substr(eq + 1, next == std::string_view::npos ? std::string_view::npos
                                                                                           : next - eq - 1)));
    }
    pairs.emplace_back(std::move(key), std::move(value));
    if (next == std::string_view::npos) break;
    pos = next + 1;
  }
  return pairs;
}

// The entry `key` of data source `dsn` in odbc.ini (user or system file).
std::string DataSourceEntry(const std::string& dsn, const char* key) {
  char value[1024] = {};
  const int length = SQLGetPrivateProfileString(dsn.c_str(), key, "", value, sizeof value, "odbc.ini");
  return length > 0 ? std::string(value, std::min<size_t>(static_cast<size_t>(length), sizeof value - 1)) : std::string();
}

}  // namespace

PgConnectParams PgConnectParamsFor(const CONN_INFO& info) {
  std::vector<std::pair<std::string, std::string>> pairs = SplitConnectionString(info.conStr);
  std::string dsn = info.conDSN;
  for (const auto& [key, value] : pairs) {
    if (key == "DSN") dsn = value;
  }
  if (!dsn.empty()) {
    // The data source's own entries come first; the string's keys override them.
    std::vector<std::pair<std::string, std::string>> entries;
    for (const char* key : {"Servername", "Server", "Host", "Port", "Database", "Username", "UID", "Password",
                            "PWD", "SSLmode", "ConnSettings"}) {
      std::string value = DataSourceEntry(dsn, key);
      if (!value.empty()) entries.emplace_back(ToUpperAscii(key), std::move(value));
    }
    entries.insert(entries.end(), pairs.begin(), pairs.end());
    pairs.swap(entries);
  }
  if (info.conStr.empty()) {
    if (!info.conUser.empty()) pairs.emplace_back("UID", info.conUser);
    if (!info.conPwd.empty()) pairs.emplace_back("PWD", info.conPwd);
  }
  PgConnectParams params;
  // The last occurrence of a parameter wins, as in the ODBC string.
  std::vector<std::pair<const char*, std::string>> chosen;
  for (const auto& [key, value] : pairs) {
    if (key == "CONNSETTINGS") params.connSettings = value;
    const char* keyword = LibpqKeyword(key);
    if (!keyword) continue;
    bool replaced = false;
    for (auto& [k, v] : chosen) {
      if (std::string_view(k) == keyword) {
        v = value;
        replaced = true;
      }
    }
    if (!replaced) chosen.emplace_back(keyword, value);
  }
  for (const auto& [keyword, value] : chosen) AppendParameter(params.conninfo, keyword, value);
  AppendParameter(params.conninfo, "client_encoding", "UTF8");
  return params;
}

void AppendCopyField(std::string& out, std::string_view value) {
  size_t start = 0;
  for (size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    const char* escaped = c == '\\' ? "\\\\" : c == '\t' ? "\\t" : c == '\n' ? "\\n" : c == '\r' ? "\\r" : nullptr;
    if (!escaped) continue;
    out.append(value.data() + start, i - start);
    out += escaped;
    start = i + 1;
  }
  out.append(value.data() + start, value.size() - start);
}

void PgCopy::ConnCloser::operator()(pg_conn* conn) const { PQfinish(conn); }
void PgCopy::CancelFreer::operator()(pg_cancel* cancel) const { PQfreeCancel(cancel); }

void PgCancelBackend(const CONN_INFO& info, int pid) {
  const PgConnectParams params = PgConnectParamsFor(info);
  std::unique_ptr<pg_conn, void (*)(pg_conn*)> conn(PQconnectdb(params.conninfo.c_str()), PQfinish);
  if (!conn || PQstatus(conn.get()) != CONNECTION_OK) return;
  const std::string sql = "select pg_cancel_backend(" + std::to_string(pid) + ")";
  PQclear(PQexec(conn.get(), sql.c_str()));
}

void PgCopy::Cancel() {
  if (!cancel_) return;
  char error[256];
  PQcancel(cancel_.get(), error, sizeof error);
}

PgCopy::PgCopy() = default;
PgCopy::~PgCopy() {
  if (copying_) Abort("connection closed");
}

bool PgCopy::connected() const { return conn_ && PQstatus(conn_.get()) == CONNECTION_OK; }

void PgCopy::TakeError(const char* fallback) {
  const char* message = conn_ ? PQerrorMessage(conn_.get()) : nullptr;
  error_ = message && *message ? message : fallback;
  while (!error_.empty() && (error_.back() == '\n' || error_.back() == '\r')) error_.pop_back();
}

int PgCopy::Connect(const CONN_INFO& info) {
  copying_ = false;
  cancel_.reset();
  const PgConnectParams params = PgConnectParamsFor(info);
  conn_.reset(PQconnectdb(params.conninfo.c_str()));
  if (!connected()) {
    TakeError("Out of memory");
    conn_.reset();
    return kDbNotConnected;
  }
  if (!params.connSettings.empty()) {
    // The session is set up as the ODBC driver sets up its own.
    Result result(PQexec(conn_.get(), params.connSettings.c_str()));
    if (!result || PQresultStatus(result.get()) != PGRES_COMMAND_OK) {
      TakeError("The connection settings failed");
      conn_.reset();
      return kDbError;
    }
  }
  cancel_.reset(PQgetCancel(conn_.get()));
  return kDbOk;
}

int PgCopy::Begin(const std::string& copyStatement) {
  if (!connected()) return kDbNotConnected;
  if (copying_) return kDbBadArgument;
  Result result(PQexec(conn_.get(), copyStatement.c_str()));
  if (!result || PQresultStatus(result.get()) != PGRES_COPY_IN) {
    TakeError("COPY could not start");
    return kDbError;
  }
  copying_ = true;
  return kDbOk;
}

int PgCopy::Put(std::string_view lines) {
  if (!copying_) return kDbBadArgument;
  if (lines.empty()) return kDbOk;
  if (PQputCopyData(conn_.get(), lines.data(), static_cast<int>(lines.size())) != 1) {
    TakeError("COPY data could not be sent");
    return kDbError;
  }
  return kDbOk;
}

int PgCopy::Finish(int64_t* rows) {
  copying_ = false;
  int status = kDbOk;
  // Every result of the COPY is read, so the connection is ready again.
  while (Result result{PQgetResult(conn_.get())}) {
    if (PQresultStatus(result.get()) == PGRES_COMMAND_OK) {
      if (rows) *rows = std::strtoll(PQcmdTuples(result.get()), nullptr, 10);
    } else if (status == kDbOk) {
      const char* message = PQresultErrorMessage(result.get());
      error_ = message && *message ? message : "COPY failed";
      while (!error_.empty() && (error_.back() == '\n' || error_.back() == '\r')) error_.pop_back();
      status = kDbError;
    }
  }
  return status;
}

int PgCopy::End(int64_t* rows) {
  if (rows) *rows = 0;
  if (!copying_) return kDbBadArgument;
  if (PQputCopyEnd(conn_.get(), nullptr) != 1) {
    TakeError("COPY could not be ended");
    copying_ = false;
    return kDbError;
  }
  return Finish(rows);
}

void PgCopy::Abort(const char* reason) {
  if (!copying_) return;
  // The first failure's text is the one worth reporting, not the abort's.
  const std::string first = error_;
  if (PQputCopyEnd(conn_.get(), reason) == 1) {
    Finish(nullptr);
    if (!first.empty()) error_ = first;
  } else {
    copying_ = false;
  }
}
