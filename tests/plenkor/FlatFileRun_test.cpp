#include "plenkor/FlatFileRun.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <ctime>
#include <sstream>
#include <vector>

#include "GenTmpl/LibraryLocation.h"
#include "GenTmpl/VLibrary.h"
#include "tests/common/TestEnv.h"
#include "plenkor/FlatFile.h"
#include "plenkor/PlenkorSettings.h"
#include "support/Log.h"
#include "support/Settings.h"

namespace {

class RecordingPrompt final : public Prompt {
 public:
  void Message(std::string_view caption, std::string_view text, PromptIcon) override {
    messages.push_back(std::string(caption) + "|" + std::string(text));
  }
  PromptAnswer Ask(std::string_view, std::string_view, PromptIcon, PromptButtons, PromptAnswer preselected) override {
    return preselected;
  }
  std::vector<std::string> messages;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

class FlatFileRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QUARNEL_HOME", home_.path().c_str(), 1);
    RegisterPlenkorSettings(settings_);
    settings_.SetProfileName(kPlenkorProfile);
    environment_.settings = &settings_;
    environment_.prompt = &prompt_;
    definition_ = NewDefinition();
    definition_.TXTFile = dir_.file("out.txt");
    std::string message;
    AddField(definition_, MakeField("Id", "Integer", 0, "Custom Generator", "$Inc()", 1), &message);
    AddField(definition_, MakeField("Code", "String", 0, "Random String", "A{2}", 2), &message);
    FileRule(definition_).Records = 3;
  }
  void TearDown() override { testenv::UsePrivateEnvironment(); }

  testenv::TempDir home_;
  testenv::TempDir dir_;
  _Settings settings_;
  RecordingPrompt prompt_;
  FlatRunEnvironment environment_;
  Project definition_;
};

TEST_F(FlatFileRunTest, WritesEveryRowWithHeader) {
  definition_.TxtOutColumnNames = 1;
  definition_.TxtDelimiter = DelimiterOf(FileFormat::kCustom, ";");
  int range = 0;
  environment_.progress.started = [&](int rows) { range = rows; };
  const FlatRunResult result = RunDefinition(definition_, environment_);
  EXPECT_EQ(result.status, kFlatRunDone);
  EXPECT_EQ(result.rows, 3u);
  EXPECT_EQ(result.statusText, "Done");
  EXPECT_EQ(range, 3);
  const std::vector<std::string> lines = Lines(testenv::ReadFile(definition_.TXTFile));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "Id;Code");
  EXPECT_EQ(lines[3].substr(0, 2), "3;");
  EXPECT_EQ(lines[3].find(';', 2), std::string::npos);
  EXPECT_TRUE(prompt_.messages.empty());
}

TEST_F(FlatFileRunTest, ChecksBeforeTheRunStopIt) {
  Project noName = definition_;
  noName.TXTFile.clear();
  EXPECT_EQ(RunDefinition(noName, environment_).status, kFlatRunNotRun);
  Project noFields = NewDefinition();
  noFields.TXTFile = dir_.file("never.txt");
  EXPECT_EQ(RunDefinition(noFields, environment_).status, kFlatRunNotRun);
  Project badPath = definition_;
  badPath.TXTFile = dir_.file("missing/dir/out.txt");
  EXPECT_EQ(RunDefinition(badPath, environment_).status, kFlatRunNotRun);
  ASSERT_EQ(prompt_.messages.size(), 3u);
  EXPECT_EQ(prompt_.messages[0], "Warning|Please specify output file name before the project execution.");
  EXPECT_EQ(prompt_.messages[1], "Warning|You must specify at least one field.");
  EXPECT_EQ(prompt_.messages[2].rfind("Warning|Could not open output file '" + badPath.TXTFile + "' for writing.\n", 0),
            0u);
  EXPECT_FALSE(std::filesystem::exists(dir_.file("never.txt")));
}

TEST_F(FlatFileRunTest, RuleFilesOfAnotherProgramAreNotWritten) {
  FileRule(definition_).OutFileTXT = dir_.file("elsewhere.txt");
  ASSERT_EQ(RunDefinition(definition_, environment_).status, kFlatRunDone);
  EXPECT_EQ(Lines(testenv::ReadFile(definition_.TXTFile)).size(), 3u);
  EXPECT_FALSE(std::filesystem::exists(dir_.file("elsewhere.txt")));
}

TEST_F(FlatFileRunTest, DateMacroNamesTheFileWithTodaysDate) {
  definition_.TXTFile = dir_.file("out_$DATE$.txt");
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char date[16];
  std::strftime(date, sizeof date, "%d%m%Y", &local);
  const FlatRunResult result = RunDefinition(definition_, environment_);
  ASSERT_EQ(result.status, kFlatRunDone);
  EXPECT_EQ(result.outputFile, dir_.file(std::string("out_") + date + ".txt"));
  EXPECT_EQ(Lines(testenv::ReadFile(result.outputFile)).size(), 3u);
}

TEST_F(FlatFileRunTest, AppendModeKeepsContentsAndAsksNothing) {
  testenv::WriteFile(definition_.TXTFile, "kept line\r\n");
  definition_.TruncateTXT = 0;
  definition_.TxtOutColumnNames = 1;  // the file is not empty: no second header
  int asked = 0;
  environment_.askOverwrite = [&](const std::string&) {
    ++asked;
    return OverwriteChoice{false, false};
  };
  ASSERT_EQ(RunDefinition(definition_, environment_).status, kFlatRunDone);
  const std::vector<std::string> lines = Lines(testenv::ReadFile(definition_.TXTFile));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "kept line");
  EXPECT_EQ(lines[1].substr(0, 2), "1\t");
  EXPECT_EQ(asked, 0);
}

TEST_F(FlatFileRunTest, CancelWithSavedChoiceStoresOneAndWritesNothing) {
  testenv::WriteFile(definition_.TXTFile, "old\n");
  settings_.setInt("PkAskOverwrite", 1);
  std::string asked;
  environment_.askOverwrite = [&](const std::string& file) {
    asked = file;
    return OverwriteChoice{false, true};
  };
  EXPECT_EQ(RunDefinition(definition_, environment_).status, kFlatRunNotRun);
  EXPECT_EQ(asked, definition_.TXTFile);
  EXPECT_EQ(testenv::ReadFile(definition_.TXTFile), "old\n");
  _Settings reloaded;
  RegisterPlenkorSettings(reloaded);
  reloaded.SetProfileName(kPlenkorProfile);
  reloaded.setInt("PkAskOverwrite", 7);
  ASSERT_EQ(reloaded.LoadData(), 0);
  EXPECT_EQ(reloaded.getInt("PkAskOverwrite"), 1);
}

TEST_F(FlatFileRunTest, OverwriteWithSavedChoiceStopsAsking) {
  testenv::WriteFile(definition_.TXTFile, "old\n");
  int asked = 0;
  environment_.askOverwrite = [&](const std::string&) {
    ++asked;
    return OverwriteChoice{true, true};
  };
  ASSERT_EQ(RunDefinition(definition_, environment_).status, kFlatRunDone);
  EXPECT_EQ(settings_.getInt("PkAskOverwrite"), 0);
  ASSERT_EQ(RunDefinition(definition_, environment_).status, kFlatRunDone);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(Lines(testenv::ReadFile(definition_.TXTFile)).size(), 3u);
}

TEST_F(FlatFileRunTest, ExistingFileWithoutAnAnswerIsKept) {
  testenv::WriteFile(definition_.TXTFile, "old\n");
  EXPECT_EQ(RunDefinition(definition_, environment_).status, kFlatRunNotRun);
  EXPECT_EQ(testenv::ReadFile(definition_.TXTFile), "old\n");
}

// A pattern that makes no value is found before the run: its message, and
// the file as it was.
TEST_F(FlatFileRunTest, AFailingPatternStopsTheRunBeforeTheFile) {
  testenv::WriteFile(definition_.TXTFile, "old\n");
  settings_.setInt("PkAskOverwrite", 0);
  FileRule(definition_).Fields[1].Mask = "$NoSuchFunction()";
  const FlatRunResult result = RunDefinition(definition_, environment_);
  EXPECT_EQ(result.status, kFlatRunNotRun);
  EXPECT_EQ(result.statusText, "");
  ASSERT_EQ(prompt_.messages.size(), 1u);
  EXPECT_EQ(prompt_.messages[0].rfind("Wrong Pattern|Error: '", 0), 0u) << prompt_.messages[0];
  EXPECT_NE(prompt_.messages[0].find("'\r\nPattern '$NoSuchFunction()'"), std::string::npos) << prompt_.messages[0];
  EXPECT_EQ(testenv::ReadFile(definition_.TXTFile), "old\n");

  // A field filled another way is not read as a pattern.
  FileRule(definition_).Fields[1].Method = kMethodIncremental;
  prompt_.messages.clear();
  EXPECT_EQ(RunDefinition(definition_, environment_).status, kFlatRunDone);
  EXPECT_TRUE(prompt_.messages.empty());
}

TEST_F(FlatFileRunTest, FixedWidthColumnsStayAlignedOnceWidthsStopGrowing) {
  definition_.TxtDelimiter = DelimiterOf(FileFormat::kFixed, "");
  definition_.TxtOutColumnNames = 1;
  FileRule(definition_).Fields[1] = MakeField("Code", "String", 6, "Random String", "A{1:6}", 2);
  FileRule(definition_).Records = 500;
  ASSERT_EQ(RunDefinition(definition_, environment_).status, kFlatRunDone);
  const std::vector<std::string> lines = Lines(testenv::ReadFile(definition_.TXTFile));
  ASSERT_EQ(lines.size(), 501u);
  for (const std::string& line : lines) EXPECT_EQ(line.size(), lines[0].size()) << line;
}

long PeakRssKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

TEST_F(FlatFileRunTest, MillionRowsStreamInBoundedMemory) {
  std::string message;
  AddField(definition_, MakeField("Name", "String", 0, "Custom Generator", "A{8:20}", 3), &message);
  AddField(definition_, MakeField("When", "Date", 0, "Random Date", "$RDate()", 4), &message);
  AddField(definition_, MakeField("Amount", "String", 0, "Random Number", "$RFloat(1,1000,2,%.2f)", 5), &message);
  definition_.TxtDelimiter = ",";
  environment_.askOverwrite = [](const std::string&) { return OverwriteChoice{true, false}; };
  // A first run settles the allocator and the sanitizer's quarantine.
  FileRule(definition_).Records = 200000;
  ASSERT_EQ(RunDefinition(definition_, environment_).status, kFlatRunDone);
  const long before = PeakRssKb();
  FileRule(definition_).Records = 1000000;
  const FlatRunResult result = RunDefinition(definition_, environment_);
  ASSERT_EQ(result.status, kFlatRunDone);
  EXPECT_EQ(result.rows, 1000000u);
  EXPECT_LT(PeakRssKb() - before, 32 * 1024) << "peak RSS grew with the row count";
  EXPECT_GT(std::filesystem::file_size(definition_.TXTFile), 1000000u * 20);
}

TEST(PlenkorSettingsTest, DefaultsAndTheRecentFilesRule) {
  testenv::TempDir home;
  setenv("QUARNEL_HOME", home.path().c_str(), 1);
  _Settings settings;
  RegisterPlenkorSettings(settings);
  settings.SetProfileName(kPlenkorProfile);
  ASSERT_EQ(settings.LoadData(), 0);
  EXPECT_EQ(settings.getInt("PkW1"), 82);
  EXPECT_EQ(settings.getInt("PkW2"), 60);
  EXPECT_EQ(settings.getInt("PkW3"), 90);
  EXPECT_EQ(settings.getInt("PkW4"), 70);
  EXPECT_EQ(settings.getInt("PkAskOverwrite"), 1);
  EXPECT_EQ(settings.getInt("PkShowTypes"), 1);
  EXPECT_EQ(settings.getInt("PkSpinStep"), 1000);
  EXPECT_EQ(settings.getInt("PkEmptyLines"), 0);
  EXPECT_EQ(settings.getStr("PkLastFile"), "");

  for (int n = 0; n < 11; ++n) {
    const std::string path = home.file("d" + std::to_string(n) + ".qrp");
    testenv::WriteFile(path, "x");
    ASSERT_EQ(AddRecentFile(settings, path), 0);
  }
  EXPECT_EQ(settings.getStr("PkProfile0"), home.file("d10.qrp"));
  EXPECT_EQ(settings.getStr("PkProfile9"), home.file("d1.qrp"));
  // A listed file keeps its place.
  ASSERT_EQ(AddRecentFile(settings, home.file("d5.qrp")), 0);
  EXPECT_EQ(settings.getStr("PkProfile0"), home.file("d10.qrp"));
  std::filesystem::remove(home.file("d9.qrp"));
  const std::vector<std::string> recent = RecentFiles(settings);
  EXPECT_EQ(recent.size(), 9u);
  EXPECT_EQ(recent[0], home.file("d10.qrp"));

  _Settings reloaded;
  RegisterPlenkorSettings(reloaded);
  reloaded.SetProfileName(kPlenkorProfile);
  ASSERT_EQ(reloaded.LoadData(), 0);
  EXPECT_EQ(reloaded.getStr("PkProfile0"), home.file("d10.qrp"));
  testenv::UsePrivateEnvironment();
}

}  // namespace

// The parts of a repeatable file, joined in order, are the file part 1 of 1
// writes: for a definition whose rows stand alone, and for one whose counter
// makes part 1 write every row.
TEST_F(FlatFileRunTest, PartsJoinedInOrderAreTheWholeFile) {
  Project people;
  std::string message;
  ASSERT_EQ(LoadDefinition((testenv::SourceDir() / "examples" / "people.qrp").string(), people, nullptr, &message), 0)
      << message;
  people.TXTFile = dir_.file("people.csv");
  FileRule(people).Records = 500;
  CLog log;
  VLibrary library;
  environment_.libraryPath = FindValueLibrary(std::string());
  ASSERT_EQ(library.Open(environment_.libraryPath, log), 0);
  environment_.library = &library;
  environment_.seed = 31;
  environment_.askOverwrite = [](const std::string&) { return OverwriteChoice{true, false}; };
  definition_.TxtOutColumnNames = 1;
  FileRule(definition_).Records = 50;
  for (Project* definition : {&people, &definition_}) {
    SCOPED_TRACE(definition->TXTFile);
    const std::string name = definition->TXTFile;
    environment_.sharded = true;
    environment_.shard = {1, 1};
    ASSERT_EQ(RunDefinition(*definition, environment_).status, kFlatRunDone) << testing::PrintToString(prompt_.messages);
    const std::string whole = testenv::ReadFile(name);
    ASSERT_GT(Lines(whole).size(), 50u);
    for (int count : {2, 3, 7}) {
      std::string joined;
      for (int k = 1; k <= count; ++k) {
        environment_.shard = {k, count};
        const FlatRunResult result = RunDefinition(*definition, environment_);
        ASSERT_EQ(result.status, kFlatRunDone) << k << " of " << count;
        EXPECT_EQ(result.outputFile, ShardFileName(name, {k, count}));
        joined += testenv::ReadFile(result.outputFile);
      }
      EXPECT_EQ(joined, whole) << count << " parts";
    }
    // Without parts the same seed makes the same file again.
    environment_.sharded = false;
    ASSERT_EQ(RunDefinition(*definition, environment_).status, kFlatRunDone);
    const std::string plain = testenv::ReadFile(name);
    ASSERT_EQ(RunDefinition(*definition, environment_).status, kFlatRunDone);
    EXPECT_EQ(testenv::ReadFile(name), plain);
  }
}
