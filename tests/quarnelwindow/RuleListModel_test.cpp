// The rule list's edits keep the check marks with their rules, refuse moves
// past either end, and mark the project modified; the console page applies
// the engine's messages and ignores numbers out of range.
#include <gtest/gtest.h>

#include <QProgressBar>
#include <QSignalSpy>

#include "engine/RunOptions.h"
#include "project/ProjectDocument.h"
#include "quarnel/window/ConsoleModel.h"
#include "quarnel/window/ConsolePage.h"
#include "quarnel/window/RuleListModel.h"

namespace {

class RuleListModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"a", "b", "c"}) {
      Rule rule;
      rule.TabName = name;
      rule.Records = 10;
      rule.PerTrans = 5;
      document_.project().rules.push_back(rule);
    }
    model_.reload();
  }
  std::string Tables() const {
    std::string names;
    for (const Rule& rule : document_.project().rules) names += rule.TabName;
    return names;
  }
  ProjectDocument document_;
  RuleListModel model_{document_};
};

TEST_F(RuleListModelTest, EditsMoveTheRulesWithTheirCheckMarks) {
  QSignalSpy edited(&model_, &RuleListModel::edited);
  model_.setChecked(0, true);
  EXPECT_FALSE(model_.moveUp(0));
  EXPECT_FALSE(model_.moveDown(2));
  EXPECT_FALSE(model_.remove(3));
  EXPECT_FALSE(model_.duplicate(-1));
  EXPECT_EQ(edited.count(), 0);
  EXPECT_FALSE(document_.modified());

  EXPECT_TRUE(model_.moveDown(0));
  EXPECT_EQ(Tables(), "bac");
  EXPECT_EQ(model_.checkedRows(), std::vector<int>{1});
  EXPECT_TRUE(model_.duplicate(1));
  EXPECT_EQ(Tables(), "baac");
  EXPECT_EQ(model_.checkedRows(), std::vector<int>{1});
  EXPECT_TRUE(model_.remove(1));
  EXPECT_EQ(Tables(), "bac");
  EXPECT_TRUE(model_.checkedRows().empty());
  EXPECT_TRUE(model_.moveUp(2));
  EXPECT_EQ(Tables(), "bca");
  EXPECT_EQ(edited.count(), 4);
  EXPECT_TRUE(document_.modified());
}

TEST_F(RuleListModelTest, ShowsKindModeRowsAndTheCheckBox) {
  document_.project().rules[1].Mode = kRuleClear;
  document_.project().rules[1].ClTab.resize(2);
  document_.project().rules[2].Enabled = 0;
  EXPECT_EQ(model_.data(model_.index(0, RuleListModel::kTable), Qt::DisplayRole).toString().toStdString(), "a");
  EXPECT_EQ(model_.data(model_.index(0, RuleListModel::kKind), Qt::DisplayRole).toString().toStdString(), "data");
  EXPECT_EQ(model_.data(model_.index(0, RuleListModel::kInsertMode), Qt::DisplayRole).toString().toStdString(), "append");
  EXPECT_EQ(model_.data(model_.index(0, RuleListModel::kRows), Qt::DisplayRole).toInt(), 10);
  EXPECT_EQ(model_.data(model_.index(0, RuleListModel::kTransactionSize), Qt::DisplayRole).toInt(), 5);
  EXPECT_EQ(model_.data(model_.index(1, RuleListModel::kTable), Qt::DisplayRole).toString().toStdString(),
            "Clearing 2 table(s)");
  EXPECT_FALSE(model_.data(model_.index(1, RuleListModel::kRows), Qt::DisplayRole).isValid());
  EXPECT_TRUE(model_.data(model_.index(2, RuleListModel::kTable), Qt::ForegroundRole).isValid());

  EXPECT_TRUE(model_.setData(model_.index(2, RuleListModel::kTable), Qt::Checked, Qt::CheckStateRole));
  EXPECT_EQ(model_.data(model_.index(2, RuleListModel::kTable), Qt::CheckStateRole).toInt(), Qt::Checked);
  EXPECT_FALSE(model_.setData(model_.index(2, RuleListModel::kKind), Qt::Checked, Qt::CheckStateRole));

  model_.setDetached(true);
  EXPECT_EQ(model_.rowCount(), 0);
  EXPECT_FALSE(model_.data(model_.index(0, 0), Qt::DisplayRole).isValid());
  EXPECT_FALSE(model_.moveDown(0));
  model_.setDetached(false);
  EXPECT_EQ(model_.rowCount(), 3);
  EXPECT_EQ(model_.checkedRows(), std::vector<int>{2});
}

TEST(ConsolePageTest, AppliesTheEngineMessages) {
  ConsolePage page;
  page.Apply(kItemText, kConsoleHeadingItem, " Execution console: rule 1 of 2 running");
  page.Apply(kItemText, 7, "elsewhere");
  EXPECT_EQ(page.heading().toStdString(), " Execution console: rule 1 of 2 running");
  page.Apply(kAddLine, 0, "customers");
  page.Apply(kSetLastLine, kConsoleState, "Starting...");
  page.Apply(kAddLine, 0, "orders");
  page.Apply(kSetCell, 0 * 100 + kConsoleState, "Done");
  page.Apply(kSetCell, 0 * 100 + kConsoleInserted, "200 (1000 r/s)");
  page.Apply(kSetLastLine, kConsoleNote, "note");
  // Lines and columns that do not exist change nothing.
  page.Apply(kSetCell, 5 * 100 + kConsoleState, "x");
  page.Apply(kSetCell, -101, "x");
  page.Apply(kSetLastLine, 9, "x");
  page.Apply(kConsoleText, 1, "console mode only");
  page.Apply(99, 0, "unknown");
  const std::vector<ConsoleLine>& lines = page.model().lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].item, "customers");
  EXPECT_EQ(lines[0].state, "Done");
  EXPECT_EQ(lines[0].inserted, "200 (1000 r/s)");
  EXPECT_EQ(lines[1].note, "note");
  EXPECT_EQ(page.model().headerData(2, Qt::Horizontal, Qt::DisplayRole).toString().toStdString(), "Inserted/Created");

  page.Apply(kProgressRange, 400, "");
  page.Apply(kProgressPos, 100, "");
  EXPECT_EQ(page.progress().maximum(), 400);
  EXPECT_EQ(page.progress().value(), 100);
  page.Apply(kProgressPos, 900, "");
  EXPECT_EQ(page.progress().value(), 400);
  page.Apply(kProgressRange, 0, "");  // an empty rule still gets a usable bar
  EXPECT_EQ(page.progress().maximum(), 1);
  page.Clear();
  EXPECT_TRUE(page.model().lines().empty());
}

}  // namespace
