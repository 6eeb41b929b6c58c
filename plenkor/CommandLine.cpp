#include "plenkor/CommandLine.h"

#include <climits>
#include <clocale>
#include <optional>
#include <string_view>

#include "GenTmpl/PatternEngine.h"
#include "GenTmpl/PatternRunner.h"
#include "GenTmpl/LibraryLocation.h"
#include "GenTmpl/VLibrary.h"
#include "plenkor/FlatFile.h"
#include "plenkor/FlatFileRun.h"
#include "plenkor/PlenkorSettings.h"
#include "support/Log.h"
#include "support/Settings.h"
#include "support/TextUtil.h"

namespace {

constexpr const char* kUsage =
    "Usage: plenkor -c DEFINITION.qrp [--rows N] [--output FILE] [--overwrite]\n"
    "                 [--seed N] [--shard K/N]\n"
    "       plenkor --preview DEFINITION.qrp\n"
    "--seed N makes the file repeatable. --shard K/N writes part K of N of the\n"
    "rows, to FILE.K-of-N.ext; with a seed the parts joined in order are the\n"
    "file --shard 1/1 writes.\n";

int Preview(const Project& definition, const std::string& libraryPath, CLog& log, std::FILE* out, std::FILE* err) {
  std::vector<NamedGenerator> named;
  PatternEngine engine;
  engine.SetLog(&log);
  ShareRunContext(engine, definition, libraryPath, named);
  const PreviewResult preview = RunPreview(engine, Fields(definition), -1, {});
  for (const std::vector<std::string>& row : preview.rows) {
    std::string line;
    for (size_t c = 0; c < row.size(); ++c) {
      if (c > 0) line += '\t';
      AppendEscaped(line, row[c]);
    }
    std::fprintf(out, "%s\n", line.c_str());
  }
  if (preview.errorCode != 0) {
    std::fprintf(err, "error %d: %s\n", preview.errorCode, preview.errorMessage.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int ParseCommandLine(int argc, const char* const* argv, PlenkorCommand& command, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool takesValue = arg == "-c" || arg == "--preview" || arg == "--rows" || arg == "--output" ||
                            arg == "--seed" || arg == "--shard";
    if (takesValue && i + 1 >= argc) {
      error = std::string(arg) + " needs a value.";
      return 2;
    }
    if (arg == "-c" || arg == "--preview") {
      if (command.action != PlenkorCommand::kNone) {
        error = "Give either -c or --preview, once.";
        return 2;
      }
      command.action = arg == "-c" ? PlenkorCommand::kRun : PlenkorCommand::kPreview;
      command.definition = argv[++i];
    } else if (arg == "--rows") {
      const std::optional<int64_t> rows = WholeNumber(argv[++i], 0, INT_MAX);
      if (!rows) {
        error = "--rows needs a whole number from 0 to " + std::to_string(INT_MAX) + ".";
        return 2;
      }
      command.rows = *rows;
    } else if (arg == "--output") {
      command.output = argv[++i];
    } else if (arg == "--seed") {
      const std::optional<int64_t> seed = WholeNumber(argv[++i], 1, UINT32_MAX);
      if (!seed) {
        error = "--seed needs a whole number from 1 to " + std::to_string(UINT32_MAX) + ".";
        return 2;
      }
      command.seed = static_cast<uint32_t>(*seed);
    } else if (arg == "--shard") {
      if (!ParseShard(argv[++i], command.shard, error)) {
        error += ".";
        return 2;
      }
      command.sharded = true;
    } else if (arg == "--overwrite") {
      command.overwrite = true;
    } else if (arg == "-h" || arg == "--help") {
      command.action = PlenkorCommand::kHelp;
    } else {
      error = "Unknown argument '" + std::string(arg) + "'.";
      return 2;
    }
  }
  if (command.action == PlenkorCommand::kNone) {
    error = "Nothing to do.";
    return 2;
  }
  return 0;
}

int PlenkorMain(int argc, const char* const* argv, std::FILE* out, std::FILE* err) {
  PlenkorCommand command;
  std::string error;
  if (ParseCommandLine(argc, argv, command, error) != 0) {
    std::fprintf(err, "%s\n%s", error.c_str(), kUsage);
    return 2;
  }
  if (command.action == PlenkorCommand::kHelp) {
    std::fputs(kUsage, out);
    return 0;
  }
  std::setlocale(LC_TIME, "");

  _Settings settings;
  RegisterPlenkorSettings(settings);
  CLog log;
  settings.SetProfileName(kPlenkorProfile, &log);
  settings.LoadData();
  log.Begin("Plenkor", nullptr, "plenkor");

  Project definition;
  int warnings = 0;
  if (LoadDefinition(command.definition, definition, &warnings, &error) != 0) {
    std::fprintf(err, "%s\n", error.c_str());
    return 2;
  }
  if (warnings > 0) std::fprintf(err, "Warning: %s\n", CompatibilityWarning(warnings).c_str());
  if (!command.output.empty()) definition.TXTFile = command.output;
  if (command.rows >= 0) FileRule(definition).Records = static_cast<int>(command.rows);

  const std::string libraryPath = FindValueLibrary(std::string());
  if (command.action == PlenkorCommand::kPreview) return Preview(definition, libraryPath, log, out, err);

  VLibrary library;
  library.Open(libraryPath, log);  // a library that can not be opened is reported; the run goes on
  FlatRunEnvironment environment;
  environment.settings = &settings;
  environment.log = &log;
  environment.library = library.IsOpen() ? &library : nullptr;
  environment.libraryPath = libraryPath;
  environment.seed = command.seed;
  environment.sharded = command.sharded;
  environment.shard = command.shard;
  const bool overwrite = command.overwrite;
  environment.askOverwrite = [overwrite, err](const std::string& file) {
    std::fprintf(err, "Output File: The output file is already exists :\n%s\nDo you wish to overwrite it? %s\n",
                 file.c_str(), overwrite ? "Overwrite" : "Cancel (give --overwrite to replace it)");
    return OverwriteChoice{overwrite, false};
  };
  const FlatRunResult result = RunDefinition(definition, environment);
  if (result.status == kFlatRunNotRun) return 2;
  std::fprintf(out, "%s: %llu rows written to %s\n", result.statusText.c_str(),
               static_cast<unsigned long long>(result.rows), result.outputFile.c_str());
  return result.status;
}
