#include "quarnel/QuarnelApp.h"

#include <cstdio>
#include <system_error>
#include <unistd.h>

#include "GenTmpl/LibraryLocation.h"
#include "GenTmpl/VLibrary.h"
#include "project/Project.h"
#include "project/ProjectDocument.h"
#include "quarnel/ConnectionControl.h"
#include "quarnel/HeadlessCommands.h"
#include "quarnel/ProgramSettings.h"
#include "quarnel/Reports.h"
#include "quarnel/RunControl.h"
#include "quarnel/Version.h"
#include "support/Database.h"
#include "support/Log.h"

namespace fs = std::filesystem;

namespace {

fs::path ProgramPath(const char* argv0) {
  std::error_code ec;
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) return self;
  return fs::absolute(argv0 ? argv0 : "quarnel", ec);
}

}  // namespace

CQuarnelApp::CQuarnelApp() = default;
CQuarnelApp::~CQuarnelApp() = default;

void CQuarnelApp::ConsoleOutput(std::string_view text, int lineFeed) {
  if (!hasConsole_) return;
  std::fwrite(text.data(), 1, text.size(), stdout);
  if (lineFeed) std::fputc('\n', stdout);
  std::fflush(stdout);
}

int CQuarnelApp::InitInstance(int argc, const char* const* argv) {
  // Our own options need neither settings nor log.
  AppState early;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--help") early.showHelp = 1;
    if (arg == "--version") early.showVersion = 1;
  }
  if (early.showVersion) {
    std::printf("quarnel %s\n", kQuarnelVersion);
    return 0;
  }
  if (early.showHelp) {
    std::fputs(UsageText(), stdout);
    return 0;
  }

  programPath_ = ProgramPath(argc > 0 ? argv[0] : nullptr);
  log_ = std::make_unique<CLog>();
  settings_ = std::make_unique<ProgramSettings>(log_.get());
  // The log takes its folder and level from the general settings, so they are
  // read before it begins.
  int loaded = settings_->LoadSettings();
  if (int status = log_->Begin(kTitle, &settings_->Group(0), programPath_.stem().string()); status != 0) {
    std::string reason;
    CLog::FormatLastError(reason, status);
    std::fprintf(stderr, "quarnel: the log could not be opened (%s)\n", reason.c_str());
    return 1;
  }
  log_->InstallCrashHandlers();
  log_->State("CQuarnelApp::InitInstance");
  if (loaded != 0) log_->Bug("Settings could not be read completely; defaults are used", "CQuarnelApp::InitInstance");

  ParseArguments(argc, argv, state_, log_.get());
  if (!state_.unknownOption.empty() || !state_.missingValue.empty()) {
    std::fprintf(stderr, "quarnel: %s %s (see --help)\n",
                 state_.unknownOption.empty() ? "missing value of option" : "unknown option",
                 state_.unknownOption.empty() ? state_.missingValue.c_str() : state_.unknownOption.c_str());
    return 2;
  }
  if (state_.performance || settings_->GetSettingInt(3, "PerformanceDefault")) {
    state_.performance = 1;
    log_->SetPerformanceMode(true);
  }

  libraryPath_ = FindValueLibrary(settings_->GetSettingStr(0, "ValuesLibrary"));
  library_ = std::make_unique<VLibrary>();
  library_->Open(libraryPath_, *log_);  // a library that can not be opened is reported; the program goes on

  document_ = std::make_unique<ProjectDocument>(&CDB::newDB, nullptr, log_.get());
  document_->setRecentHook([this](const std::string& path) { settings_->AddRecentProject(path); });
  connection_ = std::make_unique<ConnectionControl>(*settings_, *log_, document_->connection());
  connection_->onConnected = [this](bool fromProfile) { document_->setConnectionFromProfile(fromProfile); };
  connection_->setProfile(state_.profile);

  int status = 0;
  const bool headless = !state_.autoTables.empty() || !state_.reportFile.empty() || !state_.patterns.empty();
  if (state_.console && headless) {
    // Each of these commands runs instead of the project: taking one would
    // leave the run the user asked for undone.
    std::fprintf(stderr, "quarnel: -c runs a project; --auto, --report and --pattern are separate commands. "
                         "Give them in a call of their own.\n");
    status = 2;
  } else if (!state_.console && (!state_.shard.empty() || !state_.jobs.empty())) {
    std::fprintf(stderr, "quarnel: --shard and --jobs go with -c and a project.\n");
    status = 2;
  } else if (!state_.autoTables.empty()) {
    status = RunAutoCommand(*this);
  } else if (!state_.reportFile.empty()) {
    status = RunReportCommand(*this);
  } else if (!state_.patterns.empty()) {
    status = RunPatternCommand(*this);
  } else if (!state_.console) {
    if (showWindow) {
      log_->ClearState();
      status = showWindow(*this);
    } else {
      std::fprintf(stderr,
                   "quarnel: this build has no window; use console mode (-c) to run a project.\n"
                   "Try 'quarnel --help'.\n");
      status = 2;
    }
  } else {
    status = RunConsole();
  }

  connection_.reset();
  document_.reset();
  library_.reset();
  log_->State("Term App");
  settings_.reset();
  log_->RemoveCrashHandlers();
  log_->ClearState();
  return status;
}

int CQuarnelApp::RunConsole() {
  std::string error;
  RunParts parts;
  if (!ReadPartOptions(state_, parts, error)) {
    std::fprintf(stderr, "quarnel: %s\n", error.c_str());
    return kExitNotRun;
  }
  hasConsole_ = true;
  ConsoleOutput(std::string(kTitle) + " " + kQuarnelVersion + " - test data generator", 1);
  ConsoleOutput("Running from the command line (console mode)...", 1);
  ConsoleOutput("", 1);

  log_->ClearState();
  if (connection_->DoConnect(0) == 1) {
    CDB* db = connection_->connection();
    ConsoleOutput("Connected to " + db->dbmsName() + ": " + db->Info().ConInfo(), 1);
  } else if (connection_->hasProfile()) {
    // The database the user named is not reachable: running on another one,
    // such as the project's stored connection, would fill the wrong tables.
    ConsoleOutput("Not connected through the connection profile; nothing was run", 1);
    hasConsole_ = false;
    return kExitNotRun;
  } else {
    ConsoleOutput("Not connected", 1);
  }
  if (document_->DoLoad(state_.projectFile, true) != 0) {
    hasConsole_ = false;
    return kExitNotRun;
  }
  // Run unattended, a project without some of its columns or rules would
  // fill tables other than the file describes.
  if (!document_->PartialLoad().empty()) {
    std::fprintf(stderr, "quarnel: project '%s' was loaded in part (%s); nothing was run\n",
                 state_.projectFile.c_str(), document_->PartialLoad().c_str());
    hasConsole_ = false;
    return kExitNotRun;
  }
  // A profile named on the command line is the user's explicit choice for
  // this run; only without one does the project bring its own connection.
  if (!connection_->connectedByProfile()) {
    std::string summary;
    if (document_->RestoreConnection(&summary) == 0 && !summary.empty()) ConsoleOutput("Connected: " + summary, 1);
  }
  Project& project = document_->project();
  ConsoleOutput("Project " + state_.projectFile + ": " + std::to_string(project.rules.size()) + " rule(s)", 1);

  RunControl control(*settings_, *log_, *connection_, library_.get(), libraryPath_);
  control.consoleMode = 1;
  control.performanceMode = state_.performance;
  control.sharded = parts.sharded;
  control.shard = parts.shard;
  control.jobs = parts.jobs;
  control.seed = parts.seed;
  RunSummary summary;
  {
    BreakSignalGuard breakGuard(control.cancelFlag());
    summary = control.Run(project, [this](int message, int number, const std::string& text) {
      if (message == kConsoleText) ConsoleOutput(text, number);
    });
  }
  if (summary.cancelled) ConsoleOutput("Cancelled.", 1);
  int status = ExitStatusOf(summary, connection_->connected());
  if (!state_.execReportFile.empty() && WriteConsoleReport(summary) != 0 && status == kExitDone) status = kExitProblems;
  hasConsole_ = false;
  return status;
}

int CQuarnelApp::WriteConsoleReport(const RunSummary& summary) {
  std::vector<ConsoleLine> lines;
  lines.reserve(summary.lines.size());
  for (const RuleLine& line : summary.lines) {
    lines.push_back({line.item, line.state, line.inserted, line.rejected, line.note});
  }
  ReportInfo info;
  info.title = kTitle;
  info.version = kQuarnelVersion;
  if (connection_->connected()) {
    const CDB* db = connection_->connection();
    info.connection = db->dbmsName() + ": " + db->Info().ConInfo();
  }
  const int status = WriteExecutionReport(state_.execReportFile, lines, info);
  if (status == 0) ConsoleOutput("Execution report written to " + state_.execReportFile, 1);
  return status;
}
