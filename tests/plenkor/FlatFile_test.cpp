#include "plenkor/FlatFile.h"

#include <gtest/gtest.h>

#include "GenTmpl/PatternEngine.h"
#include "plenkor/FlatFileRun.h"
#include "tests/common/TestEnv.h"
#include "project/ProjectFile.h"
#include "support/SysReg.h"

namespace {

struct TypeCase {
  std::string text;
  int code;
  int size;
};

class TypeCodeTest : public ::testing::TestWithParam<TypeCase> {};

TEST_P(TypeCodeTest, MapsTypeTextToCodeAndSize) {
  int size = -1;
  EXPECT_EQ(TypeCode(GetParam().text, &size), GetParam().code);
  EXPECT_EQ(size, GetParam().size);
}

INSTANTIATE_TEST_SUITE_P(Types, TypeCodeTest,
                         ::testing::Values(TypeCase{"Integer", 4, 0}, TypeCase{"Time", 10, 0}, TypeCase{"Date", 9, 0},
                                           TypeCase{"Date/Time", 9, 0}, TypeCase{"String", 12, 0},
                                           TypeCase{"String(10)", 12, 10}, TypeCase{"string(25)", 12, 25},
                                           TypeCase{"Money", 12, 0}, TypeCase{"String(", 12, 0},
                                           TypeCase{"String(99999999999)", 12, 1 << 20}));

TEST(FlatFileTest, StringWithSizeShowsAndExportsAsVarchar) {
  const ColumnRule field = MakeField("Code", "String", 10, "Random String", "A", 1);
  EXPECT_EQ(field.TypeName, "String(10)");
  EXPECT_EQ(field.iType, 12);
  EXPECT_EQ(field.iSize, 10);
  EXPECT_EQ(field.Method, kMethodPattern);
  EXPECT_EQ(StructureText({field}, true, "people"), "CREATE TABLE people (\r\n\tCode varchar(10)\r\n)\r\n");
  EXPECT_EQ(StructureText({field}, false, ""), "Code,String,10\r\n");
}

TEST(FlatFileTest, CreateTableListsEveryTypeWithCommasBetween) {
  const std::vector<ColumnRule> fields = {MakeField("Id", "Integer", 0, "Random Number", "$RInt()", 1),
                                          MakeField("Born", "Date/Time", 0, "Random Date", "$RDate()", 2),
                                          MakeField("At", "Time", 0, "Random Time", "$RTime()", 3)};
  EXPECT_EQ(StructureText(fields, true, ""),
            "CREATE TABLE tab (\r\n\tId Integer,\r\n\tBorn varchar,\r\n\tAt Time\r\n)\r\n");
}

TEST(FlatFileTest, UnnamedFieldGetsItsPositionAndNoGeneratorIsRefused) {
  Project definition = NewDefinition();
  std::string message;
  EXPECT_EQ(AddField(definition, MakeField("", "String", 0, "", "A", 1), &message), 1);
  EXPECT_EQ(message, "The generator not specified yet.\n\nPlease select it from drop down menu.");
  EXPECT_TRUE(Fields(definition).empty());
  ASSERT_EQ(AddField(definition, MakeField("", "String", 0, "Random String", "A", 1), &message), 0);
  ASSERT_EQ(AddField(definition, MakeField("", "String", 0, "Random String", "A", 2), &message), 0);
  EXPECT_EQ(Fields(definition)[1].Name, "Field2");
}

TEST(FlatFileTest, FormatsMapToDelimitersAndBack) {
  EXPECT_EQ(DelimiterOf(FileFormat::kTab, ";"), "<tab>");
  EXPECT_EQ(DelimiterOf(FileFormat::kCsv, ";"), ",");
  EXPECT_EQ(DelimiterOf(FileFormat::kFixed, ";"), "<fixed length>");
  EXPECT_EQ(DelimiterOf(FileFormat::kCustom, ";"), ";");
  EXPECT_EQ(FormatOf("<tab>"), FileFormat::kTab);
  EXPECT_EQ(FormatOf(","), FileFormat::kCsv);
  EXPECT_EQ(FormatOf("<fixed length>"), FileFormat::kFixed);
  EXPECT_EQ(FormatOf(";"), FileFormat::kCustom);
}

TEST(FlatFileTest, DefinitionFileRoundTripsAndSemicolonSelectsCustom) {
  testenv::TempDir dir;
  Project definition = NewDefinition();
  definition.TXTFile = "out_$DATE$.txt";
  definition.TxtDelimiter = DelimiterOf(FileFormat::kCustom, ";");
  definition.TxtOutColumnNames = 1;
  definition.TruncateTXT = 0;
  FileRule(definition).Records = 250;
  std::string message;
  ASSERT_EQ(AddField(definition, MakeField("Name", "String", 30, "Full Name", "$Lib(FullNames)", 1), &message), 0);
  ASSERT_EQ(SaveDefinition(dir.file("d.qrp"), definition, &message), 0) << message;

  Project loaded;
  int warnings = -1;
  ASSERT_EQ(LoadDefinition(dir.file("d.qrp"), loaded, &warnings, &message), 0) << message;
  EXPECT_EQ(warnings, 0);
  EXPECT_EQ(FormatOf(loaded.TxtDelimiter), FileFormat::kCustom);
  EXPECT_EQ(loaded.TxtDelimiter, ";");
  EXPECT_EQ(loaded.TXTFile, "out_$DATE$.txt");
  EXPECT_EQ(loaded.TxtOutColumnNames, 1);
  EXPECT_EQ(loaded.TruncateTXT, 0);
  ASSERT_EQ(loaded.rules.size(), 1u);
  EXPECT_EQ(loaded.rules[0].Records, 250);
  ASSERT_EQ(Fields(loaded).size(), 1u);
  EXPECT_EQ(Fields(loaded)[0].LibName, "Full Name");
  EXPECT_EQ(Fields(loaded)[0].Mask, "$Lib(FullNames)");
  EXPECT_EQ(Fields(loaded)[0].TypeName, "String(30)");
}

TEST(FlatFileTest, ColumnsOfOtherMethodsAreConvertedAndCounted) {
  testenv::TempDir dir;
  Project project;
  Rule rule;
  rule.TabName = "t";
  ColumnRule list;
  list.Name = "Color";
  list.Method = kMethodValueList;
  list.Values = {"red", "green"};
  ColumnRule pattern;
  pattern.Name = "Code";
  pattern.Method = kMethodPattern;
  pattern.Mask = "NNN";
  rule.Fields = {list, pattern};
  project.rules = {rule, rule};
  {
    CSysReg store(dir.file("q.qrp"), CSysReg::kDiskFile, 1);
    WriteSettingsSection(store, SavedSettings{});
    WriteProject(store, project, false, {}, nullptr);
    ASSERT_NE(store.SaveSection(), 0);
  }
  Project loaded;
  int warnings = 0;
  std::string message;
  ASSERT_EQ(LoadDefinition(dir.file("q.qrp"), loaded, &warnings, &message), 0) << message;
  EXPECT_EQ(warnings, 1);
  ASSERT_EQ(loaded.rules.size(), 1u);
  EXPECT_EQ(loaded.rules[0].Mode, kRuleFile);
  EXPECT_EQ(Fields(loaded)[0].Method, kMethodPattern);
  EXPECT_FALSE(Fields(loaded)[0].Mask.empty());
  EXPECT_EQ(Fields(loaded)[0].LibName, "Custom Generator");
  EXPECT_EQ(CompatibilityWarning(1),
            "The project has been loaded with 1 compatibility warnings.\r\nMost possible it was created by another "
            "generator edition.");
}

class AnsweringPrompt final : public Prompt {
 public:
  explicit AnsweringPrompt(PromptAnswer answer) : answer_(answer) {}
  void Message(std::string_view, std::string_view, PromptIcon) override {}
  PromptAnswer Ask(std::string_view, std::string_view text, PromptIcon, PromptButtons, PromptAnswer) override {
    questions.emplace_back(text);
    return answer_;
  }
  std::vector<std::string> questions;

 private:
  PromptAnswer answer_;
};

TEST(FlatFileTest, SavingEmptyOrIncompleteDefinitionsAsksFirst) {
  AnsweringPrompt no(PromptAnswer::kNo);
  AnsweringPrompt yes(PromptAnswer::kYes);
  Project definition = NewDefinition();
  EXPECT_FALSE(ConfirmSave(definition, no));
  EXPECT_TRUE(ConfirmSave(definition, yes));
  FileRule(definition).Fields.push_back(MakeField("A", "String", 0, "", "", 1));
  EXPECT_FALSE(ConfirmSave(definition, no));
  ASSERT_EQ(no.questions.size(), 2u);
  EXPECT_EQ(no.questions[0], "No column was defined.\nDo you wish to save empty file?");
  EXPECT_EQ(no.questions[1], "One or more columns have no generator specified.\nDo you really wish to save incomplete file?");
  FileRule(definition).Fields[0].LibName = "Random String";
  EXPECT_TRUE(ConfirmSave(definition, no));
  EXPECT_EQ(no.questions.size(), 2u);
}

TEST(FlatFileTest, MissingDefinitionFileIsAnError) {
  testenv::TempDir dir;
  Project loaded;
  std::string message;
  EXPECT_NE(LoadDefinition(dir.file("none.qrp"), loaded, nullptr, &message), 0);
  EXPECT_FALSE(message.empty());
}

TEST(FlatFileTest, ImportReadsRowsPerFieldWithTabOrComma) {
  const std::vector<ColumnRule> fields = ParseStructure("Email,String,40\r\nAge\tInteger\r\n\r\nnote,String(12)\n", false);
  ASSERT_EQ(fields.size(), 3u);
  EXPECT_EQ(fields[0].Name, "Email");
  EXPECT_EQ(fields[0].TypeName, "String(40)");
  EXPECT_EQ(fields[0].LibName, "e-mail");
  EXPECT_EQ(fields[1].Name, "Age");
  EXPECT_EQ(fields[1].iType, 4);
  EXPECT_TRUE(fields[1].LibName.empty());
  EXPECT_EQ(fields[2].iSize, 12);
}

TEST(FlatFileTest, ImportTakesFieldNamesFromTheFirstLineOfAnExample) {
  std::vector<ColumnRule> fields = ParseStructure("city  zip   city\nParis 75001 x\n", true);
  ASSERT_EQ(fields.size(), 3u);
  EXPECT_EQ(fields[0].Name, "city");
  EXPECT_EQ(fields[0].LibName, "City");
  EXPECT_EQ(fields[1].LibName, "ZIP Code");
  EXPECT_EQ(fields[2].Name, "Field3");  // a repeated name
  fields = ParseStructure("a,b\tc\n", true);
  ASSERT_EQ(fields.size(), 2u);
  EXPECT_EQ(fields[0].Name, "a,b");
}

TEST(FlatFileTest, ExportAndImportThroughFiles) {
  testenv::TempDir dir;
  Project definition = NewDefinition();
  std::string message;
  ASSERT_EQ(AddField(definition, MakeField("Phone", "String", 15, "Phone", "NNN", 1), &message), 0);
  ASSERT_EQ(ExportStructure(dir.file("s.txt"), Fields(definition), false, "", &message), 0);
  Project imported = NewDefinition();
  ASSERT_EQ(ImportStructure(dir.file("s.txt"), false, imported, &message), 0);
  ASSERT_EQ(Fields(imported).size(), 1u);
  EXPECT_EQ(Fields(imported)[0].TypeName, "String(15)");
  EXPECT_EQ(Fields(imported)[0].LibName, "Phone");
  EXPECT_NE(ExportStructure(dir.file("no/such/dir/s.txt"), Fields(definition), true, "", &message), 0);
  EXPECT_EQ(message, dir.file("no/such/dir/s.txt"));
  EXPECT_NE(ImportStructure(dir.file("missing.txt"), false, imported, &message), 0);
}

TEST(FlatFilePreviewTest, FiveRowsWithColumnReferences) {
  PatternEngine engine;
  engine.Init({}, 7);
  const std::vector<ColumnRule> fields = {MakeField("A", "String", 0, "Custom Generator", "$Inc()", 1),
                                          MakeField("B", "String", 0, "Custom Generator", "x@'A'", 2)};
  const PreviewResult preview = RunPreview(engine, fields, 1, "y@'A'");
  EXPECT_EQ(preview.errorCode, 0) << preview.errorMessage;
  ASSERT_EQ(preview.rows.size(), 5u);
  EXPECT_EQ(preview.rows[0][0], "1");
  EXPECT_EQ(preview.rows[4][1], "x5");
  EXPECT_EQ(preview.SampleText(), "y1\r\ny2\r\ny3\r\ny4\r\ny5");
}

TEST(FlatFilePreviewTest, SeesTheNamedGeneratorsAndConstantsOfARun) {
  Project definition;
  ColumnRule greeting;
  greeting.NamedGen = "greet";
  greeting.Method = kMethodPattern;
  greeting.Mask = "Hi";
  definition.namedGens = {greeting};
  definition.localVars = {{"#city", "Constant", "Oslo", ""}};
  std::vector<NamedGenerator> named;
  PatternEngine engine;
  ShareRunContext(engine, definition, {}, named);
  const std::vector<ColumnRule> fields = {MakeField("A", "String", 0, "Custom Generator", "$Call(greet)", 1),
                                          MakeField("B", "String", 0, "Custom Generator", "$Vars(#city)", 2)};
  const PreviewResult preview = RunPreview(engine, fields, -1, {});
  EXPECT_EQ(preview.errorCode, 0) << preview.errorMessage;
  ASSERT_EQ(preview.rows.size(), 5u);
  for (const std::vector<std::string>& row : preview.rows) EXPECT_EQ(row, (std::vector<std::string>{"Hi", "Oslo"}));
}

TEST(FlatFilePreviewTest, StopsAfterTheFirstRowWithAnUnknownFunction) {
  PatternEngine engine;
  engine.Init({}, 7);
  const std::vector<ColumnRule> fields = {MakeField("A", "String", 0, "Custom Generator", "NN", 1)};
  const PreviewResult preview = RunPreview(engine, fields, 0, "$NoSuchFunction()");
  EXPECT_EQ(preview.errorCode, PatternEngine::kErrUnknownFunction);
  EXPECT_EQ(preview.rows.size(), 1u);
  EXPECT_EQ(preview.samples.size(), 1u);
  // The engine stays usable for the next preview.
  EXPECT_EQ(RunPreview(engine, fields, 0, "N").samples.size(), 5u);
}

}  // namespace
