// The window's texts: title with modified and performance marks, path
// shortening at 45 characters, the project heading, the recent-project entries
// and the start-up tips.
#include <gtest/gtest.h>

#include "quarnel/ProgramSettings.h"
#include "quarnel/WindowText.h"
#include "tests/common/TestEnv.h"

namespace {

TEST(WindowTextTest, TitleShowsPathMarksAndShortensLongPaths) {
  EXPECT_EQ(WindowTitle("Quarnel", "", false, false), "Quarnel [Untitled]");
  EXPECT_EQ(WindowTitle("Quarnel", "/p/demo.qrp", true, true), "Quarnel [/p/demo.qrp *] {PM}");
  const std::string path44 = "/home/user/projects/quarnel/example/demo.qrp";
  ASSERT_EQ(path44.size(), 44u);
  EXPECT_EQ(ShortenPath(path44), path44);
  const std::string path45 = "/home/user/projects/quarnel/examples/demo.qrp";
  ASSERT_EQ(path45.size(), 45u);
  EXPECT_EQ(ShortenPath(path45), "/home/use...rojects/quarnel/examples/demo.qrp");
  EXPECT_EQ(ShortenPath(path45).size(), 9u + 3u + 33u);
}

TEST(WindowTextTest, HeadingCountsRules) {
  EXPECT_EQ(ProjectHeading(0), "     Quarnel Project");
  EXPECT_EQ(ProjectHeading(1), "     Quarnel Project (1 rule)");
  EXPECT_EQ(ProjectHeading(12), "     Quarnel Project (12 rules)");
}

TEST(WindowTextTest, RecentProjectsAreTheExistingOnesInOrder) {
  testenv::TempDir dir;
  testenv::WriteFile(dir.path() / "a.qrp", "x");
  testenv::WriteFile(dir.path() / "b.qrp", "x");
  ProgramSettings settings;
  settings.SetSettingStr(0, "Profile0", dir.file("b.qrp"));
  settings.SetSettingStr(0, "Profile1", dir.file("missing.qrp"));
  settings.SetSettingStr(0, "Profile4", dir.file("a.qrp"));
  settings.SetSettingStr(0, "Profile5", dir.path().string());  // a folder is no project
  EXPECT_EQ(RecentProjects(settings), (std::vector<std::string>{dir.file("b.qrp"), dir.file("a.qrp")}));
  EXPECT_TRUE(RecentProjects(ProgramSettings()).empty());
}

TEST(WindowTextTest, TenTipsWithoutEmptyOnes) {
  const std::vector<std::string> tips = StartupTips();
  EXPECT_EQ(tips.size(), 10u);
  for (const std::string& tip : tips) EXPECT_GT(tip.size(), 40u);
}

}  // namespace
