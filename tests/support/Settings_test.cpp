#include "support/Settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "support/Log.h"
#include "tests/common/TestEnv.h"

namespace {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QUARNEL_HOME", dir.path().c_str(), 1);
    Register(general, "General");
    Register(other, "Other");
  }
  void TearDown() override { testenv::UsePrivateEnvironment(); }

  static void Register(_Settings& s, const char* profile) {
    s.Add("Count", _Settings::kInt, 50, "");
    s.Add("Name", _Settings::kText, 0, "dflt");
    s.Add("Rows", _Settings::kText, 0, "1000");
    s.SetProfileName(profile);
  }

  testenv::TempDir dir;
  _Settings general;
  _Settings other;
};

TEST_F(SettingsTest, DefaultsBeforeAndAfterLoadingNothing) {
  EXPECT_EQ(general.getInt("Count"), 50);
  EXPECT_EQ(general.getStr("Name"), "dflt");
  EXPECT_EQ(general.LoadData(), 0);  // no file yet is a normal first start
  EXPECT_EQ(general.getInt("Count"), 50);
  EXPECT_EQ(general.getInt("Rows"), 1000);  // numeric text reads as a number
  EXPECT_EQ(general.getStr("Count"), "50");
}

TEST_F(SettingsTest, GroupsShareOneFileWithoutClobbering) {
  general.setInt("Count", 7);
  general.setStr("Name", "  spaced = value\n");
  other.setStr("Name", "other");
  ASSERT_EQ(general.SaveData(), 0);
  ASSERT_EQ(other.SaveData(), 0);

  _Settings reloaded;
  Register(reloaded, "General");
  ASSERT_EQ(reloaded.LoadData(), 0);
  EXPECT_EQ(reloaded.getInt("Count"), 7);
  EXPECT_EQ(reloaded.getStr("Name"), "  spaced = value\n");
  _Settings reloadedOther;
  Register(reloadedOther, "Other");
  ASSERT_EQ(reloadedOther.LoadData(), 0);
  EXPECT_EQ(reloadedOther.getStr("Name"), "other");
  EXPECT_EQ(reloadedOther.getInt("Count"), 50);
  EXPECT_NE(testenv::ReadFile(dir.path() / "config" / "Settings.ini").find("[General]"), std::string::npos);
}

TEST_F(SettingsTest, WrongTypeInStoreGivesDefault) {
  std::filesystem::create_directories(dir.path() / "config");
  testenv::WriteFile(dir.path() / "config" / "Settings.ini",
                     "# quarnel store 1\n[General]\nCount=many\nName=kept\n");
  ASSERT_EQ(general.LoadData(), 0);
  EXPECT_EQ(general.getInt("Count"), 50);
  EXPECT_EQ(general.getStr("Name"), "kept");
}

TEST_F(SettingsTest, UnregisteredKeyIsEmptyAndLogged) {
  CLog log;
  _Settings logSettings;
  logSettings.Add("LogFilePath", _Settings::kText, 0, dir.path().string());
  ASSERT_EQ(log.Begin("test", &logSettings, "settings"), 0);
  general.SetProfileName("General", &log);
  EXPECT_EQ(general.getInt("NoSuchKey"), 0);
  EXPECT_EQ(general.getStr("NoSuchKey"), "");
  general.setInt("NoSuchKey", 3);
  EXPECT_FALSE(general.Has("NoSuchKey"));
  EXPECT_NE(log.GetLastRows().find("unregistered setting: NoSuchKey"), std::string::npos);
}

TEST_F(SettingsTest, TypeConversionsOnSet) {
  general.setStr("Count", "12");
  EXPECT_EQ(general.getInt("Count"), 12);
  general.setStr("Count", "x");
  EXPECT_EQ(general.getInt("Count"), 0);
  general.setInt("Rows", 250);
  EXPECT_EQ(general.getStr("Rows"), "250");
}

}  // namespace
