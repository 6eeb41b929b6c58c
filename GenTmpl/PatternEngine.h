// PatternEngine: evaluates patterns, the short texts that describe how to
// build one value ("\(NNN\) NNN-NNNN", "A{=11}", "$Lib(Streets) N{4}").
//
// A pattern is compiled once (CompiledPattern.h) and kept in a small cache of
// the engine, so every later evaluation only runs its steps. Stateful
// functions are bound to nodes by the order of their calls: the first pass after Init or Reset (the compile pass) builds one
// node per call, every pass after NextRow reuses them in the same order, so
// counters continue and sources stay loaded.
//
// Calling order: Init (or Reset), AddColumn for each column, then per row
// Generate for each pattern column (SetColumnValue for the other columns) and
// NextRow; GetError after each Generate; Clear at the end.
//
// Hostile patterns are bounded: one repeater may ask for at most
// kMaxElementLength characters, one top-level Generate (with everything it
// evaluates, item engines included) for at most kMaxValueLength characters of
// work, and patterns nest (function parameters, optional parts, named
// generators) at most kMaxNesting deep. Exceeding a bound is an error and
// stops the evaluation.
//
// Memory is bounded too: an engine and its item engines together keep at
// most kMaxNodes function nodes and item engines, and their sources (files,
// tables, lists) at most kMaxCachedBytes. A node that would pass either
// budget is dropped as soon as it is built, with error kErrBudget.
//
// REQUIRES: one thread at a time uses an engine. The process-wide random
// source (values/Random.h) is shared by all engines.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "GenTmpl/CompiledPattern.h"
#include "GenTmpl/FuncData.h"
#include "GenTmpl/FunctionTable.h"
#include "GenTmpl/VLibrary.h"
#include "support/SafeFormat.h"
#include "values/ExpressionEvaluator.h"

// A named generator as the function Call sees it: its name and pattern form.
struct NamedGenerator {
  std::string name;
  std::string pattern;
};

class PatternEngine final : public FuncHost {
 public:
  using VariableLookup = std::function<std::string(std::string_view)>;

  static constexpr int64_t kMaxElementLength = 1 << 20;
  static constexpr std::size_t kMaxValueLength = std::size_t{1} << 24;
  static constexpr int kMaxNesting = 40;
  static constexpr std::size_t kMaxNodes = 100000;
  static constexpr std::size_t kMaxCachedBytes = std::size_t{384} << 20;

  // Error codes of the parser and of the bounds above.
  enum Error {
    kErrParamsMissed = 90,
    kErrBrackets = 91,
    kErrUnknownFunction = 100,
    kErrEmptyList = 104,
    kErrRepeater = 105,
    kErrRepeaterTooLong = 109,
    kErrValueTooLong = 110,
    kErrNestedTooDeep = 111,
    kErrFormatRefused = 112,
    kErrBudget = 113,
    kErrNoColumns = 700,
    kErrNoColumnName = 701,
    kErrColumnIndex = 702,
    kErrColumnNotQuoted = 703,
    kErrColumnQuotation = 704,
    kErrColumnNotFound = 705,
  };

  PatternEngine();
  ~PatternEngine();
  PatternEngine(const PatternEngine&) = delete;
  PatternEngine& operator=(const PatternEngine&) = delete;

  // Seeds the process-wide random source for every engine. A non-zero seed
  // makes the run repeatable: from then on no engine reseeds the source from
  // the clock, neither at its first Init nor for the item engines of its
  // functions. Seed 0 ends repeatable mode and seeds from the system's
  // entropy, once per process.
  static void SeedRandom(uint32_t seed);
  static bool RepeatableSeed();

  // First call in the engine's life: seeds the random source with `seed`
  // (non-zero: as SeedRandom does), or once per process from entropy when
  // `seed` is 0 and no repeatable seed is set. A non-empty `libraryLocation` becomes
  // this engine's and the process-wide library location. Then Reset.
  void Init(std::string_view libraryLocation, uint32_t seed, VariableLookup lookup = {});
  // Starts a compile pass: the next calls build new nodes.
  void Reset();
  // Starts a replay pass: the next calls reuse the nodes of the compile pass.
  void NextRow();

  void AddColumn(std::string_view name);
  // Stores a column's value (the old one becomes its previous value) and its
  // value format. Indexes outside the column table are ignored.
  void SetColumnValue(int column, std::string_view value, std::string_view format = {});

  // Evaluates `pattern` into `value` and stores it as the value of `column`
  // (-1: none). `format` (may be null) receives the value format. Returns the
  // error code, as ErrorCode() does afterwards; on an error the value may be
  // partial.
  int Generate(std::string& value, int column, std::string_view pattern,
               std::string* format = nullptr);
  // As above, for a pattern the caller compiled once and keeps.
  int Generate(std::string& value, int column, const CompiledPattern& pattern,
               std::string* format = nullptr);
  // The compiled form of `pattern`, from the engine's cache.
  std::shared_ptr<const CompiledPattern> Compiled(std::string_view pattern);

  int ErrorCode() const { return errorCode_; }
  const std::string& ErrorMessage() const { return errorMessage_; }

  // Replaces the custom connection by a new connection made with the settings
  // of `connection` (null: none). Returns the connect status (0 when none).
  int SetConnection(const CDB* connection);
  // Borrowed; null means none.
  void SetNamedGenList(const std::vector<NamedGenerator>* generators) { namedGens_ = generators; }
  const std::vector<NamedGenerator>* NamedGenList() const { return namedGens_; }
  // Borrowed; null means none.
  void SetLog(CLog* log) { log_ = log; }

  // Empties the column table and destroys the nodes (last first) and the
  // custom connection. Reset or Init must follow before the next Generate.
  void Clear();

  // Where the next Generate takes its nodes from. A caller that evaluates a
  // column's pattern again (its value was not unique, or too long) passes
  // the mark taken before the first try to Retry: the pattern then gets the
  // nodes of its first try again, neither another column's nor new ones.
  std::size_t Mark() const { return cursor_; }
  void Retry(std::size_t mark) { cursor_ = mark; }

  // Appends the value of the node at the cursor and moves the cursor on.
  void GensValue(std::string& out);
  std::size_t NodeCount() const { return nodes_.size(); }
  // What this engine and its item engines keep now.
  const NodeBudget& Budget() const { return *budget_; }
  std::size_t ColumnCount() const { return columns_.size(); }
  // The first node (in creation order) of group `group`, or null.
  FuncData* GroupNode(int group) const;
  // Column `index` (0-based), or null.
  const std::string* ColumnValueAt(std::size_t index) const;

  // Evaluates `pattern` as an item: the nodes of earlier item evaluations are
  // dropped first, so every stateful function in it starts afresh and the
  // node list does not grow from call to call. `value` receives the text.
  void GenerateItem(std::string_view pattern, std::string& value);

  // For direct functions: evaluates `pattern` through this engine (column -1)
  // into `value`; the value format goes to `format`.
  void Evaluate(std::string_view pattern, std::string& value, std::string& format);
  // A reusable buffer of the current nesting level (0..2); only direct
  // functions use them, and never across an evaluation of their own level.
  std::string& Scratch(int which);
  PhraseList& Phrases() { return phrases_; }
  // A checked output template for `format`, kept while the same few formats
  // recur, so that a function's format is not re-parsed on every call.
  const SafeFormat& CachedFormat(std::string_view format, SafeFormat::Kind kind);
  // The cached template for `format` when it is accepted; null, with error
  // kErrFormatRefused set in the name of `function`, when it is refused.
  const SafeFormat* CheckedFormat(std::string_view function, std::string_view format,
                                  SafeFormat::Kind kind);
  VLibrary& PhraseLibrary();
  // The expression evaluator of the current nesting level (an expression may
  // evaluate patterns that hold expressions of their own).
  ExpressionEvaluator& Evaluator() { return CurrentFrame().evaluator; }
  // Whether the evaluation under way on this thread has hit a bound.
  static bool LimitReached();
  // Counts `count` characters of work against the current bound; false (and
  // the error set) when the bound is passed.
  bool Charge(std::size_t count);
  // Records a bound that was passed, for this engine and the outermost call:
  // the evaluation under way stops, as for the bounds above.
  void LimitError(int code, std::string message);
  // Nodes of a private scope: patterns evaluated through EvaluateInScope
  // build their nodes here on the first evaluation and reuse them on later
  // ones, without taking node positions of the engine's own passes.
  struct NodeScope {
    std::vector<std::unique_ptr<FuncData>> nodes;
    bool compiled = false;
  };
  void EvaluateInScope(std::string_view pattern, std::string& value, std::string& format,
                       NodeScope& scope);

  // FuncHost.
  void SetError(int code, std::string message) override;
  CDB* Connection() override {
    return customConnection_ ? customConnection_.get() : borrowedConnection_;
  }
  const std::string& LibraryLocation() const override { return library_; }
  VLibrary* SharedLibrary() override;
  void ReleaseSharedLibrary() override;
  CLog* Log() override { return log_; }
  bool HasVariableLookup() const override { return static_cast<bool>(lookup_); }
  const std::string* ColumnValue(std::string_view name) const override;
  std::unique_ptr<PatternEngine> NewItemEngine() override;
  // PatternHost.
  void EvaluatePattern(std::string_view pattern, std::string& value, std::string& format) override;
  std::string Variable(std::string_view reference) override;

 private:
  struct Column {
    std::string name;
    std::string value;
    std::string previous;
    std::string format;
  };
  // Buffers of one nesting level, kept so that evaluation allocates only
  // while they grow.
  struct Frame {
    std::string scratch[3];
    ExpressionEvaluator evaluator;
  };
  class Level;

  // Appends the value of `part` to `out`.
  void Run(const CompiledPattern::Part& part, std::string& out, std::string& format);
  // Appends `text`, as much of it as the value bound leaves room for.
  void AppendCharged(std::string& out, std::string_view text);
  void Repeater(const CompiledPattern::Step& step, std::string& out);
  void ColumnReference(const CompiledPattern::Step& step, std::string& out, std::string& format);
  void FunctionCall(const CompiledPattern::Step& step, std::string& out, std::string& format);
  Frame& CurrentFrame();
  // Runs `part` one nesting level deeper into `out` (cleared first); false
  // when the level is too deep.
  bool NestedRun(const CompiledPattern::Part& part, std::string& out, std::string& format);
  // Compiles (or finds) `pattern` and runs it one nesting level deeper.
  void NestedEvaluate(std::string_view pattern, std::string& out, std::string& format);
  // Builds a node outside the current pass, so that what its constructor
  // evaluates takes no node positions.
  std::unique_ptr<FuncData> BuildNode(FunctionTable::NodeFactory factory, FuncParams params);
  // Whether the budget still holds; when not, the error is set.
  bool WithinBudget();

  std::vector<Column> columns_;
  std::vector<std::unique_ptr<FuncData>> nodes_;
  std::size_t base_ = 0;  // first node of the current compile pass
  std::size_t cursor_ = 0;
  bool compile_ = true;
  int errorCode_ = 0;
  std::string errorMessage_;
  std::string captured_;
  bool seeded_ = false;
  std::string library_;
  VariableLookup lookup_;
  std::unique_ptr<CDB> customConnection_;
  CDB* borrowedConnection_ = nullptr;  // an item engine's: its caller's connection
  PatternEngine* parent_ = nullptr;    // an item engine's: where its errors are reported too
  NodeBudget ownBudget_;
  NodeBudget* budget_ = &ownBudget_;   // an item engine's: the one of the engine that made it
  const std::vector<NamedGenerator>* namedGens_ = nullptr;
  CLog* log_ = nullptr;
  PhraseList phrases_;
  std::unique_ptr<VLibrary> phraseLibrary_;
  std::vector<std::unique_ptr<Frame>> frames_;
  int level_ = 0;
  std::string itemFormat_;
  std::array<SafeFormat, 4> formats_;
  // Compiled patterns by their text (the key views the value's own copy);
  // emptied when it holds too much.
  static constexpr std::size_t kMaxCompiledPatterns = 256;
  static constexpr std::size_t kMaxCompiledBytes = std::size_t{16} << 20;
  std::unordered_map<std::string_view, std::shared_ptr<const CompiledPattern>> compiled_;
  std::size_t compiledBytes_ = 0;
  std::size_t nextFormat_ = 0;
};
