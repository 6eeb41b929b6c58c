// The table-name cache of the application: the fully qualified names of the
// connected database's tables, then its views and synonyms when the settings
// ask for them. The rule editor and the linked-table page read it; with the
// SchemaCache setting it is filled once per connection, without it every
// request reads the catalogue again.
//
// REQUIRES: one thread uses the object; the connection passed to Names is the
// one whose names are wanted (the window clears the cache when it connects).
#pragma once

#include <functional>
#include <string>
#include <vector>

class CDB;

struct TableNameOptions {
  bool keep = true;       // SchemaCache
  bool views = false;     // ViewsInData
  bool synonyms = false;  // SynsInData
};

class TableNameCache {
 public:
  // Called with "Loading schema..." before the catalogue is read.
  void setStatus(std::function<void(const std::string&)> status) { status_ = std::move(status); }

  // The names, read when the cache is empty, not kept or kept for other
  // options. Returns 0, or the catalogue's failing status (the names read so
  // far stay). An unconnected database gives an empty list.
  int Names(CDB& db, const TableNameOptions& options, std::vector<std::string>* names);
  void Clear() { names_.clear(); filled_ = false; }

 private:
  std::function<void(const std::string&)> status_;
  std::vector<std::string> names_;
  bool filled_ = false;
  bool views_ = false;
  bool synonyms_ = false;
};
