#include "quarnel/HeadlessCommands.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <sstream>

#include "GenTmpl/PatternRunner.h"
#include "project/ProjectDocument.h"
#include "quarnel/AutoRules.h"
#include "quarnel/ConnectionControl.h"
#include "quarnel/ProgramSettings.h"
#include "quarnel/QuarnelApp.h"
#include "quarnel/Reports.h"
#include "quarnel/Version.h"
#include "support/TextUtil.h"

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 2;

// "a, b,c" -> {"a", "b", "c"}; "*" -> every table of the connected database.
std::vector<std::string> ListedTables(const std::string& text, CDB& db) {
  std::vector<std::string> tables;
  if (TrimText(text) == "*") {
    std::vector<TABLE_DESC> found;
    if (CDB::isOK(db.TablesList(&found, "", kTables, 0)))
      for (const TABLE_DESC& t : found) tables.push_back(t.Name);
    return tables;
  }
  std::istringstream in(text);
  for (std::string name; std::getline(in, name, ',');) {
    name = TrimText(name);
    if (!name.empty()) tables.push_back(name);
  }
  return tables;
}

}  // namespace

int RunAutoCommand(CQuarnelApp& app) {
  const AppState& state = app.state();
  if (state.saveFile.empty()) {
    std::fprintf(stderr, "quarnel: --auto needs --save FILE\n");
    return kFailed;
  }
  if (app.connection().DoConnect(0) != 1) return kFailed;
  CDB& db = *app.connection().connection();
  std::vector<std::string> tables = ListedTables(state.autoTables, db);
  if (tables.empty()) {
    std::fprintf(stderr, "quarnel: no tables to build rules for\n");
    return kFailed;
  }
  for (const std::string& table : tables) {
    std::string owner, name;
    db.PrepareOwner(&owner, &name, "", table, 0);
    FieldList fields;
    const int found = db.FieldsList(&fields, name, owner, 0);
    db.FreeStmt();
    if (!CDB::isOK(found)) {
      std::fprintf(stderr, "quarnel: table '%s' was not found: %s\n", table.c_str(), db.ErrorText().c_str());
      return kFailed;
    }
  }
  AutoRules builder(db, AutoRuleSettingsFrom(app.settings()), &app.log());
  ProjectDocument& document = app.document();
  if (builder.AddListAuto(document, tables, true, state.clearRule) != 0) return kFailed;
  document.project().Connection = db.Info();
  if (document.DoSave(state.saveFile, false) != 0) return kFailed;
  std::printf("Project %s written: %zu rule(s) for %zu table(s)\n", state.saveFile.c_str(),
              document.project().rules.size(), tables.size());
  return kDone;
}

int RunReportCommand(CQuarnelApp& app) {
  const AppState& state = app.state();
  ProjectDocument& document = app.document();
  if (document.DoLoad(state.projectFile, true) != 0) return kFailed;
  ReportInfo info;
  info.title = CQuarnelApp::kTitle;
  info.version = kQuarnelVersion;
  if (WriteProjectReport(state.reportFile, document.project(), info) != 0) return kFailed;
  std::printf("Project report written to %s\n", state.reportFile.c_str());
  return kDone;
}

int RunPatternCommand(CQuarnelApp& app) {
  const AppState& state = app.state();
  PatternRunOptions options;
  options.patterns = state.patterns;
  for (size_t i = 0; i < state.patterns.size(); ++i) options.names.push_back("col" + std::to_string(i + 1));
  const std::optional<int64_t> rows = state.rows.empty() ? 1 : WholeNumber(state.rows, 0, INT64_MAX);
  if (!rows) {
    std::fprintf(stderr, "quarnel: --rows needs a whole number of 0 or more\n");
    return kFailed;
  }
  options.rows = *rows;
  if (!state.seed.empty()) {
    const std::optional<int64_t> seed = WholeNumber(state.seed, 1, UINT32_MAX);
    if (!seed) {
      std::fprintf(stderr, "quarnel: --seed needs a whole number from 1 to %u\n", UINT32_MAX);
      return kFailed;
    }
    options.seed = static_cast<uint32_t>(*seed);
  }
  options.libraryPath = state.library.empty() ? app.libraryPath() : state.library;
  if (!state.profile.empty()) {
    if (app.connection().DoConnect(0) != 1) return kFailed;
    options.connection = app.connection().connection();
  }
  std::vector<ProjectVariable> globals;
  for (const GlobalVariable& g : app.settings().GlobalVars()) globals.push_back({g.Name, g.Type, g.Def, g.Value});
  const std::vector<ProjectVariable> none;
  options.variables = [&globals, &none](std::string_view name) { return VariableValue(name, none, globals); };
  return RunPatterns(options, stdout, stderr);
}
