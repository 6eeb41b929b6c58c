// RunOptions: everything one run of the generator needs besides the project
// itself, filled by the caller (the main window, console mode or the flat-file
// generator) before the run starts and read, never written, by the engine's
// worker thread, except for the random text generator and the cancel flag.
//
// REQUIRES: the connection, project, log, value library and global variables
// outlive the run; `cancel` may be set from another thread at any time.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Shards.h"
#include "support/Prompt.h"
#include "values/Random.h"

class CDB;
class CLog;
class VLibrary;
struct Project;
struct ProjectVariable;

// Messages of the console callback; the number's meaning depends on the message.
enum ConsoleMessage {
  kConsoleText = 1,    // number: line-feed flag
  kItemText = 2,       // number: window item (kConsoleHeadingItem)
  kProgressRange = 3,  // number: n, range 0..n
  kProgressPos = 4,    // number: position
  kAddLine = 5,        // number: 0; text in column 0
  kSetLastLine = 6,    // number: column of the last line
  kSetCell = 7,        // number: line * 100 + column
};

// Window item of the console heading.
constexpr int kConsoleHeadingItem = 1213;

// Columns of a console line.
enum ConsoleColumn {
  kConsoleItem = 0,
  kConsoleState = 1,
  kConsoleInserted = 2,
  kConsoleRejected = 3,
  kConsoleNote = 4,
};

// Called on the engine's thread; the receiver copies what it keeps.
using ConsoleCallback = std::function<void(int message, int number, const std::string& text)>;

struct RunOptions {
  CDB* connection = nullptr;  // may be null or unconnected
  Project* project = nullptr;

  std::string DateFormat = "YYYY-MM-DD";
  std::string TimeFormat = "HH:MM:SS";
  std::string CharSet{StringGenerator::kDefaultCharSet};
  std::string QCharData = "'";  // first character quotes data values; empty means "'"
  std::string DateConversion;   // template with one "%s" wrapped around date literals
  std::string DateTimeSep = " ";  // already mapped: "Space" is a blank (DateTimeOptions::SeparatorFromSetting)
  int YearFrom = 1950;
  int YearTo = 2020;
  int LogLevel = 0;
  int Repeatable = 0;
  int InitRepeat = 12345;
  int ReportInterval = 5000;
  int UniqueTryCounter = 50;
  int VerifySchema = 1;
  int UseBULK = 0;
  int RowsPerStatement = 1;  // rows of one insert statement where the server takes several
  int FromLinked = 1024000;  // rows read from a linked table or SQL statement; 0: no limit
  int Rows = 1000;
  int RecreateScrambleTab = 1;
  int UnicodePrefix = 1;
  int SingleTransaction = 0;
  int RemoveComma = 1;
  int MaxBlobSize = 4095;
  int ConsoleShowsDisabled = 0;
  int ConsoleShowsRest = 0;
  int ConsoleShowsPending = 0;

  CLog* log = nullptr;
  // Set to non-zero to stop the run; atomic because the window sets it while
  // the worker reads it.
  std::atomic<int>* cancel = nullptr;
  int consoleMode = 0;          // run without the execution console
  int performanceMode = 0;      // no trace lines, ReportInterval between console updates
  int flatFile = 0;             // the flat-file generator: disk files are split at tabs
  std::vector<int16_t> ruleSelection;  // ascending; empty: every rule
  // Rows of a rule that delivers batches or a COPY are made while the previous
  // ones are sent on a second thread, where the rule allows it; 0 keeps one
  // thread (the tests and the benchmark compare both ways).
  int generateBeside = 1;
  // A run made in parts makes `shard`'s slice of every data rule's rows, each
  // row from a stream keyed by the seed, the rule and the row (part 1 of 1
  // too, which makes every row); otherwise rows draw from the sequential source.
  bool sharded = false;
  ShardPart shard;
  uint64_t shardSeed = 0;             // the keys' seed when not Repeatable; 0: the run draws one
  ShardBarrier* barrier = nullptr;    // the parts running side by side in this process, or null
  bool printsHeadings = true;         // console mode prints the run's headings (off for parts side by side)
  Prompt* prompt = nullptr;     // owner of messages and questions; null: CurrentPrompt()
  ConsoleCallback console;      // may be empty

  VLibrary* library = nullptr;  // the open value library, may be null
  std::string LibraryLocation;  // handed to the pattern engines
  const std::vector<ProjectVariable>* globalVars = nullptr;  // "@" variables, may be null

  // The run's random text generator, shared by all rules (seeded per rule).
  StringGenerator strings;

  bool Cancelled() const { return cancel && cancel->load(std::memory_order_relaxed) != 0; }
  void Cancel() const {
    if (cancel) cancel->store(1, std::memory_order_relaxed);
  }
  Prompt& Messages() const { return prompt ? *prompt : CurrentPrompt(); }
  // The quote character of data values.
  char DataQuote() const { return QCharData.empty() ? '\'' : QCharData[0]; }
  // The value of a "#name" or "@name" variable; any other text is returned as it is.
  std::string Variable(std::string_view text) const;
};
