#include "plenkor/FlatFileRun.h"

#include <cstdio>
#include <filesystem>
#include <thread>

#include "engine/Generator.h"
#include "engine/SmFile.h"
#include "plenkor/FlatFile.h"
#include "support/DateTimeScan.h"
#include "support/Log.h"
#include "support/Settings.h"
#include "support/TimeCounter.h"

namespace {

constexpr const char* kWarning = "Warning";

Prompt& PromptOf(const FlatRunEnvironment& environment) {
  return environment.prompt ? *environment.prompt : CurrentPrompt();
}

// The overwrite rule; true to go on.
bool MayOverwrite(const std::string& file, const FlatRunEnvironment& environment) {
  _Settings* settings = environment.settings;
  if (settings && settings->getInt("PkAskOverwrite") == 0) return true;
  const OverwriteChoice choice = environment.askOverwrite ? environment.askOverwrite(file) : OverwriteChoice{};
  if (choice.remember && settings) {
    settings->setInt("PkAskOverwrite", choice.overwrite ? 0 : 1);
    settings->SaveData();
  }
  return choice.overwrite;
}

// Passes the engine's messages on and remembers whether any reported an
// error (a wrong pattern, a value that could not be made): such a run wrote
// its rows but not as the definition says, which the caller must learn.
class ErrorCountingPrompt final : public Prompt {
 public:
  explicit ErrorCountingPrompt(Prompt& inner) : inner_(inner) {}
  void Message(std::string_view caption, std::string_view text, PromptIcon icon) override {
    if (icon == PromptIcon::kError) errors_.fetch_add(1, std::memory_order_relaxed);
    inner_.Message(caption, text, icon);
  }
  PromptAnswer Ask(std::string_view caption, std::string_view text, PromptIcon icon, PromptButtons buttons,
                   PromptAnswer preselected) override {
    return inner_.Ask(caption, text, icon, buttons, preselected);
  }
  PromptAnswer ErrorDialog(std::string_view errorText, std::string_view statement, bool& dontShowAgain) override {
    errors_.fetch_add(1, std::memory_order_relaxed);
    return inner_.ErrorDialog(errorText, statement, dontShowAgain);
  }
  int errors() const { return errors_.load(std::memory_order_relaxed); }

 private:
  Prompt& inner_;
  std::atomic<int> errors_{0};
};

// The first field pattern that makes no value, told as the row loop tells it;
// empty when each makes one. A fresh engine with the run's context makes one
// row, so a pattern that cannot be read stops the run before the file is
// touched.
std::string PatternError(const Project& definition, const FlatRunEnvironment& environment) {
  PatternEngine engine;
  engine.SetLog(environment.log);
  std::vector<NamedGenerator> named;
  ShareRunContext(engine, definition, environment.libraryPath, named);
  const std::vector<ColumnRule>& fields = Fields(definition);
  for (const ColumnRule& field : fields) engine.AddColumn(field.Name);
  std::string value;
  for (size_t c = 0; c < fields.size(); ++c) {
    if (fields[c].Method != kMethodPattern) continue;
    if (engine.Generate(value, static_cast<int>(c), fields[c].Mask) != 0) {
      return "Error: '" + engine.ErrorMessage() + "'\r\nPattern '" + fields[c].Mask + "'";
    }
  }
  return {};
}

}  // namespace

std::string ExpandOutputName(const std::string& name) { return DateAndTimeMacros(name, "DDMMYYYY", "HHMMSS"); }

PatternSettings FlatFilePatternSettings() {
  PatternSettings settings;
  settings.DateFormat = "DD/MM/YYYY";
  settings.TimeFormat = "HH:MM:SS";
  settings.DateTimeSep = " ";
  settings.MaxBlobSize = 0;
  return settings;
}

void ShareRunContext(PatternEngine& engine, const Project& definition, const std::string& libraryPath,
                     std::vector<NamedGenerator>& named) {
  named = NamedGeneratorPatterns(definition, FlatFilePatternSettings(), nullptr);
  engine.SetNamedGenList(&named);
  // A run gives constants their definitions; other variables need a database.
  std::vector<ProjectVariable> variables = definition.localVars;
  for (ProjectVariable& variable : variables) variable.Value = variable.Type == "Constant" ? variable.Def : "";
  engine.Init(libraryPath, 0, [variables = std::move(variables)](std::string_view text) {
    return VariableValue(text, variables, {});
  });
}

void FixedRunOptions(RunOptions& options, Project& definition, const FlatRunEnvironment& environment) {
  const PatternSettings settings = FlatFilePatternSettings();
  options.connection = nullptr;
  options.project = &definition;
  options.DateFormat = settings.DateFormat;
  options.TimeFormat = settings.TimeFormat;
  options.DateTimeSep = settings.DateTimeSep;
  options.YearFrom = 1950;
  options.YearTo = 2050;
  options.UniqueTryCounter = 100;
  options.Rows = 1000;
  options.CharSet.clear();
  options.QCharData.clear();
  options.DateConversion.clear();
  options.LogLevel = options.Repeatable = options.InitRepeat = options.ReportInterval = 0;
  options.VerifySchema = options.UseBULK = options.FromLinked = 0;
  options.RecreateScrambleTab = options.UnicodePrefix = options.SingleTransaction = 0;
  options.RemoveComma = 0;
  options.MaxBlobSize = settings.MaxBlobSize;
  options.ConsoleShowsDisabled = options.ConsoleShowsRest = options.ConsoleShowsPending = 0;
  options.consoleMode = options.performanceMode = 0;
  options.flatFile = 1;
  options.log = environment.log;
  options.library = environment.library;
  options.LibraryLocation = environment.libraryPath;
  options.cancel = environment.cancel;
  options.prompt = environment.prompt;
  if (environment.cancel) environment.cancel->store(0);
  const RunProgress progress = environment.progress;
  options.console = [progress](int message, int number, const std::string&) {
    if (message == kProgressRange && progress.started) progress.started(number);
    if (message == kProgressPos && progress.row) progress.row(number);
  };
}

FlatRunResult RunDefinition(const Project& source, const FlatRunEnvironment& environment) {
  FlatRunResult result;
  Prompt& prompt = PromptOf(environment);
  if (environment.log) environment.log->State("CPlenkorDlg::Execute");
  if (source.TXTFile.empty()) {
    prompt.Message(kWarning, "Please specify output file name before the project execution.", PromptIcon::kWarning);
    return result;
  }
  Project definition = source;
  definition.TXTFile = ExpandOutputName(source.TXTFile);
  // A part writes a file named after it, as the engine names it.
  const std::string output =
      environment.sharded ? ShardFileName(definition.TXTFile, environment.shard) : definition.TXTFile;
  result.outputFile = output;
  if (Fields(definition).empty()) {
    prompt.Message(kWarning, "You must specify at least one field.", PromptIcon::kWarning);
    return result;
  }
  if (const std::string error = PatternError(definition, environment); !error.empty()) {
    prompt.Message("Wrong Pattern", error, PromptIcon::kError);
    return result;
  }
  // Appending overwrites nothing, so only a truncating run asks.
  const bool append = definition.TruncateTXT == 0;
  std::error_code ec;
  if (!append && std::filesystem::exists(output, ec) && !MayOverwrite(output, environment)) {
    return result;
  }
  {
    CSmFile check;
    if (const int error = check.Open(output, 1, environment.log, append ? 1 : 0, 0); error != 0) {
      std::string reason;
      CLog::FormatLastError(reason, error);
      prompt.Message(kWarning,
                     "Could not open output file '" + output + "' for writing.\n" + reason,
                     PromptIcon::kWarning);
      return result;
    }
  }
  // The access check already emptied the file; the engine appends to it.
  definition.TruncateTXT = 0;
  definition.ToTxtFile = 1;
  definition.NoExec = 1;
  definition.ToFile = 0;
  definition.ToXMLFile = 0;
  Rule& rule = FileRule(definition);
  rule.Mode = kRuleFile;
  rule.InsMode = kInsAppend;
  rule.Enabled = 1;
  // A project made by the database generator may name per-rule files; the
  // checked file above is the only one this run writes.
  rule.OutFile.clear();
  rule.OutFileTXT.clear();
  rule.OutFileXML.clear();

  RunOptions options;
  FixedRunOptions(options, definition, environment);
  if (environment.seed != 0) {
    options.Repeatable = 1;
    options.InitRepeat = static_cast<int>(environment.seed);
  }
  options.sharded = environment.sharded;
  options.shard = environment.shard;
  ErrorCountingPrompt runPrompt(prompt);
  options.prompt = &runPrompt;
  _TimeCounter watch;
  watch.Start();
  QuarnelGenerator generator;
  std::thread worker([&] { generator.Run(options); });
  worker.join();
  watch.Stop();

  const RunSummary& summary = generator.Summary();
  result.rows = summary.inserted;
  if (result.rows > 0 && environment.log) {
    std::string rate;
    watch.PerSecond(result.rows, rate);
    char text[128];
    std::snprintf(text, sizeof text, "%llu rows, %s per second.", static_cast<unsigned long long>(result.rows),
                  rate.c_str());
    environment.log->State(text);
  }
  const bool complete = !summary.stopped && !summary.cancelled && !options.Cancelled() &&
                        summary.rulesFailed == 0 && summary.rejected == 0 && runPrompt.errors() == 0 &&
                        result.rows == summary.rowsAsked;
  result.status = complete ? kFlatRunDone : kFlatRunRowsFailed;
  result.statusText = summary.cancelled || options.Cancelled() ? "Cancelled" : complete ? "Done" : "Failed";
  return result;
}
