// A user with an existing database: `quarnel --auto '*'` builds a project from
// its schema and `quarnel -c` runs it. Realistic schemas (the demo's, a shop, a
// film-rental business with enums, domains, arrays, a full-text column, a
// partitioned table and triggers, and a human-resources schema with composite
// keys, a self-reference and a two-table cycle) must load every row on SQLite,
// PostgreSQL and MariaDB, with every foreign key of the loaded data kept.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <regex>
#include <tuple>

#include "project/ProjectDocument.h"
#include "support/AdvConnect.h"
#include "support/Database.h"
#include "tests/common/TestEnv.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRowsPerTable = 1000;  // the default row count of generated rules

// The value of `key=` in an ODBC connection string.
std::string ConnValue(const std::string& conn, const std::string& key) {
  std::smatch match;
  return std::regex_search(conn, match, std::regex("(^|;)" + key + "=([^;]*)")) ? match[2].str() : std::string();
}

std::string Shell(const std::string& text) { return "'" + std::regex_replace(text, std::regex("'"), "'\\''") + "'"; }

class SchemaFixtureTest : public ::testing::TestWithParam<std::tuple<const char*, const char*>> {
 protected:
  void SetUp() override {
    schema_ = std::get<0>(GetParam());
    server_ = std::get<1>(GetParam());
    CONN_INFO info;
    info.ConType = CONN_INFO::kOdbc;
    std::string load;
    if (server_ == "postgres") {
      REQUIRE_POSTGRES(conn);
      // A schema of the test's own, so that the fixtures' tables never meet.
      info.conOwner = "test_" + std::to_string(getpid()) + "_" + schema_;
      info.conStr = std::regex_replace(conn, std::regex("search_path to \\w+"), "search_path to " + info.conOwner);
      {
        CONN_INFO base = info;
        base.conStr = conn;
        auto admin = CDB::newDB();
        ASSERT_TRUE(CDB::isOK(admin->Connect(base))) << admin->ErrorText();
        ASSERT_TRUE(CDB::isOK(admin->Exec("drop schema if exists " + info.conOwner + " cascade")));
        ASSERT_TRUE(CDB::isOK(admin->Exec("create schema " + info.conOwner))) << admin->ErrorText();
      }
      // The schema is loaded as a user would, with psql.
      load = "PGOPTIONS='-c search_path=" + info.conOwner + "' psql -q -v ON_ERROR_STOP=1 -h " +
             ConnValue(conn, "Server") + " -p " + ConnValue(conn, "Port") + " -U " + ConnValue(conn, "Uid") +
             " -d " + ConnValue(conn, "Database") + " -f " + Shell(FixturePath("pg").string());
    } else if (server_ == "mariadb") {
      REQUIRE_MARIADB(conn);
      // A database of the test's own, loaded with the mariadb client.
      const std::string database = ConnValue(conn, "Database") + "_" + schema_;
      info.conStr = std::regex_replace(conn, std::regex("Database=\\w+"), "Database=" + database);
      const std::string client = "mariadb --no-defaults -h " + ConnValue(conn, "Server") + " -P " +
                                 ConnValue(conn, "Port") + " -u " + ConnValue(conn, "Uid") + " -p" +
                                 ConnValue(conn, "Pwd");
      load = client + " -e 'drop database if exists " + database + "; create database " + database +
             " character set utf8mb4' && " + client + " " + database + " < " + Shell(FixturePath("mariadb").string());
    } else {
      info.conStr = testenv::SqliteConnStr(dir_.file("data.db"));
      load = "sqlite3 -bail " + Shell(dir_.file("data.db")) + " < " + Shell(FixturePath("sqlite").string());
    }
    ASSERT_EQ(std::system((load + " >" + Shell(dir_.file("load.txt")) + " 2>&1").c_str()), 0)
        << testenv::ReadFile(dir_.file("load.txt"));
    db_ = CDB::newDB();
    ASSERT_TRUE(CDB::isOK(db_->Connect(info))) << db_->ErrorText();
    std::string error;
    ASSERT_EQ(CAdvConnect::SaveProfile(dir_.file("db.qcp"), info, &error), 0) << error;
  }

  fs::path FixturePath(const std::string& dialect) const {
    if (schema_ == "demo")
      return testenv::SourceDir() / "examples" /
           (dialect == "sqlite" ? "demo-schema.sql" : dialect == "pg" ? "demo-schema-postgres.sql" : "demo-schema-mariadb.sql");
    return testenv::SourceDir() / "tests" / "quarnel" / "schemas" / (schema_ + "." + dialect + ".sql");
  }

  int Quarnel(const std::string& args) {
    const std::string command = "cd " + Shell(dir_.path().string()) + " && QUARNEL_HOME=" + Shell(home_.path().string()) +
                                " exec " + Shell(QUARNEL_PROGRAM) + " " + args + " >out.txt 2>&1 </dev/null";
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }
  std::string Output() const { return testenv::ReadFile(dir_.file("out.txt")); }

  // The single number a query gives, or -1 (a test failure) when it fails.
  int64_t Number(const std::string& sql) {
    std::unique_ptr<CStmt> stmt = db_->NewStmt();
    int64_t value = -1;
    long ind = 0;
    if (!CDB::isOK(db_->Exec(sql, stmt.get())) || !CDB::isOK(db_->Fetch(stmt.get())) ||
        !CDB::isOK(db_->GetData(1, &value, &ind, stmt.get()))) {
      ADD_FAILURE() << db_->ErrorText() << "\n" << sql;
      return -1;
    }
    return value;
  }

  // Rows of `table` whose foreign key, all of it set, finds no row in the
  // table it refers to: one count for all of the table's keys.
  int64_t Orphans(const std::string& table) {
    std::vector<FK_DESC> keys;
    EXPECT_TRUE(CDB::isOK(db_->FKList(&keys, table, ""))) << db_->ErrorText();
    int64_t orphans = 0;
    for (size_t i = 0; i < keys.size();) {
      size_t end = i + 1;
      while (end < keys.size() && keys[end].Position > 1 && keys[end].RefTable == keys[i].RefTable) ++end;
      std::string set, match;
      for (size_t k = i; k < end; ++k) {
        const std::string column = db_->QuotedStr(keys[k].Column, 1);
        set += (set.empty() ? "" : " and ") + ("c." + column + " is not null");
        match += (match.empty() ? "" : " and ") + ("p." + db_->QuotedStr(keys[k].RefColumn, 1) + " = c." + column);
      }
      orphans += Number("select count(*) from " + db_->QualifiedName(table) + " c where " + set +
                        " and not exists (select 1 from " + db_->QualifiedName(keys[i].RefTable) + " p where " +
                        match + ")");
      i = end;
    }
    return orphans;
  }

  testenv::TempDir dir_;
  testenv::TempDir home_;
  std::unique_ptr<CDB> db_;
  std::string schema_;
  std::string server_;
};

TEST_P(SchemaFixtureTest, EveryTableTakesItsRowsWithItsKeysKept) {
  ASSERT_EQ(Quarnel("-@db.qcp --auto '*' --save project.qrp"), 0) << Output();
  const int status = Quarnel("-c -@db.qcp project.qrp");
  const std::string out = Output();
  EXPECT_EQ(status, 0) << out;
  EXPECT_EQ(out.find("Error"), std::string::npos) << out;
  EXPECT_FALSE(std::regex_search(out, std::regex("rejected [1-9]"))) << out;

  // The rows each table's insert rule asks for: 1,000, or fewer where the
  // rule says in its note that the table cannot take more.
  ProjectDocument project;
  ASSERT_EQ(project.DoLoad(dir_.file("project.qrp"), false), 0);
  std::map<std::string, int64_t> asked;
  for (const Rule& rule : project.project().rules) {
    if (rule.Mode != kRuleData || rule.InsMode != kInsAppend) continue;
    asked[rule.TabName] += rule.Records;
    if (rule.Records != kRowsPerTable) EXPECT_NE(rule.note.find("Rows capped at"), std::string::npos) << rule.TabName;
  }
  std::vector<TABLE_DESC> tables;
  ASSERT_TRUE(CDB::isOK(db_->TablesList(&tables, "", kTables))) << db_->ErrorText();
  ASSERT_FALSE(tables.empty());
  int64_t rows = 0, wanted = 0;
  std::string counts;
  for (const TABLE_DESC& table : tables) {
    const int64_t count = Number("select count(*) from " + db_->QualifiedName(table.Name));
    rows += count;
    wanted += asked[table.Name];
    EXPECT_GT(asked[table.Name], 0) << table.Name << " has no rule";
    counts += " " + table.Name + "=" + std::to_string(count);
    EXPECT_EQ(Orphans(table.Name), 0) << table.Name;
  }
  std::cout << schema_ << " on " << server_ << ":" << counts << "\n";
  // At least 99.9% of all rows the rules asked for.
  EXPECT_GE(rows * 1000, wanted * 999) << counts;
}

INSTANTIATE_TEST_SUITE_P(Schemas, SchemaFixtureTest,
                         ::testing::Combine(::testing::Values("demo", "shop", "film", "hr"),
                                            ::testing::Values("sqlite", "postgres", "mariadb")),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param)) + "_" + std::get<1>(info.param);
                         });

}  // namespace
