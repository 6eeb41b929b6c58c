#include "support/Log.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "support/Settings.h"
#include "tests/common/TestEnv.h"

namespace {

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QUARNEL_HOME", dir.path().c_str(), 1);
    settings.Add("LogLevel", _Settings::kInt, 0, "");
    settings.Add("LogFilePath", _Settings::kText, 0, "");
    settings.Add("LogViewer", _Settings::kText, 0, "true");
    settings.Add("TruncateBigLog", _Settings::kInt, 0, "");
    settings.Add("TruncateSize", _Settings::kInt, 10, "");
    settings.setStr("LogFilePath", dir.path().string());
  }
  void TearDown() override { testenv::UsePrivateEnvironment(); }
  std::string LogText() const { return testenv::ReadFile(dir.path() / "quarnel.log"); }

  testenv::TempDir dir;
  _Settings settings;
};

struct LevelCase {
  int logLevel;
  bool performance;
  bool core;    // a level-0 trace line is written
  bool detail;  // a level-1 trace line is written
  bool bug;     // an error entry is written
};

class LogLevels : public LogTest, public ::testing::WithParamInterface<LevelCase> {};

TEST_P(LogLevels, AdmitTheRightLines) {
  const LevelCase& c = GetParam();
  settings.setInt("LogLevel", c.logLevel);
  CLog log;
  ASSERT_EQ(log.Begin("Quarnel", &settings, "/usr/bin/quarnel"), 0);
  log.SetPerformanceMode(c.performance);
  log.State("Core::Op");
  log.State("Detail::Op", 1);
  log.Bug("Broken thing", "Where::Op", "file.cpp", 42);
  const std::string text = LogText();
  EXPECT_EQ(text.find("Core::Op") != std::string::npos, c.core);
  EXPECT_EQ(text.find("Detail::Op") != std::string::npos, c.detail);
  EXPECT_EQ(text.find("Broken thing Where::Op (file.cpp:42)") != std::string::npos, c.bug);
  EXPECT_EQ(log.GetLastRows().find("Core::Op") != std::string::npos, c.core);
}

INSTANTIATE_TEST_SUITE_P(Cases, LogLevels,
                         ::testing::Values(LevelCase{0, false, true, false, true},
                                           LevelCase{1, false, true, true, true},
                                           LevelCase{2, false, false, false, false},
                                           LevelCase{1, true, false, false, true}));

TEST_F(LogTest, LinesCarryTimestampsAndLastRowsAreRecent) {
  CLog log;
  ASSERT_EQ(log.Begin("Title", &settings, "quarnel"), 0);
  for (int i = 0; i < 300; ++i) log.State("line " + std::to_string(i));
  std::string rows = log.GetLastRows(3);
  EXPECT_EQ(rows.find("line 296"), std::string::npos);
  EXPECT_NE(rows.find("line 297"), std::string::npos);
  EXPECT_NE(rows.find("line 299\n"), std::string::npos);
  // "YYYY-MM-DD HH:MM:SS.mmm "
  ASSERT_GT(rows.size(), 24u);
  EXPECT_EQ(rows[4], '-');
  EXPECT_EQ(rows[13], ':');
  EXPECT_EQ(rows[19], '.');
  EXPECT_NE(LogText().find("BEGIN Title"), std::string::npos);
}

TEST_F(LogTest, ConcurrentWritersKeepLinesWhole) {
  CLog log;
  ASSERT_EQ(log.Begin("t", &settings, "quarnel"), 0);
  auto writer = [&log](char tag) {
    for (int i = 0; i < 500; ++i) log.Bug(std::string(40, tag));
  };
  std::thread a(writer, 'a');
  std::thread b(writer, 'b');
  a.join();
  b.join();
  const std::string text = LogText();
  size_t lines = 0;
  for (size_t pos = 0; (pos = text.find('\n', pos)) != std::string::npos; ++pos) ++lines;
  EXPECT_EQ(lines, 1001u);
  EXPECT_EQ(text.find("ab"), std::string::npos);
  EXPECT_EQ(text.find("ba"), std::string::npos);
}

TEST_F(LogTest, TruncationAtBeginAndOnRequest) {
  testenv::WriteFile(dir.path() / "quarnel.log", std::string(2 * 1024 * 1024, 'x') + "\n");
  settings.setInt("TruncateBigLog", 1);
  settings.setInt("TruncateSize", 1);
  CLog log;
  ASSERT_EQ(log.Begin("after truncation", &settings, "quarnel"), 0);
  EXPECT_EQ(LogText().find('x'), std::string::npos);
  EXPECT_EQ(log.TruncateLog(0, 1), 0);  // small enough: kept
  EXPECT_NE(LogText().find("after truncation"), std::string::npos);
  EXPECT_EQ(log.TruncateLog(1, 0), 0);
  EXPECT_EQ(LogText(), "");
  log.State("after");
  EXPECT_NE(LogText().find("after"), std::string::npos);
}

TEST_F(LogTest, BeginFailsWhenFolderIsMissing) {
  settings.setStr("LogFilePath", dir.file("no/such/folder"));
  CLog log;
  EXPECT_EQ(log.Begin("t", &settings, "quarnel"), ENOENT);
  // Without settings the per-user state folder is used.
  CLog fallback;
  EXPECT_EQ(fallback.Begin("t", nullptr, ""), 0);
  EXPECT_EQ(fallback.Path(), (dir.path() / "state" / "quarnel.log").string());
}

TEST_F(LogTest, ViewLogStartsViewerWithoutShell) {
  CLog log;
  EXPECT_NE(log.ViewLog(), 0);  // nothing to show before Begin
  ASSERT_EQ(log.Begin("t", &settings, "quarnel"), 0);
  EXPECT_EQ(log.ViewLog(), 0);
  // A command line is a program name here, never shell text.
  settings.setStr("LogViewer", "true; touch injected");
  EXPECT_NE(log.ViewLog(), 0);
  EXPECT_FALSE(std::filesystem::exists("injected"));
}

TEST_F(LogTest, AnEmptyViewerMeansTheProgramsOwnWindow) {
  CLog log;
  ASSERT_EQ(log.Begin("t", &settings, "quarnel"), 0);
  settings.setStr("LogViewer", "  ");
  EXPECT_EQ(log.Viewer(), "");
  EXPECT_EQ(log.ViewLog(), EINVAL);
  settings.setStr("LogViewer", " less ");
  EXPECT_EQ(log.Viewer(), "less");
}

TEST_F(LogTest, ReadTextFollowsNewLinesAndStartsAgainWhenEmptied) {
  CLog log;
  uint64_t offset = 0;
  CLog::LogText read;
  EXPECT_EQ(log.ReadText(offset, read), EBADF);  // nothing to read before Begin
  ASSERT_EQ(log.Begin("t", &settings, "quarnel"), 0);
  log.Bug("first entry");
  ASSERT_EQ(log.ReadText(offset, read), 0);
  EXPECT_NE(read.text.find("first entry"), std::string::npos);
  EXPECT_FALSE(read.restarted);
  EXPECT_EQ(offset, LogText().size());

  // Only what came since is read next.
  log.Bug("second entry");
  ASSERT_EQ(log.ReadText(offset, read), 0);
  EXPECT_EQ(read.text.find("first entry"), std::string::npos);
  EXPECT_NE(read.text.find("second entry"), std::string::npos);
  ASSERT_EQ(log.ReadText(offset, read), 0);
  EXPECT_TRUE(read.text.empty());

  // An emptied log is read from its start again.
  ASSERT_EQ(log.TruncateLog(1, 0), 0);
  log.Bug("after truncation");
  ASSERT_EQ(log.ReadText(offset, read), 0);
  EXPECT_TRUE(read.restarted);
  EXPECT_NE(read.text.find("after truncation"), std::string::npos);
}

TEST_F(LogTest, FormatLastErrorAndCrashMessage) {
  std::string text;
  CLog::FormatLastError(text, ENOENT);
  EXPECT_EQ(text, "No such file or directory (2)");
  CLog log;
  ASSERT_EQ(log.Begin("t", &settings, "quarnel"), 0);
  log.State("Engine::Row");
  log.CrashMessage("test crash");
  EXPECT_NE(LogText().find("CRASH test crash; last state: Engine::Row"), std::string::npos);
  log.ClearState();
  log.CrashMessage("second");
  EXPECT_NE(LogText().find("CRASH second\n"), std::string::npos);
}

TEST_F(LogTest, UnhandledExceptionIsReportedBeforeAbort) {
  // The forked child shares this fixture, so the log lands in our folder.
  GTEST_FLAG_SET(death_test_style, "fast");
  EXPECT_EXIT(
      {
        CLog log;
        if (log.Begin("t", &settings, "crash") != 0 || log.InstallCrashHandlers() != 0) std::exit(3);
        log.State("Crashing::Op");
        std::thread([] { throw std::runtime_error("boom"); }).join();
      },
      ::testing::KilledBySignal(SIGABRT), "");
  EXPECT_NE(testenv::ReadFile(dir.path() / "crash.log")
                .find("CRASH unhandled exception: boom; last state: Crashing::Op"),
            std::string::npos);
}

}  // namespace
