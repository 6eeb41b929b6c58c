// CdbSourceReader: a source reader over the support library's `CDB`: either
// a connection of its own, or one it borrows (the pattern engine's custom
// connection, which the engine owns and connected). A borrowed connection is
// only read through: connecting or disconnecting it is refused or ignored.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "GenTmpl/SourceReader.h"
#include "support/ConnInfo.h"
#include "support/Database.h"

class CdbSourceReader : public SqlSourceReader {
 public:
  // An unconnected reader on a new connection of interface `type`.
  explicit CdbSourceReader(int type = CONN_INFO::kOdbc);
  // A reader over `db`. REQUIRES: `db` outlives the reader.
  explicit CdbSourceReader(CDB& db);

  int OpenFile(const std::string& path, int kind, bool readOnly) override;
  int Connect(const std::string& source, const std::string& user,
              const std::string& password) override;
  // Connects with the settings of another connection.
  int ConnectWith(const CONN_INFO& info);
  int Disconnect() override;
  bool Connected() const override { return db_ && db_->connected(); }

 protected:
  int RunQuery(const std::string& sql, int maxColumns,
               std::vector<std::vector<std::string>>& columns) override;
  char QuoteOpen() const override { return db_ ? db_->quoteOpen() : '"'; }
  char QuoteClose() const override { return db_ ? db_->quoteClose() : '"'; }

 private:
  std::unique_ptr<CDB> owned_;
  CDB* db_;
};
