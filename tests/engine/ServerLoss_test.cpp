// A database server that goes away in the middle of a rule: the rule and the
// run stop at once, the open transaction's rows are rejected with the
// driver's error in the log, and every transaction committed before the loss
// is still there afterwards. The test runs its own PostgreSQL or MariaDB
// server, never the shared one.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <tuple>

#include "engine/Generator.h"
#include "tests/engine/RunTestEnv.h"

using namespace enginetest;
using namespace runtest;

namespace {

class PrivateServer {
 public:
  // `script` starts and stops the server: pgtest.sh or mariadbtest.sh.
  explicit PrivateServer(std::string script)
      : script_(std::move(script)), dir_("/tmp/quarnel-loss-" + std::to_string(getpid())) {
    started_ = Script("start") == 0;
    if (started_) {
      conn_ = testenv::ReadFile(dir_ + "/conn");
      while (!conn_.empty() && (conn_.back() == '\n' || conn_.back() == '\r')) conn_.pop_back();
    }
  }
  ~PrivateServer() { Script("stop"); }
  int Script(const std::string& command) const {
    const std::string line = (testenv::SourceDir() / "scripts" / script_).string() + " " + command + " " + dir_ +
                             " >/dev/null 2>&1";
    return std::system(line.c_str());
  }
  bool started() const { return started_; }
  const std::string& conn() const { return conn_; }

 private:
  std::string script_;
  std::string dir_;
  std::string conn_;
  bool started_ = false;
};

}  // namespace

// Single-row statements, and batches of 100 rows, which must not be sent
// again row by row to a server that is gone; on PostgreSQL and MariaDB.
class ServerLoss : public testing::TestWithParam<std::tuple<const char*, int>> {};

TEST_P(ServerLoss, FailedRowsAreRejectedAndCommittedRowsStay) {
  PrivateServer server(std::get<0>(GetParam()));
  if (!server.started()) {
    if (std::getenv("CI")) FAIL() << "a private server could not be started";
    GTEST_SKIP() << "a private server could not be started";
  }
  std::unique_ptr<CDB> db = Connect(server.conn());
  ASSERT_TRUE(db);
  ASSERT_EQ(RunScript(*db, "create table t_run(id integer primary key, name varchar(20))"), 0);

  Harness h;
  RecordingConsole console;
  h.options.connection = db.get();
  h.options.VerifySchema = 0;
  h.options.console = console.Callback();
  h.options.RowsPerStatement = std::get<1>(GetParam());
  h.project.sqlAfter = "insert into t_run values(0, 'epilogue')";
  h.project.rules = {IdRule("t_run", 3000, 100), IdRule("t_run", 10, 0, 5000)};
  bool halted = false;
  console.hook = [&](int message, int number, const std::string&) {
    if (message == kProgressPos && number >= 500 && !halted) {
      halted = true;
      EXPECT_EQ(server.Script("halt"), 0);
    }
  };
  QuarnelGenerator generator;
  generator.Run(h.options);
  ASSERT_TRUE(halted);
  const RunSummary& summary = generator.Summary();
  // Progress reports come every 100 rows, doubling: the server went away
  // after row 100 * 2^k, where a transaction of 100 rows had just ended.
  const uint64_t lost = summary.inserted;
  EXPECT_GE(lost, 500u);
  EXPECT_EQ(lost % 100, 0u);
  // The rule stops at the first statement that finds the server gone: only
  // the rows of the open transaction are rejected, the next rule never runs.
  EXPECT_GE(summary.rejected, 1u);
  EXPECT_LE(summary.rejected, 101u);  // a transaction of 100 rows and the failing one
  EXPECT_EQ(summary.rulesExecuted, 1);
  EXPECT_TRUE(summary.stopped);
  EXPECT_EQ(console.Item(0, kConsoleRejected), std::to_string(summary.rejected));
  const std::string log = h.log.Text();
  EXPECT_NE(log.find("QuarnelGenerator::ExecStatement"), std::string::npos);
  EXPECT_NE(log.find("The connection to the database was lost"), std::string::npos) << log;
  EXPECT_EQ(log.find("insert into t_run(id,name) values(3000,"), std::string::npos);
  EXPECT_LT(log.size(), 20000u) << log;

  db.reset();
  ASSERT_EQ(server.Script("resume"), 0);
  std::unique_ptr<CDB> again = Connect(server.conn());
  ASSERT_TRUE(again);
  EXPECT_EQ(Column(*again, "select count(*) from t_run"), std::vector<std::string>{std::to_string(lost)});
  EXPECT_EQ(Column(*again, "select max(id) from t_run"), std::vector<std::string>{std::to_string(lost)});
}

INSTANTIATE_TEST_SUITE_P(Servers, ServerLoss,
                         testing::Combine(testing::Values("pgtest.sh", "mariadbtest.sh"), testing::Values(1, 100)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param)).substr(0, 2) + "_" +
                                  std::to_string(std::get<1>(info.param));
                         });
