#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "GenTmpl/PatternEngine.h"

namespace {

using Texts = std::vector<std::string>;

class PatternFunctionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Seeded, so that the counts of the weighted draws cannot flake.
    PatternEngine::SeedRandom(20240601);
    engine.Init("", 0, [](std::string_view ref) { return "<" + std::string(ref) + ">"; });
  }

  std::string Run(std::string_view pattern) {
    std::string value;
    error = engine.Generate(value, -1, pattern, &format);
    return value;
  }
  // The values of `rows` rows of one pattern, nodes replayed from row to row.
  Texts Rows(std::string_view pattern, int rows) {
    engine.Clear();
    engine.Reset();
    Texts values;
    for (int i = 0; i < rows; ++i) {
      values.push_back(Run(pattern));
      engine.NextRow();
    }
    return values;
  }
  void ExpectMatch(std::string_view pattern, const char* expression, int repeats = 30) {
    std::regex re(expression);
    for (int i = 0; i < repeats; ++i) {
      std::string value = Run(pattern);
      ASSERT_TRUE(std::regex_match(value, re)) << pattern << " gave '" << value << "'";
      ASSERT_EQ(error, 0) << pattern << ": " << engine.ErrorMessage();
    }
  }

  PatternEngine engine;
  std::string format;
  int error = 0;
};

struct Failure {
  const char* pattern;
  int error;
  const char* message;
};

// Every error code of the functions without external sources, with its
// exact message; the value of a failing call is empty.
TEST_F(PatternFunctionsTest, FailuresReportCodeAndMessage) {
  const Failure cases[] = {
      {"$Group(1)", 102, "Group: parameter list must contain 2 items."},
      {"$Group(5,1)", 101, "Group: specified group 5 not found."},
      {"$Truncate(x)", 106, "Truncate: parameter list must contain 2 items."},
      {"$Truncate(\\a\\b,0)", 107, "Truncate: string size must be positive integer value."},
      {"$Truncate(\\a\\b,x)", 107, "Truncate: string size must be positive integer value."},
      {"$Vars()", 108, "Variables: parameter list must contain 1 item."},
      {"$RDate(DD.MM.YYYY,1-1-2000,31.12.2001)", 200,
       "'From' date '1-1-2000' does not correspond to format 'DD.MM.YYYY'"},
      {"$RDate(DD.MM.YYYY,01.01.2000,1-1-2000)", 201,
       "'To' date '1-1-2000' does not correspond to format 'DD.MM.YYYY'"},
      {"$RDate(DD.MM.YYYY,41.01.2000,31.12.2001)", 204,
       "Could not recognize date format 'DD.MM.YYYY' for 'from' date [41.01.2000]"},
      {"$RDate(DD.MM.YYYY,01.01.2000,01.13.2001)", 205,
       "Could not recognize date format 'DD.MM.YYYY' for 'to' date [01.13.2001]"},
      {"$RDate(DD.MM)", 207, "Invalid short year in the date format 'DD.MM'"},
      {"$RTime(HH:MM:SS,25:00:00,23:00:00)", 300,
       "'From' time '25:00:00' does not correspond to format 'HH:MM:SS'"},
      {"$RTime(HH:MM:SS,01:00:00,1:0)", 301,
       "'To' time '1:0' does not correspond to format 'HH:MM:SS'"},
      {"$Geometry(1,2)", 400, "Function $Geometry expects not more than one parameter."},
      {"$Geometry(x)", 401, "Geometry: parameter 'x' is incorrect, expects positive integer."},
      {"$Geometry(0)", 401, "Geometry: parameter '0' is incorrect, expects positive integer."},
      {"$Geography(1)", 500, "Function $Geography has no parameters."},
      {"$Call()", 600, "Function $Call expects one paremeter."},
      {"$Call(x)", 601, "Call: named generators do not passed to pattern engine."},
      {"$If(1,x)", 2000, "IfData: the function expects 3 parameters."},
      {"$IfR(1,x)", 2000, "IfData: the function expects 3 parameters."},
      {"$IfR(101,x,y)", 2001, "IfRData: the first parameter must be between 0 and 100."},
      {"$IfR(-1,x,y)", 2001, "IfRData: the first parameter must be between 0 and 100."},
      {"$Unique(x,y)", 2100, "UniqueData: the function expects single parameter."},
      {"$Unique()", 2100, "UniqueData: the function expects single parameter."},
      {"$List(1)", 2200, "ListData: the function expects at least 2 parameters."},
      {"$Seq(x)", 2300, "SeqData: the function expects 2 parameters."},
      {"$ListPattern(3)", 2800, "ListPatternData: the function expects 2 parameters."},
      {"$ListPattern(0,N)", 2801, "ListPatternData: expects positive integer as 1st parameter."},
      {"$ListPattern(x,N)", 2801, "ListPatternData: expects positive integer as 1st parameter."},
      {"$ListPattern(20,N)", 2802, "ListPatternData: could not generate unique value."},
      {"$Regexp([)", 2400, "RegexpData: invalid regular expression: '[' at position 1 is not closed."},
      {"$Regexp(ab[c-d)", 2400, "RegexpData: invalid regular expression: '[' at position 3 is not closed."},
      {"$RFloat(1,2,2,%s%s)", 112, "RFloat: Invalid format '%s%s': conversion '%s' does not fit the value."},
      {"$RFloat(1,2,2,%d)", 112, "RFloat: Invalid format '%d': conversion '%d' does not fit the value."},
      {"$RInt(1,2,%s)", 112, "RInt: Invalid format '%s': conversion '%s' does not fit the value."},
      {"$Format(12,%n)", 112, "Format: Invalid format '%n': '%n' is not allowed."},
      {"$Format(12,%d%d)", 112, "Format: Invalid format '%d%d': more than one conversion."},
      {"$Format(\\x,%s%s)", 112, "Format: Invalid format '%s%s': more than one conversion."},
      {"$Inc(1,1,%s)", 112, "IncData: Invalid format '%s': conversion '%s' does not fit the value."},
  };
  for (const Failure& c : cases) {
    PatternEngine fresh;
    fresh.Init("", 0);
    std::string value;
    EXPECT_EQ(fresh.Generate(value, -1, c.pattern), c.error) << c.pattern;
    EXPECT_EQ(fresh.ErrorMessage(), c.message) << c.pattern;
    if (c.error != 2802) {
      EXPECT_EQ(value, "") << c.pattern;
    }
  }
  // Failed nodes stay in the node list and keep yielding nothing.
  PatternEngine fresh;
  fresh.Init("", 0);
  std::string value;
  fresh.Generate(value, -1, "$Seq(x)y");
  fresh.NextRow();
  EXPECT_EQ(fresh.Generate(value, -1, "$Seq(x)y"), 0);
  EXPECT_EQ(value, "y");
  EXPECT_EQ(fresh.NodeCount(), 1u);
}

TEST_F(PatternFunctionsTest, RandomNumbersStayInTheirRanges) {
  std::set<std::string> seen;
  for (int i = 0; i < 400; ++i) {
    std::string v = Run("$RInt(1,10)");
    ASSERT_NE(v, "10");
    seen.insert(v);
  }
  EXPECT_EQ(seen.size(), 9u);
  EXPECT_EQ(Run("$RInt(5,5)"), "5");
  EXPECT_EQ(Run("$RInt(7,3)"), "7");
  for (int i = 0; i < 200; ++i) {
    long long v = std::stoll(Run("$RInt()"));
    ASSERT_GE(v, 0);
    ASSERT_LT(v, 32000);
  }
  ExpectMatch("$RInt(1,100,%05d)", R"(000\d\d)");
  ExpectMatch("$RInt(1,100,%d)", R"(\d{1,2})");
  ExpectMatch("$RInt(-9223372036854775808,9223372036854775807)", R"(-?\d+)");
  ExpectMatch("$RInt(10,200000000000)", R"(\d+)");
  for (int i = 0; i < 50; ++i) {
    // A "to" below "from" and longer than 8 characters means 2147483647.
    long long v = std::stoll(Run("$RInt(10,-5000000000)"));
    ASSERT_GE(v, 10);
    ASSERT_LT(v, 2147483647);
  }
  EXPECT_EQ(Run("$RInt(10,-5000000)"), "10");
  ExpectMatch("$RInt($RInt(3,4),$RInt(3,4))", "3");
  ExpectMatch("$RInt(#low,5)", R"(\d)");  // "<#low>" reads as 0
  ExpectMatch("$RFloat(1,2,3)", R"(1\.\d{3}000|2\.0{6})");
  ExpectMatch("$RFloat(0,10,2,%.2f,N,1)", R"(\d+\.\d\d)");
  ExpectMatch("$RString(3,3)", "[A-Za-z ]{3}");
  ExpectMatch("$RString(5,5,100,0,0)", "[A-Z]{5}");
  ExpectMatch("$RString(4,8,0,0,100)", "[.,?!]{4,8}");
  ExpectMatch("$RString(-4,0)", "");
  EXPECT_EQ(Run("$RString(5)"), "");
  ExpectMatch("$Regexp([a-c]{3}\\d)", R"([a-c]{3}\d)");
  ExpectMatch("$Regexp((x|y),z)", R"([xy],z)");
  ExpectMatch("$Guid()", "[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}");
}

TEST_F(PatternFunctionsTest, DatesAndTimesCarryTheirFormat) {
  ExpectMatch("$RDate(YYYY-MM-DD,2001-01-01,2001-12-31)", R"(2001-\d\d-\d\d)");
  EXPECT_EQ(format, "YYYY-MM-DD");
  ExpectMatch("$RDate()", R"(\d\d\.\d\d\.\d{4})");
  EXPECT_EQ(format, "DD.MM.YYYY");
  ExpectMatch("$RTime(HH:MM,10:00,10:59)", R"(10:\d\d)");
  EXPECT_EQ(format, "HH:MM");
  ExpectMatch("$RTime()", R"(\d\d:\d\d:\d\d)");
  std::tm now{};
  std::time_t t = std::time(nullptr);
  localtime_r(&t, &now);
  EXPECT_EQ(Run("$Today(YYYY)"), std::to_string(now.tm_year + 1900));
  EXPECT_EQ(format, "YYYY");
  ExpectMatch("$Today()", R"(\d\d\.\d\d\.\d{4})");
  ExpectMatch("$Now()", R"(\d\d:\d\d:\d\d)");
  EXPECT_EQ(format, "HH:MM:SS");
  EXPECT_EQ(Run("$Date(01.02.2003,DD.MM.YYYY)"), "01.02.2003");
  EXPECT_EQ(format, "DD.MM.YYYY");
  EXPECT_EQ(Run("$Time($RTime(HH-MM,07-30,07-30))"), "07-30");
  EXPECT_EQ(format, "HH-MM");
  EXPECT_EQ(Run("$Time(12:00,HH:MM)"), "12:00");
  EXPECT_EQ(format, "HH:MM");
}

TEST_F(PatternFunctionsTest, RandomDatesAndTimesStayWithinTheirBounds) {
  // Bounds with the half-day mark are afternoon hours.
  ExpectMatch("$RTime(HH:MM PM,01:00 PM,02:00 PM)", R"(01:\d\d PM|02:00 PM)", 2000);
  ExpectMatch("$RDate(MON DD YYYY,FEB 28 2020,MAR 01 2020)", "FEB 28 2020|FEB 29 2020|MAR 01 2020", 300);
  for (int i = 0; i < 300; ++i) {
    ASSERT_EQ(Run("$RTime(HH:MM:SS,23:59:30,23:59:30)"), "23:59:30");
    ASSERT_EQ(Run("$RDate(CYYMMDD,1130305,1130305)"), "1130305");
  }
}

TEST_F(PatternFunctionsTest, CountersFollowTheirParameters) {
  struct Sequence {
    const char* pattern;
    Texts values;
  } cases[] = {
      {"$Inc(10,5)", {"10", "15", "20"}},
      {"$Inc()", {"1", "2", "3"}},
      {"$Inc(1,1,%03d,3)", {"001", "002", "003", "001"}},
      {"$Inc(1,1,,0,2)", {"1", "1", "2", "2"}},
      {"$Inc(5,-2)", {"5", "3", "1", "-1"}},
      {"$Inc($RInt(4,4),1)", {"4", "5"}},
      {"$Inc(9223372036854775807,1)", {"9223372036854775807", "-9223372036854775808"}},
      {"$Inc(col,tab,2)", {"0", "2"}},  // no connection: the maximum is not known
      {"$IncTime(HH:MM:SS,23:59:59,1)", {"23:59:59", "00:00:00", "00:00:01"}},
      {"$IncTime(HH:MM,10:50,5,M)", {"10:50", "10:55", "11:00"}},
      {"$IncTime(HH:MM AM,11:30 AM,1,Hours)", {"11:30 AM", "12:30 PM", "01:30 PM"}},
      {"$IncTime(HH:MM:SS.sss,00:00:00,-1)", {"00:00:00.000", "23:59:59.000"}},
      {"$IncTime()", {"00:00:00", "00:00:01"}},
      {"$IncDate(DD.MM.YYYY,31.01.2013,1)", {"31.01.2013", "01.02.2013"}},
      {"$IncDate(DD.MM.YYYY,28.02.2013,3)", {"28.02.2013", "03.03.2013"}},
      {"$IncDate(DD.MM.YYYY,31.01.2013,30)", {"31.01.2013", "02.03.2013", "01.04.2013"}},
      {"$IncDate(DD.MM.YYYY,01.03.2013,-1)", {"01.03.2013", "28.02.2013"}},
      {"$IncDate(YYYY-MM-DD,2013-12-31,1,Month)", {"2013-12-31", "2014-01-31", "2014-02-28", "2014-03-31"}},
      {"$IncDate(DD-mon-YY,05-nov-99,1,Y)", {"05-nov-99", "05-nov-00"}},
      {"$IncDate(DD MON YYYY,15 JAN 2020,1,M)", {"15 JAN 2020", "15 FEB 2020"}},
      {"$IncDate(CYYMMDD,0991231,1)", {"0991231", "1000101"}},
      {"$IncDate(MON-DD-YY,DEC-31-99,1)", {"DEC-31-99", "JAN-01-00"}},
      {"$IncTime(HH:MM PM,11:30 PM,30,M)", {"11:30 PM", "12:00 AM", "12:30 AM"}},
      {"$IncTime(HH:MI:SS,10:59:59,1)", {"10:59:59", "11:00:00"}},
      {"$IncDate(YYYY-MM-DD,2020-01-31,1,M)", {"2020-01-31", "2020-02-29", "2020-03-31", "2020-04-30"}},
      {"$IncDate(DD.MM.YYYY,29.02.2020,1,Y)", {"29.02.2020", "28.02.2021", "28.02.2022", "28.02.2023", "29.02.2024"}},
      {"$IncDate(DD.MM.YYYY,28.02.2020,1)", {"28.02.2020", "29.02.2020", "01.03.2020"}},
      {"$IncDate()", {"01.01.1970", "02.01.1970"}},
      {"$Seq(\\x$Inc(1,1),2)", {"x1", "x1", "x2", "x2", "x3"}},
      {"$Seq(\\y,0)", {"y", "y"}},
      {"$List(1,x,y,z)", {"x", "y", "z", "x"}},
      {"$List(true,$Inc(7,1),q)", {"7", "q", "7"}},
      {"$List(0,x)", {"", ""}},
  };
  for (const Sequence& c : cases) {
    PatternEngine fresh;
    fresh.Init("", 0);
    Texts values;
    for (size_t i = 0; i < c.values.size(); ++i) {
      std::string value;
      EXPECT_EQ(fresh.Generate(value, -1, c.pattern), 0) << c.pattern << ": " << fresh.ErrorMessage();
      values.push_back(value);
      fresh.NextRow();
    }
    EXPECT_EQ(values, c.values) << c.pattern;
  }
}

TEST_F(PatternFunctionsTest, SequenceRepeatsEachValue) {
  Texts values = Rows("$Seq(N{=3},2)", 10);
  for (int i = 0; i < 10; i += 2) {
    EXPECT_EQ(values[i], values[i + 1]);
    EXPECT_EQ(values[i].size(), 3u);
  }
}

TEST_F(PatternFunctionsTest, ChoicesFollowTheirWeights) {
  int x = 0;
  for (const std::string& v : Rows("$List(0,x,90,y,10)", 1000)) {
    ASSERT_TRUE(v == "x" || v == "y") << v;
    x += v == "x";
  }
  EXPECT_GT(x, 820);
  EXPECT_LT(x, 970);
  for (const std::string& v : Rows("$IfR(100,\\A,\\B)$IfR(99,\\A,\\B)$IfR(0,\\A,\\B)", 200)) ASSERT_EQ(v, "AAB");
  int nulls = 0;
  for (const std::string& v : Rows("$IfR(30,\\NULL,N{=2})", 1000)) nulls += v == "NULL";
  EXPECT_GT(nulls, 220);
  EXPECT_LT(nulls, 380);
  EXPECT_EQ(Rows("$If(1,x,y)$If(0,x,y)$If(2>1,x,y)$If('a'='b',x,y)", 3),
            Texts(3, "xyxy"));
  engine.Clear();
  engine.Reset();
  EXPECT_EQ(Run("$If(1+,x,y)"), "x");  // the partial result 1 chooses "then"
  EXPECT_EQ(error, 81);
}

TEST_F(PatternFunctionsTest, UniqueAndListPatternNeverRepeat) {
  std::set<std::string> digits;
  for (const std::string& v : Rows("$Unique(N)", 10)) digits.insert(v);
  EXPECT_EQ(digits.size(), 10u);
  EXPECT_EQ(Run("$Unique(N)"), "");
  EXPECT_EQ(error, 0);
  Texts values = Rows("$ListPattern(3,A{=6})", 60);
  EXPECT_EQ(std::set<std::string>(values.begin(), values.end()).size(), 3u);
  PatternEngine fresh;
  fresh.Init("", 0);
  std::set<std::string> few;
  std::string value;
  fresh.Generate(value, -1, "$ListPattern(20,N)");
  for (int i = 0; i < 200; ++i) {
    fresh.NextRow();
    fresh.Generate(value, -1, "$ListPattern(20,N)");
    ASSERT_EQ(value.size(), 1u);  // only the ten digits that were made
    few.insert(value);
  }
  EXPECT_EQ(few.size(), 10u);
}

TEST_F(PatternFunctionsTest, TextFunctionsEvaluateTheirPattern) {
  struct Exact {
    const char* pattern;
    const char* value;
  } cases[] = {
      {"$Upper(\\abc)", "ABC"},
      {"$Lower(\\A\\BC)", "abc"},
      {"$Upper()", ""},
      {"$Upper(\\x,ignored)", "X"},
      {"$Quote(5,integer)", "5"},
      {"$Quote(5,INTEGER)", "5"},
      {"$Quote(\\x)", "'x'"},
      {"$Quote(\\x,varchar)", "'x'"},
      {"$Quote(\\x,,\")", "\"x\""},
      {"$Quote(\\x,4)", "x"},
      {"$Quote(\\x,93)", "x"},
      {"$Quote(\\x,-6)", "x"},
      {"$Quote(\\x,12)", "'x'"},
      {"$Quote(\\x,date,`)", "x"},
      {"$Quote(\\it's)", "'it's'"},
      {"$Quote()", ""},
      {"$Truncate(\\a\\b\\c,10)", "abc"},
      {"$Truncate(\\a\\b\\c\\d,2)", "ab"},
      // Cuts and widths count characters, never splitting one.
      {"$Truncate(Córdob\\a,2)", "Có"},
      {"$Truncate(東京,1)", "東"},
      {"$Format(Córdob\\a,%.2s)", "Có"},
      {"$Format(Zoë,%5s)", "  Zoë"},
      {"$Format(Zoë,%-4s|)", "Zoë |"},
      // Escaped brackets, commas and edge blanks are text of a parameter.
      {"$Truncate(\\(\\,\\),9)", "(,)"},
      {"$Truncate(\\ x\\ ,9)", " x "},
      {"$Format(12,%05d)", "00012"},
      {"$Format(255,%x)", "ff"},
      {"$Format(1.5,%6.2f)", "  1.50"},
      {"$Format(\\x,[%s])", "[x]"},
      {"$Format(\\x,plain)", "x"},
      {"$Format(12)", ""},
      {"$Pattern(\\\\\\x)", "x"},
      {"$Pattern(x,y)", ""},
      {"$Vars(#abc-@xyz-@'nobody'-100%)", "<#abc>-<@xyz>-@'nobody'-100%"},
      {"$Geography()", nullptr},
  };
  for (const Exact& c : cases) {
    if (!c.value) continue;
    EXPECT_EQ(Run(c.pattern), c.value) << c.pattern;
    EXPECT_EQ(error, 0) << c.pattern << ": " << engine.ErrorMessage();
  }
  ExpectMatch("$Upper(abc)", "[A-Z]BC");
  ExpectMatch("$Pattern(\\N)", R"(\d)");
  ExpectMatch("$Format(N{=2},%03d)", R"(0\d\d)");
}

TEST_F(PatternFunctionsTest, VariablesReadColumns) {
  engine.AddColumn("first");
  engine.AddColumn("second");
  engine.SetColumnValue(0, "one");
  engine.SetColumnValue(1, "two");
  EXPECT_EQ(Run("$Vars(@1+@2+@3+@'second'+#x1,y)"), "one+two++two+<#x1>,y");
  PatternEngine plain;
  plain.Init("", 0);
  std::string value;
  plain.Generate(value, -1, "$Variables(a#b@c)");
  EXPECT_EQ(value, "a");
}

TEST_F(PatternFunctionsTest, SpatialValuesHaveTheirShapes) {
  const char* pair = R"(\d{1,2} \d{1,2})";
  std::string part = std::string(R"(\(()") + pair + "|" + pair + ", " + pair + "|" + pair + ", " +
                     pair + ", " + pair + ", " + pair + R"()\))";
  ExpectMatch("$Geometry()", ("(POINT|STRINGLINE|POLYGON)" + part).c_str());
  ExpectMatch("$Geometry(2)", ("MULTI(POINT|STRINGLINE|POLYGON)\\(" + part + ", " + part + "\\)").c_str());
  const char* g = R"(-?\d{1,3}\.\d{3} -?\d{1,3}\.\d{3})";
  std::string geo = std::string("POINT\\(") + g + "\\)|STRINGLINE\\(" + g + "," + g + "\\)|POLYGON\\(" + g +
                    "," + g + "," + g + "," + g + "\\)";
  ExpectMatch("$Geography()", geo.c_str());
}

TEST_F(PatternFunctionsTest, CallEvaluatesNamedGenerators) {
  std::vector<NamedGenerator> generators = {{"Phone", "NNN-NNNN"}, {"Day", "$RDate(YYYY-MM-DD,2001-01-01,2001-01-01)"}};
  engine.SetNamedGenList(&generators);
  ExpectMatch("$Call(phone)", R"(\d{3}-\d{4})");
  EXPECT_EQ(Run("$Call(DAY)"), "2001-01-01") << engine.ErrorMessage();
  EXPECT_EQ(format, "YYYY-MM-DD");
  Run("$Call(nobody)");
  EXPECT_EQ(error, 602);
  EXPECT_EQ(engine.ErrorMessage(), "Call: named generator 'nobody' not found.");
}

// The file is named as written; a file whose name differs only in case is
// another file.
TEST_F(PatternFunctionsTest, TextReadsThePhraseFileItNames) {
  char dirTemplate[] = "/tmp/quarnel_phrases_XXXXXX";
  ASSERT_NE(mkdtemp(dirTemplate), nullptr);
  const std::string dir = dirTemplate;
  struct PhraseFile {
    const char* name;
    const char* lines;
    std::set<std::string> words;
  } files[] = {
      {"phrases.txt", "alpha beta\ngamma\n", {"alpha", "beta", "gamma"}},
      {"PHRASES.TXT", "upper case\n", {"upper", "case"}},
  };
  for (const PhraseFile& f : files) {
    std::FILE* out = std::fopen((dir + "/" + f.name).c_str(), "w");
    ASSERT_NE(out, nullptr);
    std::fputs(f.lines, out);
    std::fclose(out);
  }
  for (const PhraseFile& f : files) {
    PatternEngine fresh;
    fresh.Init("", 0);
    const std::string pattern = "$Text(30," + dir + "/" + f.name + ")";
    for (int row = 0; row < 20; ++row) {
      std::string value;
      ASSERT_EQ(fresh.Generate(value, -1, pattern), 0) << pattern << ": " << fresh.ErrorMessage();
      ASSERT_FALSE(value.empty()) << pattern;
      ASSERT_LT(value.size(), 30u) << pattern;
      std::regex word("[A-Za-z]+");
      for (std::sregex_iterator w(value.begin(), value.end(), word), end; w != end; ++w) {
        ASSERT_TRUE(f.words.count(w->str())) << pattern << " gave '" << value << "'";
      }
      fresh.NextRow();
    }
  }
  for (const PhraseFile& f : files) std::remove((dir + "/" + f.name).c_str());
  rmdir(dir.c_str());
}

}  // namespace
