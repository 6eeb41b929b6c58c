// RunControl: the run command without the window. It fills the run options
// from the program settings (PrepareGenerator), runs the engine on a worker
// thread, and owns the process-wide cancel flag that the window's Break, or
// Ctrl-C in console mode, sets.
//
// Run does it all and returns when the run has ended. The window splits it so
// that its own thread never waits: Begin on the interface thread (checks),
// the connection the run asks for on a worker, Prepare on the interface
// thread (settings copied into the options), Execute on a worker thread, End
// on the interface thread again.
//
// REQUIRES: the settings, log, connection control and value library outlive
// the object; Begin, End and Run are called from one thread at a time.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/Generator.h"
#include "engine/RunOptions.h"

class CLog;
class ConnectionControl;
class ProgramSettings;
class VLibrary;
struct Project;

// Exit statuses of a console run.
enum RunExitStatus {
  kExitDone = 0,      // every rule ran and no row was rejected
  kExitProblems = 1,  // rows were rejected, a rule failed, the run was cancelled or not connected
  kExitNotRun = 2,    // the project could not be loaded or run at all
};

class RunControl {
 public:
  RunControl(ProgramSettings& settings, CLog& log, ConnectionControl& connection, VLibrary* library,
             std::string libraryPath);

  // Fills `options` for a run of `project` from the settings.
  void PrepareGenerator(RunOptions& options, Project& project);

  // The run command: runs `project` on a worker thread and returns when the
  // run has ended. An empty project is refused with a message. `console`
  // receives the engine's console messages on the worker thread.
  RunSummary Run(Project& project, ConsoleCallback console);

  // The first step before the worker: refuses a second run and an empty
  // project (false; nothing else happens) and truncates the log. After true,
  // End must follow once the run has ended, or when it is not started.
  bool Begin(const Project& project);
  // After Begin: whether the run asks for a connection first (not console
  // mode, not connected, and the AskConnect setting on); the caller then
  // connects with ConnectionControl::DoConnect(1) before Prepare.
  bool AsksToConnect() const;
  // The last step before the worker: saves the settings, clears the cancel
  // flag and fills `options` with `console` as their callback.
  void Prepare(Project& project, RunOptions& options, ConsoleCallback console);
  // The engine's run; any thread, while the objects the options name live.
  static RunSummary Execute(const RunOptions& options);
  // The schema check alone on the options' connection; any thread, as Execute.
  static std::vector<SchemaDifference> VerifySchema(const RunOptions& options);
  // The steps after the run: clears the cancel flag and the rule selection.
  void End();

  // Stops the run at the engine's next check.
  void Break() { cancel_.store(1, std::memory_order_relaxed); }
  std::atomic<int>& cancelFlag() { return cancel_; }
  bool running() const { return running_.load(std::memory_order_relaxed); }

  // Console mode or not; performance mode (no trace lines).
  int consoleMode = 0;
  int performanceMode = 0;
  // Rules to run (ascending); empty runs every rule. Cleared after each run.
  std::vector<int16_t> ruleSelection;
  // Console mode: a run made in parts (`--shard`), or `jobs` parts side by
  // side (`--jobs`), and a seed that makes the run repeatable (`--seed`).
  bool sharded = false;
  ShardPart shard;
  int jobs = 1;
  uint32_t seed = 0;  // 0: the Repeatable setting decides

 private:
  ProgramSettings& settings_;
  CLog& log_;
  ConnectionControl& connection_;
  VLibrary* library_;
  std::string libraryPath_;
  std::vector<ProjectVariable> globals_;  // the global variables, copied for the run
  std::atomic<int> cancel_{0};
  std::atomic<bool> running_{false};
};

// The exit status that tells a script how a console run went.
int ExitStatusOf(const RunSummary& summary, bool connected);

// While it lives, SIGINT and SIGTERM set `cancel` instead of ending the
// process; a second signal ends it the usual way. The handler only stores
// into the lock-free flag. One guard at a time.
class BreakSignalGuard {
 public:
  explicit BreakSignalGuard(std::atomic<int>& cancel);
  ~BreakSignalGuard();
  BreakSignalGuard(const BreakSignalGuard&) = delete;
  BreakSignalGuard& operator=(const BreakSignalGuard&) = delete;
};
