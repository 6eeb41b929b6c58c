#include "engine/FillMethods.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "GenTmpl/VLibrary.h"
#include "engine/Incremental.h"
#include "engine/OutputFiles.h"
#include "tests/engine/EngineTestEnv.h"

using namespace enginetest;

namespace {

// Generates `rows` rows of `rule` and returns each column's final values.
std::vector<std::vector<std::string>> Rows(Harness& h, const Rule& rule, int rows,
                                           std::vector<std::string>* lines = nullptr,
                                           std::string_view delimiter = ",") {
  RowGenerator generator(h.options, nullptr);
  EXPECT_EQ(generator.GenerateValues(rule), 0);
  std::vector<std::vector<std::string>> out;
  std::string values, line;
  for (int row = 1; row <= rows; ++row) {
    EXPECT_EQ(generator.GenOneRowValues(values, row, line, delimiter), 0) << "row " << row;
    std::vector<std::string> finals;
    for (size_t c = 0; c < generator.Columns().size(); ++c) finals.push_back(generator.Field(c).final);
    out.push_back(finals);
    if (lines) lines->push_back(line);
  }
  return out;
}

std::vector<std::string> FirstColumn(const std::vector<std::vector<std::string>>& rows) {
  std::vector<std::string> out;
  for (const auto& row : rows) out.push_back(row[0]);
  return out;
}

Rule OneColumnRule(const ColumnRule& column) {
  Rule rule;
  rule.TabName = "t";
  rule.Fields.push_back(column);
  return rule;
}

ColumnRule ValueList(std::vector<std::string> values, std::vector<int> uses = {}) {
  ColumnRule column = MakeColumn("v", 12, 20, kMethodValueList);
  column.Values = std::move(values);
  column.ValueUse = std::move(uses);
  return column;
}

}  // namespace

TEST(ValueListTest, UsageThresholdsGiveTheSharesOfTheItems) {
  Harness h;
  // 50, 0, 0: the two items without a usage share the rest, 25 each.
  const auto rows = FirstColumn(Rows(h, OneColumnRule(ValueList({"a", "b", "c"}, {50, 0, 0})), 4000));
  std::map<std::string, int> counts;
  for (const std::string& v : rows) ++counts[v];
  EXPECT_NEAR(counts["'a'"], 2000, 200);
  EXPECT_NEAR(counts["'b'"], 1000, 150);
  EXPECT_NEAR(counts["'c'"], 1000, 150);
}

TEST(ValueListTest, UsagesAboveAHundredAreWeights) {
  Harness h;
  // 70 : 60 : 10 of 2800 rows: 1400, 1200, 200 (within five standard deviations).
  const auto rows = FirstColumn(Rows(h, OneColumnRule(ValueList({"a", "b", "c"}, {70, 60, 10})), 2800));
  std::map<std::string, int> counts;
  for (const std::string& v : rows) ++counts[v];
  EXPECT_NEAR(counts["'a'"], 1400, 135);
  EXPECT_NEAR(counts["'b'"], 1200, 130);
  EXPECT_NEAR(counts["'c'"], 200, 70);
}

TEST(ValueListTest, SequentialUseTakesItemsInOrderAndWraps) {
  Harness h;
  ColumnRule column = ValueList({"x", "y", "z"});
  column.Seqent = 1;
  EXPECT_EQ(FirstColumn(Rows(h, OneColumnRule(column), 5)),
            (std::vector<std::string>{"'x'", "'y'", "'z'", "'x'", "'y'"}));
}

TEST(ValueListTest, EmptyListForNotNullColumnWarnsOnce) {
  Harness h;
  ColumnRule column = ValueList({});
  column.isNull = 0;
  Rows(h, OneColumnRule(column), 3);
  ASSERT_EQ(h.prompt.shown.size(), 1u);
  EXPECT_TRUE(h.prompt.Showed("Warning!", "Value list is empty and column 'v' is NOT NULL.\nPlease check your generation rule for table 't'."));
}

TEST(RowValuesTest, SequenceLenRepeatsEachValue) {
  Harness h;
  ColumnRule column = MakeColumn("n", 4, 10, kMethodIncremental);
  column.SequenceLen = 3;
  EXPECT_EQ(FirstColumn(Rows(h, OneColumnRule(column), 7)),
            (std::vector<std::string>{"1", "1", "1", "2", "2", "2", "3"}));
}

TEST(RowValuesTest, QuotingDoublesQuotesAndKeepsWrappedValues) {
  Harness h;
  ColumnRule column = ValueList({"O'Brien", "'x'", "'", "''", "a'); drop table t; --"});
  column.Seqent = 1;
  EXPECT_EQ(FirstColumn(Rows(h, OneColumnRule(column), 5)),
            (std::vector<std::string>{"'O''Brien'", "'x'", "''''", "''''''", "'a''); drop table t; --'"}));
}

TEST(RowValuesTest, UnicodePrefixOnlyForUnicodeColumnsAndServersThatTakeIt) {
  Harness h;  // no connection: a server kind that takes the prefix
  ColumnRule wide = ValueList({"Zoë"});
  wide.iType = -9;
  ColumnRule narrow = ValueList({"plain"});
  Rule rule = OneColumnRule(wide);
  rule.Fields.push_back(narrow);
  auto rows = Rows(h, rule, 1);
  EXPECT_EQ(rows[0][0], "N'Zoë'");
  EXPECT_EQ(rows[0][1], "'plain'");
  h.options.UnicodePrefix = 0;
  EXPECT_EQ(Rows(h, rule, 1)[0][0], "'Zoë'");
}

TEST(RowValuesTest, UnquotedColumnsTakeOnlyNumbersAsTheyAre) {
  Harness h;
  ColumnRule column = ValueList({"1,234", "12.5", "1); delete from t; --", ""});
  column.iType = 4;
  column.Seqent = 1;
  EXPECT_EQ(FirstColumn(Rows(h, OneColumnRule(column), 4)),
            (std::vector<std::string>{"1234", "12.5", "'1); delete from t; --'", "NULL"}));
  h.options.RemoveComma = 0;
  EXPECT_EQ(FirstColumn(Rows(h, OneColumnRule(column), 1))[0], "'1,234'");
  column.NoQuotas = 1;
  column.Values = {"now()"};
  EXPECT_EQ(FirstColumn(Rows(h, OneColumnRule(column), 1))[0], "now()");
}

TEST(RowValuesTest, NullShareAndNullItems) {
  Harness h;
  ColumnRule column = ValueList({"a"});
  column.UseNulls = 100;
  EXPECT_EQ(FirstColumn(Rows(h, OneColumnRule(column), 3)), (std::vector<std::string>(3, "NULL")));
  ColumnRule nullItem = ValueList({"NULL"});
  EXPECT_EQ(FirstColumn(Rows(h, OneColumnRule(nullItem), 1))[0], "NULL");
  nullItem.isNull = 0;  // not nullable: still NULL, for the database to refuse
  EXPECT_EQ(FirstColumn(Rows(h, OneColumnRule(nullItem), 1))[0], "NULL");
}

TEST(RowValuesTest, UniqueColumnWithEveryValueNullStillMakesRows) {
  Harness h;
  ColumnRule column = ValueList({"a"});
  column.UseNulls = 100;
  column.Unique = 1;
  EXPECT_EQ(FirstColumn(Rows(h, OneColumnRule(column), 5)), (std::vector<std::string>(5, "NULL")));
}

TEST(RowValuesTest, UniqueColumnFailsWhenNoNewValueIsLeft) {
  Harness h;
  h.options.UniqueTryCounter = 20;
  Rule rule = OneColumnRule(ValueList({"a", "b"}));
  rule.Fields[0].Unique = 1;
  RowGenerator generator(h.options, nullptr);
  ASSERT_EQ(generator.GenerateValues(rule), 0);
  std::string values, line;
  EXPECT_EQ(generator.GenOneRowValues(values, 1, line, ","), 0);
  EXPECT_EQ(generator.GenOneRowValues(values, 2, line, ","), 0);
  EXPECT_NE(generator.GenOneRowValues(values, 3, line, ","), 0);
  EXPECT_NE(h.log.Text().find("ABORT: Could not find unique value for t.v!"), std::string::npos);
}

TEST(IncrementalTest, NumbersWithTimesAndCycle) {
  Harness h;
  ColumnRule column = MakeColumn("n", 4, 10, kMethodIncremental);
  column.Start = "10";
  column.Step = "5";
  column.Times = 2;
  EXPECT_EQ(FirstColumn(Rows(h, OneColumnRule(column), 5)),
            (std::vector<std::string>{"10", "10", "15", "15", "20"}));
  column.Cycle = 4;
  EXPECT_EQ(FirstColumn(Rows(h, OneColumnRule(column), 6)),
            (std::vector<std::string>{"10", "10", "15", "15", "10", "10"}));
}

TEST(IncrementalTest, FormatsStepZeroVariablesAndDecimals) {
  Harness h;
  h.project.localVars.push_back({"#first", "Constant", "7", "7"});
  ColumnRule sku = MakeColumn("sku", 1, 10, kMethodIncremental);
  sku.sFormat = "SKU%07d";
  sku.Start = "#first";
  sku.Step = "0";
  EXPECT_EQ(FirstColumn(Rows(h, OneColumnRule(sku), 2)), (std::vector<std::string>{"'SKU0000007'", "'SKU0000008'"}));
  ColumnRule amount = MakeColumn("a", 2, 10, kMethodIncremental);
  amount.sFormat = "%.1f";
  amount.Start = "1.5";
  amount.Step = "0.25";
  EXPECT_EQ(FirstColumn(Rows(h, OneColumnRule(amount), 3)), (std::vector<std::string>{"1.5", "1.8", "2.0"}));
  ColumnRule hostile = MakeColumn("h", 4, 10, kMethodIncremental);
  hostile.sFormat = "%n%s";
  EXPECT_EQ(FirstColumn(Rows(h, OneColumnRule(hostile), 1))[0], "1");
}

struct DateCase {
  int type;
  std::string low;
  int mode;
  std::string step;
  int times;
  std::vector<std::string> expected;
};

class IncrementalDateTest : public testing::TestWithParam<DateCase> {};

TEST_P(IncrementalDateTest, StepsAndCarries) {
  const DateCase& c = GetParam();
  Harness h;
  h.options.DateFormat = "DD.MM.YYYY";
  h.options.TimeFormat = "HH:MM:SS";
  ColumnRule column = MakeColumn("d", c.type, 20, kMethodIncremental);
  column.sFormat = "";
  column.LowRange = c.low;
  column.incTimeMode = c.mode;
  column.Step = c.step;
  column.Times = c.times;
  std::vector<std::string> expected;
  for (const std::string& e : c.expected) expected.push_back("'" + e + "'");
  EXPECT_EQ(FirstColumn(Rows(h, OneColumnRule(column), static_cast<int>(expected.size()))), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Units, IncrementalDateTest,
    testing::Values(
        DateCase{91, "28.02.2013", kIncDay, "1", 1, {"01.03.2013", "02.03.2013"}},
        DateCase{9, "01.01.2013", kIncDay, "1", 2, {"02.01.2013", "02.01.2013", "03.01.2013"}},
        DateCase{9, "30.04.2013", kIncDay, "1", 1, {"01.05.2013"}},
        DateCase{9, "31.12.2013", kIncDay, "1", 1, {"01.01.2014"}},
        DateCase{9, "15.11.2013", kIncMonth, "1", 1, {"15.12.2013", "15.01.2014"}},
        DateCase{9, "15.11.2013", kIncYear, "2", 1, {"15.11.2015"}},
        DateCase{92, "23:59:30", kIncSecond, "45", 1, {"00:00:15", "00:01:00"}},
        DateCase{10, "22:58:00", kIncMinute, "90", 1, {"00:28:00"}},
        DateCase{93, "31.12.2013 23:00:00", kIncHour, "1", 1, {"01.01.2014 00:00:00"}},
        DateCase{11, "01.03.2013 00:00:00", kIncDay, "-1", 1, {"28.02.2013 00:00:00"}},
        DateCase{9, "28.02.2020", kIncDay, "1", 1, {"29.02.2020", "01.03.2020"}},
        // A monthly series from the 31st gives each month's last day, and the
        // 31st again where the month has one.
        DateCase{9, "31.12.2019", kIncMonth, "1", 1, {"31.01.2020", "29.02.2020", "31.03.2020", "30.04.2020"}},
        DateCase{9, "31.01.2020", kIncMonth, "1", 2, {"29.02.2020", "29.02.2020", "31.03.2020"}},
        DateCase{11, "31.08.2020 12:00:00", kIncMonth, "-3", 1, {"31.05.2020 12:00:00", "29.02.2020 12:00:00"}},
        DateCase{9, "29.02.2016", kIncYear, "2", 1, {"28.02.2018", "29.02.2020"}}));

// The date formats a column may carry read their own start, and a series
// runs on in them without losing the century.
TEST(IncrementalTest, DatesRunOnInTheColumnsFormat) {
  Harness h;
  h.options.DateFormat = "DD.MM.YYYY";
  ColumnRule column = MakeColumn("d", 91, 20, kMethodIncremental);
  column.sFormat = "CYYMMDD";
  column.LowRange = "1130305";
  column.incTimeMode = kIncYear;
  EXPECT_EQ(FirstColumn(Rows(h, OneColumnRule(column), 2)), (std::vector<std::string>{"'1140305'", "'1150305'"}));
  column.sFormat = "DD-MON-YY";
  column.LowRange = "15-DEC-29";
  column.incTimeMode = kIncMonth;
  column.Step = "1";
  EXPECT_EQ(FirstColumn(Rows(h, OneColumnRule(column), 3)),
            (std::vector<std::string>{"'15-JAN-30'", "'15-FEB-30'", "'15-MAR-30'"}));
  EXPECT_TRUE(h.prompt.shown.empty());
}

TEST(IncrementalTest, UnreadableDateStopsTheRow) {
  Harness h;
  ColumnRule column = MakeColumn("d", 9, 10, kMethodIncremental);
  column.LowRange = "not a date";
  RowGenerator generator(h.options, nullptr);
  ASSERT_EQ(generator.GenerateValues(OneColumnRule(column)), 0);
  std::string values, line;
  EXPECT_NE(generator.GenOneRowValues(values, 1, line, ","), 0);
  EXPECT_TRUE(h.prompt.Showed("Bad date Error", "not a date"));
}

TEST(DiskFileTest, GroupTakesFieldsOfOneLine) {
  Harness h;
  testenv::TempDir dir;
  testenv::WriteFile(dir.path() / "f.txt", "a1|a2|a3\r\nb1|b2|b3\nc1|c2\n");
  ColumnRule leader = MakeColumn("f1", 12, 10, kMethodDiskFile);
  leader.FileName = dir.file("f.txt");
  leader.fileSeparator = "|";
  leader.groupNo = 1;
  ColumnRule second = MakeColumn("f2", 12, 10, kMethodGroupItem);
  second.groupNo = 1;
  ColumnRule third = second;
  third.Name = "f3";
  Rule rule = OneColumnRule(leader);
  rule.Fields.push_back(second);
  rule.Fields.push_back(third);
  for (const auto& row : Rows(h, rule, 60)) {
    ASSERT_EQ(row[0].size(), 4u);
    const char line = row[0][1];
    EXPECT_EQ(row[1], line == 'c' ? "'c2'" : std::string("'") + line + "2'");
    EXPECT_EQ(row[2], line == 'c' ? "''" : std::string("'") + line + "3'");
  }
}

TEST(DiskFileTest, MissingFileIsReportedOnce) {
  Harness h;
  ColumnRule column = MakeColumn("f", 12, 10, kMethodDiskFile);
  column.FileName = "/nonexistent/quarnel/file.txt";
  const auto rows = FirstColumn(Rows(h, OneColumnRule(column), 3));
  EXPECT_EQ(rows[0], "''");
  ASSERT_EQ(h.prompt.shown.size(), 1u);
  EXPECT_TRUE(h.prompt.Showed("Error", "Table 't', column 'f'. Error open file '/nonexistent/quarnel/file.txt'"));
}

TEST(RowValuesTest, NamedGeneratorReplacesSettingsButNotTheColumn) {
  Harness h;
  ColumnRule generator = ValueList({"Deluxe"});
  generator.NamedGen = "Word";
  generator.Name = "other";
  generator.iSize = 3;
  h.project.namedGens.push_back(generator);
  ColumnRule column = MakeColumn("name", 12, 60, kMethodNamedGen);
  column.NamedGen = "Word";
  Rule rule = OneColumnRule(column);
  RowGenerator rows(h.options, nullptr);
  ASSERT_EQ(rows.GenerateValues(rule), 0);
  EXPECT_EQ(rows.Columns()[0].Name, "name");
  EXPECT_EQ(rows.Columns()[0].iSize, 60);
  EXPECT_EQ(rows.Columns()[0].Method, kMethodValueList);
  EXPECT_EQ(rule.Fields[0].Method, kMethodNamedGen);  // the project is left alone
  std::string values, line;
  ASSERT_EQ(rows.GenOneRowValues(values, 1, line, ","), 0);
  EXPECT_EQ(values, "'Deluxe'");
}

TEST(RowValuesTest, TextLineUsesRawValuesAndSkipsIgnored) {
  Harness h;
  ColumnRule a = ValueList({"O'Brien"});
  a.UseNulls = 100;  // the statement gets NULL, the text line the value
  ColumnRule ignored = MakeColumn("i", 12, 10, kMethodIgnore);
  ColumnRule b = ValueList({"'quoted'"});
  ColumnRule c = ValueList({"NULL"});
  Rule rule = OneColumnRule(a);
  rule.Fields.push_back(ignored);
  rule.Fields.push_back(b);
  rule.Fields.push_back(c);
  std::vector<std::string> lines;
  const auto rows = Rows(h, rule, 1, &lines, "\t");
  EXPECT_EQ(lines[0], "O'Brien\t'quoted'\t");
  h.project.QuoteExportString = 1;
  lines.clear();
  Rows(h, rule, 1, &lines, "|");
  EXPECT_EQ(lines[0], "\"O'Brien\"|\"'quoted'\"|");
  RowGenerator generator(h.options, nullptr);
  ASSERT_EQ(generator.GenerateValues(rule), 0);
  std::string values, line;
  ASSERT_EQ(generator.GenOneRowValues(values, 1, line, ","), 0);
  EXPECT_EQ(values, "NULL,'quoted',NULL");
  EXPECT_FALSE(generator.Field(1).included);
  h.options.UseBULK = 1;
  RowGenerator bulk(h.options, nullptr);
  ASSERT_EQ(bulk.GenerateValues(rule), 0);
  bulk.SetBulkLoad(true, true);  // the server's bulk file takes its fields as they stand
  ASSERT_EQ(bulk.GenOneRowValues(values, 1, line, "\t"), 0);
  EXPECT_EQ(line, "O'Brien\t\t'quoted'\t");
}

TEST(RowValuesTest, CsvFieldsThatWouldSplitAreQuoted) {
  Harness h;
  Rule rule = OneColumnRule(ValueList({"85, Priory Close"}));
  rule.Fields.push_back(ValueList({"say \"hi\""}));
  rule.Fields.push_back(ValueList({"two\nlines"}));
  rule.Fields.push_back(ValueList({"plain"}));
  std::vector<std::string> lines;
  Rows(h, rule, 1, &lines, ",");
  EXPECT_EQ(lines[0], "\"85, Priory Close\",\"say \"\"hi\"\"\",\"two\nlines\",plain");
  // Tab-separated lines quote alike, where the value holds a tab, a quote or a line end.
  lines.clear();
  Rows(h, rule, 1, &lines, "\t");
  EXPECT_EQ(lines[0], "85, Priory Close\t\"say \"\"hi\"\"\"\t\"two\nlines\"\tplain");
}

// A text field is the value as it was made: quotes that belong to the value stay.
TEST(RowValuesTest, TextFieldsKeepQuotesThatBelongToTheValue) {
  Harness h;
  Rule rule = OneColumnRule(ValueList({"''"}));
  rule.Fields.push_back(ValueList({"'hi'"}));
  rule.Fields.push_back(ValueList({"it's"}));
  rule.Fields.push_back(ValueList({"x"}));
  std::vector<std::string> lines;
  Rows(h, rule, 1, &lines, ";");
  EXPECT_EQ(lines[0], "'';'hi';it's;x");
  // Quoting text values asked for: every one of them is.
  h.project.QuoteExportString = 1;
  lines.clear();
  Rows(h, rule, 1, &lines, ";");
  EXPECT_EQ(lines[0], "\"''\";\"'hi'\";\"it's\";\"x\"");
}

TEST(RowValuesTest, DateConversionWrapsDatesAsExpressions) {
  Harness h;
  h.options.DateConversion = "to_date('%s','YYYY-MM-DD')";
  ColumnRule column = ValueList({"2024-01-02", "x'y"});
  column.iType = 91;
  column.Seqent = 1;
  const auto rows = FirstColumn(Rows(h, OneColumnRule(column), 2));
  EXPECT_EQ(rows[0], "to_date('2024-01-02','YYYY-MM-DD')");
  EXPECT_EQ(rows[1], "to_date('x''y','YYYY-MM-DD')");
}

TEST(LibraryTest, FieldAndLengthFilter) {
  Harness h;
  testenv::TempDir dir;
  testenv::WriteFile(dir.path() / "lib.xml",
                     "<?xml version=\"1.0\"?><library><FirstNames><item Name=\"Ann\"/><item Name=\"Bartholomew\"/>"
                     "</FirstNames><Months><item Name=\"January\" ShortName=\"Jan\"/>"
                     "<item Name=\"February\" ShortName=\"Feb\"/></Months></library>");
  VLibrary library;
  ASSERT_EQ(library.Open(dir.file("lib.xml"), h.log.log()), 0);
  h.options.library = &library;
  ColumnRule names = MakeColumn("n", 12, 20, kMethodLibrary);
  names.LibName = "FirstNames";
  names.HighRange = "5";
  EXPECT_EQ(FirstColumn(Rows(h, OneColumnRule(names), 10)), std::vector<std::string>(10, "'Ann'"));
  ColumnRule month = MakeColumn("m", 1, 3, kMethodLibrary);
  month.LibName = "Months.ShortName";
  month.Seqent = 1;
  EXPECT_EQ(FirstColumn(Rows(h, OneColumnRule(month), 3)), (std::vector<std::string>{"'Jan'", "'Feb'", "'Jan'"}));
  names.HighRange = "2";
  EXPECT_EQ(FirstColumn(Rows(h, OneColumnRule(names), 1))[0], "''");
  EXPECT_TRUE(h.prompt.Showed("Warning!", "Column 1 is not compatible with Library item 'FirstNames'"));
}

TEST(LibraryTest, AColumnOfALibraryThatCouldNotBeOpenedFailsAndSaysSo) {
  Harness h;
  testenv::TempDir dir;
  VLibrary library;
  library.Open(dir.file("missing.db"), h.log.log());
  h.options.library = &library;
  ColumnRule names = MakeColumn("n", 12, 20, kMethodLibrary);
  names.LibName = "FirstNames";
  RowGenerator generator(h.options, nullptr);
  ASSERT_EQ(generator.GenerateValues(OneColumnRule(names)), 0);
  std::string values, line;
  EXPECT_EQ(generator.GenOneRowValues(values, 1, line, ","), kRowFailed);
  EXPECT_TRUE(h.prompt.Showed("Error", "Column 1 needs Library item 'FirstNames', but the value library '" +
                                           dir.file("missing.db") + "' could not be opened"));
  EXPECT_FALSE(h.prompt.Showed("Warning!", "is not compatible"));
}

TEST(PatternTest, TooLongValuesAreRetriedAndErrorsReportedOnce) {
  Harness h;
  ColumnRule fits = MakeColumn("p", 12, 3, kMethodPattern);
  fits.regexp = "[a-c]{1,8}";
  // 1 to 7 letters, 3 of 7 lengths fit: up to five evaluations make nearly
  // every value fit, one would leave most of them too long.
  int fitting = 0;
  for (const std::string& v : FirstColumn(Rows(h, OneColumnRule(fits), 300))) fitting += v.size() <= 5;
  EXPECT_GT(fitting, 250);
  ColumnRule tooLong = MakeColumn("p", 12, 3, kMethodPattern);
  tooLong.regexp = "xyzxyz";
  EXPECT_EQ(FirstColumn(Rows(h, OneColumnRule(tooLong), 1))[0], "'xyzxyz'");
  ColumnRule broken = MakeColumn("p", 12, 10, kMethodPattern);
  broken.Mask = "$NoSuchFunction(1)";
  Rows(h, OneColumnRule(broken), 3);
  size_t shown = 0;
  for (const auto& s : h.prompt.shown) shown += s.caption == "Wrong Pattern";
  EXPECT_EQ(shown, 1u);
  EXPECT_TRUE(h.prompt.Showed("Wrong Pattern", "\r\nPattern '$NoSuchFunction(1)'"));
}

TEST(PatternTest, ListItemsAsPatterns) {
  Harness h;
  ColumnRule column = ValueList({"$Regexp(ab[c])"});
  column.asMask = 1;
  EXPECT_EQ(FirstColumn(Rows(h, OneColumnRule(column), 2)), (std::vector<std::string>{"'abc'", "'abc'"}));
}

TEST(FixedWidthRowTest, WidthsFromTheListAndTheTypeAndPaddedLines) {
  Harness h;
  OutputFiles files(h.options);
  Rule rule = OneColumnRule(ValueList({"ab", "abcdef"}));
  rule.Fields[0].Seqent = 1;
  rule.Fields[0].iSize = 4;
  rule.Fields.push_back(MakeColumn("n", 4, 10, kMethodIncremental));
  RowGenerator generator(h.options, &files);
  ASSERT_EQ(generator.GenerateValues(rule), 0);
  std::string values, line;
  ASSERT_EQ(generator.GenOneRowValues(values, 1, line, kFixedLengthDelimiter), 0);
  EXPECT_EQ(line, "ab    " + std::string(10, ' ') + "1");
  EXPECT_EQ(OutputFiles::TextDelimiter("<tab>"), "\t");
  EXPECT_EQ(OutputFiles::TextDelimiter(""), "\t");
  EXPECT_EQ(OutputFiles::TextDelimiter(";"), ";");
}

TEST(ErrorDialogTest, ConsoleAnswersOkAndKeepsShowing) {
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  {
    ConsolePrompt console(out);
    bool dontShowAgain = true;
    EXPECT_EQ(console.ErrorDialog("no such table: t", "select * from t", dontShowAgain), PromptAnswer::kOk);
    EXPECT_FALSE(dontShowAgain);
  }
  std::rewind(out);
  char buffer[256] = {};
  const size_t n = std::fread(buffer, 1, sizeof buffer - 1, out);
  std::fclose(out);
  EXPECT_EQ(std::string(buffer, n), "Error [error]: no such table: t\r\n\r\nselect * from t -> OK\n");
}
