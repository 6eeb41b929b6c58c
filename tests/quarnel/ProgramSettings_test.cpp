#include "quarnel/ProgramSettings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "support/Log.h"
#include "support/SysReg.h"
#include "tests/common/TestEnv.h"

namespace {

class ProgramSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("QUARNEL_HOME", dir.path().c_str(), 1); }
  void TearDown() override { testenv::UsePrivateEnvironment(); }
  testenv::TempDir dir;
};

struct DefaultCase {
  int group;
  const char* key;
  bool isInt;
  int intValue;
  const char* text;
};

class ProgramSettingsDefaults : public ProgramSettingsTest,
                                public ::testing::WithParamInterface<DefaultCase> {};

TEST_P(ProgramSettingsDefaults, KeyHasItsTypeAndDefault) {
  const DefaultCase& c = GetParam();
  ProgramSettings settings;
  ASSERT_TRUE(settings.Group(c.group).Has(c.key)) << c.key;
  if (c.isInt) {
    EXPECT_EQ(settings.GetSettingInt(c.group, c.key), c.intValue);
  } else {
    EXPECT_EQ(settings.GetSettingStr(c.group, c.key), c.text);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ProgramSettingsDefaults,
    ::testing::Values(
        DefaultCase{0, "LogLevel", true, 0, ""}, DefaultCase{0, "LogViewer", false, 0, ""},
        DefaultCase{3, "LogViewer", false, 0, ""}, DefaultCase{5, "TruncateSize", true, 10, ""},
        DefaultCase{4, "ConsoleSQL", false, 0, ""}, DefaultCase{0, "SchemaCache", true, 1, ""},
        DefaultCase{0, "Profile9", false, 0, ""}, DefaultCase{0, "UseConnect", true, 1, ""},
        DefaultCase{0, "fc_text", true, 1, ""}, DefaultCase{0, "fc_excel", true, 0, ""},
        DefaultCase{0, "BL_Counter", false, 0, "0"}, DefaultCase{0, "BL_SubDir", true, 0, ""},
        DefaultCase{0, "P_W1", true, 263, ""}, DefaultCase{0, "C_W3", true, 110, ""},
        DefaultCase{0, "OT_W5", true, 45, ""}, DefaultCase{0, "ListPageW1", true, 210, ""},
        DefaultCase{0, "VA_W3", true, 350, ""}, DefaultCase{0, "NG_W1", true, 400, ""},
        DefaultCase{1, "RestoreConn", true, 1, ""}, DefaultCase{1, "ViewsInData", true, 0, ""},
        DefaultCase{1, "ShowTransSize", true, 1, ""}, DefaultCase{2, "StringLenTo", true, 4096, ""},
        DefaultCase{2, "Rows", false, 0, "1000"}, DefaultCase{2, "PerTran", false, 0, "500"},
        DefaultCase{2, "NullFactor", false, 0, "10"}, DefaultCase{2, "ScrSuffix", false, 0, "_scrambled"},
        DefaultCase{2, "CreateBak", true, 1, ""}, DefaultCase{3, "FromLinked", true, 1024000, ""},
        DefaultCase{3, "MaxBlobSize", true, 4095, ""}, DefaultCase{3, "InitRepeat", true, 12345, ""},
        DefaultCase{3, "QCharData", false, 0, "'"}, DefaultCase{3, "QChars", false, 0, ""},
        DefaultCase{3, "ReportInterval", true, 5000, ""}, DefaultCase{3, "PerformanceDefault", true, 0, ""},
        DefaultCase{4, "DateFormat", false, 0, "YYYY-MM-DD"}, DefaultCase{4, "TimeFormat", false, 0, "HH:MM:SS"},
        DefaultCase{4, "DateTimeSep", false, 0, " "}, DefaultCase{4, "YearFrom", true, 1950, ""},
        DefaultCase{4, "YearTo", true, 2020, ""}, DefaultCase{5, "vssCmdUndo", false, 0, ""}),
    [](const auto& info) {
      return std::string(info.param.key) + "_" + std::to_string(info.param.group);
    });

TEST_F(ProgramSettingsTest, CharSetIsTheTwentyNineSpecialCharacters) {
  ProgramSettings settings;
  const std::string& charSet = settings.GetSettingStr(2, "CharSet");
  EXPECT_EQ(charSet.size(), 29u);
  EXPECT_EQ(charSet[0], ' ');
  EXPECT_EQ(charSet, " -+/_*#$=<>~!@|\\()&^.;:{}[],?");
}

TEST_F(ProgramSettingsTest, GroupsAndGlobalVariablesSurviveSaveAndLoad) {
  {
    ProgramSettings settings;
    settings.SetSettingInt(3, "UseBULK", 1);
    settings.SetSettingStr(4, "DateConversion", "to_date('%s','YYYY-MM-DD HH24:MI:SS')");
    settings.SetSettingStr(0, "ConsoleSQL", "select 1;\nselect 'x = y'  ");
    settings.GlobalVars() = {{"@a", "Constant", "1", "not stored"}, {"@b", "Database Query", "select 2", ""}};
    int pageEdits = 0;
    settings.SetPageEditsHandler([&] { ++pageEdits; });
    ASSERT_EQ(settings.SaveSettings(0), 0);
    EXPECT_EQ(pageEdits, 0);
    ASSERT_EQ(settings.SaveSettings(1), 0);
    EXPECT_EQ(pageEdits, 1);
  }
  ProgramSettings loaded;
  ASSERT_EQ(loaded.LoadSettings(), 0);
  EXPECT_EQ(loaded.GetSettingInt(3, "UseBULK"), 1);
  EXPECT_EQ(loaded.GetSettingStr(4, "DateConversion"), "to_date('%s','YYYY-MM-DD HH24:MI:SS')");
  EXPECT_EQ(loaded.GetSettingStr(0, "ConsoleSQL"), "select 1;\nselect 'x = y'  ");
  ASSERT_EQ(loaded.GlobalVars().size(), 2u);
  EXPECT_EQ(loaded.GlobalVars()[1].Name, "@b");
  EXPECT_EQ(loaded.GlobalVars()[1].Type, "Database Query");
  EXPECT_EQ(loaded.GlobalVars()[1].Def, "select 2");
  EXPECT_EQ(loaded.GlobalVars()[0].Value, "");

  const std::string vars = testenv::ReadFile(dir.path() / "config" / "GlobalVars.ini");
  EXPECT_NE(vars.find("NVars=2\nName0=@a\nType0=Constant\nDef0=1\n"), std::string::npos) << vars;

  // Fewer variables replace the numbered entries completely.
  loaded.GlobalVars().pop_back();
  ASSERT_EQ(loaded.SaveSettings(0), 0);
  EXPECT_EQ(testenv::ReadFile(dir.path() / "config" / "GlobalVars.ini").find("Name1"), std::string::npos);
}

TEST_F(ProgramSettingsTest, DamagedStoresKeepDefaults) {
  std::filesystem::create_directories(dir.path() / "config");
  testenv::WriteFile(dir.path() / "config" / "GlobalVars.ini", "# quarnel store 1\nNVars=2000000000\n");
  testenv::WriteFile(dir.path() / "config" / "Settings.ini", std::string("\0\x01garbage", 9));
  ProgramSettings settings;
  EXPECT_NE(settings.LoadSettings(), 0);
  EXPECT_TRUE(settings.GlobalVars().empty());
  EXPECT_EQ(settings.GetSettingInt(3, "FromLinked"), 1024000);
}

TEST_F(ProgramSettingsTest, BadGroupAndKeyAreHarmless) {
  testenv::TempDir logDir;
  ProgramSettings settings;
  settings.SetSettingStr(0, "LogFilePath", logDir.path().string());
  CLog log;
  ASSERT_EQ(log.Begin("t", &settings.Group(0), "quarnel"), 0);
  ProgramSettings logged(&log);
  EXPECT_EQ(logged.GetSettingInt(6, "LogLevel"), 0);
  EXPECT_EQ(logged.GetSettingStr(-1, "LogLevel"), "");
  logged.SetSettingInt(9, "LogLevel", 1);
  EXPECT_EQ(logged.GetSettingInt(1, "SchemaCache"), 0);  // a group 0 key asked of group 1
  const std::string rows = log.GetLastRows();
  EXPECT_NE(rows.find("setting group out of range: 6"), std::string::npos);
  EXPECT_NE(rows.find("unregistered setting: SchemaCache"), std::string::npos);
}

TEST_F(ProgramSettingsTest, RecentProjectsListStaysUniqueAndBounded) {
  ProgramSettings settings;
  for (int i = 0; i < 11; ++i) ASSERT_EQ(settings.AddRecentProject("/p/project" + std::to_string(i) + ".qrp"), 0);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(settings.GetSettingStr(0, "Profile" + std::to_string(i)),
              "/p/project" + std::to_string(10 - i) + ".qrp");
  }
  // Already listed at Profile3: nothing moves.
  ASSERT_EQ(settings.AddRecentProject("/p/project7.qrp"), 0);
  EXPECT_EQ(settings.GetSettingStr(0, "Profile0"), "/p/project10.qrp");
  EXPECT_EQ(settings.GetSettingStr(0, "Profile3"), "/p/project7.qrp");
  // The list was saved with group 0.
  ProgramSettings loaded;
  ASSERT_EQ(loaded.LoadSettings(), 0);
  EXPECT_EQ(loaded.GetSettingStr(0, "Profile9"), "/p/project1.qrp");
}

}  // namespace
