#include "GenTmpl/PatternEngine.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "GenTmpl/FunctionTable.h"
#include "GenTmpl/PatternRunner.h"

namespace {

struct Case {
  const char* pattern;
  const char* matches;  // regular expression the whole value must match
  int error;
};

std::string Eval(PatternEngine& engine, std::string_view pattern, int* error = nullptr) {
  std::string value;
  int code = engine.Generate(value, -1, pattern);
  if (error) *error = code;
  return value;
}

void CheckTable(const std::vector<Case>& cases, int repeats) {
  PatternEngine::SeedRandom(31);
  for (const Case& c : cases) {
    PatternEngine engine;
    engine.Init("", 0);
    std::regex re(c.matches);
    for (int i = 0; i < repeats; ++i) {
      int error = 0;
      std::string value = Eval(engine, c.pattern, &error);
      ASSERT_TRUE(std::regex_match(value, re))
          << "pattern " << c.pattern << " gave '" << value << "'";
      ASSERT_EQ(error, c.error) << "pattern " << c.pattern << ": " << engine.ErrorMessage();
    }
  }
}

TEST(PatternEngineTest, ElementsProduceWhatTheirFormSays) {
  CheckTable({
                 {"\\(NNN\\) NNN-NNNN", R"(\(\d{3}\) \d{3}-\d{4})", 0},
                 {"(NNN) NNN-NNNN", R"(\d{3} \d{3}-\d{4})", 0},
                 {"A{=11}", "[A-Z]{11}", 0},
                 {"a{=3}X{=5}", "[a-z]{3}[0-9A-F]{5}", 0},
                 {"N{4}", R"(\d{1,4})", 0},
                 {"N{0}", "", 0},
                 {"N{}", "", 0},
                 {"N{=0}", "", 0},
                 {"N{2:2}", R"(\d{2})", 0},
                 {"N{5:3}", R"(\d{5})", 0},
                 {"N{2;4}", R"(\d{2,4})", 0},
                 {"N{=2:4}", R"(\d{2,4})", 0},
                 {"A{x}", R"([A-Z]\})", 105},
                 {"N{3", R"(\d)", 105},
                 {"N{", R"(\d\{)", 0},
                 {"N{1:3x-", R"(\d-)", 0},
                 {"x\\Ay\\", "xAy", 0},
                 {"[xyz]", "(xyz)?", 0},
                 {"[q\\]r]s", R"((q\]r)?s)", 0},
                 {"<x|y|z>", "[xyz]", 0},
                 {"<>", "", 0},
                 {"<", "", 104},
                 {"<x|y", "x", 0},
                 {"<\\N|N>", R"(N|\d)", 0},
                 {"#", "", 0},
                 {"$$(1+2)", "3", 0},
                 {"$$(1+)", ".*", 81},
                 {"$rint(5,5)-$RINT(5,5)-$RInt(5,5)", "5-5-5", 0},
                 {"$lib (x)", "", 100},
                 {"$NoSuch(1)", "", 100},
                 {"x$RInt", "x", 90},
                 {"x$RInt(", "x", 90},
                 {"x$RInt(1,2", "x", 91},
                 {"$RInt((1),(2))", "1", 0},
                 {"$Upper( \\x ,)", "X", 0},
                 {"@1", "", 700},
                 {"@'name'x", "x", 700},
             },
             40);
}

TEST(PatternEngineTest, CapturedGroupRepeatsInLaterPatterns) {
  PatternEngine engine;
  engine.Init("", 0);
  std::string value = Eval(engine, "(NNN)-#");
  ASSERT_EQ(value.size(), 7u);
  EXPECT_EQ(value.substr(0, 3), value.substr(4));
  std::string area = value.substr(0, 3);
  EXPECT_EQ(Eval(engine, "#"), area);
  // Groups do not nest: each ")" captures from the last "(".
  EXPECT_EQ(Eval(engine, "\\a(\\b(\\c)\\d)#"), "abcdcd");
}

class ColumnTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine.Init("", 0);
    engine.AddColumn("first");
    engine.AddColumn("second");
    for (int i = 3; i <= 12; ++i) engine.AddColumn("c" + std::to_string(i));
  }
  PatternEngine engine;
};

TEST_F(ColumnTest, ReferencesReadCurrentAndPreviousValues) {
  EXPECT_EQ(Eval(engine, "@@'first'"), "");
  engine.SetColumnValue(0, "one");
  engine.SetColumnValue(0, "two", "DD.MM.YYYY");
  engine.SetColumnValue(1, "b");
  engine.SetColumnValue(11, "twelve");
  engine.SetColumnValue(12, "ignored");
  engine.SetColumnValue(-1, "ignored");
  std::string format;
  std::string value;
  EXPECT_EQ(engine.Generate(value, -1, "@'first'|@@'first'|@2|@12|@@1", &format), 0);
  EXPECT_EQ(value, "two|one|b|twelve|one");
  EXPECT_EQ(format, "DD.MM.YYYY");
}

TEST_F(ColumnTest, GenerateStoresItsColumn) {
  std::string value;
  engine.Generate(value, 1, "\\v\\1");
  EXPECT_EQ(Eval(engine, "@'second'"), "v1");
  engine.Generate(value, 1, "\\v\\2");
  EXPECT_EQ(Eval(engine, "@@2"), "v1");
}

TEST_F(ColumnTest, BadReferencesReportTheirErrors) {
  struct Bad {
    const char* pattern;
    const char* value;
    int error;
    const char* message;
  } cases[] = {
      {"x@", "x", 701, "Column: column reference without column name."},
      {"@0", "", 702, "Column: invalid column index."},
      {"@13", "", 702, "Column: invalid column index."},
      {"@99999999999999999999", "", 702, "Column: invalid column index."},
      {"@-", "-", 703, "Column: column name without quotation."},
      {"@'first", "", 704, "Column: column name quotation error."},
      {"@'fi(rst'", "rst'", 704, "Column: column name quotation error."},
      {"@'nobody'", "", 705, "Column: specified column 'nobody' not found."},
      {"@'First'", "", 705, "Column: specified column 'First' not found."},
  };
  for (const Bad& c : cases) {
    int error = 0;
    EXPECT_EQ(Eval(engine, c.pattern, &error), c.value) << c.pattern;
    EXPECT_EQ(error, c.error) << c.pattern;
    EXPECT_EQ(engine.ErrorMessage(), c.message) << c.pattern;
  }
}

TEST(PatternEngineTest, ParserMessagesAreExact) {
  struct Message {
    const char* pattern;
    const char* message;
  } cases[] = {
      {"$RInt", "Function: parameter(s) missed."},
      {"$RInt(1", "Function: brackets coordination error."},
      {"$RInt (1)", "Function: could not recognize 'RInt ' as correct function name."},
      {"<", "List: <...> list is empty."},
      {"N{3x}", "Incorrect repeater value."},
      {"@1", "Column: definitions are not present."},
  };
  PatternEngine engine;
  engine.Init("", 0);
  for (const Message& c : cases) {
    Eval(engine, c.pattern);
    EXPECT_EQ(engine.ErrorMessage(), c.message) << c.pattern;
  }
  // An error does not survive into the next Generate.
  std::string value;
  EXPECT_EQ(engine.Generate(value, -1, "x"), 0);
  EXPECT_EQ(engine.ErrorMessage(), "");
}

TEST(PatternEngineTest, EveryFunctionNameIsAcceptedInAnyCase) {
  const char* names[] = {"inc",       "rint",       "rstring",    "rfloat",   "rtime",
                         "rdate",     "today",      "now",        "date",     "inctime",
                         "incdate",   "time",       "variables",  "vars",     "regexp",
                         "truncate",  "upper",      "guid",       "lower",    "list",
                         "listpattern", "group",    "pattern",    "format",   "ifr",
                         "if",        "quote",      "text",       "call",     "geometry",
                         "geography", "unique",     "uniq",       "sequence", "seq",
                         "file",      "filegroup",  "lib",        "library",  "libgroup",
                         "table",     "tablegroup", "tablegroupc", "query",   "querygroup",
                         "msaccess",  "msexcel",    "msexcelgroup", "xml",    "dll"};
  const FunctionTable& table = FunctionTable::Instance();
  for (const char* name : names) {
    EXPECT_NE(table.Find(name), nullptr) << name;
    std::string upper(name);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_NE(table.Find(upper), nullptr) << upper;
  }
  EXPECT_EQ(table.Find("nosuch"), nullptr);
  EXPECT_EQ(table.Find(""), nullptr);
  EXPECT_EQ(table.Find(std::string(1000, 'a')), nullptr);
  EXPECT_TRUE(table.Find("regexp")->raw);
  EXPECT_FALSE(table.Find("list")->raw);
}

TEST(PatternEngineTest, NodesAreBuiltOnceAndReplayed) {
  PatternEngine engine;
  engine.Init("", 0);
  std::vector<std::string> values;
  for (int row = 0; row < 3; ++row) {
    values.push_back(Eval(engine, "$Inc(10,5)-$Inc(1,1)"));
    engine.NextRow();
  }
  EXPECT_EQ(values, (std::vector<std::string>{"10-1", "15-2", "20-3"}));
  EXPECT_EQ(engine.NodeCount(), 2u);
  // A replay pass that reaches more calls than were compiled.
  Eval(engine, "$Inc(1,1)$Inc(1,1)$Inc(1,1)");
  EXPECT_EQ(engine.ErrorMessage(), "GensValue: call without correct initialization [2 of 2]");
  EXPECT_EQ(engine.ErrorCode(), 0);
  engine.Clear();
  engine.Reset();
  EXPECT_EQ(Eval(engine, "$Inc(10,5)"), "10");
  EXPECT_EQ(engine.NodeCount(), 1u);
}

TEST(PatternEngineTest, ResetWithoutClearBindsTheNewNodes) {
  PatternEngine engine;
  engine.Init("", 0);
  EXPECT_EQ(Eval(engine, "$Inc(1,1)"), "1");
  engine.Reset();
  EXPECT_EQ(Eval(engine, "$Inc(50,1)"), "50");
  engine.NextRow();
  EXPECT_EQ(Eval(engine, "$Inc(50,1)"), "51");
}

TEST(PatternEngineTest, NestedNodesKeepTheirOwnPositions) {
  PatternEngine engine;
  engine.Init("", 0);
  std::vector<std::string> values;
  for (int row = 0; row < 5; ++row) {
    values.push_back(Eval(engine, "$Seq($Inc(1,1),2) $Inc(100,1)"));
    engine.NextRow();
  }
  EXPECT_EQ(values, (std::vector<std::string>{"1 100", "1 101", "2 102", "2 103", "3 104"}));
  // A start evaluated at construction takes no position either.
  engine.Clear();
  engine.Reset();
  values.clear();
  for (int row = 0; row < 3; ++row) {
    values.push_back(Eval(engine, "$Inc($Inc(7,1),2) $Inc(1,1)"));
    engine.NextRow();
  }
  EXPECT_EQ(values, (std::vector<std::string>{"7 1", "9 2", "11 3"}));
}

TEST(PatternEngineTest, ItemEnginesDoNotGrowFromRowToRow) {
  PatternEngine engine;
  engine.Init("", 0);
  for (int row = 0; row < 200; ++row) {
    // Every branch evaluation starts its own counter afresh.
    EXPECT_EQ(Eval(engine, "$IfR(100,$Inc(1,1),x)"), "1");
    engine.NextRow();
  }
  EXPECT_EQ(engine.NodeCount(), 1u);
}

// Patterns written to hurt: each must end quickly with a clear error.
TEST(PatternEngineTest, HostilePatternsAreBounded) {
  struct Hostile {
    std::string pattern;
    int error;
  };
  std::string deepCalls;
  for (int i = 0; i < 100; ++i) deepCalls += "$Upper(";
  deepCalls += "x";
  for (int i = 0; i < 100; ++i) deepCalls += ")";
  std::string longPattern;
  while (longPattern.size() < (1u << 20)) longPattern += "N{=1000}";
  std::vector<Hostile> cases = {
      {"N{2000000000}", 109},
      {"A{=999999999}", 109},
      {"N{1:99999999999999999999999}", 109},
      {"$RString(1,2000000000)", 109},
      {"$ListPattern(2000000000,N)", 109},
      {std::string(100000, '('), 0},
      {std::string(100000, ')'), 0},
      {std::string(100000, '['), 111},
      {std::string(100000, ']'), 0},
      {std::string(100000, '<'), 104},
      {std::string(100000, '@'), 700},
      {std::string(100000, '$'), 90},
      {std::string(100000, '{'), 0},
      {"$Upper" + std::string(100000, '('), 91},
      {"$RInt(" + std::string(100000, '(') + std::string(100000, ')') + ")", 0},
      {deepCalls, 111},
      {longPattern, 110},
      {std::string(1 << 20, 'x'), 0},
      {"$Geometry(2000000000)", 110},
      {"$Seq(A{=1000000},1)$Seq(A{=1000000},1)$Upper($Upper($Upper($Upper($Upper($Upper($Upper(A{=1000000})))))))"
       "$Upper($Upper($Upper($Upper($Upper($Upper($Upper(A{=1000000})))))))"
       "$Upper($Upper($Upper($Upper($Upper($Upper($Upper(A{=1000000})))))))",
       110},
      {"$Unique(A{=1000000})$Unique(A{=1000000})", 0},
  };
  for (const Hostile& c : cases) {
    PatternEngine engine;
    engine.Init("", 0);
    auto start = std::chrono::steady_clock::now();
    std::string value;
    EXPECT_EQ(engine.Generate(value, -1, c.pattern), c.error)
        << c.pattern.substr(0, 60) << ": " << engine.ErrorMessage();
    EXPECT_LE(value.size(), PatternEngine::kMaxValueLength);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20)) << c.pattern.substr(0, 60);
  }
}

TEST(PatternEngineTest, BoundErrorsSayWhatWasRefused) {
  PatternEngine engine;
  engine.Init("", 0);
  Eval(engine, "N{=2000000}");
  EXPECT_EQ(engine.ErrorMessage(), "Repeater: count 2000000 is above the limit of 1048576 characters.");
  std::string value;
  EXPECT_EQ(engine.Generate(value, -1, "N{=1048576}"), 0);
  EXPECT_EQ(value.size(), 1048576u);
  // A bound passed inside an item engine fails the calling pattern too.
  EXPECT_EQ(engine.Generate(value, -1, "$IfR(100,$Upper(" + std::string(200, '[') + "),x)"), 111);
}

// The first call nested too deep ends the whole value, however many calls a
// generator makes of itself.
TEST(PatternEngineTest, SelfCallingGeneratorStops) {
  std::string eightCalls;
  for (int i = 0; i < 8; ++i) eightCalls += "$Call(g)";
  std::vector<NamedGenerator> generators = {{"Loop", "x$Call(loop)"},
                                            {"A", "$Call(B)"},
                                            {"B", "[$Call(A)]"},
                                            {"G", eightCalls},
                                            {"Item", "$IfR(100,$Call(item)$Call(item)$Call(item),y)"}};
  struct SelfCall {
    const char* pattern;
    const char* value;  // null: not checked
  } cases[] = {
      {"$Call(loop)", ""},
      {"\\w$Call(loop)y", "w"},
      {"$Call(a)", nullptr},
      {"$Call(g)", ""},
      {"\\a$Call(g)\\b", "a"},
      {"$Call(item)", ""},
  };
  for (const SelfCall& c : cases) {
    PatternEngine engine;
    engine.Init("", 0);
    engine.SetNamedGenList(&generators);
    auto start = std::chrono::steady_clock::now();
    int error = 0;
    std::string value = Eval(engine, c.pattern, &error);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << c.pattern;
    EXPECT_EQ(error, 603) << c.pattern;
    EXPECT_TRUE(engine.ErrorMessage().starts_with("Call: named generator '") &&
                engine.ErrorMessage().ends_with("' calls itself (more than 16 nested calls)."))
        << c.pattern << ": " << engine.ErrorMessage();
    if (c.value) {
      EXPECT_EQ(value, c.value) << c.pattern;
    }
    // The next value starts with a clean slate.
    EXPECT_EQ(Eval(engine, "\\o\\k", &error), "ok");
    EXPECT_EQ(error, 0);
  }
}

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime's own count (GCC ships no header for it).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

// Bytes of heap in use, as the allocator of this build counts them.
std::size_t HeapInUse() {
#if defined(__SANITIZE_ADDRESS__)
  return __sanitizer_get_current_allocated_bytes();
#else
  return mallinfo2().uordblks;
#endif
}

// What a pattern keeps, and how long one value takes, stay bounded however
// many sources, nodes or item engines it asks for.
TEST(PatternEngineTest, MemoryOfAPatternIsBounded) {
  const std::string dir = ::testing::TempDir();
  const std::string lines = dir + "/hundred-thousand-lines.txt";
  const std::string patterns = dir + "/pattern-lines.txt";
  {
    std::FILE* f = std::fopen(lines.c_str(), "w");
    std::FILE* g = std::fopen(patterns.c_str(), "w");
    ASSERT_TRUE(f && g);
    for (int i = 0; i < 100000; ++i) std::fprintf(f, "a line of the file, number %d\n", i);
    for (int i = 0; i < 120000; ++i) std::fprintf(g, "$Upper(v%d)\n", i);
    std::fclose(f);
    std::fclose(g);
  }
  std::string manyUniques;
  for (int i = 0; i < 500; ++i) manyUniques += "$Unique(N)";
  std::string manyFiles;
  while (manyFiles.size() < 4000) manyFiles += "$File(" + lines + ")";
  struct Limit {
    std::string pattern;
    int error;
    std::size_t keptBytes;  // at most, once the value is made
  } cases[] = {
      // The list's pattern is compiled once: one file read, not 2000.
      {"$ListPattern(2000,$File(" + lines + "))", 0, 16u << 20},
      {"$ListPattern(5000,$Unique(NNNNNN))", 0, 4u << 20},
      {manyUniques, 0, 32u << 20},
      // Each line of patterns has an item engine of its own.
      {"$ListPattern(120000,$File(" + patterns + ",1,1))", PatternEngine::kErrBudget, 768u << 20},
      {manyFiles, PatternEngine::kErrBudget, PatternEngine::kMaxCachedBytes + (32u << 20)},
  };
  for (const Limit& c : cases) {
    const std::size_t before = HeapInUse();
    auto start = std::chrono::steady_clock::now();
    PatternEngine engine;
    engine.Init("", 0);
    int error = 0;
    Eval(engine, c.pattern, &error);
    const std::size_t kept = HeapInUse() - before;
    EXPECT_EQ(error, c.error) << c.pattern.substr(0, 60) << ": " << engine.ErrorMessage();
    EXPECT_LE(kept, c.keptBytes) << c.pattern.substr(0, 60);
    EXPECT_LE(engine.Budget().nodes, PatternEngine::kMaxNodes);
    EXPECT_LE(engine.Budget().bytes, PatternEngine::kMaxCachedBytes);
    // Work that grows out of bounds (a file read for every value) takes
    // minutes; the slowest case takes about 10 s under the sanitizers on a
    // busy 2-core machine, so the limit leaves it room.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60))
        << c.pattern.substr(0, 60);
    engine.Clear();
    EXPECT_EQ(engine.Budget().nodes, 0u);
    EXPECT_EQ(engine.Budget().bytes, 0u);
  }
}

std::vector<std::string> SeededRun(uint32_t seed, bool seedThroughInit) {
  const char* pattern =
      "A{=4}|$List(0,N{=4},50,A{=4},50)|$IfR(50,a{=3},N{=3})|$Unique(X{=6})|$ListPattern(3,N{=5})";
  if (!seedThroughInit) PatternEngine::SeedRandom(seed);
  PatternEngine engine;
  engine.Init("", seedThroughInit ? seed : 0);
  std::vector<std::string> values;
  for (int row = 0; row < 20; ++row) {
    values.push_back(Eval(engine, pattern));
    engine.NextRow();
    // Engines made later in the run do not reseed the source either.
    PatternEngine other;
    other.Init("", 0);
    values.push_back(Eval(other, "$List(1,N{=3})"));
  }
  return values;
}

TEST(PatternEngineTest, SeededRunsRepeat) {
  EXPECT_EQ(SeededRun(42, false), SeededRun(42, false));
  EXPECT_EQ(SeededRun(7, true), SeededRun(7, true));
  EXPECT_NE(SeededRun(7, true), SeededRun(8, true));
  EXPECT_TRUE(PatternEngine::RepeatableSeed());
  PatternEngine::SeedRandom(0);
  EXPECT_FALSE(PatternEngine::RepeatableSeed());
}

std::string RunnerOutput(const PatternRunOptions& options, int* status) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  *status = RunPatterns(options, out, err);
  std::string text;
  std::rewind(out);
  for (int c; (c = std::fgetc(out)) != EOF;) text += static_cast<char>(c);
  std::rewind(err);
  for (int c; (c = std::fgetc(err)) != EOF;) text += static_cast<char>(c);
  std::fclose(out);
  std::fclose(err);
  return text;
}

TEST(PatternRunnerTest, WritesRepeatableTabSeparatedRows) {
  PatternRunOptions options;
  options.patterns = {"$Inc(1,1)", "N{=3}", "\\a\\\t\\b", "@1"};
  options.rows = 3;
  options.seed = 99;
  int status = -1;
  std::string first = RunnerOutput(options, &status);
  EXPECT_EQ(status, 0);
  std::regex row(R"(1\t\d{3}\ta\\tb\t1\n2\t\d{3}\ta\\tb\t2\n3\t\d{3}\ta\\tb\t3\n)");
  EXPECT_TRUE(std::regex_match(first, row)) << first;
  EXPECT_EQ(RunnerOutput(options, &status), first);
}

// A failing row is written as the engine made it, and the run stops after it
// with the first error of that row.
TEST(PatternRunnerTest, ReportsTheFirstFailure) {
  const struct {
    std::vector<std::string> patterns;
    int rows;
    std::string output;  // standard output, then standard error
    int status;
  } cases[] = {
      {{"x", "$Nope(1)"}, 5,
       "x\t\nerror 100: Function: could not recognize 'Nope' as correct function name. (row 1, column 2)\n", 1},
      {{"$Inc(1,1)", "y", "$Truncate(x)"}, 5,
       "1\ty\t\nerror 106: Truncate: parameter list must contain 2 items. (row 1, column 3)\n", 1},
      {{"$Inc(1,1)", "$List(1,y,$Call())"}, 5,
       "1\ty\n2\t\nerror 600: Function $Call expects one paremeter. (row 2, column 2)\n", 1},
      {{}, 1, "No patterns to generate, or a negative row count.\n", 2},
  };
  for (const auto& c : cases) {
    PatternRunOptions options;
    options.patterns = c.patterns;
    options.rows = c.rows;
    options.seed = 5;
    int status = 0;
    EXPECT_EQ(RunnerOutput(options, &status), c.output) << c.patterns.size();
    EXPECT_EQ(status, c.status) << c.output;
  }
  // A class letter with a bad repeater still gives its letter.
  PatternRunOptions options;
  options.patterns = {"A{x}"};
  options.seed = 5;
  int status = 0;
  EXPECT_TRUE(std::regex_match(RunnerOutput(options, &status),
                               std::regex("[A-Z]\\}\nerror 105: Incorrect repeater value\\. \\(row 1, column 1\\)\n")));
  EXPECT_EQ(status, 1);
}

}  // namespace
