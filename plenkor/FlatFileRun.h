// The run of a flat-file definition: the checks before it (file name, date
// and time macros, fields, their patterns, the overwrite question, write
// access), the fixed
// run options, and the shared engine run of the one file rule on a worker
// thread while the caller waits.
//
// REQUIRES: the settings, prompt, log and value library outlive Run; the
// definition is not changed by another thread during the run.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "GenTmpl/PatternEngine.h"
#include "engine/RunOptions.h"
#include "project/PatternForm.h"
#include "project/Project.h"

#include "engine/Shards.h"

class CLog;
class VLibrary;
class _Settings;

// The answer of the "Output File" dialog.
struct OverwriteChoice {
  bool overwrite = false;
  bool remember = false;  // "Save my choice and do not ask me again"
};
// Asked with the output file's name when it exists.
using OverwriteQuestion = std::function<OverwriteChoice(const std::string& file)>;

// Progress of a run: the row count at the start, then the current row.
struct RunProgress {
  std::function<void(int rows)> started;
  std::function<void(int row)> row;
};

enum FlatRunStatus {
  kFlatRunDone = 0,
  kFlatRunRowsFailed = 1,  // a row could not be made, or the run was cancelled
  kFlatRunNotRun = 2,      // a check before the run stopped it
};

struct FlatRunResult {
  int status = kFlatRunNotRun;
  uint64_t rows = 0;
  std::string outputFile;  // the name after macro expansion
  std::string statusText;  // "Done", "Failed" (rows failed) or "Cancelled"; empty when not run
};

struct FlatRunEnvironment {
  _Settings* settings = nullptr;  // "PkAskOverwrite"; null: always ask
  Prompt* prompt = nullptr;       // null: the current prompt
  CLog* log = nullptr;
  VLibrary* library = nullptr;
  std::string libraryPath;
  OverwriteQuestion askOverwrite;  // empty: the safe answer, Cancel
  RunProgress progress;
  std::atomic<int>* cancel = nullptr;  // cleared at the start; may be null
  uint32_t seed = 0;                   // non-zero: a repeatable run with this seed
  bool sharded = false;                // write part `shard` of the rows (to a file named after it)
  ShardPart shard;
};

// The date and time settings of every flat-file run.
PatternSettings FlatFilePatternSettings();
// Makes `engine` see what a run of `definition` sees: its named generators
// (kept in `named`, which must outlive the engine's use) and its constants.
// Initialises the engine with `libraryPath`.
void ShareRunContext(PatternEngine& engine, const Project& definition, const std::string& libraryPath,
                     std::vector<NamedGenerator>& named);

// The output file name with "$DATE$" as DDMMYYYY and "$TIME$" as HHMMSS.
std::string ExpandOutputName(const std::string& name);

// Fills the run options with plenkor's fixed values for `definition`.
void FixedRunOptions(RunOptions& options, Project& definition, const FlatRunEnvironment& environment);

// Runs `definition` (which is not changed). Messages of failed checks go to
// the prompt under "Warning".
FlatRunResult RunDefinition(const Project& definition, const FlatRunEnvironment& environment);
