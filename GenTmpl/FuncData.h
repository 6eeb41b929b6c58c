// Interface shared with the data-source functions.
//
// FuncData is the base of every stateful pattern function ("node"): the node
// is built once, in the compile pass of a pattern engine, from the split
// parameters of its call, and then asked for one value per call in every
// later pass. FuncHost is what a node may ask of the engine that built it,
// both while it is constructed and while it produces values.
//
// REQUIRES: a node is used only by the thread of the engine that built it, and
// the FuncHost it was given outlives it (the engine destroys its nodes before
// itself). Nodes never throw: a bad parameter list or an unreadable source is
// reported once through FuncHost::SetError and the node then yields the empty
// text.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "support/TextUtil.h"
#include "values/PatternHost.h"
#include "values/Random.h"

class CDB;
class CLog;
class PatternEngine;
class VLibrary;

// The engine as a node sees it. PatternHost::EvaluatePattern evaluates a
// pattern through the calling engine (column -1), so the functions inside it
// take their node positions in that engine; PatternHost::Variable is the
// variable lookup (the reference itself when no lookup is set).
class FuncHost : public PatternHost {
 public:
  // Sets the engine's last error (code and message).
  virtual void SetError(int code, std::string message) = 0;
  // The custom connection set on the engine, or null when there is none.
  virtual CDB* Connection() = 0;
  // The value library location this engine was given (may be empty).
  virtual const std::string& LibraryLocation() const = 0;
  // The process-wide value library, opened with the process-wide library
  // location on first need; null when it cannot be opened.
  virtual VLibrary* SharedLibrary() = 0;
  // Closes the process-wide value library; the next SharedLibrary reopens it.
  virtual void ReleaseSharedLibrary() = 0;
  // The program log, or null.
  virtual CLog* Log() = 0;
  // Whether a variable lookup was given to the engine.
  virtual bool HasVariableLookup() const = 0;
  // Current value of the first column named `name` (case-sensitive), or null.
  virtual const std::string* ColumnValue(std::string_view name) const = 0;
  // A new item engine: its own engine started with the process-wide library
  // location, seed 0 and this engine's variable lookup, borrowing this
  // engine's named generators, custom connection and log.
  virtual std::unique_ptr<PatternEngine> NewItemEngine() = 0;

 protected:
  ~FuncHost() = default;
};

// What the nodes and item engines of one engine, and of its item engines,
// hold: counted as they are made and released, so that no pattern can take
// memory without bound.
struct NodeBudget {
  std::size_t nodes = 0;
  std::size_t bytes = 0;
};

class FuncData {
 public:
  FuncData() = default;
  virtual ~FuncData() {
    if (budget_) {
      --budget_->nodes;
      budget_->bytes -= chargedBytes_;
    }
  }
  FuncData(const FuncData&) = delete;
  FuncData& operator=(const FuncData&) = delete;

  // Appends the node's next value to `out`.
  virtual void Value(std::string& out) = 0;
  // Appends field `field` (1-based) of the node's current source row; nodes
  // that read no rows append nothing.
  virtual void GroupValue(std::string& out, int field) {
    (void)out;
    (void)field;
  }

  // The bytes of source data the node keeps (lists, rows, values).
  virtual std::size_t HeldBytes() const { return 0; }
  // Counts the node, and what it holds now, in `budget` until it is
  // destroyed. Called once, when the node is built.
  void CountIn(NodeBudget& budget) {
    budget_ = &budget;
    chargedBytes_ = HeldBytes();
    ++budget.nodes;
    budget.bytes += chargedBytes_;
  }

  bool IsGroup(int group) const { return groupNo_ == group; }
  int groupNo() const { return groupNo_; }

  // Index of the next pick among `count` values: the cursor, which then moves
  // on and wraps to 0, when `sequential`; else a random index. REQUIRES:
  // count > 0.
  static std::size_t Pick(std::size_t count, bool sequential, std::size_t& cursor) {
    if (sequential) {
      if (cursor >= count) cursor = 0;
      return cursor++;
    }
    return static_cast<std::size_t>(Random64Below(static_cast<int64_t>(count)));
  }

 protected:
  void SetGroup(int group) { groupNo_ = group; }

 private:
  int groupNo_ = 0;
  NodeBudget* budget_ = nullptr;
  std::size_t chargedBytes_ = 0;
};

// Split, trimmed parameters of one call; they point into the pattern text and
// stay valid only during construction.
using FuncParams = std::span<const std::string_view>;
