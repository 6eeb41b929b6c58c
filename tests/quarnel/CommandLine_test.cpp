#include "quarnel/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Log.h"
#include "support/Prompt.h"
#include "support/Settings.h"
#include "tests/common/TestEnv.h"

namespace {

struct RecordingPrompt : Prompt {
  std::vector<std::string> messages;
  void Message(std::string_view caption, std::string_view text, PromptIcon) override {
    messages.push_back(std::string(caption) + "|" + std::string(text));
  }
  PromptAnswer Ask(std::string_view, std::string_view, PromptIcon, PromptButtons, PromptAnswer answer) override {
    return answer;
  }
};

// Expected outcome; "{dir}" in texts stands for the test's folder.
struct LineCase {
  const char* name;
  const char* line;
  AppState expected;
  int warnings = 0;         // "-@ switch without profile was specified."
  int filesNotFound = 0;    // "File not found:" entries in the log
};

AppState Flags(int console, int run, int page, int quit, int perf) {
  AppState s;
  s.console = console;
  s.runAtStart = run;
  s.runFromConsolePage = page;
  s.quitAfterRun = quit;
  s.performance = perf;
  return s;
}

AppState With(AppState s, std::string project, std::string profile = {}) {
  s.projectFile = std::move(project);
  s.profile = std::move(profile);
  return s;
}

AppState Own(int help, int version, std::string unknown = {}) {
  AppState s;
  s.showHelp = help;
  s.showVersion = version;
  s.unknownOption = std::move(unknown);
  return s;
}

std::string Expand(std::string text, const std::string& dir) {
  for (size_t pos; (pos = text.find("{dir}")) != std::string::npos;) text.replace(pos, 5, dir);
  return text;
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t pos = 0; (pos = text.find(what, pos)) != std::string::npos; pos += what.size()) ++n;
  return n;
}

class CommandLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testenv::WriteFile(dir.path() / "my project.qrp", "x");
    testenv::WriteFile(dir.path() / "single.qrp", "x");
    testenv::WriteFile(dir.path() / "second.qrp", "x");
    logSettings.Add("LogFilePath", _Settings::kText, 0, dir.path().string());
    ASSERT_EQ(log.Begin("test", &logSettings, "cmdline"), 0);
    SetCurrentPrompt(&prompt);
  }
  void TearDown() override { SetCurrentPrompt(nullptr); }

  void Check(const AppState& got, const AppState& want) {
    EXPECT_EQ(got.console, want.console);
    EXPECT_EQ(got.runAtStart, want.runAtStart);
    EXPECT_EQ(got.runFromConsolePage, want.runFromConsolePage);
    EXPECT_EQ(got.quitAfterRun, want.quitAfterRun);
    EXPECT_EQ(got.performance, want.performance);
    EXPECT_EQ(got.showHelp, want.showHelp);
    EXPECT_EQ(got.showVersion, want.showVersion);
    EXPECT_EQ(got.unknownOption, want.unknownOption);
    EXPECT_EQ(got.projectFile, Expand(want.projectFile, dir.path().string()));
    EXPECT_EQ(got.profile, want.profile);
  }

  testenv::TempDir dir;
  _Settings logSettings;
  CLog log;
  RecordingPrompt prompt;
};

class CommandLineCases : public CommandLineTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(CommandLineCases, ParseLine) {
  const LineCase& c = GetParam();
  AppState state;
  ParseCommandLine(Expand(c.line, dir.path().string()), state, &log);
  Check(state, c.expected);
  EXPECT_EQ(static_cast<int>(prompt.messages.size()), c.warnings);
  for (const std::string& m : prompt.messages) EXPECT_EQ(m, "Warning!|-@ switch without profile was specified.");
  EXPECT_EQ(static_cast<int>(Count(log.GetLastRows(), "File not found:")), c.filesNotFound);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineCases,
    ::testing::Values(
        LineCase{"Empty", "", AppState{}},
        LineCase{"ProfileSwitchAlone", "-@", AppState{}, 1},
        LineCase{"ProfileSwitchAloneTrailingBlank", "-@ ", AppState{}, 1},
        LineCase{"Profile", "-@x", With(AppState{}, "", "x")},
        LineCase{"ProfileQuoted", "-@\"my profile.qcp\" -r", With(Flags(0, 1, 0, 0, 0), "", "my profile.qcp")},
        LineCase{"UnknownAndUpperCaseIgnored", "-X -z -C -R -", AppState{}},
        LineCase{"Console", "-c", Flags(1, 1, 0, 1, 0)},
        LineCase{"EachFlag", "-r -q -b -p", Flags(0, 1, 1, 1, 1)},
        LineCase{"OnlySecondCharacterCounts", "-rq", Flags(0, 1, 0, 0, 0)},
        LineCase{"QuitAlone", "-q", Flags(0, 0, 0, 1, 0)},
        LineCase{"SlashSwitches", "/c /@prof", With(Flags(1, 1, 0, 1, 0), "", "prof")},
        LineCase{"TrailingBlanksAndRuns", "  -r    -p  ", Flags(0, 1, 0, 0, 1)},
        LineCase{"QuotedPathAmongSwitches", "-r \"{dir}/my project.qrp\" -q",
                 With(Flags(0, 1, 0, 1, 0), "{dir}/my project.qrp")},
        LineCase{"WholeLineIsPathWithBlanks", "{dir}/my project.qrp", With(AppState{}, "{dir}/my project.qrp")},
        LineCase{"SingleQuotedPath", "'{dir}/single.qrp' -c", With(Flags(1, 1, 0, 1, 0), "{dir}/single.qrp")},
        LineCase{"LaterFileReplacesEarlier", "{dir}/single.qrp {dir}/second.qrp", With(AppState{}, "{dir}/second.qrp")},
        LineCase{"MissingFileLoggedOnce", "{dir}/missing.qrp -r ", Flags(0, 1, 0, 0, 0), 0, 1},
        LineCase{"AbsolutePathIsNotASwitch", "/no/such/dir/x.qrp", AppState{}, 0, 1},
        LineCase{"UnquotedPathWithBlanksAmongSwitches", "-r {dir}/my project.qrp", Flags(0, 1, 0, 0, 0), 0, 2},
        LineCase{"Help", "--help", Own(1, 0)},
        LineCase{"VersionWithSwitches", "-c --version", [] {
                   AppState s = Flags(1, 1, 0, 1, 0);
                   s.showVersion = 1;
                   return s;
                 }()},
        LineCase{"UnknownLongOption", "--frobnicate", Own(0, 0, "--frobnicate")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CommandLineTest, ArgumentsRebuildTheLine) {
  const std::string path = (dir.path() / "my project.qrp").string();
  const std::string firstHalf = path.substr(0, path.find(' '));
  const std::string secondHalf = path.substr(path.find(' ') + 1);

  // `quarnel <dir>/my project.qrp`: the shell splits the path in two.
  const char* split[] = {"quarnel", firstHalf.c_str(), secondHalf.c_str()};
  AppState a;
  ParseArguments(3, split, a, &log);
  EXPECT_EQ(a.projectFile, path);

  // `quarnel -c "<dir>/my project.qrp"`
  const char* quoted[] = {"quarnel", "-c", path.c_str()};
  EXPECT_EQ(JoinArguments(3, quoted), "-c \"" + path + "\"");
  AppState b;
  ParseArguments(3, quoted, b, &log);
  EXPECT_EQ(b.projectFile, path);
  EXPECT_EQ(b.console, 1);

  // A single argument naming a file wins even with quote characters in it.
  const std::string odd = (dir.path() / "it's \"odd\".qrp").string();
  testenv::WriteFile(odd, "x");
  const char* single[] = {"quarnel", odd.c_str()};
  AppState c;
  ParseArguments(2, single, c, &log);
  EXPECT_EQ(c.projectFile, odd);

  const char* none[] = {"quarnel"};
  AppState d;
  ParseArguments(1, none, d, &log);
  EXPECT_TRUE(d.projectFile.empty());
  EXPECT_EQ(Count(log.GetLastRows(), "File not found:"), 0u);
}

TEST_F(CommandLineTest, SwitchArgumentsWithBlanksStaySwitches) {
  // `quarnel -@"/home/me/my profiles/db.qcp" "-c x"`: the shell hands over
  // each switch with its blanks as one argument.
  const char* argv[] = {"quarnel", "-@/home/me/my profiles/db.qcp", "-c x", "/@a b"};
  EXPECT_EQ(JoinArguments(4, argv), "-@\"/home/me/my profiles/db.qcp\" -c\" x\" /@\"a b\"");
  AppState state;
  ParseArguments(4, argv, state, &log);
  EXPECT_EQ(state.profile, "a b");
  EXPECT_EQ(state.console, 1);
  EXPECT_EQ(Count(log.GetLastRows(), "File not found:"), 0u);
  AppState first;
  ParseArguments(2, argv, first, &log);
  EXPECT_EQ(first.profile, "/home/me/my profiles/db.qcp");
}

TEST(CommandLineUsage, NamesEverySwitch) {
  const std::string usage = UsageText();
  for (const char* option : {"-c", "-r", "-b", "-q", "-p", "-@", "--help", "--version"}) {
    EXPECT_NE(usage.find(option), std::string::npos) << option;
  }
}

}  // namespace
