// The schema check before a run: differences between the data rules and their
// tables are listed and stop the run before any statement is executed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/Generator.h"
#include "tests/engine/RunTestEnv.h"

using namespace enginetest;
using namespace runtest;

namespace {

// Records the progress window's calls besides the messages.
class ProgressPrompt : public RecordingPrompt {
 public:
  void Progress(std::string_view title, std::string_view status, int percent) override {
    steps.push_back(std::string(title) + "|" + std::string(status) + "|" + std::to_string(percent));
  }
  void ProgressDone() override { ++done; }
  std::vector<std::string> steps;
  int done = 0;
};

class SchemaCheck : public RunDatabase {
 protected:
  void SetUp() override {
    RunDatabase::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    h.options.prompt = &progress;
    h.options.VerifySchema = 1;
    h.project.sqlBefore = "insert into t_log values('prologue')";
  }
  ProgressPrompt progress;
};

TEST_P(SchemaCheck, MissingAndExtraColumnGiveTwoDifferencesAndStopTheRun) {
  // t_run has id and name: the rule lacks name and has a column "code" the
  // table does not have.
  Rule rule = IdRule("t_run", 3, 0);
  rule.Fields[1].Name = "code";
  Rule other = IdRule("t_two", 3, 0);
  h.project.rules = {other, rule};
  QuarnelGenerator generator;
  generator.Run(h.options);
  const std::vector<SchemaDifference>& found = generator.Differences();
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].table, "t_run");
  EXPECT_EQ(found[0].column, "code");
  EXPECT_EQ(found[0].kind, SchemaDifference::kColumnNotInTable);
  EXPECT_EQ(found[1].column, "name");
  EXPECT_EQ(found[1].kind, SchemaDifference::kColumnNotInRule);
  EXPECT_TRUE(generator.Summary().stopped);
  EXPECT_EQ(generator.Summary().rulesExecuted, 0);
  // Nothing ran: not the prologue, not the rule that matched.
  EXPECT_EQ(Count("t_log"), "0");
  EXPECT_EQ(Count("t_two"), "0");
  EXPECT_EQ(progress.steps.front(), "Database Schema Verification||0");
  EXPECT_EQ(progress.steps.back(), "Database Schema Verification|t_run|50");
  EXPECT_EQ(progress.done, 1);
}

TEST_P(SchemaCheck, UpdateRuleMayListOnlyTheColumnsItSets) {
  // t_run has id and name; the update rule names only its key.
  Rule update = IdRule("t_run", 3, 0);
  update.InsMode = kInsUpdate;
  update.Fields.pop_back();
  h.project.rules = {update};
  QuarnelGenerator generator;
  generator.Run(h.options);
  EXPECT_TRUE(generator.Differences().empty());
  EXPECT_FALSE(generator.Summary().stopped);

  // A column it names that the table lacks still counts.
  update.Fields[0].Name = "code";
  h.project.rules = {update};
  QuarnelGenerator other;
  other.Run(h.options);
  ASSERT_EQ(other.Differences().size(), 1u);
  EXPECT_EQ(other.Differences()[0].kind, SchemaDifference::kColumnNotInTable);
  EXPECT_TRUE(other.Summary().stopped);
}

TEST_P(SchemaCheck, MissingTableIsOneDifferenceWithItsLogLine) {
  Rule rule = IdRule("t_none", 3, 0);
  Rule disabled = IdRule("t_none2", 3, 0);
  disabled.Enabled = 0;
  h.project.rules = {IdRule("t_run", 2, 0), rule, disabled};
  QuarnelGenerator generator;
  generator.Run(h.options);
  ASSERT_EQ(generator.Differences().size(), 1u);
  EXPECT_EQ(generator.Differences()[0].kind, SchemaDifference::kTableUnreadable);
  EXPECT_EQ(generator.Differences()[0].column, "");
  EXPECT_NE(h.log.Text().find("Table 't_none' in the rule 2 does not exist or inaccessible ["), std::string::npos)
      << h.log.Text();
  EXPECT_EQ(Count("t_run"), "0");
}

TEST_P(SchemaCheck, MatchingRulesRunAndConsoleModeDoesNotCheck) {
  h.project.rules = {IdRule("t_run", 2, 0)};
  QuarnelGenerator generator;
  generator.Run(h.options);
  EXPECT_TRUE(generator.Differences().empty());
  EXPECT_FALSE(generator.Summary().stopped);
  EXPECT_EQ(Count("t_run"), "2");
  EXPECT_EQ(Count("t_log"), "1");

  // Console mode runs without the check: the rule itself then fails.
  Rule rule = IdRule("t_two", 3, 0);
  rule.Fields[1].Name = "code";
  h.project.rules = {rule};
  h.options.consoleMode = 1;
  progress.steps.clear();
  QuarnelGenerator console;
  console.Run(h.options);
  EXPECT_EQ(console.VerifySchema(0, 1, 0), 0);
  EXPECT_TRUE(progress.steps.empty());
  EXPECT_FALSE(console.Summary().stopped);
  EXPECT_EQ(console.Summary().rejected, 3u);
}

INSTANTIATE_TEST_SUITE_P(Targets, SchemaCheck, testing::Values(Target::kSqlite, Target::kPostgres, Target::kMariaDb), TargetName);

}  // namespace
