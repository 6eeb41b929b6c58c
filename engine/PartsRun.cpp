#include "engine/PartsRun.h"

#include <mutex>
#include <thread>

#include "GenTmpl/VLibrary.h"
#include "support/Database.h"
#include "support/Log.h"
#include "support/SystemRandom.h"

RunSummary RunPartsSideBySide(const RunOptions& options, int jobs) {
  const size_t parts = static_cast<size_t>(std::max(jobs, 1));
  std::mutex consoleMutex;
  const auto say = [&](const std::string& text) {
    std::lock_guard lock(consoleMutex);
    if (options.console) options.console(kConsoleText, 1, text);
  };

  // Every part after the first has a connection and a library of its own:
  // neither may be used by two threads.
  std::vector<std::unique_ptr<CDB>> connections(parts);
  std::vector<std::unique_ptr<VLibrary>> libraries(parts);
  CLog quietLog;
  for (size_t k = 1; k < parts; ++k) {
    if (options.connection && options.connection->connected()) {
      connections[k] = CDB::newDB(options.connection->Info().ConType);
      if (!connections[k] || !CDB::isOK(connections[k]->Connect(*options.connection))) {
        const std::string error = connections[k] ? connections[k]->ErrorText() : "no driver";
        const std::string text = "Part " + std::to_string(k + 1) + " of " + std::to_string(parts) +
                                 " could not connect; nothing was run: " + error;
        if (options.log) options.log->Bug(text, "RunPartsSideBySide");
        say(text);
        RunSummary refused;
        refused.stopped = true;
        return refused;
      }
    }
    if (options.library && options.library->IsOpen()) {
      libraries[k] = std::make_unique<VLibrary>();
      libraries[k]->Open(options.library->Path(), options.log ? *options.log : quietLog);
    }
  }

  ShardBarrier barrier(static_cast<int>(parts));
  uint64_t seed = options.shardSeed;
  // Parts of a run that is not repeatable still share one seed.
  if (seed == 0) SystemRandomBytes(reinterpret_cast<unsigned char*>(&seed), sizeof seed);
  std::vector<RunSummary> summaries(parts);
  std::vector<std::thread> workers;
  workers.reserve(parts);
  for (size_t k = 0; k < parts; ++k) {
    RunOptions part = options;
    part.sharded = true;
    part.shard = ShardPart{static_cast<int>(k + 1), static_cast<int>(parts)};
    part.shardSeed = seed;
    part.barrier = &barrier;
    part.printsHeadings = false;
    if (k > 0) {
      part.connection = connections[k].get();
      part.library = libraries[k] && libraries[k]->IsOpen() ? libraries[k].get() : nullptr;
    }
    // Each part's lines as they come, named after the part; the summed lines follow at the end.
    const std::string name = "Part " + std::to_string(k + 1) + " of " + std::to_string(parts) + ": ";
    part.console = [&say, name](int message, int, const std::string& text) {
      if (message == kConsoleText) say(name + text);
    };
    workers.emplace_back([&summaries, k, part = std::move(part)] {
      QuarnelGenerator generator;
      generator.Run(part);
      summaries[k] = generator.Summary();
    });
  }
  for (std::thread& worker : workers) worker.join();

  RunSummary sum = SumOfParts(summaries);
  if (options.consoleMode) {
    say("All " + std::to_string(parts) + " parts:");
    for (const RuleLine& line : sum.lines) say(ConsoleRuleText(line));
  }
  return sum;
}
