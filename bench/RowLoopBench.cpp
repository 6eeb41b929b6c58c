// Rows per second of the row loop: the demo project's largest table
// (order_lines) appended into SQLite and, when a connection string is given,
// into PostgreSQL, in transactions of 500 rows.
//
//   rowloop_bench [--rows N] [--pg "DRIVER={PostgreSQL Unicode};Server=...;"]
//
// The parent tables are filled first by the demo's own rules; only the
// order_lines rule is timed. Its key (order_id, line_no) is left out of the
// schema here, so that any number of rows can go in and the time is the row
// loop's, not that of rows the key would reject.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/Generator.h"
#include "project/ProjectFile.h"
#include "support/Database.h"
#include "support/ScriptParser.h"
#include "support/SysReg.h"
#include "support/TimeCounter.h"

namespace fs = std::filesystem;

namespace {

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (size_t pos = text.find(from); pos != std::string::npos; pos = text.find(from, pos + to.size())) {
    text.replace(pos, from.size(), to);
  }
  return text;
}

int Script(CDB& db, const std::string& script) {
  CParse parse;
  parse.Parse(script);
  for (const std::string& statement : parse.Statements()) {
    if (!CDB::isOK(db.Exec(statement))) {
      std::fprintf(stderr, "%s\n%s\n", db.ErrorText().c_str(), statement.c_str());
      return 1;
    }
    db.FreeStmt();
  }
  return 0;
}

// Runs the demo into `connStr` and prints the rate of the order_lines rule.
int Bench(const char* name, const std::string& connStr, bool postgres, int rows) {
  const fs::path examples = fs::path(QUARNEL_SOURCE_DIR) / "examples";
  std::unique_ptr<CDB> db = CDB::newDB();
  CONN_INFO info;
  info.ConType = CONN_INFO::kOdbc;
  info.conStr = connStr;
  if (!CDB::isOK(db->Connect(info))) {
    std::fprintf(stderr, "%s: %s\n", name, db->ErrorText().c_str());
    return 1;
  }
  for (const char* table : {"payments", "order_lines", "orders", "products", "customers", "categories"}) {
    db->Exec(std::string("drop table if exists ") + table);
    db->FreeStmt();
  }
  std::string schema = ReadText(examples / "demo-schema.sql");
  schema = ReplaceAll(schema, ",\n  PRIMARY KEY (order_id, line_no)\n", "\n");
  if (postgres) {
    schema = ReplaceAll(schema, "PRAGMA foreign_keys = ON;", "");
    schema = ReplaceAll(schema, "INTEGER PRIMARY KEY AUTOINCREMENT", "SERIAL PRIMARY KEY");
    schema = ReplaceAll(schema, "BLOB", "BYTEA");
  }
  if (Script(*db, schema) != 0) return 1;

  Project project;
  CSysReg store((examples / "demo.qrp").string(), CSysReg::kDiskFile);
  std::string message;
  if (ReadProject(store, project, &message) != 0) {
    std::fprintf(stderr, "demo.qrp: %s\n", message.c_str());
    return 1;
  }
  project.ToFile = 0;
  int timed = -1;
  for (size_t i = 0; i < project.rules.size(); ++i) {
    Rule& rule = project.rules[i];
    if (rule.Mode == kRuleData && rule.TabName == "order_lines" && rule.Enabled) {
      timed = static_cast<int>(i);
      rule.RcMode = kRcConstant;
      rule.Records = rows;
      rule.PerTrans = 500;
      rule.InsMode = kInsAppend;
    }
  }
  if (timed < 0) {
    std::fprintf(stderr, "demo.qrp has no order_lines rule\n");
    return 1;
  }
  RunOptions options;
  options.connection = db.get();
  options.project = &project;
  options.VerifySchema = 0;
  options.consoleMode = 1;
  options.performanceMode = 1;
  std::atomic<int> cancel{0};
  options.cancel = &cancel;
  // The parents first, untimed.
  for (int i = 1; i < timed; ++i) options.ruleSelection.push_back(static_cast<int16_t>(i));
  {
    QuarnelGenerator parents;
    parents.Run(options);
  }
  options.ruleSelection = {static_cast<int16_t>(timed)};
  QuarnelGenerator generator;
  _TimeCounter watch;
  watch.Start();
  generator.Run(options);
  watch.Stop();
  std::string rate;
  const RunSummary& summary = generator.Summary();
  std::printf("%-10s order_lines: %llu rows inserted, %llu rejected, %.2f s, %s rows/s\n", name,
              static_cast<unsigned long long>(summary.inserted), static_cast<unsigned long long>(summary.rejected),
              watch.Elapsed(), watch.PerSecond(summary.inserted, rate));
  return summary.rejected == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  int rows = 100000;
  std::string pg;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--rows") == 0) rows = std::max(1, std::atoi(argv[i + 1]));
    if (std::strcmp(argv[i], "--pg") == 0) pg = argv[i + 1];
  }
  std::error_code ec;
  // The demo's disk-file columns name their files relative to examples/.
  fs::current_path(fs::path(QUARNEL_SOURCE_DIR) / "examples", ec);
  const fs::path file = fs::temp_directory_path(ec) / "quarnel-bench.db";
  fs::remove(file, ec);
  int status = Bench("SQLite", "DRIVER=SQLite3;Database=" + file.string(), false, rows);
  fs::remove(file, ec);
  if (!pg.empty()) status |= Bench("PostgreSQL", pg, true, rows);
  return status;
}
