// The libpq side of COPY: connection parameters from a connection record and
// the escaping of the text format; the round trip through a real server is
// tested with the row loop (tests/engine/RowDelivery_test.cpp).
#include "support/PgCopy.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/Database.h"
#include "tests/common/TestEnv.h"

namespace {

struct FieldCase {
  const char* value;
  const char* field;
};

class CopyField : public testing::TestWithParam<FieldCase> {};

TEST_P(CopyField, EscapesWhatWouldEndTheFieldOrTheLine) {
  std::string out = "x\t";
  AppendCopyField(out, GetParam().value);
  EXPECT_EQ(out, std::string("x\t") + GetParam().field);
}

INSTANTIATE_TEST_SUITE_P(Values, CopyField,
                         testing::Values(FieldCase{"plain", "plain"}, FieldCase{"", ""},
                                         FieldCase{"a\tb", "a\\tb"}, FieldCase{"c:\\dir\\", "c:\\\\dir\\\\"},
                                         FieldCase{"one\r\ntwo\n", "one\\r\\ntwo\\n"},
                                         FieldCase{"\\N", "\\\\N"}, FieldCase{"Zoë 東京", "Zoë 東京"}));

TEST(PgConnectParams, TakesTheKeysOfTheConnectionString) {
  CONN_INFO info;
  info.conStr = "DRIVER={PostgreSQL Unicode};Server=127.0.0.1;Port=5433;Database=gen db;Uid=gen;"
                "Pwd={p;w'd};ConnSettings={set search_path to s1};Unknown=1";
  const PgConnectParams params = PgConnectParamsFor(info);
  EXPECT_EQ(params.conninfo,
            "host='127.0.0.1' port='5433' dbname='gen db' user='gen' password='p;w\\'d' client_encoding='UTF8' ");
  EXPECT_EQ(params.connSettings, "set search_path to s1");
}

TEST(PgConnectParams, ReadsTheDataSourceFromOdbcIni) {
  testenv::TempDir dir;
  const std::string ini = dir.file("odbc.ini");
  testenv::WriteFile(ini, "[bench_pg]\nDriver=PostgreSQL Unicode\nServername=db.example\nPort=6543\n"
                          "Database=sales\nUsername=reader\n");
  ::setenv("ODBCINI", ini.c_str(), 1);
  CONN_INFO info;
  info.conDSN = "bench_pg";
  info.conUser = "owner";
  info.conPwd = "secret";
  const PgConnectParams params = PgConnectParamsFor(info);
  ::unsetenv("ODBCINI");
  // The record's user and password win over the data source's.
  EXPECT_EQ(params.conninfo,
            "host='db.example' port='6543' dbname='sales' user='owner' password='secret' client_encoding='UTF8' ");
}

TEST(PgCopy, AFailedConnectionReportsTheServersMessage) {
  CONN_INFO info;
  info.conStr = "Server=127.0.0.1;Port=1;Database=none";
  PgCopy copy;
  EXPECT_EQ(copy.Connect(info), kDbNotConnected);
  EXPECT_FALSE(copy.connected());
  EXPECT_FALSE(copy.ErrorText().empty());
  EXPECT_EQ(copy.Begin("copy t from stdin"), kDbNotConnected);
}

}  // namespace
