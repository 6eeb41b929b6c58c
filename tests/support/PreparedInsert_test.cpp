// Prepared inserts with bound values on SQLite, against the insert statements
// of literals they stand for: every literal goes both ways into tables whose
// columns have each of SQLite's affinities, and what the two tables hold
// must be the same, type and value, to the last bit of a real.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Database.h"
#include "support/PreparedInsert.h"
#include "tests/common/TestEnv.h"

namespace {

// One column of each affinity: none, text, integer, real, numeric, and the
// declared types the row loop meets most.
constexpr const char* kColumns = "k integer primary key, a, b text, c integer, d real, e numeric, f blob, "
                                 "g varchar(10), h date, i decimal(10,2)";
constexpr int kValueColumns = 9;

// Literals that bind, each a kind of value the row loop writes.
const char* const kBindable[] = {
    "NULL", "''", "'O''Brien'", "'back\\slash'", "'Ünïcødé – ✓ 日本'", "'  padded  '", "'42'", "'1.50'",
    "'2024-02-29'", "'line\r\nend'", "0", "-0", "+7", "42", "-42", "007", "9223372036854775807",
    "-9223372036854775808", "9223372036854775808", "-9223372036854775809", "123456789012345678901234567890",
    "1.50", "-0.0", "0.1", "3.141592653589793238", "1e3", "-2.5E-3", "1.", ".5", "  12.25", "    -7.10",
    "0.30000000000000004", "1e308", "1e309", "4.9e-324", "X'00FF41'", "x''", "X'0a0D'"};

// SQL that only the server can evaluate, and text that is no literal.
const char* const kUnbindable[] = {"random()", "'a' || 'b'", "date('now')", "N'abc'", "X'0'", "X'zz'",
                                   "1e",       "abc",        "null",        "'it's'", "- 5", "0x10"};

class PreparedInsertTest : public testing::Test {
 protected:
  void SetUp() override {
    CONN_INFO info;
    info.ConType = CONN_INFO::kOdbc;
    info.conStr = testenv::SqliteConnStr(dir_.file("prepared.db"));
    db_ = CDB::newDB(CONN_INFO::kOdbc);
    ASSERT_TRUE(CDB::isOK(db_->Connect(info))) << db_->ErrorText();
    ASSERT_TRUE(db_->PreparesInserts());
    ASSERT_EQ(testenv::RunScript(*db_, std::string("create table literal(") + kColumns + ");" +
                                           "create table bound(" + kColumns + ")"),
              0);
  }

  // The insert of `count` rows, all of whose columns hold `literals` in turn.
  static std::string LiteralRow(int key, const std::string& literal) {
    std::string row = "(" + std::to_string(key);
    for (int c = 0; c < kValueColumns; ++c) row += "," + literal;
    return row + ")";
  }
  static void AddRow(InsertRows& rows, int key, const std::string& literal) {
    rows.BeginRow();
    rows.Add(std::to_string(key));
    for (int c = 0; c < kValueColumns; ++c) rows.Add(literal);
    rows.EndRow();
  }

  // Rows of the two tables that differ in any column's type or value;
  // `is not` compares reals bit for bit but for the sign of zero, which the
  // text of quote() shows.
  std::vector<std::string> Differences() {
    std::string differ = "select literal.k from literal join bound using(k) where 0";
    for (const char* c : {"a", "b", "c", "d", "e", "f", "g", "h", "i"}) {
      differ += std::string(" or typeof(literal.") + c + ") <> typeof(bound." + c + ") or literal." + c +
                " is not bound." + c + " or quote(literal." + c + ") <> quote(bound." + c + ")";
    }
    return Column(differ + " order by literal.k");
  }
  std::vector<std::string> Column(const std::string& sql) {
    std::vector<std::string> out;
    std::unique_ptr<CStmt> stmt = db_->NewStmt();
    EXPECT_TRUE(CDB::isOK(db_->Exec(sql, stmt.get()))) << db_->ErrorText() << "\n" << sql;
    std::string text;
    long ind = 0;
    while (CDB::isOK(db_->Fetch(stmt.get()))) {
      db_->GetDataAsText(1, &text, &ind, stmt.get());
      out.push_back(ind < 0 ? "<null>" : text);
    }
    return out;
  }
  std::string One(const std::string& sql) {
    const std::vector<std::string> values = Column(sql);
    return values.empty() ? "<none>" : values[0];
  }

  testenv::TempDir dir_;
  std::unique_ptr<CDB> db_;
};

TEST_F(PreparedInsertTest, EachLiteralIsStoredAsItsStatementStoresIt) {
  PreparedInserts inserts(*db_, "insert into bound(k,a,b,c,d,e,f,g,h,i) values");
  InsertRows rows;
  rows.Reset(kValueColumns + 1);
  int key = 0;
  for (const char* literal : kBindable) {
    SCOPED_TRACE(literal);
    ++key;
    ASSERT_EQ(testenv::RunScript(*db_, "insert into literal values" + LiteralRow(key, literal)), 0);
    rows.Clear();
    AddRow(rows, key, literal);
    ASSERT_TRUE(rows.Bindable(0));
    EXPECT_EQ(inserts.Insert(rows, 0, 1), kDbOk) << db_->ErrorText();
  }
  EXPECT_EQ(One("select count(*) from bound"), std::to_string(key));
  EXPECT_EQ(Differences(), std::vector<std::string>{});
  // The values cover every storage class, in the columns without affinity.
  EXPECT_EQ(Column("select distinct typeof(a) from bound order by 1"),
            (std::vector<std::string>{"blob", "integer", "null", "real", "text"}));
}

TEST_F(PreparedInsertTest, RowsOfSeveralValuesGoInOneCallAsTheirMultiRowStatement) {
  // Per column one kind, NULLs anywhere: one execution for all the rows.
  const std::vector<std::vector<std::string>> table = {
      {"'x'", "1.5", "12", "X'00'", "'2001-01-01'"},
      {"NULL", "2.25", "NULL", "NULL", "'1999-12-31'"},
      {"'y''z'", "NULL", "-3", "x''", "NULL"},
      {"''", "-0.0", "9223372036854775807", "X'FFFF'", "'2000-02-29'"},
  };
  PreparedInserts inserts(*db_, "insert into bound(k,a,d,c,f,h) values");
  InsertRows rows;
  rows.Reset(6);
  std::string statement = "insert into literal(k,a,d,c,f,h) values";
  for (size_t r = 0; r < table.size(); ++r) {
    rows.BeginRow();
    rows.Add(std::to_string(r + 1));
    statement += r == 0 ? "(" : ",(";
    statement += std::to_string(r + 1);
    for (const std::string& literal : table[r]) {
      rows.Add(literal);
      statement += "," + literal;
    }
    statement += ")";
    rows.EndRow();
  }
  ASSERT_EQ(testenv::RunScript(*db_, statement), 0);
  // Twice over the same statement: the buffers bound by the first call serve the second.
  EXPECT_EQ(inserts.Insert(rows, 0, 2), kDbOk) << db_->ErrorText();
  EXPECT_EQ(inserts.Insert(rows, 2, 2), kDbOk) << db_->ErrorText();
  EXPECT_EQ(One("select count(*) from bound"), "4");
  EXPECT_EQ(Differences(), std::vector<std::string>{});
}

TEST_F(PreparedInsertTest, WhatCannotBeBoundIsLeftToLiteralStatements) {
  PreparedInserts inserts(*db_, "insert into bound(k,a) values");
  InsertRows rows;
  rows.Reset(2);
  for (const char* literal : kUnbindable) {
    SCOPED_TRACE(literal);
    rows.Clear();
    rows.BeginRow();
    rows.Add("1");
    rows.Add(literal);
    rows.EndRow();
    EXPECT_FALSE(rows.Bindable(0));
    EXPECT_EQ(inserts.Insert(rows, 0, 1), kDbNotBound);
  }
  // An expression, and values of two kinds in one column, leave the rows
  // to literal statements too.
  rows.Clear();
  rows.BeginRow();
  rows.Add("1");
  rows.AddUnbound();
  rows.EndRow();
  EXPECT_EQ(inserts.Insert(rows, 0, 1), kDbNotBound);
  rows.Clear();
  for (const char* literal : {"5", "'five'"}) {
    rows.BeginRow();
    rows.Add("2");
    rows.Add(literal);
    rows.EndRow();
  }
  EXPECT_EQ(inserts.Insert(rows, 0, 2), kDbNotBound);
  // Each on its own binds.
  EXPECT_EQ(inserts.Insert(rows, 0, 1), kDbOk) << db_->ErrorText();
  EXPECT_EQ(One("select count(*) from bound"), "1");
}

TEST_F(PreparedInsertTest, ARowTheServerRefusesLeavesNoneOfItsCallBehind) {
  ASSERT_EQ(testenv::RunScript(*db_, "insert into bound(k,a) values(3,'there')"), 0);
  PreparedInserts inserts(*db_, "insert into bound(k,a) values");
  InsertRows rows;
  rows.Reset(2);
  for (int key = 1; key <= 5; ++key) {
    rows.BeginRow();
    rows.Add(std::to_string(key));
    rows.Add("'new'");
    rows.EndRow();
  }
  for (const bool inTransaction : {false, true}) {
    SCOPED_TRACE(inTransaction ? "in a transaction" : "autocommit");
    if (inTransaction) ASSERT_TRUE(CDB::isOK(db_->BeginTran()));
    const int status = inserts.Insert(rows, 0, 5);
    EXPECT_FALSE(CDB::isOK(status));
    EXPECT_NE(status, kDbNotBound);
    EXPECT_NE(db_->ErrorText().find("UNIQUE"), std::string::npos) << db_->ErrorText();
    EXPECT_FALSE(db_->connectionLost());
    // Rows 1 and 2, stored before row 3 failed, went back with it.
    EXPECT_EQ(Column("select k || a from bound order by k"), std::vector<std::string>{"3there"});
    // The rows around it go on their own, and the transaction stays usable.
    EXPECT_EQ(inserts.Insert(rows, 0, 2), kDbOk) << db_->ErrorText();
    EXPECT_EQ(inserts.Insert(rows, 3, 2), kDbOk) << db_->ErrorText();
    if (inTransaction) {
      ASSERT_TRUE(CDB::isOK(db_->EndTran(1)));
      EXPECT_EQ(One("select count(*) from bound"), "1");
    } else {
      EXPECT_EQ(Column("select k || a from bound order by k"),
                (std::vector<std::string>{"1new", "2new", "3there", "4new", "5new"}));
      ASSERT_EQ(testenv::RunScript(*db_, "delete from bound where k <> 3"), 0);
    }
  }
}

}  // namespace
