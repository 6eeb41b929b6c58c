// The start query of an Incremental column that continues after the target's
// largest value, per server kind, against a connection that records what it
// is asked.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/FillMethods.h"
#include "tests/engine/EngineTestEnv.h"

using namespace enginetest;

namespace {

// Answers every query with one row holding `answer` (NULL when empty).
class RecordingDb : public CDB {
 public:
  RecordingDb(int kind, std::string answer) : answer_(std::move(answer)) {
    serverKind_ = kind;
    connected_ = true;
  }
  int Connect(const CONN_INFO&) override { return kDbOk; }
  int Disconnect() override { return kDbOk; }
  std::unique_ptr<CStmt> NewStmt() override { return std::make_unique<CStmt>(); }
  int Exec(const std::string& sql, CStmt*) override {
    statements.push_back(sql);
    fetched_ = false;
    return kDbOk;
  }
  int Fetch(CStmt*) override {
    if (fetched_) return kDbNoData;
    fetched_ = true;
    return kDbOk;
  }
  int NumResultCols(int* count, CStmt*) override {
    *count = 1;
    return kDbOk;
  }
  int ColumnName(int, std::string*, CStmt*) override { return kDbError; }
  int GetData(int, int64_t*, long*, CStmt*) override { return kDbError; }
  int GetDataAsBytes(int, std::string*, long*, CStmt*) override { return kDbError; }
  void CancelRunning() override {}
  int GetDataAsText(int, std::string* text, long* ind, CStmt*, size_t) override {
    *text = answer_;
    *ind = answer_.empty() ? -1 : static_cast<long>(answer_.size());
    return kDbOk;
  }
  int FreeStmt(CStmt*) override { return kDbOk; }
  int NRecords(int64_t*, CStmt*) override { return kDbError; }
  int ExecWithBlob(const std::string&, int64_t, const BlobReader&) override { return kDbError; }
  int SetAutoCommit(bool) override { return kDbOk; }
  int BeginTran() override { return kDbOk; }
  int EndTran(int) override { return kDbOk; }
  int FieldsList(FieldList*, const std::string&, const std::string&, int) override { return kDbError; }
  int PKList(std::vector<PK_DESC>*, const std::string&, const std::string&) override { return kDbError; }
  int FKList(std::vector<FK_DESC>*, const std::string&, const std::string&) override { return kDbError; }
  int TablesList(std::vector<TABLE_DESC>*, const std::string&, int, int) override { return kDbError; }
  int UniqueColumns(std::vector<std::string>*, const std::string&, const std::string&) override { return kDbError; }
  int CheckList(std::vector<std::string>*, const std::string&, const std::string&) override { return kDbError; }
  int ObjectText(std::vector<std::string>*, const std::string&, const std::string&, bool) override {
    return kDbError;
  }

  std::vector<std::string> statements;

 private:
  std::string answer_;
  bool fetched_ = false;
};

struct Case {
  int kind;
  int type;
  std::string format;
  std::string expectedSql;
};

class AfterLastTest : public testing::TestWithParam<Case> {};

}  // namespace

TEST_P(AfterLastTest, StartQueryAndStart) {
  const Case& c = GetParam();
  Harness h;
  RecordingDb db(c.kind, "18");
  h.options.connection = &db;
  Rule rule;
  rule.TabName = "orders";
  rule.Fields = {MakeColumn("code", c.type, 12, kMethodIncremental)};
  rule.Fields[0].AfterLast = 1;
  rule.Fields[0].sFormat = c.format;
  RowGenerator generator(h.options, nullptr);
  ASSERT_EQ(generator.GenerateValues(rule), 0);
  ASSERT_EQ(db.statements.size(), 1u);
  EXPECT_EQ(db.statements[0], c.expectedSql);
  EXPECT_EQ(generator.Columns()[0].Start, "18");
}

INSTANTIATE_TEST_SUITE_P(
    ServerKinds, AfterLastTest,
    testing::Values(Case{kServerMsSql, 12, "ORD%05d", "select max(CAST(SUBSTRING(code,4,9) AS INTEGER))+1 from orders"},
                    Case{kServerMsSql, -1, "%d", "select max(CAST(SUBSTRING(code,1,9) AS INTEGER))+1 from orders"},
                    Case{kServerMsSql, 12, "", "select max(CAST(SUBSTRING(code,1,9) AS INTEGER))+1 from orders"},
                    Case{kServerMsSql, 4, "%d", "select max(code)+1 from orders"},
                    Case{kServerPostgres, 12, "ORD%05d", "select max(code)+1 from orders"}));

TEST(AfterLastNullTest, EmptyTargetStartsAtOne) {
  Harness h;
  RecordingDb db(kServerSqlite, "");
  h.options.connection = &db;
  Rule rule;
  rule.TabName = "orders";
  rule.Fields = {MakeColumn("n", 4, 10, kMethodIncremental)};
  rule.Fields[0].AfterLast = 1;
  rule.Fields[0].Start = "500";
  RowGenerator generator(h.options, nullptr);
  ASSERT_EQ(generator.GenerateValues(rule), 0);
  EXPECT_EQ(generator.Columns()[0].Start, "1");
}
