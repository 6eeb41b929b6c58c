#include "quarnel/CommandLine.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <system_error>

#include "support/Log.h"
#include "support/Prompt.h"
#include "support/TextUtil.h"

namespace {

bool IsExistingFile(std::string_view path) {
  if (path.empty()) return false;
  std::error_code ec;
  return std::filesystem::is_regular_file(std::filesystem::path(path), ec);
}

std::string_view StripQuotes(std::string_view text, std::string_view quotes) {
  size_t first = text.find_first_not_of(quotes);
  if (first == std::string_view::npos) return {};
  size_t last = text.find_last_not_of(quotes);
  return text.substr(first, last - first + 1);
}

// On Linux an absolute path starts with "/", so "/" opens a switch only in
// the forms a switch can take: "/x" or "/@profile".
bool IsSwitch(std::string_view token) {
  if (token.size() < 2) return false;
  if (token[0] == '-') return true;
  return token[0] == '/' && (token.size() == 2 || token[1] == '@');
}

void TakeOwnOption(std::string_view token, AppState& state) {
  if (token == "--help") {
    state.showHelp = 1;
  } else if (token == "--version") {
    state.showVersion = 1;
  } else {
    state.unknownOption = std::string(token);
  }
}

}  // namespace

void ParseArgument(std::string_view token, AppState& state, CLog* log) {
  if (token.size() >= 2 && token[0] == '-' && token[1] == '-') {
    TakeOwnOption(token, state);
    return;
  }
  if (IsSwitch(token)) {
    switch (token[1]) {
      case '@':
        if (token.size() < 3) {
          CurrentPrompt().Message("Warning!", "-@ switch without profile was specified.",
                                  PromptIcon::kInformation);
        } else {
          state.profile = std::string(StripQuotes(token.substr(2), "\""));
        }
        break;
      case 'b': state.runFromConsolePage = 1; break;
      case 'c':
        state.console = 1;
        state.runAtStart = 1;
        state.quitAfterRun = 1;
        break;
      case 'p': state.performance = 1; break;
      case 'q': state.quitAfterRun = 1; break;
      case 'r': state.runAtStart = 1; break;
      default: break;  // unknown switches are ignored without a word
    }
    return;
  }
  if (token.size() == 1 && (token[0] == '-' || token[0] == '/')) return;  // a bare switch sign
  std::string_view path = StripQuotes(token, "\"'");
  if (IsExistingFile(path)) {
    state.projectFile = std::string(path);
  } else if (log) {
    log->Bug("File not found:", path);
  }
}

void ParseCommandLine(std::string_view line, AppState& state, CLog* log) {
  if (IsExistingFile(line)) {
    state.projectFile = std::string(line);
    return;
  }
  size_t start = 0;
  bool quoted = false;
  bool inToken = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == '"') quoted = !quoted;
    if (c == ' ' && !quoted) {
      if (inToken) ParseArgument(line.substr(start, i - start), state, log);
      inToken = false;
    } else if (!inToken) {
      start = i;
      inToken = true;
    }
  }
  // Each token is taken once, also when the line ends in a blank, so a warning
  // or a "File not found" entry is not repeated.
  if (inToken) ParseArgument(line.substr(start), state, log);
}

std::string JoinArguments(int argc, const char* const* argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i] ? argv[i] : "";
    if (i > 1) line += ' ';
    bool quote = arg.empty() || (arg.find(' ') != std::string_view::npos && arg.find('"') == std::string_view::npos);
    if (!quote) {
      line += arg;
      continue;
    }
    // A switch keeps its sign and letter before the quotes, so that it stays a
    // switch: "-@/my profiles/db.qcp" becomes -@"/my profiles/db.qcp".
    const size_t open = IsSwitch(arg) && arg[1] != ' ' ? 2 : 0;
    line += arg.substr(0, open);
    line += '"';
    line += arg.substr(open);
    line += '"';
  }
  return line;
}

namespace {

// Our options that take the next argument as their value.
std::string* ValueOption(std::string_view option, AppState& state) {
  if (option == "--auto") return &state.autoTables;
  if (option == "--save") return &state.saveFile;
  if (option == "--report") return &state.reportFile;
  if (option == "--exec-report") return &state.execReportFile;
  if (option == "--rows") return &state.rows;
  if (option == "--seed") return &state.seed;
  if (option == "--shard") return &state.shard;
  if (option == "--jobs") return &state.jobs;
  if (option == "--library") return &state.library;
  return nullptr;
}

}  // namespace

void ParseArguments(int argc, const char* const* argv, AppState& state, CLog* log) {
  std::vector<const char*> rest{argc > 0 ? argv[0] : "quarnel"};
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i] ? argv[i] : "";
    if (arg.size() < 2 || arg[0] != '-' || arg[1] != '-') {
      rest.push_back(argv[i] ? argv[i] : "");
      continue;
    }
    std::string* value = ValueOption(arg, state);
    if (arg == "--pattern") {
      state.patterns.emplace_back();
      value = &state.patterns.back();
    }
    if (!value) {
      if (arg == "--clear-rule")
        state.clearRule = 1;
      else
        TakeOwnOption(arg, state);
    } else if (i + 1 < argc && argv[i + 1]) {
      *value = argv[++i];
    } else {
      state.missingValue = std::string(arg);
    }
  }
  if (rest.size() == 2 && IsExistingFile(rest[1])) {
    // One argument naming a file is the project, whatever characters it holds.
    state.projectFile = rest[1];
    return;
  }
  ParseCommandLine(JoinArguments(static_cast<int>(rest.size()), rest.data()), state, log);
}

bool ReadPartOptions(const AppState& state, RunParts& parts, std::string& error) {
  if (!state.seed.empty()) {
    const std::optional<int64_t> seed = WholeNumber(state.seed, 1, UINT32_MAX);
    if (!seed) {
      error = "--seed needs a whole number from 1 to " + std::to_string(UINT32_MAX);
      return false;
    }
    parts.seed = static_cast<uint32_t>(*seed);
  }
  if (!state.jobs.empty()) {
    const std::optional<int64_t> jobs = WholeNumber(state.jobs, 1, kMaxJobs);
    if (!jobs) {
      error = "--jobs needs a whole number from 1 to " + std::to_string(kMaxJobs);
      return false;
    }
    parts.jobs = static_cast<int>(*jobs);
    parts.sharded = true;
    parts.shard = ShardPart{1, parts.jobs};
  }
  if (!state.shard.empty()) {
    if (!state.jobs.empty()) {
      error = "give either --shard or --jobs";
      return false;
    }
    if (!ParseShard(state.shard, parts.shard, error)) return false;
    parts.sharded = true;
  }
  return true;
}

const char* UsageText() {
  return "Usage: quarnel [switches] [project file]\n"
         "  -c            console mode: connect, load and run the project, then quit\n"
         "  -r            run the project as soon as the window is ready\n"
         "  -b            run the project from the execution console page\n"
         "  -q            quit when a run started from the window ends\n"
         "  -p            performance mode (no trace lines in the log)\n"
         "  -@<profile>   connect with the connection profile file <profile>\n"
         "  --help        show this text and quit\n"
         "  --version     show the program version and quit\n"
         "\n"
         "Without a window:\n"
         "  -@<profile> --auto TABLES --save FILE [--clear-rule]\n"
         "                build a project for TABLES (comma-separated, or \"*\" for all\n"
         "                tables of the database), ordered by their foreign keys, and\n"
         "                save it to FILE\n"
         "  FILE --report OUT.html\n"
         "                write the project report of FILE\n"
         "  -c FILE --exec-report OUT.html\n"
         "                run FILE in console mode, then write the execution report\n"
         "                of the run (one line per rule) to OUT.html\n"
         "  -c FILE [--seed N] [--shard K/N | --jobs J]\n"
         "                --seed N makes the run repeatable with seed N; --shard K/N\n"
         "                makes part K of N of every data rule's rows (output files\n"
         "                are named FILE.K-of-N.ext); --jobs J makes J parts at once\n"
         "                on J threads, each with its own connection. The parts of a\n"
         "                repeatable run together make the rows --shard 1/1 makes.\n"
         "  --pattern TEXT [--pattern TEXT ...] [--rows N] [--seed N] [--library FILE]\n"
         "                [-@profile]\n"
         "                evaluate the patterns as the columns col1, col2, ... of one\n"
         "                rule for N rows (default 1) and print them tab-separated;\n"
         "                --seed makes the output repeatable. One element of a pattern\n"
         "                may produce at most 1048576 characters, one value at most\n"
         "                16777216 characters of work, and patterns nest at most 40\n"
         "                levels deep.\n"
         "\n"
         "Exit status in console mode (-c):\n"
         "  0  every rule ran and no row was rejected\n"
         "  1  rows were rejected, a rule failed, the run was cancelled (Ctrl-C)\n"
         "     or no database was connected\n"
         "  2  the project could not be loaded or run at all, or a wrong option\n"
         "Ctrl-C during a console run stops the current rule (what it did is\n"
         "committed, the epilogue scripts run); a second Ctrl-C ends at once.\n"
         "Switches may also start with \"/\" (\"/c\"). Quote a path that holds blanks,\n"
         "or give it as the whole command line.\n";
}
