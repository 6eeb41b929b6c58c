#include "quarnel/TableNames.h"

#include "support/Database.h"

int TableNameCache::Names(CDB& db, const TableNameOptions& options, std::vector<std::string>* names) {
  if (!db.connected()) {
    Clear();
    names->clear();
    return 0;
  }
  int status = kDbOk;
  if (!filled_ || !options.keep || views_ != options.views || synonyms_ != options.synonyms) {
    if (status_) status_("Loading schema...");
    names_.clear();
    for (int kind : {kTables, kViews, kSynonyms}) {
      if ((kind == kViews && !options.views) || (kind == kSynonyms && !options.synonyms)) continue;
      std::vector<TABLE_DESC> list;
      const int read = db.TablesList(&list, "", kind);
      if (!CDB::isOK(read)) {
        status = read;
        continue;
      }
      for (TABLE_DESC& table : list) {
        table.db = &db;
        names_.push_back(table.NameFullQ());
      }
    }
    filled_ = CDB::isOK(status);
    views_ = options.views;
    synonyms_ = options.synonyms;
  }
  *names = names_;
  return CDB::isOK(status) ? 0 : status;
}
