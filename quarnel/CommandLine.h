// The application state that quarnel's command line sets, and its parser.
//
// A command line is either one path of an existing file (the project) or a
// sequence of tokens separated by blanks outside double quotes. Switches start
// with "-" (or "/" followed by a single letter, or "/@") and are selected by
// their second character: -@<profile>, -b, -c, -p, -q, -r; other letters,
// upper case included, are ignored. Tokens starting with "--" are this
// program's own options (--help, --version). Any other token is a project path.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Shards.h"

class CLog;

struct AppState {
  int console = 0;             // -c: no window; connect, load, run, quit
  int runAtStart = 0;          // -r, -c
  int runFromConsolePage = 0;  // -b
  int quitAfterRun = 0;        // -q, -c
  int performance = 0;         // -p
  int showHelp = 0;            // --help
  int showVersion = 0;         // --version
  std::string projectFile;
  std::string profile;         // connection profile path (-@)
  std::string unknownOption;   // the last "--" option that is not ours
  std::string missingValue;    // an option of ours given without its value

  // Options of ours that take a value (from main's arguments only).
  std::string autoTables;      // --auto: tables to build rules for ("*": all)
  std::string saveFile;        // --save: where --auto writes the project
  int clearRule = 0;           // --clear-rule: put a clear rule first
  std::string reportFile;      // --report: project report to write
  std::string execReportFile;  // --exec-report: execution report of a console run
  std::vector<std::string> patterns;  // --pattern, in order
  std::string rows;            // --rows
  std::string seed;            // --seed
  std::string shard;           // --shard K/N
  std::string jobs;            // --jobs
  std::string library;         // --library
};

// How a console run is made: its part (--shard), its parts side by side
// (--jobs) and its seed (--seed).
struct RunParts {
  bool sharded = false;
  ShardPart shard;
  int jobs = 1;
  uint32_t seed = 0;  // 0: none given
};
constexpr int kMaxJobs = 256;
// Reads --shard, --jobs and --seed of `state`; false with the reason in
// `error` for a value that is not one of theirs, or --shard with --jobs.
bool ReadPartOptions(const AppState& state, RunParts& parts, std::string& error);

// Applies one token to `state`. A missing project file is reported through
// `log` (may be null); "-@" without a path shows a warning through the
// current Prompt.
void ParseArgument(std::string_view token, AppState& state, CLog* log);

// Parses a whole command line into `state`.
void ParseCommandLine(std::string_view line, AppState& state, CLog* log);

// Rebuilds one command line from main's arguments (argv[0] excluded): joined
// with blanks, arguments holding blanks put in double quotes (a switch after
// its first two characters, -@"my profile.qcp"), so that each argument parses
// as it would on its own.
std::string JoinArguments(int argc, const char* const* argv);

// Takes our "--" options (with their values) out of main's arguments, then
// ParseCommandLine(JoinArguments(rest)): an unquoted path with blanks given as
// several arguments, and a quoted path, both reach the project.
void ParseArguments(int argc, const char* const* argv, AppState& state, CLog* log);

// The text shown for --help.
const char* UsageText();
