#include "plenkor/CommandLine.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>

#include "tests/common/TestEnv.h"

namespace {

int Args(std::vector<const char*> args, PlenkorCommand& command, std::string& error) {
  args.insert(args.begin(), "plenkor");
  return ParseCommandLine(static_cast<int>(args.size()), args.data(), command, error);
}

TEST(PlenkorCommandLineTest, ReadsTheSwitches) {
  PlenkorCommand command;
  std::string error;
  ASSERT_EQ(Args({"-c", "d.qrp", "--rows", "25", "--output", "o.csv", "--overwrite"}, command, error), 0);
  EXPECT_EQ(command.action, PlenkorCommand::kRun);
  EXPECT_EQ(command.definition, "d.qrp");
  EXPECT_EQ(command.rows, 25);
  EXPECT_EQ(command.output, "o.csv");
  EXPECT_TRUE(command.overwrite);
  PlenkorCommand part;
  ASSERT_EQ(Args({"-c", "d.qrp", "--seed", "4294967295", "--shard", "2/7"}, part, error), 0) << error;
  EXPECT_EQ(part.seed, 4294967295u);
  EXPECT_TRUE(part.sharded);
  EXPECT_EQ(part.shard, (ShardPart{2, 7}));
}

TEST(PlenkorCommandLineTest, RefusesBadArguments) {
  for (std::vector<const char*> args : std::vector<std::vector<const char*>>{
           {}, {"-c"}, {"-c", "a", "--preview", "b"}, {"-c", "a", "--rows", "-5"}, {"-c", "a", "--rows", "99999999999"},
           {"-c", "a", "--rows", "12x"}, {"--bogus"}, {"-c", "a", "--seed", "0"}, {"-c", "a", "--seed", "4294967296"},
           {"-c", "a", "--seed", "7x"}, {"-c", "a", "--shard", "3/2"}, {"-c", "a", "--shard", "2"}, {"-c", "a", "--shard"}}) {
    PlenkorCommand command;
    std::string error;
    EXPECT_EQ(Args(args, command, error), 2);
    EXPECT_FALSE(error.empty());
  }
}

#ifdef PLENKOR_PROGRAM
class PlenkorProgramTest : public ::testing::Test {
 protected:
  // Runs the program in the temporary folder; returns its exit status.
  int Run(const std::string& arguments, std::string* output = nullptr) {
    const std::string command = "cd '" + dir_.path().string() + "' && QUARNEL_HOME='" + home_.path().string() +
                                "' '" PLENKOR_PROGRAM "' " + arguments + " 2>stderr.txt";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    std::string text;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
    const int status = pclose(pipe);
    if (output) *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Example() const { return (testenv::SourceDir() / "examples" / "people.qrp").string(); }

  testenv::TempDir dir_;
  testenv::TempDir home_;
};

// What a user runs to spread a file over processes: the parts written at
// once, joined in order, are the file one process writes.
TEST_F(PlenkorProgramTest, PartsWrittenAtOnceJoinToTheWholeFile) {
  ASSERT_EQ(Run("-c '" + Example() + "' --rows 3000 --seed 9 --shard 1/1 --output whole.csv"), 0);
  const std::string parts = "cd '" + dir_.path().string() + "' && printf '1/3\\n2/3\\n3/3\\n' | QUARNEL_HOME='" +
                            home_.path().string() + "' xargs -P 3 -I{} '" PLENKOR_PROGRAM "' -c '" + Example() +
                            "' --rows 3000 --seed 9 --shard {} --output part.csv >/dev/null 2>&1";
  ASSERT_EQ(std::system(parts.c_str()), 0);
  std::string joined;
  for (const char* name : {"part.1-of-3.csv", "part.2-of-3.csv", "part.3-of-3.csv"}) {
    joined += testenv::ReadFile(dir_.path() / name);
  }
  const std::string whole = testenv::ReadFile(dir_.path() / "whole.csv");
  EXPECT_GT(whole.size(), 3000u * 50);
  EXPECT_EQ(joined, whole);
}

TEST_F(PlenkorProgramTest, ExampleRunsIntoACsvFileThatPythonReads) {
  std::string output;
  ASSERT_EQ(Run("-c '" + Example() + "'", &output), 0) << testenv::ReadFile(dir_.path() / "stderr.txt");
  EXPECT_EQ(output, "Done: 1000 rows written to people.csv\n");
  // Every row has all ten fields, each as its pattern says.
  const std::string check =
      "cd '" + dir_.path().string() +
      "' && python3 -c \"\nimport csv, re, sys\nrows = list(csv.reader(open('people.csv', newline='')))\n"
      "assert rows[0] == ['FirstName','LastName','Email','Phone','Address','City','BirthDate','Salary','Age','Id'], "
      "rows[0]\nassert len(rows) == 1001\nfor r in rows[1:]:\n  assert len(r) == 10 and all(r), r\n"
      "  assert re.fullmatch(r'[^@]+@[^@]+\\.[a-z]+', r[2]), r\n"
      "  assert re.fullmatch(r'\\(\\d{3}\\) \\d{3}-\\d{4}', r[3]), r\n"
      "  assert re.fullmatch(r'\\d+, .+', r[4]), r\n"
      "  assert re.fullmatch(r'\\d\\d/\\d\\d/\\d{4}', r[6]), r\n"
      "  assert re.fullmatch(r'\\d{4}\\.\\d\\d', r[7]) and 1000 <= float(r[7]) <= 9000, r\n"
      "  assert 18 <= int(r[8]) <= 90, r\n"
      "  assert re.fullmatch(r'[0-9a-f]{8}(-[0-9a-f]{4}){3}-[0-9a-f]{12}', r[9]), r\n\"";
  EXPECT_EQ(std::system(check.c_str()), 0);
}

TEST_F(PlenkorProgramTest, ExistingOutputIsKeptUnlessOverwriteIsGiven) {
  testenv::WriteFile(dir_.path() / "small.csv", "precious\n");
  EXPECT_EQ(Run("-c '" + Example() + "' --rows 4 --output small.csv"), 2);
  EXPECT_EQ(testenv::ReadFile(dir_.path() / "small.csv"), "precious\n");
  EXPECT_NE(testenv::ReadFile(dir_.path() / "stderr.txt").find("Do you wish to overwrite it?"), std::string::npos);
  EXPECT_EQ(Run("-c '" + Example() + "' --rows 4 --output small.csv --overwrite"), 0);
  const std::string written = testenv::ReadFile(dir_.path() / "small.csv");
  EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 5);  // header and four rows
}

TEST_F(PlenkorProgramTest, PreviewPrintsFiveRows) {
  std::string output;
  ASSERT_EQ(Run("--preview '" + Example() + "'", &output), 0);
  EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 5);
  EXPECT_EQ(std::count(output.begin(), output.end(), '\t'), 5 * 9);
}

TEST_F(PlenkorProgramTest, WithoutADisplayTheWindowIsNotTried) {
  const std::string command = "cd '" + dir_.path().string() + "' && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '"
                              PLENKOR_PROGRAM "' 2>stderr.txt";
  const int status = std::system(command.c_str());
  EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 2);
  EXPECT_NE(testenv::ReadFile(dir_.path() / "stderr.txt").find("no display to open the window on"), std::string::npos);
}

TEST_F(PlenkorProgramTest, UnreadableDefinitionOrBadRowsExitWithTwo) {
  EXPECT_EQ(Run("-c missing.qrp"), 2);
  EXPECT_EQ(Run("-c '" + Example() + "' --rows lots"), 2);
  // Without -c or --preview the window opens; switches alone are a usage error.
  EXPECT_EQ(Run("--rows 5"), 2);
}
#endif

}  // namespace
