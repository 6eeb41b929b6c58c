// Connection profiles and connecting through them.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>

#include "support/AdvConnect.h"
#include "support/SysReg.h"
#include "tests/common/TestEnv.h"

namespace {

class AdvConnectTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("QUARNEL_HOME", home_.path().c_str(), 1); }
  void TearDown() override { testenv::UsePrivateEnvironment(); }
  testenv::TempDir home_;
  testenv::TempDir dir_;
};

TEST_F(AdvConnectTest, ProfileRoundTripKeepsPasswordPrivate) {
  CONN_INFO info;
  info.ConType = CONN_INFO::kOdbc;
  info.conStr = testenv::SqliteConnStr(dir_.file("a.db"));
  info.conPwd = "s3cr=t;\n";
  info.conOwner = "sales";
  std::string error;
  const std::string path = dir_.file("p.qcp");
  ASSERT_EQ(CAdvConnect::SaveProfile(path, info, &error), 0) << error;
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(testenv::ReadFile(path).find("s3cr"), std::string::npos);

  CONN_INFO back;
  ASSERT_EQ(CAdvConnect::LoadProfile(path, &back, &error), 0) << error;
  EXPECT_EQ(back, info);
}

TEST_F(AdvConnectTest, FileDatabasesAreFoundBesideTheProfile) {
  testenv::WriteFile(dir_.file("rel.qcp"),
                     "# quarnel store 1\n[Connection]\nConnection.conStr=DRIVER=SQLite3;Database=sub/demo.db;FKSupport=1\n");
  CONN_INFO info;
  std::string error;
  ASSERT_EQ(CAdvConnect::LoadProfile(dir_.file("rel.qcp"), &info, &error), 0) << error;
  EXPECT_EQ(info.conStr, "DRIVER=SQLite3;Database=" + dir_.file("sub/demo.db") + ";FKSupport=1");

  // A server database name is not a file, and an absolute path stays as it is.
  testenv::WriteFile(dir_.file("pg.qcp"),
                     "# quarnel store 1\n[Connection]\nConnection.conStr=DRIVER={PostgreSQL Unicode};Database=sales\n");
  ASSERT_EQ(CAdvConnect::LoadProfile(dir_.file("pg.qcp"), &info, &error), 0) << error;
  EXPECT_EQ(info.conStr, "DRIVER={PostgreSQL Unicode};Database=sales");
  testenv::WriteFile(dir_.file("abs.qcp"),
                     "# quarnel store 1\n[Connection]\nConnection.conStr=DRIVER=SQLite3;Database=/x/y.db\n");
  ASSERT_EQ(CAdvConnect::LoadProfile(dir_.file("abs.qcp"), &info, &error), 0) << error;
  EXPECT_EQ(info.conStr, "DRIVER=SQLite3;Database=/x/y.db");
}

TEST_F(AdvConnectTest, BadProfilesGiveClearMessages) {
  struct Case {
    const char* name;
    std::string content;
    const char* expected;
  };
  const Case cases[] = {
      {"missing.qcp", "", "was not found"},
      {"empty.qcp", "", "could not be read"},
      {"binary.qcp", std::string("\x00\xff\x13garbage", 10), "could not be read"},
      {"other.qcp", "[Connection]\nConnection.conStr=x\n", "could not be read"},
      {"nosection.qcp", "# quarnel store 1\n[Other]\nA=1\n", "no [Connection] section"},
      {"noconn.qcp", "# quarnel store 1\n[Connection]\nConnection.conDB=x\n", "neither a data source"},
  };
  for (const Case& c : cases) {
    std::string path = dir_.file(c.name);
    if (std::string(c.name) != "missing.qcp") testenv::WriteFile(path, c.content);
    CONN_INFO info;
    info.conDSN = "unchanged";
    std::string error;
    EXPECT_NE(CAdvConnect::LoadProfile(path, &info, &error), 0) << c.name;
    EXPECT_NE(error.find(c.expected), std::string::npos) << c.name << ": " << error;
    EXPECT_EQ(info.conDSN, "unchanged") << c.name;
  }
}

TEST_F(AdvConnectTest, ConnectsThroughProfileAndRemembersIt) {
  CONN_INFO info;
  info.ConType = CONN_INFO::kOdbc;
  info.conStr = testenv::SqliteConnStr(dir_.file("a.db"));
  std::string error;
  const std::string path = dir_.file("p.qcp");
  ASSERT_EQ(CAdvConnect::SaveProfile(path, info, &error), 0) << error;

  std::unique_ptr<CDB> db;
  CAdvConnect connect;
  ASSERT_EQ(connect.DoConnect(db, path), 0) << connect.LastError();
  ASSERT_TRUE(db);
  EXPECT_TRUE(db->connected());
  EXPECT_EQ(db->serverKind(), kServerSqlite);

  // The next start restores the last connection without a profile.
  CAdvConnect restarted;
  EXPECT_EQ(restarted.settings(), connect.settings());
  std::unique_ptr<CDB> again;
  EXPECT_EQ(restarted.DoConnect(again, ""), 0) << restarted.LastError();

  // A profile naming a missing driver fails with the driver manager's text.
  info.conStr = "DRIVER={Missing Driver};Database=x";
  ASSERT_EQ(CAdvConnect::SaveProfile(path, info, &error), 0);
  EXPECT_NE(connect.DoConnect(db, path), 0);
  EXPECT_NE(connect.LastError().find("Missing Driver"), std::string::npos) << connect.LastError();
}

}  // namespace
