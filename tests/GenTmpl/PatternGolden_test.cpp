// Patterns of every kind, run with a fixed seed, against the rows recorded in
// tests/GenTmpl/golden: values, the order of the random draws, counters,
// sources and errors must not change when the engine's inner workings do.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "GenTmpl/PatternRunner.h"
#include "tests/common/TestEnv.h"

namespace {

std::string ReadStream(std::FILE* file) {
  std::string text;
  std::rewind(file);
  for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
  return text;
}

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1) {
    parts.push_back(line.substr(start, tab - start));
  }
  parts.push_back(line.substr(start));
  return parts;
}

// One run as recorded: "== <case>", the rows, "! " before each line of
// standard error, "rc <status>".
std::string RecordRun(const std::string& line, const std::string& library) {
  PatternRunOptions options;
  options.patterns = SplitTabs(line);
  for (std::size_t i = 0; i < options.patterns.size(); ++i) options.names.push_back("col" + std::to_string(i + 1));
  options.rows = 6;
  options.seed = 4242;
  options.libraryPath = library;
  options.variables = [](std::string_view name) { return std::string(name); };
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  const int status = RunPatterns(options, out, err);
  std::string record = "== " + line + "\n" + ReadStream(out);
  std::istringstream errors(ReadStream(err));
  for (std::string text; std::getline(errors, text);) record += "! " + text + "\n";
  record += "rc " + std::to_string(status) + "\n";
  std::fclose(out);
  std::fclose(err);
  return record;
}

TEST(PatternGolden, EveryCaseMakesTheRecordedRows) {
  const std::filesystem::path library = testenv::BinaryDir() / "library.db";
  if (!std::filesystem::exists(library)) GTEST_SKIP() << "library.db has not been built";
  const std::filesystem::path golden = testenv::SourceDir() / "tests" / "GenTmpl" / "golden";
  std::ifstream cases(golden / "cases.txt");
  ASSERT_TRUE(cases) << "no cases.txt";
  std::string actual;
  int runs = 0;
  for (std::string line; std::getline(cases, line);) {
    if (line.empty() || line[0] == '#') continue;
    actual += RecordRun(line, library.string());
    ++runs;
  }
  EXPECT_GT(runs, 60);
  const std::filesystem::path expectedFile = golden / "expected.txt";
  if (const char* update = std::getenv("QUARNEL_UPDATE_GOLDEN"); update && std::string(update) == "1") {
    testenv::WriteFile(expectedFile, actual);
    return;
  }
  const std::string expected = testenv::ReadFile(expectedFile);
  // Compared run by run, so that a failure names its case.
  std::istringstream want(expected), got(actual);
  std::string wantLine, gotLine, currentCase;
  while (std::getline(want, wantLine)) {
    if (wantLine.rfind("== ", 0) == 0) currentCase = wantLine;
    ASSERT_TRUE(std::getline(got, gotLine)) << "output ends before " << currentCase;
    ASSERT_EQ(gotLine, wantLine) << "in " << currentCase
                                 << "; if the change is intended, run again with QUARNEL_UPDATE_GOLDEN=1";
  }
  EXPECT_FALSE(std::getline(got, gotLine)) << "more output than recorded: " << gotLine;
}

}  // namespace
