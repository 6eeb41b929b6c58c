// Moving a project to another schema and applying a named generator.
#include <gtest/gtest.h>

#include "project/ProjectDocument.h"
#include "quarnel/ProjectTools.h"
#include "support/Prompt.h"

namespace {

class RecordingPrompt : public Prompt {
 public:
  void Message(std::string_view caption, std::string_view text, PromptIcon) override {
    messages.push_back(std::string(caption) + "|" + std::string(text));
  }
  PromptAnswer Ask(std::string_view, std::string_view, PromptIcon, PromptButtons, PromptAnswer p) override {
    return p;
  }
  std::vector<std::string> messages;
};

ColumnRule Col(const std::string& name, const std::string& type = "integer", int method = kMethodRandom,
               const std::string& table = {}) {
  ColumnRule c;
  c.Name = name;
  c.TypeName = type;
  c.Method = method;
  c.Table = table;
  return c;
}

struct OwnerCase {
  const char* name;
  const char* schema;
  const char* expected;
};

class ReplaceOwnerTest : public ::testing::TestWithParam<OwnerCase> {};

TEST_P(ReplaceOwnerTest, ReplacesOnlyTheOwnerPart) {
  EXPECT_EQ(ReplaceOwner(GetParam().name, GetParam().schema), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Names, ReplaceOwnerTest,
                         ::testing::Values(OwnerCase{"sales.orders", "test", "test.orders"},
                                           OwnerCase{"orders", "test", "orders"},
                                           OwnerCase{"a.b.c", "x", "x.b.c"},
                                           OwnerCase{".orders", "x", ".orders"},
                                           OwnerCase{"\"my.schema\".orders", "x", "x.orders"},
                                           OwnerCase{"\"just.a.name\"", "x", "\"just.a.name\""},
                                           OwnerCase{"[dbo].[t]", "x", "x.[t]"}));

class MigrateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Rule data;
    data.TabName = "sales.orders";
    data.Fields = {Col("cust", "integer", kMethodLinkedTable, "crm.customers"),
                   Col("note", "varchar", kMethodSql, "crm.notes"), Col("x", "integer", kMethodLinkedTable, "plain")};
    Rule plain;
    plain.TabName = "orders";
    Rule clear;
    clear.Mode = kRuleClear;
    clear.ClTab = {{"sales.orders", 1}};
    doc.project().rules = {data, plain, clear};
  }
  const Rule& R(size_t i) const { return doc.project().rules[i]; }
  ProjectDocument doc;
};

TEST_F(MigrateTest, TablesAndLinkedTablesMove) {
  EXPECT_EQ(MigrateProject(doc, "test", "ref"), 2);
  EXPECT_EQ(R(0).TabName, "test.orders");
  EXPECT_EQ(R(0).Fields[0].Table, "ref.customers");
  EXPECT_EQ(R(0).Fields[1].Table, "crm.notes");  // not a linked table
  EXPECT_EQ(R(0).Fields[2].Table, "plain");
  EXPECT_EQ(R(1).TabName, "orders");
  EXPECT_EQ(R(2).ClTab[0].ClTab, "sales.orders");  // clear lists are not touched
  EXPECT_TRUE(doc.modified());
}

TEST_F(MigrateTest, EmptySchemaKeepsTablesWhileLinkedTablesMove) {
  EXPECT_EQ(MigrateProject(doc, "", "ref"), 1);
  EXPECT_EQ(R(0).TabName, "sales.orders");
  EXPECT_EQ(R(0).Fields[0].Table, "ref.customers");
}

TEST_F(MigrateTest, NothingToChangeLeavesTheProjectUnmodified) {
  EXPECT_EQ(MigrateProject(doc, "", ""), 0);
  EXPECT_EQ(MigrateProject(doc, "sales", "crm"), 0);
  EXPECT_FALSE(doc.modified());
}

// ---- Named generators --------------------------------------------------------

struct MatchCase {
  const char* column;
  int match;
  const char* text;
  bool ignoreCase;
  bool expected;
};

class NameMatchTest : public ::testing::TestWithParam<MatchCase> {};

TEST_P(NameMatchTest, NameCriterion) {
  const MatchCase& c = GetParam();
  NamedGenCriteria criteria;
  criteria.byName = true;
  criteria.name = c.text;
  criteria.match = c.match;
  criteria.ignoreCase = c.ignoreCase;
  EXPECT_EQ(MatchesNamedGen(criteria, c.column, 1, "integer"), c.expected) << c.column << " " << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Criteria, NameMatchTest,
    ::testing::Values(MatchCase{"customer_id", NamedGenCriteria::kStartWith, "cust", false, true},
                      MatchCase{"CustomerName", NamedGenCriteria::kStartWith, "cust", false, false},
                      MatchCase{"CustomerName", NamedGenCriteria::kStartWith, "cust", true, true},
                      MatchCase{"cu", NamedGenCriteria::kStartWith, "cust", true, false},
                      MatchCase{"first_name", NamedGenCriteria::kEndWith, "NAME", true, true},
                      MatchCase{"first_name", NamedGenCriteria::kEndWith, "NAME", false, false},
                      MatchCase{"id", NamedGenCriteria::kExact, "ID", true, true},
                      MatchCase{"id", NamedGenCriteria::kExact, "ID", false, false},
                      MatchCase{"first_name", NamedGenCriteria::kSubstring, "name", false, true},
                      MatchCase{"name_first", NamedGenCriteria::kSubstring, "name", false, true},
                      MatchCase{"First_NAME", NamedGenCriteria::kSubstring, "name", true, true},
                      MatchCase{"First_NAME", NamedGenCriteria::kSubstring, "name", false, false}));

class ApplyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Rule a;
    a.Fields = {Col("id"), Col("email", "varchar"), Col("phone", "varchar")};
    Rule b;
    b.Fields = {Col("code", "char"), Col("email2", "varchar")};
    doc.project().rules = {a, b};
  }
  std::vector<std::string> Named() const {
    std::vector<std::string> out;
    for (const Rule& r : doc.project().rules)
      for (const ColumnRule& c : r.Fields) out.push_back(c.NamedGen);
    return out;
  }
  ProjectDocument doc;
  RecordingPrompt prompt;
};

TEST_F(ApplyTest, PositionChangesThatColumnOfEveryRule) {
  NamedGenCriteria c;
  c.byPosition = true;
  c.position = "2";
  EXPECT_EQ(ApplyNamedGenerator(doc, "Mails", c, &prompt), 2);
  EXPECT_EQ(Named(), (std::vector<std::string>{"", "Mails", "", "", "Mails"}));
  EXPECT_EQ(prompt.messages.back(), "Apply Named Generator|2 changes made.");
  EXPECT_TRUE(doc.modified());
}

TEST_F(ApplyTest, NameDecidesWhenTypeIsAlsoChecked) {
  NamedGenCriteria c;
  c.byName = true;
  c.name = "email";
  c.match = NamedGenCriteria::kStartWith;
  c.byType = true;
  c.typeName = "char";
  EXPECT_EQ(ApplyNamedGenerator(doc, "G", c, &prompt), 2);
  EXPECT_EQ(Named(), (std::vector<std::string>{"", "G", "", "", "G"}));
  // Applying again changes nothing.
  EXPECT_EQ(ApplyNamedGenerator(doc, "G", c, &prompt), 0);
  EXPECT_EQ(prompt.messages.back(), "Apply Named Generator|No fields found to change.");
}

TEST_F(ApplyTest, TypeAloneMatchesWithCase) {
  NamedGenCriteria c;
  c.byType = true;
  c.typeName = "varchar";
  EXPECT_EQ(ApplyNamedGenerator(doc, "G", c, &prompt), 3);
  c.typeName = "CHAR";
  EXPECT_EQ(ApplyNamedGenerator(doc, "H", c, &prompt), 0);
  EXPECT_FALSE(ApplyNamedGenerator(doc, "H", NamedGenCriteria{}, &prompt) > 0);
}

struct InvalidCase {
  NamedGenCriteria criteria;
  const char* message;
};

class InvalidCriteriaTest : public ::testing::TestWithParam<InvalidCase> {};

TEST_P(InvalidCriteriaTest, WarnsAndChangesNothing) {
  ProjectDocument doc;
  Rule r;
  r.Fields = {Col("a")};
  doc.project().rules = {r};
  RecordingPrompt prompt;
  EXPECT_EQ(ApplyNamedGenerator(doc, "G", GetParam().criteria, &prompt), -1);
  ASSERT_EQ(prompt.messages.size(), 1u);
  EXPECT_EQ(prompt.messages[0], std::string("Warning!|") + GetParam().message);
  EXPECT_EQ(doc.project().rules[0].Fields[0].NamedGen, "");
  EXPECT_FALSE(doc.modified());
}

NamedGenCriteria Criteria(bool byName, const char* name, bool byPosition, const char* position, bool byType,
                          const char* type) {
  NamedGenCriteria c;
  c.byName = byName;
  c.name = name;
  c.byPosition = byPosition;
  c.position = position;
  c.byType = byType;
  c.typeName = type;
  return c;
}

INSTANTIATE_TEST_SUITE_P(
    Checks, InvalidCriteriaTest,
    ::testing::Values(InvalidCase{Criteria(true, "", false, "", false, ""), "You must specify column name or it's pert."},
                      InvalidCase{Criteria(false, "", true, "", false, ""), "You must specify position as positive integer."},
                      InvalidCase{Criteria(false, "", true, "-2", false, ""), "You must specify position as positive integer."},
                      InvalidCase{Criteria(false, "", false, "", true, ""), "You must specify data type."}));

}  // namespace
