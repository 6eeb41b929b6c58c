// Runs made in parts: the parts of a repeatable run, made one at a time or
// side by side, make the rows one whole run makes; rules whose rows follow
// from earlier rows are made whole by the first part.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "GenTmpl/VLibrary.h"
#include "engine/Incremental.h"
#include "engine/PartsRun.h"
#include "engine/Shards.h"
#include "tests/engine/RunTestEnv.h"
#include "values/Random.h"

namespace {

using enginetest::MakeColumn;
using enginetest::Target;

TEST(ShardRowsTest, PartsCoverEveryRowOnceInOrder) {
  for (int64_t rows : {0, 1, 2, 5, 6, 7, 1000, 999983}) {
    for (int count : {1, 2, 3, 7, 100}) {
      int64_t next = 1;
      int64_t smallest = INT64_MAX, largest = 0;
      for (int k = 1; k <= count; ++k) {
        const ShardRows part = RowsOfShard(rows, ShardPart{k, count});
        ASSERT_EQ(part.first, next) << rows << " rows, part " << k << " of " << count;
        const int64_t size = part.last - part.first + 1;
        smallest = std::min(smallest, size);
        largest = std::max(largest, size);
        next = part.last + 1;
      }
      EXPECT_EQ(next, rows + 1) << rows << " rows in " << count << " parts";
      EXPECT_LE(largest - smallest, 1) << rows << " rows in " << count << " parts";
    }
  }
}

TEST(ShardRowsTest, ReadsPartsAndNamesTheirFiles) {
  ShardPart part;
  std::string error;
  EXPECT_TRUE(ParseShard("3/12", part, error));
  EXPECT_EQ(part, (ShardPart{3, 12}));
  for (const char* bad : {"", "3", "0/2", "3/2", "1/0", "-1/2", "1/2x", "a/b", "1/100001", "1/99999999999"}) {
    EXPECT_FALSE(ParseShard(bad, part, error)) << bad;
    EXPECT_NE(error.find("--shard needs K/N"), std::string::npos) << bad;
  }
  EXPECT_EQ(ShardFileName("out/people.csv", {3, 12}), "out/people.03-of-12.csv");
  EXPECT_EQ(ShardFileName("dir.v2/data", {1, 2}), "dir.v2/data.1-of-2");
  EXPECT_EQ(ShardFileName("people.csv", {1, 1}), "people.csv");
  EXPECT_EQ(ShardFileName("", {1, 2}), "");
}

std::vector<int> Draws(int n) {
  std::vector<int> out;
  for (int i = 0; i < n; ++i) out.push_back(RandomDraw());
  return out;
}

TEST(KeyedRandomTest, ARowsDrawsDependOnItsKeyAloneAndLeaveTheSequenceAlone) {
  SeedRandomSource(99);
  const std::vector<int> sequential = Draws(20);

  SeedRandomSource(99);
  const std::vector<int> before = Draws(10);
  KeyRandomSource(7, 2, 1000);
  const std::vector<int> keyed = Draws(50);
  UnkeyRandomSource();
  std::vector<int> after = Draws(10);
  after.insert(after.begin(), before.begin(), before.end());
  EXPECT_EQ(after, sequential) << "keyed draws moved the sequential source";

  // Whatever came before, the same key gives the same draws.
  SeedRandomSource(12345);
  Draws(7);
  KeyRandomSource(7, 2, 1000);
  EXPECT_EQ(Draws(50), keyed);
  const std::vector<std::tuple<uint64_t, uint64_t, uint64_t>> others = {{8, 2, 1000}, {7, 3, 1000}, {7, 2, 1001}, {7, 2, 999}};
  for (const auto& [seed, stream, counter] : others) {
    KeyRandomSource(seed, stream, counter);
    EXPECT_NE(Draws(50), keyed) << seed << "/" << stream << "/" << counter;
  }
  UnkeyRandomSource();

  // Draws of nearby keys are spread evenly.
  std::vector<int> counts(16, 0);
  for (uint64_t row = 1; row <= 16000; ++row) {
    KeyRandomSource(1, 1, row);
    ++counts[static_cast<size_t>(RandomDraw() / 2048)];
  }
  UnkeyRandomSource();
  for (int c : counts) EXPECT_NEAR(c, 1000, 150);
}

// A rule with a column of every fill method, and a rule that cannot be made
// in parts, written as SQL, text and XML without executing anything. The
// second rule writes files of its own: the parts of a file that several rules
// write hold their rows rule by rule.
class ShardedOutputs : public testing::Test {
 protected:
  void SetUp() override {
    db = enginetest::Connect(testenv::SqliteConnStr(dir.file("parts.db")));
    ASSERT_TRUE(db);
    ASSERT_EQ(testenv::RunScript(*db,
                                 "create table t_parent(id integer primary key, name varchar(20));"
                                 "insert into t_parent values(1,'one'),(2,'two'),(3,'three'),(4,NULL),(5,'five')"),
              0);
    testenv::WriteFile(dir.file("items.txt"), "red\t1\ngreen\t2\nblue\t3\nblack\t4\nwhite\t5\n");
    ASSERT_EQ(library.Open(enginetest::WriteDemoLibrary(dir), h.log.log()), 0);

    Project& project = h.project;
    project.NoExec = 1;
    project.ToFile = project.ToTxtFile = project.ToXMLFile = 1;
    project.TxtOutColumnNames = 1;
    project.TxtDelimiter = ",";
    project.AddCommit = 1;
    ColumnRule named = MakeColumn("", 12, 20, kMethodPattern);
    named.NamedGen = "code";
    named.Mask = "A{=3}-$RInt(100,999)";
    project.namedGens = {named};
    project.rules = {EveryMethod(), WholeInFirstPart()};

    h.options.connection = db.get();
    h.options.VerifySchema = 0;
    h.options.Repeatable = 1;
    h.options.InitRepeat = 4242;
    h.options.library = &library;
    h.options.LibraryLocation = library.Path();
  }

  Rule EveryMethod() {
    Rule rule;
    rule.TabName = "t_every";
    rule.Records = 61;
    rule.PerTrans = 10;
    ColumnRule id = MakeColumn("id", 4, 10, kMethodIncremental);
    id.Start = "1";
    ColumnRule stepped = MakeColumn("stepped", 4, 10, kMethodIncremental);
    stepped.Start = "100";
    stepped.Step = "-3";
    stepped.Times = 2;
    stepped.Cycle = 7;
    ColumnRule amount = MakeColumn("amount", 3, 12, kMethodIncremental);
    amount.iDigits = 2;
    amount.Start = "0.25";
    amount.Step = "1.5";
    ColumnRule month = MakeColumn("month", 91, 10, kMethodIncremental);
    month.LowRange = "2024-01-31";
    month.incTimeMode = kIncMonth;
    month.Step = "1";
    month.Times = 3;
    ColumnRule number = MakeColumn("number", 4, 10, kMethodRandom);
    number.LowRange = "-50";
    number.HighRange = "50";
    number.UseNulls = 10;
    ColumnRule text = MakeColumn("text", 12, 12, kMethodRandom);
    ColumnRule day = MakeColumn("day", 91, 10, kMethodRandom);
    day.LowRange = "2000-01-01";
    day.HighRange = "2030-12-31";
    ColumnRule price = MakeColumn("price", 3, 10, kMethodRandom);
    price.iDigits = 2;
    price.LowRange = "1";
    price.HighRange = "999";
    ColumnRule parent = MakeColumn("parent", 4, 10, kMethodLinkedTable);
    parent.Table = "t_parent";
    parent.Column = "id";
    ColumnRule parentInOrder = parent;
    parentInOrder.Name = "parent_seq";
    parentInOrder.Seqent = 1;
    ColumnRule weighted = MakeColumn("weighted", 12, 10, kMethodValueList);
    weighted.Values = {"a", "b", "c", "NULL"};
    weighted.ValueUse = {50, 0, 30};
    ColumnRule inOrder = MakeColumn("in_order", 12, 10, kMethodValueList);
    inOrder.Values = {"first", "second", "third"};
    inOrder.Seqent = 1;
    ColumnRule fromFile = MakeColumn("file", 12, 10, kMethodDiskFile);
    fromFile.FileName = dir.file("items.txt");
    fromFile.groupNo = 1;
    ColumnRule fileGroup = MakeColumn("file_number", 4, 10, kMethodDiskFile);
    fileGroup.FileName = fromFile.FileName;
    fileGroup.groupNo = 1;
    ColumnRule fileInOrder = MakeColumn("file_seq", 12, 10, kMethodDiskFile);
    fileInOrder.FileName = fromFile.FileName;
    fileInOrder.Seqent = 1;
    ColumnRule name = MakeColumn("name", 12, 20, kMethodLibrary);
    name.LibName = "FirstNames.Name";
    ColumnRule nameInOrder = MakeColumn("name_seq", 12, 20, kMethodLibrary);
    nameInOrder.LibName = "LastNames.Name";
    nameInOrder.Seqent = 1;
    ColumnRule pattern = MakeColumn("pattern", 12, 30, kMethodPattern);
    pattern.Mask = "<a{=2}|N{4}>.ex[-x].$List(0,org,50,com,50)";
    ColumnRule computed = MakeColumn("computed", 4, 10, kMethodComputed);
    computed.Mask = "$$(@'number' * 2 + 1)";
    ColumnRule query = MakeColumn("query", 12, 20, kMethodSql);
    query.SQL = "select name from t_parent order by id";
    query.asList = 1;
    ColumnRule code = MakeColumn("code", 12, 20, kMethodNamedGen);
    code.NamedGen = "code";
    ColumnRule left = MakeColumn("left_out", 4, 10, kMethodIgnore);
    rule.Fields = {id,        stepped,  amount,     month,      number,      text, day,     price,    parent, parentInOrder,
                   weighted,  inOrder,  fromFile,   fileGroup,  fileInOrder, name, nameInOrder, pattern, computed,
                   query,     code,     left};
    return rule;
  }

  // Unique random values and a counter in a pattern follow from earlier rows.
  static Rule WholeInFirstPart() {
    Rule rule;
    rule.TabName = "t_whole";
    rule.Records = 9;
    ColumnRule unique = MakeColumn("code", 4, 10, kMethodRandom);
    unique.LowRange = "1";
    unique.HighRange = "20";
    unique.Unique = 1;
    ColumnRule counter = MakeColumn("counter", 12, 20, kMethodPattern);
    counter.Mask = "N-$Inc(5,5)";
    rule.Fields = {unique, counter};
    return rule;
  }

  // Runs part `part` into `folder`; its files are named after the part.
  RunSummary RunPart(const std::filesystem::path& folder, ShardPart part) {
    h.project.SQLFile = (folder / "out.sql").string();
    h.project.TXTFile = (folder / "out.txt").string();
    h.project.XMLFile = (folder / "out.xml").string();
    h.project.rules[1].OutFile = (folder / "whole.sql").string();
    h.project.rules[1].OutFileTXT = (folder / "whole.txt").string();
    h.options.sharded = true;
    h.options.shard = part;
    QuarnelGenerator generator;
    generator.Run(h.options);
    return generator.Summary();
  }

  // The parts' files of `name`, joined in order.
  static std::string Joined(const std::filesystem::path& folder, const std::string& name, int count) {
    std::string all;
    for (int k = 1; k <= count; ++k) all += testenv::ReadFile(ShardFileName((folder / name).string(), {k, count}));
    return all;
  }

  testenv::TempDir dir;
  enginetest::Harness h;
  VLibrary library;

  std::unique_ptr<CDB> db;
};

TEST_F(ShardedOutputs, PartsTogetherWriteWhatOneWholeRunWritesAndTheGoldenFiles) {
  const std::filesystem::path whole = dir.path() / "whole";
  std::filesystem::create_directories(whole);
  const RunSummary one = RunPart(whole, {1, 1});
  ASSERT_EQ(one.rulesFailed, 0) << h.log.Text();
  ASSERT_EQ(one.inserted, 61u + 9u);
  const std::string sql = testenv::ReadFile(whole / "out.sql");
  const std::string text = testenv::ReadFile(whole / "out.txt");
  const std::string wholeRule = testenv::ReadFile(whole / "whole.sql");
  ASSERT_NE(sql.find("insert into t_every"), std::string::npos);
  EXPECT_EQ(runtest::CountOf(sql, "COMMIT"), 7) << "a COMMIT line after every 10 rows and after the last";

  const std::filesystem::path golden = testenv::SourceDir() / "tests" / "engine" / "golden" / "parts";
  const char* update = std::getenv("QUARNEL_UPDATE_GOLDEN");
  if (update && std::string(update) == "1") {
    std::filesystem::create_directories(golden);
    testenv::WriteFile(golden / "out.sql", sql);
    testenv::WriteFile(golden / "out.txt", text);
    testenv::WriteFile(golden / "whole.sql", wholeRule);
  }
  EXPECT_EQ(sql, testenv::ReadFile(golden / "out.sql")) << "if the change is intended, run with QUARNEL_UPDATE_GOLDEN=1";
  EXPECT_EQ(text, testenv::ReadFile(golden / "out.txt"));
  EXPECT_EQ(wholeRule, testenv::ReadFile(golden / "whole.sql"));

  for (int count : {2, 3, 7}) {
    SCOPED_TRACE(std::to_string(count) + " parts");
    const std::filesystem::path folder = dir.path() / ("parts" + std::to_string(count));
    std::filesystem::create_directories(folder);
    uint64_t rows = 0;
    for (int k = 1; k <= count; ++k) {
      const RunSummary part = RunPart(folder, {k, count});
      EXPECT_EQ(part.rulesFailed, 0) << h.log.Text();
      rows += part.inserted;
      const ShardRows slice = RowsOfShard(61, {k, count});
      EXPECT_EQ(part.inserted, static_cast<uint64_t>(slice.last - slice.first + 1) + (k == 1 ? 9u : 0u)) << "part " << k;
    }
    EXPECT_EQ(rows, one.inserted);
    EXPECT_EQ(Joined(folder, "out.sql", count), sql);
    EXPECT_EQ(Joined(folder, "out.txt", count), text);
    EXPECT_EQ(testenv::ReadFile(ShardFileName((folder / "whole.sql").string(), {1, count})), wholeRule)
        << "part 1 makes the rule that cannot be made in parts";
    // Every part writes an XML document a reader takes.
    for (int k = 1; k <= count; ++k) {
      const std::string xml = testenv::ReadFile(ShardFileName((folder / "out.xml").string(), {k, count}));
      EXPECT_NE(xml.find("</"), std::string::npos);
    }
  }
}

TEST_F(ShardedOutputs, RunsWithoutPartsKeepTheSequentialSource) {
  const std::filesystem::path whole = dir.path() / "whole";
  const std::filesystem::path plain = dir.path() / "plain";
  std::filesystem::create_directories(whole);
  std::filesystem::create_directories(plain);
  RunPart(whole, {1, 1});
  h.options.sharded = false;
  h.project.SQLFile = (plain / "out.sql").string();
  QuarnelGenerator generator;
  generator.Run(h.options);
  const std::string first = testenv::ReadFile(plain / "out.sql");
  QuarnelGenerator again;
  again.Run(h.options);
  EXPECT_NE(first, testenv::ReadFile(whole / "out.sql")) << "a run without parts drew from keyed streams";
  // The project's SQL file is appended to: the second run repeats the first.
  EXPECT_EQ(testenv::ReadFile(plain / "out.sql"), first + first);
}

// Parts side by side, each on its own connection, load the table one whole
// run loads.
class PartsSideBySide : public testing::TestWithParam<Target> {};

TEST_P(PartsSideBySide, LoadTheRowsOfOneWholeRun) {
  testenv::TempDir dir;
  REQUIRE_TARGET(GetParam(), connStr, dir.file("side.db"));
  std::unique_ptr<CDB> db = enginetest::Connect(connStr);
  ASSERT_TRUE(db);
  const auto recreate = [&] {
    db->Exec("drop table if exists t_side");
    db->FreeStmt();
    ASSERT_EQ(testenv::RunScript(*db, "create table t_side(id integer primary key, name varchar(20), "
                                      "amount decimal(10,2), seq varchar(10))"),
              0);
  };
  enginetest::Harness h;
  Rule rule = runtest::IdRule("t_side", 5003, 250);
  rule.InsMode = kInsReplace;
  ColumnRule amount = MakeColumn("amount", 3, 10, kMethodRandom);
  amount.iDigits = 2;
  amount.LowRange = "0";
  amount.HighRange = "5000";
  ColumnRule seq = MakeColumn("seq", 12, 10, kMethodValueList);
  seq.Values = {"x", "y", "z", "w"};
  seq.Seqent = 1;
  rule.Fields.push_back(amount);
  rule.Fields.push_back(seq);
  rule.Fields[1].Seqent = 0;  // random names
  h.project.rules = {rule};
  h.options.connection = db.get();
  h.options.VerifySchema = 0;
  h.options.Repeatable = 1;
  h.options.InitRepeat = 77;
  runtest::RecordingConsole console;
  h.options.console = console.Callback();
  h.options.consoleMode = 1;
  const auto table = [&] {
    std::unique_ptr<CDB> reader = enginetest::Connect(connStr);
    return enginetest::Column(*reader, "select id || ';' || name || ';' || cast(amount as varchar(20)) || ';' || seq "
                                       "from t_side order by id");
  };

  recreate();
  h.options.sharded = true;
  QuarnelGenerator whole;
  whole.Run(h.options);
  ASSERT_EQ(whole.Summary().inserted, 5003u) << h.log.Text();
  const std::vector<std::string> expected = table();

  for (int jobs : {2, 3}) {
    SCOPED_TRACE(std::to_string(jobs) + " parts");
    recreate();
    // A row left from before shows the replace rule emptied the table once, first.
    ASSERT_EQ(testenv::RunScript(*db, "insert into t_side values(999999,'old',0,'old')"), 0);
    console.text.clear();
    const RunSummary sum = RunPartsSideBySide(h.options, jobs);
    EXPECT_EQ(sum.inserted, 5003u) << h.log.Text();
    EXPECT_EQ(sum.rejected, 0u);
    ASSERT_EQ(sum.lines.size(), 1u);
    EXPECT_EQ(sum.lines[0].rows, 5003u);
    EXPECT_EQ(table(), expected);
    // Each part's line as it finishes, then one line for the rule with the parts' rows summed.
    ASSERT_GE(console.text.size(), static_cast<size_t>(jobs + 2));
    for (int k = 1; k <= jobs; ++k) {
      const std::string part = "Part " + std::to_string(k) + " of " + std::to_string(jobs) + ": Rule 0, inserted ";
      EXPECT_EQ(std::count_if(console.text.begin(), console.text.end(),
                              [&part](const std::string& line) { return line.rfind(part, 0) == 0; }),
                1)
          << part;
    }
    EXPECT_EQ(console.text[console.text.size() - 2], "All " + std::to_string(jobs) + " parts:");
    EXPECT_EQ(console.text.back().rfind("Rule 0, inserted 5003 (", 0), 0u) << console.text.back();
  }
  if (GetParam() == Target::kPostgres) {
    // Each part with a COPY stream of its own.
    recreate();
    h.options.UseBULK = 1;
    const RunSummary sum = RunPartsSideBySide(h.options, 2);
    EXPECT_EQ(sum.inserted, 5003u) << h.log.Text();
    EXPECT_EQ(table(), expected);
  }
}

INSTANTIATE_TEST_SUITE_P(Targets, PartsSideBySide, testing::Values(Target::kSqlite, Target::kPostgres),
                         enginetest::TargetName);

}  // namespace
