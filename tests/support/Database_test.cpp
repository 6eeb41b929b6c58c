// The database layer against the real drivers: SQLite through its ODBC driver
// and the PostgreSQL server that the test run starts on loopback.
#include <gtest/gtest.h>

#include <sql.h>
#include <sqlext.h>

#include <unistd.h>

#include <algorithm>

#include "support/Database.h"
#include "support/Odbc.h"
#include "support/TextUtil.h"
#include "tests/common/TestEnv.h"

namespace {

const FLD_DESC* FindField(const FieldList& fields, const std::string& name) {
  for (const FLD_DESC& f : fields)
    if (f.Name == name) return &f;
  return nullptr;
}

int64_t CountRows(CDB& db, const std::string& table) {
  std::unique_ptr<CStmt> stmt = db.NewStmt();
  EXPECT_TRUE(CDB::isOK(db.Exec("select count(*) from " + table, stmt.get()))) << db.ErrorText();
  EXPECT_TRUE(CDB::isOK(db.Fetch(stmt.get())));
  int64_t n = -1;
  long ind = 0;
  EXPECT_TRUE(CDB::isOK(db.GetData(1, &n, &ind, stmt.get())));
  return n;
}

class DatabaseTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    std::string kind = GetParam();
    CONN_INFO info;
    info.ConType = CONN_INFO::kOdbc;
    if (kind == "sqlite") {
      info.conStr = testenv::SqliteConnStr(dir_.file("test.db"));
    } else {
      REQUIRE_POSTGRES(conn);
      info.conStr = conn;
    }
    db_ = CDB::newDB(CONN_INFO::kOdbc);
    ASSERT_TRUE(db_);
    ASSERT_TRUE(CDB::isOK(db_->Connect(info))) << db_->ErrorText();
    isPostgres_ = kind == "postgres";
    // Each PostgreSQL test works in a schema of its own, since tests run in
    // parallel against one server.
    if (isPostgres_) {
      schema_ = "t" + std::to_string(getpid());
      Run("drop schema if exists " + schema_ + " cascade");
      Run("create schema " + schema_);
      CONN_INFO withOwner = info;
      withOwner.conOwner = schema_;
      ASSERT_TRUE(CDB::isOK(db_->Connect(withOwner))) << db_->ErrorText();
      Run("set search_path to " + schema_);
    }
  }

  void TearDown() override {
    if (!schema_.empty() && db_) db_->Exec("drop schema if exists " + schema_ + " cascade");
  }

  void Run(const std::string& sql) {
    ASSERT_TRUE(CDB::isOK(db_->Exec(sql))) << sql << "\n" << db_->ErrorText();
  }

  // A schema with most column kinds, a composite key, a self-reference, a
  // foreign key, a check constraint and names that need quotes.
  void CreateSchema() {
    std::string serial = isPostgres_ ? "serial primary key" : "integer primary key autoincrement";
    std::string blob = isPostgres_ ? "bytea" : "blob";
    Run("create table customers (id " + serial +
        ", name varchar(40) not null, credit numeric(12,2) check (credit >= 0 and credit <= 100000),"
        " born date, seen timestamp, note text, photo " + blob + ", referrer integer references customers(id))");
    Run("create table orders (cust integer not null references customers(id), line integer not null,"
        " qty smallint default 1, primary key (cust, line))");
    Run("create table \"Order Items\" (\"Item No\" integer primary key, \"Qty\" integer)");
    Run("create view rich as select id, name from customers where credit > 1000");
  }

  testenv::TempDir dir_;
  std::unique_ptr<CDB> db_;
  bool isPostgres_ = false;
  std::string schema_;
};

TEST_P(DatabaseTest, ReportsServerKindAndQuotes) {
  EXPECT_TRUE(db_->connected());
  EXPECT_EQ(db_->serverKind(), isPostgres_ ? kServerPostgres : kServerSqlite);
  EXPECT_EQ(db_->quoteOpen(), '"');
  EXPECT_NE(db_->Info().ConInfo().find("DRIVER="), std::string::npos);
}

TEST_P(DatabaseTest, DescribesColumnsKeysAndChecks) {
  CreateSchema();
  FieldList fields;
  ASSERT_TRUE(CDB::isOK(db_->FieldsList(&fields, "customers", "", 1))) << db_->ErrorText();
  ASSERT_EQ(fields.size(), 8u);
  EXPECT_EQ(fields[0].Name, "id");
  EXPECT_TRUE(fields[0].isKey);
  EXPECT_TRUE(fields[0].IsIdentity());

  const FLD_DESC* name = FindField(fields, "name");
  ASSERT_TRUE(name);
  EXPECT_EQ(name->iType, SQL_VARCHAR);
  EXPECT_EQ(name->iSize, 40);
  EXPECT_EQ(name->isNull, 0);
  EXPECT_FALSE(name->isKey);
  EXPECT_FALSE(name->IsIdentity());
  EXPECT_STREQ(name->Quote(), "'");
  EXPECT_EQ(name->sSize(1, 0), "(40)");

  const FLD_DESC* credit = FindField(fields, "credit");
  ASSERT_TRUE(credit);
  EXPECT_TRUE(credit->iType == SQL_NUMERIC || credit->iType == SQL_DECIMAL);
  EXPECT_EQ(credit->iSize, 12);
  EXPECT_EQ(credit->iDigits, 2);
  EXPECT_STREQ(credit->Quote(), "");
  std::string check;
  EXPECT_EQ(credit->Check(&check), 1);
  EXPECT_NE(check.find("credit"), std::string::npos);
  EXPECT_NE(check.find("100000"), std::string::npos);
  EXPECT_EQ(name->Check(&check), 0);

  EXPECT_EQ(FindField(fields, "born")->iType, SQL_TYPE_DATE);
  EXPECT_EQ(FindField(fields, "born")->sDefault, "");  // no default, whatever the driver's spelling
  EXPECT_EQ(FindField(fields, "seen")->iType, SQL_TYPE_TIMESTAMP);

  std::vector<PK_DESC> keys;
  ASSERT_TRUE(CDB::isOK(db_->PKList(&keys, "orders", "")));
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_EQ(keys[0].Column, "cust");
  EXPECT_EQ(keys[1].Column, "line");
  EXPECT_EQ(keys[1].Position, 2);

  std::vector<FK_DESC> foreign;
  ASSERT_TRUE(CDB::isOK(db_->FKList(&foreign, "customers", "")));
  ASSERT_EQ(foreign.size(), 1u);
  EXPECT_EQ(foreign[0].Column, "referrer");
  EXPECT_EQ(foreign[0].RefTable, "customers");
  EXPECT_EQ(foreign[0].RefColumn, "id");
  ASSERT_TRUE(CDB::isOK(db_->FKList(&foreign, "orders", "")));
  ASSERT_EQ(foreign.size(), 1u);
  EXPECT_EQ(foreign[0].Column, "cust");
}

TEST_P(DatabaseTest, ListsTablesAndViewsAndQuotesNames) {
  CreateSchema();
  std::vector<TABLE_DESC> tables;
  ASSERT_TRUE(CDB::isOK(db_->TablesList(&tables, "", kTables, 0)));
  std::vector<std::string> names;
  for (const TABLE_DESC& t : tables) names.push_back(t.Name);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Order Items", "customers", "orders"}));

  ASSERT_TRUE(CDB::isOK(db_->TablesList(&tables, "", kTables | kViews, 0)));
  ASSERT_EQ(tables.size(), 4u);
  EXPECT_EQ(std::count_if(tables.begin(), tables.end(), [](const TABLE_DESC& t) { return t.Kind == kViews; }), 1);

  // A name with a blank only works quoted; read back through its quoted form.
  FieldList fields;
  ASSERT_TRUE(CDB::isOK(db_->FieldsList(&fields, "\"Order Items\"", "", 1))) << db_->ErrorText();
  ASSERT_EQ(fields.size(), 2u);
  EXPECT_EQ(fields[0].NameQ(0), "\"Item No\"");
  EXPECT_EQ(fields[1].NameQ(0), isPostgres_ ? "\"Qty\"" : "Qty");
  Run("insert into " + db_->QuotedStr("Order Items") + " (" + fields[0].NameQ(0) + "," +
      fields[1].NameQ(0) + ") values (1, 2)");
  EXPECT_EQ(CountRows(*db_, db_->QuotedStr("Order Items")), 1);

  std::vector<std::string> lines;
  ASSERT_TRUE(CDB::isOK(db_->ObjectText(&lines, "orders", "")));
  ASSERT_FALSE(lines.empty());
  std::string all;
  for (const std::string& l : lines) all += l + "\n";
  EXPECT_NE(ToLowerAscii(all).find("create table"), std::string::npos) << all;
  // The text is a working statement: it recreates the table under a new name.
  std::string copy = all;
  copy.replace(ToLowerAscii(copy).find("orders"), 6, "orders_copy");
  Run(copy);
  std::vector<PK_DESC> keys;
  ASSERT_TRUE(CDB::isOK(db_->PKList(&keys, "orders_copy", "")));
  EXPECT_EQ(keys.size(), 2u);
}

TEST_P(DatabaseTest, ReadsLongValuesAndNulls) {
  CreateSchema();
  std::string longText(70000, 'x');
  for (size_t i = 0; i < longText.size(); i += 997) longText[i] = static_cast<char>('a' + i % 26);
  Run("insert into customers (name, note, credit) values ('n''1', '" + longText + "', null)");
  ASSERT_TRUE(CDB::isOK(db_->Exec("select note, credit, name, id from customers"))) << db_->ErrorText();
  ASSERT_TRUE(CDB::isOK(db_->Fetch()));
  std::string text;
  long ind = 0;
  ASSERT_TRUE(CDB::isOK(db_->GetDataAsText(1, &text, &ind)));
  EXPECT_EQ(text.size(), longText.size());
  EXPECT_EQ(text, longText);
  EXPECT_EQ(ind, 70000);
  ASSERT_TRUE(CDB::isOK(db_->GetDataAsText(2, &text, &ind)));
  EXPECT_EQ(ind, -1);
  ASSERT_TRUE(CDB::isOK(db_->GetDataAsText(3, &text, &ind)));
  EXPECT_EQ(text, "n'1");
  int64_t id = 0;
  ASSERT_TRUE(CDB::isOK(db_->GetData(4, &id, &ind)));
  EXPECT_EQ(id, 1);
  EXPECT_EQ(db_->Fetch(), kDbNoData);
  db_->FreeStmt();

  ASSERT_TRUE(CDB::isOK(db_->Exec("select note from customers")));
  ASSERT_TRUE(CDB::isOK(db_->Fetch()));
  ASSERT_TRUE(CDB::isOK(db_->GetDataAsText(1, &text, &ind, nullptr, 100)));
  EXPECT_EQ(text, longText.substr(0, 100));
}

TEST_P(DatabaseTest, CommitsAndRollsBack) {
  CreateSchema();
  ASSERT_TRUE(CDB::isOK(db_->BeginTran()));
  Run("insert into customers (name) values ('a')");
  Run("insert into customers (name) values ('b')");
  ASSERT_TRUE(CDB::isOK(db_->EndTran(1)));
  EXPECT_EQ(CountRows(*db_, "customers"), 0);

  ASSERT_TRUE(CDB::isOK(db_->BeginTran()));
  Run("insert into customers (name) values ('a')");
  Run("insert into customers (name) values ('b')");
  ASSERT_TRUE(CDB::isOK(db_->EndTran(0)));
  EXPECT_EQ(CountRows(*db_, "customers"), 2);

  Run("update customers set credit = 5");
  int64_t affected = 0;
  ASSERT_TRUE(CDB::isOK(db_->NRecords(&affected)));
  EXPECT_EQ(affected, 2);
  // An update that touches nothing is not an error.
  Run("update customers set credit = 6 where id < 0");

  // A violated foreign key fails with the driver's text.
  EXPECT_FALSE(CDB::isOK(db_->Exec("insert into orders (cust, line) values (999, 1)")));
  EXPECT_FALSE(db_->ErrorText().empty());
}

INSTANTIATE_TEST_SUITE_P(Drivers, DatabaseTest, ::testing::Values("sqlite", "postgres"));

TEST(DatabaseConnect, ReportsDriverErrors) {
  auto db = CDB::newDB(CONN_INFO::kOdbc);
  CONN_INFO info;
  info.ConType = CONN_INFO::kOdbc;
  info.conStr = "DRIVER={No Such Driver};Database=x";
  EXPECT_FALSE(CDB::isOK(db->Connect(info)));
  EXPECT_FALSE(db->connected());
  EXPECT_NE(db->ErrorText().find("No Such Driver"), std::string::npos) << db->ErrorText();

  info.conStr = "DRIVER={PostgreSQL Unicode};Server=127.0.0.1;Port=1;Database=x;Uid=x;Pwd=x";
  EXPECT_FALSE(CDB::isOK(db->Connect(info)));
  EXPECT_NE(db->ErrorText().find("connect"), std::string::npos) << db->ErrorText();

  info.conStr.clear();
  EXPECT_EQ(db->Connect(info), kDbBadArgument);
  EXPECT_EQ(db->Exec("select 1"), kDbNotConnected);
}

TEST(DatabaseNames, QuotesAndSplitsOwnerNames) {
  CODBC db;  // unconnected: SQLite-like rules with double quotes
  EXPECT_EQ(db.QuotedStr("plain"), "plain");
  EXPECT_EQ(db.QuotedStr("plain", 1), "\"plain\"");
  EXPECT_EQ(db.QuotedStr("with blank"), "\"with blank\"");
  EXPECT_EQ(db.QuotedStr("order"), "\"order\"");
  EXPECT_EQ(db.QuotedStr("1st"), "\"1st\"");
  EXPECT_EQ(db.QuotedStr("a\"b"), "\"a\"\"b\"");
  EXPECT_EQ(db.QuotedStr("\"already\""), "\"already\"");
  db.SetQuoteChars('[', ']');
  EXPECT_EQ(db.QuotedStr("x y"), "[x y]");

  std::string owner, name;
  db.PrepareOwner(&owner, &name, "dbo", "sales.\"Order Items\"", 1);
  EXPECT_EQ(owner, "sales");
  EXPECT_EQ(name, "[Order Items]");
  db.PrepareOwner(&owner, &name, "dbo", "orders", 0);
  EXPECT_EQ(owner, "dbo");
  EXPECT_EQ(name, "orders");
  db.PrepareOwner(&owner, &name, "", "\"a.b\"", 0);
  EXPECT_EQ(owner, "");
  EXPECT_EQ(name, "a.b");
}

TEST(DatabaseNames, ConnectionTextsHidePasswords) {
  EXPECT_EQ(HidePassword("DRIVER=x;Uid=u;Pwd=secret;Port=1"), "DRIVER=x;Uid=u;Pwd=***;Port=1");
  EXPECT_EQ(HidePassword("PASSWORD={se;cr}}et};A=1"), "PASSWORD=***;A=1");
  CONN_INFO info;
  info.conDSN = "sales";
  info.conUser = "me";
  info.conPwd = "p;w";
  EXPECT_EQ(info.ConInfo(), "DSN=sales, user me");
  EXPECT_EQ(info.OdbcString(), "DSN=sales;UID=me;PWD={p;w};");
  EXPECT_TRUE(info.HoldsPassword());
  EXPECT_FALSE(info.WithoutPassword().HoldsPassword());
  info.conStr = "Driver=x;pwd={se;cr}}et};Uid=u;Password=2";
  EXPECT_EQ(info.WithoutPassword().conStr, "Driver=x;Uid=u;");
  EXPECT_EQ(info.WithoutPassword().conUser, "me");
  EXPECT_EQ(ServerKindFromDbmsName("PostgreSQL"), kServerPostgres);
  EXPECT_EQ(ServerKindFromDbmsName("SQLite"), kServerSqlite);
  EXPECT_EQ(ServerKindFromDbmsName("Microsoft SQL Server"), kServerMsSql);
  EXPECT_EQ(ServerKindFromDbmsName("MariaDB"), kServerMySql);
  EXPECT_EQ(ServerKindFromDbmsName("Oracle"), kServerOracle);
  EXPECT_EQ(ServerKindFromDbmsName("Firebird"), kServerOther);
}

}  // namespace
