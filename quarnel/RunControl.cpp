#include "quarnel/RunControl.h"

#include <signal.h>

#include <algorithm>
#include <cstdint>
#include <thread>

#include "engine/PartsRun.h"
#include "project/Project.h"
#include "quarnel/ConnectionControl.h"
#include "quarnel/ProgramSettings.h"
#include "support/Log.h"
#include "support/Prompt.h"

namespace {

std::atomic<int>* g_breakFlag = nullptr;
struct sigaction g_oldInt;
struct sigaction g_oldTerm;

extern "C" void OnBreakSignal(int) {
  if (std::atomic<int>* flag = g_breakFlag) flag->store(1, std::memory_order_relaxed);
}

}  // namespace

BreakSignalGuard::BreakSignalGuard(std::atomic<int>& cancel) {
  static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs a lock-free flag");
  g_breakFlag = &cancel;
  struct sigaction action {};
  action.sa_handler = OnBreakSignal;
  sigemptyset(&action.sa_mask);
  // The first signal asks the run to stop; a second one ends the process.
  action.sa_flags = SA_RESETHAND | SA_RESTART;
  sigaction(SIGINT, &action, &g_oldInt);
  sigaction(SIGTERM, &action, &g_oldTerm);
}

BreakSignalGuard::~BreakSignalGuard() {
  sigaction(SIGINT, &g_oldInt, nullptr);
  sigaction(SIGTERM, &g_oldTerm, nullptr);
  g_breakFlag = nullptr;
}

RunControl::RunControl(ProgramSettings& settings, CLog& log, ConnectionControl& connection, VLibrary* library,
                       std::string libraryPath)
    : settings_(settings), log_(log), connection_(connection), library_(library), libraryPath_(std::move(libraryPath)) {}

void RunControl::PrepareGenerator(RunOptions& options, Project& project) {
  log_.State("CQuarnelDlg::PrepareGenerator()");
  const ProgramSettings& s = settings_;
  options.connection = connection_.connection();
  options.project = &project;
  options.DateFormat = s.GetSettingStr(4, "DateFormat");
  options.TimeFormat = s.GetSettingStr(4, "TimeFormat");
  options.DateConversion = s.GetSettingStr(4, "DateConversion");
  const std::string& separator = s.GetSettingStr(4, "DateTimeSep");
  options.DateTimeSep = separator == "Space" || separator == " " ? " " : "";
  options.YearFrom = s.GetSettingInt(4, "YearFrom");
  options.YearTo = s.GetSettingInt(4, "YearTo");
  options.LogLevel = s.GetSettingInt(0, "LogLevel");
  options.ConsoleShowsRest = s.GetSettingInt(1, "ConsoleShowsRest");
  options.ConsoleShowsDisabled = s.GetSettingInt(1, "ConsoleShowsDisabled");
  options.ConsoleShowsPending = s.GetSettingInt(1, "ConsoleShowsPending");
  options.CharSet = s.GetSettingStr(2, "CharSet");
  options.Rows = static_cast<int>(std::clamp<int64_t>(LeadingInteger(s.GetSettingStr(2, "Rows")), 0, INT32_MAX));
  options.RemoveComma = s.GetSettingInt(3, "RemoveComma");
  options.RecreateScrambleTab = s.GetSettingInt(3, "RecreateScrambleTab");
  options.Repeatable = s.GetSettingInt(3, "Repeatable");
  options.InitRepeat = s.GetSettingInt(3, "InitRepeat");
  options.FromLinked = s.GetSettingInt(3, "FromLinked");
  options.QCharData = s.GetSettingStr(3, "QCharData");
  options.VerifySchema = s.GetSettingInt(3, "VerifySchema");
  options.ReportInterval = s.GetSettingInt(3, "ReportInterval");
  options.UniqueTryCounter = s.GetSettingInt(3, "UniqueTryCounter");
  options.UseBULK = s.GetSettingInt(3, "UseBULK");
  options.RowsPerStatement = s.GetSettingInt(3, "RowsPerStatement");
  options.UnicodePrefix = s.GetSettingInt(3, "UnicodePrefix");
  options.SingleTransaction = s.GetSettingInt(3, "SingleTransaction");
  options.MaxBlobSize = s.GetSettingInt(3, "MaxBlobSize");
  options.log = &log_;
  options.library = library_;
  options.LibraryLocation = libraryPath_;
  globals_.clear();
  for (const GlobalVariable& variable : s.GlobalVars()) {
    globals_.push_back({variable.Name, variable.Type, variable.Def, {}});
  }
  options.globalVars = &globals_;
  options.cancel = &cancel_;
  options.consoleMode = consoleMode;
  options.performanceMode = performanceMode;
  options.ruleSelection = ruleSelection;
  options.sharded = sharded;
  options.shard = shard;
  if (seed != 0) {
    options.Repeatable = 1;
    options.InitRepeat = static_cast<int>(seed);
  }
}

RunSummary RunControl::Run(Project& project, ConsoleCallback console) {
  if (!Begin(project)) {
    RunSummary refused;
    refused.stopped = true;
    return refused;
  }
  if (AsksToConnect()) connection_.DoConnect(1);
  RunOptions options;
  Prepare(project, options, std::move(console));
  // The engine runs on a thread of its own, as under the window; the caller
  // only waits, so nothing it owns is touched by two threads at once.
  RunSummary summary;
  std::thread worker([&] { summary = jobs > 1 ? RunPartsSideBySide(options, jobs) : Execute(options); });
  worker.join();
  End();
  return summary;
}

bool RunControl::Begin(const Project& project) {
  if (running_.exchange(true)) return false;
  if (project.rules.empty()) {
    CurrentPrompt().Message("Warning!", "Your generation project is empty.\nPlease add at least one rule before execution.",
                            PromptIcon::kError);
    running_ = false;
    return false;
  }
  if (settings_.GetSettingInt(0, "TruncateLog")) log_.TruncateLog(1, 0);
  return true;
}

bool RunControl::AsksToConnect() const {
  return !consoleMode && !connection_.connected() && settings_.GetSettingInt(1, "AskConnect");
}

void RunControl::Prepare(Project& project, RunOptions& options, ConsoleCallback console) {
  log_.State("CQuarnelDlg::Run - begin thread");
  cancel_.store(0, std::memory_order_relaxed);
  settings_.SaveSettings(!consoleMode);
  // The settings are copied here, before the worker starts, so that changing
  // them during the run does not reach it.
  connection_.DateConversionCheck();
  PrepareGenerator(options, project);
  options.console = std::move(console);
}

RunSummary RunControl::Execute(const RunOptions& options) {
  QuarnelGenerator generator;
  generator.Run(options);
  return generator.Summary();
}

std::vector<SchemaDifference> RunControl::VerifySchema(const RunOptions& options) {
  QuarnelGenerator generator;
  generator.VerifyProjectSchema(options);
  return generator.Differences();
}

void RunControl::End() {
  cancel_.store(0, std::memory_order_relaxed);
  ruleSelection.clear();
  running_ = false;
  log_.ClearState();
}

int ExitStatusOf(const RunSummary& summary, bool connected) {
  if (summary.stopped && summary.rulesExecuted == 0) return kExitNotRun;
  if (!connected || summary.stopped || summary.cancelled || summary.rulesFailed > 0 || summary.rejected > 0 ||
      summary.scriptStatementsFailed > 0 || summary.outputFailures > 0) {
    return kExitProblems;
  }
  return kExitDone;
}
