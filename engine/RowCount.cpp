// The number of rows a data rule generates, by its row-count mode.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "engine/Generator.h"
#include "support/Database.h"
#include "support/Log.h"
#include "values/Random.h"

namespace {

// From + a random draw below |to - from|; `from` when they are equal.
int RandomCount(int from, int to) {
  const int64_t span = std::llabs(static_cast<int64_t>(to) - from);
  if (span == 0) return from;
  return static_cast<int>(from + Random31() % span);
}

}  // namespace

int QuarnelGenerator::RowCount(Rule& rule) {
  switch (rule.RcMode) {
    case kRcRandom:
      rule.Records = RandomCount(rule.RecordsFrom, rule.RecordsTo);
      return 0;
    case kRcSameAsTable:
    case kRcSql:
    case kRcTableDriven:
      break;
    default:
      return 0;
  }
  if (!Connected()) return 0;
  CDB& db = *options_.connection;
  std::string sql;
  if (rule.RcMode == kRcSql) {
    sql = rule.CountSQL;
  } else if (rule.RcMode == kRcSameAsTable) {
    sql = "select count(*) from " + db.QualifiedName(rule.CountTable);
  } else {
    sql = "select count(distinct " + db.QuotedStr(rule.CountColumn) + ") from " + db.QualifiedName(rule.CountTable);
  }
  std::unique_ptr<CStmt> stmt = db.NewStmt();
  int64_t count = 0;
  long indicator = 0;
  const bool ok = CDB::isOK(db.Exec(sql, stmt.get())) && CDB::isOK(db.Fetch(stmt.get())) &&
                  CDB::isOK(db.GetData(1, &count, &indicator, stmt.get()));
  if (!ok) {
    options_.Messages().Message("Execution error", sql + "\r\n\r\n" + db.ErrorText(), PromptIcon::kError);
    db.FreeStmt(stmt.get());
    return 1;
  }
  db.FreeStmt(stmt.get());
  if (indicator < 0) count = 0;
  if (rule.RcMode == kRcTableDriven && count >= 0) {
    int64_t sum = 0;
    for (int64_t v = 0; v < count && sum <= INT32_MAX; ++v) sum += RandomCount(rule.RecordsFrom, rule.RecordsTo);
    count = sum;
  }
  if (count < 0) {
    char text[128];
    std::snprintf(text, sizeof text, "Wrong managed records value %" PRId64 ".\nSwitched to default value.", count);
    options_.Messages().Message("Warning!", text, PromptIcon::kInformation);
    count = options_.Rows;
  }
  rule.Records = count > INT32_MAX ? INT32_MAX : static_cast<int>(count);
  return 0;
}
