// Start-up of the program as a user meets it: the real quarnel binary in
// console mode, with its settings and log in a temporary home.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <regex>

#include "quarnel/QuarnelApp.h"
#include "support/AdvConnect.h"
#include "support/Database.h"
#include "tests/common/TestEnv.h"

namespace fs = std::filesystem;

namespace {

struct Result {
  int status = -1;
  std::string out;  // standard output and standard error, in that order
};

class ConsoleModeTest : public ::testing::Test {
 protected:
  Result Quarnel(const std::string& args) {
    std::string outFile = dir_.file("out.txt"), errFile = dir_.file("err.txt");
    std::string command = "cd '" + dir_.path().string() + "' && QUARNEL_HOME='" + home_.path().string() + "' '" +
                          QUARNEL_PROGRAM + "' " + args + " >'" + outFile + "' 2>'" + errFile + "' </dev/null";
    int raw = std::system(command.c_str());
    Result r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = testenv::ReadFile(outFile) + testenv::ReadFile(errFile);
    return r;
  }

  void WriteProfile(const std::string& name, const std::string& conStr) {
    CONN_INFO info;
    info.ConType = CONN_INFO::kOdbc;
    info.conStr = conStr;
    std::string error;
    ASSERT_EQ(CAdvConnect::SaveProfile(dir_.file(name), info, &error), 0) << error;
  }

  testenv::TempDir dir_;
  testenv::TempDir home_;
};

TEST_F(ConsoleModeTest, ConnectsThroughProfileAndLoadsTheProject) {
  WriteProfile("db.qcp", testenv::SqliteConnStr(dir_.file("x.db")));
  fs::copy_file(testenv::SourceDir() / "examples" / "demo.qrp", dir_.path() / "my demo.qrp");
  Result r = Quarnel("-c -@db.qcp \"my demo.qrp\"");
  // The database has none of the demo's tables: the project runs and every row is rejected.
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.out.find("Rule 1, inserted 0 ("), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("(console mode)...\n\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Connected to SQLite"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("my demo.qrp: 8 rule(s)"), std::string::npos) << r.out;
  EXPECT_TRUE(fs::exists(home_.path() / "state" / "quarnel.log"));

  // Without a project file there is nothing to load, and nothing runs.
  r = Quarnel("-c -@db.qcp");
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_NE(r.out.find("Connected to SQLite"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Selected project was not found."), std::string::npos) << r.out;
}

TEST_F(ConsoleModeTest, AProfileThatDoesNotConnectRunsNothing) {
  // The database the user named is the only one a run may touch.
  WriteProfile("bad.qcp", "DRIVER={No Such Driver};Database=x");
  fs::copy_file(testenv::SourceDir() / "examples" / "demo.qrp", dir_.path() / "demo.qrp");
  Result r = Quarnel("-c -@bad.qcp demo.qrp");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.out.find("Connection error"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("No Such Driver"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("nothing was run"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("Project demo.qrp"), std::string::npos) << r.out;

  testenv::WriteFile(dir_.file("garbage.qcp"), std::string("\x7f" "ELF\x01\x02", 6));
  r = Quarnel("-c -@garbage.qcp demo.qrp");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.out.find("could not be read"), std::string::npos) << r.out;
  r = Quarnel("-c -@missing.qcp demo.qrp");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.out.find("Connection profile not found: missing.qcp"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("Project demo.qrp"), std::string::npos) << r.out;
}

TEST_F(ConsoleModeTest, AProjectLoadedInPartRunsNothing) {
  WriteProfile("db.qcp", testenv::SqliteConnStr(dir_.file("x.db")));
  std::string project = testenv::ReadFile((testenv::SourceDir() / "examples" / "demo.qrp").string());
  const std::size_t count = project.find("Count=8");
  ASSERT_NE(count, std::string::npos);
  project.replace(count, 7, "Count=9");
  testenv::WriteFile(dir_.file("cut.qrp"), project);
  Result r = Quarnel("-c -@db.qcp cut.qrp");
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_NE(r.out.find("quarnel: project 'cut.qrp' was loaded in part (1 entries announced by the "
                       "file are missing.); nothing was run"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(r.out.find("Rule 1"), std::string::npos) << r.out;
  EXPECT_FALSE(fs::exists(dir_.path() / "demo-out.sql"));
}

TEST_F(ConsoleModeTest, OwnOptionsAndMissingWindow) {
  Result r = Quarnel("--version");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("quarnel ", 0), 0u) << r.out;
  r = Quarnel("--help");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("-@"), std::string::npos);
  r = Quarnel("--frobnicate");
  EXPECT_EQ(r.status, 2);
  r = Quarnel("-c -@");
  EXPECT_NE(r.out.find("-@ switch without profile was specified."), std::string::npos) << r.out;
  // Without a display the window is not tried: Qt would abort the program.
  const std::string command = "cd '" + dir_.path().string() + "' && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM"
                              " QUARNEL_HOME='" + home_.path().string() + "' '" + QUARNEL_PROGRAM + "' 2>err.txt";
  const int raw = std::system(command.c_str());
  EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 2);
  EXPECT_NE(testenv::ReadFile(dir_.file("err.txt")).find("no display to open the window on"), std::string::npos);
}

TEST_F(ConsoleModeTest, BuildsProjectFromSchemaAndReportsIt) {
  const std::string db = dir_.file("shop.db");
  {
    auto conn = CDB::newDB(CONN_INFO::kOdbc);
    CONN_INFO info;
    info.conStr = testenv::SqliteConnStr(db);
    ASSERT_TRUE(CDB::isOK(conn->Connect(info))) << conn->ErrorText();
    ASSERT_TRUE(CDB::isOK(conn->Exec("create table b (id integer primary key, a_id integer references a(id))")));
    ASSERT_TRUE(CDB::isOK(conn->Exec("create table a (id integer primary key, name varchar(20))")));
  }
  // The profile's password stays in the profile.
  WriteProfile("shop.qcp", testenv::SqliteConnStr(db) + ";PWD=s3cret");
  fs::create_directory(dir_.path() / "projects");
  fs::create_symlink("projects/shop-v1.qrp", dir_.path() / "shop.qrp");
  Result r = Quarnel("-@shop.qcp --auto '*' --save shop.qrp");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("2 rule(s) for 2 table(s)"), std::string::npos) << r.out;
  // Saved through the link, into the file it names.
  EXPECT_TRUE(fs::is_symlink(dir_.path() / "shop.qrp"));
  const std::string project = testenv::ReadFile(dir_.file("projects/shop-v1.qrp"));
  // Referenced tables come first.
  EXPECT_LT(project.find("TabName=a\n"), project.find("TabName=b\n")) << project;
  EXPECT_EQ(project.find("s3cret"), std::string::npos) << project;
  EXPECT_NE(project.find(db), std::string::npos) << project;
  EXPECT_EQ(fs::status(dir_.path() / "shop.qrp").permissions() & fs::perms::others_read,
            fs::perms::others_read);

  r = Quarnel("shop.qrp --report 'shop report.html'");
  ASSERT_EQ(r.status, 0) << r.out;
  const std::string html = testenv::ReadFile(dir_.file("shop report.html"));
  EXPECT_NE(html.find("Rule #1 (a)"), std::string::npos) << html;

  EXPECT_EQ(Quarnel("-@shop.qcp --auto '*'").status, 2);  // no --save
  EXPECT_EQ(Quarnel("--auto").status, 2);                  // no value
  // A table that is not there is said so, and no project is written.
  r = Quarnel("-@shop.qcp --auto 'a,nosuch' --save none.qrp");
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_NE(r.out.find("quarnel: table 'nosuch' was not found"), std::string::npos) << r.out;
  EXPECT_FALSE(fs::exists(dir_.path() / "none.qrp"));
  // -c runs a project; it is never silently dropped for another command.
  for (const char* other : {"--auto '*' --save x.qrp", "--report x.html", "--pattern N"}) {
    r = Quarnel(std::string("-c -@shop.qcp shop.qrp ") + other);
    EXPECT_EQ(r.status, 2) << other << r.out;
    EXPECT_NE(r.out.find("are separate commands"), std::string::npos) << r.out;
  }
  EXPECT_FALSE(fs::exists(dir_.path() / "x.qrp"));
  EXPECT_FALSE(fs::exists(dir_.path() / "x.html"));
}

TEST_F(ConsoleModeTest, PatternsFromTheCommandLine) {
  Result r = Quarnel("--pattern '\\(NNN\\) NNN-NNNN' --rows 3");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(std::regex_match(r.out, std::regex("(\\(\\d{3}\\) \\d{3}-\\d{4}\n){3}"))) << r.out;

  const std::string addresses =
      "--pattern '$Lib(FirstNames)[.$Lib(LastNames)]\\@$Lib(Companies,Domain)' --rows 5 --seed 7";
  r = Quarnel(addresses);
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(std::regex_match(r.out, std::regex("([A-Za-z.'-]+@[a-z0-9.-]+\\.(example|test|example\\.com|example\\.org|example\\.net)\n){5}")))
      << r.out;
  EXPECT_EQ(Quarnel(addresses).out, r.out);  // the same seed gives the same lines

  r = Quarnel("--pattern NN --pattern \"@1-@'col1'\" --rows 2");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(std::regex_match(r.out, std::regex("((\\d\\d)\t\\2-\\2\n){2}"))) << r.out;

  // A row with an error is printed as the engine made it, the error after it.
  const struct {
    const char* args;
    const char* output;  // standard output, then standard error
  } failing[] = {
      {"--pattern 'N{2000000000}' --rows 3",
       "\nerror 109: Repeater: count 2000000000 is above the limit of 1048576 characters. (row 1, column 1)\n"},
      {"--pattern '\\x' --pattern '$Nope()' --rows 3",
       "x\t\nerror 100: Function: could not recognize 'Nope' as correct function name. (row 1, column 2)\n"},
  };
  for (const auto& f : failing) {
    r = Quarnel(f.args);
    EXPECT_EQ(r.status, 1) << f.args;
    EXPECT_EQ(r.out, f.output) << f.args;
  }
  r = Quarnel("--pattern 'A{x}' --rows 3");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(std::regex_match(r.out, std::regex("[A-Z]\\}\nerror 105: Incorrect repeater value\\. \\(row 1, column 1\\)\n")))
      << r.out;
  EXPECT_EQ(Quarnel("--pattern x --rows many").status, 2);
}

TEST_F(ConsoleModeTest, AMissingValueLibraryIsSaidOnceAndFailsTheValuesThatNeedIt) {
  const Result r = Quarnel("--library nofile.db --pattern '$List(1,$Lib(Cities))' --rows 1000");
  EXPECT_EQ(r.status, 1) << r.out;
  const std::string said = "The value library 'nofile.db' could not be opened: no such file";
  const size_t first = r.out.find(said);
  ASSERT_NE(first, std::string::npos) << r.out;
  EXPECT_EQ(r.out.find(said, first + 1), std::string::npos) << "said more than once:\n" << r.out;
  EXPECT_NE(r.out.find("error 1801: LibData: could not open library at 'nofile.db'."), std::string::npos) << r.out;
}

}  // namespace

namespace {

// The parts of a repeatable run, as users start them: separate processes
// (at once on PostgreSQL; one after another on SQLite, which takes one
// writer at a time across processes) or --jobs, load the table one process
// loads with --shard 1/1.
class PartsFromTheCommandLine : public ConsoleModeTest, public testing::WithParamInterface<bool> {
 protected:
  std::string Table(CDB& db) {
    std::unique_ptr<CStmt> stmt = db.NewStmt();
    EXPECT_TRUE(CDB::isOK(db.Exec("select id, name, email, born, amount from t_people order by id", stmt.get())))
        << db.ErrorText();
    std::string all, text;
    long ind = 0;
    while (CDB::isOK(db.Fetch(stmt.get()))) {
      for (int c = 1; c <= 5; ++c) {
        db.GetDataAsText(c, &text, &ind, stmt.get());
        all += (ind < 0 ? "<null>" : text) + (c < 5 ? "|" : "\n");
      }
    }
    db.FreeStmt(stmt.get());
    return all;
  }
};

TEST_P(PartsFromTheCommandLine, LoadTheTableOfOneProcess) {
  const bool postgres = GetParam();
  std::string conn = postgres ? testenv::PostgresConnStr() : testenv::SqliteConnStr(dir_.file("parts.db"));
  if (conn.empty()) {
    if (std::getenv("CI")) FAIL() << "PostgreSQL test server is not running";
    GTEST_SKIP() << "PostgreSQL test server is not running";
  }
  std::unique_ptr<CDB> db = CDB::newDB(CONN_INFO::kOdbc);
  CONN_INFO info;
  info.ConType = CONN_INFO::kOdbc;
  info.conStr = conn;
  ASSERT_TRUE(CDB::isOK(db->Connect(info))) << db->ErrorText();
  const auto empty = [&] {
    db->Exec("drop table if exists t_people");
    db->FreeStmt();
    ASSERT_EQ(testenv::RunScript(*db, "create table t_people(id integer primary key, name varchar(30), "
                                      "email varchar(60), born date, amount numeric(10,2))"),
              0);
  };
  empty();
  WriteProfile("db.qcp", conn);
  ASSERT_EQ(Quarnel("-@db.qcp --auto t_people --save people.qrp").status, 0);
  // The key from a counter: keys the database draws would be unique only per part.
  std::string project = testenv::ReadFile(dir_.path() / "people.qrp");
  for (const auto& [from, to] : {std::pair{"Method0=0\n", "Method0=6\n"}, {"Unique0=1\n", "Unique0=0\n"},
                                 {"Records=1000\n", "Records=3001\n"}}) {
    const size_t at = project.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    project.replace(at, std::string(from).size(), to);
  }
  testenv::WriteFile(dir_.path() / "people.qrp", project);

  Result r = Quarnel("-c -@db.qcp people.qrp --seed 21 --shard 1/1");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("Rule 0, inserted 3001 ("), std::string::npos) << r.out;
  const std::string whole = Table(*db);
  ASSERT_EQ(std::count(whole.begin(), whole.end(), '\n'), 3001);

  empty();
  const std::string parts = "cd '" + dir_.path().string() + "' && printf '1/3\\n2/3\\n3/3\\n' | QUARNEL_HOME='" +
                            home_.path().string() + "' xargs " + (postgres ? "-P 3 " : "") + "-I{} '" +
                            QUARNEL_PROGRAM + "' -c -@db.qcp people.qrp --seed 21 --shard {} >parts.txt 2>&1";
  EXPECT_EQ(std::system(parts.c_str()), 0) << testenv::ReadFile(dir_.path() / "parts.txt");
  EXPECT_EQ(Table(*db), whole);

  empty();
  r = Quarnel("-c -@db.qcp people.qrp --seed 21 --jobs 2");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("Rule 0, inserted 3001 ("), std::string::npos) << r.out;
  EXPECT_EQ(Table(*db), whole);

  // Wrong values are refused before anything runs.
  for (const char* wrong : {"--shard 3/2", "--shard 1/2 --jobs 2", "--jobs 0", "--jobs 999", "--seed 0"}) {
    r = Quarnel(std::string("-c -@db.qcp people.qrp ") + wrong);
    EXPECT_EQ(r.status, 2) << wrong << "\n" << r.out;
  }
  EXPECT_EQ(Quarnel("--shard 1/2").status, 2);
  if (postgres) {
    db->Exec("drop table if exists t_people");
    db->FreeStmt();
  }
}

INSTANTIATE_TEST_SUITE_P(Servers, PartsFromTheCommandLine, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "PostgreSQL" : "SQLite"; });

}  // namespace
