#include "GenTmpl/SourceCdb.h"

CdbSourceReader::CdbSourceReader(int type) : owned_(CDB::newDB(type)), db_(owned_.get()) {}

CdbSourceReader::CdbSourceReader(CDB& db) : db_(&db) {}

int CdbSourceReader::ConnectWith(const CONN_INFO& info) {
  error_.clear();
  if (!owned_) {
    return Fail(db_ ? "This reader reads through a connection it does not own."
                    : "The connection's interface type is not supported.");
  }
  CONN_INFO settings = info;
  if (settings.ConType == 0) settings.ConType = CONN_INFO::kOdbc;
  if (!CDB::isOK(db_->Connect(settings))) return Fail(db_->ErrorText());
  return 0;
}

int CdbSourceReader::OpenFile(const std::string& path, int kind, bool readOnly) {
  CONN_INFO info;
  std::string error;
  if (!FileConnectString(path, kind, readOnly, info.conStr, error)) {
    Disconnect();
    return Fail(error);
  }
  info.conFile = path;
  return ConnectWith(info);
}

int CdbSourceReader::Connect(const std::string& source, const std::string& user,
                             const std::string& password) {
  CONN_INFO info;
  if (IsConnectionString(source)) {
    info.conStr = WithCredentials(source, user, password);
  } else {
    info.conDSN = source;
    info.conUser = user;
    info.conPwd = password;
  }
  return ConnectWith(info);
}

int CdbSourceReader::Disconnect() {
  if (owned_) owned_->Disconnect();
  return 0;
}

int CdbSourceReader::RunQuery(const std::string& sql, int maxColumns,
                              std::vector<std::vector<std::string>>& columns) {
  columns.clear();
  if (!Connected()) return NotConnected();
  // A statement of its own leaves whatever the connection's owner has open alone.
  const std::unique_ptr<CStmt> stmt = db_->NewStmt();
  if (!stmt) return Fail(db_->ErrorText());
  int count = 0;
  if (!CDB::isOK(db_->Exec(sql, stmt.get())) ||
      !CDB::isOK(db_->NumResultCols(&count, stmt.get())))
    return Fail(db_->ErrorText());
  if (count <= 0) return Fail("The statement returned no result columns.");
  if (maxColumns > 0 && count > maxColumns) count = maxColumns;
  columns.resize(static_cast<size_t>(count));
  size_t budget = kMaxSourceBytes;
  std::string text;
  for (;;) {
    const int status = db_->Fetch(stmt.get());
    if (status == kDbNoData) break;
    if (!CDB::isOK(status)) {
      columns.clear();
      return Fail(db_->ErrorText());
    }
    for (int col = 1; col <= count; ++col) {
      long ind = 0;
      // Reading stops just past the budget, so one huge value cannot
      // exhaust memory before it is refused.
      if (!CDB::isOK(db_->GetDataAsText(col, &text, &ind, stmt.get(), budget + 1))) {
        columns.clear();
        return Fail(db_->ErrorText());
      }
      if (ind < 0) text.clear();
      if (!Charge(text.size(), budget)) {
        columns.clear();
        return -1;
      }
      columns[static_cast<size_t>(col - 1)].push_back(text);
    }
  }
  db_->FreeStmt(stmt.get());
  return 0;
}
