// The demo project run end to end through QuarnelGenerator: on SQLite its
// repeatable output files are the same from run to run and match the golden
// copies in tests/engine/golden/; on both databases every table gets its rows
// and no row is rejected.
//
// After a deliberate change of repeatable output, regenerate the golden files
// with QUARNEL_UPDATE_GOLDEN=1 in the environment of one run of this test
// program, and review the difference before keeping it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "GenTmpl/VLibrary.h"
#include "engine/Generator.h"
#include "support/TextUtil.h"
#include "tests/engine/EngineTestEnv.h"
#include "tests/engine/RunTestEnv.h"

using namespace enginetest;

namespace {

// Counts per data rule that keep the golden files small; order_lines keeps
// its count statement (twice the orders).
constexpr int kGoldenRows = 6;

// The demo project with its disk files found in examples/, the output files
// in `outDir`, and, when `rows` is above 0, every data rule limited to `rows`
// rows (order_lines excepted, whose count follows the orders).
Project DemoForRun(const std::string& outDir, int rows) {
  Project demo = LoadDemo();
  const std::string examples = (testenv::SourceDir() / "examples").string();
  demo.ToFile = 1;
  demo.SQLFile = outDir + "/demo.sql";
  demo.ToTxtFile = 1;
  demo.TXTFile = outDir + "/demo.txt";
  demo.TxtOutColumnNames = 1;
  demo.ToXMLFile = 1;
  demo.XMLFile = outDir + "/demo.xml";
  for (Rule& rule : demo.rules) {
    for (ColumnRule& column : rule.Fields) {
      if (!column.FileName.empty()) column.FileName = examples + "/" + column.FileName;
    }
    if (rows > 0 && rule.Mode == kRuleData && rule.TabName != "order_lines") {
      rule.RcMode = 0;
      rule.Records = rows;
    }
  }
  return demo;
}

class DemoProjectRun : public DemoDatabase {
 protected:
  // Runs `project` on the fixture's database with the test library.
  RunSummary Run(const Project& project) {
    VLibrary library;
    EXPECT_EQ(library.Open(WriteDemoLibrary(dir), h.log.log()), 0);
    h.project = project;
    h.options.library = &library;
    h.options.VerifySchema = 0;
    h.options.Repeatable = 1;
    h.options.InitRepeat = 4711;
    h.options.console = console.Callback();
    QuarnelGenerator generator;
    generator.Run(h.options);
    h.options.library = nullptr;
    return generator.Summary();
  }
  std::string Count(const std::string& table) {
    const std::vector<std::string> v = Column(*db, "select count(*) from " + table);
    return v.empty() ? "" : v[0];
  }
  // Every console line of a rule that ran shows no rejected row.
  void ExpectNothingRejected() {
    for (const runtest::RecordingConsole::Line& line : console.lines) {
      // Update and scramble lines end their count with a blank.
      EXPECT_EQ(TrimText(line[kConsoleRejected]), "0") << line[kConsoleItem] << ": " << line[kConsoleState];
    }
  }

  runtest::RecordingConsole console;
};

const char* const kOutputs[] = {"demo.sql", "demo.txt", "demo.xml"};

}  // namespace

TEST_P(DemoProjectRun, FillsEveryTableWithoutRejectedRows) {
  const RunSummary summary = Run(DemoForRun(dir.path().string(), 0));
  EXPECT_EQ(summary.rulesExecuted, 7);
  EXPECT_EQ(summary.rulesFailed, 0);
  EXPECT_EQ(summary.rejected, 0u) << h.log.Text();
  EXPECT_FALSE(summary.stopped);
  ExpectNothingRejected();
  EXPECT_EQ(Count("categories"), "6");
  EXPECT_EQ(Count("customers"), "200");
  EXPECT_EQ(Count("products"), "100");
  const int orders = std::stoi(Count("orders"));
  EXPECT_GE(orders, 300);
  EXPECT_LE(orders, 500);
  EXPECT_EQ(Count("order_lines"), std::to_string(2 * orders));
  EXPECT_EQ(Count("payments"), "300");
  // The clear rule's six delete statements count as inserted.
  EXPECT_EQ(summary.inserted, static_cast<uint64_t>(6 + 6 + 200 + 100 + 3 * orders + 300));
  // Every referring row finds its row.
  EXPECT_EQ(Count("customers c where referred_by is not null and not exists "
                  "(select 1 from customers r where r.customer_id = c.referred_by)"),
            "0");
  EXPECT_EQ(Count("order_lines l where not exists (select 1 from products p where p.product_id = l.product_id)"),
            "0");
}

// The second demo project, run on the rows the first one made: every rule
// kind besides plain inserts, the scramble going into a SQLite file of its own.
TEST_P(DemoProjectRun, RulesOfEveryKindRunOnTheFilledDatabase) {
  ASSERT_EQ(Run(DemoForRun(dir.path().string(), 0)).rejected, 0u) << h.log.Text();
  const std::vector<std::string> emailsBefore = Column(*db, "select coalesce(email, '-') from customers where customer_id > 50 order by customer_id");
  const std::vector<std::string> createdBefore = Column(*db, "select created_at from customers order by customer_id");

  Project rules;
  CSysReg store((testenv::SourceDir() / "examples" / "demo-rules.qrp").string(), CSysReg::kDiskFile);
  std::string message;
  ASSERT_EQ(ReadProject(store, rules, &message), 0) << message;
  rules.ToFile = 0;
  const std::string masked = dir.file("masked.db");
  // As in the project: foreign keys not enforced, the copied create
  // statement refers to tables the file does not have.
  for (Rule& rule : rules.rules) {
    if (rule.InsMode == kInsScramble && rule.Mode == kRuleData) rule.TargetConn.conStr = "DRIVER=SQLite3;Database=" + masked;
  }
  console.lines.clear();
  const RunSummary summary = Run(rules);
  EXPECT_EQ(summary.rulesExecuted, 5);
  EXPECT_EQ(summary.rulesFailed, 0) << h.log.Text();
  EXPECT_EQ(summary.rejected, 0u) << h.log.Text();
  ExpectNothingRejected();

  // Tables by template, then cleared by the last rule.
  EXPECT_EQ(Count("demo_archive"), "0");
  // The view answers from the customers.
  EXPECT_EQ(Column(*db, "select sum(customers) from demo_customer_cities"), (std::vector<std::string>{"200"}));
  // Update: the first fifty customers have a new address, the others keep theirs.
  EXPECT_EQ(Count("customers where customer_id <= 50 and email in "
                  "('masked@example.com', 'nobody@example.org', 'o.brien@example.net')"),
            "50");
  EXPECT_EQ(Column(*db, "select coalesce(email, '-') from customers where customer_id > 50 order by customer_id"),
            emailsBefore);
  // Scramble: every customer copied, created_at unchanged, the names new.
  std::unique_ptr<CDB> target = Connect(testenv::SqliteConnStr(masked));
  ASSERT_TRUE(target);
  EXPECT_EQ(Column(*target, "select count(*) from customers_masked where last_name in ('Doe', 'Roe', 'Poe', 'O''Neil')"),
            (std::vector<std::string>{"200"}));
  const std::vector<std::string> createdAfter = Column(*target, "select created_at from customers_masked order by customer_id");
  ASSERT_EQ(createdAfter.size(), createdBefore.size());
  for (size_t i = 0; i < createdAfter.size(); ++i) {
    // PostgreSQL's timestamps may carry fractions the copy keeps as text.
    EXPECT_EQ(createdAfter[i].substr(0, 19), createdBefore[i].substr(0, 19)) << i;
  }
  // The source keeps its own names.
  EXPECT_EQ(Count("customers where last_name in ('Doe', 'Roe', 'Poe', 'O''Neil')"), "0");
}

INSTANTIATE_TEST_SUITE_P(Targets, DemoProjectRun, testing::Values(Target::kSqlite, Target::kPostgres, Target::kMariaDb), TargetName);

// Repeatable output on SQLite: two runs into fresh databases write the same
// bytes, and those bytes are the golden files. The second run writes no text
// file, which changes none of the other outputs.
class DemoGoldenOutput : public DemoProjectRun {};

TEST_P(DemoGoldenOutput, RepeatableRunsWriteTheGoldenFiles) {
  const testenv::TempDir first;
  const RunSummary summary = Run(DemoForRun(first.path().string(), kGoldenRows));
  EXPECT_EQ(summary.rejected, 0u) << h.log.Text();
  // Six delete statements of the clear rule, then the rows.
  EXPECT_EQ(summary.inserted, static_cast<uint64_t>(6 + 5 * kGoldenRows + 2 * kGoldenRows));

  // The second run starts from an empty database as the first did.
  DropDemoTables(*db);
  ASSERT_EQ(RunScript(*db, DemoSchema(Target::kSqlite)), 0);
  const testenv::TempDir second;
  console.lines.clear();
  Project withoutText = DemoForRun(second.path().string(), kGoldenRows);
  withoutText.ToTxtFile = 0;
  EXPECT_EQ(Run(withoutText).rejected, 0u) << h.log.Text();

  const std::filesystem::path golden = testenv::SourceDir() / "tests" / "engine" / "golden";
  const char* update = std::getenv("QUARNEL_UPDATE_GOLDEN");
  for (const char* name : kOutputs) {
    const std::string one = testenv::ReadFile(first.path() / name);
    ASSERT_FALSE(one.empty()) << name;
    if (std::string_view(name) == "demo.txt") {
      EXPECT_FALSE(std::filesystem::exists(second.path() / name));
    } else {
      EXPECT_EQ(one, testenv::ReadFile(second.path() / name)) << name << " differs between two repeatable runs";
    }
    const std::filesystem::path goldenFile = golden / name;
    if (update && std::string(update) == "1") {
      std::filesystem::create_directories(golden);
      testenv::WriteFile(goldenFile, one);
      continue;
    }
    EXPECT_EQ(one, testenv::ReadFile(goldenFile))
        << name << " differs from " << goldenFile.string()
        << "; if the change is intended, run again with QUARNEL_UPDATE_GOLDEN=1";
  }
}

INSTANTIATE_TEST_SUITE_P(Targets, DemoGoldenOutput, testing::Values(Target::kSqlite), TargetName);
