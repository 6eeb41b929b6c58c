// plenkor's command line, for runs without a window:
//
//   plenkor -c DEFINITION.qrp [--rows N] [--output FILE] [--overwrite]
//   plenkor --preview DEFINITION.qrp
//
// "-c" runs the definition and quits; an existing output file is kept (the
// overwrite question takes its safe answer) unless "--overwrite" is given.
// "--preview" prints the sample rows, one line per row, values separated by
// tabs. Exit status: 0 done, 1 rows failed, 2 the definition could not be
// loaded or run (including a usage error).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "engine/Shards.h"

struct PlenkorCommand {
  enum Action { kNone, kRun, kPreview, kHelp } action = kNone;
  std::string definition;
  std::string output;      // empty: the definition's
  int64_t rows = -1;       // negative: the definition's
  bool overwrite = false;
  uint32_t seed = 0;       // --seed: repeatable with this seed; 0: not repeatable
  bool sharded = false;    // --shard K/N given
  ShardPart shard;
};

// Reads the arguments; returns 0, or 2 with `error` set.
int ParseCommandLine(int argc, const char* const* argv, PlenkorCommand& command, std::string& error);

// The whole program without a window; returns the exit status.
int PlenkorMain(int argc, const char* const* argv, std::FILE* out, std::FILE* err);
